#pragma once

#include "cli/CliContext.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// One command of wendlock-cli ("protect", "restore", ...). A command
// states its options; its help text lives in CCliHelp. Run() parses the
// arguments after the command's name and does the work.
class CCliCommand
{
public:
    explicit CCliCommand(CCliContext& context);
    virtual ~CCliCommand() = default;
    CCliCommand(const CCliCommand&) = delete;
    CCliCommand& operator=(const CCliCommand&) = delete;

    virtual QString Name() const = 0;
    // Parses `args` and runs the command; returns the exit code.
    int Run(const QStringList& args);

protected:
    // The options the command takes besides -h/--help.
    virtual QList<QCommandLineOption> Options() const { return {}; }
    virtual int Execute(const QCommandLineParser& parser) = 0;

    CCliContext& m_context;
};
