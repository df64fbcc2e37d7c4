#include "session/ProtectSession.h"

#include "engine/DeflateAhead.h"
#include "engine/OutputFolder.h"
#include "engine/OutputManifest.h"
#include "engine/OutputPageResults.h"
#include "engine/PageFormat.h"
#include "engine/PageFormats.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "engine/SiteAssetPass.h"
#include "engine/StrongSiteKeys.h"
#include "session/FolderBlocks.h"

#include <QFileInfo>
#include <chrono>
#include <condition_variable>
#include <future>
#include <vector>

struct CProtectSession::Pending
{
    void Give(IRunQuestions::Answer answer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!answer_) {
            answer_ = answer;
            given.notify_all();
        }
    }
    IRunQuestions::Answer Wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        given.wait(lock, [this] { return answer_.has_value(); });
        return *answer_;
    }

    std::mutex mutex;
    std::condition_variable given;
    std::optional<IRunQuestions::Answer> answer_;
};

namespace {

struct Row
{
    QString path;
    ProtectOutcome outcome;
    QString text;
};

// The rows of one block, kept until the blocks before it are told. The row
// of a page whose question was answered Cancel is dropped: that page was
// not processed.
class CBlockRows final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        AddResult(path, ProtectOutcome::Protected, result);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        if (!dropPath.isNull() && path == dropPath) {
            dropPath = QString();
            return;
        }
        rows.append({path, outcome, text});
    }
    QList<Row> rows;
    QString dropPath;
};

// Hands the rows on as the session's signal.
class CSignalRows final : public IResultList
{
public:
    explicit CSignalRows(CProtectSession& session) : m_session(session) {}
    void DeleteAllItems() override {}
    void AddResultRow(const QString& path, const QString& result) override
    {
        AddResult(path, ProtectOutcome::Protected, result);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        emit m_session.fileDone(path, int(outcome), text);
    }

private:
    CProtectSession& m_session;
};

// Rows of a run into another folder name the files written there, so that
// the window's Test and Edit open the protected copy, not the plain source.
class CTargetRows final : public IResultList
{
public:
    CTargetRows(IResultList& next, const COutputFolder& output) : m_next(next), m_output(output) {}
    void DeleteAllItems() override { m_next.DeleteAllItems(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        m_next.AddResultRow(m_output.TargetOf(path), result);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        m_next.AddResult(m_output.TargetOf(path), outcome, text);
    }

private:
    IResultList& m_next;
    const COutputFolder& m_output;
};

CProtectEngine::Answer EngineAnswer(IRunQuestions::Answer answer)
{
    switch (answer) {
    case IRunQuestions::Answer::Yes:
    case IRunQuestions::Answer::YesToAll:
        return CProtectEngine::Answer::Yes;
    case IRunQuestions::Answer::No:
    case IRunQuestions::Answer::NoToAll:
        return CProtectEngine::Answer::No;
    case IRunQuestions::Answer::Cancel:
        break;
    }
    return CProtectEngine::Answer::Cancel;
}

} // namespace

struct CProtectSession::Block
{
    CBlockRows rows;
    int classicMet = 0;
};

CProtectSession::CProtectSession(const CProject& data, QObject* parent) : QObject(parent), m_data(data) {}

CProtectSession::~CProtectSession()
{
    Cancel();
    Wait();
}

bool CProtectSession::Stopped() const
{
    return m_bCancelled || (m_interrupted && m_interrupted());
}

void CProtectSession::Cancel()
{
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_bCancelled = true;
        pending = m_pPending;
    }
    if (pending) {
        pending->Give(IRunQuestions::Answer::Cancel);
    }
}

IRunQuestions::Answer CProtectSession::AskRestoreFirst(const QString& path)
{
    std::lock_guard<std::mutex> one(m_askMutex);
    if (m_standing) {
        return *m_standing;
    }
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (m_bCancelled) {
            return IRunQuestions::Answer::Cancel;
        }
        if (!m_pQuestions) {
            return IRunQuestions::Answer::No;
        }
        m_pPending = pending;
    }
    m_pQuestions->AskRestoreFirst(path, [pending](IRunQuestions::Answer answer) { pending->Give(answer); });
    const IRunQuestions::Answer answer = pending->Wait();
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_pPending.reset();
    }
    switch (answer) {
    case IRunQuestions::Answer::YesToAll:
        m_standing = IRunQuestions::Answer::Yes;
        break;
    case IRunQuestions::Answer::NoToAll:
        m_standing = IRunQuestions::Answer::No;
        break;
    case IRunQuestions::Answer::Cancel:
        Cancel();
        break;
    default:
        break;
    }
    return answer;
}

