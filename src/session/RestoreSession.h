#pragma once

#include "engine/BackupRestore.h"
#include "session/BackgroundRun.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// One restore run over a list of pages, for the window and the command
// line alike: every page's ".original" backup goes back over it where it
// belongs to the page (CBackupRestore), on several threads in blocks of
// pages, the results in list order. Cancellable between pages.
//
// Run() works on the calling thread (the command line); Start() on a thread
// of its own, telling each page and the end through the signals (the
// window).
class CRestoreSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CRestoreSession)

public:
    struct Summary
    {
        int restored = 0;
        // Pages left protected or missing where a restore was asked for.
        int failed = 0;
        qsizetype notProcessed = 0;
        bool cancelled = false;
    };
    // Each page's result, in list order, on the thread that runs Run().
    using Told = std::function<void(const QString& path, const CBackupRestore::Result& result)>;

    explicit CRestoreSession(const QStringList& paths, const QString& backupFolder = QString(),
                             QObject* parent = nullptr);
    ~CRestoreSession() override;

    void SetThreads(int threads) { m_nThreads = qMax(1, threads); }
    // Asked before each page besides Cancel() (the command line's signals).
    void SetInterruption(std::function<bool()> interrupted) { m_interrupted = std::move(interrupted); }

    Summary Run(const Told& told);
    // Rows come as fileDone, then finished; Result() holds the summary.
    void Start();
    bool IsRunning() const { return m_run.IsRunning(); }
    void Wait() { m_run.Wait(); }
    Summary Result() const { return m_run.Result(); }
    void Cancel() { m_bCancelled = true; }

signals:
    // `failure`: the page was left protected or missing (see Result::IsFailure).
    void fileDone(const QString& path, bool failure, const QString& text);
    void progress(int done, int total);
    void finished();

private:
    bool Stopped() const;

    const QStringList m_paths;
    const QString m_strBackupFolder;
    int m_nThreads = 1;
    std::function<bool()> m_interrupted;
    std::atomic<bool> m_bCancelled{false};
    std::atomic<int> m_nDone{0};
    // Last member: its thread ends before the rest goes.
    CBackgroundRun<Summary> m_run;
};
