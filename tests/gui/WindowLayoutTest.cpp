#include "NewProjectWindow.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/pages/login/PageLogin.h"
#include "gui/widgets/MessageBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

class WindowLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
    }

    // At its smallest the window keeps the tab bar in view and every tab
    // reachable, the pages scrolling under it; maximised, the form pages
    // keep their boxes and edits at a natural size while the lists of the
    // other pages take the room.
    void smallestAndLargestWindow_keepTabsReachableAndFormsNatural()
    {
        CNewProjectWindow window;
        CMainFrame& frame = window.frame;
        frame.resize(800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CWendlockView* view = frame.View();
        QTabBar* bar = view->TabWidget()->tabBar();

        frame.resize(frame.minimumSize());
        QTRY_COMPARE(frame.size(), QSize(400, 300));
        QTRY_VERIFY(frame.rect().contains(QRect(bar->mapTo(&frame, QPoint(0, 0)), bar->size())));
        for (int i = 0; i < view->GetPageCount(); ++i) {
            QVERIFY(view->SetActivePage(i));
            QTRY_VERIFY2(bar->rect().contains(bar->tabRect(i)), qPrintable(bar->tabText(i)));
            CPropertyViewPage* page = view->GetPage(i);
            // The page is not squeezed below what its controls need; its
            // scroll area shows the rest.
            QVERIFY(page->width() >= page->minimumSizeHint().width());
            QVERIFY(page->height() >= page->minimumSizeHint().height());
            QCOMPARE(view->PageScroller(i)->widget(), page);
        }
        // The last tab is still reached after the first one is shown again.
        QVERIFY(view->SetActivePage(0));
        QVERIFY(view->SetActivePage(view->GetPageCount() - 1));
        QTRY_VERIFY(bar->rect().contains(bar->tabRect(view->GetPageCount() - 1)));

        frame.resize(1920, 1080);
        QTRY_COMPARE(frame.size(), QSize(1920, 1080));
        for (int i = 0; i < view->GetPageCount(); ++i) {
            QVERIFY(view->SetActivePage(i));
            CPropertyViewPage* page = view->GetPage(i);
            QTRY_VERIFY(page->height() > 800);
            const QString where = bar->tabText(i) + QLatin1Char(':');
            for (QGroupBox* group : page->findChildren<QGroupBox*>()) {
                QVERIFY2(group->height() <= group->sizeHint().height() * 3 / 2,
                         qPrintable(where + group->title()));
            }
            for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
                QVERIFY2(edit->width() <= 600, qPrintable(where + edit->objectName()));
            }
            for (QComboBox* combo : page->findChildren<QComboBox*>()) {
                QVERIFY2(combo->width() <= 600, qPrintable(where + combo->objectName()));
            }
            // A page with a list gives it the room; the template page's
            // list keeps a fixed height and its preview takes the room.
            for (QTreeWidget* list : page->findChildren<QTreeWidget*>()) {
                QWidget* grower = list->minimumHeight() == list->maximumHeight()
                                      ? page->findChild<QWidget*>(QStringLiteral("templatePreview"))
                                      : list;
                QVERIFY2(grower && grower->height() >= page->height() / 2,
                         qPrintable(where + list->objectName()));
            }
        }
        // The redirect target stays beside its address, not at the far edge.
        QWidget* url = view->PageLogin()->findChild<QWidget*>(QStringLiteral("urlEdit"));
        QWidget* target = view->PageLogin()->findChild<QWidget*>(QStringLiteral("targetCombo"));
        QVERIFY(url && target);
        QVERIFY(target->mapTo(view, QPoint(0, 0)).x() - url->mapTo(view, QPoint(url->width(), 0)).x() < 150);
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "WindowLayoutTest.moc"
