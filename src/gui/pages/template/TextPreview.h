#pragma once

#include "gui/pages/template/PreviewBackend.h"

#include <QTextBrowser>

// The preview's stand-in browser when the web engine's module is missing:
// renders simpler HTML and runs no scripts, but answers the same calls.
class CTextPreview final : public QTextBrowser, public IPreviewBackend
{
    Q_OBJECT
    Q_DISABLE_COPY(CTextPreview)

public:
    CTextPreview(QWidget* parent, LoadFinishedHandler loadFinished);

    QWidget* Widget() override { return this; }
    void Navigate(const QUrl& url) override;
    QUrl Url() const override { return m_url; }
    QString Title() const override { return documentTitle(); }
    void RunScript(const QString& source, ScriptResultHandler result) override;

private:
    LoadFinishedHandler m_loadFinished;
    QUrl m_url;
};
