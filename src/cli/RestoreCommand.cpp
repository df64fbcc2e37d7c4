#include "cli/RestoreCommand.h"

#include "cli/Interruption.h"
#include "cli/PathList.h"
#include "cli/ProgressLine.h"
#include "engine/ProtectEngine.h"
#include "engine/RunFiles.h"
#include "files/WebFileFilter.h"
#include "model/AppGlobalData.h"
#include "model/WendlockDoc.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

QString CRestoreCommand::Name() const
{
    return QStringLiteral("restore");
}

QList<QCommandLineOption> CRestoreCommand::Options() const
{
    return {QCommandLineOption(QStringLiteral("backup-dir"), QString(), QStringLiteral("DIR"))};
}

QString CRestoreCommand::UsageText() const
{
    return QStringLiteral("Usage: wendlock-cli restore [--backup-dir DIR] PROJECT.vxp | PATH...\n");
}

int CRestoreCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList rest = parser.positionalArguments();
    const QString backupFolder = parser.value(QStringLiteral("backup-dir"));
    if (parser.isSet(QStringLiteral("backup-dir")) && backupFolder.isEmpty()) {
        return m_context.Usage(QStringLiteral("--backup-dir needs a folder"));
    }
    if (rest.isEmpty()) {
        return m_context.Usage(QStringLiteral("restore needs a project or the protected files"));
    }
    QStringList files;
    // Pages of the folders given whose names can't be carried as text.
    int leftOut = 0;
    if (rest.size() == 1 && rest[0].endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive)) {
        CAppGlobalData data;
        QString error;
        if (!CWendlockDoc::ReadProjectFile(rest[0], data, nullptr, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        files = data.m_listFiles;
    } else {
        CPathList list;
        for (const QString& path : rest) {
            QStringList skipped;
            list.Add(path, &skipped);
            for (const QString& why : skipped) {
                if (why.endsWith(CWebFileFilter::UndecodableNameReason())) {
                    m_context.Error(QStringLiteral("skipped ") + why);
                    ++leftOut;
                }
            }
        }
        files = list.Files();
    }
    int withBackup = 0;
    for (const QString& path : files) {
        withBackup += QFileInfo::exists(CProtectEngine::BackupPath(path, backupFolder)) ? 1 : 0;
    }
    int restored = 0;
    qsizetype done = 0;
    {
        // One file at a time, so that the progress line can count them and
        // a signal ends the run between two of them.
        CProgressLine progress(m_context.Progress() ? &m_context.Err() : nullptr, "restore", files.size());
        CRunFiles run;
        for (; done < files.size() && CInterruption::Signal() == 0; ++done) {
            restored += CProtectEngine::RestoreBackups({files[done]}, backupFolder, &run);
            progress.Draw(done + 1);
        }
    }
    if (const int signal = CInterruption::Signal(); signal != 0) {
        m_context.Out() << QStringLiteral("Interrupted: %1 restored, %2 not processed")
                               .arg(restored)
                               .arg(files.size() - done)
                        << "\n";
        return CInterruption::ExitCode(signal);
    }
    m_context.Out() << QStringLiteral("%1 files have been restored!").arg(restored) << "\n";
    if (restored < withBackup) {
        m_context.Error(
            QStringLiteral("%1 backup(s) were left where they are: their page is not protected (so it is "
                           "newer than the backup), or it cannot be replaced")
                .arg(withBackup - restored));
    }
    return restored == 0 || restored < withBackup || leftOut > 0 ? CCliContext::ExitFailure
                                                                 : CCliContext::ExitOk;
}
