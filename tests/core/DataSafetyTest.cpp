#include "CliRunner.h"
#include "EngineTestBase.h"
#include "TestUtil.h"
#include "common/AppFolders.h"
#include "common/AtomicFile.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "files/ListFile.h"
#include "files/WebFileFilter.h"
#include "model/AppGlobalData.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <array>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

const QByteArray kPage = "<html><head><title>t</title></head><body><p>members</p></body></html>\n";

} // namespace

class DataSafety : public TestUtil::EngineTestBase
{
};

TEST_F(DataSafety, neighbourFilesAreNeverTouchedAndLeftoversOfDeadRunsGo)
{
    ASSERT_TRUE(WriteFile(Path("a.html"), kPage));
    // A user's own file with the old fixed temporary name, and a link with
    // that name pointing outside the site.
    ASSERT_TRUE(WriteFile(Path("a.html.tmp"), "mine"));
    ASSERT_TRUE(WriteFile(Path("outside.txt"), "outside"));
    ASSERT_EQ(::symlink(QFile::encodeName(Path("outside.txt")).constData(),
                        QFile::encodeName(Path("b.html.tmp")).constData()),
              0);
    ASSERT_TRUE(WriteFile(Path("b.html"), kPage));
    // Leftovers: a dead process's, one of an earlier boot, and a live one's.
    const QString dead = QStringLiteral(".wendlock-tmp.%1.%2.deadbeef")
                             .arg(QString::fromLatin1(TestUtil::BootId()))
                             .arg(TestUtil::DeadPid());
    const QString oldBoot =
        QStringLiteral(".wendlock-tmp.0123456789abcdef0123456789abcdef.%1.oldboot1").arg(::getpid());
    const QString live = QStringLiteral(".wendlock-tmp.%1.%2.livelive")
                             .arg(QString::fromLatin1(TestUtil::BootId()))
                             .arg(::getpid());
    for (const QString& name : {dead, oldBoot, live}) {
        ASSERT_TRUE(WriteFile(Path(name), "left over"));
    }

    EXPECT_EQ(Run({Path("a.html"), Path("b.html")}),
              QStringList({QStringLiteral("Protected"), QStringLiteral("Protected")}));
    EXPECT_EQ(ReadFile(Path("a.html.tmp")), QByteArray("mine"));
    EXPECT_EQ(ReadFile(Path("outside.txt")), QByteArray("outside"));
    EXPECT_TRUE(QFileInfo(Path("b.html.tmp")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(Path(dead)));
    EXPECT_FALSE(QFileInfo::exists(Path(oldBoot)));
    EXPECT_TRUE(QFileInfo::exists(Path(live))) << "a running process's file stays";

    // A failed run leaves nothing behind, not even a backup. A template
    // without a body is refused before any page is touched.
    ASSERT_TRUE(WriteFile(Path("c.html"), kPage));
    ASSERT_TRUE(WriteFile(Path("nobody.htm"), "<html><head></head></html>\n"));
    data.m_strTemplatePath = Path("nobody.htm");
    EXPECT_EQ(Run({Path("c.html")}),
              QStringList{QStringLiteral("The template %1 has no <body> tag!").arg(Path("nobody.htm"))});
    data.m_strTemplatePath = Path("missing.htm");
    data.m_bCopyHead = 0;
    EXPECT_EQ(Run({Path("c.html")}),
              QStringList{QStringLiteral("Open file failure! (template %1)").arg(Path("missing.htm"))});
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : left) {
        EXPECT_FALSE(name.startsWith(QLatin1String("c.html.")) ||
                     (CAtomicFile::IsTemporaryName(name) && name != live))
            << name.toStdString();
    }
    EXPECT_EQ(ReadFile(Path("c.html")), kPage);
}

