#include "gui/pages/template/TemplatePreview.h"

#include "gui/pages/template/PreviewBackendFactory.h"
#include "gui/pages/template/PreviewModule.h"
#include "gui/pages/template/TextPreview.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

CTemplatePreview::CTemplatePreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    m_pPlaceholder = new QLabel(tr("Loading preview\u2026"), this);
    m_pPlaceholder->setObjectName(QStringLiteral("previewPlaceholder"));
    m_pPlaceholder->setAlignment(Qt::AlignCenter);
    m_pPlaceholder->setEnabled(false);
    layout->addWidget(m_pPlaceholder, 1);
    m_strTarget = BlankPage();
}

CTemplatePreview::~CTemplatePreview()
{
    // Before this frame is half gone: a browser may report a load it
    // abandons while it is deleted.
    if (m_pBrowser) {
        delete m_pBrowser->Widget();
    }
}

void CTemplatePreview::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (!m_pBrowser) {
        // Loading the web engine takes a moment: the tab paints first, with
        // the placeholder, and the browser is made right after.
        QTimer::singleShot(0, this, [self = QPointer<CTemplatePreview>(this)] {
            if (self && !self->m_pBrowser) {
                self->EnsureView();
                self->Load();
            }
        });
    }
}

void CTemplatePreview::EnsureView()
{
    if (m_pBrowser) {
        return;
    }
    // The browser calls back while it lives; the destructor ends it first.
    const auto loadFinished = [this](bool) { m_pPlaceholder->hide(); };
    if (IPreviewBackendFactory* factory = CPreviewModule::Factory()) {
        m_pBrowser = factory->Create(this, loadFinished);
    }
    if (!m_pBrowser) {
        m_pBrowser = new CTextPreview(this, loadFinished);
    }
    QWidget* view = m_pBrowser->Widget();
    // A preview, not a browser: no back/reload/inspect menu.
    view->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(view);
    view->show(); // made while the frame may already be shown
}

void CTemplatePreview::ShowBlank()
{
    Navigate(BlankPage());
}

void CTemplatePreview::Navigate(const QString& target)
{
    m_strTarget = target;
    if (m_pBrowser) {
        Load();
    }
}

void CTemplatePreview::Load()
{
    m_pBrowser->Navigate(m_strTarget == BlankPage() ? QUrl(BlankPage()) : QUrl::fromLocalFile(m_strTarget));
}

QUrl CTemplatePreview::Url() const
{
    if (m_pBrowser) {
        return m_pBrowser->Url();
    }
    return m_strTarget == BlankPage() ? QUrl(BlankPage()) : QUrl::fromLocalFile(m_strTarget);
}

QString CTemplatePreview::Title() const
{
    return m_pBrowser ? m_pBrowser->Title() : QString();
}

IPreviewBackend* CTemplatePreview::Browser()
{
    if (!m_pBrowser) {
        EnsureView();
        Load();
    }
    return m_pBrowser;
}

QWidget* CTemplatePreview::View()
{
    return Browser()->Widget();
}
