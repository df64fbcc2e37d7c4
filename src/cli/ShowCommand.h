#pragma once

#include "cli/CliCommand.h"

// show PROJECT.vxp: the project as JSON on standard output.
class CShowCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    int Execute(const QCommandLineParser& parser) override;
};
