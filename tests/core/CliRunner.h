#pragma once

#include "cli/CliApp.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>

// Runs a wendlock-cli command in-process, as the tests of the core do, and
// keeps what it printed.
namespace TestUtil {

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

// `in`: where "--password -" reads its line; `progress`: draw the
// progress line on the error stream.
inline CliRun RunCli(const QStringList& args, QIODevice* in = nullptr, bool progress = false)
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CCliApp app(out, err);
    app.SetInput(in);
    app.SetProgress(progress);
    run.code = app.Run(args);
    out.flush();
    err.flush();
    return run;
}

// The exit code alone; what went to the error stream in `err` when asked.
inline int RunCliCode(const QStringList& args, QString* err = nullptr)
{
    const CliRun run = RunCli(args);
    if (err) {
        *err = run.err;
    }
    return run.code;
}

} // namespace TestUtil
