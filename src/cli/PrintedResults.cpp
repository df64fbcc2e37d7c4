#include "cli/PrintedResults.h"

#include <QTextStream>
#include <algorithm>

CPrintedResults::CPrintedResults(QTextStream& out) : m_out(out) {}

void CPrintedResults::AddResultRow(const QString& path, const QString& result)
{
    QString oneLine = result;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_out << oneLine.simplified() << '\t' << QuotedPath(path) << '\n';
    m_out.flush();
}

void CPrintedResults::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    AddResultRow(path, text);
    m_nFailed += IsProtectedOutcome(outcome) ? 0 : 1;
}

QString CPrintedResults::QuotedPath(const QString& path)
{
    const auto isControl = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; };
    if (!path.startsWith(QLatin1Char('"')) && std::none_of(path.cbegin(), path.cend(), isControl)) {
        return path;
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        switch (c.unicode()) {
        case '"':
            quoted += QLatin1String("\\\"");
            break;
        case '\\':
            quoted += QLatin1String("\\\\");
            break;
        case '\n':
            quoted += QLatin1String("\\n");
            break;
        case '\t':
            quoted += QLatin1String("\\t");
            break;
        case '\r':
            quoted += QLatin1String("\\r");
            break;
        default:
            if (isControl(c)) {
                quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                quoted += c;
            }
        }
    }
    return quoted + QLatin1Char('"');
}
