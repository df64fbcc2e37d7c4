#include "engine/ProtectEngine.h"

#include "TestUtil.h"
#include "common/AppFolders.h"
#include "engine/BackupRestore.h"
#include "engine/CredentialTable.h"
#include "engine/HeadFilter.h"
#include "engine/LoginFormSanitizer.h"
#include "engine/NumericReferences.h"
#include "engine/PageFormat.h"
#include "engine/PageUnlocker.h"
#include "engine/ResultList.h"
#include "engine/TextFileWriter.h"
#include "model/Project.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

class RecordingList final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override { rows.append({path, result}); }
    QList<QPair<QString, QString>> rows;
};

QByteArray Lines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i) {
        text += "line " + QByteArray::number(i) + "\n";
    }
    return text;
}

const QByteArray kTemplate = "<html><head><title>Login</title></head>\n"
                             "<BODY class=\"login\">\n<form id=\"vxpform\"></form>\n</body></html>\n";

class Engine : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CProject data;
    QString templatePath;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(AppFolders::ScriptFile(0)))
            << "run through ctest: the login scripts are "
               "found through WENDLOCK_APP_DIR";
        templatePath = Path("template.htm");
        ASSERT_TRUE(WriteFile(templatePath, kTemplate));
        data.m_strTemplatePath = templatePath;
        data.m_strPassword = QStringLiteral("pw");
        // The classic format's layout and carried text; the strong format
        // has a suite of its own.
        data.m_nCipher = CProject::kCipherClassic;
    }

    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QString Page(const char* name, const QByteArray& bytes)
    {
        const QString path = Path(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    QString Protect(const QString& path)
    {
        CProtectEngine engine(&data);
        QString result;
        engine.ProtectFile(path, result);
        return result;
    }

    // The array elements of a protected page, in order.
    static QStringList Elements(const QByteArray& page)
    {
        const QRegularExpression re(QStringLiteral("var vxpa=new Array\\(\"([^)]*)\"\\);"));
        const auto match = re.match(QString::fromLatin1(page));
        return match.hasMatch() ? match.captured(1).split(QStringLiteral("\",\"")) : QStringList();
    }

    QByteArray Unlocked(const QString& path, const QString& user = QString(),
                        const QString& password = QStringLiteral("pw"),
                        CPageUnlocker::Status* status = nullptr)
    {
        QByteArray text;
        QBuffer buffer(&text);
        buffer.open(QIODevice::WriteOnly);
        const auto s = CPageUnlocker::Unlock(path, user, password, &buffer);
        if (status) {
            *status = s;
        }
        return text;
    }
};

} // namespace

TEST_F(Engine, chunksHoldTenLinesEach)
{
    EXPECT_EQ(Protect(Page("ten.htm", Lines(10))), QStringLiteral("Protected"));
    EXPECT_EQ(Elements(ReadFile(Path("ten.htm"))).size(), 1);
    EXPECT_EQ(Protect(Page("eleven.htm", Lines(11))), QStringLiteral("Protected"));
    EXPECT_EQ(Elements(ReadFile(Path("eleven.htm"))).size(), 2);
    EXPECT_EQ(Protect(Page("empty.htm", QByteArray())), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(Path("empty.htm")).contains("var vxpa=new Array(\"\");"));
    EXPECT_EQ(Unlocked(Path("eleven.htm")), Lines(11));
}

TEST_F(Engine, longLinesCountAsPiecesOf1023Bytes)
{
    const QByteArray longLine = QByteArray(3000, 'x') + "\n";
    Protect(Page("seven.htm", longLine + Lines(7)));
    EXPECT_EQ(Elements(ReadFile(Path("seven.htm"))).size(), 1);
    Protect(Page("eight.htm", longLine + Lines(8)));
    EXPECT_EQ(Elements(ReadFile(Path("eight.htm"))).size(), 2);
    EXPECT_EQ(Unlocked(Path("eight.htm")), longLine + Lines(8));
}

