#pragma once

#include <QString>

#include <functional>

class QTreeWidget;
class QWidget;

// The five operations the list pages (Files, Template, Result) offer on the
// selected file: open, edit, open with, open folder, properties. They act
// on the first selected row; with none selected they say "No item is
// selected!".
class CShellOperations final
{
public:
    enum class Operation { Open, Edit, OpenWith, OpenFolder, Properties };

    // Runs `op` on the path in `pathColumn` of the list's first selected row.
    static void Run(Operation op, QWidget* page, QTreeWidget* list, int pathColumn);

    static void Open(QWidget* owner, const QString& path);
    static void Edit(QWidget* owner, const QString& path);
    static void OpenWith(QWidget* owner, const QString& path);
    static void OpenFolder(QWidget* owner, const QString& path);
    static void Properties(QWidget* owner, const QString& path);

    // The folder Open folder opens: the path itself when it ends with a
    // separator, else up to its last "/" or "\"; a bare name gets "/".
    static QString FolderOf(const QString& path);

    // Test hook: with a recorder set, nothing is launched; the recorder
    // gets the operation's name ("open", "edit", "openwith", "folder",
    // "properties") and its target.
    static void SetRecorderForTests(std::function<void(const QString& action, const QString& target)> recorder);
};
