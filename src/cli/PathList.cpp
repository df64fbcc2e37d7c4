#include "cli/PathList.h"

#include "files/WebFileFilter.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

// What a file is, whatever name it is reached under: its device and inode
// (one system call, where resolving the real path costs one per folder of
// the path); the path itself for a file that is not there.
QString Identity(const QString& file)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) {
        return file;
    }
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

} // namespace

CPathList::CPathList(const QStringList& files) : m_files(files)
{
    m_identities.reserve(files.size());
    for (const QString& file : files) {
        m_identities.insert(Identity(file));
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
    const QString identity = Identity(file);
    if (!m_identities.contains(identity)) {
        m_identities.insert(identity);
        m_files.append(file);
    }
}
