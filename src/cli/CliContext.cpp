#include "cli/CliContext.h"

#include <QTextStream>

CCliContext::CCliContext(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

void CCliContext::Error(const QString& message) const
{
    m_err << "wendlock-cli: " << message << "\n";
}

int CCliContext::Usage(const QString& message) const
{
    m_err << "wendlock-cli: " << message << "\n"
          << "Try 'wendlock-cli --help' for more information.\n";
    return ExitUsage;
}
