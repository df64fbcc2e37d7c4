#include "CliRunner.h"
#include "EngineTestBase.h"
#include "TestUtil.h"
#include "common/AppFolders.h"
#include "common/AtomicFile.h"
#include "engine/BackupRestore.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ProtectionDetector.h"
#include "engine/ResultList.h"
#include "engine/StepHook.h"
#include "model/Project.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>

using TestUtil::ReadFile;
using TestUtil::RunCli;
using TestUtil::WriteFile;

namespace {

QByteArray PageText(const QByteArray& words)
{
    return QByteArray("<html><head><title>t</title></head><body><p>") + words + "</p></body></html>\n";
}

// The kind a page read in blocks of `block` bytes is found to be, as a
// page too large to be held is.
CProtectionDetector::Kind StreamedKind(const QByteArray& page, qsizetype block)
{
    CProtectionDetector detector;
    for (qsizetype at = 0; at < page.size(); at += block) {
        const CProtectionDetector::Kind kind =
            detector.Feed(QByteArrayView(page).sliced(at).first(qMin(block, page.size() - at)));
        if (kind != CProtectionDetector::Kind::None) {
            return kind;
        }
    }
    return CProtectionDetector::Kind::None;
}

// Clears the engine's step hook however a test ends.
struct HookGuard
{
    ~HookGuard() { CStepHook::Set({}); }
};

} // namespace

class BackupSafety : public TestUtil::EngineTestBase
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

    // Names in the folder that a run left behind.
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

TEST_F(BackupSafety, pagesChangedDuringTheRunAreReportedAndTheEditSurvives)
{
    HookGuard guard;
    const QString page = Path("a.html");
    // Written in place after the page was read, while the new text was
    // made: the edit stays, no backup of the older text appears.
    CStepHook::Set([&](const char* step, const QString& path) {
        if (QByteArray(step) == "page-written" && path == page) {
            QFile file(page);
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write("<p>added while protecting</p>\n");
        }
    });
    ASSERT_TRUE(WriteFile(page, PageText("v1")));
    EXPECT_EQ(Run({page}), QStringList{QStringLiteral("Changed while being protected")});
    EXPECT_EQ(ReadFile(page), PageText("v1") + "<p>added while protecting</p>\n");
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".original")));
    EXPECT_TRUE(Temporaries(dir.path()).isEmpty())
        << Temporaries(dir.path()).join(QLatin1Char(' ')).toStdString();

    // Saved by rename (as editors and generators do) right after it was
    // opened: the new file is kept as it is.
    CStepHook::Set([&](const char* step, const QString& path) {
        if (QByteArray(step) == "page-opened" && path == page) {
            ASSERT_TRUE(WriteFile(Path("saved.tmp"), PageText("v2")));
            ASSERT_EQ(std::rename(QFile::encodeName(Path("saved.tmp")).constData(),
                                  QFile::encodeName(page).constData()),
                      0);
        }
    });
    EXPECT_EQ(Run({page}), QStringList{QStringLiteral("Changed while being protected")});
    EXPECT_EQ(ReadFile(page), PageText("v2"));
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".original")));

    // A page too large to be held is read from its one descriptor: an
    // edit of the same size in place is still seen.
    const QString large = Path("large.html");
    QByteArray text = "<html><head><title>l</title></head><body>\n";
    while (text.size() < 9 * 1024 * 1024) {
        text += "<p>line of a large generated page</p>\n";
    }
    text += "</body></html>\n";
    ASSERT_TRUE(WriteFile(large, text));
    CStepHook::Set([&](const char* step, const QString& path) {
        if (QByteArray(step) == "page-opened" && path == large) {
            QFile file(large);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.seek(text.size() / 2);
            file.write("EDITED");
        }
    });
    EXPECT_EQ(Run({large}), QStringList{QStringLiteral("Changed while being protected")});
    QByteArray edited = text;
    edited.replace(text.size() / 2, 6, "EDITED");
    EXPECT_EQ(ReadFile(large), edited);

    // The command line counts it as a failure; left alone, the page is
    // protected whole.
    CStepHook::Set([&](const char* step, const QString& path) {
        if (QByteArray(step) == "page-written" && path == page) {
            ASSERT_TRUE(WriteFile(page, PageText("v3")));
        }
    });
    const TestUtil::CliRun run =
        RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                QStringLiteral("--template"), Path("login.htm"), QStringLiteral("--set"),
                QStringLiteral("kdfIterations=100000"), page});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Changed while being protected\t%1\n").arg(page)))
        << run.out.toStdString();
    EXPECT_EQ(ReadFile(page), PageText("v3"));
    CStepHook::Set({});
    EXPECT_EQ(Run({large}), QStringList{QStringLiteral("Protected")});
    EXPECT_EQ(Unlocked(large), edited);
    EXPECT_EQ(ReadFile(large + QStringLiteral(".original")), edited);
}

