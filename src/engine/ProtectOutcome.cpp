#include "engine/ProtectOutcome.h"

namespace {

// The fixed text, then the system's reason (disk full, read-only, ...) on
// a line of its own, as the backup failure has always given it.
QString WithReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(" \n") + reason;
}

} // namespace

QString ProtectResultText(ProtectOutcome outcome, const QString& detail)
{
    switch (outcome) {
    case ProtectOutcome::Protected:
        return QStringLiteral("Protected");
    case ProtectOutcome::ProtectedBefore:
        return QStringLiteral("Protected before");
    case ProtectOutcome::StillClassic:
        return QStringLiteral("Still in the classic format! Restoring it first converts it "
                              "(--restore-first; in the wizard, answer Yes to restoring it first).");
    case ProtectOutcome::FileNotExists:
        return QStringLiteral("File not exists!");
    case ProtectOutcome::NotRegularFile:
        return QStringLiteral("Not a regular file!");
    case ProtectOutcome::FolderBusy:
        return QStringLiteral("Busy: another run is writing in this folder!");
    case ProtectOutcome::CreateFailure:
        return WithReason(QStringLiteral("Create file failure!"), detail);
    case ProtectOutcome::OverwriteFailure:
        return WithReason(QStringLiteral("Overwrite file failure!"), detail);
    case ProtectOutcome::OpenFailure:
        return QStringLiteral("Open file failure!");
    case ProtectOutcome::NoHeadSection:
        return QStringLiteral("No <head> section!");
    case ProtectOutcome::BackupFailure:
        return QStringLiteral("Backup file failure! \n%1").arg(detail);
    case ProtectOutcome::RestoreFailure:
        return WithReason(QStringLiteral("Restore failure"), detail);
    case ProtectOutcome::ChangedWhileProtected:
        return QStringLiteral("Changed while being protected");
    case ProtectOutcome::EarlierBackup:
        return QStringLiteral("Backup belongs to an earlier version");
    case ProtectOutcome::BackupProtected:
        return QStringLiteral("The backup is itself a protected page");
    case ProtectOutcome::NotAPage:
        return QStringLiteral("Not a page: backups (*.original) and temporary files are never protected");
    case ProtectOutcome::Pending:
        return QStringLiteral("Waiting to be put in place");
    case ProtectOutcome::NotProcessed:
        return QStringLiteral("Not processed: the run was cancelled");
    case ProtectOutcome::Unchanged:
        return QStringLiteral("Up to date");
    case ProtectOutcome::Copied:
        return QStringLiteral("Copied");
    case ProtectOutcome::TemplateFailure:
    case ProtectOutcome::KeyFailure:
        // The reason is the whole text: it names the template or the setting.
        return detail;
    }
    return detail;
}

QString ProtectOutcomeCode(ProtectOutcome outcome)
{
    switch (outcome) {
    case ProtectOutcome::Protected:
        return QStringLiteral("protected");
    case ProtectOutcome::ProtectedBefore:
        return QStringLiteral("protected-before");
    case ProtectOutcome::StillClassic:
        return QStringLiteral("still-classic");
    case ProtectOutcome::FileNotExists:
        return QStringLiteral("not-found");
    case ProtectOutcome::NotRegularFile:
        return QStringLiteral("not-regular-file");
    case ProtectOutcome::FolderBusy:
        return QStringLiteral("folder-busy");
    case ProtectOutcome::CreateFailure:
        return QStringLiteral("create-failure");
    case ProtectOutcome::OverwriteFailure:
        return QStringLiteral("overwrite-failure");
    case ProtectOutcome::OpenFailure:
        return QStringLiteral("open-failure");
    case ProtectOutcome::NoHeadSection:
        return QStringLiteral("no-head-section");
    case ProtectOutcome::BackupFailure:
        return QStringLiteral("backup-failure");
    case ProtectOutcome::RestoreFailure:
        return QStringLiteral("restore-failure");
    case ProtectOutcome::TemplateFailure:
        return QStringLiteral("template-failure");
    case ProtectOutcome::KeyFailure:
        return QStringLiteral("key-failure");
    case ProtectOutcome::ChangedWhileProtected:
        return QStringLiteral("changed-while-protected");
    case ProtectOutcome::EarlierBackup:
        return QStringLiteral("earlier-backup");
    case ProtectOutcome::BackupProtected:
        return QStringLiteral("backup-protected");
    case ProtectOutcome::NotAPage:
        return QStringLiteral("not-a-page");
    case ProtectOutcome::Pending:
        return QStringLiteral("pending");
    case ProtectOutcome::NotProcessed:
        return QStringLiteral("not-processed");
    case ProtectOutcome::Unchanged:
        return QStringLiteral("unchanged");
    case ProtectOutcome::Copied:
        return QStringLiteral("copied");
    }
    return QStringLiteral("unknown");
}
