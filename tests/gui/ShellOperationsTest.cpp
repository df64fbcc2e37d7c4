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

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // A desktop with three web-page programs and a text editor:
    // the user chose the viewer for pages and the editor for text, added the
    // terminal tool for pages and removed the nested viewer.
    void UseDesktop(bool withApplications)
    {
        const QString root =
            withApplications ? Path(QStringLiteral("desktop")) : Path(QStringLiteral("empty"));
        qputenv("XDG_DATA_HOME", (root + QLatin1String("/home-data")).toUtf8());
        qputenv("XDG_DATA_DIRS", (root + QLatin1String("/system-data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + QLatin1String("/config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root + QLatin1String("/system-config")).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        // The file types themselves still come from the system's database.
        QDir().mkpath(root + QLatin1String("/system-data"));
        QFile::link(QStringLiteral("/usr/share/mime"), root + QLatin1String("/system-data/mime"));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        MessageBox::SetTestMode(true);
        FileDialog::SetTestMode(true);
        QVERIFY(m_dir.isValid());
        const QString apps = Path(QStringLiteral("desktop/system-data/applications/"));
        WriteText(apps + QLatin1String("viewer.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Page Viewer\nExec=viewer --new-window %U\n"
                  "MimeType=text/html;application/xhtml+xml;\n");
        WriteText(apps + QLatin1String("editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Text Editor\nIcon=accessories-text-editor\n"
                  "Exec=\"/opt/my editor/edit\" %f\nMimeType=text/plain;\n");
        WriteText(apps + QLatin1String("sub/nested.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Nested\nExec=nested %f\nMimeType=text/html;\n");
        WriteText(apps + QLatin1String("hidden.desktop"),
                  "[Desktop "
                  "Entry]\nType=Application\nName=Hidden\nHidden=true\nExec=hidden\nMimeType=text/html;\n");
        WriteText(apps + QLatin1String("term.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Term Tool\nExec=vi\nTerminal=true\n"
                  "MimeType=text/x-log;\n[Desktop Action other]\nName=Other\nExec=other\n");
        // The user's own copy of the viewer wins over the system's.
        WriteText(
            Path(QStringLiteral("desktop/home-data/applications/viewer.desktop")),
            "[Desktop Entry]\nType=Application\nName=My Viewer\nExec=myviewer %u\nMimeType=text/html;\n");
        WriteText(
            Path(QStringLiteral("desktop/config/mimeapps.list")),
            "[Default Applications]\ntext/html=missing.desktop;viewer.desktop;\ntext/plain=editor.desktop\n"
            "[Added Associations]\ntext/html=term.desktop;\n"
            "[Removed Associations]\ntext/html=sub-nested.desktop;\n");
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_calls.append(action + QLatin1Char(' ') + target);
        });
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    void init()
    {
        m_calls.clear();
        MessageBox::ClearShownTexts();
        UseDesktop(true);
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

    void applicationsForType_defaultAddedDeclaredThenParents()
    {
        QCOMPARE(Names(CDesktopApplications::ForMimeType(QStringLiteral("text/html"))),
                 QStringList({QStringLiteral("My Viewer"), QStringLiteral("Term Tool"),
                              QStringLiteral("Text Editor")}));
        CDesktopApplications::Entry entry;
        QVERIFY(CDesktopApplications::DefaultFor(QStringLiteral("text/plain"), &entry));
        QCOMPARE(entry.id, QStringLiteral("editor.desktop"));
        // A log is text: the editor, found through the parent type, comes
        // after the tool that declares the type itself.
        QVERIFY(CDesktopApplications::DefaultFor(QStringLiteral("text/x-log"), &entry));
        QCOMPARE(entry.name, QStringLiteral("Term Tool"));
        QVERIFY(!CDesktopApplications::DefaultFor(QStringLiteral("application/x-wendlock-unknown"), nullptr));
        UseDesktop(false);
        QVERIFY(CDesktopApplications::ForMimeType(QStringLiteral("text/html")).isEmpty());
    }

    void commandLine_fillsFieldCodesAndQuotes()
    {
        const QList<CDesktopApplications::Entry> apps =
            CDesktopApplications::ForMimeType(QStringLiteral("text/html"));
        const QString page = QStringLiteral("/srv/my site/a.html");
        QCOMPARE(CDesktopApplications::CommandLine(apps.at(0), page),
                 QStringList({QStringLiteral("myviewer"), QStringLiteral("file:///srv/my%20site/a.html")}));
        QCOMPARE(CDesktopApplications::CommandLine(apps.at(1), page),
                 QStringList({QStringLiteral("x-terminal-emulator"), QStringLiteral("-e"),
                              QStringLiteral("vi"), page}));
        QCOMPARE(CDesktopApplications::CommandLine(apps.at(2), page),
                 QStringList({QStringLiteral("/opt/my editor/edit"), page}));

        CDesktopApplications::Entry entry;
        entry.name = QStringLiteral("Tool");
        entry.icon = QStringLiteral("tool-icon");
        entry.filePath = QStringLiteral("/apps/tool.desktop");
        entry.exec = QStringLiteral("tool %i --title=%c --from=%k --pct=100%% \"a \\\"q\\\" b\" %F %d");
        QCOMPARE(CDesktopApplications::CommandLine(entry, QStringLiteral("/x.htm")),
                 QStringList({QStringLiteral("tool"), QStringLiteral("--icon"), QStringLiteral("tool-icon"),
                              QStringLiteral("--title=Tool"), QStringLiteral("--from=/apps/tool.desktop"),
                              QStringLiteral("--pct=100%"), QStringLiteral("a \"q\" b"),
                              QStringLiteral("/x.htm")}));
        QStringList args;
        QVERIFY(!CDesktopApplications::SplitExec(QStringLiteral("tool \"unterminated"), &args));
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
        QCOMPARE(MessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
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
        QCOMPARE(MessageBox::ShownTexts().size(), 1);
        QVERIFY2(MessageBox::ShownTexts().first().startsWith(
                     QStringLiteral("Cannot open \"%1\": no program is set "
                                    "to open files of type ")
                         .arg(blob)),
                 qPrintable(MessageBox::ShownTexts().first()));
        MessageBox::ClearShownTexts();
        UseDesktop(false);
        CShellOperations::Open(nullptr, page);
        CShellOperations::Edit(nullptr, page);
        QCOMPARE(m_calls, QStringList({QStringLiteral("open ") + page, QStringLiteral("openwith ") + blob,
                                       QStringLiteral("edit ") + page, QStringLiteral("openwith ") + page,
                                       QStringLiteral("openwith ") + page}));
        const QStringList said = MessageBox::ShownTexts();
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
    }

    void failedLaunches_sayWhichFileAndWhy()
    {
        const QString page = Path(QStringLiteral("page.html"));
        WriteText(page, "<html><body>x</body></html>");
        CShellOperations::SetLaunchResultForTests(false);
        CShellOperations::Open(nullptr, page);
        CShellOperations::Edit(nullptr, page);
        // Help: a page nothing opens, and one that is missing.
        const QString help = CHelpTopics::FilePath(1);
        CShellOperations::Open(nullptr, Path(QStringLiteral("gone.html")));
        CHelpTopics::Show(1);
        CShellOperations::SetLaunchResultForTests(true);
        const QStringList said = MessageBox::ShownTexts();
        QCOMPARE(said.size(), 4);
        QCOMPARE(said.at(0),
                 QStringLiteral("Cannot open \"%1\": the program set for its type could not be started.")
                     .arg(page));
        QCOMPARE(said.at(1),
                 QStringLiteral("Cannot edit \"%1\": the text editor \"/opt/my editor/edit\" could not be "
                                "started.")
                     .arg(page));
        QCOMPARE(said.at(2), QStringLiteral("Cannot open \"%1\": the file was not found.")
                                 .arg(Path(QStringLiteral("gone.html"))));
        QVERIFY2(said.at(3).startsWith(QStringLiteral("Cannot open the help page \"%1\": ").arg(help)),
                 qPrintable(said.at(3)));
        UseDesktop(false);
        MessageBox::ClearShownTexts();
        CShellOperations::SetLaunchResultForTests(false);
        CShellOperations::Open(nullptr, page);
        CShellOperations::SetLaunchResultForTests(true);
        QVERIFY2(MessageBox::ShownTexts().value(0).endsWith(QStringLiteral("(text/html).")),
                 qPrintable(MessageBox::ShownTexts().value(0)));
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
        FileDialog::SetNextFileNames({QStringLiteral("/usr/bin/true")});
        QVERIFY(dialog.LaunchSelected());
        FileDialog::SetNextFileNames({QString()});
        QVERIFY(!dialog.LaunchSelected());
        QCOMPARE(m_calls, QStringList({QStringLiteral("launch /opt/my editor/edit ") + page,
                                       QStringLiteral("launch /usr/bin/true ") + page}));

        CShellOperations::SetLaunchResultForTests(false);
        list->setCurrentRow(0);
        QVERIFY(!dialog.LaunchSelected());
        QCOMPARE(
            MessageBox::ShownTexts(),
            QStringList{QStringLiteral("Cannot open \"%1\": the program \"myviewer\" could not be started.")
                            .arg(page)});
        CShellOperations::SetLaunchResultForTests(true);
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
