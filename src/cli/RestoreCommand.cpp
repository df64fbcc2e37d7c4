#include "cli/RestoreCommand.h"

#include "cli/Interruption.h"
#include "cli/PathList.h"
#include "cli/PrintedResults.h"
#include "cli/ProgressLine.h"
#include "engine/BackupRestore.h"
#include "engine/SiteAssetPass.h"
#include "files/WebFileFilter.h"
#include "model/AppGlobalData.h"
#include "model/WendlockDoc.h"
#include "session/RestoreSession.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

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
    CAppGlobalData data;
    const bool project = rest.size() == 1 && rest[0].endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive);
    if (project) {
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
                m_context.Error(QStringLiteral("skipped ") + why);
                if (why.endsWith(CWebFileFilter::UndecodableNameReason())) {
                    ++leftOut;
                }
            }
        }
        files = list.Files();
    }
    if (!backupFolder.isEmpty() && !QFileInfo(backupFolder).isDir()) {
        m_context.Error(QStringLiteral("the backup folder %1 does not exist").arg(backupFolder));
    }
    CPrintedResults notRestored(m_context.Out());
    CRestoreSession::Summary summary;
    {
        CProgressLine progress(m_context.Progress() ? &m_context.Err() : nullptr, "restore", files.size());
        CRestoreSession session(files, backupFolder);
        session.SetThreads(qMax(1, QThread::idealThreadCount()));
        session.SetInterruption(CInterruption());
        qsizetype done = 0;
        summary = session.Run([&](const QString& path, const CBackupRestore::Result& result) {
            if (result.IsFailure()) {
                // Every page left as it was is named, with the reason.
                progress.Clear();
                notRestored.AddResultRow(path, result.text);
            }
            progress.Draw(++done);
        });
    }
    int restored = summary.restored;
    int failed = summary.failed;
    if (const int signal = CInterruption::Signal(); signal != 0) {
        m_context.Out() << QStringLiteral("Interrupted: %1 restored, %2 not processed")
                               .arg(restored)
                               .arg(summary.notProcessed)
                        << "\n";
        return CInterruption::ExitCode(signal);
    }
    if (project && data.m_bProtectAssets) {
        // The site's other files, enciphered by the same project.
        restored += CSiteAssetPass::Restore(data, backupFolder, notRestored, failed);
    }
    m_context.Out() << QStringLiteral("%1 files have been restored!").arg(restored) << "\n";
    if (failed > 0) {
        m_context.Error(QStringLiteral("%1 page(s) were not restored (see above)").arg(failed));
    }
    return restored == 0 || failed > 0 || leftOut > 0 ? CCliContext::ExitFailure : CCliContext::ExitOk;
}
