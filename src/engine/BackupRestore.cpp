#include "engine/BackupRestore.h"

#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/BackupBinding.h"
#include "engine/PageSnapshot.h"
#include "engine/ProtectionDetector.h"
#include "engine/RunFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

QString CBackupRestore::Text(Outcome outcome, const QString& detail)
{
    switch (outcome) {
    case Outcome::Restored:
        return QStringLiteral("Restored");
    case Outcome::NotProtected:
        return QStringLiteral("Not protected");
    case Outcome::PageNewer:
        return QStringLiteral("Not restored: the page is not protected, so it is newer than its backup");
    case Outcome::Missing:
        return QStringLiteral("File not exists!");
    case Outcome::NoBackup:
        return QStringLiteral("No backup");
    case Outcome::NoBackupFolder:
        return QStringLiteral("No backup: the backup folder %1 does not exist").arg(detail);
    case Outcome::EarlierBackup:
        return QStringLiteral("Backup belongs to an earlier version");
    case Outcome::BackupProtected:
        return QStringLiteral("The backup is itself a protected page");
    case Outcome::BackupNotFile:
        return QStringLiteral("Not restored: the backup is not a regular file");
    case Outcome::Busy:
        return QStringLiteral("Busy: another run is writing in this folder!");
    case Outcome::Failure:
        return QStringLiteral("Restore failure\n%1").arg(detail);
    }
    return {};
}

bool CBackupRestore::IsBackupName(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return name.endsWith(QLatin1String(".original")) || CAtomicFile::IsTemporaryName(name);
}

QString CBackupRestore::PageFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        return path;
    }
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? info.symLinkTarget() : real;
}

QString CBackupRestore::FindBackup(const QString& path, const QString& backupFolder)
{
    QString own = BackupPath(path, backupFolder);
    const QString file = PageFile(path);
    if (file == path || QFileInfo::exists(own) || QFileInfo(own).isSymLink()) {
        return own;
    }
    const QString target = BackupPath(file, backupFolder);
    return QFileInfo::exists(target) ? target : own;
}

CBackupRestore::Outcome CBackupRestore::CheckBackup(const CPageSnapshot& page, const QString& backupPath,
                                                    CPageSnapshot& backup)
{
    // Only a backup that is a file of its own goes back: a link there could
    // put any file of the system in the page's place.
    struct stat own
    {
    };
    if (::lstat(Native(backupPath).constData(), &own) != 0) {
        return Outcome::NoBackup;
    }
    if (!S_ISREG(own.st_mode) || !backup.Open(backupPath) || !backup.IsRegular()) {
        return Outcome::BackupNotFile;
    }
    if (CProtectionDetector::Detect(backup) != CProtectionDetector::Kind::None) {
        return Outcome::BackupProtected;
    }
    // A page written before bindings existed carries none: its backup goes
    // back as it always did.
    const CBackupBinding binding = CBackupBinding::FromPage(page);
    if (binding.IsValid() && !binding.Matches(backup)) {
        return Outcome::EarlierBackup;
    }
    return Outcome::Restored;
}

int CBackupRestore::PutBack(const CPageSnapshot& backup, const QString& target, bool keepBackup)
{
    if (backup.Changed()) {
        return EAGAIN;
    }
    if (!keepBackup) {
        if (::rename(Native(backup.Path()).constData(), Native(target).constData()) == 0) {
            return 0;
        }
        if (errno != EXDEV) {
            return errno;
        }
    }
    CAtomicFile copy(target);
    if (!copy.OpenLike(backup.Status())) {
        return copy.Error();
    }
    if (!backup.ReadAll([&copy](const char* data, qint64 size) { return copy.Write(data, size); })) {
        const int error = copy.Error() != 0 ? copy.Error() : EIO;
        copy.Discard();
        return error;
    }
    if (!copy.Commit()) {
        return copy.Error() != 0 ? copy.Error() : EIO;
    }
    if (!keepBackup) {
        ::unlink(Native(backup.Path()).constData());
    }
    return 0;
}

