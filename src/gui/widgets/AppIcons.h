#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// Every icon the program shows, by the part it plays. Each comes from the
// desktop's icon theme under its freedesktop name; where the theme has none
// (or there is no theme) the program's own drawing of the same meaning
// stands in, all of them in one flat outline style. The program's own
// icon is the one exception: it is the program's mark and looks the same
// everywhere.
class CAppIcons final
{
public:
    enum class Role
    {
        NewProject,
        OpenProject,
        SaveProject,
        SaveProjectAs,
        Exit,
        Protect,
        HelpContents,
        About,
        Homepage,
        Mail,
        CheckVersion,
        AddFiles,
        AddFolder,
        Remove,
        RemoveAll,
        Import,
        Export,
        Restore,
        AddUser,
        EditUser,
        RandomPassword,
        CreateTemplate,
        Edit,
        Delete,
        Browser,
        WebPage,
        File,
        Program,
    };

    static QIcon Icon(Role role);
    // The freedesktop name the theme is asked for.
    static QString ThemeName(Role role);
    // The resource path of the program's own drawing.
    static QString FallbackPath(Role role);
    static QList<Role> AllRoles();

    // The icon of a file's type, judged by its name alone, so that a file
    // that is missing looks like one that is there.
    static QIcon ForFileName(const QString& fileName);

    static QIcon Application();

private:
    static QIcon Fallback(Role role);
};
