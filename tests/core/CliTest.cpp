#include "CliRunner.h"
#include "TestUtil.h"
#include "common/AppInfo.h"
#include "engine/ProtectOutcome.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"
#include "templates/TemplateStore.h"
#include "users/UserListFile.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using TestUtil::CliRun;
using TestUtil::RunCli;

class Cli : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QString SaveProject(const CProject& d, const char* name = "p.vxp")
    {
        QString error;
        EXPECT_TRUE(CWendlockDoc::WriteProjectFile(Path(name), d, &error)) << error.toStdString();
        return Path(name);
    }
};

} // namespace

TEST_F(Cli, versionHelpAndUsageErrors)
{
    CliRun run = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, AppInfo::ProgramVersion() + QLatin1Char('\n'));

    run = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.contains(QLatin1String("show PROJECT.vxp")));

    EXPECT_EQ(RunCli({}).code, 2);
    run = RunCli({QStringLiteral("frobnicate")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("unknown command")));
    EXPECT_EQ(RunCli({QStringLiteral("show")}).code, 2);
}

// Every command's --help describes each option its usage names and gives two
// examples; protect's lists every key of the project table (read from the
// JSON form of a new project) with its default; the manual page's sections
// come from the same texts.
TEST_F(Cli, help_describesOptionsKeysAndExamples)
{
    const QStringList commands = {QStringLiteral("show"),     QStringLiteral("convert"),
                                  QStringLiteral("protect"),  QStringLiteral("restore"),
                                  QStringLiteral("unlock"),   QStringLiteral("link"),
                                  QStringLiteral("templates")};
    const CliRun roff = RunCli({QStringLiteral("--help-roff"), QStringLiteral("commands")});
    ASSERT_EQ(roff.code, 0);
    const QString overview = RunCli({QStringLiteral("--help")}).out;
    const QRegularExpression optionName(QStringLiteral("(--[a-z-]+|-o)\\b"));
    for (const QString& command : commands) {
        SCOPED_TRACE(command.toStdString());
        const CliRun run = RunCli({command, QStringLiteral("--help")});
        ASSERT_EQ(run.code, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        ASSERT_TRUE(lines.first().startsWith(QStringLiteral("Usage: wendlock-cli ") + command));
        // The usage block ends at the first empty line.
        const qsizetype usageEnd = lines.indexOf(QString());
        ASSERT_GT(usageEnd, 0);
        const QString usage = lines.mid(0, usageEnd).join(QLatin1Char(' '));
        auto it = optionName.globalMatch(usage);
        while (it.hasNext()) {
            const QString option = it.next().captured(1);
            const bool described = std::any_of(lines.cbegin(), lines.cend(), [&](const QString& line) {
                return line.startsWith(QStringLiteral("  ") + option + QLatin1Char(' ')) ||
                       line == QStringLiteral("  ") + option;
            });
            EXPECT_TRUE(described) << option.toStdString() << " has no sentence";
        }
        const qsizetype examples = lines.indexOf(QStringLiteral("Examples:"));
        ASSERT_GT(examples, 0);
        const auto exampleCount =
            std::count_if(lines.cbegin() + examples, lines.cend(), [&](const QString& line) {
                const QString start = QStringLiteral("  wendlock-cli ") + command;
                return line == start || line.startsWith(start + QLatin1Char(' '));
            });
        EXPECT_GE(exampleCount, 2);
        EXPECT_TRUE(roff.out.contains(QStringLiteral(".SS ") + command + QLatin1Char('\n')));
        // The program's own help shows the command's usage.
        EXPECT_TRUE(overview.contains(QStringLiteral("\n  ") +
                                      lines.first().mid(int(strlen("Usage: wendlock-cli "))) +
                                      QLatin1Char('\n')));
    }

    const QString protectHelp = RunCli({QStringLiteral("protect"), QStringLiteral("--help")}).out;
    const QJsonObject defaults =
        QJsonDocument::fromJson(CProjectJson::ToJson(CProject(), QStringLiteral("1"))).object();
    ASSERT_GT(defaults.size(), 40);
    for (auto key = defaults.begin(); key != defaults.end(); ++key) {
        if (key.key() == QLatin1String("version")) {
            continue;
        }
        SCOPED_TRACE(key.key().toStdString());
        const QRegularExpression line(QStringLiteral("^  %1  (.+); default (.+)\\n      (\\S.*)$")
                                          .arg(QRegularExpression::escape(key.key())),
                                      QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = line.match(protectHelp);
        ASSERT_TRUE(match.hasMatch()) << "protect --help does not list the key";
        const QString shown = match.captured(2);
        if (key.value().isDouble()) {
            EXPECT_EQ(shown, QString::number(key.value().toInt()));
            // A flag says so; a ranged number names its range.
            EXPECT_TRUE(match.captured(1).contains(QRegularExpression(QStringLiteral("0 or 1|integer"))));
        } else if (key.value().isString()) {
            EXPECT_TRUE(shown.startsWith(QLatin1Char('"') + key.value().toString() + QLatin1Char('"')));
        }
        EXPECT_FALSE(match.captured(3).trimmed().isEmpty()) << "the key has no meaning";
        EXPECT_TRUE(roff.out.contains(QStringLiteral(".B ") + key.key() + QLatin1Char('\n')));
    }
    EXPECT_TRUE(protectHelp.contains(QLatin1String("an integer from 100000 to 10000000; default 600000")));
    EXPECT_EQ(RunCli({QStringLiteral("--help-roff"), QStringLiteral("nothing")}).code, 2);
}

TEST_F(Cli, show_printsTheProjectWithNumbersForFlags)
{
    CProject d;
    d.m_listFiles = {QStringLiteral("/w/a \"b\".html")};
    CUserListNode u;
    u.m_strUserName = QStringLiteral("\u00e9ric");
    u.m_strEmail = QStringLiteral("e@example.com");
    d.m_listUsers = {u};
    d.m_nCharset = 32;
    const CliRun run = RunCli({QStringLiteral("show"), SaveProject(d)});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(json.value(QLatin1String("version")).toString(), AppInfo::ProgramVersion());
    EXPECT_EQ(json.value(QLatin1String("files")).toArray().at(0).toString(), d.m_listFiles[0]);
    EXPECT_EQ(json.value(QLatin1String("backup")).toInt(-1), 1);
    EXPECT_TRUE(json.value(QLatin1String("charset")).isDouble());
    EXPECT_EQ(json.value(QLatin1String("charset")).toInt(), 32);
    const QJsonObject user = json.value(QLatin1String("users")).toArray().at(0).toObject();
    EXPECT_EQ(user.keys().size(), 5);
    EXPECT_EQ(user.value(QLatin1String("userName")).toString(), u.m_strUserName);
}

TEST_F(Cli, show_damagedFile_reportsTheFrameworkTextAndExits2)
{
    const QByteArray bytes = CWendlockDoc::ProjectBytes(CProject());
    ASSERT_TRUE(TestUtil::WriteFile(Path("cut.vxp"), bytes.left(bytes.size() / 2)));
    CliRun run = RunCli({QStringLiteral("show"), Path("cut.vxp")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QLatin1String("Unexpected file format."))) << run.err.toStdString();

    run = RunCli({QStringLiteral("show"), Path("none.vxp")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("none.vxp was not found.")));
}

TEST_F(Cli, convert_projectToJsonAndBack_isByteIdentical)
{
    CProject d;
    d.m_listFiles = {QStringLiteral("/x/\u4e2d.html"), QStringLiteral("/x/b.htm")};
    d.m_strAlertText = QStringLiteral("tab\there \"q\" \\ \U0001F600");
    d.m_nPasswordMode = 1;
    CUserListNode u;
    u.m_strUserName = QStringLiteral("u1");
    u.m_strPassword = QStringLiteral("p\u00e4");
    u.m_strDescription = QStringLiteral("line1\nline2");
    d.m_listUsers = {u, u};
    d.m_bNoPrint = true;
    d.m_nCipher = CProject::kCipherClassic;
    d.m_nKdfIterations = 1234567;
    d.m_bShareFileLogins = true;
    d.m_baSalt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    d.m_bProtectAssets = true;
    d.m_strSiteRoot = QStringLiteral("/srv/\u00e9t\u00e9/");
    d.m_strAssetExclude = QStringLiteral("*.psd;drafts/");
    d.m_baContentKey =
        QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    d.m_baKeyUsers = QByteArray(32, '\x5c');
    const QString vxp = SaveProject(d);

    ASSERT_EQ(RunCli({QStringLiteral("convert"), vxp, Path("p.json")}).code, 0);
    ASSERT_EQ(RunCli({QStringLiteral("convert"), Path("p.json"), Path("q.vxp")}).code, 0);
    EXPECT_EQ(TestUtil::ReadFile(Path("q.vxp")), TestUtil::ReadFile(vxp));
}

TEST_F(Cli, convert_jsonWithMissingKeys_takesDefaults)
{
    ASSERT_TRUE(
        TestUtil::WriteFile(Path("min.json"), R"({"version": "9.9", "password": "x", "charset": 5})"));
    ASSERT_EQ(RunCli({QStringLiteral("convert"), Path("min.json"), Path("min.vxp")}).code, 0);
    CProject back;
    QString version;
    ASSERT_TRUE(CWendlockDoc::ReadProjectFile(Path("min.vxp"), back, &version, nullptr));
    EXPECT_EQ(version, AppInfo::ProgramVersion());
    CProject expected;
    expected.m_strPassword = QStringLiteral("x");
    expected.m_nCharset = 5;
    // A project without a salt gets one drawn, as a new project does.
    EXPECT_EQ(back.m_baSalt.size(), 16);
    EXPECT_EQ(back.m_baContentKey.size(), 32);
    expected.m_baSalt = back.m_baSalt;
    expected.m_baContentKey = back.m_baContentKey;
    EXPECT_TRUE(back == expected);
}

TEST_F(Cli, convert_badJson_namesTheKeyAndWritesNothing)
{
    struct Case
    {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"({"pasword": "x"})", "unknown key \"pasword\""},
        {R"({"backup": "1"})", "\"backup\" must be 0 or 1"},
        {R"({"backup": 2})", "\"backup\" must be 0 or 1"},
        {R"({"charset": 43})", "\"charset\" must be an integer from 0 to 42"},
        {R"({"expireDays": 1.5})", "\"expireDays\" must be an integer"},
        {R"({"files": ["a", 3]})", "\"files\" must be an array of strings"},
        {R"({"users": [{"userName": "a", "pin": "1"}]})", "unknown key \"users.pin\""},
        {R"({"users": [{"userName": 5}]})", "\"users.userName\" must be a string"},
        {R"([1, 2])", "must be an object"},
        {R"({"password": )", "not valid JSON"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(TestUtil::WriteFile(Path("bad.json"), c.json));
        const CliRun run = RunCli({QStringLiteral("convert"), Path("bad.json"), Path("out.vxp")});
        EXPECT_EQ(run.code, 2) << c.json;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << c.json << " -> " << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("out.vxp"))) << c.json;
    }
}

