#pragma once

#include <QPushButton>

// A page's push button with an icon beside its text; the text takes the
// hover colour while the mouse is over the button.
class CIconButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(CIconButton)

public:
    CIconButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);

    bool IsHovered() const { return m_bHovered; }
    static QColor HoverColor() { return QColor(0, 0, 238); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHovered(bool hovered);

    bool m_bHovered = false;
};
