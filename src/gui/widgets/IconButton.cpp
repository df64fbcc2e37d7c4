#include "gui/widgets/IconButton.h"

CIconButton::CIconButton(const QIcon& icon, const QString& text, QWidget* parent)
    : QPushButton(icon, text, parent)
{
    // Enter inside a page closes nothing and presses nothing.
    setAutoDefault(false);
}

void CIconButton::enterEvent(QEnterEvent* event)
{
    SetHovered(true);
    QPushButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event)
{
    SetHovered(false);
    QPushButton::leaveEvent(event);
}

void CIconButton::SetHovered(bool hovered)
{
    if (m_bHovered == hovered) {
        return;
    }
    m_bHovered = hovered;
    QPalette pal = palette();
    if (hovered) {
        pal.setColor(QPalette::ButtonText, HoverColor());
    } else {
        pal.setColor(QPalette::ButtonText, QPalette().color(QPalette::ButtonText));
    }
    setPalette(pal);
}
