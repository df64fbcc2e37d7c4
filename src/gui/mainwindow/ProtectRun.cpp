#include "gui/mainwindow/ProtectRun.h"

#include "engine/OutputFolder.h"
#include "engine/OutputManifest.h"
#include "engine/OutputPageResults.h"
#include "engine/ResultList.h"
#include "engine/SiteAssetPass.h"
#include "engine/StrongSiteKeys.h"
#include "model/AppGlobalData.h"

namespace {

// Where results go when the caller keeps none.
class CNullResults final : public IResultList
{
public:
    void DeleteAllItems() override {}
    void AddResultRow(const QString&, const QString&) override {}
};

// Rows of a run into another folder name the files written there, so that
// Test and Edit open the protected copy, not the plain source.
class CTargetResults final : public IResultList
{
public:
    CTargetResults(IResultList& next, const COutputFolder& output) : m_next(next), m_output(output) {}
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

} // namespace

CProtectRun::CProtectRun(const CAppGlobalData& data, IResultList* results) : m_data(data), m_pResults(results)
{
}

int CProtectRun::Run()
{
    m_bStopped = false;
    if (m_pResults) {
        m_pResults->DeleteAllItems();
    }
    // Without a salt the pages could not be opened by a later run's login;
    // the window draws and saves one before it starts a run, so a copy of
    // the record is only made when a caller did not.
    CAppGlobalData salted;
    const CAppGlobalData* data = &m_data;
    if (m_data.m_nCipher == CAppGlobalData::kCipherStrong && m_data.m_baSalt.isEmpty()) {
        salted = m_data;
        // A folder written before keeps the salt its pages were made with.
        COutputManifest written;
        if (!m_data.m_strOutputFolder.trimmed().isEmpty() &&
            written.Load(m_data.m_strOutputFolder.trimmed()) && written.Salt().size() == 16) {
            salted.m_baSalt = written.Salt();
        }
        salted.EnsureSalt();
        data = &salted;
    }
    m_nClassicMet = 0;
    m_nAssetsEnciphered = 0;
    m_nAssetsFailed = 0;
    m_strSiteWarning.clear();
    const bool strong = data->m_nCipher == CAppGlobalData::kCipherStrong;
    if (!data->m_strOutputFolder.trimmed().isEmpty()) {
        return RunIntoFolder(*data);
    }
    // One engine for the whole run keeps the template and the login script
    // it has read.
    CProtectEngine engine(data, m_pResults);
    engine.SetStrongKeys(m_pStrongKeys);
    engine.SetRestoreQuestion(m_question);
    const QStringList& files = data->m_listFiles;
    for (int i = 0; i < files.size(); ++i) {
        if (m_progress && !m_progress(i, int(files.size()), files.at(i))) {
            m_bStopped = true;
            break;
        }
        engine.ProtectOne(files.at(i));
    }
    m_nClassicMet = engine.GetClassicPagesMet();
    if (!m_bStopped && strong && data->m_bProtectAssets && m_pResults) {
        QString error;
        std::shared_ptr<const CStrongSiteKeys> keys =
            m_pStrongKeys ? m_pStrongKeys : CStrongSiteKeys::Derive(*data, 1, &error);
        if (keys) {
            const CSiteAssetPass::Outcome assets =
                CSiteAssetPass::Run(*data, keys->ContentKey(), QString(), m_strProjectPath, *m_pResults);
            m_nAssetsEnciphered = assets.enciphered;
            m_nAssetsFailed = assets.failed + (assets.error.isEmpty() ? 0 : 1);
            m_strSiteWarning = assets.error;
        } else {
            m_nAssetsFailed = 1;
            m_strSiteWarning = error;
        }
    } else if (!data->m_bProtectAssets) {
        m_strSiteWarning = CSiteAssetPass::ClearTextWarning(CSiteAssetPass::ClearTextCarriers(*data));
    }
    return engine.GetProtectedCount();
}

int CProtectRun::RunIntoFolder(const CAppGlobalData& data)
{
    CNullResults none;
    QString error;
    std::shared_ptr<const CStrongSiteKeys> keys = m_pStrongKeys;
    if (!keys && data.m_nCipher == CAppGlobalData::kCipherStrong) {
        keys = CStrongSiteKeys::Derive(data, 1, &error);
        if (!keys) {
            m_strSiteWarning = error;
            return 0;
        }
    }
    COutputFolder output(data, data.m_strOutputFolder.trimmed(), m_strProjectPath);
    if (!output.Check(error) || !output.Plan(keys ? keys->ContentKey() : QByteArray(), false, error)) {
        m_strSiteWarning = error;
        return 0;
    }
    CTargetResults results(m_pResults ? *m_pResults : none, output);
    for (const QString& path : output.UnchangedPages()) {
        results.AddResult(path, ProtectOutcome::Unchanged, ProtectResultText(ProtectOutcome::Unchanged));
    }
    // The pages that changed, with the site root of the whole list.
    CAppGlobalData pages = data;
    pages.m_listFiles = output.PagesToWrite();
    pages.m_strSiteRoot = output.Root();
    COutputPageResults noted(results, &output);
    CProtectEngine engine(&pages, &noted);
    engine.SetStrongKeys(keys);
    engine.SetTargetMap([&output](const QString& path) { return output.TargetOf(path); });
    const QStringList& files = pages.m_listFiles;
    for (int i = 0; i < files.size(); ++i) {
        if (m_progress && !m_progress(i, int(files.size()), files.at(i))) {
            m_bStopped = true;
            break;
        }
        engine.ProtectOne(files.at(i));
    }
    engine.SyncFolders();
    m_nClassicMet = engine.GetClassicPagesMet();
    const bool stopped = m_bStopped;
    const COutputFolder::Outcome written = output.Finish(results, [stopped] { return stopped; });
    m_nAssetsEnciphered = written.enciphered;
    m_nAssetsFailed = written.failed;
    QStringList notes = written.warnings;
    if (!written.error.isEmpty()) {
        notes.prepend(written.error);
    }
    notes.prepend(tr("Written to %1: %2 page(s) protected, %3 file(s) unchanged, %4 copied, %5 removed.")
                      .arg(output.Folder())
                      .arg(engine.GetProtectedCount())
                      .arg(written.unchanged)
                      .arg(written.copied + written.links)
                      .arg(written.removed));
    if (!data.m_bProtectAssets) {
        const QString warning = CSiteAssetPass::ClearTextWarning(CSiteAssetPass::ClearTextCarriers(data));
        if (!warning.isEmpty()) {
            notes.append(warning);
        }
    }
    m_strSiteWarning = notes.join(QStringLiteral("\n\n"));
    return engine.GetProtectedCount();
}