TEST_F(Cli, convert_needsKnownExtensions)
{
    const CliRun run = RunCli({QStringLiteral("convert"), Path("a.txt"), Path("b.vxp")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String(".vxp or .json")));
}

TEST(ProjectJsonSet, setValueParsesByKeyType)
{
    CProject d;
    QString error;
    EXPECT_TRUE(CProjectJson::SetValue(d, QStringLiteral("alertText"), QStringLiteral("a=b"), &error));
    EXPECT_EQ(d.m_strAlertText, QStringLiteral("a=b"));
    EXPECT_TRUE(CProjectJson::SetValue(d, QStringLiteral("expireDays"), QStringLiteral("12"), &error));
    EXPECT_EQ(d.m_nExpireDays, 12);
    EXPECT_FALSE(CProjectJson::SetValue(d, QStringLiteral("noPrint"), QStringLiteral("yes"), &error));
    EXPECT_FALSE(CProjectJson::SetValue(d, QStringLiteral("files"), QStringLiteral("a"), &error));
    EXPECT_FALSE(CProjectJson::SetValue(d, QStringLiteral("nope"), QStringLiteral("1"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("unknown key")));
}

namespace {
class CliProtect : public Cli
{
protected:
    QString site;
    void SetUp() override
    {
        site = Path("site");
        QDir().mkpath(site + QStringLiteral("/sub"));
        TestUtil::WriteFile(site + QStringLiteral("/index.html"),
                            "<html><head><title>I</title></head><body>home</body></html>\n");
        TestUtil::WriteFile(site + QStringLiteral("/sub/page.htm"), "<p>sub</p>\n");
        TestUtil::WriteFile(site + QStringLiteral("/notes.txt"), "not a page\n");
    }
};
} // namespace

TEST_F(CliProtect, protectsFolderPrintsResultsAndUnlocks)
{
    CliRun run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("Sesame"),
                         QStringLiteral("--set"), QStringLiteral("alertText=Go away"), site});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Protected\t%1/index.html\n").arg(site)));
    EXPECT_TRUE(run.out.contains(QStringLiteral("Protected\t%1/sub/page.htm\n").arg(site)));
    EXPECT_TRUE(run.out.endsWith(QLatin1String("2 file(s) have been protected successfully!\n")));
    EXPECT_EQ(TestUtil::ReadFile(site + QStringLiteral("/notes.txt")), QByteArray("not a page\n"));
    EXPECT_TRUE(
        TestUtil::ReadFile(site + QStringLiteral("/index.html")).contains("var LoginAlertText=\"Go away\";"));

    run = RunCli({QStringLiteral("unlock"), site + QStringLiteral("/sub/page.htm"),
                  QStringLiteral("--password"), QStringLiteral("Sesame"), QStringLiteral("-o"),
                  Path("out.htm")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(TestUtil::ReadFile(Path("out.htm")), QByteArray("<p>sub</p>\n"));

    run = RunCli({QStringLiteral("unlock"), site + QStringLiteral("/sub/page.htm"),
                  QStringLiteral("--password"), QStringLiteral("sesame"), QStringLiteral("-o"),
                  Path("wrong.htm")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("does not open")));
    EXPECT_FALSE(QFile::exists(Path("wrong.htm")));

    // A second run keeps the protection unless asked to restore first.
    run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("Sesame"), site});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Protected before\t%1/index.html\n").arg(site)));
    EXPECT_TRUE(run.out.endsWith(QLatin1String("0 file(s) have been protected successfully!\n")));
    run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("New"),
                  QStringLiteral("--restore-first"), site});
    EXPECT_TRUE(run.out.endsWith(QLatin1String("2 file(s) have been protected successfully!\n")));

    run = RunCli({QStringLiteral("restore"), site});
    EXPECT_EQ(run.out, QStringLiteral("2 files have been restored!\n"));
    EXPECT_EQ(TestUtil::ReadFile(site + QStringLiteral("/sub/page.htm")), QByteArray("<p>sub</p>\n"));
}

