#include "gui/pages/files/PageFiles.h"

#include "files/ListFile.h"
#include "gui/GuiTestUtil.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/ShellOperations.h"
#include "gui/pages/files/AddFolderDlg.h"
#include "gui/pages/files/AddProgress.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Column(const QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts.append(list->topLevelItem(i)->text(column));
    }
    return texts;
}

QList<QAction*> Entries(const QMenu* menu)
{
    QList<QAction*> entries;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            entries.append(action);
        }
    }
    return entries;
}

// Acts on the Add Folder dialog once the page has opened it. The timer
// belongs to this object, so an answer that met no dialog never fires
// into a later test.
class CFolderAnswer
{
public:
    explicit CFolderAnswer(std::function<void(CAddFolderDlg&)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<CAddFolderDlg*>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            m_timer.stop();
            ++m_nSeen;
            m_act(*dialog);
        });
        m_timer.start();
    }

    static std::unique_ptr<CFolderAnswer> Type(const QString& folder, bool recursive)
    {
        return std::make_unique<CFolderAnswer>([folder, recursive](CAddFolderDlg& dialog) {
            dialog.FolderCombo()->setEditText(folder);
            dialog.RecursiveCheck()->setChecked(recursive);
            dialog.accept();
        });
    }

    int Seen() const { return m_nSeen; }

private:
    std::function<void(CAddFolderDlg&)> m_act;
    QTimer m_timer;
    int m_nSeen = 0;
};

} // namespace

class PageFilesTest : public QObject
{
    Q_OBJECT

    static QByteArray ProtectedPage(const char* body);

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rows_showNameSizeTypeAndPathFromTheNameAlone();
    void duplicates_areDroppedByEveryRoute();
    void delete_withoutSelection_saysSoAndWithSelection_freesThePaths();
    void deleteAll_asksOnlyWhenThereIsSomethingToDelete();
    void exportThenImport_reproducesTheRows();
    void importAndExport_badFilesChangeNothing();
    void restore_reportsTheCountAndPutsBackupsBack();
    void stateColumnAndCount_followTheFiles();
    void contextMenu_greysRowEntriesOnEmptySpaceAndShowsPrompts();
    void shellEntriesAndDoubleClick_actOnTheSelectedRow();
    void project_loadSaveAndValidate();
    void addFolder_scansWhatWasTypedAndKeepsTheRecursiveChoice();
    void layout_columnsShareTheWidthAndF1OpensPageHelp();
    void longAdditions_showProgressAndCanBeCancelled();

private:
    QString Make(const QString& relative, const QByteArray& bytes = QByteArrayLiteral("<html></html>"));

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CFrameRecorder> m_frame;
    CAppPreferences m_preferences;
    std::unique_ptr<CPageFiles> m_page;
    QStringList m_shellCalls;
};

void PageFilesTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CMessageBox::SetTestMode(true);
    CFileDialog::SetTestMode(true);
    CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
        m_shellCalls.append(action + QLatin1Char(' ') + target);
    });
}

void PageFilesTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("prefs")));
    m_preferences = CAppPreferences();
    m_preferences.m_strPreferencesFolder = m_dir->path() + QStringLiteral("/prefs/");
    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({});
    CFileDialog::SetNextFileNames({});
    m_shellCalls.clear();
    m_frame = std::make_unique<CFrameRecorder>();
    m_page = std::make_unique<CPageFiles>(m_frame.get(), m_preferences);
    m_page->resize(700, 450);
}

void PageFilesTest::cleanup()
{
    m_page.reset();
    m_frame.reset();
    m_dir.reset();
}

QString PageFilesTest::Make(const QString& relative, const QByteArray& bytes)
{
    const QString path = m_dir->path() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    return WriteBytes(path, bytes) ? path : QString();
}

