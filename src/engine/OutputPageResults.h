#pragma once

#include "engine/OutputFolder.h"
#include "engine/ResultList.h"

// Passes a page run's results on, and tells the output folder (when there
// is one) each page's outcome, so that it records what was written.
class COutputPageResults final : public IResultList
{
public:
    COutputPageResults(IResultList& next, COutputFolder* folder) : m_next(next), m_pFolder(folder) {}

    void DeleteAllItems() override { m_next.DeleteAllItems(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        m_next.AddResultRow(path, result);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        if (m_pFolder) {
            m_pFolder->NotePage(path, outcome);
        }
        m_next.AddResult(path, outcome, text);
    }

private:
    IResultList& m_next;
    COutputFolder* m_pFolder;
};
