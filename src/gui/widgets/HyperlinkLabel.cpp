#include "gui/widgets/HyperlinkLabel.h"

#include "gui/widgets/MessageBox.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

CHyperlinkLabel::CHyperlinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    SetColor(NormalColor());
}

void CHyperlinkLabel::Activate()
{
    const QString target = text();
    if (target.contains(QLatin1Char('@'))) {
        if (!OpenUrl(QUrl(QStringLiteral("mailto:") + target))) {
            CMessageBox::Warning(this, tr("Send mail failure!\nNo mail program or no default mail "
                                          "program on your operation system."));
        }
        return;
    }
    OpenUrl(QUrl(target));
}

bool CHyperlinkLabel::OpenUrl(const QUrl& url) const
{
    return m_opener ? m_opener(url) : QDesktopServices::openUrl(url);
}

void CHyperlinkLabel::enterEvent(QEnterEvent* event)
{
    m_bHovered = true;
    SetColor(HoverColor());
    QLabel::enterEvent(event);
}

void CHyperlinkLabel::leaveEvent(QEvent* event)
{
    m_bHovered = false;
    SetColor(NormalColor());
    QLabel::leaveEvent(event);
}

void CHyperlinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Activate();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperlinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Activate();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperlinkLabel::SetColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}