TEST_F(DataSafety, specialFilesQuotedMarkersAndStaleBackupsGiveHonestResults)
{
    // A pipe named like a page is reported, and the run goes on at once.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.html")).constData(), 0644), 0);
    ASSERT_TRUE(WriteFile(Path("quotes.html"), "<html><head></head><body><pre>var vxpa=new Array(\"x\");"
                                               "\"];var vxsv=[1,</pre></body></html>\n"));
    EXPECT_EQ(Run({Path("pipe.html"), Path("quotes.html")}),
              QStringList({QStringLiteral("Not a regular file!"), QStringLiteral("Protected")}));

    // A backup beside a page that is not protected is older than the page:
    // restore leaves both. Over a protected or a missing page it goes back.
    ASSERT_TRUE(WriteFile(Path("edited.html"), "newer edits"));
    ASSERT_TRUE(WriteFile(Path("edited.html.original"), "older text"));
    EXPECT_EQ(CProtectEngine::RestoreBackups({Path("edited.html"), Path("quotes.html")}), 1);
    EXPECT_EQ(ReadFile(Path("edited.html")), QByteArray("newer edits"));
    EXPECT_EQ(ReadFile(Path("edited.html.original")), QByteArray("older text"));
    EXPECT_TRUE(ReadFile(Path("quotes.html")).startsWith("<html><head></head><body><pre>var vxpa"));
    ASSERT_TRUE(QFile::remove(Path("edited.html")));
    EXPECT_EQ(CProtectEngine::RestoreBackups({Path("edited.html")}), 1);
    EXPECT_EQ(ReadFile(Path("edited.html")), QByteArray("older text"));
}

TEST_F(DataSafety, linksStayLinksAndOwnerAndModeAreKept)
{
    ASSERT_TRUE(QDir().mkpath(Path("real")));
    ASSERT_TRUE(WriteFile(Path("real/page.html"), kPage));
    ASSERT_EQ(::chmod(QFile::encodeName(Path("real/page.html")).constData(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(Path("real/page.html")).constData(), 4321, 4321), 0);
    }
    ASSERT_EQ(::symlink("real/page.html", QFile::encodeName(Path("link.html")).constData()), 0);

    EXPECT_EQ(Run({Path("link.html")}), QStringList{QStringLiteral("Protected")});
    EXPECT_TRUE(QFileInfo(Path("link.html")).isSymLink());
    EXPECT_EQ(CProtectEngine::DetectProtection(Path("real/page.html")), CProtectEngine::Protection::Strong);
    for (const char* name : {"real/page.html", "link.html.original"}) {
        struct stat st
        {
        };
        ASSERT_EQ(::stat(QFile::encodeName(Path(name)).constData(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
        if (root) {
            EXPECT_EQ(st.st_uid, 4321u) << name;
            EXPECT_EQ(st.st_gid, 4321u) << name;
        }
    }
}

TEST_F(DataSafety, twoRunsInOneFolderNeverInterleave)
{
    const QString cli = QFileInfo(AppFolders::StrongScriptFile())
                            .absoluteDir()
                            .absoluteFilePath(QStringLiteral("../../wendlock-cli"));
    ASSERT_TRUE(QFileInfo::exists(cli)) << cli.toStdString();
    ASSERT_TRUE(WriteFile(Path("page.html"), kPage));
    const QStringList args = {QStringLiteral("protect"),
                              QStringLiteral("--password"),
                              QStringLiteral("pw"),
                              QStringLiteral("--template"),
                              Path("login.htm"),
                              QStringLiteral("--set"),
                              QStringLiteral("kdfIterations=100000"),
                              Path("page.html")};
    // The first run holds the folder while it waits after writing the page:
    // it creates the signal file (outside the site) and waits until it is
    // removed. The second, told to wait only briefly, finds the folder busy.
    QTemporaryDir signalDir;
    ASSERT_TRUE(signalDir.isValid());
    const QString signal = signalDir.filePath(QStringLiteral("paused"));
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE"), QStringLiteral("page-written:60000"));
    env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE_SIGNAL"), signal);
    first.setProcessEnvironment(env);
    first.start(cli, args);
    ASSERT_TRUE(first.waitForStarted());
    QElapsedTimer waiting;
    waiting.start();
    while (!QFileInfo::exists(signal) && first.state() == QProcess::Running && waiting.elapsed() < 60000) {
        QThread::msleep(10);
    }
    ASSERT_TRUE(QFileInfo::exists(signal)) << first.readAllStandardError().constData();
    QProcess second;
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WENDLOCK_LOCK_WAIT_MS"), QStringLiteral("100"));
    second.setProcessEnvironment(env);
    second.start(cli, args);
    const bool secondDone = second.waitForFinished(60000);
    QFile::remove(signal);
    ASSERT_TRUE(secondDone);
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
    EXPECT_TRUE(second.readAllStandardOutput().contains("Busy: another run is writing in this folder!"));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(ReadFile(Path("page.html.original")), kPage);
    EXPECT_EQ(CProtectEngine::DetectProtection(Path("page.html")), CProtectEngine::Protection::Strong);
}

TEST_F(DataSafety, folderScansStayInsideAndLoseNoName)
{
    // site/up leads out of the site; site/again leads to a folder inside it.
    ASSERT_TRUE(QDir().mkpath(Path("other")));
    ASSERT_TRUE(QDir().mkpath(Path("site/sub")));
    ASSERT_TRUE(WriteFile(Path("other/private.html"), kPage));
    ASSERT_TRUE(WriteFile(Path("site/sub/page.html"), kPage));
    ASSERT_EQ(::symlink("..", QFile::encodeName(Path("site/up")).constData()), 0);
    ASSERT_EQ(::symlink("sub", QFile::encodeName(Path("site/again")).constData()), 0);
    // A name that is not valid UTF-8 can't be carried as text.
    const QByteArray badName = QFile::encodeName(Path("site")) + "/caf\xe9.html";
    const int fd = ::open(badName.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    QStringList skipped;
    const QStringList found = CWebFileFilter::ScanFolder(Path("site"), true, &skipped);
    EXPECT_EQ(found.size(), 1) << found.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(found.value(0).endsWith(QLatin1String("/page.html")));
    EXPECT_EQ(skipped.size(), 2) << skipped.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        skipped.join(QLatin1Char('\n')).contains(QLatin1String("up: the link leads out of the folder")));
    EXPECT_TRUE(skipped.join(QLatin1Char('\n')).contains(QLatin1String("not valid in this encoding")));
    // The temporary folder can't remove a name it can't spell.
    ::unlink(badName.constData());
}

TEST_F(DataSafety, pipesGivenAsInputsAreRefusedAtOnce)
{
    for (const char* name : {"in.json", "users.csv", "page.html", "list.lst", "p.vxp"}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(Path(name)).constData(), 0644), 0) << name;
    }
    ASSERT_TRUE(WriteFile(Path("real.html"), kPage));
    const auto run = [](const QStringList& args) { return TestUtil::RunCli(args).code; };
    // Each would block forever in a plain open.
    EXPECT_EQ(run({QStringLiteral("convert"), Path("in.json"), Path("out.vxp")}), 2);
    // A project: show, convert and protect would wait in the open for a
    // writer; the message says what is wrong. An output pipe is refused too.
    const TestUtil::CliRun show = TestUtil::RunCli({QStringLiteral("show"), Path("p.vxp")});
    EXPECT_EQ(show.code, 2);
    EXPECT_TRUE(show.err.contains(Path("p.vxp") + QStringLiteral(" is not a regular file.")))
        << show.err.toStdString();
    EXPECT_EQ(run({QStringLiteral("convert"), Path("p.vxp"), Path("out.json")}), 2);
    EXPECT_EQ(run({QStringLiteral("protect"), Path("p.vxp")}), 2);
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("out.json")).constData(), 0644), 0);
    ASSERT_TRUE(WriteFile(Path("in2.json"), "{}"));
    EXPECT_EQ(run({QStringLiteral("convert"), Path("in2.json"), Path("out.json")}), 1);
    EXPECT_FALSE(QFileInfo(Path("out.json")).isFile());
    EXPECT_EQ(
        run({QStringLiteral("protect"), QStringLiteral("--users"), Path("users.csv"), Path("real.html")}), 2);
    EXPECT_EQ(
        run({QStringLiteral("unlock"), Path("page.html"), QStringLiteral("--password"), QStringLiteral("x")}),
        2);
    EXPECT_EQ(run({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("x"),
                   QStringLiteral("--template"), Path("page.html"), Path("real.html")}),
              1);
    QStringList lines;
    EXPECT_FALSE(CListFile::Read(Path("list.lst"), lines, nullptr));
    EXPECT_EQ(ReadFile(Path("real.html")), kPage);
}

