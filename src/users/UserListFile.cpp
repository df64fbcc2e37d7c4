#include "users/UserListFile.h"

#include "common/InputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringView>

namespace {

constexpr QChar kQuote(u'"');
constexpr QChar kComma(u',');

// The first character of `value` above U+00FF as a code point (a surrogate
// pair counts as one character), or 0 when every character fits in a byte.
char32_t FirstWideCharacter(const QString& value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value.at(i);
        if (ch.unicode() <= 0xFF) {
            continue;
        }
        if (ch.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            return QChar::surrogateToUcs4(ch, value.at(i + 1));
        }
        return ch.unicode();
    }
    return 0;
}

QString WideCharacterMessage(const CUserListNode& user, const QString& fieldName, char32_t character)
{
    return QStringLiteral(
               "The user \"%1\" cannot be exported: the %2 holds the character \"%3\" (U+%4), and a "
               "user list file can only store characters up to U+00FF. The file was not written.")
        .arg(user.m_strUserName, fieldName, QString::fromUcs4(&character, 1),
             QString::number(static_cast<uint>(character), 16).toUpper().rightJustified(4, QLatin1Char('0')));
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
            // whatever it is; one character alone there is dropped.
            if (size - closing <= 2) {
                break;
            }
            pos = closing + 2;
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
            *errorMessage = info.exists() && (!info.isFile() || info.size() > InputFile::kDefaultLimit)
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

    int added = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            end = bytes.size();
        }
        const QString line = QString::fromLatin1(bytes.constData() + start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = SplitListLine(line);
        if (fields.size() < 2 || names.contains(fields.at(0))) {
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
    // Everything is converted before the file is touched, so a value that
    // cannot be stored leaves an existing file exactly as it was.
    QByteArray bytes;
    for (const CUserListNode& user : users) {
        const std::pair<const QString*, QString> values[] = {
            {&user.m_strUserName, QStringLiteral("user name")},
            {&user.m_strPassword, QStringLiteral("password")},
            {&user.m_strFullName, QStringLiteral("full name")},
            {&user.m_strEmail, QStringLiteral("e-mail address")},
            {&user.m_strDescription, QStringLiteral("description")},
        };
        bool first = true;
        for (const auto& [value, fieldName] : values) {
            if (const char32_t wide = FirstWideCharacter(*value)) {
                if (errorMessage) {
                    *errorMessage = WideCharacterMessage(user, fieldName, wide);
                }
                return false;
            }
            bytes += first ? "\"" : ",\"";
            first = false;
            if (value->contains(kQuote)) {
                QString doubled = *value;
                doubled.replace(kQuote, QLatin1String("\"\""));
                bytes += doubled.toLatin1();
            } else {
                bytes += value->toLatin1();
            }
            bytes += '"';
        }
        bytes += "\r\n";
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
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
