#include "gui/mainwindow/ProtectRun.h"

#include "engine/ResultList.h"
#include "model/AppGlobalData.h"

namespace {

// Passes the rows on but keeps them across the engine's one-file runs,
// each of which starts by emptying its list.
class CKeepRows final : public IResultList
{
public:
    explicit CKeepRows(IResultList* target) : m_pTarget(target) {}
    void DeleteAllItems() override {}
    void AddResultRow(const QString& path, const QString& result) override
    {
        if (m_pTarget) {
            m_pTarget->AddResultRow(path, result);
        }
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        if (m_pTarget) {
            m_pTarget->AddResult(path, outcome, text);
        }
    }

private:
    IResultList* m_pTarget;
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
    // One engine for the whole run keeps the template and the login script
    // it has read; its record lists one file at a time.
    CAppGlobalData oneFile = m_data;
    // Without a salt the pages could not be opened by a later run's login;
    // the window draws and saves one before it starts a run.
    if (oneFile.m_nCipher == CAppGlobalData::kCipherStrong) {
        oneFile.EnsureSalt();
    }
    m_nClassicMet = 0;
    const QStringList files = m_data.m_listFiles;
    CKeepRows rows(m_pResults);
    CProtectEngine engine(&oneFile, &rows);
    engine.SetStrongKeys(m_pStrongKeys);
    engine.SetRestoreQuestion(m_question);
    int protectedCount = 0;
    for (int i = 0; i < files.size(); ++i) {
        if (m_progress && !m_progress(i, int(files.size()), files.at(i))) {
            m_bStopped = true;
            break;
        }
        oneFile.m_listFiles = QStringList{files.at(i)};
        engine.ProtectAll();
        protectedCount += engine.GetProtectedCount();
        m_nClassicMet += engine.GetClassicPagesMet();
    }
    return protectedCount;
}
