#include "cli/CliApp.h"

#include "cli/CliHelp.h"
#include "cli/ConvertCommand.h"
#include "cli/LinkCommand.h"
#include "cli/ProtectCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/ShowCommand.h"
#include "cli/TemplatesCommand.h"
#include "cli/UnlockCommand.h"
#include "common/AppInfo.h"

#include <QFile>
#include <QTextStream>
#include <memory>
#include <vector>

CCliApp::CCliApp(QTextStream& out, QTextStream& err) : m_context(out, err) {}

void CCliApp::PrintHelp()
{
    m_context.Out() << "Usage: wendlock-cli COMMAND [ARGUMENTS]\n"
                       "\n"
                       "Password-protects static web pages from the command line.\n"
                       "\n"
                       "Commands:\n"
                    << CCliHelp::Overview()
                    << "\n"
                       "Options:\n"
                       "  -h, --help             show this help\n"
                       "  -v, --version          print the program version\n"
                       "\n"
                       "Exit codes: 0 done, 1 the job failed, 2 usage error or unreadable input.\n"
                       "\n"
                       "wendlock-cli COMMAND --help describes each option of a command, with examples;\n"
                       "protect --help also lists every key --set takes.\n";
}

namespace {

// The bytes as the user typed them: printable ASCII as it is, every other
// byte as \xHH, so that the one that can't be read stands out.
QString Escaped(const QByteArray& raw)
{
    QString text;
    for (const char c : raw) {
        const auto byte = uchar(c);
        if (byte >= 0x20 && byte < 0x7f) {
            text += QLatin1Char(c);
        } else {
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

} // namespace

int CCliApp::RunRaw(const QList<QByteArray>& arguments)
{
    QStringList decoded;
    decoded.reserve(arguments.size());
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString text = QFile::decodeName(arguments[i]);
        if (QFile::encodeName(text) != arguments[i]) {
            m_context.Error(QStringLiteral("argument %1 (\"%2\") is not valid in this system's character "
                                           "encoding: read as text it would name another file. Rename "
                                           "the file, or run in a locale whose encoding it is written in.")
                                .arg(i + 1)
                                .arg(Escaped(arguments[i])));
            return ExitUsage;
        }
        decoded.append(text);
    }
    return Run(decoded);
}

int CCliApp::Run(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        return m_context.Usage(QStringLiteral("no command given"));
    }
    const QString& command = arguments.first();
    if (command == QLatin1String("-h") || command == QLatin1String("--help") ||
        command == QLatin1String("help")) {
        PrintHelp();
        return ExitOk;
    }
    // Not in the help: the build writes the manual page's synopsis and
    // command sections with it, from the same texts --help prints.
    if (command == QLatin1String("--help-roff") && arguments.size() == 2) {
        const QString roff = CCliHelp::Roff(arguments[1]);
        if (roff.isEmpty()) {
            return m_context.Usage(QStringLiteral("--help-roff takes synopsis or commands"));
        }
        m_context.Out() << roff;
        return ExitOk;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        m_context.Out() << AppInfo::ProgramVersion() << "\n";
        return ExitOk;
    }
    std::vector<std::unique_ptr<CCliCommand>> commands;
    commands.push_back(std::make_unique<CShowCommand>(m_context));
    commands.push_back(std::make_unique<CConvertCommand>(m_context));
    commands.push_back(std::make_unique<CProtectCommand>(m_context));
    commands.push_back(std::make_unique<CRestoreCommand>(m_context));
    commands.push_back(std::make_unique<CUnlockCommand>(m_context));
    commands.push_back(std::make_unique<CLinkCommand>(m_context));
    commands.push_back(std::make_unique<CTemplatesCommand>(m_context));
    for (const auto& candidate : commands) {
        if (candidate->Name() == command) {
            return candidate->Run(arguments.mid(1));
        }
    }
    return m_context.Usage(QStringLiteral("unknown command '%1'").arg(command));
}
