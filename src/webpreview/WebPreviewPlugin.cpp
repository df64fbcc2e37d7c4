#include "webpreview/WebPreviewPlugin.h"

#include "webpreview/WebPreview.h"

IPreviewBackend* CWebPreviewPlugin::Create(QWidget* parent, IPreviewBackend::LoadFinishedHandler loadFinished)
{
    return new CWebPreview(parent, std::move(loadFinished));
}