TEST_F(DataSafety, killedRunsNeverBreakAPageOrItsBackup)
{
    // Runs of protect, restore-first and restore are killed at random
    // moments; after each, every page is its original or a protected page
    // that opens to it, and a backup is the original.
    const QString cli = QFileInfo(AppFolders::StrongScriptFile())
                            .absoluteDir()
                            .absoluteFilePath(QStringLiteral("../../wendlock-cli"));
    ASSERT_TRUE(QFileInfo::exists(cli));
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    QMap<QString, QByteArray> originals;
    for (int i = 0; i < 8; ++i) {
        QByteArray text = "<html><head><title>" + QByteArray::number(i) + "</title></head><body>\n";
        for (int line = 0; line < 2000 * (i + 1); ++line) {
            text += "<p>page " + QByteArray::number(i) + " line " + QByteArray::number(line) + "</p>\n";
        }
        const QString page = Path("site") + QStringLiteral("/p%1.html").arg(i);
        ASSERT_TRUE(WriteFile(page, text + "</body></html>\n"));
        originals.insert(page, text + "</body></html>\n");
    }
    const QStringList protect = {QStringLiteral("protect"),
                                 QStringLiteral("--password"),
                                 QStringLiteral("pw"),
                                 QStringLiteral("--template"),
                                 Path("login.htm"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("kdfIterations=100000"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("salt=000102030405060708090a0b0c0d0e0f")};
    QRandomGenerator random(20261207);
    for (int round = 0; round < 12; ++round) {
        QStringList args;
        switch (random.bounded(3)) {
        case 0:
            args = protect + QStringList{Path("site")};
            break;
        case 1:
            args = protect + QStringList{QStringLiteral("--restore-first"), Path("site")};
            break;
        default:
            args = QStringList{QStringLiteral("restore"), Path("site")};
        }
        QProcess run;
        run.start(cli, args);
        ASSERT_TRUE(run.waitForStarted());
        QThread::msleep(random.bounded(5, 250));
        // SIGKILL, or SIGINT/SIGTERM, which end the run between two pages
        // with a summary and 128 + the signal's number.
        const int signal = std::array<int, 3>{SIGKILL, SIGINT, SIGTERM}[size_t(random.bounded(3))];
        ::kill(pid_t(run.processId()), signal);
        ASSERT_TRUE(run.waitForFinished(60000));
        if (signal != SIGKILL && run.exitStatus() == QProcess::NormalExit) {
            // Finished before the signal, or told how far it got.
            const QString out = QString::fromUtf8(run.readAllStandardOutput());
            const QString last = out.section(QLatin1Char('\n'), -2, -2);
            const bool told = QRegularExpression(QStringLiteral("^Interrupted: \\d+ (protected|restored), "
                                                                "\\d+ not processed$"))
                                  .match(last)
                                  .hasMatch();
            EXPECT_EQ(told, run.exitCode() == 128 + signal) << "round " << round << ": " << out.toStdString();
        }
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            const QByteArray now = ReadFile(it.key());
            if (now != it.value()) {
                QByteArray opened;
                QBuffer buffer(&opened);
                buffer.open(QIODevice::WriteOnly);
                ASSERT_EQ(CPageUnlocker::Unlock(it.key(), QString(), QStringLiteral("pw"), &buffer),
                          CPageUnlocker::Status::Ok)
                    << "round " << round << ": " << it.key().toStdString();
                EXPECT_EQ(opened, it.value()) << "round " << round;
            }
            const QString backup = it.key() + QStringLiteral(".original");
            if (QFileInfo::exists(backup)) {
                EXPECT_EQ(ReadFile(backup), it.value()) << "round " << round;
            }
        }
    }
    // The next whole run clears what the killed ones left.
    QProcess last;
    last.start(cli, protect + QStringList{QStringLiteral("--restore-first"), Path("site")});
    ASSERT_TRUE(last.waitForFinished(60000));
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardOutput().constData();
    const QStringList left = QDir(Path("site")).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : left) {
        EXPECT_FALSE(CAtomicFile::IsTemporaryName(name)) << name.toStdString();
    }
}

