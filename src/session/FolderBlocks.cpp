#include "session/FolderBlocks.h"

#include <QFile>
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

CFolderBlocks::CFolderBlocks(const QStringList& paths, const FoldersOf& folders, qsizetype blockSize)
    : m_paths(paths), m_nSize(qMax<qsizetype>(1, blockSize)),
      m_nBlocks((paths.size() + m_nSize - 1) / m_nSize)
{
    m_folders.resize(size_t(m_nBlocks));
    for (qsizetype b = 0; b < m_nBlocks; ++b) {
        QStringList& blockFolders = m_folders[size_t(b)];
        for (qsizetype i = Begin(b); i < End(b); ++i) {
            for (const QString& folder : folders(m_paths.at(i))) {
                if (!blockFolders.contains(folder)) {
                    blockFolders.append(folder);
                }
            }
        }
    }
}

bool CFolderBlocks::NamesAFileTwice(const QStringList& paths)
{
    const QSet<QString> distinct(paths.cbegin(), paths.cend());
    if (distinct.size() != paths.size()) {
        return true;
    }
    // Each name of a hard-linked file is protected as a page of its own:
    // protecting one name changes the file the other still names (its link
    // count), which a run on another thread would take for an edit.
    QSet<QPair<quint64, quint64>> linked;
    for (const QString& path : paths) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) == 0 && st.st_nlink > 1 && S_ISREG(st.st_mode)) {
            const QPair<quint64, quint64> id(quint64(st.st_dev), quint64(st.st_ino));
            if (linked.contains(id)) {
                return true;
            }
            linked.insert(id);
        }
    }
    return false;
}

void CFolderBlocks::Run(int threads, const Callbacks& callbacks)
{
    const auto stop = [&callbacks] { return callbacks.stop && callbacks.stop(); };
    std::mutex mutex;
    std::condition_variable finished;
    std::condition_variable freed;
    std::vector<bool> taken(size_t(m_nBlocks), false);
    std::vector<bool> done(size_t(m_nBlocks), false);
    QHash<QString, int> busyFolders;
    qsizetype firstOpen = 0;
    // Under `mutex`: the first block not taken whose folders are free, or
    // -1 when none is free now, or the block count when all are taken.
    const auto takeBlock = [&]() -> qsizetype {
        if (stop()) {
            return m_nBlocks;
        }
        while (firstOpen < m_nBlocks && taken[size_t(firstOpen)]) {
            ++firstOpen;
        }
        for (qsizetype b = firstOpen; b < m_nBlocks; ++b) {
            if (taken[size_t(b)]) {
                continue;
            }
            const QStringList& folders = m_folders[size_t(b)];
            if (std::none_of(folders.cbegin(), folders.cend(),
                             [&](const QString& f) { return busyFolders.value(f) > 0; })) {
                taken[size_t(b)] = true;
                for (const QString& f : folders) {
                    ++busyFolders[f];
                }
                return b;
            }
        }
        return firstOpen < m_nBlocks ? -1 : m_nBlocks;
    };
    const auto worker = [&]() {
        while (true) {
            qsizetype b = -1;
            {
                std::unique_lock<std::mutex> lock(mutex);
                freed.wait(lock, [&] { return (b = takeBlock()) >= 0; });
            }
            if (b >= m_nBlocks) {
                // Others may be waiting for a folder that will never free.
                freed.notify_all();
                return;
            }
            callbacks.work(b);
            std::lock_guard<std::mutex> lock(mutex);
            done[size_t(b)] = true;
            for (const QString& f : m_folders[size_t(b)]) {
                --busyFolders[f];
            }
            finished.notify_all();
            freed.notify_all();
        }
    };

    if (NamesAFileTwice(m_paths)) {
        threads = 1;
    }
    const int workers = int(qBound<qsizetype>(1, qsizetype(threads), qMax<qsizetype>(1, m_nBlocks)));
    std::vector<std::thread> pool;
    pool.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) {
        pool.emplace_back(worker);
    }
    for (qsizetype b = 0; b < m_nBlocks; ++b) {
        std::unique_lock<std::mutex> lock(mutex);
        // A block no worker took before the stop never will be: the workers
        // decide that under the same lock. A stop asked by a signal handler
        // wakes nobody, so the wait looks again now and then.
        while (!finished.wait_for(lock, std::chrono::milliseconds(100),
                                  [&] { return done[size_t(b)] || (!taken[size_t(b)] && stop()); })) {
            freed.notify_all();
            if (callbacks.tick) {
                lock.unlock();
                callbacks.tick();
                lock.lock();
            }
        }
        const bool started = taken[size_t(b)];
        lock.unlock();
        // Wake the workers: a stop seen here may not have been seen by them.
        freed.notify_all();
        callbacks.done(b, started);
    }
    for (std::thread& t : pool) {
        t.join();
    }
}
