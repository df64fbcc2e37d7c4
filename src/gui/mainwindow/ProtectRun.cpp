#include "gui/mainwindow/ProtectRun.h"

#include "engine/ResultList.h"
#include "engine/SiteAssetPass.h"
#include "engine/StrongSiteKeys.h"
#include "model/AppGlobalData.h"

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
        salted.EnsureSalt();
        data = &salted;
    }
    m_nClassicMet = 0;
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
    m_nAssetsEnciphered = 0;
    m_nAssetsFailed = 0;
    m_strSiteWarning.clear();
    const bool strong = data->m_nCipher == CAppGlobalData::kCipherStrong;
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