// The progress line lives on the error stream only: the printed rows are
// the same with it, it counts up to the total, and it is erased at the end.
TEST_F(CliProtect, progressLineCountsOnTheErrorStreamAndIsErased)
{
    const QStringList protect = {QStringLiteral("protect"),
                                 QStringLiteral("--password"),
                                 QStringLiteral("Sesame"),
                                 QStringLiteral("--backup-dir"),
                                 Path("backups"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("salt=00112233445566778899aabbccddeeff"),
                                 site};
    const QStringList restore = {QStringLiteral("restore"), QStringLiteral("--backup-dir"), Path("backups"),
                                 site};
    const CliRun quiet = RunCli(protect);
    ASSERT_EQ(quiet.code, 0) << quiet.err.toStdString();
    EXPECT_FALSE(quiet.err.contains(QLatin1Char('\r')));
    EXPECT_EQ(RunCli(restore).code, 0);

    const CliRun shown = RunCli(protect, nullptr, true);
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_TRUE(shown.err.startsWith(QLatin1String("\rprotect 0/2 pages, "))) << shown.err.toStdString();
    EXPECT_TRUE(shown.err.contains(QLatin1String("\rprotect 1/2 pages, ")));
    EXPECT_TRUE(shown.err.contains(
        QRegularExpression(QStringLiteral("\rprotect 2/2 pages, [0-9.]+ pages/s\\x1b\\[K\r\\x1b\\[K$"))))
        << shown.err.toStdString();
    // Every row finds the line erased before it (rows may share the terminal).
    EXPECT_EQ(shown.err.count(QLatin1String("\r\x1b[K")), 3);
    // Apart from the line, the error stream says what it says without it.
    QString rest = shown.err;
    rest.remove(QRegularExpression(
        QStringLiteral("\r(protect [0-9]+/2 pages, [0-9.]+ pages/s\\x1b\\[K)?(\\x1b\\[K)?")));
    EXPECT_EQ(rest, quiet.err);

    const CliRun restored = RunCli(restore, nullptr, true);
    EXPECT_EQ(restored.code, 0);
    EXPECT_EQ(restored.out, QStringLiteral("2 files have been restored!\n"));
    EXPECT_TRUE(restored.err.contains(QLatin1String("\rrestore 2/2 pages, ")));
    EXPECT_TRUE(restored.err.endsWith(QLatin1String("\r\x1b[K")));
    EXPECT_EQ(TestUtil::ReadFile(site + QStringLiteral("/sub/page.htm")), QByteArray("<p>sub</p>\n"));
}

TEST_F(CliProtect, multiUserFromCsvAndProjectFile)
{
    ASSERT_TRUE(TestUtil::WriteFile(Path("users.csv"), "\"ann\",\"pw1\",\"Ann\",\"\",\"\"\r\nbob,pw2\r\n"));
    CProject project;
    project.m_listFiles = {site + QStringLiteral("/index.html")};
    const QString vxp = SaveProject(project);
    CliRun run = RunCli({QStringLiteral("protect"), vxp, QStringLiteral("--users"), Path("users.csv")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString() << run.out.toStdString();
    run = RunCli({QStringLiteral("unlock"), site + QStringLiteral("/index.html"), QStringLiteral("--user"),
                  QStringLiteral("bob"), QStringLiteral("--password"), QStringLiteral("pw2"),
                  QStringLiteral("-o"), Path("bob.htm")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(TestUtil::ReadFile(Path("bob.htm")).contains("<body>home</body>"));
    run = RunCli({QStringLiteral("unlock"), site + QStringLiteral("/index.html"),
                  QStringLiteral("--password"), QStringLiteral("pw2")});
    EXPECT_EQ(run.code, 2);
}

// A user removed between two runs of a project must not open what the
// next run writes: the run tells, draws a new content key and keeps it in
// the project; runs without a removal keep the key.
TEST_F(CliProtect, userRemovedBetweenRuns_drawsANewContentKey)
{
    ASSERT_TRUE(TestUtil::WriteFile(Path("both.csv"), "ann,pw1\r\nbob,pw2\r\n"));
    ASSERT_TRUE(TestUtil::WriteFile(Path("ann.csv"), "ann,pw1\r\n"));
    CProject project;
    project.m_listFiles = {site + QStringLiteral("/index.html")};
    const QString vxp = SaveProject(project);
    const auto keyOf = [&vxp] {
        CProject stored;
        EXPECT_TRUE(CWendlockDoc::ReadProjectFile(vxp, stored, nullptr, nullptr));
        return stored.m_baContentKey;
    };
    const auto protect = [&](const char* users) {
        return RunCli({QStringLiteral("protect"), vxp, QStringLiteral("--restore-first"),
                       QStringLiteral("--users"), Path(users)});
    };
    const auto opens = [&](const char* user, const char* password) {
        return RunCli({QStringLiteral("unlock"), site + QStringLiteral("/index.html"),
                       QStringLiteral("--user"), QLatin1String(user), QStringLiteral("--password"),
                       QLatin1String(password)})
                   .code == 0;
    };
    CliRun run = protect("both.csv");
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray first = keyOf();
    ASSERT_EQ(first.size(), 32);
    run = protect("both.csv");
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(keyOf(), first);
    EXPECT_TRUE(opens("bob", "pw2"));

    run = protect("ann.csv");
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("a user was removed"))) << run.err.toStdString();
    const QByteArray second = keyOf();
    EXPECT_EQ(second.size(), 32);
    EXPECT_NE(second, first);
    EXPECT_FALSE(opens("bob", "pw2"));
    EXPECT_TRUE(opens("ann", "pw1"));
    run = protect("ann.csv");
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("removed")));
    EXPECT_EQ(keyOf(), second);
}

TEST_F(CliProtect, failuresAndUsageErrors)
{
    // A missing listed file fails the job, the others are still protected.
    CProject project;
    project.m_listFiles = {Path("gone.htm"), site + QStringLiteral("/index.html")};
    CliRun run = RunCli({QStringLiteral("protect"), SaveProject(project)});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("File not exists!\t%1\n").arg(Path("gone.htm"))));
    EXPECT_TRUE(run.out.endsWith(QLatin1String("1 file(s) have been protected; 1 could not be.\n")));

    EXPECT_EQ(RunCli({QStringLiteral("protect")}).code, 2);
    EXPECT_EQ(RunCli({QStringLiteral("protect"), Path("nothing-here")}).code, 2);
    EXPECT_EQ(
        RunCli({QStringLiteral("protect"), QStringLiteral("--set"), QStringLiteral("bogus=1"), site}).code,
        2);
    EXPECT_EQ(RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("a"),
                      QStringLiteral("--users"), Path("u.csv"), site})
                  .code,
              2);
    EXPECT_EQ(RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("a"),
                      QStringLiteral("--template"), Path("none.htm"), site})
                  .code,
              1);
    // Nobody said who may open the pages: the built-in password is no answer.
    run = RunCli({QStringLiteral("protect"), site});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("--password PW, --password-file FILE")));
}

