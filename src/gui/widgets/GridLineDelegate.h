#pragma once

#include <QStyledItemDelegate>

// Draws a report view's grid: a thin line below every row and after every
// column, in the palette's mid-light shade.
class CGridLineDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(CGridLineDelegate)

public:
    explicit CGridLineDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A little taller than the text, so the lines do not touch it.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
