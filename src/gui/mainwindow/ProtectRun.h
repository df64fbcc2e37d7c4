#pragma once

#include "engine/ProtectEngine.h"

#include <QCoreApplication>
#include <functional>

class CAppGlobalData;
class IResultList;

// One protect run of the window: the engine walks the files list one file
// at a time, so that the window can show how far it got, repaint, and stop
// after the current file when the user cancels. Each file meets exactly the
// engine's rules (restore-first question, backup, rewrite, result row).
class CProtectRun final
{
    Q_DECLARE_TR_FUNCTIONS(CProtectRun)

public:
    // Called before each file with its place in the list; false stops the
    // run before that file.
    using Progress = std::function<bool(int index, int count, const QString& path)>;

    CProtectRun(const CAppGlobalData& data, IResultList* results);

    void SetRestoreQuestion(CProtectEngine::RestoreQuestion question) { m_question = std::move(question); }
    void SetProgress(Progress progress) { m_progress = std::move(progress); }
    // The run's strong-format keys when they were derived beforehand.
    void SetStrongKeys(std::shared_ptr<const CStrongSiteKeys> keys) { m_pStrongKeys = std::move(keys); }

    // Empties the result list, then protects the files in list order; the
    // number of files that ended "Protected".
    int Run();
    bool WasStopped() const { return m_bStopped; }
    // Pages met in the classic format by a strong-format run.
    int ClassicPagesMet() const { return m_nClassicMet; }
    // The project file, never enciphered with the site's other files.
    void SetProjectPath(const QString& path) { m_strProjectPath = path; }
    // The site's other files: how many were enciphered and how many not;
    // with the option off, the warning about files that give text away.
    int AssetsEnciphered() const { return m_nAssetsEnciphered; }
    int AssetsFailed() const { return m_nAssetsFailed; }
    const QString& SiteWarning() const { return m_strSiteWarning; }

private:
    // The run of a project that writes its site to another folder.
    int RunIntoFolder(const CAppGlobalData& data);

    const CAppGlobalData& m_data;
    IResultList* m_pResults;
    CProtectEngine::RestoreQuestion m_question;
    Progress m_progress;
    std::shared_ptr<const CStrongSiteKeys> m_pStrongKeys;
    bool m_bStopped = false;
    int m_nClassicMet = 0;
    QString m_strProjectPath;
    int m_nAssetsEnciphered = 0;
    int m_nAssetsFailed = 0;
    QString m_strSiteWarning;
};
