#include "gui/widgets/CurrentRowSelector.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QTreeWidget>

CCurrentRowSelector::CCurrentRowSelector(QTreeWidget* list) : QObject(list), m_pList(list) {}

void CCurrentRowSelector::Install(QTreeWidget* list)
{
    list->installEventFilter(new CCurrentRowSelector(list));
}

bool CCurrentRowSelector::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList && event->type() == QEvent::FocusIn && m_pList->topLevelItemCount() > 0 &&
        !m_pList->selectionModel()->hasSelection()) {
        QTreeWidgetItem* current = m_pList->currentItem() ? m_pList->currentItem() : m_pList->topLevelItem(0);
        m_pList->setCurrentItem(current, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    return false;
}
