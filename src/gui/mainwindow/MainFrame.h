#pragma once

#include "gui/frame/FrameServices.h"
#include "gui/widgets/AppIcons.h"
#include "session/ProtectSession.h"

#include <QHash>
#include <QMainWindow>
#include <memory>
#include <optional>

class CProject;
class CAppPreferences;
class CProtectRun;
class CRecentFileList;
class CStrongSiteKeys;
class CWendlockDoc;
class CWendlockView;
class QLabel;
class QMenu;
class QToolBar;

// The program's main window: the wizard view, the menus, the toolbar and
// the status bar. It carries out the project commands on the document
// (with the "Save changes" question), the Protect command, help, the
// support contacts and the new-version check, and serves the pages
// (modified flag, status prompts, help, password mode).
class CMainFrame final : public QMainWindow, public IFrameServices
{
    Q_OBJECT
    Q_DISABLE_COPY(CMainFrame)

public:
    // The command ids of the menu entries and toolbar buttons.
    enum CommandId
    {
        ID_FILE_NEW = 57600,
        ID_FILE_OPEN = 57601,
        ID_FILE_SAVE = 57603,
        ID_FILE_SAVE_AS = 57604,
        ID_FILE_MRU_FILE1 = 57616,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
        ID_VIEW_TOOLBAR = 59392,
        ID_VIEW_STATUS_BAR = 59393,
        ID_PROTECT = 32807,
        ID_HELP_CONTENTS = 32818,
        ID_SUPPORT_HOMEPAGE = 32819,
        ID_SUPPORT_EMAIL = 32820,
        ID_CHECK_NEW_VERSION = 32823,
    };

    // The frame works on the document's record; `recentFiles` is the
    // application's list of recent projects, `preferences` its preferences,
    // which the frame hands on to the pages.
    CMainFrame(CWendlockDoc* doc, CRecentFileList* recentFiles, CAppPreferences& preferences,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // IFrameServices
    void SetProjectModified(bool modified) override;
    void NotifyPasswordMode(int passwordMode) override;
    void ShowStatusPrompt(const QString& text) override;
    void ShowHelp(HelpTopic topic) override;

    // The pages and the project record.
    void LoadPages();
    void SavePages();

    CWendlockView* View() const { return m_pView; }
    CWendlockDoc* Document() const { return m_pDoc; }
    // The menu action of a command id (the toolbar has its own buttons).
    QAction* Action(int id) const { return m_actions.value(id); }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QMenu* RecentMenu() const { return m_pRecentMenu; }

    // Project commands. The bool ones answer whether the project was
    // saved (or needs no saving).
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnRecentFile(int index);
    // Opens a project as Open Project does; the project that is already
    // open only raises the window.
    bool OpenDocumentFile(const QString& path);
    // Asks "Save changes to %1?" when the project is modified; false
    // when the user cancelled or the save failed.
    bool SaveModified();

    // Starts a protect run beside the window; protectFinished tells its
    // end, after the end message.
    void OnProtect();
    bool IsProtecting() const { return m_pRun != nullptr; }
    // The message at the end of a run: the counts, the page format and
    // the warnings; `allWell` when nothing failed and nothing was left.
    static QString EndMessage(const CProtectSession::Summary& summary, bool strong, bool backup,
                              bool* allWell);
    // Puts a share link of a protected page on the clipboard.
    void OnShareLink(const QString& path);
    void OnHelpContents();
    void OnSupportHomepage();
    void OnSupportEmail();
    void OnCheckNewVersion();
    void OnAbout();

    void UpdateTitle();
    // 800 x 600, or the whole screen when it is smaller; on a screen of
    // exactly 800 x 600 the window sits at its top left corner
    // (`placeAtOrigin`), otherwise the window manager places it.
    static QSize InitialSize(const QSize& screen, bool* placeAtOrigin);

signals:
    void protectFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnProtectFinished();
    // During a run the commands that would change the list or start
    // another run are off.
    void SetRunning(bool running);

    // A menu command and its status prompt, tool tip and icon.
    QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& prompt, const QString& tip,
                        std::optional<CAppIcons::Role> icon = std::nullopt);
    void AddShortcut(const QKeySequence& key, int id);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RebuildRecentMenu();
    void OnHelpKey();
    // The opened or saved project goes to the recent list and the title.
    void RememberDocumentPath();
    bool DoSave(const QString& path);

    CWendlockDoc* m_pDoc;
    CRecentFileList* m_pRecentFiles;
    CWendlockView* m_pView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QMenu* m_pRecentMenu = nullptr;
    QLabel* m_pIdleLabel = nullptr;
    QHash<int, QAction*> m_actions;
    std::unique_ptr<CProtectRun> m_pRun;
    bool m_bStrongRun = false;
    bool m_bBackupRun = false;
    bool m_bCloseAfterRun = false;
    bool m_bAskingToSave = false;
};
