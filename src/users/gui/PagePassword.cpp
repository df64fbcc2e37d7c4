#include "users/gui/PagePassword.h"

CPagePassword::CPagePassword(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, QStringLiteral("Password"), parent)
{
}