TEST_F(BackupSafety, touchedProtectedPagesAreRecognisedAndBackupsAreNeverProtected)
{
    answer = CProtectEngine::Answer::No;
    for (const int cipher : {CProject::kCipherStrong, CProject::kCipherClassic}) {
        data.m_nCipher = cipher;
        const QString page = Path(cipher == CProject::kCipherStrong ? "strong.html" : "classic.html");
        ASSERT_TRUE(WriteFile(page, PageText("original")));
        ASSERT_EQ(Run({page}), QStringList{QStringLiteral("Protected")});
        const QByteArray written = ReadFile(page);
        // Line ends stripped of their CR (git, FTP in ASCII mode, sed), and
        // a tag appended after the closing comment.
        QByteArray touched = written;
        touched.replace("\r\n", "\n");
        // Minified (line breaks gone), and with its opening rewritten by a
        // tool: a content array and the closing comment still tell it.
        QByteArray minified = written;
        minified.replace("\r\n", "");
        QByteArray reopened = written;
        reopened.replace("window.onerror=KillError;", "window.onerror=null;");
        const QList<QByteArray> variants = {touched, written + "<!-- analytics -->\n",
                                            touched + "<script></script>", minified, reopened};
        for (const QByteArray& variant : variants) {
            for (const qsizetype block : {1, 7, 33, 4096}) {
                EXPECT_NE(StreamedKind(variant, block), CProtectionDetector::Kind::None) << block;
            }
            ASSERT_TRUE(WriteFile(page, variant));
            EXPECT_NE(CProtectEngine::DetectProtection(page), CProtectEngine::Protection::None);
            EXPECT_EQ(Run({page}), QStringList{QStringLiteral("Protected before")});
            EXPECT_EQ(ReadFile(page), variant);
            EXPECT_EQ(ReadFile(page + QStringLiteral(".original")), PageText("original"));
        }
        ASSERT_TRUE(WriteFile(page, written));
        EXPECT_EQ(Unlocked(page), PageText("original"));
    }

    // Quoting the markers does not make a page protected, read whole or in
    // blocks.
    const QByteArray quotes = "<html><head></head><body><pre>window.onerror=KillError;</SCRIPT> var "
                              "vxpa=new Array(\"x\");\"];var vxsv=[1,</pre></body></html>\n";
    EXPECT_EQ(CProtectionDetector::Detect(QByteArrayView(quotes)), CProtectionDetector::Kind::None);
    for (const qsizetype block : {1, 5, 64}) {
        EXPECT_EQ(StreamedKind(quotes, block), CProtectionDetector::Kind::None) << block;
    }

    // A backup named on the command line (a shell pattern) is never taken
    // for a page, and a protected file at a backup's name never goes back.
    const QString page = Path("strong.html");
    const QString backup = page + QStringLiteral(".original");
    EXPECT_EQ(Run({backup}),
              QStringList{QStringLiteral(
                  "Not a page: backups (*.original) and temporary files are never protected")});
    EXPECT_EQ(ReadFile(backup), PageText("original"));
    const TestUtil::CliRun run =
        RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                QStringLiteral("--template"), Path("login.htm"), backup});
    EXPECT_EQ(run.code, 2) << "nothing left to protect";
    EXPECT_TRUE(run.err.contains(QStringLiteral("skipped %1: a backup").arg(backup)))
        << run.err.toStdString();
    EXPECT_EQ(ReadFile(backup), PageText("original"));

    const QByteArray protectedPage = ReadFile(page);
    const TestUtil::CliRun restore = RunCli({QStringLiteral("restore"), page, backup});
    EXPECT_EQ(restore.code, 0);
    EXPECT_TRUE(restore.err.contains(QStringLiteral("skipped %1: a backup").arg(backup)))
        << restore.err.toStdString();
    EXPECT_EQ(ReadFile(page), PageText("original"));
    ASSERT_TRUE(WriteFile(page, protectedPage));

    QFile::remove(backup);
    ASSERT_TRUE(QFile::copy(Path("classic.html"), backup));
    const QByteArray before = ReadFile(page);
    QStringList notRestored;
    EXPECT_EQ(CBackupRestore::RestoreAll({page}, QString(), &notRestored), 0);
    EXPECT_EQ(notRestored, QStringList{page + QStringLiteral(": The backup is itself a protected page")});
    EXPECT_EQ(ReadFile(page), before);
    answer = CProtectEngine::Answer::Yes;
    EXPECT_EQ(Run({page}), QStringList{QStringLiteral("The backup is itself a protected page")});
    EXPECT_EQ(ReadFile(page), before);
}

