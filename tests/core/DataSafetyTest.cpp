#include "CliRunner.h"
#include "EngineTestBase.h"
#include "TestUtil.h"
#include "common/AppFolders.h"
#include "common/AtomicFile.h"
#include "engine/BackupRestore.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "engine/StepHook.h"
#include "files/ListFile.h"
#include "files/WebFileFilter.h"
#include "model/Project.h"

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
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

const QByteArray kPage = "<html><head><title>t</title></head><body><p>members</p></body></html>\n";

QByteArray PageText(const QByteArray& words)
{
    return QByteArray("<html><head><title>t</title></head><body><p>") + words + "</p></body></html>\n";
}

// Clears the engine's step hook however a test ends.
struct HookGuard
{
    ~HookGuard() { CStepHook::Set({}); }
};

QString CliPath()
{
    return QFileInfo(AppFolders::StrongScriptFile())
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../wendlock-cli"));
}

// Replaces a page as an editor saves it: a new file renamed over it.
bool SaveByRename(const QString& page, const QString& scratch, const QByteArray& text)
{
    return WriteFile(scratch, text) &&
           std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(page).constData()) == 0;
}

// Rewrites a page in place, as a generator writing through the same file.
bool SaveInPlace(const QString& page, const QByteArray& text)
{
    QFile file(page);
    return file.open(QIODevice::ReadWrite) && file.resize(0) && file.write(text) == text.size();
}

} // namespace

class DataSafety : public TestUtil::EngineTestBase
{
protected:
    QByteArray Unlocked(const QString& page) const
    {
        QByteArray opened;
        QBuffer buffer(&opened);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_EQ(CPageUnlocker::Unlock(page, QString(), QStringLiteral("pw"), &buffer),
                  CPageUnlocker::Status::Ok)
            << page.toStdString();
        return opened;
    }