void PageFilesTest::rows_showNameSizeTypeAndPathFromTheNameAlone()
{
    QTreeWidget* list = m_page->List();
    const QString page = Make(QStringLiteral("site/page.html"), QByteArray(2345, 'x'));
    const QString missing = m_dir->path() + QStringLiteral("/site/missing.html");
    QVERIFY(m_page->AddFileToList(page));
    QVERIFY(m_page->AddFileToList(missing));
    QVERIFY(m_page->AddFileToList(m_dir->path() + QStringLiteral("/site/gone.php")));
    QVERIFY(m_page->AddFileToList(QStringLiteral("/x/page.wendlockzz")));
    QVERIFY(!m_page->AddFileToList(QString()));

    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("page.html"), QStringLiteral("missing.html"),
                                           QStringLiteral("gone.php"), QStringLiteral("page.wendlockzz")}));
    QCOMPARE(Column(list, 1).mid(0, 2), (QStringList{QStringLiteral("2 KB"), QStringLiteral("12 KB")}));
    QCOMPARE(list->topLevelItem(1)->text(3), missing);
    // The type comes from the name: a missing page has the type of one that
    // exists, another extension another type, an unknown one its own name.
    const QStringList types = Column(list, 2);
    QVERIFY(!types.at(0).isEmpty());
    QCOMPARE(types.at(1), types.at(0));
    QVERIFY(types.at(2) != types.at(0));
    QCOMPARE(types.at(3), QStringLiteral("WENDLOCKZZ File"));
    QVERIFY(!list->topLevelItem(1)->icon(0).isNull());
    // Adding a row neither marks the project modified nor asks anything.
    QVERIFY(m_frame->modifiedCalls.isEmpty());
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
}

void PageFilesTest::duplicates_areDroppedByEveryRoute()
{
    const QString a = Make(QStringLiteral("site/a.html"));
    const QString b = Make(QStringLiteral("site/b.htm"));
    const QString upper = Make(QStringLiteral("site/A.html"));

    // AddFileToList: exact match only; letter case makes another row.
    QVERIFY(m_page->AddFileToList(a));
    QVERIFY(!m_page->AddFileToList(a));
    QVERIFY(m_page->AddFileToList(upper));

    // Add Files: a duplicate within the selection and one already listed.
    CFileDialog::SetNextFileNames({b + QLatin1Char('\n') + a + QLatin1Char('\n') + b});
    m_page->OnAddFiles();
    QCOMPARE(m_page->Paths(), (QStringList{a, upper, b}));
    QVERIFY(m_frame->WasModified());

    // Add Files with nothing new adds nothing and does not mark modified.
    m_frame->Reset();
    CFileDialog::SetNextFileNames({a});
    m_page->OnAddFiles();
    QVERIFY(!m_frame->WasModified());

    // Import: duplicates of rows and within the file, blanks and padding.
    const QString listFile = m_dir->path() + QStringLiteral("/in.lst");
    QVERIFY(WriteBytes(listFile, QFile::encodeName(QStringLiteral("  %1\t\r\n\r\n%2\r\n%1\r\n").arg(a, b))));
    CFileDialog::SetNextFileNames({listFile});
    m_page->OnImport();
    QCOMPARE(m_page->Paths(), (QStringList{a, upper, b}));
    QVERIFY(!m_frame->WasModified());

    // Add Folder twice: the second time adds nothing and marks nothing.
    const QString c = Make(QStringLiteral("site/sub/c.php"));
    QCOMPARE(m_page->AddFolder(m_dir->path() + QStringLiteral("/site"), true), 1);
    QVERIFY(m_frame->WasModified());
    QCOMPARE(m_page->Paths().last(), c);
    m_frame->Reset();
    QCOMPARE(m_page->AddFolder(m_dir->path() + QStringLiteral("/site/"), true), 0);
    QVERIFY(!m_frame->WasModified());

    // Loading a project whose list repeats a path keeps one row.
    CProject data;
    data.m_listFiles = QStringList{b, a, b, a};
    m_page->LoadFromProject(data);
    QCOMPARE(m_page->Paths(), (QStringList{b, a}));
    QCOMPARE(m_page->List()->topLevelItemCount(), 2);
}