CBackupRestore::Result CBackupRestore::RestoreOne(const QString& path, const QString& backupFolder)
{
    const auto result = [](Outcome outcome, const QString& detail = QString()) {
        return Result{outcome, Text(outcome, detail)};
    };
    if (IsBackupName(path)) {
        return result(Outcome::NotProtected);
    }
    const QString target = PageFile(path);
    const QString backupPath = FindBackup(path, backupFolder);
    // Restore and protect runs never interleave in a folder.
    CFolderLock lock(QFileInfo(target).absolutePath());
    if (!lock.IsLocked() && lock.Error() == EWOULDBLOCK) {
        return result(Outcome::Busy);
    }
    const bool haveBackup = QFileInfo::exists(backupPath) || QFileInfo(backupPath).isSymLink();
    CPageSnapshot page;
    if (!page.Open(target)) {
        if (page.Error() != ENOENT) {
            return result(Outcome::Failure, GetSystemErrorText(page.Error()));
        }
        if (!haveBackup) {
            return result(Outcome::Missing);
        }
        // A page that is gone (a run killed at the wrong moment in an old
        // version) gets its backup back.
    } else if (!page.IsRegular() || CProtectionDetector::Detect(page) == CProtectionDetector::Kind::None) {
        return result(haveBackup ? Outcome::PageNewer : Outcome::NotProtected);
    }
    if (!haveBackup) {
        if (!backupFolder.isEmpty() && !QFileInfo(backupFolder).isDir()) {
            return result(Outcome::NoBackupFolder, backupFolder);
        }
        return result(Outcome::NoBackup);
    }
    CPageSnapshot backup;
    const Outcome checked = page.IsOpen() ? CheckBackup(page, backupPath, backup) : Outcome::Restored;
    if (checked != Outcome::Restored) {
        return result(checked);
    }
    if (!page.IsOpen()) {
        struct stat own
        {
        };
        if (::lstat(Native(backupPath).constData(), &own) != 0 || !S_ISREG(own.st_mode) ||
            !backup.Open(backupPath)) {
            return result(Outcome::BackupNotFile);
        }
        if (CProtectionDetector::Detect(backup) != CProtectionDetector::Kind::None) {
            return result(Outcome::BackupProtected);
        }
    }
    if (page.IsOpen() && page.Changed()) {
        return result(Outcome::Failure, QStringLiteral("the page changed while it was being restored"));
    }
    const int error = PutBack(backup, target, false);
    if (error != 0) {
        return result(Outcome::Failure, GetSystemErrorText(error));
    }
    return result(Outcome::Restored);
}

QString CBackupRestore::BackupPath(const QString& path, const QString& folder)
{
    if (folder.isEmpty()) {
        return path + QLatin1String(".original");
    }
    return QDir::cleanPath(QDir(folder).absolutePath() + QLatin1Char('/') +
                           QFileInfo(path).absoluteFilePath()) +
           QLatin1String(".original");
}

int CBackupRestore::RestoreAll(const QStringList& paths, const QString& backupFolder,
                               QStringList* notRestored, CRunFiles* run)
{
    int restored = 0;
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            continue;
        }
        // Restore writes in both folders (a backup on another file system
        // is copied beside its page), and clears both as protect does.
        if (run) {
            run->RemoveLeftoversOnce(QFileInfo(path).absolutePath());
            run->RemoveLeftoversOnce(QFileInfo(BackupPath(path, backupFolder)).absolutePath());
        }
        const Result result = RestoreOne(path, backupFolder);
        if (result.outcome == Outcome::Restored) {
            ++restored;
        } else if (result.IsFailure() && notRestored) {
            notRestored->append(path + QStringLiteral(": ") + result.text);
        }
    }
    return restored;
}
