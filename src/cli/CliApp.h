#pragma once

#include "cli/CliContext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

// wendlock-cli: hands the arguments to the command they name. Output goes
// to the given streams so the tests can run a command in-process and read
// what it printed.
class CCliApp
{
public:
    enum ExitCode
    {
        ExitOk = CCliContext::ExitOk,
        ExitFailure = CCliContext::ExitFailure,
        ExitUsage = CCliContext::ExitUsage
    };

    CCliApp(QTextStream& out, QTextStream& err);

    // arguments without the program name.
    int Run(const QStringList& arguments);
    // The same from the bytes the system handed over: an argument that
    // does not decode to text that encodes back to the same bytes would
    // name another file (or another password), so it is refused.
    int RunRaw(const QList<QByteArray>& arguments);
    // Where "--password -" reads its line; standard input when not set.
    void SetInput(QIODevice* in) { m_context.SetInput(in); }
    // protect and restore draw a progress line on the error stream (main
    // turns it on when that is a terminal).
    void SetProgress(bool show) { m_context.SetProgress(show); }

private:
    void PrintHelp();

    CCliContext m_context;
};
