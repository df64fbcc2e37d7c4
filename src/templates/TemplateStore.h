#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The login-page templates of a password mode: every web file directly in
// the mode's templates folder, in directory order. The folders beside the
// program ship with it; where that folder cannot be written (an installed
// copy), new templates go to a folder of the user's own under the data
// folder, which is listed after the shipped one.
class CTemplateStore final
{
public:
    struct Entry
    {
        QString name; // the file name without its last extension
        QString path; // the folder followed by the file name
    };

    // The shipped templates of a mode; nothing for a mode other than 0 or 1.
    static QList<Entry> List(int passwordMode);
    // The shipped templates, then those of the user's own folder under
    // dataFolder (skipped when dataFolder is empty).
    static QList<Entry> List(int passwordMode, const QString& dataFolder);
    // The templates directly in one folder; a missing folder lists nothing.
    static QList<Entry> ListFolder(const QString& folder);

    // The shipped template a run uses when none is named: "Classic", else
    // the first by name, so that it is the same on every machine whatever
    // order a folder lists its files in. Empty when the mode has none.
    static QString DefaultPath(int passwordMode);

    // Templates/<mode>/ beside the program; empty for a mode other than 0 or 1.
    static QString ShippedFolder(int passwordMode);
    // dataFolder + "Templates/<mode>/"; empty without a data folder or for
    // a mode other than 0 or 1.
    static QString UserFolder(int passwordMode, const QString& dataFolder);
    // Where Create puts a new template: the shipped folder while it is a
    // writable folder, otherwise the user's own folder, made on demand.
    // Without a data folder it stays the shipped folder, and the copy then
    // reports why it cannot be written. Empty for a mode other than 0 or 1.
    static QString PrepareCreateFolder(int passwordMode, const QString& dataFolder);

    // The text before the last "." of a file name (the whole name without one).
    static QString NameOf(const QString& fileName);

    // The message that refuses a new template name, or an empty text when
    // the name can be used. The name is taken exactly as typed; the listed
    // names are compared case-sensitively.
    static QString CheckNewName(const QString& name, const QStringList& listedNames);

    // Copies source to target, failing when target exists already. A failed
    // copy leaves no target behind and hands back the message to show.
    static bool CopyTemplate(const QString& source, const QString& target, QString* message);
    // Deletes a template file; on failure hands back the message to show.
    static bool DeleteTemplate(const QString& path, QString* message);
};
