#include "gui/mainwindow/PropertyView.h"

#include "GuiTestUtil.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/widgets/MessageBox.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A page that counts its exchanges and can be told to refuse.
class CProbePage final : public CPropertyViewPage
{
public:
    CProbePage(const QString& caption, QStringList* log) : CPropertyViewPage(nullptr, caption), m_pLog(log)
    {
        m_pEdit = new QLineEdit(this);
        m_pList = new QTreeWidget(this);
        new QTreeWidgetItem(m_pList, {QStringLiteral("row")});
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_pEdit);
        layout->addWidget(m_pList);
        setMinimumSize(300, 200);
    }

    bool OnSetActive() override
    {
        if (refuseEnter) {
            return false;
        }
        return CPropertyViewPage::OnSetActive();
    }
    bool ValidateForProtect() override
    {
        m_pLog->append(Caption());
        return !refuseProtect;
    }

    int pushes = 0;
    int pulls = 0;
    bool refuseLeave = false;
    bool refuseEnter = false;
    bool refuseProtect = false;
    QLineEdit* m_pEdit;
    QTreeWidget* m_pList;

protected:
    void PushToControls() override { ++pushes; }
    bool PullFromControls() override
    {
        ++pulls;
        return !refuseLeave;
    }

private:
    QStringList* m_pLog;
};

} // namespace

class PropertyViewTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_log;
    std::unique_ptr<CPropertyView> m_view;
    QList<CProbePage*> m_pages;

    void ClickTab(int index)
    {
        QTabBar* bar = m_view->TabWidget()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_log.clear();
        m_pages.clear();
        m_view = std::make_unique<CPropertyView>();
        for (const char* name : {"One", "Two", "Three", "Four"}) {
            auto* page = new CProbePage(QLatin1String(name), &m_log);
            m_pages.append(page);
            QVERIFY(m_view->AddPage(page));
        }
        m_view->resize(640, 480);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    }

    void cleanup() { m_view.reset(); }

    void addPage_firstIsCurrentWithoutPush_titlesFromCaptions()
    {
        QCOMPARE(m_view->GetPageCount(), 4);
        QCOMPARE(m_view->GetActiveIndex(), 0);
        QCOMPARE(m_view->TabWidget()->tabText(2), QStringLiteral("Three"));
        QCOMPARE(m_pages[0]->pushes, 0);
        QCOMPARE(m_view->GetPageIndex(m_pages[3]), 3);
        QCOMPARE(m_view->GetPage(4), nullptr);
        QVERIFY(!m_pages[1]->isEnabled());
        // A page belongs to one host only.
        QVERIFY(!m_view->AddPage(m_pages[1]));
    }

    void setActivePage_pullsOldPushesNew()
    {
        QVERIFY(m_view->SetActivePage(2));
        QCOMPARE(m_pages[0]->pulls, 1);
        QCOMPARE(m_pages[2]->pushes, 1);
        QVERIFY(m_pages[2]->isEnabled());
        QVERIFY(!m_pages[0]->isEnabled());
        QCOMPARE(m_view->TabWidget()->currentIndex(), 2);
        QVERIFY(m_pages[2]->isAncestorOf(QApplication::focusWidget()));
        // Back to the first page: now it is pushed.
        QVERIFY(m_view->SetActivePage(0));
        QCOMPARE(m_pages[0]->pushes, 1);
        QVERIFY(!m_view->SetActivePage(7));
    }

    void refusals_keepCurrentTabAndSelection()
    {
        m_pages[0]->refuseLeave = true;
        QVERIFY(!m_view->SetActivePage(1));
        ClickTab(2);
        QTest::keyClick(m_pages[0]->m_pEdit, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 0);
        QCOMPARE(m_view->TabWidget()->currentIndex(), 0);
        QVERIFY(m_pages[0]->isVisible());

        m_pages[0]->refuseLeave = false;
        m_pages[3]->refuseEnter = true;
        QVERIFY(!m_view->SetActivePage(3));
        QCOMPARE(m_view->TabWidget()->currentIndex(), 0);
        ClickTab(1);
        QCOMPARE(m_view->GetActiveIndex(), 1);
        QCOMPARE(m_view->TabWidget()->currentIndex(), 1);
    }

    void tabWidgetSwitchingOnItsOwn_goesThroughRefusals()
    {
        m_pages[0]->refuseLeave = true;
        m_view->TabWidget()->setCurrentIndex(2);
        QCOMPARE(m_view->GetActiveIndex(), 0);
        QCOMPARE(m_view->TabWidget()->currentIndex(), 0);
        m_pages[0]->refuseLeave = false;
        m_view->TabWidget()->setCurrentIndex(2);
        QCOMPARE(m_view->GetActiveIndex(), 2);
    }

    void keyboard_wrapsAroundBothWays()
    {
        QWidget* focus = m_pages[0]->m_pEdit;
        QTest::keyClick(focus, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_view->GetActiveIndex(), 3);
        QTest::keyClick(m_pages[3]->m_pEdit, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 0);
        QTest::keyClick(m_pages[0]->m_pEdit, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 3);
        QTest::keyClick(m_pages[3]->m_pEdit, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 0);
        // Lists handle Page Up and Page Down themselves, but not with Ctrl.
        m_pages[0]->m_pList->setFocus();
        QTest::keyClick(m_pages[0]->m_pList, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 1);
        m_pages[1]->m_pList->setFocus();
        QTest::keyClick(m_pages[1]->m_pList, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(m_view->GetActiveIndex(), 0);
    }

    void validatePagesBefore_stopsAtFirstRefusalInTabOrder()
    {
        QVERIFY(m_view->SetActivePage(3));
        m_pages[1]->refuseProtect = true;
        m_pages[2]->refuseProtect = true;
        QVERIFY(!m_view->ValidatePagesBefore(3));
        QCOMPARE(m_log, QStringList({QStringLiteral("One"), QStringLiteral("Two")}));
        QCOMPARE(m_view->GetActiveIndex(), 1);

        m_log.clear();
        m_pages[1]->refuseProtect = false;
        m_pages[2]->refuseProtect = false;
        QVERIFY(m_view->ValidatePagesBefore(3));
        QCOMPARE(m_log, QStringList({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}));
        QCOMPARE(m_view->GetActiveIndex(), 3);
    }

    // A window smaller than a page scrolls the page under the tabs, which
    // stay in view; a large window gives the page all its room.
    void smallWindow_scrollsPageUnderTabs_largeWindow_fillsIt()
    {
        QTabBar* bar = m_view->TabWidget()->tabBar();
        m_view->resize(200, 150);
        QScrollArea* scroller = m_view->PageScroller(0);
        QVERIFY(scroller && scroller->widget() == m_pages[0]);
        QTRY_VERIFY(scroller->horizontalScrollBar()->maximum() > 0);
        QVERIFY(scroller->verticalScrollBar()->maximum() > 0);
        QVERIFY(m_pages[0]->width() >= 300);
        QVERIFY(m_view->rect().contains(QRect(bar->mapTo(m_view.get(), QPoint(0, 0)), bar->size())));
        for (int i = 0; i < m_pages.size(); ++i) {
            QVERIFY(m_view->SetActivePage(i));
            QTRY_VERIFY(bar->rect().contains(bar->tabRect(i)));
        }

        QVERIFY(m_view->SetActivePage(0));
        m_view->resize(900, 700);
        QTRY_COMPARE(scroller->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(scroller->verticalScrollBar()->maximum(), 0);
        QTRY_COMPARE(m_pages[0]->width(), scroller->viewport()->width());
    }
};

QTEST_MAIN(PropertyViewTest)
#include "PropertyViewTest.moc"
