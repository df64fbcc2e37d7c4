#pragma once

#include <QIcon>
#include <QScrollArea>

class CPropertyViewPage;
class QTabWidget;

// The tabbed page host: a tab widget inside a scroll area, one tab per
// page. The host decides which page is current and lets a page refuse to
// be left (its values are invalid) or entered. The tab widget grows with the
// window and never shrinks below what the pages need; a smaller window
// scrolls. Ctrl+Tab / Ctrl+Page Down and Ctrl+Shift+Tab / Ctrl+Page Up go
// round the tabs.
class CPropertyView : public QScrollArea
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
    // The controls Tab visits on a page, in order; Tab and Shift+Tab go
    // round them without leaving the page.
    static QList<QWidget*> PageTabStops(QWidget* page);

    // Pushes every page's members into its controls, once the window is
    // ready.
    void InitialUpdate();

    // Asks the pages before `resultIndex`, in tab order, whether a protect
    // run may start; the first that refuses (it has said why) becomes
    // current and the answer is false. Otherwise page `resultIndex` becomes
    // current and the answer is true.
    bool ValidatePagesBefore(int resultIndex);

signals:
    void activePageChanged(int index);

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
    int m_nCurrent = -1;
    bool m_bSwitching = false;
};
