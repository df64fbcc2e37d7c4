#pragma once

#include <QString>
#include <QStringList>

class CPageSnapshot;
class CRunFiles;

// Puts a ".original" backup back over its protected page, for the restore
// commands and for restore-first. A backup goes back only when it belongs
// to the page: the page is protected, the backup is a file of its own and
// not a protected page itself, and it holds the text the page was made of
// (see CBackupBinding). A linked page is restored in the file the link
// leads to, as protect wrote it; the link stays.
class CBackupRestore final
{
public:
    enum class Outcome
    {
        Restored,
        // Nothing to do: a page that is not protected and has no backup.
        NotProtected,
        // The page is not protected, so it is newer than its backup.
        PageNewer,
        Missing,
        NoBackup,
        NoBackupFolder,
        EarlierBackup,
        BackupProtected,
        BackupNotFile,
        Busy,
        Failure,
    };
    struct Result
    {
        Outcome outcome = Outcome::Failure;
        QString text;
        // Whether the page was left protected or missing where a restore
        // was asked for.
        bool IsFailure() const { return outcome != Outcome::Restored && outcome != Outcome::NotProtected; }
    };

    // Where the backup of `path` is kept: beside it, or under `folder` in a
    // tree that mirrors the pages' absolute paths.
    static QString BackupPath(const QString& path, const QString& folder = QString());
    // Restores one page; `backupFolder` as for BackupPath.
    static Result RestoreOne(const QString& path, const QString& backupFolder = QString());
    // Puts the backups of the given pages back (each renamed over its page
    // in one step) where they belong to their page; returns how many were
    // restored. `notRestored` gets "PATH: reason" for every page left as it
    // was. With the run's files, the leftovers of dead runs in the folders
    // met go too.
    static int RestoreAll(const QStringList& paths, const QString& backupFolder = QString(),
                          QStringList* notRestored = nullptr, CRunFiles* run = nullptr);

    // The file a page's name leads to: itself, or a link's target.
    static QString PageFile(const QString& path);
    // The backup of a page: under its own name, or for a link under the
    // name of its target, whichever exists (the first when neither does).
    static QString FindBackup(const QString& path, const QString& backupFolder);

    // Whether the backup (opened in `backup`) may go over the protected
    // page: Restored when it may, else why not.
    static Outcome CheckBackup(const CPageSnapshot& page, const QString& backupPath, CPageSnapshot& backup);
    // Puts the checked backup in place of `target` in one step: renamed
    // over it, or copied when `keepBackup` or when it is on another file
    // system. 0 or an errno value.
    static int PutBack(const CPageSnapshot& backup, const QString& target, bool keepBackup);

    static QString Text(Outcome outcome, const QString& detail = QString());
    // A backup's name (*.original) or a run's temporary file: never taken
    // for a page, by protect or restore.
    static bool IsBackupName(const QString& path);
};
