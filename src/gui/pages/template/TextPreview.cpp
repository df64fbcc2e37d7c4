#include "gui/pages/template/TextPreview.h"

#include <QFileInfo>
#include <QTimer>

CTextPreview::CTextPreview(QWidget* parent, LoadFinishedHandler loadFinished)
    : QTextBrowser(parent), m_loadFinished(std::move(loadFinished))
{
    setOpenLinks(false);
}

void CTextPreview::Navigate(const QUrl& url)
{
    m_url = url;
    // The text browser reads the file at once; deferring it lets the click
    // that asked for it finish first, as a real browser would.
    QTimer::singleShot(0, this, [this, url] {
        if (m_url != url) {
            return; // a later navigation replaced this one
        }
        bool ok = true;
        if (url.isLocalFile()) {
            ok = QFileInfo(url.toLocalFile()).isFile();
            if (ok) {
                setSource(url);
            } else {
                setHtml(tr("<p>The file %1 cannot be shown.</p>").arg(url.toLocalFile().toHtmlEscaped()));
            }
        } else {
            clear();
        }
        if (m_loadFinished) {
            m_loadFinished(ok);
        }
    });
}

void CTextPreview::RunScript(const QString& /*source*/, ScriptResultHandler result)
{
    if (result) {
        QTimer::singleShot(0, this, [result] { result(QVariant()); });
    }
}