TEST_F(BackupSafety, backupsGoBackOnlyOverThePageTheyBelongTo)
{
    const QString page = Path("a.html");
    const QString backup = page + QStringLiteral(".original");
    ASSERT_TRUE(WriteFile(page, PageText("v0")));
    ASSERT_EQ(Run({page}), QStringList{QStringLiteral("Protected")});
    // Edited (v1) and protected without a backup: the old backup is kept
    // and the run says so; restore leaves both.
    ASSERT_TRUE(WriteFile(page, PageText("v1")));
    data.m_bBackup = false;
    EXPECT_EQ(
        Run({page}),
        QStringList{
            QStringLiteral("Protected (its backup %1 holds an earlier version and was kept)").arg(backup)});
    QStringList notRestored;
    EXPECT_EQ(CBackupRestore::RestoreAll({page}, QString(), &notRestored), 0);
    EXPECT_EQ(notRestored, QStringList{page + QStringLiteral(": Backup belongs to an earlier version")});
    EXPECT_EQ(Unlocked(page), PageText("v1"));
    EXPECT_EQ(ReadFile(backup), PageText("v0"));
    // Restore-first refuses it too.
    EXPECT_EQ(Run({page}), QStringList{QStringLiteral("Backup belongs to an earlier version")});
    EXPECT_EQ(Unlocked(page), PageText("v1"));
    const TestUtil::CliRun run = RunCli({QStringLiteral("restore"), page});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(
        run.out,
        QStringLiteral("Backup belongs to an earlier version\t%1\n0 files have been restored!\n").arg(page));

    // Restore-first without backups keeps the backup, and the new page is
    // bound to it.
    ASSERT_TRUE(QFile::remove(page));
    ASSERT_TRUE(WriteFile(page, PageText("v2")));
    data.m_bBackup = true;
    ASSERT_EQ(Run({page}), QStringList{QStringLiteral("Protected")});
    data.m_bBackup = false;
    EXPECT_EQ(Run({page}), QStringList{QStringLiteral("Protected")});
    EXPECT_EQ(ReadFile(backup), PageText("v2"));
    EXPECT_EQ(CBackupRestore::RestoreAll({page}), 1);
    EXPECT_EQ(ReadFile(page), PageText("v2"));
    EXPECT_FALSE(QFileInfo::exists(backup));

    // A page written before bindings existed restores as it always did.
    data.m_bBackup = true;
    ASSERT_EQ(Run({page}), QStringList{QStringLiteral("Protected")});
    QByteArray unbound = ReadFile(page);
    const qsizetype at = unbound.lastIndexOf(" original=");
    ASSERT_GT(at, 0);
    unbound.remove(at, unbound.indexOf(" -->", at) - at);
    ASSERT_TRUE(unbound.endsWith(" -->\r\n"));
    ASSERT_TRUE(WriteFile(page, unbound));
    ASSERT_TRUE(WriteFile(backup, PageText("older, unbound")));
    EXPECT_EQ(CBackupRestore::RestoreAll({page}), 1);
    EXPECT_EQ(ReadFile(page), PageText("older, unbound"));
}

TEST_F(BackupSafety, restoreFollowsLinksAndHardLinkedNamesAreAllProtected)
{
    ASSERT_TRUE(QDir().mkpath(Path("site/real")));
    const QString real = Path("site/real/page.html");
    const QString link = Path("site/a-link.html");
    ASSERT_TRUE(WriteFile(real, PageText("linked")));
    ASSERT_EQ(::symlink("real/page.html", QFile::encodeName(link).constData()), 0);
    // Two names of one file.
    ASSERT_TRUE(WriteFile(Path("site/one.html"), PageText("hard")));
    ASSERT_EQ(::link(QFile::encodeName(Path("site/one.html")).constData(),
                     QFile::encodeName(Path("site/two.html")).constData()),
              0);
    const QStringList protect = {QStringLiteral("protect"),
                                 QStringLiteral("--password"),
                                 QStringLiteral("pw"),
                                 QStringLiteral("--template"),
                                 Path("login.htm"),
                                 QStringLiteral("--set"),
                                 QStringLiteral("kdfIterations=100000"),
                                 Path("site")};
    TestUtil::CliRun run = RunCli(protect);
    ASSERT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    for (const char* name : {"site/real/page.html", "site/one.html", "site/two.html"}) {
        EXPECT_EQ(CProtectEngine::DetectProtection(Path(name)), CProtectEngine::Protection::Strong) << name;
    }
    EXPECT_EQ(Unlocked(Path("site/two.html")), PageText("hard"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // The link's name comes first in the scan; restore goes through it to
    // the file protect wrote, and the link stays a link.
    run = RunCli({QStringLiteral("restore"), Path("site")});
    EXPECT_EQ(run.code, 0) << run.out.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFile(real), PageText("linked"));
    EXPECT_EQ(ReadFile(Path("site/two.html")), PageText("hard"));

    // Through the engine as well, given the link alone.
    ASSERT_EQ(Run({link}), QStringList{QStringLiteral("Protected")});
    EXPECT_EQ(CBackupRestore::RestoreAll({link}), 1);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFile(real), PageText("linked"));
}

