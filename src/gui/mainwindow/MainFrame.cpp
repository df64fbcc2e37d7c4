#include "gui/mainwindow/MainFrame.h"

#include "common/AppInfo.h"
#include "engine/ProtectEngine.h"
#include "engine/ShareLink.h"
#include "gui/frame/HelpTopics.h"
#include "gui/frame/ProductLinks.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/frame/ShellOperations.h"
#include "gui/mainwindow/AboutDialog.h"
#include "gui/mainwindow/ProtectRun.h"
#include "gui/mainwindow/RecentFileList.h"
#include "gui/mainwindow/VersionCheck.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/pages/files/PageFiles.h"
#include "gui/pages/result/PageResult.h"
#include "gui/pages/template/PageTemplate.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <optional>

namespace {

QString ProjectFilter()
{
    return QCoreApplication::translate("CMainFrame", "Wendlock Project Files (*.vxp)") +
           QStringLiteral(";;") + QCoreApplication::translate("CMainFrame", "All Files (*)");
}

// Paths name the same project when they lead to the same file.
bool SameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) {
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    }
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

// Save goes through Save As when the file is gone or may not be written.
bool CanSaveInPlace(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && info.permissions().testFlag(QFileDevice::WriteOwner) &&
           info.isWritable();
}

} // namespace

CMainFrame::CMainFrame(CWendlockDoc* doc, CRecentFileList* recentFiles, CAppPreferences& preferences,
                       QWidget* parent)
    : QMainWindow(parent), m_pDoc(doc), m_pRecentFiles(recentFiles)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(CAppIcons::Application());
    setAcceptDrops(true);
    // Small enough for any screen; the pages scroll under their tabs.
    setMinimumSize(400, 300);

    m_pView = new CWendlockView(this, preferences, this);
    setCentralWidget(m_pView);
    connect(m_pView->PageResult(), &CPageResult::protectRequested, this, &CMainFrame::OnProtect);
    connect(m_pView->PageResult(), &CPageResult::shareLinkRequested, this, &CMainFrame::OnShareLink);

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    // The menus show no shortcut text (only "F1" beside Contents), so the
    // keys are the frame's own shortcuts rather than the actions'.
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), ID_PROTECT);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), ID_APP_EXIT);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &CMainFrame::OnHelpKey);

    // Loading a project is no change of the user's: whatever a page
    // reports while it loads, the document stays unmodified.
    m_pDoc->SetPageHooks(
        [this] {
            LoadPages();
            m_pDoc->SetModifiedFlag(false);
            setWindowModified(false);
        },
        [this] { SavePages(); });
    UpdateTitle();
}

