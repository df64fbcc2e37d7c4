#pragma once

#include "cli/PrintedResults.h"
#include "engine/ResultList.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class QTextStream;

// What protect and restore tell about a run, in the form asked for: the
// usual lines (RESULT<TAB>PATH, a summary, warnings on the error stream),
// only the errors (--quiet), or one JSON document on standard output
// (--json) with every file's path (files left unchanged in an output
// folder only there), outcome code and text, the totals and
// the warnings.
class CRunReport final : public IResultList
{
public:
    enum class Mode
    {
        Text,
        Quiet,
        Json
    };
    CRunReport(QTextStream& out, QTextStream& err, Mode mode, const QString& command);

    void DeleteAllItems() override {}
    // A row without an outcome: a file left as it was, with the reason.
    void AddResultRow(const QString& path, const QString& result) override;
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override;

    // The closing lines of a run ("N file(s) have been protected...").
    void Summary(const QString& line);
    // Something the user should know that is no failure.
    void Warning(const QString& line);
    // A named count of the totals.
    void SetTotal(const QString& name, qint64 value);
    // A file's row with its code as it is ("restored").
    void AddFile(const QString& path, const QString& code, const QString& text, bool ok);
    // Prints the JSON document (in that mode) and returns `exitCode`.
    int Finish(int exitCode);

    bool AnyFailed() const { return m_nFailed > 0; }
    int FailedCount() const { return m_nFailed; }

private:
    QTextStream& m_out;
    QTextStream& m_err;
    const Mode m_eMode;
    const QString m_strCommand;
    CPrintedResults m_printed;
    CPrintedResults m_printedErrors;
    int m_nFailed = 0;
    QJsonArray m_files;
    QJsonArray m_warnings;
    QJsonArray m_summary;
    QJsonObject m_totals;
};
