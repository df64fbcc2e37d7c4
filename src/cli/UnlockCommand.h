#pragma once

#include "cli/CliCommand.h"

// unlock PAGE: writes the page text a protected page carries, given the
// credentials that open it.
class CUnlockCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    QList<QCommandLineOption> Options() const override;
    int Execute(const QCommandLineParser& parser) override;
};
