#include "gui/frame/PropertyViewPage.h"

#include "gui/frame/FrameServices.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace {

bool IsHelpKey(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier;
}

} // namespace

CPropertyViewPage::CPropertyViewPage(IFrameServices* frame, const QString& caption, QWidget* parent)
    : QWidget(parent), m_pFrame(frame), m_strCaption(caption)
{
}

bool CPropertyViewPage::OnSetActive()
{
    if (m_bFirstActivation) {
        m_bFirstActivation = false;
        return true;
    }
    PushToControls();
    return true;
}

bool CPropertyViewPage::OnKillActive()
{
    return PullFromControls();
}

void CPropertyViewPage::LoadFromProject(const CProject&) {}

void CPropertyViewPage::SaveToProject(CProject&) {}

bool CPropertyViewPage::ValidateForProtect()
{
    return true;
}

void CPropertyViewPage::SetProjectModified()
{
    if (m_pFrame) {
        m_pFrame->SetProjectModified(true);
    }
}

bool CPropertyViewPage::event(QEvent* event)
{
    if (m_eHelpTopic != HelpTopic::Contents) {
        // Claim the key before any window shortcut sees it.
        if (event->type() == QEvent::ShortcutOverride && IsHelpKey(event)) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress && IsHelpKey(event)) {
            if (m_pFrame) {
                m_pFrame->ShowHelp(m_eHelpTopic);
            }
            return true;
        }
    }
    return QWidget::event(event);
}

void CPropertyViewPage::ShowStatusPrompt(const QString& text) const
{
    if (m_pFrame) {
        m_pFrame->ShowStatusPrompt(text);
    }
}

void CPropertyViewPage::ShowStatusTipsOf(QMenu* menu)
{
    connect(menu, &QMenu::hovered, this, [this](QAction* action) { ShowStatusPrompt(action->statusTip()); });
}

void CPropertyViewPage::ClearPromptOnHide(QMenu* menu)
{
    connect(menu, &QMenu::aboutToHide, this, [this] { ShowStatusPrompt(QString()); });
}

void CPropertyViewPage::SetToolTips(std::initializer_list<ToolTip> tips)
{
    for (const ToolTip& tip : tips) {
        const QList<QWidget*> controls = findChildren<QWidget*>(QLatin1String(tip.objectName));
        Q_ASSERT_X(!controls.isEmpty(), "SetToolTips", tip.objectName);
        for (QWidget* control : controls) {
            control->setToolTip(tip.text);
        }
    }
}
