#include "gui/widgets/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

// Renders a drawing made on a 32 x 32 grid at the usual icon sizes.
QIcon Render(const Drawing& draw)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon Themed(const char* name, const Drawing& draw)
{
    return QIcon::fromTheme(QLatin1String(name), Render(draw));
}

void DrawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 220));
    p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
}

void DrawPadlock(QPainter& p, const QRectF& box)
{
    // Shackle above a body with a keyhole, fitted into `box`.
    const qreal w = box.width();
    const qreal h = box.height();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 110, 120), w * 0.14, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(box.left() + w * 0.22, box.top(), w * 0.56, h * 0.62), 0, 180 * 16);
    p.drawLine(QPointF(box.left() + w * 0.22, box.top() + h * 0.31),
               QPointF(box.left() + w * 0.22, box.top() + h * 0.5));
    p.drawLine(QPointF(box.left() + w * 0.78, box.top() + h * 0.31),
               QPointF(box.left() + w * 0.78, box.top() + h * 0.5));
    const QRectF body(box.left(), box.top() + h * 0.45, w, h * 0.55);
    QLinearGradient gold(body.topLeft(), body.bottomLeft());
    gold.setColorAt(0, QColor(250, 205, 70));
    gold.setColorAt(1, QColor(205, 145, 20));
    p.setPen(QPen(QColor(140, 95, 10), w * 0.05));
    p.setBrush(gold);
    p.drawRoundedRect(body, w * 0.1, w * 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 45, 0));
    const QPointF hole(body.center().x(), body.top() + body.height() * 0.42);
    p.drawEllipse(hole, w * 0.09, w * 0.09);
    p.drawRect(QRectF(hole.x() - w * 0.04, hole.y(), w * 0.08, body.height() * 0.32));
}

} // namespace

namespace AppIcons {

QIcon Application()
{
    return Render([](QPainter& p) {
        DrawPage(p);
        p.setPen(QPen(QColor(150, 170, 200), 1.5));
        for (int y = 12; y <= 16; y += 4) {
            p.drawLine(QPointF(10, y), QPointF(23, y));
        }
        DrawPadlock(p, QRectF(12, 13, 18, 18));
    });
}

QIcon NewProject()
{
    return Themed("document-new", [](QPainter& p) {
        DrawPage(p);
        p.setPen(QPen(QColor(40, 150, 40), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22, 18), QPointF(22, 28));
        p.drawLine(QPointF(17, 23), QPointF(27, 23));
    });
}

QIcon OpenProject()
{
    return Themed("document-open", [](QPainter& p) {
        p.setPen(QPen(QColor(150, 110, 20), 1.5));
        p.setBrush(QColor(230, 180, 60));
        QPainterPath back;
        back.moveTo(3, 8);
        back.lineTo(12, 8);
        back.lineTo(15, 11);
        back.lineTo(27, 11);
        back.lineTo(27, 26);
        back.lineTo(3, 26);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(250, 210, 100));
        p.drawPolygon(QPolygonF({QPointF(3, 26), QPointF(8, 15), QPointF(31, 15), QPointF(27, 26)}));
    });
}

QIcon SaveProject()
{
    return Themed("document-save", [](QPainter& p) {
        p.setPen(QPen(QColor(30, 60, 110), 1.5));
        p.setBrush(QColor(60, 110, 180));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8, 4, 16, 10));
        p.setBrush(QColor(200, 205, 215));
        p.drawRect(QRectF(9, 19, 14, 9));
        p.setBrush(QColor(30, 60, 110));
        p.drawRect(QRectF(19, 6, 3, 6));
    });
}

QIcon Protect()
{
    return Render([](QPainter& p) { DrawPadlock(p, QRectF(5, 2, 22, 28)); });
}

QIcon Help()
{
    return Themed("help-contents", [](QPainter& p) {
        p.setPen(QPen(QColor(20, 70, 150), 1.5));
        p.setBrush(QColor(50, 120, 210));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        QFont font;
        font.setBold(true);
        font.setPixelSize(20);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon Test()
{
    return Themed("internet-web-browser", [](QPainter& p) {
        p.setPen(QPen(QColor(20, 90, 60), 1.5));
        p.setBrush(QColor(80, 160, 220));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 1.3));
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(16, 3), QPointF(16, 29));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        p.drawLine(QPointF(6, 9), QPointF(26, 9));
        p.drawLine(QPointF(6, 23), QPointF(26, 23));
    });
}

QIcon Edit()
{
    return Themed("document-edit", [](QPainter& p) {
        p.translate(16, 16);
        p.rotate(45);
        p.setPen(QPen(QColor(120, 90, 20), 1.2));
        p.setBrush(QColor(245, 200, 60));
        p.drawRect(QRectF(-4, -13, 8, 19));
        p.setBrush(QColor(235, 130, 150));
        p.drawRect(QRectF(-4, -16, 8, 4));
        p.setBrush(QColor(240, 220, 180));
        p.drawPolygon(QPolygonF({QPointF(-4, 6), QPointF(4, 6), QPointF(0, 14)}));
        p.setBrush(QColor(40, 40, 40));
        p.drawPolygon(QPolygonF({QPointF(-1.5, 11), QPointF(1.5, 11), QPointF(0, 14)}));
    });
}

} // namespace AppIcons
