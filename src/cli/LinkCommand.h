#pragma once

#include "cli/CliCommand.h"

// link (PROJECT.vxp | PAGE) URL: prints URL with a share token that logs a
// visitor in as the password would. The token is the secret the login
// script derives from the credentials (base64url), never the password; a
// new salt ("Sign everyone out") makes every token stale.
class CLinkCommand final : public CCliCommand
{
public:
    using CCliCommand::CCliCommand;
    QString Name() const override;

protected:
    QList<QCommandLineOption> Options() const override;
    int Execute(const QCommandLineParser& parser) override;
};
