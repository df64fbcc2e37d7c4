#include "engine/RunFiles.h"

#include "common/AppFolders.h"
#include "common/AsciiText.h"
#include "common/AtomicFile.h"
#include "engine/LoginFormSanitizer.h"
#include "engine/TextLineReader.h"
#include "files/SiteFiles.h"
#include "model/Project.h"

#include <QFile>
#include <sys/stat.h>

namespace {

std::shared_ptr<const CRunFiles::Lines> ReadLines(const QString& path)
{
    // Only regular files: a pipe given as template or script would block.
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    CTextLineReader reader(path);
    if (!reader.Open()) {
        return nullptr;
    }
    auto lines = std::make_shared<CRunFiles::Lines>();
    QByteArray line;
    while (reader.ReadLine(line)) {
        lines->append(line);
    }
    return reader.HasError() ? nullptr : lines;
}

} // namespace

CRunFiles::CRunFiles() = default;

std::shared_ptr<const CRunFiles::Lines> CRunFiles::LinesOf(const QString& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_lines.find(path);
    if (found != m_lines.end()) {
        return found->second;
    }
    // A file that can't be read is asked again for the next page: it may
    // have been a passing failure.
    std::shared_ptr<const Lines> lines = ReadLines(path);
    if (lines) {
        m_lines.emplace(path, lines);
    }
    return lines;
}

std::shared_ptr<const QByteArray> CRunFiles::ScriptOf(const QString& path)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_scripts.find(path);
        if (found != m_scripts.end()) {
            return found->second;
        }
    }
    const std::shared_ptr<const Lines> lines = LinesOf(path);
    if (!lines) {
        return nullptr;
    }
    QByteArray bytes;
    for (const QByteArray& line : *lines) {
        bytes += line;
    }
    auto script = std::make_shared<const QByteArray>(bytes.replace('\n', "\r\n"));
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scripts.emplace(path, std::move(script)).first->second;
}

std::shared_ptr<const QByteArray> CRunFiles::LoginBodyOf(const QString& templatePath)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_loginBodies.find(templatePath);
        if (found != m_loginBodies.end()) {
            return found->second;
        }
    }
    const std::shared_ptr<const Lines> lines = LinesOf(templatePath);
    if (!lines) {
        return nullptr;
    }
    // Everything from the first line with a body tag on; what precedes the
    // tag on its line is dropped. The sanitizer sees the body whole: a tag
    // may span lines.
    QByteArray body;
    bool inBody = false;
    for (const QByteArray& line : *lines) {
        if (inBody) {
            body += line;
            continue;
        }
        const qsizetype p = AsciiText::FindTag(QByteArrayView(line), "<body");
        if (p >= 0) {
            body = "<body onload=\"javascript:vxpcheck();\"" + line.mid(p + 5);
            inBody = true;
        }
    }
    if (inBody) {
        body = CLoginFormSanitizer::Sanitize(body).replace('\n', "\r\n");
    }
    auto written = std::make_shared<const QByteArray>(std::move(body));
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loginBodies.emplace(templatePath, std::move(written)).first->second;
}

bool CRunFiles::FirstVisit(const QString& folder)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_visitedFolders.contains(folder)) {
        return false;
    }
    m_visitedFolders.insert(folder);
    return true;
}

void CRunFiles::RemoveLeftoversOnce(const QString& folder)
{
    if (FirstVisit(folder)) {
        CAtomicFile::RemoveStaleTemporaries(folder);
    }
}

QString CRunFiles::SiteRootOf(const CProject& data)
{
    std::call_once(m_siteRootOnce, [this, &data] {
        m_strSiteRoot = CSiteFiles::RootOf(data.m_strSiteRoot, data.m_listFiles);
    });
    return m_strSiteRoot;
}
