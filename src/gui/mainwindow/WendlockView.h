#pragma once

#include "gui/frame/HelpTopic.h"
#include "gui/mainwindow/PropertyView.h"

class CProject;
class CAppPreferences;
class CPageFiles;
class CPageProtect;
class CPagePassword;
class CPageResult;
class CPageLogin;
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
    void LoadPages(const CProject& data);
    void SavePages(CProject& data);
    // The five pages in tab order; the first that refuses becomes current.
    // When all pass, the Result page becomes current.
    bool ValidatePages();

    // The help topic of each page (21 to 26).
    static HelpTopic HelpTopicOf(int pageIndex);

    CPageFiles* PageFiles() const { return m_pFiles; }
    CPagePassword* PagePassword() const { return m_pPassword; }
    CPageLogin* PageLogin() const { return m_pLogin; }
    CPageTemplate* PageTemplate() const { return m_pTemplate; }
    CPageProtect* PageProtect() const { return m_pProtect; }
    CPageResult* PageResult() const { return m_pResult; }

private:
    CPageFiles* m_pFiles = nullptr;
    CPagePassword* m_pPassword = nullptr;
    CPageLogin* m_pLogin = nullptr;
    CPageTemplate* m_pTemplate = nullptr;
    CPageProtect* m_pProtect = nullptr;
    CPageResult* m_pResult = nullptr;
};
