#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The applications the desktop has registered for a file type: the XDG
// desktop entries (*.desktop under $XDG_DATA_HOME and $XDG_DATA_DIRS) and the
// user's and the system's choices in mimeapps.list. Open, Edit and Open with
// ask it which programs handle a file; nothing is cached, so a program
// installed while Wendlock runs shows up at the next question.
class CDesktopApplications final
{
public:
    struct Entry
    {
        QString id;       // desktop file id, e.g. "org.gnome.gedit.desktop"
        QString filePath; // where the desktop file lies
        QString name;     // Name=
        QString exec;     // Exec=, unescaped
        QString icon;     // Icon=
        bool terminal = false;
        QStringList mimeTypes;
    };

    // Every application for the type or one of its parent types (a HTML
    // page also lists the text editors): the default first, then the added
    // associations, then the applications that declare the type, without
    // the removed associations; each application once.
    static QList<Entry> ForMimeType(const QString& mimeType);
    // The application that opens the type by default: the user's or the
    // system's choice, else the first application that declares it (parent
    // types included). False when nothing handles the type.
    static bool DefaultFor(const QString& mimeType, Entry* entry);
    // The MIME type of a file, from its content when it exists and from its
    // name otherwise.
    static QString MimeTypeOfFile(const QString& path);

    // The command line that opens `path` with the application: the Exec key
    // split into arguments, its field codes filled in, the path appended when
    // the key has none; run in a terminal emulator when the entry asks.
    static QStringList CommandLine(const Entry& entry, const QString& path);
    // Splits an Exec value into arguments as the desktop entry format quotes
    // them. False when the quoting is broken.
    static bool SplitExec(const QString& exec, QStringList* arguments);

    // Reads one desktop file; false when it is not a launchable application.
    static bool ReadDesktopFile(const QString& filePath, const QString& id, Entry* entry);
};
