#pragma once

#include <QString>
#include <memory>
#include <sys/types.h>

class CAtomicFile;
class CBackupBinding;
class CPageSnapshot;

// The file operations around a page's new text: whether the page may be
// replaced, its backup, and what a kept backup of another text means.
class CPageFileOps final
{
public:
    // A page is replaced by renaming the new text over it. That needs a
    // writable folder, and a read-only page stays as it is too, as a user
    // expects, even where its folder would allow the rename. Returns 0 (and
    // the page's mode in `mode`) or the errno value that says why not.
    static int CanReplace(const QString& path, mode_t* mode);

    // Writes the backup of the opened page at `backupPath` as a file not in
    // place yet: the page as it was, down to its attributes and times, so
    // that a restore renames it back in their place. A link found at the
    // backup's name is replaced, never written through. `error` gets 0 or
    // an errno value; the file is returned either way (to be discarded).
    static std::unique_ptr<CAtomicFile> WriteBackup(const CPageSnapshot& page, const QString& backupPath,
                                                    int& error);

    // The note added to "Protected" when a backup is kept that the new page
    // (bound to its text by `binding`) does not belong to: a run without
    // backups leaves it as it was. Empty when there is none or it belongs.
    static QString StaleBackupNote(const QString& backupPath, const CBackupBinding& binding);
};