void PageFilesTest::delete_withoutSelection_saysSoAndWithSelection_freesThePaths()
{
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths.append(m_dir->path() + QStringLiteral("/p%1.html").arg(i));
        QVERIFY(m_page->AddFileToList(paths.last()));
    }
    m_page->OnDelete();
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
    QCOMPARE(m_page->List()->topLevelItemCount(), 5);
    QVERIFY(!m_frame->WasModified());

    QTreeWidget* list = m_page->List();
    list->topLevelItem(1)->setSelected(true);
    list->topLevelItem(3)->setSelected(true);
    m_page->OnDelete();
    QCOMPARE(Column(list, 3), (QStringList{paths[0], paths[2], paths[4]}));
    QCOMPARE(m_page->Paths(), Column(list, 3));
    QVERIFY(m_frame->WasModified());
    // A deleted path may come back.
    QVERIFY(m_page->AddFileToList(paths[1]));
    QVERIFY(!m_page->AddFileToList(paths[2]));

    // A large selection takes the one-pass route; the rows must agree.
    for (int i = 0; i < 100; ++i) {
        m_page->AddFileToList(m_dir->path() + QStringLiteral("/many%1.html").arg(i));
    }
    for (int i = 0; i < list->topLevelItemCount(); i += 2) {
        list->topLevelItem(i)->setSelected(true);
    }
    const int before = list->topLevelItemCount();
    m_page->OnDelete();
    QCOMPARE(list->topLevelItemCount(), before / 2);
    QCOMPARE(m_page->Paths(), Column(list, 3));
    QVERIFY(m_page->AddFileToList(paths[0]));
}

void PageFilesTest::deleteAll_asksOnlyWhenThereIsSomethingToDelete()
{
    m_page->OnDeleteAll();
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
    QVERIFY(!m_frame->WasModified());

    const QString a = m_dir->path() + QStringLiteral("/a.html");
    QVERIFY(m_page->AddFileToList(a));
    CMessageBox::SetNextAnswers({QMessageBox::No});
    m_page->OnDeleteAll();
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("Are you sure to delete all items?")});
    QCOMPARE(m_page->List()->topLevelItemCount(), 1);
    QVERIFY(!m_frame->WasModified());

    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnDeleteAll();
    QCOMPARE(m_page->List()->topLevelItemCount(), 0);
    QVERIFY(m_page->Paths().isEmpty());
    QVERIFY(m_frame->WasModified());
    // Ctrl+Z on the page brings the list back, in its order.
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QTest::keySequence(m_page->List(), QKeySequence::Undo);
    QCOMPARE(m_page->Paths(), QStringList{a});
    QVERIFY(!m_page->AddFileToList(a));
}

void PageFilesTest::exportThenImport_reproducesTheRows()
{
    const QString out = m_dir->path() + QStringLiteral("/out.lst");
    // An empty list exports an empty file.
    CFileDialog::SetNextFileNames({out});
    m_page->OnExport();
    QVERIFY(QFileInfo::exists(out));
    QCOMPARE(ReadBytes(out), QByteArray());

    const QStringList paths{m_dir->path() + QStringLiteral("/z.html"),
                            m_dir->path() + QStringLiteral("/caf\u00E9.php"),
                            m_dir->path() + QStringLiteral("/a.htm")};
    for (const QString& path : paths) {
        QVERIFY(m_page->AddFileToList(path));
    }
    CFileDialog::SetNextFileNames({out});
    m_page->OnExport();
    QVERIFY(!m_frame->WasModified());
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
    QCOMPARE(ReadBytes(out), CListFile::Encode(paths));

    CFrameRecorder frame;
    CPageFiles fresh(&frame, m_preferences);
    CFileDialog::SetNextFileNames({out});
    fresh.OnImport();
    QCOMPARE(fresh.Paths(), paths);
    QCOMPARE(Column(fresh.List(), 3), paths);
    QVERIFY(frame.WasModified());

    // Cancel in either dialog ends the command quietly.
    CFileDialog::SetNextFileNames({QString(), QString()});
    fresh.OnImport();
    fresh.OnExport();
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
}

