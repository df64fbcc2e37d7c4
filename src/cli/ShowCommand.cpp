#include "cli/ShowCommand.h"

#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"

#include <QCommandLineParser>
#include <QTextStream>

QString CShowCommand::Name() const
{
    return QStringLiteral("show");
}

int CShowCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        return m_context.Usage(QStringLiteral("show takes exactly one project file"));
    }
    CProject data;
    QString version;
    QString error;
    if (!CWendlockDoc::ReadProjectFile(args[0], data, &version, &error)) {
        m_context.Error(error);
        return CCliContext::ExitUsage;
    }
    m_context.Out() << QString::fromUtf8(CProjectJson::ToJson(data, version));
    return CCliContext::ExitOk;
}
