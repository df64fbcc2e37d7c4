#pragma once

#include "cli/CliCommand.h"

class CProject;

// protect: protects a project's pages and the given files and folders.
class CProtectCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    QList<QCommandLineOption> Options() const override;
    int Execute(const QCommandLineParser& parser) override;

private:
    // Keeps a salt or content key drawn for this run, and the users the
    // key serves: written back into the project, or printed with the
    // option that reuses it. `keyRenewed`: the key was drawn because a
    // user was removed.
    bool SaveDrawnSalt(const QString& projectPath, const CProject& data, bool keyRenewed);
};