TEST_F(CliProtect, passwordFromFileStandardInputOrEnvironment)
{
    const QString page = site + QStringLiteral("/sub/page.htm");
    const auto opensWith = [&](const char* password) {
        const CliRun run = RunCli({QStringLiteral("unlock"), page, QStringLiteral("--password"),
                                   QString::fromUtf8(password), QStringLiteral("-o"), Path("out.htm")});
        return run.code == 0 && TestUtil::ReadFile(Path("out.htm")) == "<p>sub</p>\n";
    };
    const auto protect = [&](QStringList args, QIODevice* in = nullptr) {
        args.prepend(QStringLiteral("--restore-first"));
        args.prepend(QStringLiteral("protect"));
        args.append(site);
        return RunCli(args, in);
    };

    // The first line of the file, without its CR LF or a BOM.
    ASSERT_TRUE(TestUtil::WriteFile(Path("pw.txt"), "\xEF\xBB\xBF"
                                                    "caf\xC3\xA9 pw\r\nsecond line\r\n"));
    CliRun run = protect({QStringLiteral("--password-file"), Path("pw.txt")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(opensWith("caf\xC3\xA9 pw"));
    EXPECT_FALSE(opensWith("second line"));

    QBuffer input;
    input.setData("from stdin\nnot this\n");
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    run = protect({QStringLiteral("--password"), QStringLiteral("-")}, &input);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(opensWith("from stdin"));

    // The environment counts only when nothing else names a password.
    qputenv("WENDLOCK_PASSWORD", "from env");
    run = protect({});
    const CliRun overridden = protect({QStringLiteral("--password"), QStringLiteral("given")});
    qunsetenv("WENDLOCK_PASSWORD");
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_EQ(overridden.code, 0) << overridden.err.toStdString();
    EXPECT_TRUE(opensWith("given"));
    EXPECT_FALSE(opensWith("from env"));

    // Missing or empty sources and two sources at once are usage errors
    // that touch no page.
    const QByteArray before = TestUtil::ReadFile(page);
    ASSERT_TRUE(TestUtil::WriteFile(Path("empty.txt"), "\r\nlater\r\n"));
    QBuffer ended;
    ASSERT_TRUE(ended.open(QIODevice::ReadOnly));
    const QList<QPair<QStringList, QIODevice*>> failing{
        {{QStringLiteral("--password-file"), Path("missing.txt")}, nullptr},
        {{QStringLiteral("--password-file"), Path("empty.txt")}, nullptr},
        {{QStringLiteral("--password"), QStringLiteral("-")}, &ended},
        {{QStringLiteral("--password"), QStringLiteral("a"), QStringLiteral("--password-file"),
          Path("pw.txt")},
         nullptr},
    };
    for (const auto& [args, in] : failing) {
        run = protect(args, in);
        EXPECT_EQ(run.code, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(TestUtil::ReadFile(page), before);
}

TEST_F(Cli, templatesListsEachMode)
{
    CliRun run = RunCli({QStringLiteral("templates")});
    ASSERT_EQ(run.code, 0);
    EXPECT_GE(run.out.count(QLatin1Char('\n')), 3);
    EXPECT_TRUE(run.out.contains(QLatin1String("/Templates/SinglePassword/")));
    run = RunCli({QStringLiteral("templates"), QStringLiteral("--mode"), QStringLiteral("1")});
    EXPECT_TRUE(run.out.contains(QLatin1String("/Templates/MultiUsers/")));
    EXPECT_EQ(RunCli({QStringLiteral("templates"), QStringLiteral("--mode"), QStringLiteral("2")}).code, 2);

    // The user's templates come after the shipped ones, as on the Template page.
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", Path("data").toUtf8());
    const QString mine = CTemplateStore::UserFolder(0, Path("data") + QStringLiteral("/Marrowind/Wendlock/"));
    ASSERT_TRUE(QDir().mkpath(mine));
    ASSERT_TRUE(TestUtil::WriteFile(mine + QStringLiteral("/Mine.htm"), "<html><body></body></html>"));
    run = RunCli({QStringLiteral("templates")});
    if (savedHome.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", savedHome);
    }
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("/Mine.htm"))) << run.out.toStdString();
    EXPECT_TRUE(lines.first().contains(QLatin1String("/Templates/SinglePassword/"))) << run.out.toStdString();
}

TEST_F(CliProtect, manyFilesReportInListOrderAndRepeatsRunInTurn)
{
    // More files than one block, so several engines share the work.
    QStringList expected;
    for (int i = 0; i < 100; ++i) {
        const QString path = site + QStringLiteral("/many/p%1.htm").arg(i, 3, 10, QLatin1Char('0'));
        QDir().mkpath(site + QStringLiteral("/many"));
        TestUtil::WriteFile(path, "<p>" + QByteArray::number(i) + "</p>\n");
        expected.append(QStringLiteral("Protected\t") + path);
    }
    CProject project;
    for (const QString& line : expected) {
        project.m_listFiles.append(line.section(QLatin1Char('\t'), 1));
    }
    CliRun run = RunCli({QStringLiteral("protect"), SaveProject(project, "many.vxp"),
                         QStringLiteral("--password"), QStringLiteral("p")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, expected.join(QLatin1Char('\n')) +
                           QStringLiteral("\n100 file(s) have been protected successfully!\n"));

    // A path listed twice is protected once; the second time finds it protected.
    TestUtil::WriteFile(site + QStringLiteral("/twice.htm"), "<p>x</p>\n");
    project.m_listFiles = {site + QStringLiteral("/twice.htm")};
    for (int i = 0; i < 40; ++i) {
        project.m_listFiles.append(site + QStringLiteral("/twice.htm"));
    }
    run = RunCli({QStringLiteral("protect"), SaveProject(project, "twice.vxp")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Protected\t%1/twice.htm\nProtected before\t").arg(site)));
    EXPECT_TRUE(run.out.endsWith(QLatin1String("\n1 file(s) have been protected successfully!\n")));
    EXPECT_EQ(run.out.count(QLatin1String("Protected before")), 40);
}

TEST_F(CliProtect, credentialsWithLineBreaksAreRefused)
{
    CliRun run =
        RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("a\nb"), site});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("line break")));
    EXPECT_FALSE(TestUtil::ReadFile(site + QStringLiteral("/index.html")).contains("vxpa"));
}

TEST_F(Cli, show_refusesWhatIsNotAFile)
{
    const CliRun run = RunCli({QStringLiteral("show"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("/dev/zero is not a regular file.")));
}

// Options may come as --name=value and after the paths; a folder, a file in
// it and a link to the folder name each page once across all arguments;
// a misspelt option is a usage error that names it and touches nothing.
TEST_F(CliProtect, argumentsFormOneListWhateverTheirOrder)
{
    QFile::link(site, Path("alias"));
    const QString index = site + QStringLiteral("/index.html");
    CliRun run = RunCli({QStringLiteral("protect"), site, index, Path("alias"),
                         QStringLiteral("--password=Sesame"), QStringLiteral("--set=alertText=Go away")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count(QLatin1Char('\n')), 3) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QLatin1String("2 file(s) have been protected successfully!\n")));
    EXPECT_TRUE(TestUtil::ReadFile(index).contains("var LoginAlertText=\"Go away\";"));

    const QByteArray before = TestUtil::ReadFile(index);
    for (const QString& option : {QStringLiteral("--pasword"), QStringLiteral("-x")}) {
        run = RunCli({QStringLiteral("protect"), QStringLiteral("--restore-first"), option,
                      QStringLiteral("p"), site});
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(option.mid(option.startsWith(QLatin1String("--")) ? 2 : 1)))
            << run.err.toStdString();
    }
    run = RunCli({QStringLiteral("unlock"), index, QStringLiteral("--password")});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(TestUtil::ReadFile(index), before);
}

