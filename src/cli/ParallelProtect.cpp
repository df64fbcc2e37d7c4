#include "cli/ParallelProtect.h"

#include "engine/ResultList.h"
#include "model/AppGlobalData.h"

#include <QPair>
#include <QSet>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr qsizetype kBlockSize = 32;

class CBlockResults final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override { rows.append({path, result}); }
    QList<QPair<QString, QString>> rows;
};

struct Block
{
    CBlockResults results;
    int protectedCount = 0;
    int classicMet = 0;
    bool done = false;
};

} // namespace

CParallelProtect::Outcome CParallelProtect::Run(const CAppGlobalData& data, CProtectEngine::Answer restoreAnswer,
                                                IResultList& results, int threads,
                                                std::shared_ptr<const CStrongSiteKeys> strongKeys,
                                                const QString& backupFolder)
{
    const qsizetype count = data.m_listFiles.size();
    const qsizetype blockCount = (count + kBlockSize - 1) / kBlockSize;
    std::vector<Block> blocks{size_t(blockCount)};
    std::atomic<qsizetype> next{0};
    std::mutex mutex;
    std::condition_variable finished;

    const auto worker = [&]() {
        for (qsizetype b = next++; b < blockCount; b = next++) {
            CAppGlobalData blockData = data;
            blockData.m_listFiles = data.m_listFiles.mid(b * kBlockSize, kBlockSize);
            Block& block = blocks[size_t(b)];
            CProtectEngine engine(&blockData, &block.results);
            engine.SetRestoreQuestion([restoreAnswer](const QString&) { return restoreAnswer; });
            engine.SetStrongKeys(strongKeys);
            engine.SetBackupFolder(backupFolder);
            engine.ProtectAll();
            std::lock_guard<std::mutex> lock(mutex);
            block.protectedCount = engine.GetProtectedCount();
            block.classicMet = engine.GetClassicPagesMet();
            block.done = true;
            finished.notify_all();
        }
    };

    results.DeleteAllItems();
    // A path listed twice must be handled twice in list order (the second
    // time it is protected already), and two engines must never write the
    // same page's temporary file: such a list runs on one thread.
    const QSet<QString> distinct(data.m_listFiles.cbegin(), data.m_listFiles.cend());
    if (distinct.size() != count) {
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
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [&] { return blocks[size_t(b)].done; });
        lock.unlock();
        for (const auto& row : blocks[size_t(b)].results.rows) {
            results.AddResultRow(row.first, row.second);
        }
        outcome.protectedCount += blocks[size_t(b)].protectedCount;
        outcome.classicPagesMet += blocks[size_t(b)].classicMet;
    }
    for (std::thread& t : pool) {
        t.join();
    }
    return outcome;
}
