#include "engine/PageBatch.h"

#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/PageSnapshot.h"
#include "engine/TextFileWriter.h"

#include <QFileInfo>
#include <cerrno>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// A batch with fewer files on a file system syncs them one by one: a
// single page never waits for other programs' data on the disk.
constexpr int kSyncfsFrom = 3;

// Whether syncfs(2) makes the data written on this file system durable:
// on local disk file systems it writes everything back and commits the
// journal once (and reports a failed writeback, since Linux 5.8). Network and FUSE file systems may not pass
// it on to the server (and overlays not to every layer): their files are synced one by one.
bool SyncfsReaches(int fd)
{
    struct statfs fs
    {
    };
    if (::fstatfs(fd, &fs) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2, ext3 and ext4
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

dev_t DeviceOf(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 ? st.st_dev : dev_t(0);
}

QString ReasonOf(int error)
{
    return error != 0 ? GetSystemErrorText(error) : QString();
}

} // namespace

CPageBatch::CPageBatch(StepHook step) : m_step(std::move(step)) {}

CPageBatch::~CPageBatch() = default;

bool CPageBatch::SyncsSkipped()
{
    static const bool skipped = qEnvironmentVariableIntValue("WENDLOCK_NO_SYNC") == 1;
    return skipped;
}

bool CPageBatch::IsEmpty() const
{
    return m_entries.empty() && m_locks.empty() && m_renamedIn.isEmpty();
}

bool CPageBatch::HoldsFile(const struct stat& file) const
{
    for (const Entry& entry : m_entries) {
        if (entry.page) {
            const struct stat& held = entry.page->snapshot->Status();
            if (held.st_dev == file.st_dev && held.st_ino == file.st_ino) {
                return true;
            }
        }
    }
    return false;
}

void CPageBatch::KeepLock(const QString& folder, std::unique_ptr<CFolderLock> lock)
{
    m_locks[folder] = std::move(lock);
}

void CPageBatch::NoteRename(const QString& folder)
{
    if (!folder.isEmpty() && !m_renamedIn.contains(folder)) {
        m_renamedIn.append(folder);
    }
}

void CPageBatch::NoteFolder(QStringList& folders, const QString& file)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (!folders.contains(folder)) {
        folders.append(folder);
    }
}

void CPageBatch::Add(Page page)
{
    Entry entry;
    entry.row.path = page.path;
    entry.page = std::make_unique<Page>(std::move(page));
    Page& added = *entry.page;
    // The page's bytes were needed to write it; only its identity is now.
    added.snapshot->DropContents();
    added.text->Finish();
    entry.textDevice = DeviceOf(added.text->File().Descriptor());
    m_nBytes += added.text->File().Written();
    if (added.backup) {
        entry.backupDevice = DeviceOf(added.backup->Descriptor());
        m_nBytes += added.backup->Written();
    }
    m_entries.push_back(std::move(entry));
    ++m_nPages;
}

void CPageBatch::AddRow(Row row)
{
    Entry entry;
    entry.row = std::move(row);
    m_entries.push_back(std::move(entry));
}

void CPageBatch::Drop(Entry& entry, ProtectOutcome outcome, int error)
{
    Page& page = *entry.page;
    page.text->Discard();
    if (page.backup) {
        page.backup->Discard();
    }
    entry.row.outcome = outcome;
    entry.row.text = outcome == ProtectOutcome::BackupFailure
                         ? ProtectResultText(outcome, GetSystemErrorText(error))
                         : ProtectResultText(outcome, ReasonOf(error));
    entry.page.reset();
}

void CPageBatch::FinishWriting()
{
    for (Entry& entry : m_entries) {
        if (!entry.page) {
            continue;
        }
        Page& page = *entry.page;
        // A full disk or a write error: page and backup stay as they were.
        if (!page.text->Finish()) {
            Drop(entry, ProtectOutcome::CreateFailure, page.text->Error());
        } else if (page.backup && !page.backup->FinishWriting()) {
            Drop(entry, ProtectOutcome::BackupFailure, page.backup->Error());
        }
    }
}

