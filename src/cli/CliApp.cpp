#include "cli/CliApp.h"

#include "cli/ProjectJson.h"
#include "common/AppInfo.h"
#include "model/AppGlobalData.h"
#include "model/WendlockDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

enum class Format { Unknown, Project, Json };

Format FormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("vxp")) {
        return Format::Project;
    }
    if (suffix == QLatin1String("json")) {
        return Format::Json;
    }
    return Format::Unknown;
}

} // namespace

CCliApp::CCliApp(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
{
}

void CCliApp::PrintHelp()
{
    m_out << "Usage: wendlock-cli COMMAND [ARGUMENTS]\n"
             "\n"
             "Password-protects static web pages from the command line.\n"
             "\n"
             "Commands:\n"
             "  show PROJECT.vxp       print the project as JSON\n"
             "  convert IN OUT         convert between .vxp and .json (chosen by extension)\n"
             "\n"
             "Options:\n"
             "  -h, --help             show this help\n"
             "  -v, --version          print the program version\n"
             "\n"
             "Exit codes: 0 done, 1 the job failed, 2 usage error or unreadable input.\n";
}

int CCliApp::Usage(const QString& message)
{
    m_err << "wendlock-cli: " << message << "\n"
          << "Try 'wendlock-cli --help' for more information.\n";
    return ExitUsage;
}

int CCliApp::Run(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        return Usage(QStringLiteral("no command given"));
    }
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("-h") || command == QLatin1String("--help") || command == QLatin1String("help")) {
        PrintHelp();
        return ExitOk;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        m_out << AppInfo::ProgramVersion() << "\n";
        return ExitOk;
    }
    if (command == QLatin1String("show")) {
        return RunShow(rest);
    }
    if (command == QLatin1String("convert")) {
        return RunConvert(rest);
    }
    return Usage(QStringLiteral("unknown command '%1'").arg(command));
}

int CCliApp::RunShow(const QStringList& args)
{
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        m_out << "Usage: wendlock-cli show PROJECT.vxp\n";
        return ExitOk;
    }
    if (args.size() != 1) {
        return Usage(QStringLiteral("show takes exactly one project file"));
    }
    CAppGlobalData data;
    QString version;
    QString error;
    if (!CWendlockDoc::ReadProjectFile(args[0], data, &version, &error)) {
        m_err << "wendlock-cli: " << error << "\n";
        return ExitUsage;
    }
    m_out << QString::fromUtf8(CProjectJson::ToJson(data, version));
    return ExitOk;
}

int CCliApp::RunConvert(const QStringList& args)
{
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        m_out << "Usage: wendlock-cli convert IN OUT   (each .vxp or .json)\n";
        return ExitOk;
    }
    if (args.size() != 2) {
        return Usage(QStringLiteral("convert takes an input and an output file"));
    }
    const QString& in = args[0];
    const QString& out = args[1];
    const Format inFormat = FormatOf(in);
    const Format outFormat = FormatOf(out);
    if (inFormat == Format::Unknown || outFormat == Format::Unknown) {
        return Usage(QStringLiteral("files must end in .vxp or .json"));
    }

    CAppGlobalData data;
    QString version = AppInfo::ProgramVersion();
    QString error;
    if (inFormat == Format::Project) {
        if (!CWendlockDoc::ReadProjectFile(in, data, &version, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitUsage;
        }
    } else {
        QFile file(in);
        if (!file.open(QIODevice::ReadOnly)) {
            m_err << "wendlock-cli: cannot read " << in << ": " << file.errorString() << "\n";
            return ExitUsage;
        }
        if (!CProjectJson::FromJson(file.readAll(), data, &error)) {
            m_err << "wendlock-cli: " << in << ": " << error << "\n";
            return ExitUsage;
        }
    }

    if (outFormat == Format::Project) {
        if (!CWendlockDoc::WriteProjectFile(out, data, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitFailure;
        }
        return ExitOk;
    }
    // Files are always written in the current format, so the JSON says so.
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(CProjectJson::ToJson(data, AppInfo::ProgramVersion())) < 0 || !file.commit()) {
        m_err << "wendlock-cli: cannot write " << out << ": " << file.errorString() << "\n";
        return ExitFailure;
    }
    return ExitOk;
}
