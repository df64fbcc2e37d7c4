#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class CPropertyViewPage;
class QScrollArea;
class QTabWidget;

// The tabbed page host: a tab widget, one tab per page. The host decides
// which page is current and lets a page refuse to be left (its values are
// invalid) or entered. The tab bar always stays in view: when the window is
// narrower than the tabs it shows scroll arrows, and each page sits in a
// scroll area of its own, so a page larger than the window scrolls under
// the tabs. Ctrl+Tab / Ctrl+Page Down and Ctrl+Shift+Tab / Ctrl+Page Up go
// round the tabs.
class CPropertyView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CPropertyView)

public:
    explicit CPropertyView(QWidget* parent = nullptr);

    // Appends a tab for the page (title: the page's caption unless given).
    // The first page added becomes current. False when the page is already
    // in a host.
    bool AddPage(CPropertyViewPage* page, const QString& title = QString(), const QIcon& icon = QIcon());
    // Leaves the current page (which may refuse) and enters page `index`
    // (which may refuse too); false when refused or out of range.
    bool SetActivePage(int index);
    // Round the tabs, wrapping at either end.
    bool ActivateNextPage();
    bool ActivatePreviousPage();

    int GetActiveIndex() const { return m_nCurrent; }
    CPropertyViewPage* GetActivePage() const { return GetPage(m_nCurrent); }
    CPropertyViewPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyViewPage* page) const;
    int GetPageCount() const;
    QTabWidget* TabWidget() const { return m_pTabs; }
    // The scroll area a page sits in.
    QScrollArea* PageScroller(int index) const;
    // The controls Tab visits on a page, in order; Tab and Shift+Tab go
    // round them without leaving the page.
    static QList<QWidget*> PageTabStops(QWidget* page);

    // Asks the pages before `resultIndex`, in tab order, whether a protect
    // run may start; the first that refuses (it has said why) becomes
    // current and the answer is false. Otherwise page `resultIndex` becomes
    // current and the answer is true.
    bool ValidatePagesBefore(int resultIndex);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // The tab widget's own switching (should anything get past the filter)
    // goes through the same refusals.
    void OnCurrentChanged(int index);
    void ShowPage(int index);
    bool MoveFocusInPage(QWidget* focus, bool forward);

    QTabWidget* m_pTabs = nullptr;
    QList<CPropertyViewPage*> m_pages;
    int m_nCurrent = -1;
    bool m_bSwitching = false;
};
