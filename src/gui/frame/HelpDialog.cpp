#include "gui/frame/HelpDialog.h"

#include "gui/frame/FrameServices.h"

#include <QDialogButtonBox>
#include <QKeyEvent>

CHelpDialog::CHelpDialog(IFrameServices* frame, HelpTopic topic, QWidget* parent)
    : QDialog(parent), m_pFrame(frame), m_eTopic(topic)
{
}

void CHelpDialog::ConnectHelpButton(QDialogButtonBox* buttons)
{
    connect(buttons, &QDialogButtonBox::helpRequested, this, &CHelpDialog::ShowHelp);
}

void CHelpDialog::ShowHelp()
{
    if (m_pFrame) {
        m_pFrame->ShowHelp(m_eTopic);
    }
}

void CHelpDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        ShowHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}
