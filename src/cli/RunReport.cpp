#include "cli/RunReport.h"

#include <QJsonDocument>
#include <QTextStream>

CRunReport::CRunReport(QTextStream& out, QTextStream& err, Mode mode, const QString& command)
    : m_out(out), m_err(err), m_eMode(mode), m_strCommand(command), m_printed(out), m_printedErrors(err)
{
}

void CRunReport::AddFile(const QString& path, const QString& code, const QString& text, bool ok)
{
    m_nFailed += ok ? 0 : 1;
    switch (m_eMode) {
    case Mode::Text:
        m_printed.AddResultRow(path, text);
        break;
    case Mode::Quiet:
        if (!ok) {
            m_printedErrors.AddResultRow(path, text);
        }
        break;
    case Mode::Json: {
        QString oneLine = text;
        oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_files.append(QJsonObject{{QStringLiteral("path"), path},
                                   {QStringLiteral("code"), code},
                                   {QStringLiteral("text"), oneLine.simplified()},
                                   {QStringLiteral("ok"), ok}});
        break;
    }
    }
}

void CRunReport::AddResultRow(const QString& path, const QString& result)
{
    AddFile(path,
            QStringLiteral("not-") + (m_strCommand == QLatin1String("restore") ? QStringLiteral("restored")
                                                                               : QStringLiteral("done")),
            result, false);
}

void CRunReport::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    // A re-run into an output folder leaves most files as they are: the
    // lines name what was written, the summary counts the rest.
    if (outcome == ProtectOutcome::Unchanged && m_eMode != Mode::Json) {
        return;
    }
    AddFile(path, ProtectOutcomeCode(outcome), text, IsProtectedOutcome(outcome));
}

void CRunReport::Summary(const QString& line)
{
    if (m_eMode == Mode::Text) {
        m_out << line << "\n";
        m_out.flush();
    } else if (m_eMode == Mode::Json) {
        m_summary.append(line);
    }
}

void CRunReport::Warning(const QString& line)
{
    if (m_eMode == Mode::Text) {
        m_err << "wendlock-cli: warning: " << line << "\n";
        m_err.flush();
    } else if (m_eMode == Mode::Json) {
        m_warnings.append(line);
    }
}

void CRunReport::SetTotal(const QString& name, qint64 value)
{
    m_totals.insert(name, double(value));
}

int CRunReport::Finish(int exitCode)
{
    if (m_eMode == Mode::Json) {
        m_totals.insert(QStringLiteral("failed"), m_nFailed);
        QJsonObject doc{{QStringLiteral("command"), m_strCommand}, {QStringLiteral("exitCode"), exitCode},
                        {QStringLiteral("files"), m_files},        {QStringLiteral("totals"), m_totals},
                        {QStringLiteral("warnings"), m_warnings},  {QStringLiteral("summary"), m_summary}};
        m_out << QJsonDocument(doc).toJson(QJsonDocument::Indented);
        m_out.flush();
    }
    return exitCode;
}
