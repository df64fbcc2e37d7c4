#include "gui/mainwindow/WendlockView.h"

#include "gui/pages/files/PageFiles.h"
#include "gui/pages/output/PageOutput.h"
#include "gui/pages/password/PagePassword.h"
#include "gui/pages/result/PageResult.h"
#include "gui/pages/style/PageStyle.h"
#include "gui/pages/template/PageTemplate.h"

#include <QTabWidget>

CWendlockView::CWendlockView(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent)
    : CPropertyView(parent)
{
    // The tab widget owns the pages once they are added.
    m_pFiles = new CPageFiles(frame, preferences, TabWidget());
    m_pPassword = new CPagePassword(frame, TabWidget());
    m_pStyle = new CPageStyle(frame, TabWidget());
    m_pTemplate = new CPageTemplate(frame, preferences, TabWidget());
    m_pOutput = new CPageOutput(frame, TabWidget());
    m_pResult = new CPageResult(frame, TabWidget());
    for (CPropertyViewPage* page : std::initializer_list<CPropertyViewPage*>{
             m_pFiles, m_pPassword, m_pStyle, m_pTemplate, m_pOutput, m_pResult}) {
        AddPage(page);
    }
    // The Protect page shows the site root that the listed pages give.
    connect(m_pFiles, &CPageFiles::PathsChanged, m_pOutput,
            [this] { m_pOutput->SetListedPages(m_pFiles->Paths()); });
    connect(m_pOutput, &CPageOutput::OutputElsewhereChanged, m_pFiles, &CPageFiles::SetOutputElsewhere);
}

void CWendlockView::LoadPages(const CAppGlobalData& data)
{
    m_pFiles->LoadFromProject(data);
    m_pPassword->LoadFromProject(data);
    m_pStyle->LoadFromProject(data);
    m_pTemplate->LoadFromProject(data);
    m_pOutput->LoadFromProject(data);
}

void CWendlockView::SavePages(CAppGlobalData& data)
{
    m_pFiles->SaveToProject(data);
    m_pPassword->SaveToProject(data);
    m_pStyle->SaveToProject(data);
    m_pTemplate->SaveToProject(data);
    m_pOutput->SaveToProject(data);
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
