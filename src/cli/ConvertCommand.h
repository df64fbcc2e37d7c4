#pragma once

#include "cli/CliCommand.h"

// convert IN OUT: a project between .vxp and .json, chosen by extension.
class CConvertCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    int Execute(const QCommandLineParser& parser) override;
};
