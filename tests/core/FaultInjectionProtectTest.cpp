// Faults during a protect run: read-only folders and pages, a missing
// template or login script, files that vanish, a disk that fills up while
// a page or its backup is written. In each case no page or backup is lost or
// left half-written, the file gets its result text, and the run goes on
// with the next file.
#include "ChildRun.h"
#include "TestUtil.h"
#include "common/AppFolders.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "model/Project.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

struct Row
{
    QString path;
    QString result;
};

class RecordingList final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        rows.append({path, result});
        if (afterRow) {
            afterRow(rows.size());
        }
    }
    QList<Row> rows;
    // Called after each row, with the number of rows so far.
    std::function<void(qsizetype)> afterRow;
};

// Rows travel from a child process as path US result RS ...
QByteArray EncodeRows(const QList<Row>& rows)
{
    QByteArray out;
    for (const Row& row : rows) {
        out += row.path.toUtf8() + '\x1f' + row.result.toUtf8() + '\x1e';
    }
    return out;
}

QList<Row> DecodeRows(const QByteArray& bytes)
{
    QList<Row> rows;
    for (const QByteArray& record : bytes.split('\x1e')) {
        const qsizetype separator = record.indexOf('\x1f');
        if (separator >= 0) {
            rows.append(
                {QString::fromUtf8(record.left(separator)), QString::fromUtf8(record.mid(separator + 1))});
        }
    }
    return rows;
}

QString Chmod(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0 ? QString()
                                                                   : QStringLiteral("chmod failed");
}

// A page of about `size` bytes with a head, so that the run copies its head.
QByteArray PageText(qsizetype size, const char* word = "secret")
{
    QByteArray page = "<html><head><title>t</title></head><body>\n";
    while (page.size() < size) {
        page += "<p>" + QByteArray(word) + " caf\xc3\xa9 " + QByteArray::number(page.size()) + "</p>\n";
    }
    return page + "</body></html>\n";
}

// The text a protected page carries for a page made by PageText: its one
// non-ASCII letter as a numeric reference.
QByteArray Carried(QByteArray page)
{
    return page.replace("\xc3\xa9", "&#233;");
}

const QByteArray kTemplate = "<html><head><title>Login</title></head>\n<body>\n<form id=\"vxpform\"></form>\n"
                             "</body></html>\n";

class ProtectFaults : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CProject data;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(AppFolders::ScriptFile(0)))
            << "run through ctest: the login scripts are "
               "found through WENDLOCK_APP_DIR";
        ASSERT_TRUE(dir.isValid());
        // The child's user must reach the files.
        ASSERT_TRUE(Chmod(dir.path(), 0755).isEmpty());
        ASSERT_TRUE(WriteFile(Path("login.htm"), kTemplate));
        data.m_strTemplatePath = Path("login.htm");
        data.m_strPassword = QStringLiteral("pw");
        data.m_bBackup = true;
        // The classic format's layout and carried text; the strong format
        // has a suite of its own.
        data.m_nCipher = CProject::kCipherClassic;
    }

    void TearDown() override
    {
        // Whatever a test made read-only must go again.
        const QStringList entries = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            Chmod(Path(entry), 0755);
        }
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Path(const char* name) const { return Path(QLatin1String(name)); }

    QString Folder(const char* name)
    {
        const QString path = Path(name);
        EXPECT_TRUE(QDir().mkpath(path));
        ChildRun::GiveToChild(path);
        return path;
    }

    QString Page(const QString& path, const QByteArray& bytes)
    {
        EXPECT_TRUE(WriteFile(path, bytes));
        ChildRun::GiveToChild(path);
        return path;
    }

    QList<Row> Run(RecordingList& list)
    {
        CProtectEngine engine(&data, &list);
        EXPECT_TRUE(engine.ProtectAll());
        return list.rows;
    }

    // The run in a child process under the given limits. A child that can't
    // set itself up skips the test, saying why.
    QList<Row> RunInChild(const ChildRun::Options& options, bool* skipped, QString* reason)
    {
        const ChildRun::Outcome outcome = ChildRun::Run(options, [this] {
            RecordingList list;
            CProtectEngine engine(&data, &list);
            engine.ProtectAll();
            return EncodeRows(list.rows);
        });
        *skipped = !outcome.ran && !outcome.skipReason.isEmpty();
        *reason = outcome.skipReason;
        EXPECT_TRUE(outcome.ran || *skipped) << "the child process failed";
        return DecodeRows(outcome.report);
    }

    QByteArray Unlocked(const QString& page)
    {
        QByteArray text;
        QBuffer buffer(&text);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_EQ(CPageUnlocker::Unlock(page, QString(), data.m_strPassword, &buffer),
                  CPageUnlocker::Status::Ok);
        return text;
    }

    // The names in a folder: what a run leaves behind, temporary files included.
    static QStringList Entries(const QString& folder)
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.sort();
        return names;
    }

    // The size of the protected form of a page of `pageSize` bytes.
    qint64 ProtectedSize(qsizetype pageSize)
    {
        const QString probe = Path("probe.htm");
        EXPECT_TRUE(WriteFile(probe, PageText(pageSize)));
        CProtectEngine engine(&data);
        QString result;
        EXPECT_TRUE(engine.ProtectFile(probe, result)) << qPrintable(result);
        const qint64 size = QFileInfo(probe).size();
        QFile::remove(probe);
        QFile::remove(probe + QStringLiteral(".original"));
        return size;
    }
};

