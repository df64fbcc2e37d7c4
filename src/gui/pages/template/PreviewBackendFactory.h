#pragma once

#include "gui/pages/template/PreviewBackend.h"

#include <QtPlugin>

// The root object of the preview module: makes the web engine's browser.
class IPreviewBackendFactory
{
public:
    virtual ~IPreviewBackendFactory() = default;

    // A new browser as a child of parent; loadFinished is called after
    // every navigation.
    virtual IPreviewBackend* Create(QWidget* parent, IPreviewBackend::LoadFinishedHandler loadFinished) = 0;
};

// The module and the program must agree on the interface above: change the
// version whenever it changes, and an older module is refused, not called.
#define WENDLOCK_PREVIEW_FACTORY_IID "com.marrowind.Wendlock.PreviewBackendFactory/1"
Q_DECLARE_INTERFACE(IPreviewBackendFactory, WENDLOCK_PREVIEW_FACTORY_IID)