void PageFilesTest::importAndExport_badFilesChangeNothing()
{
    const QString a = m_dir->path() + QStringLiteral("/a.html");
    QVERIFY(m_page->AddFileToList(a));

    const QString missing = m_dir->path() + QStringLiteral("/missing.lst");
    CFileDialog::SetNextFileNames({missing});
    m_page->OnImport();
    QCOMPARE(CMessageBox::ShownTexts(),
             QStringList{
                 QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(missing)});
    QCOMPARE(m_page->Paths(), QStringList{a});
    QVERIFY(!m_frame->WasModified());

    // A file that cannot be written: refused, the old file kept.
    CMessageBox::ClearShownTexts();
    const QString out = m_dir->path() + QStringLiteral("/out.lst");
    QVERIFY(WriteBytes(out, "previous\r\n"));
    CFileDialog::SetNextFileNames({out + QStringLiteral("/inside")});
    m_page->OnExport();
    QCOMPARE(CMessageBox::ShownTexts().size(), 1);
    QVERIFY(CMessageBox::ShownTexts().first().startsWith(QStringLiteral("Create file")));
    QCOMPARE(ReadBytes(out), QByteArray("previous\r\n"));

    // A path beyond Latin-1 makes the list UTF-8, and it reads back.
    CMessageBox::ClearShownTexts();
    const QString wide = m_dir->path() + QStringLiteral("/\u65E5\u672C.html");
    QVERIFY(m_page->AddFileToList(wide));
    CFileDialog::SetNextFileNames({out});
    m_page->OnExport();
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
    QVERIFY(ReadBytes(out).startsWith("\xEF\xBB\xBF"));
    QStringList read;
    QVERIFY(CListFile::Read(out, read));
    QCOMPARE(read, (QStringList{a, wide}));
}

void PageFilesTest::restore_reportsTheCountAndPutsBackupsBack()
{
    m_page->OnRestore();
    QCOMPARE(CMessageBox::ShownTexts(),
             QStringList{QStringLiteral("Please add files to the list to be restored! Add "
                                        "web files instead of \"*.original\" backup "
                                        "files.")});

    const QString a = Make(QStringLiteral("a.html"), "protected a");
    const QString b = Make(QStringLiteral("b.html"), "protected b");
    QVERIFY(m_page->AddFileToList(a));
    QVERIFY(m_page->AddFileToList(b));
    const QString question = QStringLiteral(
        "This will replace the files in the list with their backup files \"*.original\"! Do you want "
        "to continue?");

    // No backups at all: the count is 0, and it is still reported.
    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnRestore();
    QTRY_VERIFY(!m_page->IsRestoring());
    QCOMPARE(CMessageBox::ShownTexts(),
             (QStringList{question, QStringLiteral("0 files have been restored!")}));

    // Only Yes goes on, and only over pages that carry protection.
    QVERIFY(WriteBytes(a, ProtectedPage("a")));
    QVERIFY(WriteBytes(a + QStringLiteral(".original"), "original a"));
    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({QMessageBox::No});
    m_page->OnRestore();
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{question});
    QCOMPARE(ReadBytes(a), ProtectedPage("a"));

    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnRestore();
    QTRY_VERIFY(!m_page->IsRestoring());
    QCOMPARE(CMessageBox::ShownTexts(),
             (QStringList{question, QStringLiteral("1 files have been restored!")}));
    QCOMPARE(ReadBytes(a), QByteArray("original a"));
    QVERIFY(!QFileInfo::exists(a + QStringLiteral(".original")));
    QCOMPARE(ReadBytes(b), QByteArray("protected b"));

    // A protected page without a backup is named with the reason.
    QVERIFY(WriteBytes(b, ProtectedPage("b")));
    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnRestore();
    QTRY_VERIFY(!m_page->IsRestoring());
    QCOMPARE(
        CMessageBox::ShownTexts(),
        (QStringList{question,
                     QStringLiteral("0 files have been restored!\n\nNot restored:\n%1: No backup").arg(b)}));
    QCOMPARE(ReadBytes(b), ProtectedPage("b"));
    // The list and the project's modified flag stay as they were.
    QCOMPARE(m_page->Paths(), (QStringList{a, b}));
    QVERIFY(!m_frame->WasModified());
}