#define SKIP_IF(skipped, reason)                                                                             \
    if (skipped) {                                                                                           \
        GTEST_SKIP() << qPrintable(reason);                                                                  \
    }

} // namespace

TEST_F(ProtectFaults, readOnlyFolder_failsItsPagesUntouchedAndTheRunGoesOn)
{
    // Root writes into any folder: the run is made by an unprivileged user.
    const QString ro = Folder("ro");
    const QString rw = Folder("rw");
    const QByteArray original = PageText(2000);
    const QString a = Page(ro + QStringLiteral("/a.htm"), original);
    const QString b = Page(rw + QStringLiteral("/b.htm"), original);
    ASSERT_TRUE(Chmod(ro, 0555).isEmpty());
    data.m_listFiles = {a, b};

    bool skipped = false;
    QString reason;
    QList<Row> rows = RunInChild({RLIM_INFINITY, true, false}, &skipped, &reason);
    SKIP_IF(skipped, reason);
    ASSERT_EQ(rows.size(), 2);
    // The backup is the first file the run writes beside the page.
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Backup file failure! \n") + QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(a), original);
    EXPECT_EQ(Entries(ro), QStringList({QStringLiteral("a.htm")}));
    EXPECT_EQ(Unlocked(b), Carried(original));

    // Without backups the page itself is what can't be replaced.
    data.m_bBackup = false;
    rows = RunInChild({RLIM_INFINITY, true, false}, &skipped, &reason);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Overwrite file failure! \n") + QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected before"));
    EXPECT_EQ(ReadFile(a), original);
    EXPECT_EQ(Entries(ro), QStringList({QStringLiteral("a.htm")}));
}

TEST_F(ProtectFaults, restoreFirstInReadOnlyFolder_keepsTheProtectedPageAndItsBackup)
{
    const QString ro = Folder("ro");
    const QByteArray original = PageText(2000);
    const QString a = Page(ro + QStringLiteral("/a.htm"), original);
    const QString b = Page(Folder("rw") + QStringLiteral("/b.htm"), original);
    data.m_listFiles = {a, b};
    RecordingList first;
    ASSERT_EQ(Run(first)[0].result, QStringLiteral("Protected"));
    const QByteArray protectedPage = ReadFile(a);
    for (const QString& path :
         QStringList{a, a + QStringLiteral(".original"), b, b + QStringLiteral(".original")}) {
        ChildRun::GiveToChild(path);
    }
    ASSERT_TRUE(Chmod(ro, 0555).isEmpty());

    bool skipped = false;
    QString reason;
    const ChildRun::Outcome outcome = ChildRun::Run({RLIM_INFINITY, true, false}, [this] {
        RecordingList list;
        CProtectEngine engine(&data, &list);
        engine.SetRestoreQuestion([](const QString&) { return CProtectEngine::Answer::Yes; });
        engine.ProtectAll();
        return EncodeRows(list.rows);
    });
    skipped = !outcome.ran && !outcome.skipReason.isEmpty();
    reason = outcome.skipReason;
    SKIP_IF(skipped, reason);
    ASSERT_TRUE(outcome.ran);
    const QList<Row> rows = DecodeRows(outcome.report);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Restore failure \n") + QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(a), protectedPage);
    EXPECT_EQ(ReadFile(a + QStringLiteral(".original")), original);
    EXPECT_EQ(Unlocked(b), Carried(original));
}

