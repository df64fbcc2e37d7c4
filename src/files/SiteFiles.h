#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

// The files of a site besides its listed pages: which of them are
// enciphered when a project protects the whole site, which stay public,
// and which carry page text in the clear when it does not. Everything is
// bounded by the site root; nothing outside it is ever named.
class CSiteFiles final
{
public:
    // The deepest folder that holds every page (absolute paths), with a
    // trailing "/"; empty for no pages.
    static QString DefaultRoot(const QStringList& pages);
    // The site root: the folder given (made absolute, with a trailing "/"),
    // or when none is given the default root of the pages.
    static QString RootOf(const QString& given, const QStringList& pages);

    explicit CSiteFiles(const QString& root);

    // Whether `path` (absolute) lies under the root.
    bool Contains(const QString& path) const;
    // The path below the root, "/"-separated, without a leading "/".
    QString Relative(const QString& path) const;

    // Listed pages are never assets.
    void SetPages(const QStringList& pages);
    // Globs below the root: "*" and "?" within a name, "**" across folders;
    // a pattern without "/" matches a name at any depth, one that ends in
    // "/" a folder and all below it.
    void SetExcludePatterns(const QStringList& patterns);
    // Files that must stay readable for the login page to show (what the
    // template refers to, resolved for each page's folder), and files of
    // the run's own (the project file).
    void AddKeptFile(const QString& path);

    // Whether a file below the root stays public whatever the options: the
    // service worker, robots.txt, .well-known/, CNAME, _headers,
    // _redirects, .nojekyll and the favicon.
    static bool IsPublicName(const QString& relativePath);
    // Splits the text of an exclude setting into patterns.
    static QStringList SplitPatterns(const QString& text);

    // Every regular file below the root that is not a listed page, not
    // public, not excluded, not kept, not a backup or temporary file of a
    // run, and not inside a version-control folder. Links are not
    // followed. Sorted, absolute.
    QStringList Assets() const;

    // The references (src, href, url(...)) of a login template that are
    // relative to the page: what the login page loads before anyone has
    // logged in.
    static QStringList TemplateReferences(const QByteArray& templateText);

    // Files below the root that generators write with page text in them
    // (search indexes, page sources, compressed copies of pages, site
    // maps): readable by anyone while the site's other files are not
    // enciphered. Relative paths, sorted.
    QStringList ClearTextCarriers() const;

    static constexpr const char* kWorkerName = "wendlock-sw.js";

private:
    bool IsExcluded(const QString& relativePath) const;
    // Calls visit(absolutePath, relativePath) for every regular file below
    // the root, skipping version-control folders and links.
    template <typename Visit>
    void Walk(Visit visit) const;

    QString m_root;
    QSet<QString> m_pages;
    QSet<QString> m_kept;
    QList<QRegularExpression> m_excludes;
};
