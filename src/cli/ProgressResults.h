#pragma once

#include "engine/ResultList.h"

class CProgressLine;

// Counts the rows on their way to the printed list. A row may go to the
// same terminal, so the progress line makes way for it and comes back
// under it.
class CProgressResults final : public IResultList
{
public:
    CProgressResults(IResultList& rows, CProgressLine& line);

    void DeleteAllItems() override;
    void AddResultRow(const QString& path, const QString& result) override;
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override;

private:
    IResultList& m_rows;
    CProgressLine& m_line;
    qsizetype m_done = 0;
};