// Each row tells whether its file is protected, plain or missing, read
// again after a run changed the files; the page counts the listed files.
void PageFilesTest::stateColumnAndCount_followTheFiles()
{
    const QString plain = Make(QStringLiteral("plain.html"), "<html><head></head><body>a</body></html>");
    const QString locked = Make(QStringLiteral("locked.html"), ProtectedPage("b"));
    const QString gone = m_dir->path() + QStringLiteral("/gone.html");
    for (const QString& path : {plain, locked, gone}) {
        QVERIFY(m_page->AddFileToList(path));
    }
    auto* count = m_page->findChild<QLabel*>(QStringLiteral("filesCount"));
    QVERIFY(count);
    QTRY_COMPARE(count->text(), QStringLiteral("3 file(s) listed"));
    QTreeWidget* list = m_page->List();
    QCOMPARE(list->headerItem()->text(4), QStringLiteral("State"));
    const auto states = [list] {
        QStringList shown;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            shown.append(list->topLevelItem(i)->text(4));
        }
        return shown;
    };
    QCOMPARE(states(),
             (QStringList{QStringLiteral("plain"), QStringLiteral("protected"), QStringLiteral("missing")}));
    QVERIFY(WriteBytes(plain, ProtectedPage("a")));
    QVERIFY(WriteBytes(gone, "<html></html>"));
    QCOMPARE(states().first(), QStringLiteral("plain"));
    m_page->RefreshSizes();
    QCOMPARE(states(), (QStringList{QStringLiteral("protected"), QStringLiteral("protected"),
                                    QStringLiteral("plain")}));
    m_page->LoadFromProject(CProject());
    QTRY_COMPARE(count->text(), QStringLiteral("0 file(s) listed"));
}

QByteArray PageFilesTest::ProtectedPage(const char* body)
{
    // The frame every page writer produces around a page.
    return QByteArray("<html><head></head><SCRIPT type=\"text/javascript\">function KillError(){return true;}"
                      "window.onerror=KillError;</SCRIPT>\r\n<SCRIPT type=\"text/javascript\">\r\n"
                      "var LoginExpireType=1;var vxpa=new Array(\"x\");</SCRIPT>\r\n</HEAD>\r\n<body>") +
           body + "</body>\r\n<!-- Protected by Wendlock 2.4 -->\r\n";
}

void PageFilesTest::contextMenu_greysRowEntriesOnEmptySpaceAndShowsPrompts()
{
    const std::unique_ptr<QMenu> empty = m_page->CreateContextMenu(false);
    QCOMPARE(empty->objectName(), QStringLiteral("FilesListPop"));
    const QList<QAction*> top = Entries(empty.get());
    QStringList texts;
    for (QAction* action : top) {
        texts.append(action->text());
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("&Add Files..."), QStringLiteral("Add &Folder..."),
                                 QStringLiteral("&Delete"), QStringLiteral("De&lete All..."),
                                 QStringLiteral("&Import..."), QStringLiteral("&Export..."),
                                 QStringLiteral("&Restore..."), QStringLiteral("&Shell")}));
    QCOMPARE(empty->actions().size(), 11);
    for (QAction* action : top) {
        QCOMPARE(action->isEnabled(), action->text() != QStringLiteral("&Delete"));
    }
    QMenu* shell = top.last()->menu();
    QVERIFY(shell);
    QCOMPARE(Entries(shell).size(), 5);
    for (QAction* action : Entries(shell)) {
        QVERIFY(!action->isEnabled());
    }

    const std::unique_ptr<QMenu> onRow = m_page->CreateContextMenu(true);
    for (QAction* action : Entries(onRow.get())) {
        QVERIFY(action->isEnabled());
    }
    QMenu* rowShell = Entries(onRow.get()).last()->menu();
    for (QAction* action : Entries(rowShell)) {
        QVERIFY(action->isEnabled());
    }

    // Hovering puts the prompt in the status bar; closing clears it.
    emit onRow->hovered(Entries(onRow.get()).at(3));
    emit rowShell->hovered(Entries(rowShell).at(3));
    onRow->show();
    onRow->hide();
    QCOMPARE(m_frame->prompts, (QStringList{QStringLiteral("Delete all items from the list"),
                                            QStringLiteral("Open folder of the selected file"), QString()}));

    // An entry runs its command: Delete All on an empty list asks nothing.
    Entries(onRow.get()).at(3)->trigger();
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
}

