#pragma once

#include <QFrame>
#include <QString>
#include <QUrl>

class IPreviewBackend;
class QLabel;

// The Template page's preview: an embedded browser that shows a template
// file by its path, or an empty page. Navigation is asynchronous, so the
// window never waits for a page to load. The browser is made when the
// preview is first shown: the web engine's module is loaded then (its
// processes cost about 300 MB, which a session that never opens the
// Template page need not pay). Without that module a text browser stands
// in; it renders simpler HTML but keeps the same calls.
class CTemplatePreview final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY(CTemplatePreview)

public:
    explicit CTemplatePreview(QWidget* parent = nullptr);
    ~CTemplatePreview() override;

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
    bool HasView() const { return m_pBrowser != nullptr; }
    // "Loading preview..." stands in from the first show until the browser
    // has loaded its first page.
    QLabel* Placeholder() const { return m_pPlaceholder; }
    // The browser, for running a script in the page; made now if not yet.
    IPreviewBackend* Browser();

    static QString BlankPage() { return QStringLiteral("about:blank"); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnsureView();
    void Load();

    // A child widget; its Qt parent (this frame) deletes it.
    IPreviewBackend* m_pBrowser = nullptr;
    QLabel* m_pPlaceholder = nullptr;
    QString m_strTarget;
};
