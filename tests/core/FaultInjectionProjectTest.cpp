// Faults while a project is saved: a read-only folder, a file-size limit and
// a really full disk. The project file on disk is either the old one or the
// new one, never a part of either, no temporary file stays behind, and the
// message names the file.
#include "ChildRun.h"
#include "TestUtil.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

// A project whose file is a few hundred kilobytes: many listed pages.
CProject LargeProject()
{
    CProject data;
    for (int i = 0; i < 5000; ++i) {
        data.m_listFiles.append(QStringLiteral("/srv/www/section%1/page%2.html").arg(i % 40).arg(i));
    }
    return data;
}

class ProjectSaveFaults : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    }

    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    static QStringList Entries(const QString& folder)
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.sort();
        return names;
    }

    // Saves through the document in a child process and reports the
    // message, the modified flag and the path the document keeps.
    static ChildRun::Outcome SaveInChild(const ChildRun::Options& options, const QString& path)
    {
        return ChildRun::Run(options, [path]() -> QByteArray {
            CProject data = LargeProject();
            CWendlockDoc doc(&data);
            doc.SetPathName(QStringLiteral("/before.vxp"));
            doc.SetModifiedFlag(true);
            QString error;
            const bool saved = doc.OnSaveDocument(path, &error);
            return QByteArray(saved ? "saved" : "failed") + '\n' + error.toUtf8() + '\n' +
                   (doc.IsModified() ? "modified" : "clean") + '\n' + doc.GetPathName().toUtf8();
        });
    }
};

} // namespace

TEST_F(ProjectSaveFaults, readOnlyFolder_refusesNewAndExistingFilesAndLeavesNothing)
{
    // Root writes into any folder: the save is made by an unprivileged user.
    const QString folder = Path("ro");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString existing = folder + QStringLiteral("/old.vxp");
    const QByteArray old = CWendlockDoc::ProjectBytes(CProject());
    ASSERT_TRUE(WriteFile(existing, old));
    ChildRun::GiveToChild(folder);
    ChildRun::GiveToChild(existing);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);

    for (const QString& path : QStringList{existing, folder + QStringLiteral("/new.vxp")}) {
        const ChildRun::Outcome outcome = SaveInChild({RLIM_INFINITY, true, false}, path);
        if (!outcome.ran && !outcome.skipReason.isEmpty()) {
            GTEST_SKIP() << qPrintable(outcome.skipReason);
        }
        ASSERT_TRUE(outcome.ran);
        EXPECT_EQ(outcome.report, "failed\n" + QStringLiteral("Access to %1 was denied.").arg(path).toUtf8() +
                                      "\nmodified\n/before.vxp");
    }
    EXPECT_EQ(ReadFile(existing), old);
    EXPECT_EQ(Entries(folder), QStringList({QStringLiteral("old.vxp")}));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST_F(ProjectSaveFaults, readOnlyFileInWritableFolder_staysAsItWas)
{
    // The folder would let a new file be renamed over the old one; the
    // file's own bits must still keep it.
    const QString path = Path("ro.vxp");
    const QByteArray old = CWendlockDoc::ProjectBytes(CProject());
    ASSERT_TRUE(WriteFile(path, old));
    ChildRun::GiveToChild(dir.path());
    ChildRun::GiveToChild(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);

    const ChildRun::Outcome outcome = SaveInChild({RLIM_INFINITY, true, false}, path);
    if (!outcome.ran && !outcome.skipReason.isEmpty()) {
        GTEST_SKIP() << qPrintable(outcome.skipReason);
    }
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.report, "failed\n" + QStringLiteral("Access to %1 was denied.").arg(path).toUtf8() +
                                  "\nmodified\n/before.vxp");
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(dir.path()), QStringList({QStringLiteral("ro.vxp")}));
}

TEST_F(ProjectSaveFaults, fileSizeLimit_keepsTheOldFileWhole)
{
    const QString path = Path("p.vxp");
    const QByteArray old = CWendlockDoc::ProjectBytes(CProject());
    ASSERT_TRUE(WriteFile(path, old));
    ASSERT_GT(CWendlockDoc::ProjectBytes(LargeProject()).size(), 64 * 1024);

    const ChildRun::Outcome outcome = SaveInChild({64 * 1024, false, false}, path);
    if (!outcome.ran && !outcome.skipReason.isEmpty()) {
        GTEST_SKIP() << qPrintable(outcome.skipReason);
    }
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.report, "failed\n" +
                                  QStringLiteral("Disk full while accessing %1.").arg(path).toUtf8() +
                                  "\nmodified\n/before.vxp");
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(dir.path()), QStringList({QStringLiteral("p.vxp")}));

    // Without the limit the same save goes through.
    const ChildRun::Outcome unlimited = SaveInChild({}, path);
    ASSERT_TRUE(unlimited.ran);
    EXPECT_TRUE(unlimited.report.startsWith("saved\n\nclean\n"));
    EXPECT_EQ(ReadFile(path), CWendlockDoc::ProjectBytes(LargeProject()));
}

TEST_F(ProjectSaveFaults, fullTmpfs_keepsTheOldFileWhole)
{
    const QString mountPoint = Path("mnt");
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    const QByteArray old = CWendlockDoc::ProjectBytes(CProject());
    const QByteArray large = CWendlockDoc::ProjectBytes(LargeProject());
    const ChildRun::Outcome outcome = ChildRun::Run({RLIM_INFINITY, false, true}, [&]() -> QByteArray {
        if (::mount("wendlock-test", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=128k") !=
            0) {
            return "SKIP";
        }
        const QString path = mountPoint + QStringLiteral("/p.vxp");
        WriteFile(path, old);
        CProject data = LargeProject();
        QString error;
        const bool saved = CWendlockDoc::WriteProjectFile(path, data, &error);
        return QByteArray(saved ? "saved" : "failed") + '\n' + error.toUtf8() + '\n' +
               (ReadFile(path) == old ? "old file intact" : "old file damaged") + '\n' +
               Entries(mountPoint).join(QLatin1Char(',')).toUtf8();
    });
    if (!outcome.ran && !outcome.skipReason.isEmpty()) {
        GTEST_SKIP() << qPrintable(outcome.skipReason);
    }
    ASSERT_TRUE(outcome.ran);
    if (outcome.report == "SKIP") {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    ASSERT_GT(large.size(), 128 * 1024);
    EXPECT_EQ(outcome.report,
              "failed\n" + QStringLiteral("Disk full while accessing %1/p.vxp.").arg(mountPoint).toUtf8() +
                  "\nold file intact\np.vxp");
}
