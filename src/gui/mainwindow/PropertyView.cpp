#include "gui/mainwindow/PropertyView.h"

#include "gui/frame/PropertyViewPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {

enum class TabStep
{
    None,
    Next,
    Previous
};

// Ctrl+Tab and Ctrl+Page Down go to the next tab, Ctrl+Shift+Tab and
// Ctrl+Page Up to the previous one.
TabStep StepOf(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Tab:
        return mods == Qt::ControlModifier ? TabStep::Next : TabStep::None;
    case Qt::Key_Backtab:
        return mods == (Qt::ControlModifier | Qt::ShiftModifier) ? TabStep::Previous : TabStep::None;
    case Qt::Key_PageDown:
        return mods == Qt::ControlModifier ? TabStep::Next : TabStep::None;
    case Qt::Key_PageUp:
        return mods == Qt::ControlModifier ? TabStep::Previous : TabStep::None;
    default:
        return TabStep::None;
    }
}

// Of an exclusive group of radio buttons Tab visits one, the checked one
// (the arrow keys move inside the group), as everywhere else in Qt.
bool IsSkippedRadio(QWidget* widget, const QList<QWidget*>& stops)
{
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (!radio || radio->isChecked()) {
        return false;
    }
    QList<QAbstractButton*> group;
    if (radio->group() && radio->group()->exclusive()) {
        group = radio->group()->buttons();
    } else if (radio->autoExclusive() && radio->parentWidget()) {
        for (QRadioButton* sibling :
             radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
            if (sibling->autoExclusive()) {
                group.append(sibling);
            }
        }
    }
    return std::any_of(group.cbegin(), group.cend(), [&](QAbstractButton* other) {
        return other != radio && other->isEnabled() && (other->isChecked() || stops.contains(other));
    });
}

// The controls of a page that Tab visits, in the page's focus order: each
// enabled, shown control that takes Tab focus, once (a control that hands
// its focus to another, or sits inside one already listed, is that one).
QList<QWidget*> TabStops(QWidget* page)
{
    QList<QWidget*> stops;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() ||
            !w->isVisibleTo(page) || w->focusProxy() || stops.contains(w)) {
            continue;
        }
        const bool inside =
            std::any_of(stops.cbegin(), stops.cend(), [w](QWidget* s) { return s->isAncestorOf(w); });
        if (!inside && !IsSkippedRadio(w, stops)) {
            stops.append(w);
        }
    }
    return stops;
}

// Gives the keyboard focus to the page's last focused control, else its
// first control that takes focus.
void FocusPage(QWidget* page)
{
    if (QWidget* last = page->focusWidget(); last && last != page && last->isEnabled()) {
        last->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (QWidget* w = page->nextInFocusChain(); w && w != page && page->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    page->setFocus(Qt::OtherFocusReason);
}

} // namespace

CPropertyView::CPropertyView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("propertyView"));
    setFocusPolicy(Qt::StrongFocus);

    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("pageTabs"));
    m_pTabs->setDocumentMode(false);
    // Tabs that do not fit are reached through the arrows beside them.
    m_pTabs->setUsesScrollButtons(true);
    m_pTabs->setElideMode(Qt::ElideNone);
    // The tabs never take the keyboard focus; the current page holds it.
    m_pTabs->tabBar()->setFocusPolicy(Qt::NoFocus);
    m_pTabs->setContentsMargins(0, 4, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pTabs);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertyView::OnCurrentChanged);

    // The tab keys are taken before the focused control sees them (a list
    // or an edit box would use Page Up and Page Down itself), and clicks on
    // the tabs before the tab bar switches on its own.
    qApp->installEventFilter(this);
}