TEST_F(ProtectFaults, readOnlyPage_staysAsItWasWithAnExactBackup)
{
    const QByteArray original = PageText(3000);
    const QString ro = Page(Path("ro.htm"), original);
    const QString next = Page(Path("next.htm"), original);
    ASSERT_TRUE(Chmod(ro, 0444).isEmpty());
    data.m_listFiles = {ro, next};
    RecordingList list;
    const QList<Row> rows = Run(list);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Overwrite file failure! \n") + QString::fromLocal8Bit(strerror(EACCES)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(ro), original);
    // A failed page gets no backup: one beside an unprotected page would
    // later be restored over the user's newer text.
    EXPECT_FALSE(QFileInfo::exists(ro + QStringLiteral(".original")));
    EXPECT_FALSE(QFileInfo::exists(ro + QStringLiteral(".tmp")));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(ro).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(ProtectFaults, missingTemplate_failsEveryPageAndKeepsThem)
{
    const QByteArray original = PageText(1500);
    data.m_listFiles = {Page(Path("a.htm"), original), Page(Path("b.htm"), original)};
    data.m_strTemplatePath = Path("gone.htm");
    RecordingList list;
    const QList<Row> rows = Run(list);
    ASSERT_EQ(rows.size(), 2);
    for (const Row& row : rows) {
        // The result names the template, the file that failed.
        EXPECT_EQ(row.result, QStringLiteral("Open file failure! (template %1)").arg(Path("gone.htm")));
        EXPECT_EQ(ReadFile(row.path), original);
        EXPECT_FALSE(QFileInfo::exists(row.path + QStringLiteral(".original")));
    }

    // The template back in place: the stale temporary pages go, the pages
    // are protected.
    data.m_strTemplatePath = Path("login.htm");
    RecordingList again;
    for (const Row& row : Run(again)) {
        EXPECT_EQ(row.result, QStringLiteral("Protected"));
        EXPECT_EQ(Unlocked(row.path), Carried(original));
    }
    EXPECT_EQ(Entries(dir.path()),
              QStringList({QStringLiteral("a.htm"), QStringLiteral("a.htm.original"), QStringLiteral("b.htm"),
                           QStringLiteral("b.htm.original"), QStringLiteral("login.htm")}));
}

TEST_F(ProtectFaults, missingLoginScript_failsEveryPageAndKeepsThem)
{
    QTemporaryDir emptyApp;
    const QByteArray original = PageText(1500);
    data.m_listFiles = {Page(Path("a.htm"), original), Page(Path("b.htm"), original)};
    RecordingList list;
    QList<Row> rows;
    {
        const TestUtil::ScopedEnv appDir("WENDLOCK_APP_DIR", QFile::encodeName(emptyApp.path()));
        rows = Run(list);
    }
    ASSERT_EQ(rows.size(), 2);
    for (const Row& row : rows) {
        EXPECT_EQ(row.result, QStringLiteral("Open file failure!"));
        EXPECT_EQ(ReadFile(row.path), original);
    }
}

TEST_F(ProtectFaults, filesThatVanishBeforeOrDuringTheRun_areReportedAndSkipped)
{
    const QByteArray original = PageText(1500);
    const QString before = Page(Path("before.htm"), original);
    const QString during = Page(Path("during.htm"), original);
    const QString becameFolder = Page(Path("folder.htm"), original);
    const QString last = Page(Path("last.htm"), original);
    data.m_listFiles = {before, during, becameFolder, last};
    QFile::remove(before);

    RecordingList list;
    // Each file goes while the run reports the one before it.
    list.afterRow = [&](qsizetype rows) {
        if (rows == 1) {
            QFile::remove(during);
        } else if (rows == 2) {
            QFile::remove(becameFolder);
            QDir().mkdir(becameFolder);
        }
    };
    const QList<Row> rows = Run(list);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].result, QStringLiteral("File not exists!"));
    EXPECT_EQ(rows[1].result, QStringLiteral("File not exists!"));
    EXPECT_EQ(rows[2].result, QStringLiteral("File not exists!"));
    EXPECT_EQ(rows[3].result, QStringLiteral("Protected"));
    EXPECT_EQ(Unlocked(last), Carried(original));
    EXPECT_EQ(Entries(dir.path()),
              QStringList({QStringLiteral("last.htm"), QStringLiteral("last.htm.original"),
                           QStringLiteral("login.htm")}));
}

