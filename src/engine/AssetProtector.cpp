#include "engine/AssetProtector.h"

#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/AssetFormat.h"
#include "engine/AssetReader.h"
#include "engine/AssetWriter.h"
#include "engine/ProtectEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class CFd
{
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

int OpenRead(const QString& path)
{
    // Non-blocking: a FIFO put where a file was must not hang the run.
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Copies every byte of `fd` into `to` with positioned reads, leaving the
// descriptor's offset alone.
bool CopyAll(int fd, CAtomicFile& to)
{
    QByteArray block(256 * 1024, Qt::Uninitialized);
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, block.data(), size_t(block.size()), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!to.Write(block.constData(), got)) {
            return false;
        }
        at += got;
    }
}

// Whether an enciphered file opens under `key`: its first chunk is tried.
bool OpensWith(int fd, const QString& relative, const QByteArray& key)
{
    QFile in;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !in.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        return false;
    }
    CAssetReader reader(key, relative);
    QString error;
    QByteArray plain;
    return reader.Open(in, error) && reader.ReadChunk(0, plain, error);
}

} // namespace

CAssetProtector::CAssetProtector(const QByteArray& contentKey, const QString& siteRoot)
    : m_contentKey(contentKey), m_strRoot(QDir::cleanPath(QDir(siteRoot).absolutePath()))
{
}

void CAssetProtector::SetBackup(bool backup, const QString& folder)
{
    m_bBackup = backup;
    m_strBackupFolder = folder;
}

ProtectOutcome CAssetProtector::Protect(const QString& path, QString& text)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!absolute.startsWith(m_strRoot + QLatin1Char('/'))) {
        text = QStringLiteral("Outside the site root: not touched");
        return ProtectOutcome::NotRegularFile;
    }
    const QString relative = absolute.mid(m_strRoot.size() + 1);
    const QString folder = QFileInfo(absolute).absolutePath();
    // Nothing else writes in the folder while the file and its backup are.
    CFolderLock lock(folder);
    if (!lock.IsLocked()) {
        text = ProtectResultText(ProtectOutcome::FolderBusy);
        return ProtectOutcome::FolderBusy;
    }
    if (!m_visited.contains(folder)) {
        m_visited.insert(folder);
        CAtomicFile::RemoveStaleTemporaries(folder);
    }
    const CFd fd(OpenRead(absolute));
    struct stat st
    {
    };
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        const bool missing = errno == ENOENT;
        text = missing ? ProtectResultText(ProtectOutcome::FileNotExists)
                       : ProtectResultText(ProtectOutcome::OpenFailure) + QLatin1Char(' ') +
                             GetSystemErrorText(errno).trimmed();
        return missing ? ProtectOutcome::FileNotExists : ProtectOutcome::OpenFailure;
    }
    if (!S_ISREG(st.st_mode)) {
        text = ProtectResultText(ProtectOutcome::NotRegularFile);
        return ProtectOutcome::NotRegularFile;
    }
    QByteArray head(AssetFormat::kMagicSize, '\0');
    const ssize_t got = ::pread(fd.Get(), head.data(), size_t(head.size()), 0);
    if (got == AssetFormat::kMagicSize && AssetFormat::LooksLikeAsset(head)) {
        if (OpensWith(fd.Get(), relative, m_contentKey)) {
            text = ProtectResultText(ProtectOutcome::ProtectedBefore);
            return ProtectOutcome::ProtectedBefore;
        }
        // Enciphered under an earlier key (everyone was signed out): its
        // backup is the original, enciphered again under the new key.
        const QString backup = CProtectEngine::BackupPath(absolute, m_strBackupFolder);
        const CFd original(OpenRead(backup));
        if (original.Get() < 0) {
            text = QStringLiteral("Enciphered under an earlier key, and no backup to encipher again");
            return ProtectOutcome::RestoreFailure;
        }
        return EncipherFrom(original.Get(), absolute, relative, false, text);
    }
    return EncipherFrom(fd.Get(), absolute, relative, m_bBackup, text);
}

