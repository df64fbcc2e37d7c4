#include "gui/mainwindow/WendlockView.h"

#include "gui/pages/files/PageFiles.h"
#include "gui/pages/login/PageLogin.h"
#include "gui/pages/password/PagePassword.h"
#include "gui/pages/protect/PageProtect.h"
#include "gui/pages/result/PageResult.h"
#include "gui/pages/template/PageTemplate.h"

#include <QTabWidget>

CWendlockView::CWendlockView(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent)
    : CPropertyView(parent)
{
    // The tab widget owns the pages once they are added.
    m_pFiles = new CPageFiles(frame, preferences, TabWidget());
    m_pPassword = new CPagePassword(frame, TabWidget());
    m_pLogin = new CPageLogin(frame, TabWidget());
    m_pTemplate = new CPageTemplate(frame, preferences, TabWidget());
    m_pProtect = new CPageProtect(frame, TabWidget());
    m_pResult = new CPageResult(frame, TabWidget());
    for (CPropertyViewPage* page : std::initializer_list<CPropertyViewPage*>{
             m_pFiles, m_pPassword, m_pLogin, m_pTemplate, m_pProtect, m_pResult}) {
        AddPage(page);
    }
    // The Protect page shows the site root that the listed pages give.
    connect(m_pFiles, &CPageFiles::PathsChanged, m_pProtect,
            [this] { m_pProtect->SetListedPages(m_pFiles->Paths()); });
    connect(m_pProtect, &CPageProtect::OutputElsewhereChanged, m_pFiles, &CPageFiles::SetOutputElsewhere);
}

void CWendlockView::LoadPages(const CProject& data)
{
    m_pFiles->LoadFromProject(data);
    m_pPassword->LoadFromProject(data);
    m_pLogin->LoadFromProject(data);
    m_pTemplate->LoadFromProject(data);
    m_pProtect->LoadFromProject(data);
}

void CWendlockView::SavePages(CProject& data)
{
    m_pFiles->SaveToProject(data);
    m_pPassword->SaveToProject(data);
    m_pLogin->SaveToProject(data);
    m_pTemplate->SaveToProject(data);
    m_pProtect->SaveToProject(data);
}

bool CWendlockView::ValidatePages()
{
    return ValidatePagesBefore(ResultPage);
}

HelpTopic CWendlockView::HelpTopicOf(int pageIndex)
{
    static constexpr HelpTopic kTopics[] = {HelpTopic::Files,    HelpTopic::Password, HelpTopic::Login,
                                            HelpTopic::Template, HelpTopic::Protect,  HelpTopic::Result};
    return pageIndex >= FilesPage && pageIndex <= ResultPage ? kTopics[pageIndex - FilesPage]
                                                             : HelpTopic::Contents;
}