void PageFilesTest::shellEntriesAndDoubleClick_actOnTheSelectedRow()
{
    const QString a = m_dir->path() + QStringLiteral("/site/a.html");
    const QString b = m_dir->path() + QStringLiteral("/site/b.html");
    QVERIFY(m_page->AddFileToList(a));
    QVERIFY(m_page->AddFileToList(b));

    const std::unique_ptr<QMenu> menu = m_page->CreateContextMenu(true);
    QMenu* shell = Entries(menu.get()).last()->menu();
    Entries(shell).at(0)->trigger();
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
    QVERIFY(m_shellCalls.isEmpty());

    m_page->List()->topLevelItem(1)->setSelected(true);
    for (QAction* action : Entries(shell)) {
        action->trigger();
    }
    QCOMPARE(m_shellCalls.size(), 5);
    for (const QString& call : m_shellCalls) {
        QVERIFY2(call.contains(QStringLiteral("/site/")), qPrintable(call));
    }
    QVERIFY2(m_shellCalls.first().endsWith(b), qPrintable(m_shellCalls.first()));

    m_shellCalls.clear();
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QTreeWidget* list = m_page->List();
    list->clearSelection();
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    // A double click comes after the first click of the pair.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QCOMPARE(m_shellCalls.size(), 1);
    QVERIFY2(m_shellCalls.first().endsWith(a), qPrintable(m_shellCalls.first()));
    // Double click on empty space does nothing.
    const QPoint empty(row.center().x(), list->viewport()->height() - 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    QCOMPARE(m_shellCalls.size(), 1);
}

void PageFilesTest::project_loadSaveAndValidate()
{
    QVERIFY(!m_page->ValidateForProtect());
    QCOMPARE(
        CMessageBox::ShownTexts(),
        QStringList{QStringLiteral("No files have been added to protect! Please add files to list before "
                                   "protect.")});

    CProject data;
    data.m_bBackup = false;
    data.m_listFiles = QStringList{QStringLiteral("/x/one.html"), QStringLiteral("/x/two.php")};
    m_page->LoadFromProject(data);
    QVERIFY(!m_page->BackupCheck()->isChecked());
    QCOMPARE(Column(m_page->List(), 3), data.m_listFiles);
    QVERIFY(m_frame->modifiedCalls.isEmpty());
    QVERIFY(m_page->ValidateForProtect());

    // The check box only marks the project modified; the record follows on save.
    m_page->BackupCheck()->click();
    QVERIFY(m_frame->WasModified());
    QVERIFY(m_page->AddFileToList(QStringLiteral("/x/three.htm")));
    CProject saved;
    saved.m_listFiles = QStringList{QStringLiteral("stale")};
    m_page->SaveToProject(saved);
    QCOMPARE(saved.m_bBackup, true);
    QCOMPARE(saved.m_listFiles, (QStringList{QStringLiteral("/x/one.html"), QStringLiteral("/x/two.php"),
                                             QStringLiteral("/x/three.htm")}));

    // Loading replaces every row.
    data.m_listFiles = QStringList{QStringLiteral("/y/only.html")};
    m_page->LoadFromProject(data);
    QCOMPARE(m_page->Paths(), data.m_listFiles);
    QVERIFY(m_page->AddFileToList(QStringLiteral("/x/one.html")));
}

void PageFilesTest::addFolder_scansWhatWasTypedAndKeepsTheRecursiveChoice()
{
    const QString site = m_dir->path() + QStringLiteral("/site");
    const QString top = Make(QStringLiteral("site/index.html"));
    const QString sub = Make(QStringLiteral("site/sub/page.php"));
    Make(QStringLiteral("site/style.css"));
    const CAppPreferences& preferences = m_preferences;

    // Not recursive, typed with a trailing backslash: only the top file.
    {
        const auto answer = CFolderAnswer::Type(site + QLatin1Char('\\'), false);
        m_page->OnAddFolder();
        QCOMPARE(answer->Seen(), 1);
    }
    QCOMPARE(m_page->Paths(), QStringList{top});
    QCOMPARE(preferences.m_bAddFolderRecursive, false);
    QVERIFY(m_frame->WasModified());
    // The history keeps the folder exactly as typed.
    QStringList history;
    QVERIFY(
        CListFile::Read(preferences.m_strPreferencesFolder + QStringLiteral("filesaddfolder.lst"), history));
    QCOMPARE(history, QStringList{site + QLatin1Char('\\')});

    // Cancel leaves the previous choice in force and adds nothing.
    {
        const CFolderAnswer answer([](CAddFolderDlg& dialog) {
            QVERIFY(!dialog.RecursiveCheck()->isChecked());
            QCOMPARE(dialog.FolderCombo()->currentText(), QString());
            QCOMPARE(dialog.FolderCombo()->count(), 1);
            dialog.RecursiveCheck()->setChecked(true);
            dialog.reject();
        });
        m_page->OnAddFolder();
        QCOMPARE(answer.Seen(), 1);
    }
    QCOMPARE(preferences.m_bAddFolderRecursive, false);

    // OK with an empty folder keeps the new choice and adds nothing.
    {
        const auto answer = CFolderAnswer::Type(QString(), true);
        m_page->OnAddFolder();
    }
    QCOMPARE(preferences.m_bAddFolderRecursive, true);
    QCOMPARE(m_page->Paths(), QStringList{top});

    // Recursive, typed with a trailing slash: the subfolder's file joins.
    m_frame->Reset();
    {
        const auto answer = CFolderAnswer::Type(site + QLatin1Char('/'), true);
        m_page->OnAddFolder();
    }
    QCOMPARE(m_page->Paths(), (QStringList{top, sub}));
    QVERIFY(m_frame->WasModified());
}

void PageFilesTest::layout_columnsShareTheWidthAndF1OpensPageHelp()
{
    for (int i = 0; i < 40; ++i) {
        m_page->AddFileToList(m_dir->path() +
                              QStringLiteral("/a-rather-long-folder-name/page%1.html").arg(i));
    }
    m_page->resize(760, 500);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QTreeWidget* list = m_page->List();
    QHeaderView* header = list->header();
    const int width = list->viewport()->width();
    QCOMPARE(header->sectionSize(0), width * 200 / 820);
    QCOMPARE(header->sectionSize(3), width * 340 / 820 - 10);
    QCOMPARE(header->sectionSize(4), width * 80 / 820);
    QVERIFY(header->length() <= width);
    QVERIFY(!list->horizontalScrollBar()->isVisible());

    // The check box and Restore sit under the list; Restore lines up with
    // the list's right edge.
    const QRect listRect = list->geometry();
    QPushButton* restore = m_page->findChild<QPushButton*>(QStringLiteral("restoreButton"));
    QVERIFY(restore);
    QVERIFY(m_page->BackupCheck()->geometry().top() > listRect.bottom());
    QCOMPARE(restore->geometry().right(), listRect.right());

    const QString grabs = qEnvironmentVariable("WENDLOCK_GRAB_DIR");
    if (!grabs.isEmpty()) {
        m_page->grab().save(grabs + QStringLiteral("/page-files.png"));
    }

    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    QCOMPARE(m_frame->helpTopics, QList<HelpTopic>{HelpTopic::Files});
}

void PageFilesTest::longAdditions_showProgressAndCanBeCancelled()
{
    m_page->show();
    {
        CAddProgress quick(m_page.get(), m_page->List()->viewport(), QStringLiteral("Quick"), 10, true);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(quick.Step(i % 2 == 0));
        }
        QCOMPARE(quick.Added(), 5);
        // Work that ends at once shows no dialog.
        QVERIFY(!m_page->findChild<QProgressDialog*>());
    }

    CAddProgress slow(m_page.get(), m_page->List()->viewport(), QStringLiteral("Slow"), 0, true);
    QVERIFY(slow.Step(true));
    QTest::qWait(CAddProgress::DialogDelayMs + 50);
    QVERIFY(slow.Poll(QStringLiteral("/srv/site/")));
    auto* dialog = m_page->findChild<QProgressDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->labelText().contains(QStringLiteral("/srv/site/")));
    dialog->cancel();
    QVERIFY(!slow.Poll(QString()));
    QVERIFY(!slow.Step(true));
    QVERIFY(slow.WasCancelled());
}

QTEST_MAIN(PageFilesTest)
#include "PageFilesTest.moc"