ProtectOutcome CAssetProtector::EncipherFrom(int fd, const QString& path, const QString& relative,
                                             bool makeBackup, QString& text)
{
    struct stat before
    {
    };
    if (::fstat(fd, &before) != 0) {
        text = ProtectResultText(ProtectOutcome::OpenFailure);
        return ProtectOutcome::OpenFailure;
    }
    const QString backupPath = CProtectEngine::BackupPath(path, m_strBackupFolder);
    CAtomicFile backup(backupPath);
    if (makeBackup) {
        backup.SetReplaceLinks(true);
        if (!m_strBackupFolder.isEmpty() && !QDir().mkpath(QFileInfo(backupPath).absolutePath())) {
            text = ProtectResultText(ProtectOutcome::BackupFailure, GetSystemErrorText(errno));
            return ProtectOutcome::BackupFailure;
        }
        if (!backup.OpenLike(before) || !CopyAll(fd, backup)) {
            text = ProtectResultText(ProtectOutcome::BackupFailure, GetSystemErrorText(backup.Error()));
            return ProtectOutcome::BackupFailure;
        }
    }
    CAtomicFile out(path);
    if (!out.Open(before.st_mode & 07777)) {
        text = ProtectResultText(ProtectOutcome::CreateFailure) + QLatin1Char(' ') +
               GetSystemErrorText(out.Error()).trimmed();
        return ProtectOutcome::CreateFailure;
    }
    QFile in;
    QFile sealed;
    QString error;
    const bool ok =
        ::lseek(fd, 0, SEEK_SET) == 0 && in.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) &&
        sealed.open(out.Descriptor(), QIODevice::ReadWrite, QFileDevice::DontCloseHandle) &&
        CAssetWriter(m_contentKey).Write(in, sealed, relative, AssetFormat::ShouldDeflate(path), error);
    sealed.close();
    if (!ok) {
        out.Discard();
        backup.Discard();
        text = error.isEmpty() ? ProtectResultText(ProtectOutcome::CreateFailure) : error;
        return ProtectOutcome::CreateFailure;
    }
    // The file must be the one that was read, unchanged, right up to the
    // renames: an edit saved meanwhile would otherwise be lost.
    struct stat after
    {
    };
    struct stat now
    {
    };
    const bool unchanged =
        ::fstat(fd, &after) == 0 && SameFile(before, after) &&
        (!makeBackup || (::lstat(QFile::encodeName(path).constData(), &now) == 0 && SameFile(before, now)));
    if (!unchanged) {
        out.Discard();
        backup.Discard();
        text = ProtectResultText(ProtectOutcome::ChangedWhileProtected);
        return ProtectOutcome::ChangedWhileProtected;
    }
    // The backup goes in place first: killed between the two renames, the
    // run leaves the backup beside the file as it was.
    if (makeBackup && !backup.Commit(true)) {
        out.Discard();
        text = ProtectResultText(ProtectOutcome::BackupFailure, GetSystemErrorText(backup.Error()));
        return ProtectOutcome::BackupFailure;
    }
    if (!out.Commit(true)) {
        text = ProtectResultText(ProtectOutcome::OverwriteFailure) + QLatin1Char(' ') +
               GetSystemErrorText(out.Error()).trimmed();
        return ProtectOutcome::OverwriteFailure;
    }
    text = ProtectResultText(ProtectOutcome::Protected);
    return ProtectOutcome::Protected;
}

bool CAssetProtector::Restore(const QString& path, QString& text)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString folder = QFileInfo(absolute).absolutePath();
    CFolderLock lock(folder);
    if (!lock.IsLocked()) {
        text = ProtectResultText(ProtectOutcome::FolderBusy);
        return false;
    }
    const QString backupPath = CProtectEngine::BackupPath(absolute, m_strBackupFolder);
    const CFd fd(OpenRead(absolute));
    const CFd backup(OpenRead(backupPath));
    QByteArray head(AssetFormat::kMagicSize, '\0');
    QByteArray backupHead(AssetFormat::kMagicSize, '\0');
    if (fd.Get() < 0 || ::pread(fd.Get(), head.data(), size_t(head.size()), 0) != head.size() ||
        !AssetFormat::LooksLikeAsset(head)) {
        text = QStringLiteral("Not enciphered");
        return false;
    }
    struct stat st
    {
    };
    if (backup.Get() < 0 || ::fstat(backup.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        text = QStringLiteral("No backup");
        return false;
    }
    if (::pread(backup.Get(), backupHead.data(), size_t(backupHead.size()), 0) == backupHead.size() &&
        AssetFormat::LooksLikeAsset(backupHead)) {
        text = QStringLiteral("The backup is itself enciphered");
        return false;
    }
    if (::rename(QFile::encodeName(backupPath).constData(), QFile::encodeName(absolute).constData()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        text = ProtectResultText(ProtectOutcome::RestoreFailure) + QLatin1Char(' ') +
               GetSystemErrorText(errno).trimmed();
        return false;
    }
    // Backups kept on another file system are copied back, then removed.
    CAtomicFile out(absolute);
    if (!out.Open(st.st_mode & 07777) || !CopyAll(backup.Get(), out) || !out.Commit(true)) {
        text = ProtectResultText(ProtectOutcome::RestoreFailure) + QLatin1Char(' ') +
               GetSystemErrorText(out.Error()).trimmed();
        return false;
    }
    ::unlink(QFile::encodeName(backupPath).constData());
    return true;
}

bool CAssetProtector::WriteWorker(const QByteArray& script, const QByteArray& salt, QString& error)
{
    CAtomicFile out(m_strRoot + QLatin1Char('/') + QLatin1String("wendlock-sw.js"));
    const QByteArray text = "var SITE_SALT = \"" + salt.toBase64() + "\";\n" + script;
    if (!out.Open(0644) || !out.Write(text) || !out.Commit(true)) {
        error =
            QStringLiteral("Cannot write the service worker: ") + GetSystemErrorText(out.Error()).trimmed();
        return false;
    }
    return true;
}

bool CAssetProtector::Unlock(const QString& path, const QString& relative, const QByteArray& contentKey,
                             const QString& outPath, QString& error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    CAssetReader reader(contentKey, relative);
    if (!reader.Open(in, error)) {
        return false;
    }
    CAtomicFile out(outPath);
    if (!out.Open(0600)) {
        error = GetSystemErrorText(out.Error()).trimmed();
        return false;
    }
    if (!reader.ReadAll([&out](const char* data, qsizetype size) { return out.Write(data, size); }, error)) {
        out.Discard();
        return false;
    }
    if (!out.Commit()) {
        error = GetSystemErrorText(out.Error()).trimmed();
        return false;
    }
    return true;
}
