#include "users/UserListFile.h"

#include "common/AtomicFile.h"
#include "common/InputFile.h"
#include "model/ListFileText.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringView>

namespace {

constexpr QChar kQuote(u'"');
constexpr QChar kComma(u',');

// A first line whose first two fields are "User Name" and "Password" (any
// case) names the columns, as spreadsheets write them.
bool IsHeader(const QStringList& fields)
{
    return fields.size() >= 2 &&
           fields.at(0).trimmed().compare(QLatin1String("User Name"), Qt::CaseInsensitive) == 0 &&
           fields.at(1).trimmed().compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList CUserListFile::SplitListLine(const QString& line)
{
    QStringList fields;
    const QStringView text(line);
    const qsizetype size = text.size();
    qsizetype pos = 0;
    while (pos < size) {
        if (text.at(pos) == kQuote) {
            // The field ends at the first quote that is not doubled; each
            // doubled quote stands for one quote of the value.
            QString field;
            qsizetype start = pos + 1;
            qsizetype closing = text.indexOf(kQuote, start);
            while (closing >= 0 && closing + 1 < size && text.at(closing + 1) == kQuote) {
                field += text.mid(start, closing + 1 - start);
                start = closing + 2;
                closing = start < size ? text.indexOf(kQuote, start) : -1;
            }
            if (closing < 0) {
                field += text.mid(start);
                fields.append(field);
                break;
            }
            field += text.mid(start, closing - start);
            fields.append(field);
            // The character after the closing quote is the separator,
            // whatever it is; one character alone there is dropped. A
            // character outside the BMP is skipped whole: half a surrogate
            // pair left in the next field would not survive a save.
            const qsizetype separator = closing + 2 < size && text.at(closing + 1).isHighSurrogate() &&
                                                text.at(closing + 2).isLowSurrogate()
                                            ? 2
                                            : 1;
            if (size - closing <= 1 + separator) {
                break;
            }
            pos = closing + 1 + separator;
        } else {
            const qsizetype comma = text.indexOf(kComma, pos);
            if (comma < 0) {
                fields.append(text.mid(pos).toString());
                break;
            }
            fields.append(text.mid(pos, comma - pos).toString());
            if (size - comma <= 1) {
                break;
            }
            pos = comma + 1;
        }
    }
    return fields;
}

int CUserListFile::ImportUsers(const QString& path, QList<CUserListNode>& users, QString* errorMessage)
{
    QByteArray bytes;
    QString problem;
    if (!InputFile::Read(path, &bytes, &problem)) {
        if (errorMessage) {
            // The usual text, unless the file is one that is never read
            // whole (a pipe, a device, a huge file).
            const QFileInfo info(path);
            *errorMessage =
                info.exists() && (!info.isFile() || info.size() > InputFile::kDefaultLimit)
                    ? problem
                    : QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(path);
        }
        return -1;
    }

    // A hash of the names keeps a large import linear; the result is the
    // same as comparing each new name with every row.
    QSet<QString> names;
    names.reserve(users.size() + bytes.count('\n') + 1);
    for (const CUserListNode& user : users) {
        names.insert(user.m_strUserName);
    }

    const QString text = ListFileText::Decode(bytes);
    const QStringView all(text);
    int added = 0;
    bool first = true;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            end = all.size();
        }
        const QString line = all.mid(start, end - start).trimmed().toString();
        start = end + 1;
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = SplitListLine(line);
        const bool header = first && IsHeader(fields);
        first = false;
        if (header || fields.size() < 2 || names.contains(fields.at(0))) {
            continue;
        }
        CUserListNode user;
        user.m_strUserName = fields.at(0);
        user.m_strPassword = fields.at(1);
        user.m_strFullName = fields.value(2);
        user.m_strEmail = fields.value(3);
        user.m_strDescription = fields.value(4);
        names.insert(user.m_strUserName);
        users.append(user);
        ++added;
    }
    return added;
}

bool CUserListFile::ExportUsers(const QString& path, const QList<CUserListNode>& users, QString* errorMessage)
{
    // Everything is converted before the file is touched, so a failure
    // leaves an existing file exactly as it was.
    QString text;
    for (const CUserListNode& user : users) {
        const QString* const values[] = {&user.m_strUserName, &user.m_strPassword, &user.m_strFullName,
                                         &user.m_strEmail, &user.m_strDescription};
        bool firstField = true;
        for (const QString* value : values) {
            text += firstField ? QLatin1String("\"") : QLatin1String(",\"");
            firstField = false;
            if (value->contains(kQuote)) {
                QString doubled = *value;
                doubled.replace(kQuote, QLatin1String("\"\""));
                text += doubled;
            } else {
                text += *value;
            }
            text += kQuote;
        }
        text += QLatin1String("\r\n");
    }
    // The list holds passwords in clear: written for its owner alone.
    if (CAtomicFile::WritePrivate(path, ListFileText::Encode(text)) != 0) {
        if (errorMessage) {
            *errorMessage =
                QStringLiteral("Create file \"%1\" for write failure! Make sure you have right to write "
                               "the file.")
                    .arg(path);
        }
        return false;
    }
    return true;
}
