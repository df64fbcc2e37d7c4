#pragma once

#include "engine/ProtectEngine.h"
#include "engine/ProtectOutcome.h"
#include "model/Project.h"
#include "session/BackgroundRun.h"
#include "session/RunQuestions.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class CDeflateAhead;
class COutputFolder;
class CStrongSiteKeys;
class IResultList;

// One protect run over a project's files list, for the window and the
// command line alike: the list is cut into blocks of pages, each block is
// protected by its own engine on a worker thread, and the results come out
// in list order. The run can be cancelled at any time (each worker finishes
// the page in hand), asks whether to restore a page protected before
// through IRunQuestions, and tells its progress and each file's result.
//
// Run() works on the calling thread and hands the rows to a result list
// there (the command line). Start() runs the whole job (key derivation,
// pages, the site's other files) on a thread of its own and tells
// everything through the signals, queued to the session's thread (the
// window).
class CProtectSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CProtectSession)

public:
    struct Summary
    {
        int protectedCount = 0;
        // Pages left as they were by choice (protected before).
        int skipped = 0;
        // Pages that could not be protected, with their reason in their row.
        int failed = 0;
        // Classic pages met by a strong-format run.
        int classicPagesMet = 0;
        // Pages the run never came to because it was cancelled.
        qsizetype notProcessed = 0;
        bool cancelled = false;
        // Why nothing could be done at all (the keys could not be derived).
        QString error;
        // The site's other files (strong format with the option on).
        bool assetsRun = false;
        int assetsEnciphered = 0;
        int assetsBefore = 0;
        int assetsFailed = 0;
        // A problem of the site's files: the pass could not run, or files
        // give page text away when the option is off.
        QString siteWarning;
    };

    // The session keeps its own copy of the record: the window may change
    // its pages while the run goes on.
    explicit CProtectSession(const CProject& data, QObject* parent = nullptr);
    // Cancels a run started with Start() and waits for its thread.
    ~CProtectSession() override;

    // Set before the run.
    void SetThreads(int threads) { m_nThreads = qMax(1, threads); }
    // Who answers the restore-first question; without one every page
    // protected before is left as it is. Must outlive the run.
    void SetQuestions(IRunQuestions* questions) { m_pQuestions = questions; }
    // The keys, derived beforehand; without them Start() derives them.
    void SetStrongKeys(std::shared_ptr<const CStrongSiteKeys> keys) { m_pStrongKeys = std::move(keys); }
    void SetDeflateAhead(std::shared_ptr<CDeflateAhead> ahead) { m_pAhead = std::move(ahead); }
    void SetBackupFolder(const QString& folder) { m_strBackupFolder = folder; }
    // The project file, never enciphered with the site's other files.
    void SetProjectPath(const QString& path) { m_strProjectPath = path; }
    // Asked before each page besides Cancel() (the command line's signals).
    void SetInterruption(std::function<bool()> interrupted) { m_interrupted = std::move(interrupted); }
    // Whether the pages never reached get a row "Not processed".
    void SetReportNotProcessed(bool on) { m_bReportNotProcessed = on; }
    // Where each page's protected text goes when the site is written to
    // another folder; the pages themselves are then only read.
    void SetTargetMap(CProtectEngine::TargetMap map) { m_targetMap = std::move(map); }

    // Protects the pages of the list on the calling thread and its workers;
    // `results` is emptied and then gets one row per page reached, in list
    // order, on the calling thread.
    Summary Run(IResultList& results);

    // Runs the whole job on a thread of its own: keys, pages, site files.
    // Rows come as fileDone, then finished; Result() holds the summary.
    void Start();
    bool IsRunning() const { return m_run.IsRunning(); }
    // Waits for the thread of Start() once finished was told.
    void Wait() { m_run.Wait(); }
    Summary Result() const { return m_run.Result(); }

    // From any thread: no further page starts, an open question is
    // answered Cancel.
    void Cancel();
    bool IsCancelled() const { return m_bCancelled; }

    // Deflates the first pages of the list until `ready` says yes or the
    // store is full: work for the other cores while one derives the key.
    static std::shared_ptr<CDeflateAhead> DeflateWhile(const CProject& data,
                                                       const std::function<bool()>& ready);

signals:
    void keysProgress(int done, int total);
    // One listed file's result (outcome: a ProtectOutcome), in list order.
    void fileDone(const QString& path, int outcome, const QString& text);
    // Pages done of the list, in any order.
    void progress(int done, int total);
    void finished();

private:
    struct Pending;
    struct Block;

    bool Stopped() const;
    IRunQuestions::Answer AskRestoreFirst(const QString& path);
    Summary RunWhole();
    // The pages and the other files of a project that writes its site to
    // another folder.
    Summary RunIntoFolder(COutputFolder& output, IResultList& rows);

    CProject m_data;
    int m_nThreads = 1;
    IRunQuestions* m_pQuestions = nullptr;
    std::shared_ptr<const CStrongSiteKeys> m_pStrongKeys;
    std::shared_ptr<CDeflateAhead> m_pAhead;
    QString m_strBackupFolder;
    QString m_strProjectPath;
    std::function<bool()> m_interrupted;
    bool m_bReportNotProcessed = false;
    CProtectEngine::TargetMap m_targetMap;

    std::atomic<bool> m_bCancelled{false};
    std::atomic<int> m_nDone{0};
    // One question at a time; an answer "to All" stands for the rest.
    std::mutex m_askMutex;
    std::optional<IRunQuestions::Answer> m_standing;
    // The question waiting for its answer, which Cancel() gives.
    std::mutex m_stateMutex;
    std::shared_ptr<Pending> m_pPending;
    // Last member: its thread ends before the rest goes.
    CBackgroundRun<Summary> m_run;
};
