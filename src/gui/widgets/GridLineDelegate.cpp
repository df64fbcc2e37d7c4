#include "gui/widgets/GridLineDelegate.h"

#include <QPainter>

CGridLineDelegate::CGridLineDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CGridLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QRect& r = option.rect;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight).darker(110));
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

QSize CGridLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 4);
}
