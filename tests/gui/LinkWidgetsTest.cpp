#include "common/AppInfo.h"
#include "gui/frame/ProductLinks.h"
#include "gui/frame/ShellOperations.h"
#include "gui/mainwindow/AboutDialog.h"
#include "gui/widgets/HyperlinkLabel.h"
#include "gui/widgets/IconButton.h"
#include "gui/widgets/MessageBox.h"

#include <QLabel>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

class LinkWidgetsTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_calls;
    bool m_bOpens = true;

    // Gives a bare label an opener that records like the shell recorder.
    void Record(CHyperlinkLabel& link)
    {
        link.SetUrlOpener([this](const QUrl& url) {
            m_calls.append(QStringLiteral("url ") + url.toString());
            return m_bOpens;
        });
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_calls.append(action + QLatin1Char(' ') + target);
        });
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    void init()
    {
        m_calls.clear();
        m_bOpens = true;
        CMessageBox::ClearShownTexts();
        CShellOperations::SetLaunchResultForTests(true);
    }

    void aboutBox_showsVersionAndLinks_thatOpenThroughTheShell()
    {
        CAboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Wendlock"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
                 QStringLiteral("Wendlock Version %1").arg(AppInfo::ProgramVersion()));
        QVERIFY(about.WebSiteLink()->text().startsWith(QLatin1String("https://")));
        QVERIFY(about.EmailLink()->text().contains(QLatin1Char('@')));

        about.WebSiteLink()->Activate();
        about.EmailLink()->Activate();
        QCOMPARE(m_calls, QStringList({QStringLiteral("url ") + ProductLinks::WebSite(),
                                       QStringLiteral("url mailto:") + ProductLinks::SupportEmail()}));
        CShellOperations::SetLaunchResultForTests(false);
        about.EmailLink()->Activate();
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
    }

    void hyperlink_bluePlainMagentaOnHover_underlinedHand()
    {
        CHyperlinkLabel link(QStringLiteral("https://site.example/"));
        Record(link);
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));
        link.show();
        QVERIFY(QTest::qWaitForWindowExposed(&link));
        QVERIFY(link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(&link, &enter);
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(255, 0, 255));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&link, &leave);
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));

        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(m_calls, QStringList{QStringLiteral("url https://site.example/")});
    }

    void mailLink_opensMailto_andSaysWhenNoMailProgram()
    {
        CHyperlinkLabel link(QStringLiteral("help@site.example"));
        Record(link);
        link.Activate();
        QCOMPARE(m_calls, QStringList{QStringLiteral("url mailto:help@site.example")});
        m_bOpens = false;
        link.Activate();
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{
                     QStringLiteral("Send mail failure!\nNo mail program or no default mail program on your "
                                    "operation system.")});
    }

    void iconButton_takesHoverColour()
    {
        CIconButton button(QIcon(), QStringLiteral("&Test"));
        QVERIFY(!button.autoDefault());
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(&button, &enter);
        QVERIFY(button.IsHovered());
        QCOMPARE(button.palette().color(QPalette::ButtonText), CIconButton::HoverColor());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
        QVERIFY(!button.IsHovered());
        QVERIFY(button.palette().color(QPalette::ButtonText) != CIconButton::HoverColor());
    }
};

QTEST_MAIN(LinkWidgetsTest)
#include "LinkWidgetsTest.moc"