CMainFrame::~CMainFrame()
{
    m_pDoc->SetPageHooks({}, {});
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QString& prompt,
                                const QString& tip, std::optional<CAppIcons::Role> icon)
{
    QAction* action = menu->addAction(text);
    if (icon) {
        action->setIcon(CAppIcons::Icon(*icon));
    }
    action->setData(id);
    action->setStatusTip(prompt);
    action->setToolTip(tip);
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::AddShortcut(const QKeySequence& key, int id)
{
    // On the menu's action itself, so that the menu shows the key beside
    // the command.
    QAction* action = m_actions.value(id);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
}

void CMainFrame::CreateMenus()
{
    QMenu* project = menuBar()->addMenu(tr("&Project"));
    connect(AddCommand(project, ID_FILE_NEW, tr("&New Project"), tr("Create a new project"),
                       tr("New Project"), CAppIcons::Role::NewProject),
            &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(AddCommand(project, ID_FILE_OPEN, tr("&Open Project..."), tr("Open an existing project"),
                       tr("Open Project"), CAppIcons::Role::OpenProject),
            &QAction::triggered, this, &CMainFrame::OnFileOpen);
    project->addSeparator();
    connect(AddCommand(project, ID_FILE_SAVE, tr("&Save Project"), tr("Save the active project"),
                       tr("Save Project"), CAppIcons::Role::SaveProject),
            &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(AddCommand(project, ID_FILE_SAVE_AS, tr("Save Project &As..."),
                       tr("Save the active project with a new name"), tr("Save Project As"),
                       CAppIcons::Role::SaveProjectAs),
            &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
    project->addSeparator();
    m_pRecentMenu = project->addMenu(tr("&Recent Projects"));
    m_pRecentMenu->setObjectName(QStringLiteral("recentMenu"));
    RebuildRecentMenu();
    project->addSeparator();
    connect(AddCommand(project, ID_APP_EXIT, tr("E&xit"), tr("Quit the application; prompts to save project"),
                       tr("Exit"), CAppIcons::Role::Exit),
            &QAction::triggered, this, &QWidget::close);

    QMenu* protect = menuBar()->addMenu(tr("Pro&tect"));
    connect(AddCommand(protect, ID_PROTECT, tr("&Protect"), tr("Protect the files with password"),
                       tr("Password Protect"), CAppIcons::Role::Protect),
            &QAction::triggered, this, &CMainFrame::OnProtect);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* toolbar = AddCommand(view, ID_VIEW_TOOLBAR, tr("&Toolbar"), tr("Show or hide the toolbar"),
                                  tr("Toggle ToolBar"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* status = AddCommand(view, ID_VIEW_STATUS_BAR, tr("&Status Bar"),
                                 tr("Show or hide the status bar"), tr("Toggle StatusBar"));
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(AddCommand(help, ID_HELP_CONTENTS, tr("&Contents\tF1"), tr("Show help contents"), tr("Help"),
                       CAppIcons::Role::HelpContents),
            &QAction::triggered, this, &CMainFrame::OnHelpContents);
    help->addSeparator();
    connect(AddCommand(help, ID_SUPPORT_HOMEPAGE, tr("Support &Homepage"),
                       tr("Go to the homepage for technical support or other"), tr("Homepage"),
                       CAppIcons::Role::Homepage),
            &QAction::triggered, this, &CMainFrame::OnSupportHomepage);
    connect(AddCommand(help, ID_SUPPORT_EMAIL, tr("Support &Email"),
                       tr("Send email to us for technical support or other"), tr("Email"),
                       CAppIcons::Role::Mail),
            &QAction::triggered, this, &CMainFrame::OnSupportEmail);
    help->addSeparator();
    connect(AddCommand(help, ID_CHECK_NEW_VERSION, tr("Check &new version..."),
                       tr("Check new version of Wendlock"), tr("Check new version"),
                       CAppIcons::Role::CheckVersion),
            &QAction::triggered, this, &CMainFrame::OnCheckNewVersion);
    help->addSeparator();
    connect(AddCommand(help, ID_APP_ABOUT, tr("&About Wendlock..."), QString(), tr("About"),
                       CAppIcons::Role::About),
            &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = addToolBar(tr("Tools"));
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_pToolBar->setIconSize(QSize(22, 22));
    // The buttons carry short labels of their own; they run the menu's
    // commands and show the same prompts and icons.
    const auto addButton = [this](int id, const QString& text) {
        QAction* command = m_actions.value(id);
        QAction* button = m_pToolBar->addAction(command->icon(), text);
        button->setData(id);
        button->setToolTip(command->toolTip());
        button->setStatusTip(command->statusTip());
        connect(button, &QAction::triggered, command, &QAction::trigger);
        if (QWidget* widget = m_pToolBar->widgetForAction(button)) {
            widget->setMinimumSize(56, 42);
        }
    };
    addButton(ID_FILE_NEW, tr("New"));
    addButton(ID_FILE_OPEN, tr("Open"));
    addButton(ID_FILE_SAVE, tr("Save"));
    m_pToolBar->addSeparator();
    addButton(ID_PROTECT, tr("Protect"));
    m_pToolBar->addSeparator();
    addButton(ID_HELP_CONTENTS, tr("Help"));

    QAction* toggle = m_actions.value(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::toggled, m_pToolBar, &QToolBar::setVisible);
    connect(m_pToolBar, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
        // Hiding the whole window hides the toolbar too; only the user's
        // choice counts.
        if (isVisible()) {
            toggle->setChecked(visible);
        }
    });
}

void CMainFrame::CreateStatusBar()
{
    m_pIdleLabel = new QLabel(tr("For Help, press F1"), this);
    m_pIdleLabel->setObjectName(QStringLiteral("idleMessage"));
    statusBar()->addWidget(m_pIdleLabel, 1);
}

void CMainFrame::RebuildRecentMenu()
{
    m_pRecentMenu->clear();
    const QStringList files = m_pRecentFiles ? m_pRecentFiles->Files() : QStringList();
    if (files.isEmpty()) {
        QAction* none = m_pRecentMenu->addAction(tr("Recent Project"));
        none->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        QString shown = QDir::toNativeSeparators(files.at(i));
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* entry = m_pRecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        entry->setData(ID_FILE_MRU_FILE1 + i);
        entry->setStatusTip(tr("Open this project"));
        connect(entry, &QAction::triggered, this, [this, i] { OnRecentFile(i); });
    }
}

void CMainFrame::SetProjectModified(bool modified)
{
    m_pDoc->SetModifiedFlag(modified);
    setWindowModified(modified);
}

void CMainFrame::NotifyPasswordMode(int passwordMode)
{
    m_pView->PageTemplate()->OnPasswordModeChanged(passwordMode);
}

void CMainFrame::ShowStatusPrompt(const QString& text)
{
    if (text.isEmpty()) {
        statusBar()->clearMessage();
    } else {
        statusBar()->showMessage(text);
    }
}

void CMainFrame::ShowHelp(HelpTopic topic)
{
    CHelpTopics::Show(topic);
}

void CMainFrame::LoadPages()
{
    m_pView->LoadPages(*m_pDoc->GetData());
    // Results belong to the run of the project they came from.
    m_pView->PageResult()->DeleteAllItems();
}

void CMainFrame::SavePages()
{
    m_pView->SavePages(*m_pDoc->GetData());
}

void CMainFrame::UpdateTitle()
{
    // "[*]" shows as "*" while the project has unsaved changes.
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(m_pDoc->GetTitle(), AppInfo::DisplayName()));
    setWindowModified(m_pDoc->IsModified());
}

QSize CMainFrame::InitialSize(const QSize& screen, bool* placeAtOrigin)
{
    const QSize standard(800, 600);
    *placeAtOrigin = screen == standard;
    if (screen.width() < standard.width() || screen.height() < standard.height()) {
        return screen;
    }
    return standard;
}

bool CMainFrame::SaveModified()
{
    if (!m_pDoc->IsModified()) {
        return true;
    }
    if (m_bAskingToSave) {
        return false;
    }
    m_bAskingToSave = true;
    bool saved = false;
    switch (CMessageBox::Question(this, tr("Save changes to %1?").arg(m_pDoc->GetTitle()))) {
    case QMessageBox::Yes:
        saved = OnFileSave();
        break;
    case QMessageBox::No:
        saved = true;
        break;
    default:
        break;
    }
    m_bAskingToSave = false;
    return saved;
}

void CMainFrame::OnFileNew()
{
    if (!SaveModified()) {
        return;
    }
    m_pDoc->OnNewDocument();
    UpdateTitle();
}

void CMainFrame::OnFileOpen()
{
    const QString folder =
        m_pDoc->GetPathName().isEmpty() ? QDir::homePath() : QFileInfo(m_pDoc->GetPathName()).absolutePath();
    const QString path = CFileDialog::GetOpenFileName(this, tr("Open"), ProjectFilter(), folder);
    if (!path.isEmpty()) {
        OpenDocumentFile(path);
    }
}

bool CMainFrame::OpenDocumentFile(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    if (!m_pDoc->GetPathName().isEmpty() && SameFile(m_pDoc->GetPathName(), path)) {
        raise();
        activateWindow();
        return true;
    }
    if (!SaveModified()) {
        return false;
    }
    QString error;
    if (!m_pDoc->OnOpenDocument(QFileInfo(path).absoluteFilePath(), &error)) {
        CMessageBox::Warning(this, error);
        return false;
    }
    RememberDocumentPath();
    return true;
}

void CMainFrame::OnRecentFile(int index)
{
    if (!m_pRecentFiles || index < 0 || index >= m_pRecentFiles->Files().size()) {
        return;
    }
    const QString path = m_pRecentFiles->Files().at(index);
    // A project that can't be opened any more leaves the list.
    if (!OpenDocumentFile(path) && !QFileInfo(path).isReadable()) {
        m_pRecentFiles->Remove(index);
        RebuildRecentMenu();
    }
}

bool CMainFrame::OnFileSave()
{
    const QString path = m_pDoc->GetPathName();
    if (path.isEmpty() || !CanSaveInPlace(path)) {
        return OnFileSaveAs();
    }
    return DoSave(path);
}

bool CMainFrame::OnFileSaveAs()
{
    QString suggested = m_pDoc->GetPathName();
    if (suggested.isEmpty()) {
        suggested = QDir::home().filePath(m_pDoc->GetTitle() + QLatin1String(".vxp"));
    } else if (QFileInfo(suggested).suffix().isEmpty()) {
        suggested += QLatin1String(".vxp");
    }
    const QString path =
        CFileDialog::GetSaveFileName(this, tr("Save As"), ProjectFilter(), suggested, QStringLiteral("vxp"));
    if (path.isEmpty()) {
        return false;
    }
    return DoSave(path);
}

void CMainFrame::RememberDocumentPath()
{
    if (m_pRecentFiles) {
        m_pRecentFiles->Add(m_pDoc->GetPathName());
    }
    RebuildRecentMenu();
    UpdateTitle();
}

bool CMainFrame::DoSave(const QString& path)
{
    QString error;
    if (!m_pDoc->OnSaveDocument(QFileInfo(path).absoluteFilePath(), &error)) {
        CMessageBox::Warning(this, error);
        return false;
    }
    RememberDocumentPath();
    return true;
}

void CMainFrame::OnProtect()
{
    if (m_pRun || m_pView->PageFiles()->IsRestoring()) {
        return;
    }
    if (!m_pView->ValidatePages()) {
        return;
    }
    SavePages();
    CProject& project = *m_pDoc->GetData();
    // A strong-format project keeps its salt, so that later runs give pages
    // that share one login: one drawn here is a change to save. So is a
    // content key drawn anew because a user was removed.
    if (project.UsesSiteKeys()) {
        const bool drawn = project.EnsureSalt();
        if (project.UpdateKeyUsers() || drawn) {
            SetProjectModified(true);
        }
    }
    // The run works on its own copy of the record beside the window; the
    // commands that would change the list or start another run wait.
    m_pRun = std::make_unique<CProtectRun>(project, m_pView->PageResult(), this);
    m_pRun->SetThreads(qMax(1, QThread::idealThreadCount()));
    m_pRun->SetProjectPath(m_pDoc->GetPathName());
    connect(m_pRun.get(), &CProtectRun::finished, this, &CMainFrame::OnProtectFinished);
    m_bStrongRun = project.m_nCipher == CProject::kCipherStrong;
    // A site written to another folder leaves its pages as they are: no
    // backups beside them.
    m_bBackupRun = project.m_bBackup && project.m_strOutputFolder.trimmed().isEmpty();
    SetRunning(true);
    m_pRun->Start();
}

void CMainFrame::OnShareLink(const QString& path)
{
    SavePages();
    const CProject& project = *m_pDoc->GetData();
    CShareLink::Login login;
    if (!CShareLink::FromProject(project, login)) {
        CMessageBox::Warning(
            this, tr("Share links open pages of the strong format: protect the pages in it first."));
        return;
    }
    QString user;
    if (project.m_nPasswordMode == CProject::kMultipleUsers) {
        QStringList names;
        for (const CUserListNode& node : project.m_listUsers) {
            names.append(node.m_strUserName);
        }
        bool chosen = false;
        user = QInputDialog::getItem(this, tr("Copy share link"), tr("The link logs in as:"), names, 0, false,
                                     &chosen);
        if (!chosen) {
            return;
        }
    }
    QString password;
    if (!CShareLink::ProjectPassword(project, user, password)) {
        return;
    }
    // The rows of a run into another folder name the copies written there.
    const QString page = path;
    bool given = false;
    const QString url =
        QInputDialog::getText(this, tr("Copy share link"), tr("The page's address on the web:"),
                              QLineEdit::Normal, QUrl::fromLocalFile(page).toString(), &given)
            .trimmed();
    if (!given || url.isEmpty()) {
        return;
    }
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QByteArray token = CShareLink::Token(login, user, password);
    QApplication::restoreOverrideCursor();
    if (token.isEmpty()) {
        CMessageBox::Warning(this, tr("The key derivation failed."));
        return;
    }
    QApplication::clipboard()->setText(CShareLink::Link(url, token));
    CMessageBox::Warning(this,
                         tr("The share link is on the clipboard. It opens the site as the password does: "
                            "hand it out as you would the password. \"Sign everyone out\" on the Protect "
                            "page revokes every link."));
}

void CMainFrame::SetRunning(bool running)
{
    for (const int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_PROTECT}) {
        m_actions.value(id)->setEnabled(!running);
    }
    m_pRecentMenu->setEnabled(!running);
    m_pView->PageFiles()->setEnabled(!running);
    m_pView->PageResult()->SetProtectEnabled(!running);
    if (running) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

QString CMainFrame::EndMessage(const CProtectSession::Summary& summary, bool strong, bool backup,
                               bool* allWell)
{
    *allWell = false;
    if (!summary.error.isEmpty()) {
        return tr("Nothing was protected: %1").arg(summary.error);
    }
    QString text;
    if (summary.cancelled) {
        text = tr("The run was cancelled. ");
    }
    text += tr("%1 protected, %2 failed, %3 skipped")
                .arg(summary.protectedCount)
                .arg(summary.failed)
                .arg(summary.skipped);
    if (summary.notProcessed > 0) {
        text += tr(", %1 not processed").arg(summary.notProcessed);
    }
    text += tr(" \u2014 see the Result page.");
    text += QStringLiteral("\n") + (strong ? tr("Page format: strong.") : tr("Page format: classic."));
    if (summary.protectedCount > 0 && backup) {
        text += QStringLiteral("\n\n") +
                tr("The backups (*.original) were written beside the pages. Do not upload them: "
                   "a web server hands them out unprotected.");
    }
    if (summary.classicPagesMet > 0) {
        text += QStringLiteral("\n\n") + CProtectEngine::ClassicToStrongWarning(summary.classicPagesMet);
    }
    if (summary.assetsRun) {
        text += QStringLiteral("\n\n") +
                tr("%1 other file(s) of the site enciphered, %2 failed (see the Result page).")
                    .arg(summary.assetsEnciphered)
                    .arg(summary.assetsFailed);
    }
    if (!summary.siteWarning.isEmpty()) {
        text += QStringLiteral("\n\n") + summary.siteWarning;
    }
    *allWell = !summary.cancelled && summary.failed == 0 && summary.assetsFailed == 0;
    return text;
}

void CMainFrame::OnProtectFinished()
{
    const CProtectSession::Summary summary = m_pRun->Summary();
    // Deleted once this signal has returned to it.
    m_pRun.release()->deleteLater();
    SetRunning(false);
    m_pView->PageFiles()->RefreshSizes();
    if (m_bCloseAfterRun) {
        // The window was closed during the run, which was cancelled for it.
        m_bCloseAfterRun = false;
        close();
        return;
    }
    bool allWell = false;
    const QString text = EndMessage(summary, m_bStrongRun, m_bBackupRun, &allWell);
    if (allWell) {
        CMessageBox::Information(this, text);
    } else {
        CMessageBox::Warning(this, text);
    }
    emit protectFinished();
}

void CMainFrame::OnHelpContents()
{
    CHelpTopics::Show(HelpTopic::Contents);
}

void CMainFrame::OnHelpKey()
{
    // F1 inside a page opens that page's topic; anywhere else the contents.
    const QWidget* focus = QApplication::focusWidget();
    CPropertyViewPage* page = m_pView->GetActivePage();
    if (page && focus && page->isAncestorOf(focus)) {
        ShowHelp(CWendlockView::HelpTopicOf(m_pView->GetActiveIndex()));
        return;
    }
    OnHelpContents();
}

void CMainFrame::OnSupportHomepage()
{
    CShellOperations::OpenUrl(QUrl(ProductLinks::SupportPage()));
}

void CMainFrame::OnSupportEmail()
{
    const QString subject =
        QStringLiteral("Questions about %1 %2").arg(AppInfo::DisplayName(), AppInfo::ProgramVersion());
    const QString body = QStringLiteral("Hello, I have some questions about %1 %2")
                             .arg(AppInfo::DisplayName(), AppInfo::ProgramVersion());
    const QString address =
        QStringLiteral("mailto:%1?subject=%2&body=%3").arg(ProductLinks::SupportEmail(), subject, body);
    if (!CShellOperations::OpenUrl(QUrl(address))) {
        CMessageBox::Warning(this, tr("Send mail failure!\nNo mail program or no default mail program on "
                                      "your operation system."));
    }
}

void CMainFrame::OnCheckNewVersion()
{
    CVersionCheck::CheckNewVersion(this, QUrl(ProductLinks::VersionFile()), AppInfo::ProgramVersion(),
                                   ProductLinks::DownloadPage());
}

void CMainFrame::OnAbout()
{
    CAboutDialog about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_pRun) {
        // Closing during a run cancels it; the window closes once the
        // pages in hand are finished.
        m_bCloseAfterRun = true;
        m_pRun->Cancel();
        return;
    }
    // While "Save changes" is open, its answer decides; another close
    // request (the window's close button) does not ask again or close.
    if (m_bAskingToSave || !SaveModified()) {
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    if (m_pRun) {
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has ended, so that the questions and messages
    // of each open do not hold up the program the files came from.
    QTimer::singleShot(0, this, [this, paths] {
        activateWindow();
        for (const QString& path : paths) {
            OpenDocumentFile(path);
        }
    });
}