TEST_F(BackupSafety, restoreNamesEveryPageItLeavesAndWhy)
{
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    for (const char* name : {"site/a.html", "site/b.html"}) {
        ASSERT_TRUE(WriteFile(Path(name), PageText(name)));
    }
    const QString backups = Path("backups");
    TestUtil::CliRun run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"),
                                   QStringLiteral("pw"), QStringLiteral("--template"), Path("login.htm"),
                                   QStringLiteral("--set"), QStringLiteral("kdfIterations=100000"),
                                   QStringLiteral("--backup-dir"), backups, Path("site")});
    ASSERT_EQ(run.code, 0) << run.out.toStdString();
    ASSERT_TRUE(QFile::remove(CBackupRestore::BackupPath(Path("site/b.html"), backups)));
    run = RunCli({QStringLiteral("restore"), QStringLiteral("--backup-dir"), backups, Path("site")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out,
              QStringLiteral("No backup\t%1\n1 files have been restored!\n").arg(Path("site/b.html")));
    EXPECT_EQ(ReadFile(Path("site/a.html")), PageText("site/a.html"));

    run = RunCli({QStringLiteral("restore"), QStringLiteral("--backup-dir"), Path("gone"), Path("site")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("the backup folder %1 does not exist").arg(Path("gone"))));
    EXPECT_TRUE(run.out.contains(QStringLiteral("No backup: the backup folder %1 does not exist\t%2\n")
                                     .arg(Path("gone"), Path("site/b.html"))))
        << run.out.toStdString();
    EXPECT_NE(CProtectEngine::DetectProtection(Path("site/b.html")), CProtectEngine::Protection::None);
}

TEST_F(BackupSafety, aGeneratorRewritingTheSiteDuringARunLosesNoEdit)
{
    // While the command line protects a site on several threads, a
    // generator saves pages by rename, some before their turn, some while
    // they are being protected, some after. Every last edit must be found
    // in the page, or in the text the protected page opens to, and a page
    // saved while it was protected is reported.
    HookGuard guard;
    ASSERT_TRUE(QDir().mkpath(Path("site")));
    constexpr int kPages = 48;
    QMap<QString, QByteArray> last;
    for (int i = 0; i < kPages; ++i) {
        const QString page = Path("site") + QStringLiteral("/p%1.html").arg(i, 2, 10, QLatin1Char('0'));
        last.insert(page, PageText(QByteArray("original ") + QByteArray::number(i)));
        ASSERT_TRUE(WriteFile(page, last.value(page)));
    }
    const QStringList pages = last.keys();
    std::mutex mutex;
    int edits = 0;
    const auto save = [&](const QString& page) {
        const QByteArray text = PageText(QByteArray("edit ") + QByteArray::number(++edits));
        const QString temporary = page + QStringLiteral(".saving");
        if (WriteFile(temporary, text) &&
            std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(page).constData()) == 0) {
            last[page] = text;
        }
    };
    CStepHook::Set([&](const char* step, const QString& path) {
        const std::lock_guard<std::mutex> lock(mutex);
        const int index = int(pages.indexOf(path));
        if (index < 0) {
            return;
        }
        // Another page, mostly one whose turn is still to come, and every
        // third page itself.
        save(pages.at((index * 7 + 5) % kPages));
        if (QByteArray(step) == "page-written" && index % 3 == 0) {
            save(path);
        }
    });
    const TestUtil::CliRun run =
        RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                QStringLiteral("--template"), Path("login.htm"), QStringLiteral("--set"),
                QStringLiteral("kdfIterations=100000"), Path("site")});
    CStepHook::Set({});
    EXPECT_EQ(run.code, 1);
    int changed = 0;
    for (const QString& page : pages) {
        const QByteArray now = ReadFile(page);
        const bool reported =
            run.out.contains(QStringLiteral("Changed while being protected\t%1\n").arg(page));
        changed += reported ? 1 : 0;
        if (CProtectEngine::DetectProtection(page) == CProtectEngine::Protection::None) {
            // Reported as changed, or saved again after its turn.
            EXPECT_EQ(now, last.value(page)) << page.toStdString();
        } else {
            EXPECT_FALSE(reported) << page.toStdString();
            EXPECT_EQ(Unlocked(page), last.value(page)) << page.toStdString();
        }
    }
    EXPECT_GE(changed, kPages / 3);
}
