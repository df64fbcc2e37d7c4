#include "gui/frame/ShellOperations.h"

#include "gui/frame/DesktopApplications.h"
#include "gui/frame/FilePropertiesDialog.h"
#include "gui/frame/OpenWithDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMimeDatabase>
#include <QProcess>
#include <QTreeWidget>
#include <QUrl>

namespace {

struct HookState
{
    std::function<void(const QString&, const QString&)> recorder;
    bool launchResult = true;
};

HookState& Hooks()
{
    static HookState state;
    return state;
}

// True when the test recorder took the call instead of the desktop.
bool Recorded(const QString& action, const QString& target)
{
    if (!Hooks().recorder) {
        return false;
    }
    Hooks().recorder(action, target);
    return true;
}

bool HasHandler(const QString& path)
{
    return CDesktopApplications::DefaultFor(CDesktopApplications::MimeTypeOfFile(path), nullptr);
}

// Starts the application set for the file's type.
bool OpenWithDefault(const QString& path, QString* error)
{
    CDesktopApplications::Entry app;
    return CDesktopApplications::DefaultFor(CDesktopApplications::MimeTypeOfFile(path), &app) &&
           CDesktopApplications::Launch(app, path, error);
}

// A failure's reason, followed by what the desktop said, when it said
// anything.
QString WithDetail(const QString& reason, const QString& detail)
{
    return detail.isEmpty() ? reason : reason + QLatin1String(": ") + detail;
}

QString NoProgramFor(const QString& mimeType)
{
    const QString comment = QMimeDatabase().mimeTypeForName(mimeType).comment();
    return comment.isEmpty() || comment == mimeType
               ? CShellOperations::tr("no program is set to open files of type %1").arg(mimeType)
               : CShellOperations::tr("no program is set to open files of type \"%1\" (%2)")
                     .arg(comment, mimeType);
}

} // namespace

QMenu* CShellOperations::AddShellMenu(QMenu* parent, QWidget* page, QTreeWidget* list, int pathColumn,
                                      bool onRow, bool withEdit)
{
    QMenu* shell = parent->addMenu(tr("&Shell"));
    const auto add = [&](const QString& text, const QString& prompt, Operation op) {
        QAction* action = shell->addAction(text);
        action->setStatusTip(prompt);
        action->setEnabled(onRow);
        QObject::connect(action, &QAction::triggered, page,
                         [op, page, list, pathColumn] { Run(op, page, list, pathColumn); });
    };
    add(tr("&Open"), tr("Shell open the selected file"), Operation::Open);
    if (withEdit) {
        add(tr("&Edit"), tr("Shell edit the selected file"), Operation::Edit);
    }
    shell->addSeparator();
    add(tr("Open &with..."), tr("Shell open the selected file with..."), Operation::OpenWith);
    add(tr("Open &Folder"), tr("Open folder of the selected file"), Operation::OpenFolder);
    shell->addSeparator();
    add(tr("&Property..."), tr("View property of the selected file"), Operation::Properties);
    return shell;
}

void CShellOperations::Run(Operation op, QWidget* page, QTreeWidget* list, int pathColumn)
{
    QTreeWidgetItem* selected = nullptr;
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected()) {
            selected = list->topLevelItem(i);
            break;
        }
    }
    if (!selected) {
        CMessageBox::Warning(page, tr("No item is selected!"));
        return;
    }
    const QString path = selected->text(pathColumn);
    switch (op) {
    case Operation::Open:
        Open(page, path);
        break;
    case Operation::Edit:
        Edit(page, path);
        break;
    case Operation::OpenWith:
        OpenWith(page, path);
        break;
    case Operation::OpenFolder:
        OpenFolder(page, path);
        break;
    case Operation::Properties:
        Properties(page, path);
        break;
    }
}

QString CShellOperations::FailureText(const QString& verb, const QString& path, const QString& reason)
{
    //: %1 is an action ("open", "edit", "open the help page"), %2 a path, %3 the reason.
    return tr("Cannot %1 \"%2\": %3.").arg(verb, path, reason);
}

