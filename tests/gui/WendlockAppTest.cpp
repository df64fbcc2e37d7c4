#include "gui/mainwindow/WendlockApp.h"

#include "gui/frame/AppPreferences.h"
#include "gui/mainwindow/MainFrame.h"
#include "gui/mainwindow/RecentFileList.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/widgets/MessageBox.h"

#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class WendlockAppTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        QVERIFY(m_dir.isValid());
    }

    void init() { CMessageBox::ClearShownTexts(); }

    void firstStart_createsDataAndPreferencesFolders_quietly()
    {
        const QString home = m_dir.filePath(QStringLiteral("fresh/share"));
        CAppPreferences preferences;
        CWendlockApp::InitDataFolders(home, preferences);
        QVERIFY(QFileInfo(home + QLatin1String("/Marrowind/Wendlock/Preferences")).isDir());
        QCOMPARE(preferences.m_strDataFolder, home + QLatin1String("/Marrowind/Wendlock/"));
        QCOMPARE(preferences.m_strPreferencesFolder,
                 home + QLatin1String("/Marrowind/Wendlock/Preferences/"));
        // Again, with everything there: still nothing to say.
        CWendlockApp::InitDataFolders(home, preferences);
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
    }

    void folderThatCannotBeMade_saysSoForEach_andGoesOn()
    {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        CAppPreferences preferences;
        CWendlockApp::InitDataFolders(blocker, preferences);
        const QString data = blocker + QLatin1String("/Marrowind/Wendlock/");
        QCOMPARE(CMessageBox::ShownTexts().size(), 2);
        QVERIFY(CMessageBox::ShownTexts().at(0).startsWith(
            QStringLiteral("Create directory '%1' failure! \n").arg(data)));
        QVERIFY(CMessageBox::ShownTexts().at(1).startsWith(
            QStringLiteral("Create directory '%1Preferences/' failure! \n").arg(data)));
        QVERIFY(CMessageBox::ShownTexts().at(1).size() >
                QStringLiteral("Create directory '%1Preferences/' failure! \n").arg(data).size());
        QCOMPARE(preferences.m_strPreferencesFolder, data + QLatin1String("Preferences/"));
    }

    void noDataHome_usesAppDataBesideTheProgram()
    {
        const QByteArray saved = qgetenv("WENDLOCK_APP_DIR");
        qputenv("WENDLOCK_APP_DIR", m_dir.filePath(QStringLiteral("program")).toUtf8());
        QDir().mkpath(m_dir.filePath(QStringLiteral("program")));
        CAppPreferences preferences;
        CWendlockApp::InitDataFolders(QString(), preferences);
        qputenv("WENDLOCK_APP_DIR", saved);
        QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("program/AppData/Preferences"))).isDir());
    }

    void preferencesAndRecentProjects_surviveARestart()
    {
        CAppPreferences preferences;
        preferences.m_strAddFolderInit = QStringLiteral("/srv/www");
        preferences.Save();
        preferences.m_strAddFolderInit.clear();
        preferences.Load();
        QCOMPARE(preferences.m_strAddFolderInit, QStringLiteral("/srv/www"));

        CRecentFileList recent;
        for (const char* name : {"/p/a.vxp", "/p/b.vxp", "/p/c.vxp", "/p/d.vxp", "/p/e.vxp", "/p/c.vxp"}) {
            recent.Add(QLatin1String(name));
        }
        QCOMPARE(recent.Files(), QStringList({QStringLiteral("/p/c.vxp"), QStringLiteral("/p/e.vxp"),
                                              QStringLiteral("/p/d.vxp"), QStringLiteral("/p/b.vxp")}));
        recent.Save();
        CRecentFileList again;
        again.Load();
        QCOMPARE(again.Files(), recent.Files());
        again.Remove(0);
        again.Save();
        CRecentFileList third;
        third.Load();
        QCOMPARE(third.Files().size(), 3);
    }

    void commandLineProject_opensInsteadOfANewOne()
    {
        const QString project = m_dir.filePath(QStringLiteral("start.vxp"));
        CProject record;
        record.m_strAlertText = QStringLiteral("From the command line");
        QVERIFY(CWendlockDoc::WriteProjectFile(project, record, nullptr));
        CWendlockApp app;
        QVERIFY(app.InitInstance({QStringLiteral("wendlock"), project}));
        QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("start.vxp[*] - Wendlock"));
        QCOMPARE(app.MainFrame()->findChild<QLineEdit*>(QStringLiteral("alertEdit"))->text(),
                 QStringLiteral("From the command line"));
        QVERIFY(!app.Document().IsModified());
        QVERIFY(app.MainFrame()->isVisible());
        app.ExitInstance();

        CWendlockApp plain;
        QVERIFY(plain.InitInstance({QStringLiteral("wendlock")}));
        QCOMPARE(plain.MainFrame()->windowTitle(), QStringLiteral("Untitled[*] - Wendlock"));
        QCOMPARE(plain.MainFrame()->findChild<QLineEdit*>(QStringLiteral("alertEdit"))->text(),
                 QStringLiteral("Invalid Password!"));
    }

    void windowGeometryAndPage_comeBackAfterARestart()
    {
        QRect left;
        {
            CWendlockApp app;
            QVERIFY(app.InitInstance({QStringLiteral("wendlock")}));
            app.MainFrame()->setGeometry(40, 50, 700, 520);
            left = app.MainFrame()->geometry();
            QVERIFY(app.MainFrame()->View()->SetActivePage(CWendlockView::LoginPage));
            app.ExitInstance();
        }
        CWendlockApp again;
        QVERIFY(again.InitInstance({QStringLiteral("wendlock")}));
        QCOMPARE(again.MainFrame()->size(), left.size());
        QCOMPARE(again.MainFrame()->View()->GetActiveIndex(), int(CWendlockView::LoginPage));
        QVERIFY(again.MainFrame()->View()->SetActivePage(CWendlockView::FilesPage));
        again.ExitInstance();
    }

    // A window left larger than the screen, or beyond its edge (another
    // monitor, a larger scale factor), comes back on the screen whole.
    void restoredGeometry_isFittedToTheScreen()
    {
        const QRect area(0, 0, 1280, 800);
        QCOMPARE(CWendlockApp::FitToScreen(QRect(40, 50, 700, 520), area), QRect(40, 50, 700, 520));
        QCOMPARE(CWendlockApp::FitToScreen(QRect(900, 600, 700, 520), area), QRect(580, 280, 700, 520));
        QCOMPARE(CWendlockApp::FitToScreen(QRect(-300, -20, 2560, 1600), area), area);
        QCOMPARE(CWendlockApp::FitToScreen(QRect(10, 10, 500, 400), QRect(100, 30, 1180, 770)),
                 QRect(100, 30, 500, 400));
        {
            CWendlockApp app;
            QVERIFY(app.InitInstance({QStringLiteral("wendlock")}));
            const QRect screen = app.MainFrame()->screen()->availableGeometry();
            app.MainFrame()->setGeometry(screen.right() - 100, screen.top() + 10, screen.width() + 400, 500);
            app.ExitInstance();
        }
        CWendlockApp again;
        QVERIFY(again.InitInstance({QStringLiteral("wendlock")}));
        const QRect screen = again.MainFrame()->screen()->availableGeometry();
        QVERIFY2(screen.contains(again.MainFrame()->geometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(again.MainFrame()->x())
                                .arg(again.MainFrame()->y())
                                .arg(again.MainFrame()->width())
                                .arg(again.MainFrame()->height())));
        again.ExitInstance();
    }

    void unreadableCommandLineProject_endsStartUp()
    {
        CWendlockApp app;
        QVERIFY(
            !app.InitInstance({QStringLiteral("wendlock"), m_dir.filePath(QStringLiteral("nothere.vxp"))}));
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().first().contains(QLatin1String("nothere.vxp")));
    }
};

QTEST_MAIN(WendlockAppTest)
#include "WendlockAppTest.moc"
