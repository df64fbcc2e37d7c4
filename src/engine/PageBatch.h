#pragma once

#include "engine/ProtectOutcome.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <vector>

class CAtomicFile;
class CFolderLock;
class CPageSnapshot;
class CTextFileWriter;

// Pages of a protect run whose new text and backup are written into
// temporary files but not put in place yet. Making a file's data durable
// costs a journal commit each; the batch makes the data of all its pages
// durable at once (one syncfs per file system), then puts each page in
// place as one page would be: under its folder's lock, only when the page
// did not change since it was read, the backup first, then the page; then
// each folder it renamed in is synced once. Each page's result is known
// only then, so the rows of the run wait in the batch, in order.
class CPageBatch final
{
public:
    // The batch is committed when it holds this many pages or this many
    // bytes of temporaries, so its memory, its open descriptors (three a
    // page) and the data one sync waits for stay bounded.
    static constexpr int kMaxPages = 32;
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    struct Page
    {
        QString path;
        // The page as it was read; an edit since then keeps the page out.
        std::unique_ptr<CPageSnapshot> snapshot;
        std::unique_ptr<CTextFileWriter> text;
        // Null in a run without backups.
        std::unique_ptr<CAtomicFile> backup;
        // Added to "Protected".
        QString note;
    };
    struct Row
    {
        QString path;
        ProtectOutcome outcome = ProtectOutcome::Pending;
        QString text;
    };
    // Called at the steps of a commit ("page-synced", "backup-renamed"),
    // so that tests can change a page at a chosen moment.
    using StepHook = std::function<void(const char* step, const QString& path)>;

    explicit CPageBatch(StepHook step = {});
    // The temporaries of pages not committed are removed: their pages stay
    // as they were.
    ~CPageBatch();
    CPageBatch(const CPageBatch&) = delete;
    CPageBatch& operator=(const CPageBatch&) = delete;

    // Nothing waits: no page, no row, no lock.
    bool IsEmpty() const;
    bool HasPages() const { return m_nPages > 0; }
    bool IsFull() const { return m_nPages >= kMaxPages || m_nBytes >= kMaxBytes; }
    // Whether a page of the batch is this file (met again under another
    // name, a link or the same path twice): it must be committed first.
    bool HoldsFile(const struct stat& file) const;

    // Folder locks are held until the commit, so that no other run writes
    // in a folder between a page's check and its renames.
    bool HoldsLock(const QString& folder) const { return m_locks.count(folder) > 0; }
    void KeepLock(const QString& folder, std::unique_ptr<CFolderLock> lock);
    // A rename made outside the batch (a backup put back first), made
    // durable with the batch's.
    void NoteRename(const QString& folder);

    // A written page; the temporaries' writing is finished at the commit.
    void Add(Page page);
    // The result of a file that needs no commit, kept behind the pages
    // before it.
    void AddRow(Row row);

    // Makes the data durable, puts every unchanged page and its backup in
    // place, syncs the folders and lets the locks go. Returns every row in
    // the order they came, each page's with its outcome.
    std::vector<Row> Commit();

    // The bench compares a run with a run without syncs through
    // WENDLOCK_NO_SYNC=1; for measuring only, never for use.
    static bool SyncsSkipped();

private:
    struct Entry
    {
        Row row;
        std::unique_ptr<Page> page;
        dev_t textDevice = 0;
        dev_t backupDevice = 0;
    };
    void Drop(Entry& entry, ProtectOutcome outcome, int error = 0);
    void FinishWriting();
    void SyncData();
    void NoteFolder(QStringList& folders, const QString& file);

    StepHook m_step;
    std::vector<Entry> m_entries;
    int m_nPages = 0;
    qint64 m_nBytes = 0;
    std::map<QString, std::unique_ptr<CFolderLock>> m_locks;
    QStringList m_renamedIn;
};