TEST_F(ProtectFaults, backupThatVanishesBeforeRestoreFirst_leavesTheProtectedPage)
{
    const QByteArray original = PageText(1500);
    data.m_listFiles = {Page(Path("a.htm"), original), Page(Path("b.htm"), original)};
    RecordingList first;
    Run(first);
    const QByteArray protectedPage = ReadFile(Path("a.htm"));

    RecordingList list;
    CProtectEngine engine(&data, &list);
    engine.SetRestoreQuestion([&](const QString& path) {
        // The backup goes while the question is on the screen.
        if (path == Path("a.htm")) {
            QFile::remove(path + QStringLiteral(".original"));
        }
        return CProtectEngine::Answer::Yes;
    });
    engine.ProtectAll();
    ASSERT_EQ(list.rows.size(), 2);
    EXPECT_EQ(list.rows[0].result,
              QStringLiteral("Restore failure \n") + QString::fromLocal8Bit(strerror(ENOENT)));
    EXPECT_EQ(list.rows[1].result, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(Path("a.htm")), protectedPage);
    EXPECT_EQ(Unlocked(Path("b.htm")), Carried(original));
}

TEST_F(ProtectFaults, fileSizeLimitDuringThePageWrite_keepsPageAndBackupWhole)
{
    // The limit lets a small page's protected form through, and the big
    // page's backup, but not the big page's protected form.
    const qint64 limit = ProtectedSize(500) + 4096;
    const QByteArray big = PageText(limit - 1024);
    const QByteArray small = PageText(500);
    data.m_listFiles = {Page(Path("big.htm"), big), Page(Path("small.htm"), small)};

    bool skipped = false;
    QString reason;
    const QList<Row> rows = RunInChild({rlim_t(limit), false, false}, &skipped, &reason);
    SKIP_IF(skipped, reason);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Create file failure! \n") + QString::fromLocal8Bit(strerror(EFBIG)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected"));
    // The backup goes in place only with its page: a page that failed
    // leaves no backup beside it.
    EXPECT_EQ(ReadFile(Path("big.htm")), big);
    EXPECT_EQ(Unlocked(Path("small.htm")), Carried(small));
    EXPECT_EQ(Entries(dir.path()),
              QStringList({QStringLiteral("big.htm"), QStringLiteral("login.htm"),
                           QStringLiteral("small.htm"), QStringLiteral("small.htm.original")}));
}

TEST_F(ProtectFaults, fileSizeLimitDuringTheBackup_keepsTheOlderBackup)
{
    const qint64 limit = ProtectedSize(500) + 4096;
    // One page the run holds in memory, one it streams because it is large.
    const QByteArray held = PageText(limit + 1000);
    const QByteArray streamed = PageText(9 * 1024 * 1024, "streamed");
    const QByteArray small = PageText(500);
    data.m_listFiles = {Page(Path("held.htm"), held), Page(Path("streamed.htm"), streamed),
                        Page(Path("small.htm"), small)};
    for (const char* name : {"held.htm.original", "streamed.htm.original"}) {
        ASSERT_TRUE(WriteFile(Path(name), "an older backup"));
    }

    bool skipped = false;
    QString reason;
    const QList<Row> rows = RunInChild({rlim_t(limit), false, false}, &skipped, &reason);
    SKIP_IF(skipped, reason);
    ASSERT_EQ(rows.size(), 3);
    const QString tooLarge =
        QStringLiteral("Backup file failure! \n") + QString::fromLocal8Bit(strerror(EFBIG));
    EXPECT_EQ(rows[0].result, tooLarge);
    EXPECT_EQ(rows[1].result, tooLarge);
    EXPECT_EQ(rows[2].result, QStringLiteral("Protected"));
    EXPECT_EQ(ReadFile(Path("held.htm")), held);
    EXPECT_EQ(ReadFile(Path("streamed.htm")), streamed);
    EXPECT_EQ(ReadFile(Path("held.htm.original")), QByteArray("an older backup"));
    EXPECT_EQ(ReadFile(Path("streamed.htm.original")), QByteArray("an older backup"));
    EXPECT_EQ(Unlocked(Path("small.htm")), Carried(small));
    EXPECT_EQ(Entries(dir.path()).size(), 7);
}

