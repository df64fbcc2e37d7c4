#include "gui/frame/PropertyViewPage.h"

#include "gui/frame/FrameServices.h"

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

void CPropertyViewPage::OnInitialPageUpdate()
{
    PushToControls();
}

void CPropertyViewPage::SetModified(bool modified)
{
    m_bModified = modified;
    if (m_pFrame) {
        m_pFrame->SetProjectModified(modified);
    }
}

void CPropertyViewPage::LoadFromProject(const CAppGlobalData&) {}

void CPropertyViewPage::SaveToProject(CAppGlobalData&) {}

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
