#include "gui/frame/HelpTopics.h"

#include "common/AppFolders.h"
#include "gui/frame/ShellOperations.h"
#include "gui/widgets/MessageBox.h"

#include <QUrl>

QString CHelpTopics::FileName(int context)
{
    switch (context) {
    case 1:
        return QStringLiteral("add-folder.html");
    case 2:
        return QStringLiteral("add-user.html");
    case 3:
        return QStringLiteral("create-template.html");
    case 21:
        return QStringLiteral("files.html");
    case 22:
        return QStringLiteral("password.html");
    case 23:
        return QStringLiteral("login.html");
    case 24:
        return QStringLiteral("template.html");
    case 25:
        return QStringLiteral("protect.html");
    case 26:
        return QStringLiteral("result.html");
    default:
        return QStringLiteral("index.html");
    }
}

QString CHelpTopics::FilePath(int context)
{
    return AppFolders::ApplicationFolder() + QLatin1String("help/") + FileName(context);
}

QList<int> CHelpTopics::Contexts()
{
    return {1, 2, 3, 21, 22, 23, 24, 25, 26};
}

void CHelpTopics::Show(int context)
{
    const QString path = FilePath(context);
    if (!CShellOperations::OpenUrl(QUrl::fromLocalFile(path))) {
        MessageBox::Warning(nullptr, CShellOperations::FailureText(QStringLiteral("open the help page"), path,
                                                                   CShellOperations::FailureReason(path)));
    }
}
