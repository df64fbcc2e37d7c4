#include "engine/CredentialTable.h"

#include "common/RandomString.h"
#include "engine/JsString.h"
#include "model/Project.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using C = CCredentialTable;

namespace {
CUserListNode User(const char* name, const char* password)
{
    CUserListNode u;
    u.m_strUserName = QString::fromUtf8(name);
    u.m_strPassword = QString::fromUtf8(password);
    return u;
}
} // namespace

TEST(CredentialPrimitives, md5MatchesPublishedVectors)
{
    EXPECT_EQ(C::Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(C::Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(C::Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(C::Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(CredentialPrimitives, xorFoldAndBase64)
{
    EXPECT_EQ(C::XorFold(QStringLiteral("abc")), 96);
    EXPECT_EQ(C::XorFold(QString()), 0);
    EXPECT_EQ(C::XorFold(QByteArray("abc")), 96);
    EXPECT_EQ(C::XorFold(QStringView(u"\u4e2d")), 0x4e2d);
    EXPECT_EQ(C::Base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(C::Base64Encode(QByteArray("\xff\xfe", 2)), "//4=");
}

TEST(CredentialPrimitives, scrambleFollowsTheFormulaAndInverts)
{
    // out[i] = ((data[i] ^ key[i % k]) + key[(n-1-i) % k]) mod 256
    EXPECT_EQ(C::ScrambleBytes("AB", "k"), QByteArray("\x95\x94"));
    const QByteArray key = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(C::ScrambleBytes("ab", "xy"), QByteArray("\x92\x93"));
    QByteArray data;
    for (int i = 0; i < 1000; ++i) {
        data.append(char(i * 7 + 3));
    }
    const QByteArray scrambled = C::ScrambleBytes(data, key);
    EXPECT_NE(scrambled, data);
    EXPECT_EQ(C::UnscrambleBytes(scrambled, key), data);
    EXPECT_EQ(C::ScrambleBytes(QByteArray(), key), QByteArray());
    // Every length around the 64-byte blocks, against the formula itself.
    for (const QByteArray& k : {key, QByteArray("k"), QByteArray("12345")}) {
        for (qsizetype n = 0; n < 200; ++n) {
            const QByteArray part = data.left(n);
            QByteArray expected(n, '\0');
            for (qsizetype i = 0; i < n; ++i) {
                expected[i] = char(
                    ((uchar(part[i]) ^ uchar(k[i % k.size()])) + uchar(k[(n - 1 - i) % k.size()])) & 0xff);
            }
            EXPECT_EQ(C::ScrambleBytes(part, k), expected) << n << " bytes, key of " << k.size();
        }
    }
}

TEST(PageKey, caseFoldingOnlyTouchesAsciiLetters)
{
    EXPECT_EQ(C::FoldCase(u"\u00c4bC-Z\u00c9"), QStringLiteral("\u00c4bc-z\u00c9"));

    CProject d;
    d.m_bPasswordCase = false;
    d.m_strPassword = QStringLiteral("Secret");
    const auto lower = C::SinglePasswordCredentials(d);
    d.m_strPassword = QStringLiteral("SECRET");
    EXPECT_EQ(C::SinglePasswordCredentials(d).key, lower.key);
    d.m_bPasswordCase = true;
    EXPECT_NE(C::SinglePasswordCredentials(d).key, lower.key);

    // Accented letters keep their case even when folding is on.
    d.m_bPasswordCase = false;
    d.m_strPassword = QStringLiteral("caf\u00e9");
    const QByteArray small = C::SinglePasswordCredentials(d).key;
    d.m_strPassword = QStringLiteral("caf\u00c9");
    EXPECT_NE(C::SinglePasswordCredentials(d).key, small);
}

TEST(PageKey, isDoubleDigestOfUtf8WithCheckValueBelow128)
{
    CProject d;
    d.m_strPassword = QStringLiteral("p\u00e4ss");
    const auto cred = C::SinglePasswordCredentials(d);
    EXPECT_EQ(cred.key, C::Md5Hex(C::Md5Hex("p\xc3\xa4ss")));
    EXPECT_EQ(cred.key.size(), 32);
    EXPECT_EQ(cred.checkValue, C::XorFold(cred.key));
    EXPECT_GE(cred.checkValue, 0);
    EXPECT_LT(cred.checkValue, 128);

    const auto multi = C::MultiUserCredentials();
    EXPECT_EQ(multi.secret.size(), 8);
    EXPECT_EQ(multi.key, C::Md5Hex(C::Md5Hex(multi.secret.toLatin1())));
}

TEST(UserArrays, swappedNameAndPassword_giveDifferentElements)
{
    CProject d;
    const CUserListNode a = User("anna", "berta");
    const CUserListNode b = User("berta", "anna");
    EXPECT_NE(C::UserDigest(d, a), C::UserDigest(d, b));
    EXPECT_NE(C::UserKey(d, a), C::UserKey(d, b));
    EXPECT_EQ(C::UserDigest(d, a), C::Md5Hex(C::Md5Hex("anna") + C::Md5Hex("berta")));
    EXPECT_EQ(C::UserKey(d, a), C::Md5Hex(C::Md5Hex("bertaanna")));
}

TEST(UserArrays, elementsUnlockTheSecretAndFollowCaseSettings)
{
    CProject d;
    d.m_listUsers = {User("Ann", "Pw1"), User("bob", "\xF0\x9F\x94\x91")};
    const QByteArray secret = "aB3dE6gH";
    const QByteArray text = C::UserArraysText(d, secret);
    const QRegularExpression shape(QString::fromLatin1(
        R"re(^var vxpb=new Array\("([0-9a-f]{32})","([0-9a-f]{32})"\);var vxpc=new Array\("([A-Za-z0-9+/=]{12})","([A-Za-z0-9+/=]{12})"\);$)re"));
    const auto match = shape.match(QString::fromLatin1(text));
    ASSERT_TRUE(match.hasMatch()) << text.constData();
    for (int i = 0; i < 2; ++i) {
        const QByteArray element = QByteArray::fromBase64(match.captured(3 + i).toLatin1());
        EXPECT_EQ(C::UnscrambleBytes(element, C::UserKey(d, d.m_listUsers[i])), secret);
    }

    // Case-insensitive names: the digest is made from the folded name.
    d.m_bUserNameCase = false;
    EXPECT_EQ(C::UserDigest(d, User("ANN", "Pw1")), C::UserDigest(d, User("ann", "Pw1")));
    EXPECT_NE(C::UserDigest(d, User("ANN", "PW1")), C::UserDigest(d, User("ann", "Pw1")));
}

TEST(UserArrays, emptyListGivesOneEmptyElementEach)
{
    EXPECT_EQ(C::UserArraysText(CProject(), "12345678"),
              QByteArray(R"(var vxpb=new Array("");var vxpc=new Array("");)"));
}

TEST(LoginVariables, singleAndMultiUserShapes)
{
    CProject d;
    const QByteArray single = C::LoginVariablesText(d, 0, 42);
    EXPECT_EQ(single, QByteArray("var LoginExpireType=1;\n"
                                 "var LoginExpireDays=365;\n"
                                 "var LoginIncorrectMode=0;\n"
                                 "var LoginAlertText=\"Invalid Password!\";\n"
                                 "var LoginRedirectURL=\"http://www.example.com/loginfailure.htm\";\n"
                                 "var LoginRedirectURLTarget=\"\";\n"
                                 "var RefreshPageInIE=true;var PWDCSS=true;var PWDMKK=42;"));
    d.m_bUserNameCase = false;
    d.m_bRefreshIE = false;
    const QByteArray multi = C::LoginVariablesText(d, 1, 7);
    EXPECT_TRUE(multi.endsWith("var RefreshPageInIE=false;var USRCSS=false;var PWDCSS=true;var PWDMKK=7;"));
}

TEST(LoginVariables, userTextsCannotLeaveTheirString)
{
    CProject d;
    d.m_strAlertText = QStringLiteral("It's \"wrong\"\\\n</script><!--\u00e9\U0001F600");
    d.m_strRedirectTarget = QStringLiteral("a\"b");
    const QByteArray text = C::LoginVariablesText(d, 0, 1);
    EXPECT_TRUE(text.contains(
        R"(var LoginAlertText="It\'s \"wrong\"\\\n\u003C/script\u003E\u003C!--\u00E9\uD83D\uDE00";)"))
        << text.constData();
    EXPECT_TRUE(text.contains(R"(var LoginRedirectURLTarget="a\"b";)"));
    EXPECT_FALSE(text.contains("</script"));
    for (const char c : text) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
}

TEST(JsStringEscape, controlCharactersAndSeparators)
{
    EXPECT_EQ(JsString::EscapeBody(u"plain text 123"), QStringLiteral("plain text 123"));
    EXPECT_EQ(JsString::EscapeBody(QStringView(u"\0x\r\t\u2028", 5)),
              QStringLiteral("\\u0000x\\r\\t\\u2028"));
    EXPECT_EQ(JsString::EscapeBody(u"a&b>c"), QStringLiteral("a\\u0026b\\u003Ec"));
}

TEST(RandomText, usesTheAlphabetAndLengths)
{
    EXPECT_TRUE(RandomString(0).isEmpty());
    const QRegularExpression alphabet(QStringLiteral("^[0-9a-zA-Z]{8}$"));
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const QString s = RandomString(8);
        ASSERT_TRUE(alphabet.match(s).hasMatch()) << s.toStdString();
        seen.insert(s);
    }
    // Two calls in the same second must not repeat (a clock-seeded generator would).
    EXPECT_EQ(seen.size(), 200);
    EXPECT_EQ(RandomString(200).size(), 200);
}
