#include "gui/mainwindow/MainFrame.h"

#include "common/AppFolders.h"
#include "common/AppInfo.h"
#include "engine/ClassicPageFormat.h"
#include "engine/ProtectEngine.h"
#include "engine/ProtectOutcome.h"
#include "engine/StepHook.h"
#include "engine/StrongPageFormat.h"
#include "files/FilesList.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/HelpTopics.h"
#include "gui/frame/ShellOperations.h"
#include "gui/mainwindow/ProtectRun.h"
#include "gui/mainwindow/RecentFileList.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/pages/files/PageFiles.h"
#include "gui/pages/result/PageResult.h"
#include "gui/pages/template/PageTemplate.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <thread>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Rows(const QTreeWidget* list, int column)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows.append(list->topLevelItem(i)->text(column));
    }
    return rows;
}

} // namespace

class MainFrameTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_calls;
    std::unique_ptr<CProject> m_data;
    std::unique_ptr<CWendlockDoc> m_doc;
    std::unique_ptr<CRecentFileList> m_recent;
    CAppPreferences m_preferences;
    std::unique_ptr<CMainFrame> m_frame;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QLineEdit* AlertEdit() const { return m_frame->findChild<QLineEdit*>(QStringLiteral("alertEdit")); }

    // Types into the Login page's alert text, as the user would.
    void TypeAlert(const QString& text)
    {
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::LoginPage));
        AlertEdit()->selectAll();
        QTest::keyClicks(AlertEdit(), text);
    }

    QString Template() const { return AppFolders::TemplateFolder(0) + QLatin1String("Classic.htm"); }

    // A site of two pages and one listed page that has gone.
    QStringList MakeSite()
    {
        const QString folder = Path(QStringLiteral("site"));
        QDir().mkpath(folder);
        WriteFile(folder + QLatin1String("/index.html"),
                  "<html><head><title>Home</title></head><body><p>Secret home</p></body></html>\r\n");
        WriteFile(folder + QLatin1String("/about.html"),
                  "<html><head><title>About</title></head><body><p>Secret about</p></body></html>\r\n");
        return {folder + QLatin1String("/index.html"), folder + QLatin1String("/gone.html"),
                folder + QLatin1String("/about.html")};
    }

    // `count` pages in one folder: one worker walks them in list order.
    QStringList MakePages(int count)
    {
        const QString folder = Path(QStringLiteral("pages"));
        QDir().mkpath(folder);
        QStringList pages;
        for (int i = 0; i < count; ++i) {
            pages.append(folder + QStringLiteral("/p%1.html").arg(i, 3, 10, QLatin1Char('0')));
            WriteFile(pages.last(), "<html><head><title>P</title></head><body><p>Secret " +
                                        QByteArray::number(i) + "</p></body></html>\r\n");
        }
        return pages;
    }

    // Starts Protect and waits for its end (the end message is shown).
    void ProtectAndWait()
    {
        m_frame->OnProtect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsProtecting(), 30000);
    }

    void LoadProject(const CProject& record)
    {
        *m_data = record;
        m_frame->LoadPages();
        m_doc->SetModifiedFlag(false);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
        QVERIFY(m_dir.isValid());
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_calls.append(action + QLatin1Char(' ') + target);
        });
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    void init()
    {
        m_calls.clear();
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({});
        CFileDialog::SetNextFileNames({});
        m_data = std::make_unique<CProject>();
        m_doc = std::make_unique<CWendlockDoc>(m_data.get());
        m_recent = std::make_unique<CRecentFileList>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_recent.get(), m_preferences);
        m_doc->OnNewDocument();
        m_frame->resize(800, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_data.reset();
        m_recent.reset();
    }

    void window_titleMenusToolbarStatusBar()
    {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Untitled[*] - Wendlock"));
        QStringList menus;
        for (QAction* menu : m_frame->menuBar()->actions()) {
            menus.append(menu->text());
        }
        QCOMPARE(menus, QStringList({QStringLiteral("&Project"), QStringLiteral("Pro&tect"),
                                     QStringLiteral("&View"), QStringLiteral("&Help")}));
        // Every command of the menus prompts in the status bar and has its
        // tool tip; shortcuts belong to the frame, so the menus show none
        // but F1.
        for (QAction* menu : m_frame->menuBar()->actions()) {
            for (QAction* action : menu->menu()->actions()) {
                if (action->isSeparator() || action->menu() ||
                    action->text() == QLatin1String("&About Wendlock...") || action->data().isValid()) {
                    continue;
                }
                QVERIFY2(!action->statusTip().isEmpty(), qPrintable(action->text()));
                QVERIFY2(!action->toolTip().isEmpty(), qPrintable(action->text()));
                QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));
            }
        }
        QStringList buttons;
        for (QAction* action : m_frame->ToolBar()->actions()) {
            buttons.append(action->isSeparator() ? QStringLiteral("|")
                                                 : action->text() + QLatin1Char('/') + action->toolTip());
        }
        QCOMPARE(buttons, QStringList({QStringLiteral("New/New Project"), QStringLiteral("Open/Open Project"),
                                       QStringLiteral("Save/Save Project"), QStringLiteral("|"),
                                       QStringLiteral("Protect/Password Protect"), QStringLiteral("|"),
                                       QStringLiteral("Help/Help")}));
        QCOMPARE(m_frame->ToolBar()->windowTitle(), QStringLiteral("Tools"));
        auto* button = qobject_cast<QToolButton*>(
            m_frame->ToolBar()->widgetForAction(m_frame->ToolBar()->actions().first()));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(button->width() >= 56 && button->height() >= 42);
        QCOMPARE(m_frame->findChild<QLabel*>(QStringLiteral("idleMessage"))->text(),
                 QStringLiteral("For Help, press F1"));

        QStringList tabs;
        for (int i = 0; i < m_frame->View()->GetPageCount(); ++i) {
            tabs.append(m_frame->View()->GetPage(i)->Caption());
        }
        QCOMPARE(tabs, QStringList({QStringLiteral("Files"), QStringLiteral("Password"),
                                    QStringLiteral("Login"), QStringLiteral("Template"),
                                    QStringLiteral("Protect"), QStringLiteral("Result")}));

        m_frame->Action(CMainFrame::ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(!m_frame->ToolBar()->isVisible());
        m_frame->Action(CMainFrame::ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(!m_frame->statusBar()->isVisible());
    }

    void passwordModeChoice_reachesTheTemplatePage_promptsReachTheStatusBar()
    {
        m_frame->NotifyPasswordMode(1);
        auto* templates =
            m_frame->View()->PageTemplate()->findChild<QTreeWidget*>(QStringLiteral("templateList"));
        QVERIFY(templates && templates->topLevelItemCount() > 0);
        for (int i = 0; i < templates->topLevelItemCount(); ++i) {
            QVERIFY(templates->topLevelItem(i)->text(1).startsWith(AppFolders::TemplateFolder(1)));
        }
        m_frame->ShowStatusPrompt(QStringLiteral("Add an user to list"));
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Add an user to list"));
        m_frame->ShowStatusPrompt(QString());
        QVERIFY(m_frame->statusBar()->currentMessage().isEmpty());
    }

    void initialSize_followsScreen()
    {
        bool origin = true;
        QCOMPARE(CMainFrame::InitialSize(QSize(1024, 768), &origin), QSize(800, 600));
        QVERIFY(!origin);
        QCOMPARE(CMainFrame::InitialSize(QSize(800, 600), &origin), QSize(800, 600));
        QVERIFY(origin);
        QCOMPARE(CMainFrame::InitialSize(QSize(640, 480), &origin), QSize(640, 480));
        QVERIFY(!origin);
    }

    void newProject_whenModified_asksAndCancelAbandons()
    {
        TypeAlert(QStringLiteral("Go away"));
        QVERIFY(m_doc->IsModified());
        CMessageBox::SetNextAnswers({QMessageBox::Cancel});
        m_frame->OnFileNew();
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("Save changes to Untitled?")});
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Go away"));
        QVERIFY(m_doc->IsModified());

        CMessageBox::SetNextAnswers({QMessageBox::No});
        m_frame->OnFileNew();
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Invalid Password!"));
        QVERIFY(!m_doc->IsModified());
    }

    void saveOfNewProject_isSaveAsWithUntitled_thenOpenRestoresPages()
    {
        TypeAlert(QStringLiteral("Wrong!"));
        const QString project = Path(QStringLiteral("round.vxp"));
        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        CFileDialog::SetNextFileNames({project});
        m_frame->OnFileNew();
        QCOMPARE(CFileDialog::LastCaption(), QStringLiteral("Save As"));
        QCOMPARE(QFileInfo(CFileDialog::LastSuggestedPath()).fileName(), QStringLiteral("Untitled.vxp"));
        QVERIFY(QFileInfo::exists(project));
        // The save happened, then New.
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Untitled[*] - Wendlock"));
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Invalid Password!"));
        QCOMPARE(m_recent->Files(), QStringList{project});

        CFileDialog::SetNextFileNames({project});
        m_frame->OnFileOpen();
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Wrong!"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("round.vxp[*] - Wendlock"));
        QVERIFY(!m_doc->IsModified());
        QVERIFY(m_frame->RecentMenu()->actions().first()->text().endsWith(project));

        // Save with a path writes in place, without a dialog.
        TypeAlert(QStringLiteral("Again"));
        CFileDialog::SetNextFileNames({});
        QVERIFY(m_frame->OnFileSave());
        QVERIFY(!m_doc->IsModified());
        CProject reread;
        QVERIFY(CWendlockDoc::ReadProjectFile(project, reread, nullptr, nullptr));
        QCOMPARE(reread.m_strAlertText, QStringLiteral("Again"));
    }

    void failedOpen_keepsPagesTitleAndModifiedFlag()
    {
        const QString good = Path(QStringLiteral("good.vxp"));
        QVERIFY(CWendlockDoc::WriteProjectFile(good, CProject(), nullptr));
        const QByteArray bytes = ReadFile(good);
        const QString cut = Path(QStringLiteral("cut.vxp"));
        WriteFile(cut, bytes.left(bytes.size() / 2));

        TypeAlert(QStringLiteral("Mine"));
        CMessageBox::SetNextAnswers({QMessageBox::No});
        QVERIFY(!m_frame->OpenDocumentFile(cut));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList({QStringLiteral("Save changes to Untitled?"),
                                                         QStringLiteral("Unexpected file format.")}));
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Mine"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Untitled[*] - Wendlock"));
        QVERIFY(m_doc->IsModified());

        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::No});
        const QString missing = Path(QStringLiteral("missing.vxp"));
        QVERIFY(!m_frame->OpenDocumentFile(missing));
        QVERIFY(CMessageBox::ShownTexts().value(1).contains(missing));
        QVERIFY(m_recent->Files().isEmpty());
    }

    void openingTheOpenProject_onlyRaisesTheWindow()
    {
        const QString project = Path(QStringLiteral("same.vxp"));
        QVERIFY(CWendlockDoc::WriteProjectFile(project, CProject(), nullptr));
        QVERIFY(m_frame->OpenDocumentFile(project));
        TypeAlert(QStringLiteral("Unsaved"));
        CMessageBox::ClearShownTexts();
        QVERIFY(m_frame->OpenDocumentFile(m_dir.path() + QLatin1String("/./same.vxp")));
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Unsaved"));
        QVERIFY(m_doc->IsModified());
    }

    void saveOfReadOnlyProject_goesThroughSaveAs()
    {
        const QString project = Path(QStringLiteral("locked.vxp"));
        QVERIFY(CWendlockDoc::WriteProjectFile(project, CProject(), nullptr));
        QVERIFY(m_frame->OpenDocumentFile(project));
        QFile::setPermissions(project, QFileDevice::ReadOwner);
        TypeAlert(QStringLiteral("Changed"));
        CFileDialog::SetNextFileNames({QString()});
        QVERIFY(!m_frame->OnFileSave());
        QCOMPARE(CFileDialog::LastCaption(), QStringLiteral("Save As"));
        QCOMPARE(CFileDialog::LastSuggestedPath(), project);
        QVERIFY(m_doc->IsModified());
        QFile::setPermissions(project, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void closingModifiedWindow_asks_cancelKeepsItOpen()
    {
        TypeAlert(QStringLiteral("Keep"));
        CMessageBox::SetNextAnswers({QMessageBox::Cancel});
        QVERIFY(!m_frame->close());
        QVERIFY(m_frame->isVisible());
        CMessageBox::SetNextAnswers({QMessageBox::No});
        QVERIFY(m_frame->close());
    }

    void frameKeys_runTheirCommands_evenInsideAPage()
    {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        TypeAlert(QStringLiteral("Typed"));
        CMessageBox::SetNextAnswers({QMessageBox::Cancel});
        QTest::keyClick(AlertEdit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("Save changes to Untitled?")});
        CFileDialog::SetNextFileNames({QString()});
        QTest::keyClick(AlertEdit(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(CFileDialog::LastCaption(), QStringLiteral("Save As"));
        QVERIFY(m_doc->IsModified());
    }

    void droppedProjects_openOneAfterAnother()
    {
        const QString first = Path(QStringLiteral("first.vxp"));
        const QString second = Path(QStringLiteral("second.vxp"));
        CProject record;
        record.m_strAlertText = QStringLiteral("First");
        QVERIFY(CWendlockDoc::WriteProjectFile(first, record, nullptr));
        record.m_strAlertText = QStringLiteral("Second");
        QVERIFY(CWendlockDoc::WriteProjectFile(second, record, nullptr));

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
        const QPoint at = m_frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_frame.get(), &drop);
        QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("second.vxp[*] - Wendlock"));
        QCOMPARE(AlertEdit()->text(), QStringLiteral("Second"));
        QCOMPARE(m_recent->Files(), QStringList({second, first}));
    }

    void protect_validatesInTabOrder_stopsAtRefusingPage()
    {
        const QStringList site = MakeSite();
        CProject record;
        record.m_listFiles = site;
        record.m_strTemplatePath = Template();
        record.m_strAlertText.clear();
        LoadProject(record);
        m_frame->Action(CMainFrame::ID_PROTECT)->trigger();
        QCOMPARE(m_frame->View()->GetActiveIndex(), int(CWendlockView::LoginPage));
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(
            CMessageBox::ShownTexts().first().startsWith(QLatin1String("You select to use alert with text")));
        QVERIFY(!ReadFile(site.first()).contains(CClassicPageFormat::Marker()));
    }

    void protect_emptyFilesList_stopsOnFilesTab()
    {
        CProject record;
        record.m_strTemplatePath = Template();
        LoadProject(record);
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::ProtectPage));
        if (m_frame->View()->PageFiles()->ValidateForProtect()) {
            QSKIP("the Files page does not check its list yet");
        }
        CMessageBox::ClearShownTexts();
        m_frame->OnProtect();
        QCOMPARE(m_frame->View()->GetActiveIndex(), int(CWendlockView::FilesPage));
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QStringLiteral(
                     "No files have been added to protect! Please add files to list before protect.")});
    }

    void protect_endToEnd_protectsPagesAndListsResults()
    {
        const QStringList site = MakeSite();
        CProject record;
        record.m_listFiles = site;
        record.m_strTemplatePath = Template();
        record.m_strPassword = QStringLiteral("letmein");
        LoadProject(record);

        // The Result page's button runs the same command.
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::ResultPage));
        QTest::mouseClick(
            m_frame->View()->PageResult()->findChild<QPushButton*>(QStringLiteral("protectButton")),
            Qt::LeftButton);
        QVERIFY(m_frame->IsProtecting());
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsProtecting(), 30000);
        // Backups are on: the summary warns that they must not be uploaded.
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().at(0).startsWith(QString::fromUtf8(
            "2 protected, 1 failed, 0 skipped \u2014 see the Result page.\nPage format: strong."
            "\n\nThe backups (*.original)")));
        // The run drew the project's salt, which is a change to save.
        QCOMPARE(m_doc->GetData()->m_baSalt.size(), 16);
        QVERIFY(m_doc->IsModified());
        QCOMPARE(m_frame->View()->GetActiveIndex(), int(CWendlockView::ResultPage));
        QTreeWidget* list = m_frame->View()->PageResult()->List();
        QCOMPARE(Rows(list, CPageResult::ResultColumn),
                 QStringList({QStringLiteral("Protected"), QStringLiteral("File not exists!"),
                              QStringLiteral("Protected")}));
        QCOMPARE(Rows(list, CPageResult::PathColumn), site);
        QCOMPARE(list->topLevelItem(1)->text(CPageResult::SizeColumn), QStringLiteral("12 KB"));
        for (const QString& page : {site.at(0), site.at(2)}) {
            const QByteArray text = ReadFile(page);
            QVERIFY(text.contains(CStrongPageFormat::Marker()));
            QVERIFY(!text.contains("<p>Secret"));
            QVERIFY(ReadFile(page + QLatin1String(".original")).contains("Secret"));
        }

        // Again: restore first for the home page, keep the about page.
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::Yes, QMessageBox::No});
        m_frame->OnProtect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsProtecting(), 30000);
        QCOMPARE(CMessageBox::ShownTexts().mid(0, 2),
                 QStringList({CProtectEngine::RestoreQuestionText(site.at(0)),
                              CProtectEngine::RestoreQuestionText(site.at(2))}));
        QVERIFY(CMessageBox::ShownTexts().value(2).startsWith(
            QString::fromUtf8("1 protected, 1 failed, 1 skipped \u2014 see the Result page.")));
        QCOMPARE(Rows(list, CPageResult::ResultColumn),
                 QStringList({QStringLiteral("Protected"), QStringLiteral("File not exists!"),
                              QStringLiteral("Protected before")}));
        QCOMPARE(ReadFile(site.at(0)).count(CStrongPageFormat::Marker()), 1);

        // The rows stay when another tab is visited.
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::LoginPage));
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::ResultPage));
        QCOMPARE(list->topLevelItemCount(), 3);
    }

    void state_sizesFollowProtectAndRestore_newClearsResults_titleMarksChanges()
    {
        const QStringList site = MakeSite();
        CProject record;
        record.m_listFiles = site;
        record.m_strTemplatePath = Template();
        record.m_strPassword = QStringLiteral("letmein");
        LoadProject(record);
        QVERIFY(!m_frame->isWindowModified());
        auto* files = m_frame->View()->PageFiles()->findChild<QTreeWidget*>(QStringLiteral("filesList"));
        const QString before = files->topLevelItem(0)->text(1);

        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        m_frame->OnProtect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsProtecting(), 30000);
        const QString grown = CFilesList::SizeText(site.at(0));
        QVERIFY(grown != before);
        QCOMPARE(files->topLevelItem(0)->text(1), grown);
        // The drawn salt is an unsaved change, and the title says so.
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_frame->isWindowModified());
        QVERIFY(m_frame->View()->PageResult()->List()->topLevelItemCount() > 0);

        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        m_frame->View()->PageFiles()->OnRestore();
        QTRY_VERIFY(!m_frame->View()->PageFiles()->IsRestoring());
        QCOMPARE(files->topLevelItem(0)->text(1), before);

        // New (not saving) starts with no results and no mark.
        CMessageBox::SetNextAnswers({QMessageBox::No});
        m_frame->OnFileNew();
        QCOMPARE(m_frame->View()->PageResult()->List()->topLevelItemCount(), 0);
        QVERIFY(!m_frame->isWindowModified());
        TypeAlert(QStringLiteral("Changed"));
        QVERIFY(m_frame->isWindowModified());
    }

    // Protecting again asks about each page protected before with Yes,
    // Yes to All, No, No to All and Cancel: "to All" ends the asking, Cancel
    // ends the run and the pages not reached stay as they were, reported
    // as not processed.
    void restoreFirstQuestion_fiveAnswers_cancelEndsTheRun()
    {
        const QStringList pages = MakePages(5);
        CProject record;
        record.m_listFiles = pages;
        record.m_strTemplatePath = Template();
        record.m_strPassword = QStringLiteral("letmein");
        record.m_nCipher = CProject::kCipherClassic;
        LoadProject(record);
        ProtectAndWait();
        QTreeWidget* list = m_frame->View()->PageResult()->List();
        QCOMPARE(Rows(list, CPageResult::ResultColumn), QStringList(5, QStringLiteral("Protected")));

        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::YesToAll});
        ProtectAndWait();
        QCOMPARE(CMessageBox::ShownTexts().size(), 2);
        QCOMPARE(CMessageBox::ShownTexts().at(0), CProtectEngine::RestoreQuestionText(pages.at(0)));
        QCOMPARE(Rows(list, CPageResult::ResultColumn), QStringList(5, QStringLiteral("Protected")));
        for (const QString& page : pages) {
            QCOMPARE(ReadFile(page).count(CClassicPageFormat::Marker()), 1);
        }

        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::No, QMessageBox::NoToAll});
        ProtectAndWait();
        QCOMPARE(CMessageBox::ShownTexts().mid(0, 2),
                 QStringList({CProtectEngine::RestoreQuestionText(pages.at(0)),
                              CProtectEngine::RestoreQuestionText(pages.at(1))}));
        QCOMPARE(CMessageBox::ShownTexts().size(), 3);
        QCOMPARE(Rows(list, CPageResult::ResultColumn), QStringList(5, QStringLiteral("Protected before")));

        QHash<QString, QByteArray> before;
        for (const QString& page : pages) {
            before.insert(page, ReadFile(page));
        }
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::Yes, QMessageBox::Cancel, QMessageBox::Yes});
        ProtectAndWait();
        QCOMPARE(CMessageBox::ShownTexts().size(), 3);
        QVERIFY2(
            CMessageBox::ShownTexts().at(2).startsWith(QString::fromUtf8(
                "The run was cancelled. 1 protected, 0 failed, 0 skipped, 4 not processed \u2014 see the "
                "Result page.")),
            qPrintable(CMessageBox::ShownTexts().at(2)));
        QCOMPARE(CMessageBox::ShownIcons().at(2), QMessageBox::Warning);
        const QString notProcessed = ProtectResultText(ProtectOutcome::NotProcessed);
        QCOMPARE(Rows(list, CPageResult::ResultColumn),
                 QStringList(
                     {QStringLiteral("Protected"), notProcessed, notProcessed, notProcessed, notProcessed}));
        QCOMPARE(Rows(list, CPageResult::PathColumn), pages);
        for (int i = 1; i < 5; ++i) {
            QCOMPARE(ReadFile(pages.at(i)), before.value(pages.at(i)));
        }
        QCOMPARE(ReadFile(pages.at(0)).count(CClassicPageFormat::Marker()), 1);
    }

    // The end message counts what happened: a run where every page failed
    // says so with the warning icon, a good run with the information icon;
    // both name the page format.
    void endMessage_countsFailures_iconFollows_namesTheFormat()
    {
        CProject record;
        record.m_listFiles = {Path(QStringLiteral("gone1.html")), Path(QStringLiteral("gone2.html"))};
        record.m_strTemplatePath = Template();
        record.m_strPassword = QStringLiteral("letmein");
        record.m_nCipher = CProject::kCipherClassic;
        LoadProject(record);
        ProtectAndWait();
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QString::fromUtf8(
                     "0 protected, 2 failed, 0 skipped \u2014 see the Result page.\nPage format: classic.")});
        QCOMPARE(CMessageBox::ShownIcons(), QList<QMessageBox::Icon>{QMessageBox::Warning});

        record.m_listFiles = MakePages(3);
        record.m_nCipher = CProject::kCipherStrong;
        record.m_bBackup = false;
        LoadProject(record);
        CMessageBox::ClearShownTexts();
        ProtectAndWait();
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY2(CMessageBox::ShownTexts().at(0).startsWith(QString::fromUtf8(
                     "3 protected, 0 failed, 0 skipped \u2014 see the Result page.\nPage format: strong.")),
                 qPrintable(CMessageBox::ShownTexts().at(0)));
        QCOMPARE(CMessageBox::ShownIcons(), QList<QMessageBox::Icon>{QMessageBox::Information});
    }

    // The window stays usable during a run; closing it cancels the run:
    // each worker finishes its page in hand, no further page starts, and
    // the window closes once the run has stopped, without an end message.
    void protectRun_stopsBeforeTheNextFileWhenCancelled_byClosingTheWindow()
    {
        const QStringList pages = MakePages(300);
        CProject record;
        record.m_listFiles = pages;
        record.m_strTemplatePath = Template();
        record.m_strPassword = QStringLiteral("letmein");
        record.m_nCipher = CProject::kCipherClassic;
        record.m_bBackup = false;
        LoadProject(record);
        CStepHook::Set(
            [](const char*, const QString&) { std::this_thread::sleep_for(std::chrono::milliseconds(3)); });
        m_frame->OnProtect();
        QVERIFY(m_frame->IsProtecting());
        // Events still flow while the pages are protected.
        QTRY_VERIFY(m_frame->View()->PageResult()->List()->topLevelItemCount() > 0);
        QVERIFY(!m_frame->close());
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isVisible(), 30000);
        CStepHook::Set({});
        QVERIFY(!m_frame->IsProtecting());
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        int done = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const QByteArray text = ReadFile(pages.at(i));
            if (text.contains(CClassicPageFormat::Marker())) {
                ++done;
                QCOMPARE(text.count(CClassicPageFormat::Marker()), 1);
            } else {
                QVERIFY(text.contains(QByteArray("Secret " + QByteArray::number(i) + "<")));
            }
        }
        QVERIFY(done > 0);
        QVERIFY(done < pages.size());
    }

    // Ctrl+Q with unsaved changes opens "Save changes"; a close request
    // while it is open (the window's close button) neither closes the
    // window nor asks again: the open question decides.
    void quitWithUnsavedChanges_closeWhileAsking_theQuestionDecides()
    {
        const QString project = Path(QStringLiteral("quit.vxp"));
        QVERIFY(CWendlockDoc::WriteProjectFile(project, *m_data, nullptr));
        QVERIFY(m_frame->OpenDocumentFile(project));
        for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Yes}) {
            m_frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
            TypeAlert(answer == QMessageBox::Cancel ? QStringLiteral("Kept") : QStringLiteral("Saved"));
            QVERIFY(m_doc->IsModified());
            CMessageBox::SetTestMode(false);
            int boxesWhileAsking = -1;
            bool closedWhileAsking = true;
            QString asked;
            QTimer::singleShot(0, this, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                asked = box->text();
                // A second question would wait for an answer: it gets No,
                // which without a guard lets the window close.
                QTimer::singleShot(0, this, [&, box] {
                    auto* second = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (second && second != box) {
                        second->button(QMessageBox::No)->click();
                    }
                });
                // The close button's event, and a second close request.
                QCloseEvent byButton;
                QApplication::sendEvent(m_frame.get(), &byButton);
                m_frame->close();
                QApplication::processEvents();
                closedWhileAsking = byButton.isAccepted() || !m_frame->isVisible();
                boxesWhileAsking = 0;
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    boxesWhileAsking += qobject_cast<QMessageBox*>(widget) && widget->isVisible() ? 1 : 0;
                }
                box->button(answer)->click();
            });
            QTest::keyClick(AlertEdit(), Qt::Key_Q, Qt::ControlModifier);
            CMessageBox::SetTestMode(true);
            QCOMPARE(asked, QStringLiteral("Save changes to quit.vxp?"));
            QVERIFY(!closedWhileAsking);
            QCOMPARE(boxesWhileAsking, 1);
            if (answer == QMessageBox::Cancel) {
                QVERIFY(m_frame->isVisible());
                QVERIFY(m_doc->IsModified());
            } else {
                QVERIFY(!m_frame->isVisible());
                CProject saved;
                QVERIFY(CWendlockDoc::ReadProjectFile(project, saved, nullptr, nullptr));
                QCOMPARE(saved.m_strAlertText, QStringLiteral("Saved"));
            }
        }
    }

    void protectRun_intoAnotherFolder_leavesTheSiteAndNamesTheCopies()
    {
        const QStringList site = MakeSite();
        CProject record;
        record.m_listFiles = site;
        record.m_strTemplatePath = Template();
        record.m_nKdfIterations = 100000;
        record.m_strOutputFolder = Path(QStringLiteral("pub"));
        // (a backup an earlier test left there)
        QFile::remove(site.at(0) + QLatin1String(".original"));
        const QByteArray before = ReadFile(site.at(0));
        CPageResult results(nullptr);
        CProtectRun run(record, &results, nullptr);
        run.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!run.IsRunning(), 30000);
        QCOMPARE(run.Summary().protectedCount, 2);
        QVERIFY2(run.Summary().siteWarning.contains(Path(QStringLiteral("pub"))),
                 qPrintable(run.Summary().siteWarning));
        const QString copy = Path(QStringLiteral("pub/index.html"));
        QCOMPARE(Rows(results.List(), CPageResult::PathColumn).first(), copy);
        QCOMPARE(ReadFile(site.at(0)), before);
        QVERIFY(!QFileInfo::exists(site.at(0) + QLatin1String(".original")));
        QVERIFY(ReadFile(copy).contains(CStrongPageFormat::Marker()));
        // Nothing changed: nothing written again.
        const QDateTime written = QFileInfo(copy).lastModified();
        CProtectRun again(record, &results, nullptr);
        again.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!again.IsRunning(), 30000);
        QCOMPARE(again.Summary().protectedCount, 0);
        QCOMPARE(QFileInfo(copy).lastModified(), written);
        QVERIFY(Rows(results.List(), CPageResult::ResultColumn).contains(QStringLiteral("Up to date")));
    }

    void support_helpAndAbout_openTheirAddresses()
    {
        m_frame->OnSupportEmail();
        QCOMPARE(m_calls.size(), 1);
        QVERIFY(m_calls.first().startsWith(QLatin1String("url mailto:")));
        QVERIFY(m_calls.first().contains(
            QStringLiteral("subject=Questions about Wendlock %1").arg(AppInfo::ProgramVersion())));
        QVERIFY(m_calls.first().contains(QStringLiteral("body=Hello, I have some questions about Wendlock %1")
                                             .arg(AppInfo::ProgramVersion())));
        CShellOperations::SetLaunchResultForTests(false);
        m_frame->OnSupportEmail();
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{
                     QStringLiteral("Send mail failure!\nNo mail program or no default mail program on your "
                                    "operation system.")});
        CShellOperations::SetLaunchResultForTests(true);

        m_calls.clear();
        m_frame->Action(CMainFrame::ID_HELP_CONTENTS)->trigger();
        QVERIFY(m_frame->View()->SetActivePage(CWendlockView::LoginPage));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        AlertEdit()->setFocus();
        QTest::keyClick(AlertEdit(), Qt::Key_F1);
        QCOMPARE(m_calls,
                 QStringList({QStringLiteral("url ") +
                                  QUrl::fromLocalFile(CHelpTopics::FilePath(HelpTopic::Contents)).toString(),
                              QStringLiteral("url ") +
                                  QUrl::fromLocalFile(CHelpTopics::FilePath(HelpTopic::Login)).toString()}));
    }

    void helpPages_existForEveryContext_andTheContentsLinksThem()
    {
        const QByteArray contents = ReadFile(CHelpTopics::FilePath(HelpTopic::Contents));
        QVERIFY2(!contents.isEmpty(), qPrintable(CHelpTopics::FilePath(HelpTopic::Contents)));
        for (HelpTopic topic : CHelpTopics::Topics()) {
            const QString file = CHelpTopics::FileName(topic);
            QVERIFY2(QFileInfo::exists(CHelpTopics::FilePath(topic)), qPrintable(file));
            QVERIFY2(contents.contains(QByteArray(QByteArray("href=\"") + file.toUtf8() + '"')),
                     qPrintable(file));
        }
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
