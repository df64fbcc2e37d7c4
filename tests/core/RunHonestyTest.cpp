#include "CliRunner.h"
#include "TestUtil.h"
#include "cli/Interruption.h"
#include "cli/PrintedResults.h"
#include "common/AppFolders.h"
#include "common/AtomicFile.h"
#include "engine/BackupRestore.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "model/Project.h"
#include "session/ProtectSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using TestUtil::ReadFile;
using TestUtil::RunCli;
using TestUtil::WriteFile;

namespace {

const QByteArray kTemplate = "<html><head><title>Login</title></head>\n<body>\n<form id=\"vxpform\"></form>\n"
                             "</body></html>\n";
const QByteArray kPage = "<html><head><title>t</title></head><body><p>members</p></body></html>\n";

// A leftover's name as a run of `pid` in this boot gives it.
QString Leftover(qint64 pid, const char* tag)
{
    return QStringLiteral(".wendlock-tmp.%1.%2.%3")
        .arg(QString::fromLatin1(TestUtil::BootId()))
        .arg(pid)
        .arg(QLatin1String(tag));
}

bool SetTimes(const QString& path, time_t atime, time_t mtime)
{
    const struct timespec times[2] = {{atime, 0}, {mtime, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QByteArray Attribute(const QString& path, const char* name)
{
    char value[256];
    const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), name, value, sizeof(value));
    return n < 0 ? QByteArray("<none>") : QByteArray(value, int(n));
}

class RunHonesty : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(AppFolders::StrongScriptFile())) << "run through ctest";
        ASSERT_TRUE(WriteFile(Path("login.htm"), kTemplate));
        CInterruption::Set(0);
    }
    void TearDown() override { CInterruption::Set(0); }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Path(const char* name) const { return Path(QLatin1String(name)); }

    // protect with a fast key and the test's template, then `extra`.
    QStringList Protect(const QStringList& extra) const
    {
        return QStringList{QStringLiteral("protect"),
                           QStringLiteral("--password"),
                           QStringLiteral("pw"),
                           QStringLiteral("--template"),
                           Path("login.htm"),
                           QStringLiteral("--set"),
                           QStringLiteral("kdfIterations=100000")} +
               extra;
    }
};

} // namespace

// A name that is not valid text in the system's encoding would come back
// as another name: given on the command line it is refused before anything
// is touched; met in a folder scan it is a page left plain, so the run
// fails and does not call itself successful.
TEST_F(RunHonesty, undecodableNamesAreRefusedOrCountedAsNotProtected)
{
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    const QByteArray bad = QFile::encodeName(Path("site")) + "/caf\xe9.html";
    const QString replacement = Path("site") + QStringLiteral("/caf\ufffd.html");
    const int fd = ::open(bad.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, kPage.constData(), size_t(kPage.size())), ssize_t(kPage.size()));
    ::close(fd);
    ASSERT_TRUE(WriteFile(replacement, kPage));
    ASSERT_TRUE(WriteFile(Path("site/good.html"), kPage));

    QList<QByteArray> raw;
    for (const QString& arg : Protect({})) {
        raw.append(QFile::encodeName(arg));
    }
    QString out;
    QString err;
    {
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CCliApp app(outStream, errStream);
        EXPECT_EQ(app.RunRaw(raw + QList<QByteArray>{bad}), 2);
    }
    EXPECT_TRUE(err.contains(QLatin1String("caf\\xe9.html"))) << err.toStdString();
    EXPECT_EQ(ReadFile(replacement), kPage) << "the look-alike file was protected";
    EXPECT_TRUE(out.isEmpty());

    // The folder: the good page is protected, the other one reported.
    const TestUtil::CliRun run = RunCli(Protect({Path("site")}));
    EXPECT_EQ(run.code, 1) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("not valid in this encoding"))) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QLatin1String("successfully"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("could not be"))) << run.out.toStdString();
    EXPECT_TRUE(ReadFile(Path("site/good.html")).contains("vxsv"));
    ::unlink(bad.constData());
}

