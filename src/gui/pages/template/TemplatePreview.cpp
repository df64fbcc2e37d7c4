#include "gui/pages/template/TemplatePreview.h"

#include <QVBoxLayout>

#ifdef WENDLOCK_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#else
#include <QFileInfo>
#include <QTextBrowser>
#include <QTimer>
#endif

CTemplatePreview::CTemplatePreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    m_strTarget = BlankPage();
#ifndef WENDLOCK_HAVE_WEBENGINE
    EnsureView(); // cheap: no reason to wait
#endif
}

void CTemplatePreview::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (!m_pView) {
        EnsureView();
        Load();
    }
}

void CTemplatePreview::EnsureView()
{
    if (m_pView) {
        return;
    }
#ifdef WENDLOCK_HAVE_WEBENGINE
    m_pView = new QWebEngineView(this);
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
    m_pView->page()->scripts().insert(keepTop);
    connect(m_pView, &QWebEngineView::loadFinished, this, &CTemplatePreview::LoadFinished);
#else
    m_pView = new QTextBrowser(this);
    m_pView->setOpenLinks(false);
#endif
    // A preview, not a browser: no back/reload/inspect menu.
    m_pView->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(m_pView);
    m_pView->show(); // made while the frame may already be shown
}

void CTemplatePreview::ShowBlank()
{
    Navigate(BlankPage());
}

void CTemplatePreview::Navigate(const QString& target)
{
    m_strTarget = target;
    if (m_pView) {
        Load();
    }
}

void CTemplatePreview::Load()
{
    const QString target = m_strTarget;
    const QUrl url = target == BlankPage() ? QUrl(BlankPage()) : QUrl::fromLocalFile(target);
#ifdef WENDLOCK_HAVE_WEBENGINE
    m_pView->setUrl(url);
#else
    // The text browser reads the file at once; deferring it lets the click
    // that asked for it finish first, as a real browser would.
    QTimer::singleShot(0, this, [this, url, target] {
        if (m_strTarget != target) {
            return; // a later navigation replaced this one
        }
        if (url.isLocalFile()) {
            const bool ok = QFileInfo(url.toLocalFile()).isFile();
            if (ok) {
                m_pView->setSource(url);
            } else {
                m_pView->setHtml(
                    QStringLiteral("<p>The file %1 cannot be shown.</p>").arg(target.toHtmlEscaped()));
            }
            emit LoadFinished(ok);
        } else {
            m_pView->clear();
            emit LoadFinished(true);
        }
    });
#endif
}

QUrl CTemplatePreview::Url() const
{
#ifdef WENDLOCK_HAVE_WEBENGINE
    if (m_pView) {
        return m_pView->url();
    }
#endif
    return m_strTarget == BlankPage() ? QUrl(BlankPage()) : QUrl::fromLocalFile(m_strTarget);
}

QString CTemplatePreview::Title() const
{
    if (!m_pView) {
        return QString();
    }
#ifdef WENDLOCK_HAVE_WEBENGINE
    return m_pView->title();
#else
    return m_pView->documentTitle();
#endif
}

QWidget* CTemplatePreview::View()
{
    if (!m_pView) {
        EnsureView();
        Load();
    }
    return m_pView;
}
