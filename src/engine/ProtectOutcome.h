#pragma once

#include <QString>

// What became of one file of a protect run. The result texts the user sees
// are made from it in one place (ProtectResultText).
enum class ProtectOutcome
{
    Protected,
    ProtectedBefore,
    // A strong-format run left a classic page as it was: not protected in
    // the run's format, and its copies give the password's digest away.
    StillClassic,
    FileNotExists,
    NotRegularFile,
    FolderBusy,
    CreateFailure,
    OverwriteFailure,
    OpenFailure,
    NoHeadSection,
    BackupFailure,
    RestoreFailure,
    TemplateFailure,
    KeyFailure,
    // The page was written or replaced while it was being protected: its
    // new text and backup were dropped, the page is as the other writer
    // left it.
    ChangedWhileProtected,
    // Restore-first found a backup made of another text than the page's.
    EarlierBackup,
    // Restore-first found a backup that is a protected page itself.
    BackupProtected,
    // A backup (*.original) or a temporary file of a run, never a page.
    NotAPage,
    // Written, and waiting in a batch for its commit, which reports the
    // page's real outcome; never shown.
    Pending,
    // The run was cancelled before it came to the file.
    NotProcessed,
    // Written to another folder: left as it was, nothing changed since the
    // last run; or copied there as it is (a file that is not a page).
    Unchanged,
    Copied,
};

// The file is protected, now or from before.
inline bool IsProtectedOutcome(ProtectOutcome outcome)
{
    return outcome == ProtectOutcome::Protected || outcome == ProtectOutcome::ProtectedBefore ||
           outcome == ProtectOutcome::Unchanged || outcome == ProtectOutcome::Copied;
}

// The text of the Result list and the CLI's lines; `detail` completes the
// outcomes that name a file or a system error.
QString ProtectResultText(ProtectOutcome outcome, const QString& detail = QString());

// A short, stable name of the outcome for machine-readable output
// ("protected", "create-failure", ...).
QString ProtectOutcomeCode(ProtectOutcome outcome);
