#include "cli/ConvertCommand.h"

#include "common/AppInfo.h"
#include "common/AtomicFile.h"
#include "common/FileErrorText.h"
#include "common/InputFile.h"
#include "common/SystemError.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace {

enum class Format
{
    Unknown,
    Project,
    Json
};

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

QString CConvertCommand::Name() const
{
    return QStringLiteral("convert");
}

int CConvertCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        return m_context.Usage(QStringLiteral("convert takes an input and an output file"));
    }
    const QString& in = args[0];
    const QString& out = args[1];
    const Format inFormat = FormatOf(in);
    const Format outFormat = FormatOf(out);
    if (inFormat == Format::Unknown || outFormat == Format::Unknown) {
        return m_context.Usage(QStringLiteral("files must end in .vxp or .json"));
    }

    // The output replaces a file: a pipe or a device there would be
    // swapped for a file (or written to forever), so it is refused.
    const QFileInfo outInfo(out);
    if (outInfo.exists() && !outInfo.isFile()) {
        m_context.Error(FileErrorText::NotRegularFile(out));
        return CCliContext::ExitFailure;
    }

    CProject data;
    QString version = AppInfo::ProgramVersion();
    QString error;
    if (inFormat == Format::Project) {
        if (!CWendlockDoc::ReadProjectFile(in, data, &version, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
    } else {
        QByteArray json;
        if (!InputFile::Read(in, &json, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        if (!CProjectJson::FromJson(json, data, &error)) {
            m_context.Error(in + QStringLiteral(": ") + error);
            return CCliContext::ExitUsage;
        }
    }

    if (outFormat == Format::Project) {
        if (!CWendlockDoc::WriteProjectFile(out, data, &error)) {
            m_context.Error(error);
            return CCliContext::ExitFailure;
        }
        return CCliContext::ExitOk;
    }
    // Files are always written in the current format, so the JSON says so.
    // It holds the passwords as the project does: for the owner alone.
    const int writeError =
        CAtomicFile::WritePrivate(out, CProjectJson::ToJson(data, AppInfo::ProgramVersion()));
    if (writeError != 0) {
        m_context.Error(
            QStringLiteral("cannot write %1: %2").arg(out, GetSystemErrorText(writeError).trimmed()));
        return CCliContext::ExitFailure;
    }
    return CCliContext::ExitOk;
}
