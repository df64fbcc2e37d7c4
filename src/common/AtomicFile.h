#pragma once

#include <QByteArray>
#include <QString>
#include <sys/stat.h>
#include <sys/types.h>

// Replaces a file in one step: the new contents go into a temporary file
// beside it, which is renamed over the file only when complete. The
// temporary name is created exclusively and never through a link; it holds
// a fixed prefix, the boot id and the process id, so that a later run can
// remove what a killed process left behind, and never a live run's or a
// user's file. A symbolic link keeps being a link: the file it points to is
// replaced. Owner, group (where permitted) and mode of the replaced file
// are kept. Not committed, the temporary file is removed.
class CAtomicFile final
{
public:
    explicit CAtomicFile(const QString& target);
    // A link at the target's name is replaced itself instead of the file it
    // points to: for files of our own, such as backups, whose names someone
    // else may have put a link at.
    void SetReplaceLinks(bool replace) { m_bReplaceLinks = replace; }
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file. `newMode` is used when the target does
    // not exist yet; an existing target's mode, owner and group are copied.
    bool Open(mode_t newMode = 0644);
    // Takes mode, owner and group from `model` (e.g. the page a backup is
    // made of) instead of from the target.
    bool OpenLike(const struct stat& model);
    // For files that hold passwords (projects, their JSON, user lists): a
    // new file is made 0600; an existing one keeps its owner and group and
    // only the owner's bits of its mode, so a stricter mode stays. A file
    // the owner may not write is refused (EACCES), never replaced.
    bool OpenPrivate();
    // Writes `bytes` as the whole of the file at `path` that way, on disk
    // before it replaces the file. 0, or the errno of the failure.
    static int WritePrivate(const QString& path, const QByteArray& bytes);
    int Descriptor() const { return m_fd; }
    // Copies the extended attributes of `from` (user.*, and so ACLs and
    // security labels where the system lets us set them) onto the new
    // file; attributes the system refuses are left out. Returns how many
    // were copied.
    int CopyExtendedAttributes(const QString& from);
    // The new file gets these access and modification times when it is
    // committed (a backup keeps its page's times, so a restore brings them
    // back).
    void KeepTimes(const struct stat& model);
    // Writes everything or records the error.
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Starts writing the new file's data out to the disk without waiting,
    // so that the sync before the rename finds little left to do.
    void StartWriteback();
    // Ends the writing: the kept times are set now, so that a later sync
    // covers them too. Nothing may be written after it.
    bool FinishWriting();
    // Waits until the file's data is on the disk (fdatasync); false with
    // the error recorded when it failed. For callers that sync many files
    // at once and then commit without `sync`.
    bool SyncData();
    // Bytes written so far.
    qint64 Written() const { return m_nWritten; }
    // Closes and renames over the target. With `sync` the data reaches the
    // disk first: after a power cut the name never stands for a file whose
    // data was lost. Making the rename itself durable is SyncFolder's part.
    bool Commit(bool sync = false);
    // Closes and removes the temporary file.
    void Discard();

    // errno of the first failure, 0 when none.
    int Error() const { return m_nError; }
    // The file that is replaced: the target, or the file a link points to.
    const QString& ResolvedTarget() const { return m_strResolved; }

    // Removes the temporary files in `folder` whose process is gone (or
    // that an earlier boot left). Returns how many were removed.
    static int RemoveStaleTemporaries(const QString& folder);
    // Makes the renames done in a folder durable (fsync of the folder);
    // false with errno set when that fails.
    static bool SyncFolder(const QString& folder);
    // True for a name this class gives its temporary files.
    static bool IsTemporaryName(const QString& fileName);

private:
    bool Fail(int error);
    bool OpenTemporary(const struct stat* model, mode_t newMode);

    QString m_strTarget;
    QString m_strResolved;
    QByteArray m_tempPath;
    int m_fd = -1;
    int m_nError = 0;
    bool m_bReplaceLinks = false;
    bool m_bPrivate = false;
    bool m_bKeepTimes = false;
    bool m_bFinished = false;
    qint64 m_nWritten = 0;
    struct timespec m_times[2] = {};
};
