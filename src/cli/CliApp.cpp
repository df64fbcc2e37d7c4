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
    m_context.Out()
        << "Usage: wendlock-cli COMMAND [ARGUMENTS]\n"
           "\n"
           "Password-protects static web pages from the command line.\n"
           "\n"
           "Commands:\n"
           "  show PROJECT.vxp       print the project as JSON\n"
           "  convert IN OUT         convert between .vxp and .json (chosen by extension)\n"
           "  protect [PROJECT.vxp] [--password PW | --password-file FILE | --password -] [--users "
           "FILE.csv]\n"
           "          [--template FILE] [--backup-dir DIR] [--no-backup] [--restore-first] [--set "
           "KEY=VALUE]...\n"
           "          [--output DIR [--force]] [--json | --quiet] [PATH...]\n"
           "                         protect the project's pages and the given files or folders; the "
           "password\n"
           "                         comes from the first line of FILE, a line of standard input (-) or, "
           "when\n"
           "                         nothing else names one, the WENDLOCK_PASSWORD environment variable.\n"
           "                         --output DIR writes the protected site into DIR (the sources stay as\n"
           "                         they are, no backups); a later run writes only what changed, --force\n"
           "                         writes everything\n"
           "  restore [--backup-dir DIR] [--json | --quiet] PROJECT.vxp | PATH...\n"
           "                         put the \".original\" backups back\n"
           "  unlock PAGE [--user NAME] --password PW [-o OUT]\n"
           "                         write the page text a protected page carries\n"
           "  link (PROJECT.vxp | PAGE) [--user NAME] [--password-file FILE | --password -] URL\n"
           "                         print URL with a share token that logs in as the password does\n"
           "  templates [--mode 0|1] list the login-page templates of a password mode\n"
           "\n"
           "Options:\n"
           "  -h, --help             show this help\n"
           "  -v, --version          print the program version\n"
           "  --json                 (protect, restore) print one JSON summary instead of the lines\n"
           "  --quiet                (protect, restore) print only errors\n"
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