    QStringList Temporaries(const QString& folder) const
    {
        QStringList left;
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (CAtomicFile::IsTemporaryName(name)) {
                left.append(name);
            }
        }
        return left;
    }
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
    data.m_bCopyHead = false;
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
    EXPECT_EQ(CBackupRestore::RestoreAll({Path("edited.html"), Path("quotes.html")}), 1);
    EXPECT_EQ(ReadFile(Path("edited.html")), QByteArray("newer edits"));
    EXPECT_EQ(ReadFile(Path("edited.html.original")), QByteArray("older text"));
    EXPECT_TRUE(ReadFile(Path("quotes.html")).startsWith("<html><head></head><body><pre>var vxpa"));
    ASSERT_TRUE(QFile::remove(Path("edited.html")));
    EXPECT_EQ(CBackupRestore::RestoreAll({Path("edited.html")}), 1);
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
    // Runs of protect, restore-first and restore are killed (SIGKILL, or
    // SIGINT/SIGTERM, which end a run with a summary) while pages are saved
    // again, by rename and in place, at chosen steps of the run. After each
    // run every page is a text it had or a protected page that opens to
    // one, every backup is a text its page had, and the last text a page
    // was given before the run ended is in the page, its backup or what the
    // page opens to, unless the run reported the page changed.
    const QString cli = CliPath();
    ASSERT_TRUE(QFileInfo::exists(cli));
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    ASSERT_TRUE(QDir().mkpath(Path("scratch")));
    // Every text each page had, the last one last.
    QMap<QString, QList<QByteArray>> texts;
    for (int i = 0; i < 8; ++i) {
        QByteArray text = "<html><head><title>" + QByteArray::number(i) + "</title></head><body>\n";
        for (int line = 0; line < 2000 * (i + 1); ++line) {
            text += "<p>page " + QByteArray::number(i) + " line " + QByteArray::number(line) + "</p>\n";
        }
        const QString page = Path("site") + QStringLiteral("/p%1.html").arg(i);
        ASSERT_TRUE(WriteFile(page, text + "</body></html>\n"));
        texts.insert(page, {text + "</body></html>\n"});
    }
    const QStringList pages = texts.keys();
    QRandomGenerator random(20261208);
    int edits = 0;
    const auto edit = [&](const QString& page) {
        QByteArray text = texts.value(page).constFirst();
        text.replace("</body>", QByteArray("<p>edit " + QByteArray::number(++edits) + "</p></body>"));
        const bool saved = random.bounded(2) == 0 ? SaveByRename(page, Path("scratch/saving"), text)
                                                  : SaveInPlace(page, text);
        EXPECT_TRUE(saved) << page.toStdString();
        texts[page].append(text);
    };
    const QStringList protect = {QStringLiteral("protect"),
                                 QStringLiteral("--password"),
                                 QStringLiteral("pw"),
                                 QStringLiteral("--template"),
                                 Path("login.htm"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("kdfIterations=100000"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("salt=000102030405060708090a0b0c0d0e0f")};
    QTemporaryDir signalDir;
    ASSERT_TRUE(signalDir.isValid());
    const QString pauseSignal = signalDir.filePath(QStringLiteral("paused"));
    const std::array<const char*, 4> steps = {"page-opened", "page-written", "page-synced", "backup-renamed"};
    int pausedEdits = 0;
    const std::array<int, 3> kills = {SIGKILL, SIGINT, SIGTERM};
    // Every step with every signal in a protect run (half of them restoring
    // first), and every fourth run a restore.
    for (int round = 0; round < 16; ++round) {
        const int protectRun = round - round / 4;
        const int kind = round % 4 == 3 ? 2 : (protectRun + protectRun / 4) % 2;
        const int signal = kind == 2 ? kills[size_t(random.bounded(3))] : kills[size_t(protectRun / 4)];
        const char* step = steps[size_t(protectRun % 4)];
        QStringList args = kind == 2 ? QStringList{QStringLiteral("restore"), Path("site")}
                                     : protect + QStringList{Path("site")};
        if (kind == 1) {
            args.insert(args.size() - 1, QStringLiteral("--restore-first"));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (kind != 2) {
            // Each page stops at the step until the test lets it go on.
            env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE"), QLatin1String(step) + QStringLiteral(":20000"));
            env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE_SIGNAL"), pauseSignal);
        }
        edit(pages.at(int(random.bounded(int(pages.size())))));
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(cli, args);
        ASSERT_TRUE(run.waitForStarted());
        const pid_t pid = pid_t(run.processId());
        if (kind == 2) {
            // Restore has no steps to stop at: killed at a random moment.
            QThread::msleep(random.bounded(0, 60));
            ::kill(pid, signal);
        } else {
            // At each stop the page in hand, or another, may be saved; at
            // one of them the run is sent the signal.
            const int killAt = int(random.bounded(1, 10));
            int pause = 0;
            while (run.state() != QProcess::NotRunning && !run.waitForFinished(2)) {
                if (!QFileInfo::exists(pauseSignal)) {
                    continue;
                }
                const QString paused = QString::fromUtf8(ReadFile(pauseSignal));
                if (pages.contains(paused) && random.bounded(2) == 0) {
                    edit(paused);
                    ++pausedEdits;
                }
                if (random.bounded(3) == 0) {
                    edit(pages.at(int(random.bounded(int(pages.size())))));
                    ++pausedEdits;
                }
                if (++pause == killAt) {
                    ::kill(pid, signal);
                }
                QFile::remove(pauseSignal);
            }
        }
        ASSERT_TRUE(run.state() == QProcess::NotRunning || run.waitForFinished(60000));
        QFile::remove(pauseSignal);
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        if (signal != SIGKILL && run.exitStatus() == QProcess::NormalExit) {
            // Finished before the signal, or told how far it got.
            const QString last = out.section(QLatin1Char('\n'), -2, -2);
            const bool told = QRegularExpression(QStringLiteral("^Interrupted: \\d+ (protected|restored), "
                                                                "\\d+ not processed$"))
                                  .match(last)
                                  .hasMatch();
            EXPECT_EQ(told, run.exitCode() == 128 + signal) << "round " << round << ": " << out.toStdString();
        }
        for (const QString& page : pages) {
            const QList<QByteArray>& had = texts.value(page);
            const QByteArray now = ReadFile(page);
            QByteArray opened;
            if (CProtectEngine::DetectProtection(page) != CProtectEngine::Protection::None) {
                opened = Unlocked(page);
                EXPECT_TRUE(had.contains(opened)) << "round " << round << ": " << page.toStdString();
            } else {
                EXPECT_TRUE(had.contains(now)) << "round " << round << ": " << page.toStdString();
            }
            const QString backupPath = page + QStringLiteral(".original");
            const QByteArray backup = QFileInfo::exists(backupPath) ? ReadFile(backupPath) : QByteArray();
            EXPECT_TRUE(backup.isEmpty() || had.contains(backup))
                << "round " << round << ": " << page.toStdString();
            const bool reported =
                out.contains(QStringLiteral("Changed while being protected\t%1\n").arg(page));
            EXPECT_TRUE(now == had.last() || opened == had.last() || backup == had.last() || reported)
                << "round " << round << " (" << step << ", signal " << signal << "): the last edit of "
                << page.toStdString() << " is lost";
        }
    }
    EXPECT_GT(pausedEdits, 0);
    // The next whole run clears what the killed ones left.
    QProcess last;
    last.start(cli, protect + QStringList{QStringLiteral("--restore-first"), Path("site")});
    ASSERT_TRUE(last.waitForFinished(60000));
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardOutput().constData();
    const QStringList left = QDir(Path("site")).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : left) {
        EXPECT_FALSE(CAtomicFile::IsTemporaryName(name)) << name.toStdString();
    }
    for (const QString& page : pages) {
        EXPECT_EQ(Unlocked(page), texts.value(page).last()) << page.toStdString();
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
    EXPECT_EQ(CBackupRestore::RestoreAll({Path("a.html")}), 0);
    EXPECT_FALSE(QFileInfo(Path("a.html")).isSymLink());
}

TEST_F(DataSafety, aBatchPutsInPlaceOnlyThePagesUnchangedSinceTheyWereRead)
{
    HookGuard guard;
    ASSERT_TRUE(QDir().mkpath(Path("site/sub")));
    ASSERT_TRUE(QDir().mkpath(Path("scratch")));
    const QStringList pages = {Path("site/a.html"), Path("site/b.html"), Path("site/c.html"),
                               Path("site/sub/d.html"), Path("site/e.html")};
    for (const QString& page : pages) {
        ASSERT_TRUE(WriteFile(page, PageText(QFileInfo(page).fileName().toUtf8())));
    }
    // While the last page is written, the first two (written already and
    // waiting in the batch) are saved again, in place and by rename; while
    // the batch puts its pages in place, c is edited after its data was
    // synced, and d after its backup went in place.
    CStepHook::Set([&](const char* step, const QString& path) {
        const QByteArray name = step;
        if (name == "page-written" && path == pages[4]) {
            EXPECT_TRUE(SaveInPlace(pages[0], PageText("a edited in place")));
            EXPECT_TRUE(SaveByRename(pages[1], Path("scratch/b"), PageText("b saved by rename")));
        } else if (name == "page-synced" && path == pages[2]) {
            EXPECT_TRUE(SaveInPlace(pages[2], PageText("c edited")));
        } else if (name == "backup-renamed" && path == pages[3]) {
            EXPECT_TRUE(SaveByRename(pages[3], Path("scratch/d"), PageText("d saved")));
        }
    });
    data.m_listFiles = pages;
    TestUtil::ResultTexts rows;
    {
        CProtectEngine engine(&data, &rows);
        engine.ProtectAll();
        EXPECT_EQ(engine.GetProtectedCount(), 1);
    }
    const QString changed = QStringLiteral("Changed while being protected");
    EXPECT_EQ(rows.results, QStringList({changed, changed, changed, changed, QStringLiteral("Protected")}));
    EXPECT_EQ(ReadFile(pages[0]), PageText("a edited in place"));
    EXPECT_EQ(ReadFile(pages[1]), PageText("b saved by rename"));
    EXPECT_EQ(ReadFile(pages[2]), PageText("c edited"));
    EXPECT_EQ(ReadFile(pages[3]), PageText("d saved"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(QFileInfo::exists(pages[i] + QStringLiteral(".original"))) << i;
    }
    // d's backup went in place before the edit: it holds the text before
    // it, and a restore leaves the newer page alone.
    EXPECT_EQ(ReadFile(pages[3] + QStringLiteral(".original")), PageText("d.html"));
    EXPECT_EQ(CBackupRestore::RestoreAll({pages[3]}), 0);
    EXPECT_EQ(ReadFile(pages[3]), PageText("d saved"));
    EXPECT_EQ(Unlocked(pages[4]), PageText("e.html"));
    EXPECT_EQ(ReadFile(pages[4] + QStringLiteral(".original")), PageText("e.html"));
    EXPECT_TRUE(Temporaries(Path("site")).isEmpty())
        << Temporaries(Path("site")).join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(Temporaries(Path("site/sub")).isEmpty());
    CStepHook::Set({});

    // The same page twice, and a link to a page of the batch: each is
    // looked at once the one before is in place.
    ASSERT_EQ(::symlink("a.html", QFile::encodeName(Path("site/link.html")).constData()), 0);
    answer = CProtectEngine::Answer::No;
    EXPECT_EQ(Run({pages[0], pages[0], Path("site/link.html"), pages[1]}),
              QStringList({QStringLiteral("Protected"), QStringLiteral("Protected before"),
                           QStringLiteral("Protected before"), QStringLiteral("Protected")}));
    EXPECT_EQ(Unlocked(pages[0]), PageText("a edited in place"));

    // One page at a time, as the wizard runs: the page is in place, and
    // its row told, when the call returns.
    ASSERT_TRUE(WriteFile(Path("site/f.html"), PageText("f")));
    CStepHook::Set([&](const char* step, const QString& path) {
        if (QByteArray(step) == "page-synced" && path == pages[2]) {
            EXPECT_TRUE(SaveInPlace(pages[2], PageText("c edited again")));
        }
    });
    {
        TestUtil::ResultTexts single;
        CProtectEngine engine(&data, &single);
        EXPECT_EQ(engine.ProtectOne(pages[2]), ProtectOutcome::ChangedWhileProtected);
        EXPECT_EQ(single.results, QStringList{changed});
        EXPECT_EQ(engine.ProtectOne(Path("site/f.html")), ProtectOutcome::Protected);
        EXPECT_EQ(single.results.size(), 2);
        EXPECT_EQ(Unlocked(Path("site/f.html")), PageText("f"));
        EXPECT_EQ(engine.GetProtectedCount(), 1);
    }
    EXPECT_EQ(ReadFile(pages[2]), PageText("c edited again"));
    CStepHook::Set({});

    // Killed between a backup's rename and its page's: every page is still
    // its text, each backup present is that text, and the next run clears
    // the leftovers and protects them all.
    const QString cli = CliPath();
    ASSERT_TRUE(QFileInfo::exists(cli)) << cli.toStdString();
    ASSERT_TRUE(QDir().mkpath(Path("crash")));
    QMap<QString, QByteArray> texts;
    for (int i = 0; i < 6; ++i) {
        const QString page = Path("crash") + QStringLiteral("/p%1.html").arg(i);
        texts.insert(page, PageText("crash " + QByteArray::number(i)));
        ASSERT_TRUE(WriteFile(page, texts.value(page)));
    }
    QTemporaryDir signalDir;
    ASSERT_TRUE(signalDir.isValid());
    const QString signal = signalDir.filePath(QStringLiteral("paused"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE"), QStringLiteral("backup-renamed:60000"));
    env.insert(QStringLiteral("WENDLOCK_TEST_PAUSE_SIGNAL"), signal);
    QProcess run;
    run.setProcessEnvironment(env);
    const QStringList protect = {QStringLiteral("protect"),
                                 QStringLiteral("--password"),
                                 QStringLiteral("pw"),
                                 QStringLiteral("--template"),
                                 Path("login.htm"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("kdfIterations=100000")};
    run.start(cli, protect + QStringList{Path("crash")});
    ASSERT_TRUE(run.waitForStarted());
    // Let it go on to the third page's backup, then kill it there.
    for (int pause = 0; pause < 3; ++pause) {
        QElapsedTimer waiting;
        waiting.start();
        while (!QFileInfo::exists(signal) && run.state() == QProcess::Running && waiting.elapsed() < 60000) {
            QThread::msleep(2);
        }
        ASSERT_TRUE(QFileInfo::exists(signal)) << run.readAllStandardError().constData();
        if (pause < 2) {
            QFile::remove(signal);
        }
    }
    ::kill(pid_t(run.processId()), SIGKILL);
    ASSERT_TRUE(run.waitForFinished(60000));
    QFile::remove(signal);
    int backups = 0;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        EXPECT_EQ(ReadFile(it.key()), it.value()) << it.key().toStdString();
        if (QFileInfo::exists(it.key() + QStringLiteral(".original"))) {
            ++backups;
            EXPECT_EQ(ReadFile(it.key() + QStringLiteral(".original")), it.value());
        }
    }
    EXPECT_EQ(backups, 3);
    EXPECT_FALSE(Temporaries(Path("crash")).isEmpty()) << "the pages' new texts were never put in place";
    const TestUtil::CliRun again = TestUtil::RunCli(protect + QStringList{Path("crash")});
    EXPECT_EQ(again.code, 0) << again.out.toStdString();
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        EXPECT_EQ(Unlocked(it.key()), it.value());
        EXPECT_EQ(ReadFile(it.key() + QStringLiteral(".original")), it.value());
    }
    EXPECT_TRUE(Temporaries(Path("crash")).isEmpty());
}
