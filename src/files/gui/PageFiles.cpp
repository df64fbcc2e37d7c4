#include "files/gui/PageFiles.h"

CPageFiles::CPageFiles(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, QStringLiteral("Files"), parent)
{
}
