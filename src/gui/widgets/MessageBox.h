#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The program's message boxes, captioned "Wendlock": messages with the
// warning icon and OK, questions with Yes, No and Cancel (only Yes
// proceeds). Tests queue the answers instead of clicking, so no test ever
// blocks on a modal box, and can read back what was shown.
class CMessageBox final
{
public:
    static void Warning(QWidget* parent, const QString& text);
    static void Information(QWidget* parent, const QString& text);
    // Yes, No or Cancel.
    static QMessageBox::StandardButton Question(QWidget* parent, const QString& text);
    // The same for a step that cannot be undone: No is the default answer.
    static QMessageBox::StandardButton QuestionDefaultNo(QWidget* parent, const QString& text);
    // A question that does not wait: the box is window-modal and
    // `answered` gets the button chosen (Cancel when the box was closed
    // otherwise), on the window's thread, once. The box, or null in test
    // mode (the queued answer then comes from the event loop).
    static QMessageBox* Ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                            const std::function<void(QMessageBox::StandardButton)>& answered);

    // Test hooks: while answers are queued, no box is shown; a message
    // takes (and ignores) one queued answer if there is one.
    static void SetNextAnswers(const QList<QMessageBox::StandardButton>& answers);
    static void SetTestMode(bool on);
    static QStringList ShownTexts();
    // The icon of each text shown.
    static QList<QMessageBox::Icon> ShownIcons();
    static void ClearShownTexts();

private:
    static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::Yes);
};