// Projects, their JSON and user lists hold passwords in clear: whoever
// writes them, only their owner may read them. A stricter mode stays, and a
// read-only file is refused, never replaced.
TEST_F(Cli, filesThatHoldPasswordsAreWrittenForTheirOwnerOnly)
{
    const auto modeOf = [](const QString& path) {
        struct stat st
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    const auto setMode = [](const QString& path, int mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
    };
    const mode_t oldMask = ::umask(0);
    CProject d;
    d.m_strPassword = QStringLiteral("s3cret");
    const QString vxp = SaveProject(d);
    EXPECT_EQ(modeOf(vxp), 0600);

    // convert, both ways: a new file, an existing open one, a stricter one.
    ASSERT_EQ(RunCli({QStringLiteral("convert"), vxp, Path("p.json")}).code, 0);
    EXPECT_EQ(modeOf(Path("p.json")), 0600);
    ASSERT_TRUE(setMode(Path("p.json"), 0664));
    ASSERT_EQ(RunCli({QStringLiteral("convert"), vxp, Path("p.json")}).code, 0);
    EXPECT_EQ(modeOf(Path("p.json")), 0600);
    ASSERT_TRUE(TestUtil::WriteFile(Path("q.vxp"), "old"));
    ASSERT_TRUE(setMode(Path("q.vxp"), 0644));
    ASSERT_EQ(RunCli({QStringLiteral("convert"), Path("p.json"), Path("q.vxp")}).code, 0);
    EXPECT_EQ(modeOf(Path("q.vxp")), 0600);
    ASSERT_TRUE(setMode(Path("p.json"), 0200));
    ASSERT_EQ(RunCli({QStringLiteral("convert"), vxp, Path("p.json")}).code, 0);
    EXPECT_EQ(modeOf(Path("p.json")), 0200);
    ASSERT_TRUE(setMode(Path("p.json"), 0444));
    const QByteArray before = TestUtil::ReadFile(Path("p.json"));
    EXPECT_EQ(RunCli({QStringLiteral("convert"), vxp, Path("p.json")}).code, 1);
    EXPECT_EQ(TestUtil::ReadFile(Path("p.json")), before);
    EXPECT_EQ(modeOf(Path("p.json")), 0444);

    // The user list the Password page exports.
    CUserListNode user;
    user.m_strUserName = QStringLiteral("ann");
    user.m_strPassword = QStringLiteral("pw");
    QString error;
    ASSERT_TRUE(CUserListFile::ExportUsers(Path("u.csv"), {user}, &error)) << error.toStdString();
    EXPECT_EQ(modeOf(Path("u.csv")), 0600);
    ASSERT_TRUE(setMode(Path("u.csv"), 0644));
    ASSERT_TRUE(CUserListFile::ExportUsers(Path("u.csv"), {user, user}, &error));
    EXPECT_EQ(modeOf(Path("u.csv")), 0600);
    ASSERT_TRUE(setMode(Path("u.csv"), 0400));
    EXPECT_FALSE(CUserListFile::ExportUsers(Path("u.csv"), {user}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("Create file")));
    ::umask(oldMask);
    // No temporary file stays behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("tmp")),
              QStringList());
}

