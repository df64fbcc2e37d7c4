#pragma once

#include "gui/frame/HelpTopic.h"
#include "gui/mainwindow/PropertyView.h"

class CAppGlobalData;
class CAppPreferences;
class CPageFiles;
class CPageOutput;
class CPagePassword;
class CPageResult;
class CPageStyle;
class CPageTemplate;
class IFrameServices;

// The wizard: the six pages in their fixed tab order, and the moments at
// which they meet the project record (load after New and Open, save before
// Save and Protect, validate before Protect).
class CWendlockView final : public CPropertyView
{
    Q_OBJECT
    Q_DISABLE_COPY(CWendlockView)

public:
    enum PageIndex
    {
        FilesPage = 0,
        PasswordPage,
        LoginPage,
        TemplatePage,
        ProtectPage,
        ResultPage
    };

    // The pages serve `frame`; the Files and Template pages read
    // `preferences`.
    CWendlockView(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent = nullptr);

    // LoadFromProject / SaveToProject on the Files, Password, Login,
    // Template and Protect pages, in this order.
    void LoadPages(const CAppGlobalData& data);
    void SavePages(CAppGlobalData& data);
    // The five pages in tab order; the first that refuses becomes current.
    // When all pass, the Result page becomes current.
    bool ValidatePages();

    // The help topic of each page (21 to 26).
    static HelpTopic HelpTopicOf(int pageIndex);

    CPageFiles* PageFiles() const { return m_pFiles; }
    CPagePassword* PagePassword() const { return m_pPassword; }
    CPageStyle* PageStyle() const { return m_pStyle; }
    CPageTemplate* PageTemplate() const { return m_pTemplate; }
    CPageOutput* PageOutput() const { return m_pOutput; }
    CPageResult* PageResult() const { return m_pResult; }

private:
    CPageFiles* m_pFiles = nullptr;
    CPagePassword* m_pPassword = nullptr;
    CPageStyle* m_pStyle = nullptr;
    CPageTemplate* m_pTemplate = nullptr;
    CPageOutput* m_pOutput = nullptr;
    CPageResult* m_pResult = nullptr;
};
