#include "cli/ProgressResults.h"

#include "cli/ProgressLine.h"

CProgressResults::CProgressResults(IResultList& rows, CProgressLine& line) : m_rows(rows), m_line(line) {}

void CProgressResults::DeleteAllItems()
{
    m_rows.DeleteAllItems();
}

void CProgressResults::AddResultRow(const QString& path, const QString& result)
{
    m_line.Clear();
    m_rows.AddResultRow(path, result);
    m_line.Draw(++m_done);
}

void CProgressResults::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    m_line.Clear();
    m_rows.AddResult(path, outcome, text);
    m_line.Draw(++m_done);
}
