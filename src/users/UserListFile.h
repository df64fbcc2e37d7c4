#pragma once

#include "model/UserListNode.h"

#include <QList>
#include <QString>
#include <QStringList>

// The user list ".csv" file: one user a line, CR LF line ends, five quoted
// fields when written; one byte a character (ISO 8859-1) when every value
// fits, otherwise UTF-8 after a byte-order mark. Read as UTF-8 (with or
// without the mark) when the bytes are valid UTF-8, else as Windows-1252.
class CUserListFile final
{
public:
    // Splits one line into its fields. A quoted field runs to the next
    // lone double quote (a doubled quote inside it stands for one quote)
    // and the character after its closing quote is skipped, whatever it is;
    // an unquoted field runs to the next comma. No empty field is produced
    // after a final comma, and blanks around fields belong to the fields.
    static QStringList SplitListLine(const QString& line);

    // Appends the users of a file after those already in `users`: lines are
    // trimmed, blank lines and lines of fewer than two fields skipped, a
    // first line whose first two fields are "User Name" and "Password" (any
    // case) skipped as a header, fields
    // after the fifth ignored, and a user name that is already listed (exact,
    // case-sensitive comparison, earlier lines of the same file included)
    // keeps its first row. Returns the number of users added, or -1 when the
    // file cannot be opened (with the message in `errorMessage`).
    static int ImportUsers(const QString& path, QList<CUserListNode>& users, QString* errorMessage);

    // Writes every user as "%s","%s","%s","%s","%s" CR LF, double quotes in
    // values doubled. Refuses, with a message and leaving an existing file
    // as it was, when the file cannot be written. The file is replaced in
    // one step, so a failed write never leaves half a list.
    static bool ExportUsers(const QString& path, const QList<CUserListNode>& users, QString* errorMessage);
};
