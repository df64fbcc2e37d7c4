#include "users/UserListFile.h"

#include "TestUtil.h"
#include "users/PasswordStrength.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Fields shown as ["a", "b"] so that a failing comparison says what was split.
std::string Show(const QStringList& fields)
{
    QString text = QStringLiteral("[");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        text += (i ? QStringLiteral(", \"") : QStringLiteral("\"")) + fields.at(i) + QLatin1Char('"');
    }
    text += QLatin1Char(']');
    return text.toStdString();
}

void ExpectSplit(const char* line, const QStringList& expected)
{
    const QStringList fields = CUserListFile::SplitListLine(QString::fromLatin1(line));
    EXPECT_EQ(Show(fields), Show(expected)) << "line: " << line;
}

CUserListNode User(const char* name, const char* password, const char* fullName = "", const char* email = "",
                   const char* description = "")
{
    CUserListNode user;
    user.m_strUserName = QString::fromUtf8(name);
    user.m_strPassword = QString::fromUtf8(password);
    user.m_strFullName = QString::fromUtf8(fullName);
    user.m_strEmail = QString::fromUtf8(email);
    user.m_strDescription = QString::fromUtf8(description);
    return user;
}

QStringList Names(const QList<CUserListNode>& users)
{
    QStringList names;
    for (const CUserListNode& user : users) {
        names.append(user.m_strUserName);
    }
    return names;
}

class UserListFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // Imports `bytes` (written to a file first) into `users`.
    int Import(const QByteArray& bytes, QList<CUserListNode>& users)
    {
        const QString path = Path("in.csv");
        EXPECT_TRUE(TestUtil::WriteFile(path, bytes));
        QString error;
        return CUserListFile::ImportUsers(path, users, &error);
    }
};

} // namespace

