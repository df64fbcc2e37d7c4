#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <map>
#include <memory>
#include <mutex>

// The files every page of a run copies from: the login-page template and
// the login scripts (where they lie is the page format's). Each file is
// read once per run, however many engines (threads)
// write pages, and shared between them.
class CProject;

class CRunFiles final
{
public:
    using Lines = QList<QByteArray>;

    CRunFiles();

    // The lines of a file, each with its line end; null when it is not a
    // regular file or cannot be read.
    std::shared_ptr<const Lines> LinesOf(const QString& path);
    // A login script as written into pages: its lines, LF as CR LF. Null
    // when it cannot be read.
    std::shared_ptr<const QByteArray> ScriptOf(const QString& path);
    // A template's login body as written into pages: from its body tag on,
    // with the load hook, made safe by CLoginFormSanitizer, LF as CR LF;
    // empty for a template without a body tag. Null when it cannot be read.
    std::shared_ptr<const QByteArray> LoginBodyOf(const QString& templatePath);

    // The site root of the run's project, worked out once for all engines:
    // it looks at every listed page, and a run has an engine per block.
    QString SiteRootOf(const CProject& data);

    // True only the first time any engine of the run asks for a folder:
    // the leftovers of dead runs are looked for once per folder and run,
    // not once per block of pages written there.
    bool FirstVisit(const QString& folder);
    // At the first visit of a folder the run writes in (a page's, a
    // backup's), removes the temporary files that dead runs left there.
    void RemoveLeftoversOnce(const QString& folder);

private:
    std::mutex m_mutex;
    std::map<QString, std::shared_ptr<const Lines>> m_lines;
    std::map<QString, std::shared_ptr<const QByteArray>> m_scripts;
    std::map<QString, std::shared_ptr<const QByteArray>> m_loginBodies;
    QSet<QString> m_visitedFolders;
    std::once_flag m_siteRootOnce;
    QString m_strSiteRoot;
};
