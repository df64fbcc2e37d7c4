#pragma once

#include "gui/frame/HelpTopic.h"

#include <QDialog>

class IFrameServices;
class QDialogButtonBox;
class QKeyEvent;

// A dialog with a help page of its own: F1 anywhere in it, and the Help
// button of its button box, open that page through the frame.
class CHelpDialog : public QDialog
{
    Q_OBJECT

public:
    CHelpDialog(IFrameServices* frame, HelpTopic topic, QWidget* parent = nullptr);

protected:
    // Opens the help page when the box's Help button is pressed.
    void ConnectHelpButton(QDialogButtonBox* buttons);
    void ShowHelp();
    void keyPressEvent(QKeyEvent* event) override;

private:
    IFrameServices* m_pFrame;
    HelpTopic m_eTopic;
};