bool CPropertyView::AddPage(CPropertyViewPage* page, const QString& title, const QIcon& icon)
{
    if (!page || page->Host()) {
        return false;
    }
    page->SetHost(this);
    page->SetFirstActivation(false);
    const QString text = title.isEmpty() ? page->Caption() : title;
    // The page fills its scroll area and never shrinks below what its
    // controls need; the scroll area takes no focus of its own.
    auto* scroller = new QScrollArea(m_pTabs);
    scroller->setObjectName(QStringLiteral("pageScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(page);
    m_bSwitching = true;
    const int index = icon.isNull() ? m_pTabs->addTab(scroller, text) : m_pTabs->addTab(scroller, icon, text);
    m_bSwitching = false;
    if (index < 0) {
        scroller->takeWidget();
        delete scroller;
        page->SetHost(nullptr);
        return false;
    }
    m_pages.insert(index, page);
    if (m_nCurrent < 0) {
        m_nCurrent = index;
        page->SetFirstActivation(true);
        page->OnSetActive();
        ShowPage(index);
    } else {
        page->setEnabled(false);
    }
    return true;
}

bool CPropertyView::SetActivePage(int index)
{
    if (index < 0 || index >= GetPageCount()) {
        return false;
    }
    if (index == m_nCurrent) {
        return true;
    }
    CPropertyViewPage* old = GetActivePage();
    if (old && !old->OnKillActive()) {
        return false;
    }
    if (!GetPage(index)->OnSetActive()) {
        return false;
    }
    if (old) {
        old->setEnabled(false);
    }
    m_nCurrent = index;
    ShowPage(index);
    return true;
}

bool CPropertyView::ActivateNextPage()
{
    const int count = GetPageCount();
    return count > 0 && SetActivePage((m_nCurrent + 1) % count);
}

bool CPropertyView::ActivatePreviousPage()
{
    const int count = GetPageCount();
    return count > 0 && SetActivePage((m_nCurrent - 1 + count) % count);
}

CPropertyViewPage* CPropertyView::GetPage(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages.at(index) : nullptr;
}

QScrollArea* CPropertyView::PageScroller(int index) const
{
    return qobject_cast<QScrollArea*>(m_pTabs->widget(index));
}

int CPropertyView::GetPageIndex(const CPropertyViewPage* page) const
{
    return int(m_pages.indexOf(const_cast<CPropertyViewPage*>(page)));
}

int CPropertyView::GetPageCount() const
{
    return int(m_pages.size());
}

bool CPropertyView::ValidatePagesBefore(int resultIndex)
{
    for (int i = 0; i < resultIndex && i < GetPageCount(); ++i) {
        if (!GetPage(i)->ValidateForProtect()) {
            SetActivePage(i);
            return false;
        }
    }
    SetActivePage(resultIndex);
    return true;
}

void CPropertyView::ShowPage(int index)
{
    CPropertyViewPage* page = GetPage(index);
    page->setEnabled(true);
    m_bSwitching = true;
    m_pTabs->setCurrentIndex(index);
    m_bSwitching = false;
    FocusPage(page);
}

void CPropertyView::OnCurrentChanged(int index)
{
    if (m_bSwitching || index == m_nCurrent || m_nCurrent < 0) {
        return;
    }
    const int previous = m_nCurrent;
    // Put the tab back first, so that a refusal leaves everything as it was.
    m_bSwitching = true;
    m_pTabs->setCurrentIndex(previous);
    m_bSwitching = false;
    SetActivePage(index);
}

bool CPropertyView::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        watched->isWidgetType() && GetPageCount() > 0) {
        auto* widget = static_cast<QWidget*>(watched);
        const TabStep step = StepOf(static_cast<QKeyEvent*>(event));
        if (step != TabStep::None && (widget == this || isAncestorOf(widget))) {
            if (event->type() == QEvent::ShortcutOverride) {
                // Claim the key so that no shortcut elsewhere takes it.
                event->accept();
                return true;
            }
            if (step == TabStep::Next) {
                ActivateNextPage();
            } else {
                ActivatePreviousPage();
            }
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        watched == QApplication::focusWidget()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool next = key->key() == Qt::Key_Tab && mods == Qt::NoModifier;
        const bool previous =
            key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && mods == Qt::ShiftModifier);
        if ((next || previous) && MoveFocusInPage(static_cast<QWidget*>(watched), next)) {
            return true;
        }
    }
    if (watched == m_pTabs->tabBar()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const int index = m_pTabs->tabBar()->tabAt(mouse->position().toPoint());
                if (index >= 0) {
                    SetActivePage(index);
                }
            }
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            // The tab bar would switch on its own; the wheel steps through
            // the same refusals instead, without wrapping.
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta > 0 && m_nCurrent > 0) {
                SetActivePage(m_nCurrent - 1);
            } else if (delta < 0 && m_nCurrent + 1 < GetPageCount()) {
                SetActivePage(m_nCurrent + 1);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CPropertyView::MoveFocusInPage(QWidget* focus, bool forward)
{
    // Qt's own chain leaves the page for the scroll area, which gave the
    // focus straight back to the same control; a web preview would keep
    // Tab for its content. The page's own list goes round instead.
    CPropertyViewPage* page = GetActivePage();
    if (!page || !page->isAncestorOf(focus)) {
        return false;
    }
    const QList<QWidget*> stops = TabStops(page);
    if (stops.isEmpty()) {
        return false;
    }
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size() && at < 0; ++i) {
        if (stops.at(i) == focus || stops.at(i)->isAncestorOf(focus)) {
            at = i;
        }
    }
    const qsizetype count = stops.size();
    const qsizetype target = at < 0 ? (forward ? 0 : count - 1) : (at + (forward ? 1 : count - 1)) % count;
    stops.at(target)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    // A page larger than the window brings the control into view.
    if (QScrollArea* scroller = PageScroller(m_nCurrent)) {
        scroller->ensureWidgetVisible(stops.at(target));
    }
    return true;
}

QList<QWidget*> CPropertyView::PageTabStops(QWidget* page)
{
    return TabStops(page);
}

void CPropertyView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (CPropertyViewPage* page = GetActivePage()) {
        FocusPage(page);
    }
}