// Failure texts carry the system's reason, and a name with a line break or
// a tab stays on its one result line, quoted.
TEST_F(RunHonesty, failureReasonsNameTheCauseAndOddNamesStayOnOneLine)
{
    const QString odd = Path("two\nlines\tand \"quotes\".html");
    ASSERT_TRUE(WriteFile(odd, kPage));
    ASSERT_TRUE(WriteFile(Path("plain.html"), kPage));
    const TestUtil::CliRun run = RunCli(Protect({QStringLiteral("--no-backup"), odd, Path("plain.html")}));
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    const QString quoted =
        QStringLiteral("Protected\t\"%1/two\\nlines\\tand \\\"quotes\\\".html\"").arg(dir.path());
    EXPECT_EQ(lines[0], quoted);
    EXPECT_EQ(lines[1], QStringLiteral("Protected\t") + Path("plain.html"));
    EXPECT_EQ(CPrintedResults::QuotedPath(QStringLiteral("\"a\\b\x01")),
              QStringLiteral("\"\\\"a\\\\b\\x01\""));
    EXPECT_EQ(CPrintedResults::QuotedPath(QStringLiteral("a\\b c")), QStringLiteral("a\\b c"));

    // A page that can't be replaced says why.
    if (::geteuid() != 0) {
        ASSERT_TRUE(WriteFile(Path("ro.html"), kPage));
        ASSERT_EQ(::chmod(QFile::encodeName(Path("ro.html")).constData(), 0444), 0);
        const TestUtil::CliRun ro = RunCli(Protect({QStringLiteral("--no-backup"), Path("ro.html")}));
        EXPECT_EQ(ro.code, 1);
        EXPECT_TRUE(ro.out.startsWith(QStringLiteral("Overwrite file failure! ") +
                                      QString::fromLocal8Bit(strerror(EACCES)) + QLatin1Char('\t')))
            << ro.out.toStdString();
    }
}

// The first visit of every folder a run writes in removes what dead runs
// left there: the pages' folders, the mirrored folders of --backup-dir, and
// on restore as well. A live run's file stays; so does a file whose process
// id is alive but started after the file was written (the id was reused).
TEST_F(RunHonesty, leftoversOfDeadRunsGoFromBackupFoldersAndOnRestore)
{
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    ASSERT_TRUE(WriteFile(Path("site/a.html"), kPage));
    const QString backups = Path("backups");
    const QString mirror = QDir::cleanPath(backups + QLatin1Char('/') + Path("site"));
    ASSERT_TRUE(QDir().mkpath(mirror));
    const QString dead = Leftover(TestUtil::DeadPid(), "deadbeef");
    const QString live = Leftover(::getpid(), "livelive");
    // Our own process id, on a file written long before this test began.
    const QString reused = Leftover(::getpid(), "reused00");
    for (const QString& folder : {mirror, Path("site")}) {
        for (const QString& name : {dead, live, reused}) {
            ASSERT_TRUE(WriteFile(folder + QLatin1Char('/') + name, "plain copy"));
        }
        ASSERT_TRUE(SetTimes(folder + QLatin1Char('/') + reused, 1000000000, 1000000000));
    }
    const TestUtil::CliRun run = RunCli(Protect({QStringLiteral("--backup-dir"), backups, Path("site")}));
    ASSERT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    for (const QString& folder : {mirror, Path("site")}) {
        EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + dead)) << folder.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + reused)) << folder.toStdString();
        EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + live)) << folder.toStdString();
    }
    EXPECT_EQ(ReadFile(mirror + QStringLiteral("/a.html.original")), kPage);

    // Restore clears both folders too.
    for (const QString& folder : {mirror, Path("site")}) {
        ASSERT_TRUE(WriteFile(folder + QLatin1Char('/') + dead, "plain copy"));
    }
    const TestUtil::CliRun restore =
        RunCli({QStringLiteral("restore"), QStringLiteral("--backup-dir"), backups, Path("site")});
    EXPECT_EQ(restore.code, 0) << restore.err.toStdString();
    EXPECT_EQ(ReadFile(Path("site/a.html")), kPage);
    for (const QString& folder : {mirror, Path("site")}) {
        EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + dead)) << folder.toStdString();
        EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + live)) << folder.toStdString();
    }
}

