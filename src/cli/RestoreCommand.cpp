#include "cli/RestoreCommand.h"

#include "cli/Interruption.h"
#include "cli/PathList.h"
#include "cli/PrintedResults.h"
#include "cli/ProgressLine.h"
#include "cli/RunReport.h"
#include "engine/BackupRestore.h"
#include "engine/SiteAssetPass.h"
#include "files/WebFileFilter.h"
#include "model/Project.h"
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
    return {QCommandLineOption(QStringLiteral("backup-dir"), QString(), QStringLiteral("DIR")),
            QCommandLineOption(QStringLiteral("json")), QCommandLineOption(QStringLiteral("quiet"))};
}

int CRestoreCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList rest = parser.positionalArguments();
    const QString backupFolder = parser.value(QStringLiteral("backup-dir"));
    if (parser.isSet(QStringLiteral("backup-dir")) && backupFolder.isEmpty()) {
        return m_context.Usage(QStringLiteral("--backup-dir needs a folder"));
    }
    if (parser.isSet(QStringLiteral("json")) && parser.isSet(QStringLiteral("quiet"))) {
        return m_context.Usage(QStringLiteral("give --json or --quiet, not both"));
    }
    if (rest.isEmpty()) {
        return m_context.Usage(QStringLiteral("restore needs a project or the protected files"));
    }
    QStringList files;
    // Pages of the folders given whose names can't be carried as text.
    int leftOut = 0;
    CProject data;
    const bool project = rest.size() == 1 && rest[0].endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive);
    if (project) {
        QString error;
        if (!CWendlockDoc::ReadProjectFile(rest[0], data, nullptr, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        if (!data.m_strOutputFolder.trimmed().isEmpty()) {
            m_context.Error(
                QStringLiteral("%1 writes its protected site to %2 and never changes its pages: there "
                               "is nothing to restore (the pages in the site are the originals)")
                    .arg(rest[0], data.m_strOutputFolder));
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
    const CRunReport::Mode mode = parser.isSet(QStringLiteral("json"))    ? CRunReport::Mode::Json
                                  : parser.isSet(QStringLiteral("quiet")) ? CRunReport::Mode::Quiet
                                                                          : CRunReport::Mode::Text;
    CRunReport notRestored(m_context.Out(), m_context.Err(), mode, Name());
    CRestoreSession::Summary summary;
    {
        CProgressLine progress(m_context.Progress() && mode == CRunReport::Mode::Text ? &m_context.Err()
                                                                                      : nullptr,
                               "restore", files.size());
        CRestoreSession session(files, backupFolder);
        session.SetThreads(qMax(1, QThread::idealThreadCount()));
        session.SetInterruption(CInterruption());
        qsizetype done = 0;
        summary = session.Run([&](const QString& path, const CBackupRestore::Result& result) {
            if (result.outcome == CBackupRestore::Outcome::Restored) {
                if (mode == CRunReport::Mode::Json) {
                    notRestored.AddFile(path, QStringLiteral("restored"), QStringLiteral("Restored"), true);
                }
            } else if (result.IsFailure()) {
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
        notRestored.Summary(QStringLiteral("Interrupted: %1 restored, %2 not processed")
                                .arg(restored)
                                .arg(summary.notProcessed));
        return notRestored.Finish(CInterruption::ExitCode(signal));
    }
    if (project && data.m_bProtectAssets) {
        // The site's other files, enciphered by the same project.
        restored += CSiteAssetPass::Restore(data, backupFolder, notRestored, failed);
    }
    notRestored.SetTotal(QStringLiteral("restored"), restored);
    notRestored.Summary(QStringLiteral("%1 files have been restored!").arg(restored));
    if (failed > 0 && mode == CRunReport::Mode::Text) {
        m_context.Error(QStringLiteral("%1 page(s) were not restored (see above)").arg(failed));
    }
    return notRestored.Finish(restored == 0 || failed > 0 || leftOut > 0 ? CCliContext::ExitFailure
                                                                         : CCliContext::ExitOk);
}