TEST_F(DataSafety, linksAtTheBackupsNameAreNeverWrittenThroughNorRestored)
{
    ASSERT_TRUE(WriteFile(Path("outside.txt"), "outside"));
    ASSERT_TRUE(WriteFile(Path("a.html"), kPage));
    ASSERT_EQ(::symlink(QFile::encodeName(Path("outside.txt")).constData(),
                        QFile::encodeName(Path("a.html.original")).constData()),
              0);
    EXPECT_EQ(Run({Path("a.html")}), QStringList{QStringLiteral("Protected")});
    EXPECT_EQ(ReadFile(Path("outside.txt")), QByteArray("outside"));
    EXPECT_FALSE(QFileInfo(Path("a.html.original")).isSymLink());
    EXPECT_EQ(ReadFile(Path("a.html.original")), kPage);

    // A link put in the backup's place later does not go over the page.
    ASSERT_TRUE(QFile::remove(Path("a.html.original")));
    ASSERT_EQ(::symlink(QFile::encodeName(Path("outside.txt")).constData(),
                        QFile::encodeName(Path("a.html.original")).constData()),
              0);
    EXPECT_EQ(CProtectEngine::RestoreBackups({Path("a.html")}), 0);
    EXPECT_FALSE(QFileInfo(Path("a.html")).isSymLink());
}
