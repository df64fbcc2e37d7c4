#include "engine/PageFileOps.h"

#include "common/AtomicFile.h"
#include "engine/BackupBinding.h"
#include "engine/PageSnapshot.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// Copies a page, from the descriptor it was opened with, into a file that
// is not in place yet. Returns 0 or an errno value.
int FillCopy(CAtomicFile& to, const CPageSnapshot& from)
{
    if (!from.ReadAll([&to](const char* data, qint64 size) { return to.Write(data, size); })) {
        return to.Error() != 0 ? to.Error() : (errno != 0 ? errno : EIO);
    }
    return 0;
}

} // namespace

int CPageFileOps::CanReplace(const QString& path, mode_t* mode)
{
    struct stat st
    {
    };
    if (::stat(Native(path).constData(), &st) != 0) {
        return errno;
    }
    if (!(st.st_mode & S_IWUSR)) {
        return EACCES;
    }
    *mode = st.st_mode & 07777;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder =
        slash > 0 ? path.left(slash) : (slash == 0 ? QStringLiteral("/") : QStringLiteral("."));
    return ::access(Native(folder).constData(), W_OK) == 0 ? 0 : errno;
}

std::unique_ptr<CAtomicFile> CPageFileOps::WriteBackup(const CPageSnapshot& page, const QString& backupPath,
                                                       int& error)
{
    auto backup = std::make_unique<CAtomicFile>(backupPath);
    backup->SetReplaceLinks(true);
    error = backup->OpenLike(page.Status()) ? FillCopy(*backup, page) : backup->Error();
    backup->CopyExtendedAttributes(page.Path());
    backup->KeepTimes(page.Status());
    backup->StartWriteback();
    return backup;
}

QString CPageFileOps::StaleBackupNote(const QString& backupPath, const CBackupBinding& binding)
{
    struct stat st
    {
    };
    if (::lstat(Native(backupPath).constData(), &st) != 0) {
        return {};
    }
    CPageSnapshot backup;
    if (S_ISREG(st.st_mode) && backup.Open(backupPath) && binding.Matches(backup)) {
        return {};
    }
    return QStringLiteral(" (its backup %1 holds an earlier version and was kept)").arg(backupPath);
}
