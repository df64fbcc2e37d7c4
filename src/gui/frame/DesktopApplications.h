#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <memory>

// GIO's application handle; only DesktopApplications.cpp sees GIO itself.
struct _GAppInfo;

// The applications the desktop has registered for a file type, as GIO
// reads them (desktop entries under $XDG_DATA_HOME and $XDG_DATA_DIRS, the
// user's and the system's choices in mimeapps.list), and starting one of
// them on a file. Open, Edit and Open with ask it which programs handle a
// file. GIO watches the application folders, so a program installed while
// Wendlock runs shows up at the next question.
class CDesktopApplications final
{
    Q_DECLARE_TR_FUNCTIONS(CDesktopApplications)

public:
    struct Entry
    {
        QString id;   // desktop file id, e.g. "org.gnome.gedit.desktop"
        QString name; // the name the user knows the program by
        QString icon; // a theme icon name or an icon file's path; may be empty
        std::shared_ptr<_GAppInfo> app;
    };

    // Every application for the type or one of its parent types (a HTML
    // page also lists the text editors): the default first, then the
    // recommended ones, then those that take a parent type; each once.
    static QList<Entry> ForMimeType(const QString& mimeType);
    // The application that opens the type by default (parent types
    // included). False when nothing handles the type.
    static bool DefaultFor(const QString& mimeType, Entry* entry);
    // The MIME type of a file, from its content when it exists and from its
    // name otherwise.
    static QString MimeTypeOfFile(const QString& path);

    // Starts the application on the file, detached. False, with the
    // desktop's reason in `error`, when it could not be started.
    static bool Launch(const Entry& entry, const QString& path, QString* error);
};
