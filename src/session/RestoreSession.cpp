#include "session/RestoreSession.h"

#include "engine/RunFiles.h"
#include "session/FolderBlocks.h"

#include <QFileInfo>
#include <vector>

CRestoreSession::CRestoreSession(const QStringList& paths, const QString& backupFolder, QObject* parent)
    : QObject(parent), m_paths(paths), m_strBackupFolder(backupFolder)
{
}

CRestoreSession::~CRestoreSession()
{
    Cancel();
    Wait();
}

bool CRestoreSession::Stopped() const
{
    return m_bCancelled || (m_interrupted && m_interrupted());
}

CRestoreSession::Summary CRestoreSession::Run(const Told& told)
{
    Summary summary;
    const int total = int(m_paths.size());
    m_nDone = 0;
    // Restore writes in the page's and the backup's folders (a backup on
    // another file system is copied beside its page).
    const QString backupFolder = m_strBackupFolder;
    CFolderBlocks blocks(m_paths, [&backupFolder](const QString& path) {
        return QStringList{QFileInfo(path).absolutePath(),
                           QFileInfo(CBackupRestore::FindBackup(path, backupFolder)).absolutePath()};
    });
    std::vector<QList<CBackupRestore::Result>> results(size_t(blocks.Count()));
    CRunFiles run;
    int shown = -1;
    const auto tellProgress = [this, &shown, total] {
        const int done = m_nDone;
        if (done != shown) {
            shown = done;
            emit progress(done, total);
        }
    };
    CFolderBlocks::Callbacks callbacks;
    callbacks.stop = [this] { return Stopped(); };
    callbacks.tick = tellProgress;
    callbacks.work = [&](qsizetype b) {
        for (qsizetype i = blocks.Begin(b); i < blocks.End(b) && !Stopped(); ++i) {
            const QString& path = m_paths.at(i);
            CBackupRestore::Result result;
            if (path.isEmpty()) {
                result.outcome = CBackupRestore::Outcome::NotProtected;
            } else {
                // Both folders lose the leftovers of dead runs, as protect
                // clears them.
                run.RemoveLeftoversOnce(QFileInfo(path).absolutePath());
                run.RemoveLeftoversOnce(
                    QFileInfo(CBackupRestore::FindBackup(path, m_strBackupFolder)).absolutePath());
                result = CBackupRestore::RestoreOne(path, m_strBackupFolder);
            }
            results[size_t(b)].append(result);
            ++m_nDone;
        }
    };
    callbacks.done = [&](qsizetype b, bool) {
        const QList<CBackupRestore::Result>& block = results[size_t(b)];
        for (qsizetype i = 0; i < block.size(); ++i) {
            const CBackupRestore::Result& result = block.at(i);
            if (result.outcome == CBackupRestore::Outcome::Restored) {
                ++summary.restored;
            } else if (result.IsFailure() && !m_paths.at(blocks.Begin(b) + i).isEmpty()) {
                ++summary.failed;
            }
            if (told) {
                told(m_paths.at(blocks.Begin(b) + i), result);
            }
        }
        summary.notProcessed += blocks.End(b) - blocks.Begin(b) - block.size();
        results[size_t(b)].clear();
        tellProgress();
    };
    blocks.Run(m_nThreads, callbacks);
    summary.cancelled = Stopped();
    return summary;
}

void CRestoreSession::Start()
{
    m_run.Start(
        [this] {
            return Run([this](const QString& path, const CBackupRestore::Result& result) {
                if (!path.isEmpty()) {
                    emit fileDone(path, result.IsFailure(), result.text);
                }
            });
        },
        [this] { emit finished(); });
}