TEST_F(ProtectFaults, fullTmpfs_failsWithNoSpaceAndLosesNothing)
{
    // A real full disk: a tmpfs of its own in the child's private mounts,
    // filled so that the big page's backup fits but its protected form not.
    const qint64 smallProtected = ProtectedSize(500);
    const QString mountPoint = Folder("mnt");
    const QByteArray big = PageText(200 * 1024);
    const QByteArray small = PageText(500);
    const ChildRun::Outcome outcome = ChildRun::Run({RLIM_INFINITY, false, true}, [&]() -> QByteArray {
        const QByteArray native = QFile::encodeName(mountPoint);
        if (::mount("wendlock-test", native.constData(), "tmpfs", 0, "size=2m") != 0) {
            return "SKIP";
        }
        const QString bigPath = mountPoint + QStringLiteral("/big.htm");
        const QString smallPath = mountPoint + QStringLiteral("/small.htm");
        WriteFile(bigPath, big);
        WriteFile(smallPath, small);
        // Leave room for the big backup and everything the small page needs.
        struct statvfs fs
        {
        };
        ::statvfs(native.constData(), &fs);
        const qint64 room = big.size() + smallProtected + small.size() + 64 * 1024;
        WriteFile(mountPoint + QStringLiteral("/filler"),
                  QByteArray(qMax<qint64>(0, qint64(fs.f_bavail * fs.f_frsize) - room), 'f'));
        data.m_listFiles = {bigPath, smallPath};
        RecordingList list;
        CProtectEngine engine(&data, &list);
        engine.ProtectAll();
        QByteArray report = EncodeRows(list.rows) + '\n';
        report += "big=" + QByteArray(ReadFile(bigPath) == big ? "intact" : "changed") + '\n';
        report += "backup=" +
                  QByteArray(!QFileInfo::exists(bigPath + QStringLiteral(".original")) ? "none"
                             : ReadFile(bigPath + QStringLiteral(".original")) == big  ? "intact"
                                                                                       : "bad") +
                  '\n';
        report += "files=" + Entries(mountPoint).join(QLatin1Char(',')).toUtf8() + '\n';
        QBuffer text;
        text.open(QIODevice::WriteOnly);
        const bool opens = CPageUnlocker::Unlock(smallPath, QString(), data.m_strPassword, &text) ==
                               CPageUnlocker::Status::Ok &&
                           text.data() == Carried(small);
        report += "small=" + QByteArray(opens ? "opens" : "broken") + '\n';
        return report;
    });
    if (!outcome.ran && !outcome.skipReason.isEmpty()) {
        GTEST_SKIP() << qPrintable(outcome.skipReason);
    }
    ASSERT_TRUE(outcome.ran);
    if (outcome.report == "SKIP") {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    // The rows first (a result text may hold a line break), then a line each.
    const qsizetype rowsEnd = outcome.report.lastIndexOf('\x1e') + 1;
    const QList<QByteArray> lines = QByteArray("rows\n" + outcome.report.mid(rowsEnd + 1)).split('\n');
    ASSERT_GE(lines.size(), 5);
    const QList<Row> rows = DecodeRows(outcome.report.left(rowsEnd));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].result,
              QStringLiteral("Create file failure! \n") + QString::fromLocal8Bit(strerror(ENOSPC)));
    EXPECT_EQ(rows[1].result, QStringLiteral("Protected"));
    EXPECT_EQ(lines[1], QByteArray("big=intact"));
    EXPECT_EQ(lines[2], QByteArray("backup=none"));
    EXPECT_EQ(lines[3], QByteArray("files=big.htm,filler,small.htm,small.htm.original"));
    EXPECT_EQ(lines[4], QByteArray("small=opens"));
}
