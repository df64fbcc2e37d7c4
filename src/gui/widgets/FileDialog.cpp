#include "gui/widgets/FileDialog.h"

#include <QFileDialog>

namespace {
struct TestState
{
    bool testMode = false;
    QStringList answers;
    QString lastCaption;
    QString lastSuggestedPath;
};

TestState& State()
{
    static TestState state;
    return state;
}

bool TakeAnswer(QString* answer, const QString& caption, const QString& suggestedPath)
{
    TestState& state = State();
    if (!state.testMode) {
        return false;
    }
    state.lastCaption = caption;
    state.lastSuggestedPath = suggestedPath;
    *answer = state.answers.isEmpty() ? QString() : state.answers.takeFirst();
    return true;
}
} // namespace

void CFileDialog::SetNextFileNames(const QStringList& answers)
{
    State().answers = answers;
}

void CFileDialog::SetTestMode(bool on)
{
    State().testMode = on;
}

QString CFileDialog::LastCaption()
{
    return State().lastCaption;
}

QString CFileDialog::LastSuggestedPath()
{
    return State().lastSuggestedPath;
}

QString CFileDialog::GetOpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                     const QString& directory)
{
    QString answer;
    if (TakeAnswer(&answer, caption, directory)) {
        return answer;
    }
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QStringList CFileDialog::GetOpenFileNames(QWidget* parent, const QString& caption, const QString& filter,
                                          const QString& directory)
{
    QString answer;
    if (TakeAnswer(&answer, caption, directory)) {
        return answer.isEmpty() ? QStringList() : answer.split(QLatin1Char('\n'));
    }
    return QFileDialog::getOpenFileNames(parent, caption, directory, filter);
}

QString CFileDialog::GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                     const QString& suggestedPath, const QString& defaultSuffix)
{
    QString answer;
    if (TakeAnswer(&answer, caption, suggestedPath)) {
        return answer;
    }
    QFileDialog dialog(parent, caption, suggestedPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(defaultSuffix);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

QString CFileDialog::GetExistingDirectory(QWidget* parent, const QString& caption, const QString& directory)
{
    QString answer;
    if (TakeAnswer(&answer, caption, directory)) {
        return answer;
    }
    return QFileDialog::getExistingDirectory(parent, caption, directory);
}