// unlock takes its password from the places protect does, so that it need
// not show in `ps`: a file, a line of standard input, the environment.
TEST_F(CliProtect, unlockTakesThePasswordFromFileStandardInputOrEnvironment)
{
    const QString page = site + QStringLiteral("/sub/page.htm");
    ASSERT_EQ(RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("caf\u00e9 pw"),
                      QStringLiteral("--no-backup"), page})
                  .code,
              0);
    const auto unlock = [&](QStringList args, QIODevice* in = nullptr) {
        QFile::remove(Path("out.htm"));
        args.prepend(page);
        args.prepend(QStringLiteral("unlock"));
        args << QStringLiteral("-o") << Path("out.htm");
        return RunCli(args, in);
    };
    const auto opened = [&]() { return TestUtil::ReadFile(Path("out.htm")) == "<p>sub</p>\n"; };

    ASSERT_TRUE(TestUtil::WriteFile(Path("pw.txt"), "\xEF\xBB\xBF"
                                                    "caf\xC3\xA9 pw\r\nother\r\n"));
    CliRun run = unlock({QStringLiteral("--password-file"), Path("pw.txt")});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(opened());

    QBuffer input;
    input.setData("caf\xC3\xA9 pw\nnot this\n");
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    run = unlock({QStringLiteral("--password"), QStringLiteral("-")}, &input);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(opened());
    // "-" is never the password itself.
    QBuffer wrongLine;
    wrongLine.setData("-\n");
    ASSERT_TRUE(wrongLine.open(QIODevice::ReadOnly));
    EXPECT_EQ(unlock({QStringLiteral("--password"), QStringLiteral("-")}, &wrongLine).code, 1);

    qputenv("WENDLOCK_PASSWORD", "caf\xC3\xA9 pw");
    run = unlock({});
    const CliRun given = unlock({QStringLiteral("--password"), QStringLiteral("wrong")});
    qputenv("WENDLOCK_PASSWORD", "wrong");
    const CliRun wrongEnv = unlock({});
    qunsetenv("WENDLOCK_PASSWORD");
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(given.code, 1) << "an option wins over the environment";
    EXPECT_EQ(wrongEnv.code, 1);
    EXPECT_FALSE(QFile::exists(Path("out.htm")));

    QBuffer ended;
    ASSERT_TRUE(ended.open(QIODevice::ReadOnly));
    const QList<QPair<QStringList, QIODevice*>> usage{
        {{}, nullptr},
        {{QStringLiteral("--password-file"), Path("missing.txt")}, nullptr},
        {{QStringLiteral("--password"), QStringLiteral("-")}, &ended},
        {{QStringLiteral("--password"), QStringLiteral("a"), QStringLiteral("--password-file"),
          Path("pw.txt")},
         nullptr},
    };
    for (const auto& [args, in] : usage) {
        run = unlock(args, in);
        EXPECT_EQ(run.code, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
}

// A strong run that meets classic pages leaves them as they are: each says
// so with the way to convert it, counts as not protected and fails the run.
TEST_F(CliProtect, strongRunOverClassicPagesReportsThemAndFails)
{
    const QString index = site + QStringLiteral("/index.html");
    const QString sub = site + QStringLiteral("/sub/page.htm");
    CliRun run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                         QStringLiteral("--set"), QStringLiteral("cipher=0"), site});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray classic = TestUtil::ReadFile(index);

    const QStringList strong{
        QStringLiteral("protect"), QStringLiteral("--password"),           QStringLiteral("pw"),
        QStringLiteral("--set"),   QStringLiteral("kdfIterations=100000"), site};
    run = RunCli(strong);
    EXPECT_EQ(run.code, 1);
    const QString still = ProtectResultText(ProtectOutcome::StillClassic);
    EXPECT_TRUE(still.contains(QLatin1String("classic format")) &&
                still.contains(QLatin1String("--restore-first")));
    EXPECT_TRUE(run.out.contains(still + QLatin1Char('\t') + index + QLatin1Char('\n')));
    EXPECT_TRUE(run.out.contains(still + QLatin1Char('\t') + sub + QLatin1Char('\n')));
    EXPECT_TRUE(run.out.endsWith(QLatin1String("0 file(s) have been protected; 2 could not be.\n")))
        << qPrintable(run.out);
    EXPECT_TRUE(run.err.contains(QLatin1String("2 page(s) were protected in the classic format")));
    EXPECT_EQ(TestUtil::ReadFile(index), classic);

    // Restoring first converts them; strong pages met again are "Protected
    // before" and no failure.
    QStringList restoreFirst = strong;
    restoreFirst.insert(1, QStringLiteral("--restore-first"));
    run = RunCli(restoreFirst);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QLatin1String("2 file(s) have been protected successfully!\n")));
    EXPECT_TRUE(TestUtil::ReadFile(index).contains("var vxsv=[1,"));
    run = RunCli(strong);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Protected before\t%1\n").arg(index)));
}
