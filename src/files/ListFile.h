#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's small list files: the files list (".lst") and the Add
// Folder history. One entry per line and CR LF after every line, the last
// included; one byte per character (ISO 8859-1) when every entry fits,
// otherwise UTF-8 after a byte-order mark. Reading takes UTF-8 when the
// bytes are valid UTF-8, else Windows-1252, splits at LF (dropping a CR just
// before it), trims ASCII white space from both ends and skips lines left
// empty; nothing else is interpreted.
class CListFile final
{
public:
    static QStringList Parse(const QByteArray& bytes);
    // False, with the read-failure message, when the file cannot be read.
    static bool Read(const QString& path, QStringList& lines, QString* errorMessage = nullptr);

    // The first entry that a list file cannot hold (one with a line break,
    // which would split it in two), or -1.
    static qsizetype FindUnstorable(const QStringList& lines);
    static QByteArray Encode(const QStringList& lines);
    // Writes through a temporary file that replaces the target only once
    // it is complete, so a refused or failed write leaves an existing file
    // as it was. Refuses entries FindUnstorable reports, with a message
    // that names the entry.
    static bool Write(const QString& path, const QStringList& lines, QString* errorMessage = nullptr);

    static QString ReadFailureMessage(const QString& path);
    static QString CreateFailureMessage(const QString& path);
    static QString UnstorableMessage(const QString& path, const QString& entry);
};
