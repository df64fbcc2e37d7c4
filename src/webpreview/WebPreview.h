#pragma once

#include "gui/pages/template/PreviewBackend.h"

#include <QWebEngineView>

// The Template page's preview browser on Qt WebEngine, made by the preview
// module for the program, which does not link the engine itself.
class CWebPreview final : public QWebEngineView, public IPreviewBackend
{
    Q_OBJECT
    Q_DISABLE_COPY(CWebPreview)

public:
    CWebPreview(QWidget* parent, LoadFinishedHandler loadFinished);

    QWidget* Widget() override { return this; }
    void Navigate(const QUrl& url) override { setUrl(url); }
    QUrl Url() const override { return url(); }
    QString Title() const override { return title(); }
    void RunScript(const QString& source, ScriptResultHandler result) override;
};
