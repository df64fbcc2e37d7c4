#pragma once

#include "gui/pages/template/PreviewBackendFactory.h"

#include <QObject>

// The preview module's root object: the program loads the module when it
// first shows the Template page's preview and asks this for the browser.
class CWebPreviewPlugin final : public QObject, public IPreviewBackendFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID WENDLOCK_PREVIEW_FACTORY_IID)
    Q_INTERFACES(IPreviewBackendFactory)

public:
    IPreviewBackend* Create(QWidget* parent, IPreviewBackend::LoadFinishedHandler loadFinished) override;
};
