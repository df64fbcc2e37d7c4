#pragma once

#include "cli/CliCommand.h"

// restore: puts the ".original" backups of a project's or the given
// files back over their protected pages.
class CRestoreCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    QList<QCommandLineOption> Options() const override;
    int Execute(const QCommandLineParser& parser) override;
};