TEST(SplitListLine, quotedAndUnquotedFields)
{
    ExpectSplit("", {});
    ExpectSplit("a,b,c", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    ExpectSplit("\"a\",\"b\"", {QStringLiteral("a"), QStringLiteral("b")});
    // A quoted field may hold commas; an unquoted one may hold quotes after
    // its first character, and a doubled quote there stays as it is.
    ExpectSplit("\"a,b\",c", {QStringLiteral("a,b"), QStringLiteral("c")});
    ExpectSplit("a\"b,c\"\"d", {QStringLiteral("a\"b"), QStringLiteral("c\"\"d")});
    // Blanks around fields belong to the fields.
    ExpectSplit(" a , b ", {QStringLiteral(" a "), QStringLiteral(" b ")});
    ExpectSplit("a,,b", {QStringLiteral("a"), QString(), QStringLiteral("b")});
    // An unterminated quoted field runs to the end of the line.
    ExpectSplit("\"a\",\"b,c", {QStringLiteral("a"), QStringLiteral("b,c")});
}

TEST(SplitListLine, noEmptyFieldAfterFinalComma)
{
    ExpectSplit("a,b,", {QStringLiteral("a"), QStringLiteral("b")});
    ExpectSplit(",", {QString()});
    ExpectSplit("\"a\",", {QStringLiteral("a")});
    ExpectSplit("\"a\",,", {QStringLiteral("a"), QString()});
}

TEST(SplitListLine, characterAfterClosingQuoteIsSkippedWhateverItIs)
{
    // A blank instead of a comma still separates two quoted values.
    ExpectSplit("\"a\" \"b\"", {QStringLiteral("a"), QStringLiteral("b")});
    // One character after the last closing quote is ignored ...
    ExpectSplit("\"a\"x", {QStringLiteral("a")});
    // ... two or more: the first is skipped and the rest parsed as fields.
    ExpectSplit("\"a\"xy", {QStringLiteral("a"), QStringLiteral("y")});
    ExpectSplit("\"a\"x\"b\",c", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    // A character outside the BMP is skipped whole, not half a pair.
    EXPECT_EQ(CUserListFile::SplitListLine(QStringLiteral("\"a\"\U0001F600b,c")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(CUserListFile::SplitListLine(QStringLiteral("\"a\"\U0001F600")),
              QStringList{QStringLiteral("a")});
}

TEST(SplitListLine, doubledQuoteInsideQuotedFieldIsOneQuote)
{
    ExpectSplit("\"say \"\"hi\"\"\",x", {QStringLiteral("say \"hi\""), QStringLiteral("x")});
    ExpectSplit("\"\"\"\",\"\"", {QStringLiteral("\""), QString()});
    ExpectSplit("\"\",\"b\"", {QString(), QStringLiteral("b")});
    ExpectSplit("\"a\"\"\"", {QStringLiteral("a\"")});
}

TEST_F(UserListFile, importReadsUnquotedAndShortLines)
{
    QList<CUserListNode> users;
    const int added = Import("jdoe,secret,John Doe\r\n"
                             "\r\n"
                             "   \t \r\n"
                             "onlyname\r\n"
                             ",\r\n"
                             "  \"ann\",\"pw\",\"Ann\",\"ann@example.com\",\"Sales\",\"extra\"  \r\n"
                             ",empty-name\n"
                             "last,line-without-end",
                             users);
    ASSERT_EQ(added, 4);
    ASSERT_EQ(users.size(), 4);
    EXPECT_EQ(users[0], User("jdoe", "secret", "John Doe"));
    EXPECT_EQ(users[1], User("ann", "pw", "Ann", "ann@example.com", "Sales"));
    EXPECT_EQ(users[2], User("", "empty-name"));
    EXPECT_EQ(users[3], User("last", "line-without-end"));
}

TEST_F(UserListFile, importAppendsAfterExistingRowsAndKeepsFirstOfEachName)
{
    QList<CUserListNode> users{User("bob", "old"), User("carol", "c")};
    const int added = Import("\"dave\",\"d1\"\r\n"
                             "\"bob\",\"new\"\r\n"
                             "\"Bob\",\"case differs\"\r\n"
                             "\"dave\",\"d2\"\r\n"
                             "\"erin\",\"e\"\r\n",
                             users);
    EXPECT_EQ(added, 3);
    EXPECT_EQ(Names(users),
              (QStringList{QStringLiteral("bob"), QStringLiteral("carol"), QStringLiteral("dave"),
                           QStringLiteral("Bob"), QStringLiteral("erin")}));
    EXPECT_EQ(users[0].m_strPassword, QStringLiteral("old"));
    EXPECT_EQ(users[2].m_strPassword, QStringLiteral("d1"));
}

TEST_F(UserListFile, importingSameFileTwiceAddsNothingTheSecondTime)
{
    const QByteArray bytes = "\"a\",\"1\"\r\n\"b\",\"2\"\r\n";
    QList<CUserListNode> users;
    EXPECT_EQ(Import(bytes, users), 2);
    EXPECT_EQ(Import(bytes, users), 0);
    EXPECT_EQ(users.size(), 2);
}

TEST_F(UserListFile, importOfMissingFileReportsPath)
{
    QList<CUserListNode> users{User("a", "1")};
    QString error;
    const QString path = Path("missing.csv");
    EXPECT_EQ(CUserListFile::ImportUsers(path, users, &error), -1);
    EXPECT_EQ(error, QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(path));
    EXPECT_EQ(users.size(), 1);
}

TEST_F(UserListFile, exportWritesFiveQuotedFieldsWithCrLf)
{
    const QString path = Path("out.csv");
    QString error;
    ASSERT_TRUE(CUserListFile::ExportUsers(
        path, {User("jdoe", "pw", "John Doe", "", "Sales"), User("x", "y")}, &error));
    EXPECT_EQ(TestUtil::ReadFile(path), QByteArray("\"jdoe\",\"pw\",\"John Doe\",\"\",\"Sales\"\r\n"
                                                   "\"x\",\"y\",\"\",\"\",\"\"\r\n"));
}

TEST_F(UserListFile, exportThenImportGivesSameUsers)
{
    // Latin-1 letters, commas, blanks and double quotes anywhere in a value.
    const QList<CUserListNode> written{
        User("jdoe", "pw", "John Doe", "", "Sales"),
        User("\"quoted\"", "a\"\"b", "\"", "x@example.com", "ends with \""),
        User("caf\xC3\xA9", "\xC3\xBF\xC2\xA0", "M\xC3\xBCller, Hans", "  ", "one, two ,three"),
        User("", "empty name", "", "", ""),
    };
    const QString path = Path("round.csv");
    QString error;
    ASSERT_TRUE(CUserListFile::ExportUsers(path, written, &error)) << error.toStdString();
    QList<CUserListNode> read;
    ASSERT_EQ(CUserListFile::ImportUsers(path, read, &error), written.size());
    EXPECT_EQ(read, written);
    // One byte a character.
    EXPECT_TRUE(TestUtil::ReadFile(path).contains("\"caf\xE9\""));
}

TEST_F(UserListFile, exportOfWideCharactersIsUtf8WithBomAndReadsBack)
{
    const QList<CUserListNode> written{User("a", "1"), User("b", "2", "", "", "smile \xF0\x9F\x98\x80"),
                                       User("\xE4\xB8\xAD", "caf\xC3\xA9")};
    const QString path = Path("wide.csv");
    ASSERT_TRUE(TestUtil::WriteFile(path, "\"old\",\"file\"\r\n"));
    QString error;
    ASSERT_TRUE(CUserListFile::ExportUsers(path, written, &error)) << error.toStdString();
    const QByteArray bytes = TestUtil::ReadFile(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF\"a\",\"1\",\"\",\"\",\"\"\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.endsWith("\"caf\xC3\xA9\",\"\",\"\",\"\"\r\n")) << bytes.toStdString();
    QList<CUserListNode> read;
    ASSERT_EQ(CUserListFile::ImportUsers(path, read, &error), written.size());
    EXPECT_EQ(read, written);

    // Latin-1 text whose bytes would also be valid UTF-8, or a C1 control
    // that Windows-1252 reads as another character, must not come back
    // changed, so it is written as UTF-8 as well.
    for (const char* tricky : {"\xC3\x83\xC2\xA9", "x\xC2\x80y"}) {
        const QList<CUserListNode> one{User(tricky, "p")};
        ASSERT_TRUE(CUserListFile::ExportUsers(path, one, &error));
        read.clear();
        ASSERT_EQ(CUserListFile::ImportUsers(path, read, &error), 1);
        EXPECT_EQ(read, one) << tricky;
    }
}

TEST_F(UserListFile, importReadsUtf8OrWindows1252AndSkipsAHeader)
{
    struct Case
    {
        const char* what;
        QByteArray bytes;
        QStringList names;
        QString firstPassword;
    };
    const Case cases[] = {
        {"UTF-8 without BOM",
         "J\xC3\xBCrgen,gr\xC3\xBC\xC3\x9F\r\n\xE4\xB8\xAD,x\n",
         {QStringLiteral("J\u00FCrgen"), QStringLiteral("\u4E2D")},
         QStringLiteral("gr\u00FC\u00DF")},
        {"UTF-8 with BOM",
         "\xEF\xBB\xBF\"caf\xC3\xA9\",\"\xE2\x82\xAC\"\r\n",
         {QStringLiteral("caf\u00E9")},
         QStringLiteral("\u20AC")},
        {"Windows-1252",
         "caf\xE9,\x80uro\r\nM\xFCller,p\r\n",
         {QStringLiteral("caf\u00E9"), QStringLiteral("M\u00FCller")},
         QStringLiteral("\u20ACuro")},
        {"header, any case, after a BOM and blank lines",
         "\xEF\xBB\xBF\r\n\"USER NAME\",\"password\",\"Full Name\"\r\nann,1\r\n",
         {QStringLiteral("ann")},
         QStringLiteral("1")},
        {"header only on the first line",
         "ann,1\r\nUser Name,Password\r\n",
         {QStringLiteral("ann"), QStringLiteral("User Name")},
         QStringLiteral("1")},
        {"a user named like the header's first field",
         "User Name,secret\r\n",
         {QStringLiteral("User Name")},
         QStringLiteral("secret")},
    };
    for (const Case& c : cases) {
        QList<CUserListNode> users;
        EXPECT_EQ(Import(c.bytes, users), c.names.size()) << c.what;
        EXPECT_EQ(Names(users), c.names) << c.what;
        if (!users.isEmpty()) {
            EXPECT_EQ(users.first().m_strPassword, c.firstPassword) << c.what;
        }
    }
}

TEST_F(UserListFile, exportIntoMissingFolderReportsPath)
{
    const QString path = Path("no/such/folder/out.csv");
    QString error;
    EXPECT_FALSE(CUserListFile::ExportUsers(path, {User("a", "1")}, &error));
    EXPECT_EQ(error,
              QStringLiteral("Create file \"%1\" for write failure! Make sure you have right to write the "
                             "file.")
                  .arg(path));
}

TEST(PasswordStrength, ratesLengthAndKindsAndNamesThem)
{
    using PasswordStrength::Level;
    const std::pair<const char*, Level> cases[] = {
        {"", Level::None},
        {"aB3$xyz", Level::Weak},            // seven characters, whatever the mix
        {"abcdefghijk", Level::Weak},        // one kind, under twelve
        {"abcdefgh12", Level::Fair},         // two kinds
        {"abcdefghijkl", Level::Fair},       // one kind at twelve
        {"Abcdefgh123x", Level::Strong},     // twelve, three kinds
        {"Abcdefgh12x", Level::Fair},        // eleven, three kinds
        {"abcdefghijklmnop", Level::Strong}, // sixteen
        // Characters, not UTF-16 units: four emoji are four characters.
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80", Level::Weak},
        {"\xC3\xA9t\xC3\xA9\xC3\x89T\xC3\x89 9 caf\xC3\xA9", Level::Strong},
    };
    for (const auto& [password, level] : cases) {
        EXPECT_EQ(int(PasswordStrength::Rate(QString::fromUtf8(password))), int(level)) << password;
    }
    EXPECT_EQ(PasswordStrength::Hint(QString()), QString());
    EXPECT_EQ(
        PasswordStrength::Hint(QStringLiteral("\U0001F600")),
        QStringLiteral("Weak: 1 character, 1 kind (symbols). Longer and more varied is harder to guess."));
    EXPECT_EQ(PasswordStrength::Hint(QStringLiteral("Abcdefgh123x")),
              QStringLiteral("Strong: 12 characters, 3 kinds (lower case, upper case, digits)."));
}