// Extended attributes go with the page into the backup and the new page;
// the backup keeps the page's times, so a restore brings back the page as
// it was, modification time included. Beside the page and under
// --backup-dir alike.
TEST_F(RunHonesty, attributesAndTimesComeBackWithTheRestoredPage)
{
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    const QString page = Path("site/a.html");
    ASSERT_TRUE(WriteFile(page, kPage));
    if (::setxattr(QFile::encodeName(page).constData(), "user.origin", "editor", 6, 0) != 0) {
        GTEST_SKIP() << "this file system refuses user extended attributes: " << strerror(errno);
    }
    const time_t past = 1500000000;
    for (const QStringList& where : {QStringList{}, QStringList{QStringLiteral("--backup-dir"), Path("b")}}) {
        ASSERT_TRUE(SetTimes(page, past - 60, past));
        TestUtil::CliRun run = RunCli(Protect(where + QStringList{page}));
        ASSERT_EQ(run.code, 0) << run.out.toStdString();
        const QString backup = CBackupRestore::BackupPath(page, where.value(1));
        struct stat st
        {
        };
        ASSERT_EQ(::stat(QFile::encodeName(backup).constData(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, past);
        EXPECT_EQ(Attribute(backup, "user.origin"), QByteArray("editor"));
        EXPECT_EQ(Attribute(page, "user.origin"), QByteArray("editor")) << "the protected page lost it";

        run = RunCli(QStringList{QStringLiteral("restore")} + where + QStringList{page});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        ASSERT_EQ(ReadFile(page), kPage);
        ASSERT_EQ(::stat(QFile::encodeName(page).constData(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, past);
        EXPECT_EQ(Attribute(page, "user.origin"), QByteArray("editor"));
    }
}

// SIGINT and SIGTERM end a run between pages: the pages done keep their
// result lines, the summary says how far the run got, and the exit code is
// 128 + the signal's number. Every page is either protected with its
// backup or untouched.
TEST_F(RunHonesty, interruptedRunsReportWhatTheyDidAndExitWithTheSignal)
{
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    QStringList pages;
    for (int i = 0; i < 100; ++i) {
        pages.append(Path("site") + QStringLiteral("/p%1.html").arg(i, 3, 10, QLatin1Char('0')));
        ASSERT_TRUE(WriteFile(pages.last(), kPage));
    }
    // A signal before the first page: nothing is touched.
    CInterruption::Set(SIGTERM);
    TestUtil::CliRun run = RunCli(Protect({Path("site")}));
    EXPECT_EQ(run.code, 143);
    EXPECT_EQ(run.out, QStringLiteral("Interrupted: 0 protected, 100 not processed\n"));
    EXPECT_EQ(ReadFile(pages[0]), kPage);
    run = RunCli({QStringLiteral("restore"), Path("site")});
    EXPECT_EQ(run.code, 143);
    EXPECT_EQ(run.out, QStringLiteral("Interrupted: 0 restored, 100 not processed\n"));
    CInterruption::Set(0);

    // A signal during the run, on two threads: each stops after its page
    // in hand; the counts add up and match the files.
    CProject data;
    data.m_strTemplatePath = Path("login.htm");
    data.m_strPassword = QStringLiteral("pw");
    data.m_nCipher = CProject::kCipherClassic;
    data.m_listFiles = pages;
    class Lines final : public IResultList
    {
    public:
        void DeleteAllItems() override {}
        void AddResultRow(const QString& path, const QString& result) override
        {
            rows.append({path, result});
        }
        QList<QPair<QString, QString>> rows;
    } lines;
    std::atomic<int> asked{0};
    CProtectSession session(data);
    session.SetThreads(2);
    session.SetInterruption([&asked] { return ++asked > 45; });
    const CProtectSession::Summary outcome = session.Run(lines);
    EXPECT_GT(outcome.protectedCount, 0);
    EXPECT_LT(outcome.protectedCount, 100);
    EXPECT_EQ(lines.rows.size(), outcome.protectedCount);
    EXPECT_EQ(outcome.protectedCount + outcome.notProcessed, 100);
    int protectedFiles = 0;
    for (const QString& page : pages) {
        const bool done = ReadFile(page).contains("vxpa");
        protectedFiles += done ? 1 : 0;
        EXPECT_EQ(QFileInfo::exists(page + QStringLiteral(".original")), done) << page.toStdString();
    }
    EXPECT_EQ(protectedFiles, outcome.protectedCount);
}