QString CShellOperations::FailureReason(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return tr("the file was not found");
    }
    if (!HasHandler(path)) {
        return NoProgramFor(CDesktopApplications::MimeTypeOfFile(path));
    }
    return tr("the program set for its type could not be started");
}

void CShellOperations::Open(QWidget* owner, const QString& path)
{
    // For a type nothing handles the user hears why and may pick a program.
    if (!HasHandler(path)) {
        CMessageBox::Warning(owner, FailureText(tr("open"), path, FailureReason(path)));
        OpenWith(owner, path);
        return;
    }
    QString error;
    const bool started =
        Recorded(QStringLiteral("open"), path) ? Hooks().launchResult : OpenWithDefault(path, &error);
    if (!started) {
        CMessageBox::Warning(owner, FailureText(tr("open"), path, WithDetail(FailureReason(path), error)));
    }
}

void CShellOperations::Edit(QWidget* owner, const QString& path)
{
    CDesktopApplications::Entry editor;
    if (!CDesktopApplications::DefaultFor(QStringLiteral("text/plain"), &editor)) {
        CMessageBox::Warning(
            owner,
            FailureText(tr("edit"), path,
                        tr("no text editor is set (%1)").arg(NoProgramFor(QStringLiteral("text/plain")))));
        OpenWith(owner, path);
        return;
    }
    QString error;
    const bool started = Recorded(QStringLiteral("edit"), path)
                             ? Hooks().launchResult
                             : CDesktopApplications::Launch(editor, path, &error);
    if (!started) {
        CMessageBox::Warning(
            owner, FailureText(tr("edit"), path,
                               WithDetail(tr("the text editor \"%1\" could not be started").arg(editor.name),
                                          error)));
    }
}

void CShellOperations::OpenWith(QWidget* owner, const QString& path)
{
    if (Recorded(QStringLiteral("openwith"), path)) {
        return;
    }
    COpenWithDialog dialog(path, owner);
    dialog.exec();
}

void CShellOperations::OpenFolder(QWidget*, const QString& path)
{
    if (path.isEmpty()) {
        return;
    }
    const QString folder = FolderOf(path);
    if (Recorded(QStringLiteral("folder"), folder)) {
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void CShellOperations::Properties(QWidget* owner, const QString& path)
{
    if (Recorded(QStringLiteral("properties"), path)) {
        return;
    }
    // Modeless, like a property sheet: the user may keep it open while
    // working on.
    auto* dialog = new CFilePropertiesDialog(path, owner ? owner->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

QString CShellOperations::FolderOf(const QString& path)
{
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) {
        return path;
    }
    const int last = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return last >= 0 ? path.left(last + 1) : path + QLatin1Char('/');
}

bool CShellOperations::OpenUrl(const QUrl& url)
{
    if (Recorded(QStringLiteral("url"), url.toString())) {
        return Hooks().launchResult;
    }
    // A local file opens in the application set for its type, as Open
    // does; other addresses go to the desktop's handler for their scheme.
    if (url.isLocalFile()) {
        return OpenWithDefault(url.toLocalFile(), nullptr);
    }
    return QDesktopServices::openUrl(url);
}

bool CShellOperations::StartProgram(const QStringList& command)
{
    if (command.isEmpty()) {
        return false;
    }
    if (Recorded(QStringLiteral("launch"), command.join(QLatin1Char(' ')))) {
        return Hooks().launchResult;
    }
    return QProcess::startDetached(command.first(), command.mid(1));
}

bool CShellOperations::LaunchApplication(const CDesktopApplications::Entry& app, const QString& path,
                                         QString* error)
{
    if (Recorded(QStringLiteral("app"), app.id + QLatin1Char(' ') + path)) {
        return Hooks().launchResult;
    }
    return CDesktopApplications::Launch(app, path, error);
}

void CShellOperations::SetRecorderForTests(
    std::function<void(const QString& action, const QString& target)> recorder)
{
    Hooks().recorder = std::move(recorder);
    Hooks().launchResult = true;
}

void CShellOperations::SetLaunchResultForTests(bool ok)
{
    Hooks().launchResult = ok;
}
