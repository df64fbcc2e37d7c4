#pragma once

#include "model/UserListNode.h"

#include <QList>
#include <QString>
#include <QStringList>

// The user list ".csv" file: one user a line, one byte a character
// (ISO 8859-1), CR LF line ends, five quoted fields when written.
class CUserListFile final
{
public:
    // Splits one line into its fields. A quoted field runs to the next
    // lone double quote (a doubled quote inside it stands for one quote)
    // and the character after its closing quote is skipped; an unquoted
    // field runs to the next comma. No empty field after a final comma.
    static QStringList SplitListLine(const QString& line);

    // Appends the users of a file to `users`: lines are trimmed, blank
    // lines and lines of fewer than two fields skipped, and a user name that
    // is already listed (exact comparison) keeps its first row. Returns the
    // number of users added, or -1 when the file cannot be read.
    static int ImportUsers(const QString& path, QList<CUserListNode>& users, QString* errorMessage);

    // Writes every user as "%s","%s","%s","%s","%s" CR LF, double quotes
    // in values doubled. Refuses (and leaves an existing file untouched)
    // when a value holds a character the file cannot store, or when the
    // file cannot be written.
    static bool ExportUsers(const QString& path, const QList<CUserListNode>& users, QString* errorMessage);
};
