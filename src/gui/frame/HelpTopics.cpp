#include "gui/frame/HelpTopics.h"

#include "common/AppFolders.h"
#include "gui/frame/ShellOperations.h"
#include "gui/widgets/MessageBox.h"

#include <QUrl>

namespace {

struct TopicPage
{
    HelpTopic topic;
    const char* file;
};

constexpr TopicPage kPages[] = {
    {HelpTopic::AddFolder, "add-folder.html"},
    {HelpTopic::AddUser, "add-user.html"},
    {HelpTopic::CreateTemplate, "create-template.html"},
    {HelpTopic::Files, "files.html"},
    {HelpTopic::Password, "password.html"},
    {HelpTopic::Login, "login.html"},
    {HelpTopic::Template, "template.html"},
    {HelpTopic::Protect, "protect.html"},
    {HelpTopic::Result, "result.html"},
};

} // namespace

QString CHelpTopics::FileName(HelpTopic topic)
{
    for (const TopicPage& page : kPages) {
        if (page.topic == topic) {
            return QLatin1String(page.file);
        }
    }
    return QStringLiteral("index.html");
}

QString CHelpTopics::FilePath(HelpTopic topic)
{
    return AppFolders::ApplicationFolder() + QLatin1String("help/") + FileName(topic);
}

QList<HelpTopic> CHelpTopics::Topics()
{
    QList<HelpTopic> topics;
    for (const TopicPage& page : kPages) {
        topics.append(page.topic);
    }
    return topics;
}

void CHelpTopics::Show(HelpTopic topic)
{
    const QString path = FilePath(topic);
    if (!CShellOperations::OpenUrl(QUrl::fromLocalFile(path))) {
        CMessageBox::Warning(nullptr, CShellOperations::FailureText(tr("open the help page"), path,
                                                                    CShellOperations::FailureReason(path)));
    }
}
