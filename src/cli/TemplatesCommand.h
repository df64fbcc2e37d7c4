#pragma once

#include "cli/CliCommand.h"

// templates: the login-page templates of a password mode, the shipped
// ones first, then the user's own.
class CTemplatesCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    QList<QCommandLineOption> Options() const override;
    int Execute(const QCommandLineParser& parser) override;
};
