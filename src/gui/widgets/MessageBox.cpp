#include "gui/widgets/MessageBox.h"

#include "common/AppInfo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace {
struct TestState
{
    bool testMode = false;
    QList<QMessageBox::StandardButton> answers;
    QStringList shown;
    QList<QMessageBox::Icon> icons;
};

TestState& State()
{
    static TestState state;
    return state;
}
} // namespace

void CMessageBox::SetNextAnswers(const QList<QMessageBox::StandardButton>& answers)
{
    State().answers = answers;
}

void CMessageBox::SetTestMode(bool on)
{
    State().testMode = on;
}

QStringList CMessageBox::ShownTexts()
{
    return State().shown;
}

QList<QMessageBox::Icon> CMessageBox::ShownIcons()
{
    return State().icons;
}

void CMessageBox::ClearShownTexts()
{
    State().shown.clear();
    State().icons.clear();
}

QMessageBox::StandardButton CMessageBox::Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    TestState& state = State();
    if (state.testMode) {
        state.shown.append(text);
        state.icons.append(icon);
        if (!state.answers.isEmpty()) {
            return state.answers.takeFirst();
        }
        // Without a queued answer a question is declined.
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QMessageBox box(icon, AppInfo::DisplayName(), text, buttons, parent);
    if (buttons.testFlag(defaultButton)) {
        box.setDefaultButton(defaultButton);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton CMessageBox::QuestionDefaultNo(QWidget* parent, const QString& text)
{
    return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                QMessageBox::No);
}

void CMessageBox::Warning(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

void CMessageBox::Information(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

QMessageBox::StandardButton CMessageBox::Question(QWidget* parent, const QString& text)
{
    return Show(parent, QMessageBox::Question, text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

QMessageBox* CMessageBox::Ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                              const std::function<void(QMessageBox::StandardButton)>& answered)
{
    TestState& state = State();
    if (state.testMode) {
        state.shown.append(text);
        state.icons.append(QMessageBox::Question);
        const QMessageBox::StandardButton answer =
            !state.answers.isEmpty() ? state.answers.takeFirst() : QMessageBox::Cancel;
        QTimer::singleShot(0, parent ? static_cast<QObject*>(parent) : qApp,
                           [answered, answer] { answered(answer); });
        return nullptr;
    }
    auto* box = new QMessageBox(QMessageBox::Question, AppInfo::DisplayName(), text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    if (buttons.testFlag(QMessageBox::Yes)) {
        box->setDefaultButton(QMessageBox::Yes);
    }
    QObject::connect(box, &QDialog::finished, box, [box, answered] {
        QAbstractButton* clicked = box->clickedButton();
        const QMessageBox::StandardButton button =
            clicked ? box->standardButton(clicked) : QMessageBox::NoButton;
        answered(button == QMessageBox::NoButton ? QMessageBox::Cancel : button);
    });
    box->open();
    return box;
}
