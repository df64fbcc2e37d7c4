#include "cli/PrintedResults.h"

#include <QTextStream>

CPrintedResults::CPrintedResults(QTextStream& out) : m_out(out) {}

void CPrintedResults::AddResultRow(const QString& path, const QString& result)
{
    QString oneLine = result;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_out << oneLine.simplified() << '\t' << path << '\n';
    m_out.flush();
}

void CPrintedResults::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    AddResultRow(path, text);
    m_bFailed = m_bFailed || !IsProtectedOutcome(outcome);
}
