// The user list ".csv" reader on arbitrary bytes, and SplitListLine on its
// own. Checks: a line without double quotes splits exactly at its commas;
// every file's users survive an export and a fresh import unchanged, also
// users with characters Latin-1 cannot hold.
#include "FuzzUtil.h"
#include "users/UserListFile.h"

#include <QSet>
#include <QStringDecoder>
#include <cstdint>

namespace {

QStringList SplitAtCommas(const QString& line)
{
    QStringList fields = line.split(QLatin1Char(','));
    // No empty field is made after a final comma, nor for an empty line.
    if (fields.last().isEmpty()) {
        fields.removeLast();
    }
    return fields;
}

// The users `users` leaves after an import: the first of each name.
QList<CUserListNode> FirstOfEachName(const QList<CUserListNode>& users)
{
    QList<CUserListNode> result;
    QSet<QString> names;
    for (const CUserListNode& user : users) {
        if (!names.contains(user.m_strUserName)) {
            names.insert(user.m_strUserName);
            result.append(user);
        }
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzUtil::Bytes(data, size);
    const QString folder = FuzzUtil::ScratchFolder();

    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromLatin1(rawLine);
        const QStringList fields = CUserListFile::SplitListLine(line);
        if (!line.contains(QLatin1Char('"'))) {
            FUZZ_CHECK(fields == (line.isEmpty() ? QStringList() : SplitAtCommas(line)));
        }
        qsizetype total = 0;
        for (const QString& field : fields) {
            total += field.size();
        }
        FUZZ_CHECK(total <= line.size());
    }

    const QString csv = folder + QStringLiteral("users.csv");
    FUZZ_CHECK(FuzzUtil::WriteFile(csv, bytes));
    QList<CUserListNode> users;
    QString error;
    const int added = CUserListFile::ImportUsers(csv, users, &error);
    FUZZ_CHECK(added == users.size());
    FUZZ_CHECK(FirstOfEachName(users).size() == users.size());

    // Export, then import into an empty list: the same users.
    const QString exported = folder + QStringLiteral("exported.csv");
    FUZZ_CHECK(CUserListFile::ExportUsers(exported, users, &error));
    QList<CUserListNode> again;
    FUZZ_CHECK(CUserListFile::ImportUsers(exported, again, &error) == users.size());
    FUZZ_CHECK(again == users);

    // Users made of any UTF-16 text: always exported (as UTF-8 with a byte
    // order mark when Latin-1 cannot hold them) and read back as written;
    // a lone surrogate can only come back as U+FFFD.
    QList<CUserListNode> wide;
    const QString text = FuzzUtil::Utf16(bytes);
    const QStringList parts = text.split(QChar(u'\u2028'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 5) {
        CUserListNode user;
        user.m_strUserName = parts[i];
        user.m_strPassword = parts[i + 1];
        user.m_strFullName = parts.value(i + 2);
        user.m_strEmail = parts.value(i + 3);
        user.m_strDescription = parts.value(i + 4);
        wide.append(user);
    }
    FUZZ_CHECK(CUserListFile::ExportUsers(exported, wide, &error));
    for (CUserListNode& user : wide) {
        for (QString* value : {&user.m_strUserName, &user.m_strPassword, &user.m_strFullName,
                               &user.m_strEmail, &user.m_strDescription}) {
            // (A byte order mark at the start of a value is text, not a mark.)
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            *value = utf8.decode(value->toUtf8());
        }
    }
    // A line of the file ends at LF, so a value that holds one can't come back.
    for (const CUserListNode& user : wide) {
        for (const QString* value : {&user.m_strUserName, &user.m_strPassword, &user.m_strFullName,
                                     &user.m_strEmail, &user.m_strDescription}) {
            if (value->contains(QLatin1Char('\n'))) {
                return 0;
            }
        }
    }
    QList<CUserListNode> wideAgain;
    FUZZ_CHECK(CUserListFile::ImportUsers(exported, wideAgain, &error) >= 0);
    FUZZ_CHECK(wideAgain == FirstOfEachName(wide));
    return 0;
}
