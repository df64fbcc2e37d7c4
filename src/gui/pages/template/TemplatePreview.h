#pragma once

#include <QFrame>
#include <QString>
#include <QUrl>

#ifdef WENDLOCK_HAVE_WEBENGINE
class QWebEngineView;
#else
class QTextBrowser;
#endif

// The Template page's preview: an embedded browser that shows a template
// file by its path, or an empty page. Navigation is asynchronous, so the
// window never waits for a page to load. Without Qt WebEngine a text
// browser stands in; it renders simpler HTML but keeps the same calls.
// The browser is made when the preview is first shown: the web engine's
// processes cost about 100 MB, which a session that never opens the
// Template page need not pay.
class CTemplatePreview final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY(CTemplatePreview)

public:
    explicit CTemplatePreview(QWidget* parent = nullptr);

    // "about:blank" shows an empty page; anything else is a local file path.
    void Navigate(const QString& target);
    void ShowBlank();

    // What the last Navigate asked for ("about:blank" or a path), and its URL.
    QString Target() const { return m_strTarget; }
    QUrl Url() const;
    // The document title of what is shown (empty while loading).
    QString Title() const;
    // The browser widget itself, for screenshots; made now if not yet.
    QWidget* View();
    bool HasView() const { return m_pView != nullptr; }

    static QString BlankPage() { return QStringLiteral("about:blank"); }

signals:
    // A navigation ended; ok is false when the page could not be shown.
    void LoadFinished(bool ok);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnsureView();
    void Load();

#ifdef WENDLOCK_HAVE_WEBENGINE
    QWebEngineView* m_pView = nullptr;
#else
    QTextBrowser* m_pView = nullptr;
#endif
    QString m_strTarget;
};
