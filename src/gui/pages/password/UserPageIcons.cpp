#include "gui/pages/password/UserPageIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

const QColor kOutline(0x3c, 0x3c, 0x3c);
const QColor kPerson(0x4a, 0x7d, 0xc4);
const QColor kGreen(0x2e, 0x9b, 0x3a);
const QColor kRed(0xc8, 0x32, 0x2d);
const QColor kPaper(0xfb, 0xfb, 0xf4);
const QColor kBlue(0x2f, 0x6f, 0xb8);

// Paints in a 16 x 16 grid at 16 and 32 pixels, so the icon stays sharp on
// high-density screens.
QIcon Make(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Pen(QPainter& p, const QColor& color, qreal width = 1.0)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

// Head and shoulders in the left part of the grid.
void Person(QPainter& p)
{
    Pen(p, kOutline, 0.8);
    p.setBrush(kPerson);
    p.drawEllipse(QRectF(3.0, 1.5, 5.5, 5.5));
    QPainterPath body;
    body.moveTo(0.8, 14.5);
    body.cubicTo(0.8, 8.5, 10.7, 8.5, 10.7, 14.5);
    body.closeSubpath();
    p.drawPath(body);
}

void Cross(QPainter& p, const QRectF& box, qreal width)
{
    Pen(p, kRed, width);
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

// A tray open at the top, with an arrow pointing into it or out of it.
void TrayArrow(QPainter& p, bool into)
{
    Pen(p, kOutline, 1.0);
    p.setBrush(Qt::NoBrush);
    QPolygonF tray;
    tray << QPointF(1.5, 9.5) << QPointF(1.5, 14.5) << QPointF(14.5, 14.5) << QPointF(14.5, 9.5);
    p.drawPolyline(tray);
    Pen(p, into ? kGreen : kBlue, 2.0);
    p.drawLine(QPointF(8.0, 1.5), QPointF(8.0, 10.5));
    if (into) {
        p.drawPolyline(QPolygonF() << QPointF(4.5, 7.5) << QPointF(8.0, 11.0) << QPointF(11.5, 7.5));
    } else {
        p.drawPolyline(QPolygonF() << QPointF(4.5, 5.0) << QPointF(8.0, 1.5) << QPointF(11.5, 5.0));
    }
}

} // namespace

namespace UserPageIcons {

QIcon RandomPassword()
{
    // A die showing five.
    return Make([](QPainter& p) {
        Pen(p, kOutline, 1.0);
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13.0, 13.0), 3.0, 3.0);
        p.setPen(Qt::NoPen);
        p.setBrush(kOutline);
        for (const QPointF& pip : {QPointF(5.0, 5.0), QPointF(11.0, 5.0), QPointF(8.0, 8.0),
                                   QPointF(5.0, 11.0), QPointF(11.0, 11.0)}) {
            p.drawEllipse(pip, 1.3, 1.3);
        }
    });
}

QIcon Mail()
{
    // A closed envelope.
    return Make([](QPainter& p) {
        Pen(p, kOutline, 1.0);
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 3.5, 13.0, 9.0));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF() << QPointF(1.5, 3.5) << QPointF(8.0, 9.0) << QPointF(14.5, 3.5));
    });
}

QIcon AddUser()
{
    return Make([](QPainter& p) {
        Person(p);
        Pen(p, kGreen, 2.0);
        p.drawLine(QPointF(12.5, 7.5), QPointF(12.5, 14.0));
        p.drawLine(QPointF(9.25, 10.75), QPointF(15.25, 10.75));
    });
}

QIcon EditUser()
{
    return Make([](QPainter& p) {
        Person(p);
        // A pencil across the lower right corner.
        Pen(p, kOutline, 0.8);
        p.setBrush(QColor(0xf2, 0xb1, 0x34));
        QPolygonF pencil;
        pencil << QPointF(13.5, 6.5) << QPointF(15.5, 8.5) << QPointF(9.5, 14.5) << QPointF(7.0, 15.0)
               << QPointF(7.5, 12.5);
        p.drawPolygon(pencil);
    });
}

QIcon Delete()
{
    return Make([](QPainter& p) { Cross(p, QRectF(3.5, 3.5, 9.0, 9.0), 2.4); });
}

QIcon DeleteAll()
{
    // Rows of a list, struck through.
    return Make([](QPainter& p) {
        Pen(p, kOutline, 1.2);
        for (const qreal y : {3.0, 6.5, 10.0, 13.5}) {
            p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        }
        Cross(p, QRectF(5.0, 4.5, 8.5, 8.5), 2.2);
    });
}

QIcon Import()
{
    return Make([](QPainter& p) { TrayArrow(p, true); });
}

QIcon Export()
{
    return Make([](QPainter& p) { TrayArrow(p, false); });
}

} // namespace UserPageIcons
