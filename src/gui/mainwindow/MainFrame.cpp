#include "gui/mainwindow/MainFrame.h"

#include "common/AppInfo.h"
#include "engine/ShareLink.h"
#include "engine/StrongSiteKeys.h"
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
#include "model/AppGlobalData.h"
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
#include <QProgressDialog>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

QString ProjectFilter()
{
    return QStringLiteral("Wendlock Project Files (*.vxp);;All Files (*)");
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

CProtectEngine::Answer ToAnswer(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes:
        return CProtectEngine::Answer::Yes;
    case QMessageBox::No:
        return CProtectEngine::Answer::No;
    default:
        return CProtectEngine::Answer::Cancel;
    }
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
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, id] { m_actions.value(id)->trigger(); });
}

void CMainFrame::CreateMenus()
{
    QMenu* project = menuBar()->addMenu(QStringLiteral("&Project"));
    connect(AddCommand(project, ID_FILE_NEW, QStringLiteral("&New Project"),
                       QStringLiteral("Create a new project"), QStringLiteral("New Project"),
                       CAppIcons::Role::NewProject),
            &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(AddCommand(project, ID_FILE_OPEN, QStringLiteral("&Open Project..."),
                       QStringLiteral("Open an existing project"), QStringLiteral("Open Project"),
                       CAppIcons::Role::OpenProject),
            &QAction::triggered, this, &CMainFrame::OnFileOpen);
    project->addSeparator();
    connect(AddCommand(project, ID_FILE_SAVE, QStringLiteral("&Save Project"),
                       QStringLiteral("Save the active project"), QStringLiteral("Save Project"),
                       CAppIcons::Role::SaveProject),
            &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(AddCommand(project, ID_FILE_SAVE_AS, QStringLiteral("Save Project &As..."),
                       QStringLiteral("Save the active project with a new name"),
                       QStringLiteral("Save Project As"), CAppIcons::Role::SaveProjectAs),
            &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
    project->addSeparator();
    m_pRecentMenu = project->addMenu(QStringLiteral("&Recent Projects"));
    m_pRecentMenu->setObjectName(QStringLiteral("recentMenu"));
    RebuildRecentMenu();
    project->addSeparator();
    connect(AddCommand(project, ID_APP_EXIT, QStringLiteral("E&xit"),
                       QStringLiteral("Quit the application; prompts to save project"),
                       QStringLiteral("Exit"), CAppIcons::Role::Exit),
            &QAction::triggered, this, &QWidget::close);

    QMenu* protect = menuBar()->addMenu(QStringLiteral("Pro&tect"));
    connect(AddCommand(protect, ID_PROTECT, QStringLiteral("&Protect"),
                       QStringLiteral("Protect the files with password"), QStringLiteral("Password Protect"),
                       CAppIcons::Role::Protect),
            &QAction::triggered, this, &CMainFrame::OnProtect);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar =
        AddCommand(view, ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"),
                   QStringLiteral("Show or hide the toolbar"), QStringLiteral("Toggle ToolBar"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* status =
        AddCommand(view, ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"),
                   QStringLiteral("Show or hide the status bar"), QStringLiteral("Toggle StatusBar"));
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(AddCommand(help, ID_HELP_CONTENTS, QStringLiteral("&Contents\tF1"),
                       QStringLiteral("Show help contents"), QStringLiteral("Help"),
                       CAppIcons::Role::HelpContents),
            &QAction::triggered, this, &CMainFrame::OnHelpContents);
    help->addSeparator();
    connect(AddCommand(help, ID_SUPPORT_HOMEPAGE, QStringLiteral("Support &Homepage"),
                       QStringLiteral("Go to the homepage for technical support or other"),
                       QStringLiteral("Homepage"), CAppIcons::Role::Homepage),
            &QAction::triggered, this, &CMainFrame::OnSupportHomepage);
    connect(AddCommand(help, ID_SUPPORT_EMAIL, QStringLiteral("Support &Email"),
                       QStringLiteral("Send email to us for technical support or other"),
                       QStringLiteral("Email"), CAppIcons::Role::Mail),
            &QAction::triggered, this, &CMainFrame::OnSupportEmail);
    help->addSeparator();
    connect(AddCommand(help, ID_CHECK_NEW_VERSION, QStringLiteral("Check &new version..."),
                       QStringLiteral("Check new version of Wendlock"), QStringLiteral("Check new version"),
                       CAppIcons::Role::CheckVersion),
            &QAction::triggered, this, &CMainFrame::OnCheckNewVersion);
    help->addSeparator();
    connect(AddCommand(help, ID_APP_ABOUT, QStringLiteral("&About Wendlock..."), QString(),
                       QStringLiteral("About"), CAppIcons::Role::About),
            &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = addToolBar(QStringLiteral("Tools"));
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
    addButton(ID_FILE_NEW, QStringLiteral("New"));
    addButton(ID_FILE_OPEN, QStringLiteral("Open"));
    addButton(ID_FILE_SAVE, QStringLiteral("Save"));
    m_pToolBar->addSeparator();
    addButton(ID_PROTECT, QStringLiteral("Protect"));
    m_pToolBar->addSeparator();
    addButton(ID_HELP_CONTENTS, QStringLiteral("Help"));

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
    m_pIdleLabel = new QLabel(QStringLiteral("For Help, press F1"), this);
    m_pIdleLabel->setObjectName(QStringLiteral("idleMessage"));
    statusBar()->addWidget(m_pIdleLabel, 1);
}

void CMainFrame::RebuildRecentMenu()
{
    m_pRecentMenu->clear();
    const QStringList files = m_pRecentFiles ? m_pRecentFiles->Files() : QStringList();
    if (files.isEmpty()) {
        QAction* none = m_pRecentMenu->addAction(QStringLiteral("Recent Project"));
        none->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        QString shown = QDir::toNativeSeparators(files.at(i));
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* entry = m_pRecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        entry->setData(ID_FILE_MRU_FILE1 + i);
        entry->setStatusTip(QStringLiteral("Open this project"));
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
    switch (MessageBox::Question(this, QStringLiteral("Save changes to %1?").arg(m_pDoc->GetTitle()))) {
    case QMessageBox::Yes:
        return OnFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
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
    const QString path = FileDialog::GetOpenFileName(this, QStringLiteral("Open"), ProjectFilter(), folder);
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
        MessageBox::Warning(this, error);
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
    const QString path = FileDialog::GetSaveFileName(this, QStringLiteral("Save As"), ProjectFilter(),
                                                     suggested, QStringLiteral("vxp"));
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
        MessageBox::Warning(this, error);
        return false;
    }
    RememberDocumentPath();
    return true;
}

void CMainFrame::OnProtect()
{
    if (m_bProtecting) {
        return;
    }
    if (!m_pView->ValidatePages()) {
        return;
    }
    QSet<QString> usersBefore;
    for (const CUserListNode& user : m_pDoc->GetData()->m_listUsers) {
        usersBefore.insert(user.m_strUserName);
    }
    SavePages();
    CAppGlobalData& project = *m_pDoc->GetData();
    // A user removed since the last save must not open what this run
    // writes: the site's content key is drawn anew, so every file is
    // enciphered again.
    for (const CUserListNode& user : project.m_listUsers) {
        usersBefore.remove(user.m_strUserName);
    }
    if (project.m_nPasswordMode == CAppGlobalData::kMultipleUsers && !usersBefore.isEmpty() &&
        project.DrawContentKey()) {
        SetProjectModified(true);
    }
    // A strong-format project keeps its salt, so that later runs give pages
    // that share one login: one drawn here is a change to save.
    if (project.m_nCipher == CAppGlobalData::kCipherStrong && project.EnsureSalt()) {
        SetProjectModified(true);
    }
    m_bProtecting = true;
    std::shared_ptr<const CStrongSiteKeys> strongKeys;
    if (project.m_nCipher == CAppGlobalData::kCipherStrong) {
        QString error;
        strongKeys = DeriveStrongKeys(project, &error);
        if (!strongKeys) {
            m_bProtecting = false;
            MessageBox::Warning(this, error);
            return;
        }
    }
    int protectedCount = 0;
    int classicPagesMet = 0;
    int assetsEnciphered = 0;
    int assetsFailed = 0;
    QString siteWarning;
    bool stopped = false;
    int reached = 0;
    const int listed = int(project.m_listFiles.size());
    {
        CAppGlobalData& data = project;
        const int count = int(data.m_listFiles.size());
        CProtectRun run(data, m_pView->PageResult());
        run.SetStrongKeys(strongKeys);
        run.SetProjectPath(m_pDoc->GetPathName());
        // Pages protected before are asked about now, before the progress
        // window can cover the questions.
        QHash<QString, CProtectEngine::Answer> answers;
        // A site written elsewhere leaves its pages as they are: no question.
        const bool elsewhere = !data.m_strOutputFolder.trimmed().isEmpty();
        for (const QString& path : data.m_listFiles) {
            if (!elsewhere && !answers.contains(path) &&
                CProtectEngine::DetectProtection(path) != CProtectEngine::Protection::None) {
                answers.insert(
                    path, ToAnswer(MessageBox::Question(this, CProtectEngine::RestoreQuestionText(path))));
            }
        }
        run.SetRestoreQuestion(
            [&answers](const QString& path) { return answers.value(path, CProtectEngine::Answer::No); });
        // The progress window appears only for runs that take a while;
        // Cancel stops after the current file.
        QProgressDialog progress(this);
        progress.setWindowTitle(AppInfo::DisplayName());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(700);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        progress.setRange(0, count);
        progress.setMinimumWidth(420);
        run.SetProgress([&progress, &reached](int index, int total, const QString& path) {
            reached = index;
            progress.setLabelText(QStringLiteral("Protecting file %1 of %2:\n%3")
                                      .arg(index + 1)
                                      .arg(total)
                                      .arg(QFileInfo(path).fileName()));
            progress.setValue(index);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return !progress.wasCanceled();
        });
        QApplication::setOverrideCursor(Qt::BusyCursor);
        protectedCount = run.Run();
        classicPagesMet = run.ClassicPagesMet();
        assetsEnciphered = run.AssetsEnciphered();
        assetsFailed = run.AssetsFailed();
        siteWarning = run.SiteWarning();
        stopped = run.WasStopped();
        QApplication::restoreOverrideCursor();
        progress.setValue(count);
    }
    m_bProtecting = false;
    m_pView->PageFiles()->RefreshSizes();
    QString summary = QStringLiteral("%1 file(s) have been protected successfully!").arg(protectedCount);
    if (stopped) {
        summary =
            QStringLiteral("Protect was cancelled before file %1 of %2. ").arg(reached + 1).arg(listed) +
            summary;
    }
    if (protectedCount > 0 && project.m_bBackup && project.m_strOutputFolder.trimmed().isEmpty()) {
        summary +=
            QStringLiteral("\n\nThe backups (*.original) were written beside the pages. Do not upload them: "
                           "a web server hands them out unprotected.");
    }
    if (classicPagesMet > 0) {
        summary += QStringLiteral("\n\n") + CProtectEngine::ClassicToStrongWarning(classicPagesMet);
    }
    if (project.m_bProtectAssets && project.m_nCipher == CAppGlobalData::kCipherStrong &&
        project.m_strOutputFolder.trimmed().isEmpty()) {
        summary += QStringLiteral("\n\n") +
                   tr("%1 other file(s) of the site enciphered, %2 failed (see the Result page).")
                       .arg(assetsEnciphered)
                       .arg(assetsFailed);
    }
    if (!siteWarning.isEmpty()) {
        summary += QStringLiteral("\n\n") + siteWarning;
    }
    MessageBox::Warning(this, summary);
}

void CMainFrame::OnShareLink(const QString& path)
{
    SavePages();
    const CAppGlobalData& project = *m_pDoc->GetData();
    CShareLink::Login login;
    if (!CShareLink::FromProject(project, login)) {
        MessageBox::Warning(
            this, tr("Share links open pages of the strong format: protect the pages in it first."));
        return;
    }
    QString user;
    if (project.m_nPasswordMode == CAppGlobalData::kMultipleUsers) {
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
        MessageBox::Warning(this, tr("The key derivation failed."));
        return;
    }
    QApplication::clipboard()->setText(CShareLink::Link(url, token));
    MessageBox::Warning(this,
                        tr("The share link is on the clipboard. It opens the site as the password does: "
                           "hand it out as you would the password. \"Sign everyone out\" on the Protect "
                           "page revokes every link."));
}

std::shared_ptr<const CStrongSiteKeys> CMainFrame::DeriveStrongKeys(const CAppGlobalData& data,
                                                                    QString* error)
{
    // The key derivation is slow on purpose, once per user: it runs on all
    // cores beside the window, which shows how many users are done.
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};
    std::shared_ptr<const CStrongSiteKeys> keys;
    const int users =
        data.m_nPasswordMode == CAppGlobalData::kMultipleUsers ? int(data.m_listUsers.size()) : 1;
    std::thread worker([&] {
        keys = CStrongSiteKeys::Derive(data, QThread::idealThreadCount(), error,
                                       [&done](int count, int) { done = count; });
        finished = true;
    });
    QProgressDialog progress(QStringLiteral("Deriving the keys of %1 user(s)...").arg(users), QString(), 0,
                             users, this);
    progress.setWindowTitle(AppInfo::DisplayName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(700);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    while (!finished) {
        progress.setValue(done);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    QApplication::restoreOverrideCursor();
    return keys;
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
        MessageBox::Warning(
            this, QStringLiteral("Send mail failure!\nNo mail program or no default mail program on "
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
    if (m_bProtecting || !SaveModified()) {
        event->ignore();
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
