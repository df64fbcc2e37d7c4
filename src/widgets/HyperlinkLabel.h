#pragma once

#include <QLabel>

// A label that is a link: underlined, blue, magenta while the mouse is over
// it, with a hand cursor. A click opens its own text; a text with "@" is a
// mail address and goes to the mail program.
class CHyperlinkLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(CHyperlinkLabel)

public:
    explicit CHyperlinkLabel(const QString& text, QWidget* parent = nullptr);

    static QColor NormalColor() { return QColor(0, 0, 238); }
    static QColor HoverColor() { return QColor(255, 0, 255); }
    bool IsHovered() const { return m_bHovered; }

    // What a click does.
    void Activate();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetColor(const QColor& color);

    bool m_bHovered = false;
};