TEST_F(Engine, nonAsciiBecomesNumericReferencesAndIsNeverSplit)
{
    // 1500 two-byte characters: the 1023-byte pieces cut through one of them.
    QByteArray line;
    for (int i = 0; i < 1500; ++i) {
        line += "\xc3\xa9";
    }
    Protect(Page("accents.htm", line + "\n\xf0\x9f\x98\x80 caf\xc3\xa9\n"));
    const QByteArray text = Unlocked(Path("accents.htm"));
    EXPECT_EQ(text.count("&#233;"), 1501);
    EXPECT_FALSE(text.contains("&#65533;"));
    EXPECT_TRUE(text.contains("&#55357;&#56832; caf&#233;\n"));
    // Three- and four-byte characters cut by the pieces, beside ASCII.
    QByteArray wide;
    for (int i = 0; i < 700; ++i) {
        wide += "\xe2\x82\xac\xf0\x9f\x98\x80"
                "a";
    }
    // Through a whole run, which reads each page into memory first.
    data.m_listFiles = {Page("wide.htm", wide + "\n"), Page("both.htm", line + "\n" + wide)};
    CProtectEngine(&data).ProtectAll();
    EXPECT_EQ(Unlocked(Path("wide.htm")), QByteArray("&#8364;&#55357;&#56832;a").repeated(700) + "\n");
    EXPECT_EQ(Unlocked(Path("both.htm")), QByteArray("&#233;").repeated(1500) + "\n" +
                                              QByteArray("&#8364;&#55357;&#56832;a").repeated(700));
}

TEST_F(Engine, pageLayoutFollowsTheBlockOrder)
{
    const QString page =
        Page("p.htm", "<html><HEAD><title>Own</title></HEAD><body>Secret text</body></html>\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray out = ReadFile(page);
    const QByteArray script = ReadFile(AppFolders::ScriptFile(0)).replace("\r\n", "\n").replace("\n", "\r\n");
    const qsizetype head =
        out.indexOf("<html><HEAD><title>Own</title><SCRIPT type=\"text/javascript\">function KillError()");
    const qsizetype vars = out.indexOf("<SCRIPT type=\"text/javascript\">\r\nvar LoginExpireType=1;\r\n");
    const qsizetype array = out.indexOf("var PWDMKK=");
    const qsizetype login = out.indexOf(script);
    const qsizetype close = out.indexOf(QByteArray(
        "</SCRIPT>\r\n</HEAD>\r\n<body onload=\"javascript:vxpcheck();\" class=\"login\">" +
        CLoginFormSanitizer::NoScriptLine() + "\r\n<form id=\"vxpform\" action=\"javascript:void(0)\">"));
    EXPECT_EQ(head, 0);
    EXPECT_GT(vars, head);
    EXPECT_GT(array, vars);
    EXPECT_GT(login, array);
    EXPECT_EQ(close, login + script.size());
    // The closing comment carries the binding to the page's backup.
    EXPECT_TRUE(out.contains("</body></html>\r\n\r\n<!-- Protected by Wendlock 2.4 original="));
    EXPECT_TRUE(out.endsWith(" -->\r\n"));
    EXPECT_FALSE(out.contains("Secret text"));
    EXPECT_FALSE(out.contains("pw\""));
    // Every line end of the file is CR LF.
    EXPECT_EQ(out.count("\n"), out.count("\r\n"));
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".tmp")));
}

