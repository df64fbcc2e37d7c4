#include "gui/widgets/MessageBox.h"

#include "common/AppInfo.h"

namespace {
struct TestState
{
    bool testMode = false;
    QList<QMessageBox::StandardButton> answers;
    QStringList shown;
};

TestState& State()
{
    static TestState state;
    return state;
}
} // namespace

void MessageBox::SetNextAnswers(const QList<QMessageBox::StandardButton>& answers)
{
    State().answers = answers;
}

void MessageBox::SetTestMode(bool on)
{
    State().testMode = on;
}

QStringList MessageBox::ShownTexts()
{
    return State().shown;
}

void MessageBox::ClearShownTexts()
{
    State().shown.clear();
}

QMessageBox::StandardButton MessageBox::Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton)
{
    TestState& state = State();
    if (state.testMode) {
        state.shown.append(text);
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

QMessageBox::StandardButton MessageBox::QuestionDefaultNo(QWidget* parent, const QString& text)
{
    return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                QMessageBox::No);
}

void MessageBox::Warning(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

void MessageBox::Information(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::Question(QWidget* parent, const QString& text)
{
    return Show(parent, QMessageBox::Question, text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}
