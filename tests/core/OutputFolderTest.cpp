#include "CliRunner.h"
#include "engine/OutputManifest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using TestUtil::RunCli;

class OutputFolder : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString src = dir.filePath(QStringLiteral("site"));
    QString out = dir.filePath(QStringLiteral("pub"));

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    TestUtil::CliRun Protect(const QStringList& extra = {})
    {
        return RunCli(QStringList{QStringLiteral("protect"), QStringLiteral("--password"),
                                  QStringLiteral("pw"), QStringLiteral("--set"),
                                  QStringLiteral("kdfIterations=100000"), QStringLiteral("--output"), out} +
                      extra + QStringList{src});
    }
};

} // namespace

// What someone else did to the output folder or the site between runs: an
// output edited, a link planted where a page goes, a foreign manifest, a
// link that leads back into the sources, an output of a deleted source
// that was changed since.
TEST_F(OutputFolder, changesAroundTheFolderNeverReachTheSourcesOrLoseEdits)
{
    const QByteArray page = "<html><head></head><body><p>original text</p></body></html>\n";
    Write(src + QStringLiteral("/index.html"), page);
    Write(src + QStringLiteral("/a/page.html"), page);
    Write(src + QStringLiteral("/a/data.json"), "{\"x\":1}");
    Write(src + QStringLiteral("/gone.txt"), "to be deleted");
    Write(src + QStringLiteral("/kept.txt"), "to be deleted, output edited");
    // An absolute link into the site: the copy's link must lead into the
    // copy, never back to the plain sources.
    ASSERT_EQ(::symlink(QFile::encodeName(src + QStringLiteral("/a/data.json")).constData(),
                        QFile::encodeName(src + QStringLiteral("/data-link.json")).constData()),
              0);
    TestUtil::CliRun run = Protect();
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/data-link.json")).symLinkTarget(),
              QDir(out).absoluteFilePath(QStringLiteral("a/data.json")));
    EXPECT_EQ(QFile::symLinkTarget(out + QStringLiteral("/data-link.json")).startsWith(out), true);

    // A planted link at a page's place in the copy: written over, never
    // through (the source it points at stays plain and unchanged).
    QFile::remove(out + QStringLiteral("/a/page.html"));
    ASSERT_EQ(::symlink(QFile::encodeName(src + QStringLiteral("/a/page.html")).constData(),
                        QFile::encodeName(out + QStringLiteral("/a/page.html")).constData()),
              0);
    // An edited output whose source did not change is written again.
    Write(out + QStringLiteral("/a/data.json"), "{\"x\":2}");
    QFile::remove(src + QStringLiteral("/gone.txt"));
    QFile::remove(src + QStringLiteral("/kept.txt"));
    Write(out + QStringLiteral("/kept.txt"), "someone's edit");
    run = Protect();
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(Read(src + QStringLiteral("/a/page.html")), page);
    EXPECT_FALSE(QFileInfo(out + QStringLiteral("/a/page.html")).isSymLink());
    EXPECT_TRUE(Read(out + QStringLiteral("/a/page.html")).contains("vxsv"));
    EXPECT_EQ(Read(out + QStringLiteral("/a/data.json")), QByteArray("{\"x\":1}"));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/gone.txt")));
    EXPECT_EQ(Read(out + QStringLiteral("/kept.txt")), QByteArray("someone's edit"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("kept.txt was left in place"))) << run.err.toStdString();

    // The record is only of files that exist as written.
    COutputManifest manifest;
    ASSERT_TRUE(manifest.Load(out));
    EXPECT_FALSE(manifest.Find(QStringLiteral("gone.txt")));
    ASSERT_TRUE(manifest.Find(QStringLiteral("a/page.html")));
    EXPECT_EQ(manifest.Find(QStringLiteral("a/page.html"))->kind, QStringLiteral("page"));
    // Keyed: the source digest is no plain SHA-256 of the page.
    EXPECT_NE(manifest.Find(QStringLiteral("a/page.html"))->sourceDigest,
              QCryptographicHash::hash(page, QCryptographicHash::Sha256));

    // A folder holding someone else's file of that name is refused, and
    // nothing is written into it.
    const QString other = dir.filePath(QStringLiteral("other"));
    Write(other + QStringLiteral("/.wendlock-manifest.json"), "{\"files\": []}");
    run = RunCli({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                  QStringLiteral("--output"), other, src});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not a manifest that Wendlock wrote")))
        << run.err.toStdString();
    EXPECT_EQ(QDir(other).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
