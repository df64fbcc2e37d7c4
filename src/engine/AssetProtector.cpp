#include "engine/AssetProtector.h"

#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/AssetFormat.h"
#include "engine/AssetReader.h"
#include "engine/AssetWriter.h"
#include "engine/BackupRestore.h"
#include "engine/PageSnapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether an enciphered file opens under `key`: its first chunk is tried.
bool OpensWith(const QString& path, const QString& relative, const QByteArray& key)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    CAssetReader reader(key, relative);
    QString error;
    QByteArray plain;
    return reader.Open(in, error) && reader.ReadChunk(0, plain, error);
}

// Whether the file held by `snapshot` starts like an enciphered one.
bool IsEnciphered(const CPageSnapshot& snapshot)
{
    QByteArray head(AssetFormat::kMagicSize, '\0');
    return snapshot.ReadAt(0, head.data(), head.size()) == head.size() && AssetFormat::LooksLikeAsset(head);
}

// Every byte of the file into `to`.
bool CopyAll(const CPageSnapshot& from, CAtomicFile& to)
{
    return from.ReadAll([&to](const char* data, qint64 size) { return to.Write(data, size); });
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
    // Read once, from one descriptor, streamed: backup and enciphered form
    // are of the same bytes, and a change meanwhile is seen.
    CPageSnapshot file;
    if (!file.Open(absolute, 0)) {
        const bool missing = file.Error() == ENOENT;
        text = missing ? ProtectResultText(ProtectOutcome::FileNotExists)
                       : ProtectResultText(ProtectOutcome::OpenFailure) + QLatin1Char(' ') +
                             GetSystemErrorText(file.Error()).trimmed();
        return missing ? ProtectOutcome::FileNotExists : ProtectOutcome::OpenFailure;
    }
    if (!file.IsRegular()) {
        text = ProtectResultText(ProtectOutcome::NotRegularFile);
        return ProtectOutcome::NotRegularFile;
    }
    if (IsEnciphered(file)) {
        if (OpensWith(absolute, relative, m_contentKey)) {
            text = ProtectResultText(ProtectOutcome::ProtectedBefore);
            return ProtectOutcome::ProtectedBefore;
        }
        // Enciphered under an earlier key (everyone was signed out): its
        // backup is the original, enciphered again under the new key.
        CPageSnapshot original;
        if (!original.Open(CBackupRestore::BackupPath(absolute, m_strBackupFolder), 0) ||
            !original.IsRegular()) {
            text = QStringLiteral("Enciphered under an earlier key, and no backup to encipher again");
            return ProtectOutcome::RestoreFailure;
        }
        return EncipherFrom(original, absolute, relative, false, text);
    }
    return EncipherFrom(file, absolute, relative, m_bBackup, text);
}

ProtectOutcome CAssetProtector::EncipherFrom(const CPageSnapshot& source, const QString& path,
                                             const QString& relative, bool makeBackup, QString& text)
{
    const QString backupPath = CBackupRestore::BackupPath(path, m_strBackupFolder);
    CAtomicFile backup(backupPath);
    if (makeBackup) {
        backup.SetReplaceLinks(true);
        if (!m_strBackupFolder.isEmpty() && !QDir().mkpath(QFileInfo(backupPath).absolutePath())) {
            text = ProtectResultText(ProtectOutcome::BackupFailure, GetSystemErrorText(errno));
            return ProtectOutcome::BackupFailure;
        }
        if (!backup.OpenLike(source.Status()) || !CopyAll(source, backup)) {
            text = ProtectResultText(ProtectOutcome::BackupFailure, GetSystemErrorText(backup.Error()));
            return ProtectOutcome::BackupFailure;
        }
    }
    CAtomicFile out(path);
    if (!out.Open(source.Status().st_mode & 07777)) {
        text = ProtectResultText(ProtectOutcome::CreateFailure) + QLatin1Char(' ') +
               GetSystemErrorText(out.Error()).trimmed();
        return ProtectOutcome::CreateFailure;
    }
    qint64 offset = 0;
    const auto read = [&source, &offset](char* data, qint64 size) {
        const qint64 got = source.ReadAt(offset, data, size);
        offset += qMax<qint64>(got, 0);
        return got;
    };
    QFile sealed;
    QString error;
    const bool ok =
        sealed.open(out.Descriptor(), QIODevice::ReadWrite, QFileDevice::DontCloseHandle) &&
        CAssetWriter(m_contentKey).Write(read, sealed, relative, AssetFormat::ShouldDeflate(path), error);
    sealed.close();
    if (!ok) {
        out.Discard();
        backup.Discard();
        text = error.isEmpty() ? ProtectResultText(ProtectOutcome::CreateFailure) : error;
        return ProtectOutcome::CreateFailure;
    }
    // The file must be the one that was read, unchanged, right up to the
    // renames: an edit saved meanwhile would otherwise be lost.
    if (source.Changed()) {
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
    const QString backupPath = CBackupRestore::BackupPath(absolute, m_strBackupFolder);
    CPageSnapshot file;
    CPageSnapshot backup;
    if (!file.Open(absolute, 0) || !file.IsRegular() || !IsEnciphered(file)) {
        text = QStringLiteral("Not enciphered");
        return false;
    }
    if (!backup.Open(backupPath, 0) || !backup.IsRegular()) {
        text = QStringLiteral("No backup");
        return false;
    }
    if (IsEnciphered(backup)) {
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
    if (!out.Open(backup.Status().st_mode & 07777) || !CopyAll(backup, out) || !out.Commit(true)) {
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