CProtectSession::Summary CProtectSession::Run(IResultList& results)
{
    Summary summary;
    const QStringList files = m_data.m_listFiles;
    const int total = int(files.size());
    m_nDone = 0;
    // The template and the login script are read once for all workers.
    const auto runFiles = std::make_shared<CRunFiles>();
    CFolderBlocks blocks(files,
                         [](const QString& path) { return QStringList{QFileInfo(path).absolutePath()}; });
    std::vector<Block> blockData(size_t(blocks.Count()));
    results.DeleteAllItems();

    int shown = -1;
    const auto tellProgress = [this, &shown, total] {
        const int done = m_nDone;
        if (done != shown) {
            shown = done;
            emit progress(done, total);
        }
    };
    // One format for every worker: it holds the run's keys.
    const std::shared_ptr<CPageFormat> format = CPageFormats::Make(m_data, m_pStrongKeys, m_pAhead);
    CFolderBlocks::Callbacks callbacks;
    callbacks.stop = [this] { return Stopped(); };
    callbacks.tick = tellProgress;
    callbacks.work = [&](qsizetype b) {
        Block& block = blockData[size_t(b)];
        CProtectEngine engine(&m_data, &block.rows);
        engine.SetRestoreQuestion([this, &block](const QString& path) {
            const IRunQuestions::Answer answer = AskRestoreFirst(path);
            if (answer == IRunQuestions::Answer::Cancel) {
                block.rows.dropPath = path;
            }
            return EngineAnswer(answer);
        });
        engine.SetFormat(format);
        engine.SetRunFiles(runFiles);
        engine.SetBackupFolder(m_strBackupFolder);
        engine.SetTargetMap(m_targetMap);
        // Pages are put in place in batches that sync their data once.
        engine.SetBatched(true);
        for (qsizetype i = blocks.Begin(b); i < blocks.End(b) && !Stopped(); ++i) {
            engine.ProtectOne(files.at(i));
            ++m_nDone;
        }
        // Durable before the block's results are told.
        engine.CommitBatch();
        block.classicMet = engine.GetClassicPagesMet();
    };
    callbacks.done = [&](qsizetype b, bool) {
        Block& block = blockData[size_t(b)];
        for (const Row& row : block.rows.rows) {
            results.AddResult(row.path, row.outcome, row.text);
            if (row.outcome == ProtectOutcome::Protected) {
                ++summary.protectedCount;
            } else if (row.outcome == ProtectOutcome::ProtectedBefore) {
                ++summary.skipped;
            } else {
                ++summary.failed;
            }
        }
        // Each worker walks its block from the start and stops between
        // pages, so the pages not reached are the block's last ones.
        for (qsizetype i = blocks.Begin(b) + block.rows.rows.size(); i < blocks.End(b); ++i) {
            ++summary.notProcessed;
            if (m_bReportNotProcessed) {
                results.AddResult(files.at(i), ProtectOutcome::NotProcessed,
                                  ProtectResultText(ProtectOutcome::NotProcessed));
            }
        }
        summary.classicPagesMet += block.classicMet;
        block.rows.rows.clear();
        tellProgress();
    };
    blocks.Run(m_nThreads, callbacks);
    summary.cancelled = Stopped();
    return summary;
}

std::shared_ptr<CDeflateAhead> CProtectSession::DeflateWhile(const CProject& data,
                                                             const std::function<bool()>& ready)
{
    auto ahead = std::make_shared<CDeflateAhead>();
    CProtectEngine engine(&data);
    engine.SetFormat(CPageFormats::Make(data, nullptr, ahead));
    for (const QString& path : data.m_listFiles) {
        if (ready() || ahead->Full()) {
            break;
        }
        engine.PrepareAhead(path);
    }
    return ahead;
}

void CProtectSession::Start()
{
    m_run.Start([this] { return RunWhole(); }, [this] { emit finished(); });
}

