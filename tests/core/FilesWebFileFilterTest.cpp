#include "TestUtil.h"
#include "files/WebFileFilter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using TestUtil::WriteFile;

namespace {

// The web files under `folder` in the order a depth-first walk of the
// file system's own listing meets them, worked out independently of the
// scanner through QDir's unsorted listing.
QStringList ExpectedScan(const QString& folder, bool recursive)
{
    QStringList expected;
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (recursive) {
                expected += ExpectedScan(entry.filePath(), recursive);
            }
        } else if (CWebFileFilter::IsWebFileName(entry.fileName())) {
            expected.append(entry.filePath());
        }
    }
    return expected;
}

class FilesScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path() + QStringLiteral("/site");
        for (const char* folder : {"site/sub/deeper", "site/empty", "site/other"}) {
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QString::fromLatin1(folder)));
        }
        for (const char* file :
             {"site/index.html", "site/notes.txt", "site/.hidden.htm", "site/page.html.original",
              "site/b.ASP", "site/sub/c.php", "site/sub/deeper/d.HTM", "site/sub/e.css", "site/other/f.jsp",
              "site/z.shtml"}) {
            ASSERT_TRUE(WriteFile(m_dir.path() + QLatin1Char('/') + QString::fromLatin1(file), "x"));
        }
    }

    QTemporaryDir m_dir;
    QString m_root;
};

} // namespace

TEST(FilesWebFileFilterTest, isWebFileName_matchesWholeExtensionIgnoringAsciiCase)
{
    for (const char* name : {"INDEX.HTM", "Page.Php", "a.JSP", "php", "HTML", "x.y.aspx", ".htm", "a.PHP5"}) {
        EXPECT_TRUE(CWebFileFilter::IsWebFileName(QString::fromLatin1(name))) << name;
    }
    for (const QString& extension : CWebFileFilter::WebExtensionList()) {
        EXPECT_TRUE(CWebFileFilter::IsWebFileName(QStringLiteral("page.") + extension.toUpper()))
            << extension.toStdString();
    }
    for (const char* name : {"page.html.bak", "a.ht", "a.htmlx", "page.", "", ".", "index.html.original",
                             "a.asp;", "a.html ", "a.xml", "htm.txt", "a.ph"}) {
        EXPECT_FALSE(CWebFileFilter::IsWebFileName(QString::fromLatin1(name))) << name;
    }
    // Only A-Z fold: the Kelvin sign and dotted capital I are not k or i.
    EXPECT_FALSE(CWebFileFilter::IsWebFileName(QStringLiteral("a.ph\u0130")));
    EXPECT_FALSE(CWebFileFilter::IsWebFileName(QStringLiteral("a.htm\u212A")));
}

TEST(FilesWebFileFilterTest, normalizeFolder_treatsBothSeparatorsAlike)
{
    for (const char* folder : {"/site", "/site/", "/site\\", "/site\\/", "/site/\\\\//"}) {
        EXPECT_EQ(CWebFileFilter::NormalizeFolder(QString::fromLatin1(folder)), QStringLiteral("/site/"))
            << folder;
    }
    EXPECT_EQ(CWebFileFilter::NormalizeFolder(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(CWebFileFilter::NormalizeFolder(QStringLiteral("a\\b")), QStringLiteral("a\\b/"));
}

TEST(FilesWebFileFilterTest, fullFolderPath_isAbsoluteAndResolved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("one/two")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("back\\slash")));
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString base = QDir::currentPath();
    EXPECT_EQ(CWebFileFilter::FullFolderPath(QStringLiteral("one")), base + QStringLiteral("/one/"));
    EXPECT_EQ(CWebFileFilter::FullFolderPath(QStringLiteral("./one//two/../two\\")),
              base + QStringLiteral("/one/two/"));
    // Typed with "\" separators, as on another system: read as "/".
    EXPECT_EQ(CWebFileFilter::FullFolderPath(QStringLiteral("one\\two")), base + QStringLiteral("/one/two/"));
    // ...unless a folder of that very name exists.
    EXPECT_EQ(CWebFileFilter::FullFolderPath(QStringLiteral("back\\slash")),
              base + QStringLiteral("/back\\slash/"));
    EXPECT_EQ(CWebFileFilter::FullFolderPath(QStringLiteral("/")), QStringLiteral("/"));
    QDir::setCurrent(saved);
}

// The paths of a scan in byte order: what a scan lists, whatever order the
// file system keeps its entries in.
QStringList InPathOrder(QStringList paths)
{
    std::sort(paths.begin(), paths.end(),
              [](const QString& a, const QString& b) { return QFile::encodeName(a) < QFile::encodeName(b); });
    return paths;
}

