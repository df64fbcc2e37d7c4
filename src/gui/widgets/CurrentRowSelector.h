#pragma once

#include <QObject>

class QTreeWidget;

// Selects a list's current row (the first row when there is none) when the
// list takes the keyboard focus with nothing selected, so that Delete acts
// on the row the focus outline shows. Owned by the list it watches.
class CCurrentRowSelector final : public QObject
{
public:
    static void Install(QTreeWidget* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CCurrentRowSelector(QTreeWidget* list);
    QTreeWidget* m_pList;
};
