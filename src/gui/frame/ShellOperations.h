#pragma once

#include "gui/frame/DesktopApplications.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>

class QMenu;
class QTreeWidget;
class QUrl;
class QWidget;

// The five operations the list pages (Files, Template, Result) offer on the
// selected file: open, edit, open with, open folder, properties. They act
// on the first selected row; with none selected they say "No item is
// selected!".
class CShellOperations final
{
    Q_DECLARE_TR_FUNCTIONS(CShellOperations)

public:
    enum class Operation
    {
        Open,
        Edit,
        OpenWith,
        OpenFolder,
        Properties
    };

    // Runs `op` on the path in `pathColumn` of the list's first selected row.
    static void Run(Operation op, QWidget* page, QTreeWidget* list, int pathColumn);

    // Appends the "&Shell" submenu the list pages share: Open, (Edit,) Open
    // with, Open Folder, Property, each with its status-bar prompt as the
    // action's status tip, greyed when the click was not on a row, and
    // running on the list's selected row.
    static QMenu* AddShellMenu(QMenu* parent, QWidget* page, QTreeWidget* list, int pathColumn, bool onRow,
                               bool withEdit);

    static void Open(QWidget* owner, const QString& path);
    static void Edit(QWidget* owner, const QString& path);
    static void OpenWith(QWidget* owner, const QString& path);
    static void OpenFolder(QWidget* owner, const QString& path);
    static void Properties(QWidget* owner, const QString& path);

    // The folder Open folder opens: the path itself when it ends with a
    // separator, else up to its last "/" or "\"; a bare name gets "/".
    static QString FolderOf(const QString& path);

    // "Cannot <verb> "<path>": <reason>." as the failure messages say it.
    static QString FailureText(const QString& verb, const QString& path, const QString& reason);
    // Why a local file did not open: missing, no program for its type
    // (named with the type), or the program did not start.
    static QString FailureReason(const QString& path);

    // Opens an address (a web page, "mailto:", a local file) with the
    // desktop's handler; false when nothing could be started (for a local
    // file, also when no program handles its type).
    static bool OpenUrl(const QUrl& url);
    // Starts a program, detached; command[0] is the program. False when it
    // could not be started.
    static bool StartProgram(const QStringList& command);
    // Starts a desktop application on the file. False, with the reason in
    // `error`, when it could not be started.
    static bool LaunchApplication(const CDesktopApplications::Entry& app, const QString& path,
                                  QString* error);

    // Test hook: with a recorder set, nothing is launched; the recorder
    // gets the operation's name ("open", "edit", "openwith", "folder",
    // "properties", and "url", "launch" and "app" for the three calls above)
    // and its target (the command of "launch" joined by blanks, the
    // application's id and the path for "app").
    static void
    SetRecorderForTests(std::function<void(const QString& action, const QString& target)> recorder);
    // What OpenUrl, StartProgram and LaunchApplication answer while a
    // recorder is set (true unless a test says otherwise).
    static void SetLaunchResultForTests(bool ok);
};
