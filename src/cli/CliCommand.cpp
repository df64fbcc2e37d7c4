#include "cli/CliCommand.h"

#include "cli/CliHelp.h"

#include <QCommandLineParser>
#include <QTextStream>

CCliCommand::CCliCommand(CCliContext& context) : m_context(context) {}

int CCliCommand::Run(const QStringList& args)
{
    QCommandLineParser parser;
    // "-o FILE" and "--output FILE" alike; a single dash with a word is
    // not a pile of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    parser.addOptions(Options());
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("wendlock-cli ") + Name()} + args)) {
        return m_context.Usage(Name() + QStringLiteral(": ") + parser.errorText());
    }
    if (parser.isSet(help)) {
        m_context.Out() << CCliHelp::Text(Name());
        return CCliContext::ExitOk;
    }
    return Execute(parser);
}