TEST_F(Engine, headSourceFallsBackToTheTemplate)
{
    const QString page = Page("nohead.htm", "<p>no head here</p>\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(page).startsWith("<html><head><title>Login</title><SCRIPT"));

    data.m_bCopyHead = false;
    const QString own = Page("own.htm", "<head><title>Own</title></head><body>x</body>\n");
    ASSERT_EQ(Protect(own), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(own).startsWith("<html><head><title>Login</title><SCRIPT"));

    // Neither the page nor the template has a head.
    data.m_bCopyHead = true;
    ASSERT_TRUE(WriteFile(templatePath, "<body>form</body>\n"));
    const QString bare = Page("bare.htm", "<p>x</p>\n");
    EXPECT_EQ(Protect(bare), QStringLiteral("No <head> section!"));
    EXPECT_EQ(ReadFile(bare), QByteArray("<p>x</p>\n"));
}

// The login page, readable before anyone logs in, keeps only the page's
// doctype, html and head tags, title, meta, base, style elements and links
// to style sheets and icons, byte for byte. Scripts, noscript and template
// elements, comments, resource hints and other links stay out, also where
// they span lines. The template's head is copied whole.
TEST_F(Engine, copiedHeadKeepsOnlyWhatTheHelpLists)
{
    const QByteArray head =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Docs</title>\n"
        "<base href=\"/d/\"><link rel=\"icon\" href=\"f.ico\"><link rel=stylesheet href=\"s.css\">\n"
        "<script>const builtinThemes = ['a'];\nif (1 < 2) { theme(); }\n</script><meta name=\"a\" "
        "content=\"b>c\">\n"
        "<SCRIPT defer src=\"side.js\"></SCRIPT ><script type=\"module\" src=\"m.js\"></script>\n"
        "<link rel=\"preload\" href=\"p.js\" as=\"script\"><link rel=preload href=p.woff as=font "
        "crossorigin>\n"
        "<link REL=\"modulepreload\" href=\"m2.js\"><style>p{color:red}</style>\n"
        "<link rel=\"prefetch\" href=\"/private/next.html\"><link rel=prerender href=/members.html>"
        "<link rel=\"canonical\" href=\"/d/x\">\n"
        "<!-- note: staging key\n still a comment --><noscript><p>js</p></noscript><scripts-x></scripts-x>\n"
        "<template id=t><p>tpl <template>inner</template> secret</p></template><NoScript>\n"
        "<link rel=stylesheet href=ns.css></noscript><link\n rel=\"apple-touch-icon\" href=\"t.png\">\n"
        "<script>\nvar x = \"</head>\";\n</script>\n<title>late</title></head><body>Secret</body></html>\n";
    const QString page = Page("docs.htm", head);
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray out = ReadFile(page);
    const QByteArray kept = out.left(out.indexOf("<SCRIPT type=\"text/javascript\">function KillError()"));
    EXPECT_EQ(
        kept,
        QByteArray(
            "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>Docs</title>\r\n"
            "<base href=\"/d/\"><link rel=\"icon\" href=\"f.ico\"><link rel=stylesheet href=\"s.css\">\r\n"
            "<meta name=\"a\" content=\"b>c\">\r\n\r\n"
            "\r\n"
            "<style>p{color:red}</style>\r\n"
            "\r\n"
            "\r\n"
            "<link\r\n rel=\"apple-touch-icon\" href=\"t.png\">\r\n"));
    // The page itself, scripts and all, comes back whole after login.
    EXPECT_EQ(Unlocked(page), head);

    data.m_bCopyHead = false;
    ASSERT_TRUE(
        WriteFile(templatePath, "<html><head><script src=\"t.js\"></script></head><body>f</body></html>\n"));
    const QString own = Page("own.htm", head);
    ASSERT_EQ(Protect(own), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(own).startsWith("<html><head><script src=\"t.js\"></script><SCRIPT"));
}

// Long lines reach the head filter in pieces: cut anywhere, even inside a
// tag name, a quoted value or a comment's end, the kept text is the same.
// At the head's end a title or style left open is closed, and a tag left
// unfinished is dropped, so the login script after it stays a script.
TEST(HeadFilter, piecesGiveTheSameTextAndTheHeadEndsClean)
{
    const QByteArray head =
        "<html><head><title>T</title><!-- a -- b --><LINK rel=\"stylesheet\" href=\"a>b.css\">"
        "<script>if (a</scr) x();</script ><template><template></template>x</template>"
        "<noscript></noscriptx></noscript><meta name=x content='1 > 0'>< b<style>i{}</style>";
    const QByteArray whole = "<html><head><title>T</title><LINK rel=\"stylesheet\" href=\"a>b.css\">"
                             "<meta name=x content='1 > 0'>< b<style>i{}</style>";
    const auto filtered = [](const QByteArray& text, qsizetype piece) {
        CHeadFilter filter;
        QByteArray kept;
        for (qsizetype at = 0; at < text.size(); at += piece) {
            if (!filter.Feed(text.mid(at, piece), kept)) {
                break;
            }
        }
        filter.Feed("</head>", kept);
        return kept;
    };
    for (qsizetype piece = 1; piece <= head.size(); ++piece) {
        ASSERT_EQ(filtered(head, piece), whole) << piece;
    }
    EXPECT_EQ(filtered("<title>Open <style>p{", 3), QByteArray("<title>Open <style>p{</title>"));
    EXPECT_EQ(filtered("<style>p{}</sty", 4), QByteArray("<style>p{}</sty</style>"));
    EXPECT_EQ(filtered("<meta name=\"x", 5), QByteArray());
    EXPECT_EQ(filtered("<!-- open", 2), QByteArray());
    // Resource hints never stay, whatever they fetch; icons of every kind do.
    EXPECT_FALSE(CHeadFilter::IsKeptLink("<link rel=\"preload stylesheet\" href=a.css>"));
    EXPECT_FALSE(CHeadFilter::IsKeptLink("<link rel=dns-prefetch href=//x>"));
    EXPECT_TRUE(CHeadFilter::IsKeptLink("<link rel=\"shortcut icon\" href=f.ico>"));
    EXPECT_TRUE(CHeadFilter::IsKeptLink("<link href=m.png rel='mask-icon'>"));
    EXPECT_FALSE(CHeadFilter::IsKeptLink("<link data-rel=stylesheet href=x>"));
}

TEST_F(Engine, headAndBodyOnOneLineAndTemplateWithoutBody)
{
    ASSERT_TRUE(WriteFile(templatePath, "<html><head><title>T</title></head><Body id=b>Hi</body></html>\n"));
    data.m_bCopyHead = false;
    const QString page = Page("a.htm", "x\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray out = ReadFile(page);
    EXPECT_TRUE(out.startsWith("<html><head><title>T</title><SCRIPT"));
    EXPECT_TRUE(out.contains(QByteArray("</HEAD>\r\n<body onload=\"javascript:vxpcheck();\" id=b>" +
                                        CLoginFormSanitizer::NoScriptLine() + "Hi</body></html>\r\n")));

    ASSERT_TRUE(WriteFile(templatePath, "<html><head></head></html>\n"));
    const QString noBody = Page("b.htm", "x\n");
    ASSERT_EQ(Protect(noBody), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(noBody).contains("</HEAD>\r\n\r\n<!-- Protected by Wendlock 2.4 original="));
    EXPECT_FALSE(ReadFile(noBody).contains("<body"));
}

// An older user template whose form posts named fields to a server: the
// written login page submits nothing anywhere, while comments, scripts and
// raw text that merely look like forms stay byte for byte.
TEST_F(Engine, loginFormOfAnyTemplateSubmitsNothing)
{
    ASSERT_TRUE(WriteFile(
        templatePath, "<html><head><title>T</title></head>\n"
                      "<BODY\nclass=\"x\"><!-- <form action=\"/c\" method=post> -->\n"
                      "<script>var s = '<input name=\"keep\">';</script>\n"
                      "<FORM Action=\"collect.php\" METHOD=\"POST\" target=_top id=vxpform><input "
                      "type=\"text\" NAME=\"vxpuser\"\n"
                      " id=\"vxpuser\" value=\"a b\"><input id=\"vxppass\" name='vxppass' type=password/>\n"
                      "<button formaction=\"/x\" formmethod=post name=go type=submit>Go</button>"
                      "<input type=image src=i.png formaction=//evil.example/ name=img>\n"
                      "<textarea name=t><input name=\"inside\"></textarea><select name=s></select></form>\n"
                      "<form method=get><input name=q></form></body></html>\n"));
    const QString page = Page("t.htm", "<html><head></head><body>Secret</body></html>\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray out = ReadFile(page);
    const QByteArray body = out.mid(out.indexOf("<body onload"));
    EXPECT_TRUE(body.startsWith(QByteArray(
        "<body onload=\"javascript:vxpcheck();\"\r\nclass=\"x\">" + CLoginFormSanitizer::NoScriptLine() +
        "<!-- <form action=\"/c\" method=post> -->\r\n"
        "<script>var s = '<input name=\"keep\">';</script>\r\n"
        "<FORM id=vxpform action=\"javascript:void(0)\"><input type=\"text\"\r\n"
        " id=\"vxpuser\" value=\"a b\"><input id=\"vxppass\" type=password/>\r\n"
        "<button type=submit>Go</button><input type=image src=i.png>\r\n"
        "<textarea><input name=\"inside\"></textarea><select></select></form>\r\n"
        "<form action=\"javascript:void(0)\"><input></form></body></html>\r\n")))
        << body.constData();
    // The template's own text is untouched where no form is involved.
    EXPECT_EQ(Unlocked(page), QByteArray("<html><head></head><body>Secret</body></html>\n"));
}

// A strong page that the right password opens as far as its key, but whose
// content is damaged, is told apart from a wrong password: by the check
// value of a single password's key, by the entry of a user.
TEST_F(Engine, damagedStrongPageIsNotAWrongPassword)
{
    data.m_nCipher = CProject::kCipherStrong;
    data.m_nKdfIterations = CProject::kMinKdfIterations;
    data.EnsureSalt();
    const auto damage = [](const QString& path) {
        QByteArray bytes = ReadFile(path);
        const qsizetype at = bytes.indexOf("var vxsa=[\"") + 12;
        bytes[at] = bytes[at] == 'A' ? 'B' : 'A';
        return WriteFile(path, bytes);
    };
    CPageUnlocker::Status status{};
    const QString single = Page("s.htm", "<p>single</p>\n");
    ASSERT_EQ(Protect(single), QStringLiteral("Protected"));
    EXPECT_TRUE(ReadFile(single).contains("];var vxsc=\""));
    ASSERT_TRUE(damage(single));
    Unlocked(single, QString(), QStringLiteral("pw"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::Damaged);
    Unlocked(single, QString(), QStringLiteral("pW"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::WrongCredentials);
    // A page written before the check value: the right password can't be
    // confirmed, so it is reported as not opening the page.
    QByteArray old = ReadFile(single);
    const qsizetype check = old.indexOf("var vxsc=");
    old.remove(check, old.indexOf(';', check) + 1 - check);
    ASSERT_TRUE(WriteFile(single, old));
    Unlocked(single, QString(), QStringLiteral("pw"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::WrongCredentials);

    data.m_nPasswordMode = CProject::kMultipleUsers;
    CUserListNode user;
    user.m_strUserName = QStringLiteral("ann");
    user.m_strPassword = QStringLiteral("pw");
    data.m_listUsers = {user};
    const QString multi = Page("m.htm", "<p>multi</p>\n");
    ASSERT_EQ(Protect(multi), QStringLiteral("Protected"));
    EXPECT_FALSE(ReadFile(multi).contains("var vxsc="));
    EXPECT_EQ(Unlocked(multi, QStringLiteral("ann")), QByteArray("<p>multi</p>\n"));
    ASSERT_TRUE(damage(multi));
    Unlocked(multi, QStringLiteral("ann"), QStringLiteral("pw"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::Damaged);
    Unlocked(multi, QStringLiteral("ann"), QStringLiteral("px"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::WrongCredentials);
}

TEST_F(Engine, afterLoginOptionsGoBeforeTheFirstHeadEnd)
{
    data.m_bProtectAfterLogin = true;
    data.m_bNoRightClick = true;
    const QString page = Page("o.htm", "<html><head><title>t</title>\n</HEAD><body></head></body>\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray text = Unlocked(page);
    const qsizetype block = text.indexOf("<SCRIPT type=\"text/javascript\">eval(unescape(");
    ASSERT_GT(block, 0);
    EXPECT_TRUE(text.contains("<META HTTP-EQUIV=\"ImageToolbar\" CONTENT=\"No\"></HEAD><body></head>"));
    EXPECT_EQ(text.count("eval(unescape("), 1);

    const QString noHead = Page("nh.htm", "<p>plain</p>\n");
    ASSERT_EQ(Protect(noHead), QStringLiteral("Protected"));
    EXPECT_EQ(Unlocked(noHead), QByteArray("<p>plain</p>\n"));

    // The login page's own block only when asked for.
    EXPECT_FALSE(ReadFile(noHead).contains("eval(unescape("));
    data.m_bProtectLoginPages = true;
    ASSERT_EQ(Protect(Page("lp.htm", "x\n")), QStringLiteral("Protected"));
    EXPECT_TRUE(
        ReadFile(Path("lp.htm")).contains("</SCRIPT><SCRIPT type=\"text/javascript\">eval(unescape("));
}

TEST_F(Engine, crLfIsReadAsLf)
{
    const QString page = Page("crlf.htm", "a\r\nb\r\n\r\nc\rd\n");
    Protect(page);
    EXPECT_EQ(Unlocked(page), QByteArray("a\nb\n\nc\rd\n"));
}

TEST_F(Engine, charsetsConvertThePageText)
{
    data.m_nCharset = 34;                                                  // windows-1251
    const QString cyrillic = Page("ru.htm", "\xcf\xf0\xe8\xe2\xe5\xf2\n"); // "Привет"
    ASSERT_EQ(Protect(cyrillic), QStringLiteral("Protected"));
    EXPECT_EQ(Unlocked(cyrillic), QByteArray("&#1055;&#1088;&#1080;&#1074;&#1077;&#1090;\n"));

    data.m_nCharset = 29; // UTF-16 little-endian
    QByteArray utf16;
    for (const char16_t u : u"<p>\u00e9\u4e2d</p>\r\nnext\n") {
        if (u) {
            utf16.append(char(u & 0xFF)).append(char(u >> 8));
        }
    }
    const QString wide = Page("w.htm", utf16);
    ASSERT_EQ(Protect(wide), QStringLiteral("Protected"));
    QByteArray text = Unlocked(wide);
    text.replace('\0', "");
    EXPECT_EQ(text, QByteArray("<p>&#233;&#20013;</p>\nnext\n"));

    // The default charset keeps every byte of a page that is not UTF-8.
    data.m_nCharset = 0;
    const QString latin = Page("l.htm", "caf\xe9 \x81\n");
    Protect(latin);
    EXPECT_EQ(Unlocked(latin), QByteArray("caf&#233; &#129;\n"));
}

TEST_F(Engine, multiUserPagesOpenForEveryUserOnly)
{
    data.m_nPasswordMode = 1;
    data.m_bUserNameCase = false;
    CUserListNode a;
    a.m_strUserName = QStringLiteral("Ann");
    a.m_strPassword = QStringLiteral("one");
    CUserListNode b;
    b.m_strUserName = QStringLiteral("bob");
    b.m_strPassword = QStringLiteral("tw\u00f6");
    data.m_listUsers = {a, b};
    const QString page = Page("m.htm", "<p>members</p>\n");
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    const QByteArray out = ReadFile(page);
    EXPECT_TRUE(out.contains("var USRCSS=false;"));
    EXPECT_TRUE(out.contains("var vxpb=new Array(\""));

    EXPECT_EQ(Unlocked(page, QStringLiteral("ANN"), QStringLiteral("one")), QByteArray("<p>members</p>\n"));
    EXPECT_EQ(Unlocked(page, QStringLiteral("bob"), QStringLiteral("tw\u00f6")),
              QByteArray("<p>members</p>\n"));
    CPageUnlocker::Status status{};
    Unlocked(page, QStringLiteral("bob"), QStringLiteral("one"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::WrongCredentials);
    Unlocked(page, QString(), QStringLiteral("one"), &status);
    EXPECT_EQ(status, CPageUnlocker::Status::NeedUserName);
}

TEST_F(Engine, failuresLeaveThePageAsItWas)
{
    const QByteArray original = "<html><head></head><body>keep</body></html>\n";

    data.m_strTemplatePath = Path("missing.htm");
    const QString page = Page("f.htm", original);
    EXPECT_EQ(Protect(page), QStringLiteral("Open file failure!"));
    EXPECT_EQ(ReadFile(page), original);

    data.m_strTemplatePath = templatePath;
    const QString readOnly = Page("ro.htm", original);
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    EXPECT_EQ(Protect(readOnly),
              QStringLiteral("Overwrite file failure! \n") + QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(ReadFile(readOnly), original);
    EXPECT_FALSE(QFileInfo::exists(readOnly + QStringLiteral(".tmp")));

    EXPECT_EQ(Protect(Path("gone.htm")), QStringLiteral("File not exists!"));
}

// A page format that gets half-way through a page's script and fails there,
// or fails before the first page.
class FailingFormat final : public CPageFormat
{
public:
    FailingFormat(const CProject& project, bool failPrepare)
        : CPageFormat(project), m_bFailPrepare(failPrepare)
    {
    }
    Kind Writes() const override { return Kind::Strong; }
    std::optional<Failure> Prepare() override
    {
        return m_bFailPrepare
                   ? std::optional<Failure>(Failure{ProtectOutcome::KeyFailure, QStringLiteral("No keys")})
                   : std::nullopt;
    }
    std::optional<Failure> WriteScript(const CPageSource&, CRunFiles&, CTextFileWriter& out) override
    {
        out.Write("var vxsa=[\"half");
        return Failure{ProtectOutcome::KeyFailure, QStringLiteral("Encryption failure!")};
    }
    QString LoginScript() const override { return {}; }

private:
    const bool m_bFailPrepare;
};

TEST_F(Engine, aFormatThatFailsLeavesEveryPageAndBackupAndSaysWhy)
{
    // The engine takes its failure from the format, whatever the pages
    // before it did: a page after a protected one is not reported
    // protected, and nothing of it (new text, backup) is left behind.
    const QByteArray original = "<html><head></head><body>keep</body></html>\n";
    data.m_bBackup = true;
    data.m_listFiles = QStringList{Page("first.htm", original), Page("second.htm", original)};
    for (const bool failPrepare : {false, true}) {
        for (const QString& page : data.m_listFiles) {
            ASSERT_TRUE(WriteFile(page, original));
        }
        RecordingList rows;
        {
            // The first page with the project's own format, then the rest
            // with the failing one.
            CProtectEngine engine(&data, &rows);
            ASSERT_EQ(engine.ProtectOne(data.m_listFiles.at(0)), ProtectOutcome::Protected);
            engine.SetFormat(std::make_shared<FailingFormat>(data, failPrepare));
            EXPECT_EQ(engine.ProtectOne(data.m_listFiles.at(1)), ProtectOutcome::KeyFailure);
            EXPECT_EQ(engine.GetProtectedCount(), 1);
        }
        ASSERT_EQ(rows.rows.size(), 2);
        EXPECT_EQ(rows.rows.at(1).second,
                  failPrepare ? QStringLiteral("No keys") : QStringLiteral("Encryption failure!"));
        EXPECT_EQ(ReadFile(data.m_listFiles.at(1)), original);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        EXPECT_EQ(left, (QStringList{QStringLiteral("first.htm"), QStringLiteral("first.htm.original"),
                                     QStringLiteral("second.htm"), QStringLiteral("template.htm")}));
        QFile::remove(Path("first.htm.original"));
    }
}

TEST_F(Engine, protectedPageKeepsPermissionsAndBackupIsExact)
{
    const QByteArray original = "<p>mode</p>\r\n";
    const QString page = Page("perm.htm", original);
    ASSERT_EQ(::chmod(QFile::encodeName(page).constData(), 0640), 0);
    ASSERT_EQ(Protect(page), QStringLiteral("Protected"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(page).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ASSERT_EQ(::stat(QFile::encodeName(page + QStringLiteral(".original")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadFile(page + QStringLiteral(".original")), original);

    data.m_bBackup = false;
    const QString noBackup = Page("nb.htm", original);
    Protect(noBackup);
    EXPECT_FALSE(QFileInfo::exists(noBackup + QStringLiteral(".original")));
}

TEST_F(Engine, secondRunAsksAndRestoresFirstOnYes)
{
    const QByteArray original = "<html><head><title>t</title></head><body>one</body></html>\n";
    data.m_listFiles = {Page("a.htm", original), Page("b.htm", original), Path("missing.htm")};
    RecordingList list;
    {
        CProtectEngine engine(&data, &list);
        ASSERT_TRUE(engine.ProtectAll());
        EXPECT_EQ(engine.GetProtectedCount(), 2);
    }
    ASSERT_EQ(list.rows.size(), 3);
    EXPECT_EQ(list.rows[2].second, QStringLiteral("File not exists!"));
    const QByteArray firstRun = ReadFile(Path("a.htm"));

    QStringList asked;
    CProtectEngine engine(&data, &list);
    engine.SetRestoreQuestion([&](const QString& path) {
        asked.append(path);
        return path.endsWith(QLatin1String("a.htm")) ? CProtectEngine::Answer::Yes
                                                     : CProtectEngine::Answer::Cancel;
    });
    ASSERT_TRUE(engine.ProtectAll());
    EXPECT_EQ(asked, QStringList({Path("a.htm"), Path("b.htm")}));
    EXPECT_EQ(engine.GetProtectedCount(), 1);
    EXPECT_EQ(list.rows[0].second, QStringLiteral("Protected"));
    EXPECT_EQ(list.rows[1].second, QStringLiteral("Protected before"));
    // Protected once, not twice: the restored page was protected again.
    EXPECT_EQ(Unlocked(Path("a.htm")), original);
    EXPECT_EQ(ReadFile(Path("a.htm")).count("var vxpa=new Array("), 1);
    EXPECT_EQ(ReadFile(Path("a.htm")).size(), firstRun.size());
    EXPECT_EQ(ReadFile(Path("a.htm.original")), original);
}

TEST_F(Engine, yesWithoutBackupIsRestoreFailure)
{
    data.m_bBackup = false;
    data.m_listFiles = {Page("a.htm", "<p>x</p>\n")};
    CProtectEngine first(&data);
    first.ProtectAll();
    const QByteArray protectedText = ReadFile(Path("a.htm"));

    RecordingList list;
    CProtectEngine engine(&data, &list);
    engine.SetRestoreQuestion([](const QString&) { return CProtectEngine::Answer::Yes; });
    engine.ProtectAll();
    EXPECT_EQ(list.rows[0].second,
              QStringLiteral("Restore failure \n") + QString::fromLocal8Bit(strerror(ENOENT)));
    EXPECT_EQ(ReadFile(Path("a.htm")), protectedText);
    QString result;
    EXPECT_TRUE(engine.IsProtected(Path("a.htm"), result));
    EXPECT_FALSE(engine.IsProtected(templatePath, result));
}

TEST_F(Engine, restoreBackupsPutsOriginalsBack)
{
    data.m_listFiles = {Page("a.htm", "A\n"), Page("b.htm", "B\n"), Page("c.htm", "C\n")};
    CProtectEngine(&data).ProtectAll();
    QFile::remove(Path("c.htm.original"));
    EXPECT_EQ(CBackupRestore::RestoreAll(data.m_listFiles + QStringList{QString()}), 2);
    EXPECT_EQ(ReadFile(Path("a.htm")), QByteArray("A\n"));
    EXPECT_FALSE(QFileInfo::exists(Path("a.htm.original")));
    EXPECT_EQ(CBackupRestore::RestoreAll(data.m_listFiles), 0);
}

TEST(NumericEntities, encodesEveryUnitFrom128)
{
    EXPECT_EQ(NumericReferences::Encode(u"a\u00e9\u007f\u0080"), QStringLiteral("a&#233;\u007f&#128;"));
    EXPECT_EQ(NumericReferences::Encode(u""), QString());
    EXPECT_EQ(NumericReferences::Encode(QString::fromUtf8("\xf0\x9f\x98\x80")),
              QStringLiteral("&#55357;&#56832;"));
    // U+007F stays, U+0080 is the first unit encoded: on its own, first in a
    // text, after ASCII, through every entry point (from text, from UTF-8,
    // eight ASCII bytes at a time and one by one).
    EXPECT_EQ(NumericReferences::Encode(u"\u0080"), QStringLiteral("&#128;"));
    EXPECT_EQ(NumericReferences::Encode(u"\u007f"), QStringLiteral("\u007f"));
    EXPECT_EQ(NumericReferences::Encode(u"\u0080\u007f"), QStringLiteral("&#128;\u007f"));
    for (const QByteArray& ascii : {QByteArray("\x7f"), QByteArray("abcdefgh\x7f")}) {
        QByteArray fromText;
        NumericReferences::AppendBytes(QString(QString::fromLatin1(ascii) + QChar(0x80)), fromText);
        EXPECT_EQ(fromText, ascii + "&#128;");
        QByteArray fromUtf8;
        EXPECT_EQ(NumericReferences::AppendUtf8Bytes(QByteArray(ascii + "\xc2\x80" + ascii), fromUtf8), 0);
        EXPECT_EQ(fromUtf8, ascii + "&#128;" + ascii);
        EXPECT_TRUE(NumericReferences::IsAscii(ascii));
        EXPECT_FALSE(NumericReferences::IsAscii(QByteArray(ascii + "\x80")));
    }
    EXPECT_FALSE(NumericReferences::IsAscii("\x80"));
}

TEST_F(Engine, pagesTooLargeToHoldAreStreamedWithTheSameResult)
{
    // Larger than what the run reads into memory at once.
    QByteArray big = "<html><head><title>big</title></head><body>\n";
    const QByteArray line = "<p>caf\xc3\xa9 " + QByteArray(80, 'x') + "</p>\n";
    while (big.size() < 9 * 1024 * 1024) {
        big += line;
    }
    big += "</body></html>\n";
    data.m_listFiles = {Page("big.htm", big), Page("small.htm", big.left(4096))};
    RecordingList list;
    CProtectEngine engine(&data, &list);
    ASSERT_TRUE(engine.ProtectAll());
    ASSERT_EQ(list.rows.size(), 2);
    EXPECT_EQ(list.rows[0].second, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(Path("big.htm.original")), big);
    QByteArray expected = big;
    expected.replace("\xc3\xa9", "&#233;");
    EXPECT_EQ(Unlocked(Path("big.htm")), expected);

    // Both ways of reading find the marker of a protected page.
    QString result;
    EXPECT_TRUE(engine.IsProtected(Path("big.htm"), result));
    engine.SetRestoreQuestion([](const QString&) { return CProtectEngine::Answer::No; });
    ASSERT_TRUE(engine.ProtectAll());
    EXPECT_EQ(list.rows[0].second, QStringLiteral("Protected before"));
    EXPECT_EQ(list.rows[1].second, QStringLiteral("Protected before"));
}
