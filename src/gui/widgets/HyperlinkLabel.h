#pragma once

#include <QLabel>
#include <functional>

class QUrl;

// A label that is a link: underlined, blue, magenta while the mouse is over
// it, with a hand cursor. A click opens its own text; a text with "@" is a
// mail address and goes to the mail program. The address goes to the
// desktop unless the owner hands the label an opener of its own.
class CHyperlinkLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(CHyperlinkLabel)

public:
    explicit CHyperlinkLabel(const QString& text, QWidget* parent = nullptr);

    static QColor NormalColor() { return QColor(0, 0, 238); }
    static QColor HoverColor() { return QColor(255, 0, 255); }
    bool IsHovered() const { return m_bHovered; }

    // Opens an address; false when nothing could be started.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    void SetUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }

    // What a click does.
    void Activate();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetColor(const QColor& color);

    bool OpenUrl(const QUrl& url) const;

    bool m_bHovered = false;
    UrlOpener m_opener;
};
