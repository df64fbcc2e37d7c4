#include "templates/gui/PageTemplate.h"

CPageTemplate::CPageTemplate(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, QStringLiteral("Template"), parent)
{
}
