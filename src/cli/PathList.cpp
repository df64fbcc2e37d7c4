#include "cli/PathList.h"

#include "files/WebFileFilter.h"

#include <QFileInfo>

namespace {

QString RealPath(const QString& file)
{
    const QString real = QFileInfo(file).canonicalFilePath();
    return real.isEmpty() ? file : real;
}

} // namespace

CPathList::CPathList(const QStringList& files) : m_files(files)
{
    m_realPaths.reserve(files.size());
    for (const QString& file : files) {
        m_realPaths.insert(RealPath(file));
    }
}

void CPathList::Add(const QString& path, QStringList* skipped)
{
    const QFileInfo info(path);
    if (!info.isDir()) {
        AddFile(info.absoluteFilePath());
        return;
    }
    for (const QString& file : CWebFileFilter::ScanFolder(info.absoluteFilePath(), true, skipped)) {
        AddFile(file);
    }
}

void CPathList::AddFile(const QString& file)
{
    const QString real = RealPath(file);
    if (!m_realPaths.contains(real)) {
        m_realPaths.insert(real);
        m_files.append(file);
    }
}
