#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The files of a command line: files as given, folders as every web file
// of their tree. A file reached under two paths (a link, a folder given
// twice) is listed once, the first time: two threads must never write the
// same page. Hard-linked names of one file are all listed: each name is a
// page of the site, and one left out would stay a plain page. Adding is
// linear in what is added, however many arguments.
class CPathList final
{
public:
    // Starts from files already listed (a project's own), kept as they are.
    explicit CPathList(const QStringList& files = {});

    // Adds a file, or the web files of a folder tree; `skipped` collects
    // what a folder scan left out, with the reason.
    void Add(const QString& path, QStringList* skipped = nullptr);
    const QStringList& Files() const { return m_files; }

private:
    void AddFile(const QString& file);

    QStringList m_files;
    // Device and inode of every file listed, with the first path listed.
    QHash<QString, QString> m_identities;
};
