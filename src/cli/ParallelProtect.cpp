#include "cli/ParallelProtect.h"

#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "model/AppGlobalData.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>
#include <QSet>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

constexpr qsizetype kBlockSize = 32;

// Whether two names of the list are hard links of one file. Each name is
// protected as a page of its own, one after the other: protecting one name
// changes the file the other still names (its link count), which a run on
// another thread would take for an edit.
bool HasHardLinkedNames(const QStringList& files)
{
    QSet<QPair<quint64, quint64>> linked;
    for (const QString& file : files) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(file).constData(), &st) == 0 && st.st_nlink > 1 && S_ISREG(st.st_mode)) {
            const QPair<quint64, quint64> id(quint64(st.st_dev), quint64(st.st_ino));
            if (linked.contains(id)) {
                return true;
            }
            linked.insert(id);
        }
    }
    return false;
}

class CBlockResults final : public IResultList
{
public:
    struct Row
    {
        QString path;
        ProtectOutcome outcome;
        QString text;
    };
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        rows.append({path, ProtectOutcome::Protected, result});
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        rows.append({path, outcome, text});
    }
    QList<Row> rows;
};

struct Block
{
    CBlockResults results;
    int protectedCount = 0;
    int classicMet = 0;
    bool done = false;
};

} // namespace

CParallelProtect::Outcome
CParallelProtect::Run(const CAppGlobalData& data, CProtectEngine::Answer restoreAnswer, IResultList& results,
                      int threads, std::shared_ptr<const CStrongSiteKeys> strongKeys,
                      const QString& backupFolder, std::shared_ptr<CDeflateAhead> ahead,
                      std::function<bool()> interrupted, CProtectEngine::TargetMap targetMap)
{
    const auto stop = [&interrupted] { return interrupted && interrupted(); };
    const qsizetype count = data.m_listFiles.size();
    const qsizetype blockCount = (count + kBlockSize - 1) / kBlockSize;
    std::vector<Block> blocks{size_t(blockCount)};
    std::mutex mutex;
    std::condition_variable finished;
    // The template and the login script are read once for all workers.
    const auto runFiles = std::make_shared<CRunFiles>();

    // Each page locks its folder, and a thread that finds the lock taken
    // sleeps: two workers must not share a folder. A block goes to a worker
    // only while no other worker is in one of its folders; the results
    // still come out in list order.
    std::vector<QStringList> blockFolders{size_t(blockCount)};
    for (qsizetype b = 0; b < blockCount; ++b) {
        QStringList& folders = blockFolders[size_t(b)];
        for (const QString& path : data.m_listFiles.mid(b * kBlockSize, kBlockSize)) {
            const QString folder = QFileInfo(path).absolutePath();
            if (!folders.contains(folder)) {
                folders.append(folder);
            }
        }
    }
    std::vector<bool> taken(size_t(blockCount), false);
    QHash<QString, int> busyFolders;
    std::condition_variable freed;
    qsizetype firstOpen = 0;
    // Under `mutex`: the first block not taken whose folders are free, or
    // -1 when none is free now, or blockCount when all are taken.
    const auto takeBlock = [&]() -> qsizetype {
        if (stop()) {
            return blockCount;
        }
        while (firstOpen < blockCount && taken[size_t(firstOpen)]) {
            ++firstOpen;
        }
        for (qsizetype b = firstOpen; b < blockCount; ++b) {
            if (taken[size_t(b)]) {
                continue;
            }
            const QStringList& folders = blockFolders[size_t(b)];
            if (std::none_of(folders.cbegin(), folders.cend(),
                             [&](const QString& f) { return busyFolders.value(f) > 0; })) {
                taken[size_t(b)] = true;
                for (const QString& f : folders) {
                    ++busyFolders[f];
                }
                return b;
            }
        }
        return firstOpen < blockCount ? -1 : blockCount;
    };

    const auto worker = [&]() {
        while (true) {
            qsizetype b = -1;
            {
                std::unique_lock<std::mutex> lock(mutex);
                freed.wait(lock, [&] { return (b = takeBlock()) >= 0; });
            }
            if (b >= blockCount) {
                return;
            }
            Block& block = blocks[size_t(b)];
            CProtectEngine engine(&data, &block.results);
            engine.SetRestoreQuestion([restoreAnswer](const QString&) { return restoreAnswer; });
            engine.SetStrongKeys(strongKeys);
            engine.SetRunFiles(runFiles);
            engine.SetDeflateAhead(ahead);
            engine.SetBackupFolder(backupFolder);
            engine.SetTargetMap(targetMap);
            const qsizetype end = qMin(count, (b + 1) * kBlockSize);
            for (qsizetype i = b * kBlockSize; i < end && !stop(); ++i) {
                engine.ProtectOne(data.m_listFiles.at(i));
            }
            // Durable before the block's results are told.
            engine.SyncFolders();
            std::lock_guard<std::mutex> lock(mutex);
            block.protectedCount = engine.GetProtectedCount();
            block.classicMet = engine.GetClassicPagesMet();
            block.done = true;
            for (const QString& f : blockFolders[size_t(b)]) {
                --busyFolders[f];
            }
            finished.notify_all();
            freed.notify_all();
        }
    };

    results.DeleteAllItems();
    // A path listed twice must be handled twice in list order (the second
    // time it is protected already), and two engines must never write the
    // same page's temporary file: such a list runs on one thread.
    const QSet<QString> distinct(data.m_listFiles.cbegin(), data.m_listFiles.cend());
    if (distinct.size() != count || HasHardLinkedNames(data.m_listFiles)) {
        threads = 1;
    }
    std::vector<std::thread> pool;
    const int workers = int(qBound<qsizetype>(1, qsizetype(threads), qMax<qsizetype>(1, blockCount)));
    pool.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) {
        pool.emplace_back(worker);
    }

    Outcome outcome;
    for (qsizetype b = 0; b < blockCount; ++b) {
        const qsizetype size = qMin(count, (b + 1) * kBlockSize) - b * kBlockSize;
        std::unique_lock<std::mutex> lock(mutex);
        // A block no worker took before the interruption never will be: the
        // workers decide that under the same lock.
        // The signal wakes nobody: looked at again now and then.
        while (!finished.wait_for(lock, std::chrono::milliseconds(100),
                                  [&] { return blocks[size_t(b)].done || (!taken[size_t(b)] && stop()); })) {
        }
        lock.unlock();
        outcome.notProcessed += size - blocks[size_t(b)].results.rows.size();
        for (const auto& row : blocks[size_t(b)].results.rows) {
            results.AddResult(row.path, row.outcome, row.text);
        }
        outcome.protectedCount += blocks[size_t(b)].protectedCount;
        outcome.classicPagesMet += blocks[size_t(b)].classicMet;
    }
    for (std::thread& t : pool) {
        t.join();
    }
    return outcome;
}
