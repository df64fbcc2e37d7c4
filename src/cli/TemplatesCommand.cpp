#include "cli/TemplatesCommand.h"

#include "common/AppInfo.h"
#include "templates/TemplateStore.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

QString CTemplatesCommand::Name() const
{
    return QStringLiteral("templates");
}

QList<QCommandLineOption> CTemplatesCommand::Options() const
{
    return {QCommandLineOption(QStringLiteral("mode"), QString(), QStringLiteral("0|1"))};
}

int CTemplatesCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList modes = parser.values(QStringLiteral("mode"));
    if (!parser.positionalArguments().isEmpty() || modes.size() > 1 ||
        (modes.size() == 1 && modes[0] != QLatin1String("0") && modes[0] != QLatin1String("1"))) {
        return m_context.Usage(QStringLiteral("templates takes only --mode 0 or --mode 1"));
    }
    const int mode = modes.isEmpty() ? 0 : modes[0].toInt();
    // The user's own templates follow the shipped ones, from the same data
    // folder the window uses.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString dataFolder = dataHome.isEmpty()
                                   ? QString()
                                   : QDir::cleanPath(dataHome) + QLatin1Char('/') + AppInfo::CompanyName() +
                                         QLatin1Char('/') + AppInfo::DisplayName() + QLatin1Char('/');
    const QList<CTemplateStore::Entry> entries =
        dataFolder.isEmpty() ? CTemplateStore::List(mode) : CTemplateStore::List(mode, dataFolder);
    for (const CTemplateStore::Entry& entry : entries) {
        m_context.Out() << entry.name << '\t' << entry.path << '\n';
    }
    return CCliContext::ExitOk;
}
