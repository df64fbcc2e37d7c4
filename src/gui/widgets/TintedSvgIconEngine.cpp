#include "gui/widgets/TintedSvgIconEngine.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

CTintedSvgIconEngine::CTintedSvgIconEngine(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        m_svg = file.readAll();
    }
}

QByteArray CTintedSvgIconEngine::InkColour()
{
    return QByteArrayLiteral("#3d4a5c");
}

void CTintedSvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
}

QPixmap CTintedSvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap CTintedSvgIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/,
                                           qreal scale)
{
    // Disabled controls take the palette's disabled text colour, as the
    // theme's icons are greyed out.
    const QPalette palette = QGuiApplication::palette();
    const QColor ink =
        palette.color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
    const QSize pixels = (QSizeF(size) * scale).toSize();
    const QString cacheKey = ink.name(QColor::HexArgb) + QLatin1Char('/') + QString::number(pixels.width()) +
                             QLatin1Char('x') + QString::number(pixels.height());
    const auto found = m_cache.constFind(cacheKey);
    if (found != m_cache.constEnd()) {
        return *found;
    }

    QByteArray svg = m_svg;
    svg.replace(InkColour(), ink.name(QColor::HexRgb).toLatin1());
    if (ink.alpha() < 255) {
        const QByteArray opacity = QByteArrayLiteral("stroke-opacity=\"") + QByteArray::number(ink.alphaF()) +
                                   QByteArrayLiteral("\" stroke-width=");
        svg.replace(QByteArrayLiteral("stroke-width="), opacity);
    }
    QBuffer buffer(&svg);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(pixels);
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    if (pixmap.isNull()) {
        return pixmap;
    }
    pixmap.setDevicePixelRatio(scale);
    m_cache.insert(cacheKey, pixmap);
    return pixmap;
}

QIconEngine* CTintedSvgIconEngine::clone() const
{
    return new CTintedSvgIconEngine(*this);
}

QString CTintedSvgIconEngine::key() const
{
    return QStringLiteral("CTintedSvgIconEngine");
}

bool CTintedSvgIconEngine::isNull()
{
    return m_svg.isEmpty();
}
