#pragma once

#include "engine/ProtectEngine.h"

#include <functional>

class CAppGlobalData;
class IResultList;

// Runs a protect job of the command line on every core: the files list is
// cut into blocks, each block is protected by its own engine on a worker
// thread, and the results reach `results` in list order as the blocks
// finish. The pages are independent of each other, so the outcome is the
// same as one engine walking the list; only the time differs. The
// restore-first answer is fixed, as nobody can be asked in between.
class CParallelProtect final
{
public:
    struct Outcome
    {
        int protectedCount = 0;
        // Classic pages met by a strong-format run.
        int classicPagesMet = 0;
        // Pages the run never came to because it was interrupted.
        qsizetype notProcessed = 0;
    };
    // `strongKeys`: the run's keys when the project uses the strong format;
    // `ahead`: page texts deflated while they were derived. `interrupted`
    // is asked before each page: once it says yes, each worker finishes the
    // page in hand and no further page is started; the pages done so far
    // still reach `results`. `targetMap`: where each page's protected text
    // goes when the site is written to another folder.
    static Outcome Run(const CAppGlobalData& data, CProtectEngine::Answer restoreAnswer, IResultList& results,
                       int threads, std::shared_ptr<const CStrongSiteKeys> strongKeys = {},
                       const QString& backupFolder = QString(), std::shared_ptr<CDeflateAhead> ahead = {},
                       std::function<bool()> interrupted = {}, CProtectEngine::TargetMap targetMap = {});
};
