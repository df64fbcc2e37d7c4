#include "webpreview/WebPreview.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

CWebPreview::CWebPreview(QWidget* parent, LoadFinishedHandler loadFinished) : QWebEngineView(parent)
{
    // Login forms autofocus their first field, and a short preview then
    // opens scrolled down to it. The script undoes that one automatic
    // scroll; once the user scrolls, clicks or types, it stays out of the way.
    QWebEngineScript keepTop;
    keepTop.setName(QStringLiteral("wendlock-preview-top"));
    keepTop.setInjectionPoint(QWebEngineScript::DocumentCreation);
    keepTop.setWorldId(QWebEngineScript::ApplicationWorld);
    keepTop.setRunsOnSubFrames(false);
    keepTop.setSourceCode(QStringLiteral(
        "(function () {"
        "  var done = false;"
        "  ['wheel', 'keydown', 'mousedown', 'pointerdown', 'touchstart'].forEach(function (type) {"
        "    window.addEventListener(type, function () { done = true; }, true);"
        "  });"
        "  window.addEventListener('scroll', function () {"
        "    var focused = document.activeElement;"
        "    if (done || !focused || !focused.hasAttribute || !focused.hasAttribute('autofocus')) return;"
        "    done = true;"
        "    window.scrollTo(0, 0);"
        "  }, true);"
        "})();"));
    page()->scripts().insert(keepTop);
    if (loadFinished) {
        connect(this, &QWebEngineView::loadFinished, this, std::move(loadFinished));
    }
}

void CWebPreview::RunScript(const QString& source, ScriptResultHandler result)
{
    // The page answers on a later turn of the event loop, possibly after
    // this view is gone; the handler owns what it writes to.
    page()->runJavaScript(source, [result](const QVariant& value) {
        if (result) {
            result(value);
        }
    });
}
