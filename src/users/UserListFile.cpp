#include "users/UserListFile.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

QStringList CUserListFile::SplitListLine(const QString& line)
{
    QStringList fields;
    qsizetype pos = 0;
    const qsizetype size = line.size();
    while (pos < size) {
        if (line.at(pos) == QLatin1Char('"')) {
            QString field;
            qsizetype i = pos + 1;
            qsizetype closing = -1;
            while (i < size) {
                if (line.at(i) == QLatin1Char('"')) {
                    if (i + 1 < size && line.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    closing = i;
                    break;
                }
                field += line.at(i);
                ++i;
            }
            fields.append(field);
            if (closing < 0 || size - closing <= 2) {
                break;
            }
            pos = closing + 2;
        } else {
            const qsizetype comma = line.indexOf(QLatin1Char(','), pos);
            fields.append(line.mid(pos, comma < 0 ? -1 : comma - pos));
            if (comma < 0 || size - comma <= 1) {
                break;
            }
            pos = comma + 1;
        }
    }
    return fields;
}

int CUserListFile::ImportUsers(const QString& path, QList<CUserListNode>& users, QString* errorMessage)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorMessage) {
            *errorMessage = QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(path);
        }
        return -1;
    }
    QSet<QString> names;
    names.reserve(users.size());
    for (const CUserListNode& user : users) {
        names.insert(user.m_strUserName);
    }
    int added = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = SplitListLine(line);
        if (fields.size() < 2 || names.contains(fields[0])) {
            continue;
        }
        CUserListNode user;
        user.m_strUserName = fields[0];
        user.m_strPassword = fields[1];
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
    QByteArray bytes;
    for (const CUserListNode& user : users) {
        bool first = true;
        for (const QString* value : {&user.m_strUserName, &user.m_strPassword, &user.m_strFullName,
                                     &user.m_strEmail, &user.m_strDescription}) {
            for (const QChar ch : *value) {
                if (ch.unicode() > 0xFF) {
                    if (errorMessage) {
                        *errorMessage = QStringLiteral("The user \"%1\" holds the character '%2', which a user "
                                                       "list file cannot store. Nothing was written.")
                                            .arg(user.m_strUserName, QString(ch));
                    }
                    return false;
                }
            }
            QString quoted = *value;
            quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
            bytes += (first ? "\"" : ",\"") + quoted.toLatin1() + '"';
            first = false;
        }
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorMessage) {
            *errorMessage = QStringLiteral("Create file \"%1\" for write failure! Make sure you have right to write "
                                           "the file.")
                                .arg(path);
        }
        return false;
    }
    return true;
}
