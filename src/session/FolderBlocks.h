#pragma once

#include <QStringList>
#include <functional>

// Runs the work of a run over a list of pages on several threads, in blocks
// of consecutive pages. Each page locks its folder while it is written, and
// a thread that finds the lock taken sleeps: so a block goes to a worker
// only while no other worker is in one of its folders. The blocks are
// handed back on the calling thread in list order as they finish, so the
// results read as if one thread had walked the list.
class CFolderBlocks final
{
public:
    static constexpr qsizetype kBlockSize = 32;
    // The folders the work on one page writes in.
    using FoldersOf = std::function<QStringList(const QString& path)>;

    struct Callbacks
    {
        // On a worker: the pages Begin(block) to End(block) - 1.
        std::function<void(qsizetype block)> work;
        // On the calling thread, once per block in list order: after its
        // work ended, or with `started` false for a block that no worker
        // took before `stop` said yes.
        std::function<void(qsizetype block, bool started)> done;
        // Asked from any thread; once it says yes no further block starts.
        std::function<bool()> stop;
        // On the calling thread, about ten times a second while it waits.
        std::function<void()> tick;
    };

    CFolderBlocks(const QStringList& paths, const FoldersOf& folders, qsizetype blockSize = kBlockSize);

    qsizetype Count() const { return m_nBlocks; }
    qsizetype Begin(qsizetype block) const { return block * m_nSize; }
    qsizetype End(qsizetype block) const { return qMin(m_paths.size(), (block + 1) * m_nSize); }

    // Runs every block on at most `threads` workers and returns when all
    // have been handed to `done`.
    void Run(int threads, const Callbacks& callbacks);

    // Whether the list names one file twice (the same path, or two hard
    // links of one file): such a list runs on one thread, in list order.
    static bool NamesAFileTwice(const QStringList& paths);

private:
    const QStringList m_paths;
    const qsizetype m_nSize;
    const qsizetype m_nBlocks;
    std::vector<QStringList> m_folders;
};
