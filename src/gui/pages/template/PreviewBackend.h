#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWidget;

// The browser inside the Template page's preview. The web engine's view
// lives in a module of its own (loaded when the preview is first shown) so
// that the program does not link the engine; a text browser stands in
// when the module cannot be loaded. Either is a widget that implements
// this, owned by its Qt parent.
class IPreviewBackend
{
public:
    // Called once for every navigation that ended; ok is false when the
    // page could not be shown.
    using LoadFinishedHandler = std::function<void(bool ok)>;
    using ScriptResultHandler = std::function<void(const QVariant& result)>;

    virtual ~IPreviewBackend() = default;

    virtual QWidget* Widget() = 0;
    // Shows a local file or about:blank; returns at once, the page loads later.
    virtual void Navigate(const QUrl& url) = 0;
    // The URL shown (or being loaded) and the document's title.
    virtual QUrl Url() const = 0;
    virtual QString Title() const = 0;
    // Runs a script in the page and passes its result on, later; a browser
    // without scripts passes an invalid QVariant.
    virtual void RunScript(const QString& source, ScriptResultHandler result) = 0;
};