TEST_F(FilesScanTest, scan_isDepthFirstInPathOrder)
{
    const QStringList found = CWebFileFilter::ScanFolder(m_root, true);
    EXPECT_EQ(found, InPathOrder(ExpectedScan(m_root, true)));
    EXPECT_EQ(found.size(), 7);
    EXPECT_TRUE(found.contains(m_root + QStringLiteral("/.hidden.htm")));
    EXPECT_TRUE(found.contains(m_root + QStringLiteral("/sub/deeper/d.HTM")));
    EXPECT_FALSE(found.contains(m_root + QStringLiteral("/page.html.original")));
    // A subfolder's files come in one block, right where it is met.
    const qsizetype c = found.indexOf(m_root + QStringLiteral("/sub/c.php"));
    const qsizetype d = found.indexOf(m_root + QStringLiteral("/sub/deeper/d.HTM"));
    ASSERT_GE(c, 0);
    ASSERT_GE(d, 0);
    EXPECT_EQ(std::abs(c - d), 1);

    // Without recursion only the folder's own files come in.
    EXPECT_EQ(CWebFileFilter::ScanFolder(m_root, false), InPathOrder(ExpectedScan(m_root, false)));
    EXPECT_EQ(CWebFileFilter::ScanFolder(m_root, false).size(), 4);

    // "sub-a.html" sorts before the folder "sub/" as its path does.
    ASSERT_TRUE(QFile(m_root + QStringLiteral("/sub-a.html")).open(QIODevice::WriteOnly));
    const QStringList again = CWebFileFilter::ScanFolder(m_root, true);
    EXPECT_EQ(again, InPathOrder(again));
    EXPECT_LT(again.indexOf(m_root + QStringLiteral("/sub-a.html")),
              again.indexOf(m_root + QStringLiteral("/sub/c.php")));
}

TEST_F(FilesScanTest, scan_givesTheSameRowsHoweverTheFolderIsTyped)
{
    const QStringList plain = CWebFileFilter::ScanFolder(m_root, true);
    ASSERT_FALSE(plain.isEmpty());
    const QStringList typings{m_root + QLatin1Char('/'), m_root + QLatin1Char('\\'),
                              m_root + QStringLiteral("//"), m_root + QStringLiteral("/sub/.."),
                              m_dir.path() + QStringLiteral("//site\\/")};
    for (const QString& typed : typings) {
        EXPECT_EQ(CWebFileFilter::ScanFolder(typed, true), plain) << typed.toStdString();
    }
    for (const QString& path : plain) {
        EXPECT_TRUE(path.startsWith(m_root + QLatin1Char('/'))) << path.toStdString();
        EXPECT_FALSE(path.contains(QStringLiteral("//"))) << path.toStdString();
    }
    // A relative folder is taken from the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    EXPECT_EQ(CWebFileFilter::ScanFolder(QStringLiteral("site"), true), plain);
    QDir::setCurrent(saved);
}

TEST_F(FilesScanTest, scan_survivesLinksAndMissingFolders)
{
    // A link back to the top would never end if it were followed again.
    ASSERT_EQ(::symlink(QFile::encodeName(m_root).constData(),
                        QFile::encodeName(m_root + QStringLiteral("/sub/loop")).constData()),
              0);
    // A dangling link with a web name still counts as a file.
    ASSERT_EQ(::symlink("/nonexistent/target",
                        QFile::encodeName(m_root + QStringLiteral("/gone.html")).constData()),
              0);
    const QStringList found = CWebFileFilter::ScanFolder(m_root, true);
    EXPECT_EQ(found.size(), 8);
    EXPECT_EQ(found.count(m_root + QStringLiteral("/index.html")), 1);
    EXPECT_TRUE(found.contains(m_root + QStringLiteral("/gone.html")));

    EXPECT_TRUE(CWebFileFilter::ScanFolder(m_dir.path() + QStringLiteral("/missing"), true).isEmpty());
    EXPECT_TRUE(CWebFileFilter::ScanFolder(m_root + QStringLiteral("/index.html"), true).isEmpty());
}

TEST_F(FilesScanTest, scan_stopsWhenAVisitorSaysSo)
{
    QStringList files;
    const bool completed = CWebFileFilter::ScanFolder(m_root, true, [&files](const QString& path) {
        files.append(path);
        return files.size() < 2;
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(files.size(), 2);

    QStringList folders;
    files.clear();
    const bool stoppedAtFolder = CWebFileFilter::ScanFolder(
        m_root, true,
        [&files](const QString& path) {
            files.append(path);
            return true;
        },
        [&folders](const QString& folder) {
            folders.append(folder);
            return !folder.endsWith(QStringLiteral("/sub/"));
        });
    EXPECT_FALSE(stoppedAtFolder);
    EXPECT_EQ(folders.first(), m_root + QLatin1Char('/'));
    for (const QString& path : files) {
        EXPECT_FALSE(path.contains(QStringLiteral("/sub/"))) << path.toStdString();
    }
}