CProtectSession::Summary CProtectSession::RunWhole()
{
    const bool strong = m_data.UsesSiteKeys();
    const QString outputFolder = m_data.m_strOutputFolder.trimmed();
    // Without a salt the pages could not be opened by a later run's login;
    // the window draws and saves one before a run, so this is a fallback.
    // A folder written before keeps the salt its pages were made with.
    if (strong && m_data.m_baSalt.isEmpty() && !outputFolder.isEmpty()) {
        COutputManifest written;
        if (written.Load(outputFolder) && written.Salt().size() == 16) {
            m_data.m_baSalt = written.Salt();
        }
    }
    if (strong) {
        m_data.EnsureSalt();
    }
    // The whole list, as the output folder mirrors it; m_data's list
    // becomes the pages it writes.
    const CProject whole = m_data;
    std::unique_ptr<COutputFolder> output;
    if (!outputFolder.isEmpty()) {
        output = std::make_unique<COutputFolder>(whole, outputFolder, m_strProjectPath);
        QString error;
        if (!output->Check(error)) {
            Summary summary;
            summary.error = error;
            summary.notProcessed = m_data.m_listFiles.size();
            return summary;
        }
    }
    if (strong && !m_pStrongKeys) {
        QString error;
        if (m_data.m_nPasswordMode == CProject::kSinglePassword) {
            // One key derivation, which only one core can work on: the
            // others deflate the first pages meanwhile.
            std::future<std::shared_ptr<const CStrongSiteKeys>> keys = std::async(
                std::launch::async, [this, &error] { return CStrongSiteKeys::Derive(m_data, 1, &error); });
            // Into a folder written before, most pages are left as they are.
            if (!m_pAhead && !(output && output->HasRecord())) {
                m_pAhead = DeflateWhile(m_data, [&keys, this] {
                    return m_bCancelled ||
                           keys.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                });
            }
            m_pStrongKeys = keys.get();
        } else {
            m_pStrongKeys = CStrongSiteKeys::Derive(
                m_data, m_nThreads, &error, [this](int done, int total) { emit keysProgress(done, total); });
        }
        if (!m_pStrongKeys) {
            Summary summary;
            summary.error = error;
            summary.notProcessed = m_data.m_listFiles.size();
            return summary;
        }
    }
    CSignalRows rows(*this);
    if (output) {
        return RunIntoFolder(*output, rows);
    }
    Summary summary = Run(rows);
    if (summary.cancelled) {
        return summary;
    }
    if (strong && m_data.m_bProtectAssets) {
        const CSiteAssetPass::Outcome assets = CSiteAssetPass::Run(m_data, m_pStrongKeys->ContentKey(),
                                                                   m_strBackupFolder, m_strProjectPath, rows);
        summary.assetsRun = true;
        summary.assetsEnciphered = assets.enciphered;
        summary.assetsBefore = assets.before;
        summary.assetsFailed = assets.failed + (assets.error.isEmpty() ? 0 : 1);
        summary.siteWarning = assets.error;
    } else if (!m_data.m_bProtectAssets) {
        summary.siteWarning = CSiteAssetPass::ClearTextWarning(CSiteAssetPass::ClearTextCarriers(m_data));
    }
    return summary;
}

CProtectSession::Summary CProtectSession::RunIntoFolder(COutputFolder& output, IResultList& rows)
{
    Summary summary;
    QString error;
    if (!output.Plan(m_pStrongKeys ? m_pStrongKeys->ContentKey() : QByteArray(), false, error)) {
        summary.error = error;
        summary.notProcessed = m_data.m_listFiles.size();
        return summary;
    }
    CTargetRows results(rows, output);
    for (const QString& path : output.UnchangedPages()) {
        results.AddResult(path, ProtectOutcome::Unchanged, ProtectResultText(ProtectOutcome::Unchanged));
    }
    // Only the pages that changed are protected; the site root stays the
    // one of the whole list.
    const QStringList listed = m_data.m_listFiles;
    const QString root = m_data.m_strSiteRoot;
    m_data.m_listFiles = output.PagesToWrite();
    m_data.m_strSiteRoot = output.Root();
    m_targetMap = [&output](const QString& path) { return output.TargetOf(path); };
    {
        // The outputs are recorded as their rows come, in list order.
        COutputPageResults noted(results, &output);
        summary = Run(noted);
    }
    m_targetMap = nullptr;
    m_data.m_listFiles = listed;
    m_data.m_strSiteRoot = root;
    const COutputFolder::Outcome written = output.Finish(results, [this] { return Stopped(); });
    summary.cancelled = Stopped();
    summary.assetsFailed = written.failed + (written.error.isEmpty() ? 0 : 1);
    QStringList notes = written.warnings;
    if (!written.error.isEmpty()) {
        notes.prepend(written.error);
    }
    notes.prepend(tr("Written to %1: %2 page(s) protected, %3 file(s) unchanged, %4 copied, %5 removed.")
                      .arg(output.Folder())
                      .arg(summary.protectedCount)
                      .arg(written.unchanged)
                      .arg(written.copied + written.links)
                      .arg(written.removed));
    if (!m_data.m_bProtectAssets) {
        const QString warning = CSiteAssetPass::ClearTextWarning(CSiteAssetPass::ClearTextCarriers(m_data));
        if (!warning.isEmpty()) {
            notes.append(warning);
        }
    }
    summary.siteWarning = notes.join(QStringLiteral("\n\n"));
    return summary;
}
