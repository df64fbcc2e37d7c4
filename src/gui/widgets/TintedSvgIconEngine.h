#pragma once

#include <QByteArray>
#include <QHash>
#include <QIconEngine>
#include <QPixmap>

// Draws one of the program's outline icons in the text colour of the
// application's palette at the time it is painted, so that the drawings
// read on light and dark themes alike (they sit beside the theme's own
// icons, which follow the palette too). The drawings are plain SVG with
// one ink colour, which is replaced by the palette's.
class CTintedSvgIconEngine final : public QIconEngine
{
public:
    explicit CTintedSvgIconEngine(const QString& path);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // The colour the drawings are made in; replaced when painted.
    static QByteArray InkColour();

private:
    QByteArray m_svg;
    QHash<QString, QPixmap> m_cache;
};
