#include "common/AppFolders.h"

#include <QCoreApplication>
#include <QDir>

namespace AppFolders {

QString ApplicationFolder()
{
    QString folder = qEnvironmentVariable("WENDLOCK_APP_DIR");
    if (folder.isEmpty()) {
        folder = QCoreApplication::applicationDirPath();
    }
    folder = QDir::cleanPath(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString ModeFolderName(int passwordMode)
{
    return passwordMode == 1 ? QStringLiteral("MultiUsers") : QStringLiteral("SinglePassword");
}

QString ScriptFolder(int passwordMode)
{
    return ApplicationFolder() + QLatin1String("Script/") + ModeFolderName(passwordMode) + QLatin1Char('/');
}

QString TemplateFolder(int passwordMode)
{
    return ApplicationFolder() + QLatin1String("Templates/") + ModeFolderName(passwordMode) +
           QLatin1Char('/');
}

QString StrongScriptFile()
{
    return ApplicationFolder() + QStringLiteral("Script/Strong/wendlock.js");
}

QString SiteWorkerFile()
{
    return ApplicationFolder() + QStringLiteral("Script/Worker/wendlock-sw.js");
}

QString ScriptFile(int passwordMode)
{
    return ScriptFolder(passwordMode) + QLatin1String("wendlock.js");
}

} // namespace AppFolders
