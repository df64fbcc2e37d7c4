#include "cli/PathList.h"

#include "engine/BackupRestore.h"
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
        m_identities.insert(Identity(file), file);
    }
}

void CPathList::Add(const QString& path, QStringList* skipped)
{
    const QFileInfo info(path);
    if (!info.isDir()) {
        // A shell pattern such as dir/* names the backups too.
        if (CBackupRestore::IsBackupName(path)) {
            if (skipped) {
                skipped->append(path + QStringLiteral(": a backup or a temporary file, not a page"));
            }
            return;
        }
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
    const auto seen = m_identities.constFind(identity);
    if (seen == m_identities.cend()) {
        m_identities.insert(identity, file);
        m_files.append(file);
        return;
    }
    // Another name of a file listed: the same path through links is left
    // out, a hard link (a name of its own) is kept.
    const QString real = QFileInfo(file).canonicalFilePath();
    if (!real.isEmpty() && real != QFileInfo(*seen).canonicalFilePath() && !m_files.contains(file)) {
        m_files.append(file);
    }
}