void CPageBatch::SyncData()
{
    if (SyncsSkipped()) {
        return;
    }
    // Each file's data must be on the disk before a name stands for it:
    // after a power cut a backup or a page is never an empty file. Files
    // are named by their entry, as a failed sync drops the entry's files.
    using File = std::pair<Entry*, bool>;
    const auto fileOf = [](const File& file) -> CAtomicFile* {
        Page* page = file.first->page.get();
        return !page ? nullptr : file.second ? page->backup.get() : &page->text->File();
    };
    std::map<dev_t, std::vector<File>> byDevice;
    for (Entry& entry : m_entries) {
        if (entry.page) {
            byDevice[entry.textDevice].emplace_back(&entry, false);
            if (entry.page->backup) {
                byDevice[entry.backupDevice].emplace_back(&entry, true);
            }
        }
    }
    for (const auto& [device, files] : byDevice) {
        int fd = -1;
        qsizetype live = 0;
        for (const File& file : files) {
            if (CAtomicFile* atomic = fileOf(file)) {
                fd = fd < 0 ? atomic->Descriptor() : fd;
                ++live;
            }
        }
        if (fd < 0 || (live >= kSyncfsFrom && SyncfsReaches(fd) && ::syncfs(fd) == 0)) {
            continue;
        }
        // One by one, also after a failed syncfs: each file's own sync
        // tells which of them could not be written.
        for (const File& file : files) {
            CAtomicFile* atomic = fileOf(file);
            if (atomic && !atomic->SyncData()) {
                Drop(*file.first, file.second ? ProtectOutcome::BackupFailure : ProtectOutcome::CreateFailure,
                     atomic->Error());
            }
        }
    }
}

std::vector<CPageBatch::Row> CPageBatch::Commit()
{
    FinishWriting();
    SyncData();
    QStringList folders = m_renamedIn;
    QStringList otherDeviceFolders;
    // The backups go in place first: a run that ends between the two
    // renames leaves an up-to-date backup beside the unprotected page,
    // never an older backup beside the protected one.
    for (Entry& entry : m_entries) {
        if (!entry.page) {
            continue;
        }
        Page& page = *entry.page;
        if (m_step) {
            m_step("page-synced", page.path);
        }
        // Written or replaced by someone else since it was read: the new
        // text and the backup are of an older text, and would bury the edit.
        if (page.snapshot->Changed()) {
            Drop(entry, ProtectOutcome::ChangedWhileProtected);
            continue;
        }
        if (!page.backup) {
            continue;
        }
        if (!page.backup->Commit()) {
            Drop(entry, ProtectOutcome::BackupFailure, page.backup->Error());
            continue;
        }
        // On one file system the journal keeps the two renames in order; a
        // backup folder on another one is synced before the page changes.
        NoteFolder(entry.backupDevice != entry.textDevice ? otherDeviceFolders : folders,
                   page.backup->ResolvedTarget());
        if (m_step) {
            m_step("backup-renamed", page.path);
        }
    }
    if (!SyncsSkipped()) {
        for (const QString& folder : std::as_const(otherDeviceFolders)) {
            CAtomicFile::SyncFolder(folder);
        }
    }
    for (Entry& entry : m_entries) {
        if (!entry.page) {
            continue;
        }
        Page& page = *entry.page;
        // Once more between the renames: an edit made meanwhile stays in
        // the page, beside the backup of the text before it.
        if (page.snapshot->Changed()) {
            Drop(entry, ProtectOutcome::ChangedWhileProtected);
            continue;
        }
        // The new text replaces the page in one step, keeping its
        // permissions, owner and group, so the page never disappears.
        const QString target = page.text->File().ResolvedTarget();
        if (!page.text->Commit()) {
            const int error = page.text->Error();
            Drop(entry,
                 error == EFBIG || error == ENOSPC || page.text->HasError()
                     ? ProtectOutcome::CreateFailure
                     : ProtectOutcome::OverwriteFailure,
                 error);
            continue;
        }
        NoteFolder(folders, target);
        entry.row.outcome = ProtectOutcome::Protected;
        entry.row.text = ProtectResultText(ProtectOutcome::Protected) + page.note;
        entry.page.reset();
    }
    // A folder that can't be synced (an I/O error) has its renames done
    // all the same; they are as durable as the system makes them.
    if (!SyncsSkipped()) {
        for (const QString& folder : std::as_const(folders)) {
            CAtomicFile::SyncFolder(folder);
        }
    }
    std::vector<Row> rows;
    rows.reserve(m_entries.size());
    for (Entry& entry : m_entries) {
        rows.push_back(std::move(entry.row));
    }
    m_entries.clear();
    m_nPages = 0;
    m_nBytes = 0;
    m_renamedIn.clear();
    m_locks.clear();
    return rows;
}
