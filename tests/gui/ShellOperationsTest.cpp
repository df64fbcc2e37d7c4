#include "gui/frame/ShellOperations.h"

#include "gui/frame/DesktopApplications.h"
#include "gui/frame/FilePropertiesDialog.h"
#include "gui/frame/HelpTopics.h"
#include "gui/frame/OpenWithDialog.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>

namespace {

void WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.write(text);
}

QStringList Names(const QList<CDesktopApplications::Entry>& entries)
{
    QStringList names;
    for (const CDesktopApplications::Entry& entry : entries) {
        names.append(entry.name);
    }
    return names;
}

} // namespace

class ShellOperationsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_calls;
    // GIO reads the desktop's folders once per process, so a process sees
    // one desktop: the one with applications, or (with
    // WENDLOCK_TEST_EMPTY_DESKTOP set) one without any.
    bool m_emptyDesktop = false;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // What the last started application got on its command line, one
    // argument a line.
    QString LaunchedFile() const { return Path(QStringLiteral("launched")); }

    void Record()
    {
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_calls.append(action + QLatin1Char(' ') + target);
        });
    }

    // The arguments the last started application got.
    QStringList LaunchedArguments() const
    {
        QFile file(LaunchedFile());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The program every desktop entry starts: it writes its arguments to
    // LaunchedFile() (renamed into place, so the test never reads half of
    // it).
    void WriteRecorder(const QString& path)
    {
        const QString out = LaunchedFile();
        WriteText(path, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.part' && mv '%1.part' '%1'\n")
                            .arg(out)
                            .toUtf8());
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A desktop with web-page viewers (the user's own copy of one, a nested
    // one, a hidden one), a text editor and two log tools, one of them for
    // a terminal: the user chose the viewer for pages and the editor for
    // text, added the log tool for pages and removed the nested viewer.
    void WriteDesktop(const QString& root)
    {
        const QByteArray record = Path(QStringLiteral("bin/record")).toUtf8();
        WriteRecorder(QString::fromUtf8(record));
        const QString apps = root + QLatin1String("/system-data/applications/");
        WriteText(apps + QLatin1String("viewer.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Page Viewer\nExec=" + record +
                      " pageviewer %U\nMimeType=text/html;application/xhtml+xml;\n");
        WriteText(apps + QLatin1String("editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Text Editor\nIcon=accessories-text-editor\nExec=" +
                      record + " editor %f\nMimeType=text/plain;\n");
        WriteText(apps + QLatin1String("sub/nested.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Nested\nExec=" + record +
                      " nested %f\nMimeType=text/html;\n");
        WriteText(apps + QLatin1String("hidden.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\nExec=" + record +
                      "\nMimeType=text/html;\n");
        WriteText(apps + QLatin1String("logtool.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Log Tool\nIcon=" +
                      Path(QStringLiteral("log.png")).toUtf8() + "\nExec=" + record +
                      " --log %F\nMimeType=text/x-log;\n");
        WriteText(apps + QLatin1String("term.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Term Tool\nTerminal=true\nExec=" + record +
                      " term %f\nMimeType=text/x-log;\n");
        // Which applications declare which types, as the packaging tools
        // (update-desktop-database) index them for GIO.
        WriteText(apps + QLatin1String("mimeinfo.cache"),
                  "[MIME Cache]\ntext/html=viewer.desktop;sub-nested.desktop;hidden.desktop;\n"
                  "application/xhtml+xml=viewer.desktop;\ntext/plain=editor.desktop;\n"
                  "text/x-log=logtool.desktop;term.desktop;\n");
        WriteText(root + QLatin1String("/home-data/applications/mimeinfo.cache"),
                  "[MIME Cache]\ntext/html=viewer.desktop;\n");
        // The user's own copy of the viewer wins over the system's.
        WriteText(root + QLatin1String("/home-data/applications/viewer.desktop"),
                  "[Desktop Entry]\nType=Application\nName=My Viewer\nExec=" + record +
                      " myviewer %u\nMimeType=text/html;\n");
        WriteText(
            root + QLatin1String("/config/mimeapps.list"),
            "[Default Applications]\ntext/html=missing.desktop;viewer.desktop;\ntext/plain=editor.desktop\n"
            "[Added Associations]\ntext/html=logtool.desktop;\n"
            "[Removed Associations]\ntext/html=sub-nested.desktop;\n");
    }

private slots:
    void initTestCase()
    {
        // Before anything asks GIO: it keeps the folders it first saw.
        QVERIFY(m_dir.isValid());
        m_emptyDesktop = qEnvironmentVariableIsSet("WENDLOCK_TEST_EMPTY_DESKTOP");
        const QString root = Path(m_emptyDesktop ? QStringLiteral("empty") : QStringLiteral("desktop"));
        qputenv("XDG_DATA_HOME", (root + QLatin1String("/home-data")).toUtf8());
        qputenv("XDG_DATA_DIRS", (root + QLatin1String("/system-data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + QLatin1String("/config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root + QLatin1String("/system-config")).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        // The file types themselves still come from the system's database.
        QDir().mkpath(root + QLatin1String("/system-data"));
        QFile::link(QStringLiteral("/usr/share/mime"), root + QLatin1String("/system-data/mime"));
        if (!m_emptyDesktop) {
            WriteDesktop(root);
        }
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    // Every test starts with the recorder in place of the desktop; the
    // launch tests take it away.
    void init()
    {
        Record();
        m_calls.clear();
        CMessageBox::ClearShownTexts();
    }

    void folderOf_pathRules()
    {
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("C:\\site\\index.htm")),
                 QStringLiteral("C:\\site\\"));
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("C:/site/a.htm")), QStringLiteral("C:/site/"));
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("a.htm")), QStringLiteral("a.htm/"));
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("/srv/site/")), QStringLiteral("/srv/site/"));
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("/srv/a\\b/c.htm")), QStringLiteral("/srv/a\\b/"));
        QCOMPARE(CShellOperations::FolderOf(QStringLiteral("/srv/a/b\\c.htm")), QStringLiteral("/srv/a/b\\"));
        CShellOperations::OpenFolder(nullptr, QString());
        QVERIFY(m_calls.isEmpty());
    }

    void applicationsForType_defaultRecommendedThenParents()
    {
        QCOMPARE(Names(CDesktopApplications::ForMimeType(QStringLiteral("text/html"))),
                 QStringList({QStringLiteral("My Viewer"), QStringLiteral("Log Tool"),
                              QStringLiteral("Text Editor")}));
        CDesktopApplications::Entry entry;
        QVERIFY(CDesktopApplications::DefaultFor(QStringLiteral("text/plain"), &entry));
        QCOMPARE(entry.id, QStringLiteral("editor.desktop"));
        QCOMPARE(entry.icon, QStringLiteral("accessories-text-editor"));
        // A log is text: without a choice for logs, the tool that declares
        // the type comes first, then the editor of the parent type.
        const QList<CDesktopApplications::Entry> logApps =
            CDesktopApplications::ForMimeType(QStringLiteral("text/x-log"));
        QCOMPARE(Names(logApps), QStringList({QStringLiteral("Log Tool"), QStringLiteral("Term Tool"),
                                              QStringLiteral("Text Editor")}));
        QCOMPARE(logApps.first().icon, Path(QStringLiteral("log.png")));
        QVERIFY(!CDesktopApplications::DefaultFor(QStringLiteral("application/x-wendlock-unknown"), nullptr));
    }

    void run_withoutSelection_says_andWithSeveral_takesTopmost()
    {
        QTreeWidget list;
        list.setColumnCount(2);
        list.setSelectionMode(QAbstractItemView::MultiSelection);
        for (const char* name : {"one.html", "two.html", "three.html"}) {
            new QTreeWidgetItem(&list, {QLatin1String(name), QStringLiteral("/site/") + QLatin1String(name)});
        }
        CShellOperations::Run(CShellOperations::Operation::Properties, &list, &list, 1);
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
        QVERIFY(m_calls.isEmpty());

        list.topLevelItem(2)->setSelected(true);
        list.topLevelItem(1)->setSelected(true);
        CShellOperations::Run(CShellOperations::Operation::Properties, &list, &list, 1);
        CShellOperations::Run(CShellOperations::Operation::OpenFolder, &list, &list, 1);
        QCOMPARE(m_calls,
                 QStringList({QStringLiteral("properties /site/two.html"), QStringLiteral("folder /site/")}));
    }

    void openAndEdit_useTheDesktopsChoice_orFallBackToOpenWith()
    {
        const QString page = Path(QStringLiteral("page.html"));
        WriteText(page, "<html><body>x</body></html>");
        const QString blob = Path(QStringLiteral("data.wlx"));
        WriteText(blob, QByteArray("\x00\x01\x02\x03", 4));
        CShellOperations::Open(nullptr, page);
        CShellOperations::Open(nullptr, blob);
        CShellOperations::Edit(nullptr, page);
        // The unknown type was reported before Open with came up.
        QCOMPARE(m_calls, QStringList({QStringLiteral("open ") + page, QStringLiteral("openwith ") + blob,
                                       QStringLiteral("edit ") + page}));
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY2(CMessageBox::ShownTexts().first().startsWith(
                     QStringLiteral("Cannot open \"%1\": no program is set "
                                    "to open files of type ")
                         .arg(blob)),
                 qPrintable(CMessageBox::ShownTexts().first()));
    }

    // Real launches of the chosen programs: the file reaches each as one
    // argument, after the arguments its desktop entry gives, whatever
    // blanks its name holds.
    void launch_handsTheFileToTheProgram()
    {
        const QString page = Path(QStringLiteral("my site/a b.html"));
        WriteText(page, "<html></html>");
        CShellOperations::SetRecorderForTests({});
        QStringList arguments;
        const auto launch = [&](const std::function<void()>& action) {
            QFile::remove(LaunchedFile());
            arguments.clear();
            action();
            QTRY_VERIFY(QFile::exists(LaunchedFile()));
            arguments = LaunchedArguments();
        };
        launch([&] { CShellOperations::Open(nullptr, page); });
        QCOMPARE(arguments, QStringList({QStringLiteral("myviewer"), page}));
        launch([&] { CShellOperations::Edit(nullptr, page); });
        QCOMPARE(arguments, QStringList({QStringLiteral("editor"), page}));
        COpenWithDialog dialog(page);
        dialog.ApplicationList()->setCurrentRow(1);
        launch([&] { QVERIFY(dialog.LaunchSelected()); });
        QCOMPARE(arguments, QStringList({QStringLiteral("--log"), page}));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList());
    }

    void failedLaunches_sayWhichFileAndWhy()
    {
        const QString page = Path(QStringLiteral("page.html"));
        WriteText(page, "<html><body>x</body></html>");
        CShellOperations::SetLaunchResultForTests(false);
        CShellOperations::Open(nullptr, page);
        CShellOperations::Edit(nullptr, page);
        // Help: a page nothing opens, and one that is missing.
        const QString help = CHelpTopics::FilePath(HelpTopic::AddFolder);
        CShellOperations::Open(nullptr, Path(QStringLiteral("gone.html")));
        CHelpTopics::Show(HelpTopic::AddFolder);
        CShellOperations::SetLaunchResultForTests(true);
        const QStringList said = CMessageBox::ShownTexts();
        QCOMPARE(said.size(), 4);
        QCOMPARE(said.at(0),
                 QStringLiteral("Cannot open \"%1\": the program set for its type could not be started.")
                     .arg(page));
        QCOMPARE(said.at(1),
                 QStringLiteral("Cannot edit \"%1\": the text editor \"Text Editor\" could not be started.")
                     .arg(page));
        QCOMPARE(said.at(2), QStringLiteral("Cannot open \"%1\": the file was not found.")
                                 .arg(Path(QStringLiteral("gone.html"))));
        QVERIFY2(said.at(3).startsWith(QStringLiteral("Cannot open the help page \"%1\": ").arg(help)),
                 qPrintable(said.at(3)));

        // A program the desktop cannot start: one that runs in a terminal
        // when no terminal emulator is found. The desktop's reason follows.
        CMessageBox::ClearShownTexts();
        const QString log = Path(QStringLiteral("notes.log"));
        WriteText(log, "x\n");
        COpenWithDialog dialog(log);
        dialog.ApplicationList()->setCurrentRow(1);
        QCOMPARE(dialog.ApplicationList()->currentItem()->text(), QStringLiteral("Term Tool"));
        CShellOperations::SetRecorderForTests({});
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_dir.path().toUtf8());
        const bool started = dialog.LaunchSelected();
        qputenv("PATH", path);
        QVERIFY(!started);
        const QString prefix =
            QStringLiteral("Cannot open \"%1\": the program \"Term Tool\" could not be started: ").arg(log);
        const QString text = CMessageBox::ShownTexts().value(0);
        QVERIFY2(text.startsWith(prefix) && text.size() > prefix.size() + 1, qPrintable(text));
    }

    void openWithDialog_listsApplications_andStartsTheChosenOne()
    {
        const QString page = Path(QStringLiteral("page.html"));
        WriteText(page, "<html></html>");
        COpenWithDialog dialog(page);
        QListWidget* list = dialog.ApplicationList();
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(2)->text(), QStringLiteral("Text Editor"));
        QCOMPARE(list->item(dialog.OtherProgramRow())->text(), QStringLiteral("Other program..."));

        list->setCurrentRow(2);
        QVERIFY(dialog.LaunchSelected());
        list->setCurrentRow(dialog.OtherProgramRow());
        CFileDialog::SetNextFileNames({QStringLiteral("/usr/bin/true")});
        QVERIFY(dialog.LaunchSelected());
        CFileDialog::SetNextFileNames({QString()});
        QVERIFY(!dialog.LaunchSelected());
        QCOMPARE(m_calls, QStringList({QStringLiteral("app editor.desktop ") + page,
                                       QStringLiteral("launch /usr/bin/true ") + page}));

        CShellOperations::SetLaunchResultForTests(false);
        list->setCurrentRow(0);
        QVERIFY(!dialog.LaunchSelected());
        QCOMPARE(
            CMessageBox::ShownTexts(),
            QStringList{QStringLiteral("Cannot open \"%1\": the program \"My Viewer\" could not be started.")
                            .arg(page)});
        CShellOperations::SetLaunchResultForTests(true);
    }

    // Runs alone, on the empty desktop (see tests/CMakeLists.txt).
    void withoutApplications_openAndEditSayWhy_andOfferOpenWith()
    {
        if (!m_emptyDesktop) {
            QSKIP("needs the desktop without applications (WENDLOCK_TEST_EMPTY_DESKTOP)");
        }
        QVERIFY(CDesktopApplications::ForMimeType(QStringLiteral("text/html")).isEmpty());
        const QString page = Path(QStringLiteral("page.html"));
        WriteText(page, "<html><body>x</body></html>");
        CShellOperations::SetLaunchResultForTests(false);
        CShellOperations::Open(nullptr, page);
        CShellOperations::Edit(nullptr, page);
        CShellOperations::SetLaunchResultForTests(true);
        QCOMPARE(m_calls,
                 QStringList({QStringLiteral("openwith ") + page, QStringLiteral("openwith ") + page}));
        const QStringList said = CMessageBox::ShownTexts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(
            said.at(0).startsWith(
                QStringLiteral("Cannot open \"%1\": no program is set to open files of type \"").arg(page)) &&
                said.at(0).endsWith(QStringLiteral("(text/html).")),
            qPrintable(said.at(0)));
        QVERIFY2(
            said.at(1).startsWith(QStringLiteral("Cannot edit \"%1\": no text editor is set").arg(page)) &&
                said.at(1).contains(QStringLiteral("text/plain")),
            qPrintable(said.at(1)));
        COpenWithDialog dialog(page);
        QCOMPARE(dialog.ApplicationList()->count(), 1);
        QCOMPARE(dialog.OtherProgramRow(), 0);
    }

    void propertiesDialog_showsFileFacts()
    {
        const QString path = Path(QStringLiteral("facts.html"));
        WriteText(path, QByteArray(2500, 'a'));
        QFile::setPermissions(path,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        CFilePropertiesDialog dialog(path);
        QCOMPARE(dialog.FieldText(QStringLiteral("name")), QStringLiteral("facts.html"));
        QVERIFY(dialog.FieldText(QStringLiteral("type")).endsWith(QLatin1String("(text/html)")));
        QCOMPARE(dialog.FieldText(QStringLiteral("folder")), m_dir.path());
        QVERIFY(dialog.FieldText(QStringLiteral("size"))
                    .startsWith(QLocale().toString(qint64(2500)) + QLatin1String(" bytes (")));
        QCOMPARE(dialog.FieldText(QStringLiteral("permissions")), QStringLiteral("rw-r----- (640)"));
        QVERIFY(!dialog.FieldText(QStringLiteral("modified")).isEmpty());
        QVERIFY(dialog.FieldText(QStringLiteral("owner")).contains(QLatin1String(", group ")));

        CFilePropertiesDialog missing(Path(QStringLiteral("gone.htm")));
        QCOMPARE(missing.FieldText(QStringLiteral("name")), QStringLiteral("gone.htm"));
        QVERIFY(missing.FieldText(QStringLiteral("type")).contains(QLatin1String("text/html")));
        QCOMPARE(missing.FieldText(QStringLiteral("size")), QStringLiteral("(the file does not exist)"));
    }
};

QTEST_MAIN(ShellOperationsTest)
#include "ShellOperationsTest.moc"
