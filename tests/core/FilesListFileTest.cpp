#include "TestUtil.h"
#include "files/FilesList.h"
#include "files/FolderHistory.h"
#include "files/ListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

QStringList Numbered(const QString& prefix, int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i) {
        lines.append(prefix + QString::number(i));
    }
    return lines;
}

} // namespace

TEST(FilesListFileTest, parse_splitsTrimsAndSkipsBlankLines)
{
    EXPECT_EQ(CListFile::Parse("a\r\nb\n\r\n  \t c d \t\r\n\n\n"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c d")}));
    EXPECT_EQ(CListFile::Parse("last line without end"),
              QStringList{QStringLiteral("last line without end")});
    EXPECT_TRUE(CListFile::Parse("").isEmpty());
    EXPECT_TRUE(CListFile::Parse("\r\n \r\n\t\n").isEmpty());
    // A CR that is not part of a line end belongs to the path.
    EXPECT_EQ(CListFile::Parse("a\rb\r\n"), QStringList{QStringLiteral("a\rb")});
    // One byte per character, and only ASCII blanks are trimmed.
    EXPECT_EQ(CListFile::Parse("/caf\xE9.html\r\n\xA0x\xA0\r\n"),
              (QStringList{QStringLiteral("/caf\u00E9.html"), QStringLiteral("\u00A0x\u00A0")}));
}

TEST(FilesListFileTest, writeThenRead_givesTheSameLinesWithCrLf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.lst"));
    const QStringList lines{QStringLiteral("/srv/site/index.html"),
                            QStringLiteral("/srv/caf\u00E9/\u00FF.php"), QStringLiteral("relative/a.htm")};
    QString error;
    ASSERT_TRUE(CListFile::Write(path, lines, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(path),
              QByteArray("/srv/site/index.html\r\n/srv/caf\xE9/\xFF.php\r\nrelative/a.htm\r\n"));
    QStringList read;
    ASSERT_TRUE(CListFile::Read(path, read, &error));
    EXPECT_EQ(read, lines);

    // An empty list makes an empty file, replacing what was there.
    ASSERT_TRUE(CListFile::Write(path, {}, &error));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(FilesListFileTest, write_refusesWhatTheFormatCannotHoldAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.lst"));
    ASSERT_TRUE(WriteFile(path, "old\r\n"));

    QString error;
    const QStringList cyrillic{QStringLiteral("/ok.html"), QStringLiteral("/\u0436/index.html")};
    EXPECT_EQ(CListFile::FindUnstorable(cyrillic), 1);
    EXPECT_FALSE(CListFile::Write(path, cyrillic, &error));
    EXPECT_EQ(ReadFile(path), QByteArray("old\r\n"));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("/\u0436/index.html"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("U+0436"))) << error.toStdString();

    // A character beyond the BMP is named whole, not as half a pair.
    EXPECT_FALSE(CListFile::Write(path, {QStringLiteral("/\U0001F600.html")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("U+1F600"))) << error.toStdString();

    // A line break would split the entry in two.
    EXPECT_FALSE(CListFile::Write(path, {QStringLiteral("/a\nb.html")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("line break"))) << error.toStdString();
    EXPECT_EQ(ReadFile(path), QByteArray("old\r\n"));

    const QString fresh = dir.filePath(QStringLiteral("fresh.lst"));
    EXPECT_FALSE(CListFile::Write(fresh, cyrillic, &error));
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(CListFile::FindUnstorable({QStringLiteral("\u00FF"), QStringLiteral("\t")}), -1);
}

TEST(FilesListFileTest, unreadableOrUncreatableFiles_giveTheirMessages)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList lines{QStringLiteral("kept")};
    QString error;
    const QString missing = dir.filePath(QStringLiteral("missing.lst"));
    EXPECT_FALSE(CListFile::Read(missing, lines, &error));
    EXPECT_EQ(error,
              QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(missing));
    EXPECT_EQ(lines, QStringList{QStringLiteral("kept")});
    EXPECT_FALSE(CListFile::Read(dir.path(), lines, &error));

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/list.lst"));
    EXPECT_FALSE(CListFile::Write(nowhere, {QStringLiteral("a")}, &error));
    EXPECT_EQ(error,
              QStringLiteral("Create file \"%1\" for write failure! Make sure you have right to write the "
                             "file.")
                  .arg(nowhere));
}

TEST(FilesListFileTest, folderHistory_loadsAllLinesAndSavesTheFirstTwenty)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(CFolderHistory::FileName());
    QStringList entries{QStringLiteral("stale")};
    QString error;
    // The first run has no history file: empty, and no message.
    EXPECT_TRUE(CFolderHistory::Load(path, entries, &error));
    EXPECT_TRUE(entries.isEmpty());
    EXPECT_TRUE(error.isEmpty());

    QStringList thirty = Numbered(QStringLiteral("/folder"), 30);
    thirty[29] = QStringLiteral("/folder1");
    ASSERT_TRUE(WriteFile(path, CListFile::Encode(thirty)));
    ASSERT_TRUE(CFolderHistory::Load(path, entries, &error));
    EXPECT_EQ(entries.size(), 30);
    EXPECT_EQ(entries, thirty);

    // Choosing an entry moves it to the top and drops its exact copies only.
    CFolderHistory::Promote(entries, QStringLiteral("/folder1"));
    EXPECT_EQ(entries.size(), 29);
    EXPECT_EQ(entries.first(), QStringLiteral("/folder1"));
    CFolderHistory::Promote(entries, QStringLiteral("/FOLDER2"));
    EXPECT_EQ(entries.size(), 30);
    EXPECT_EQ(entries.first(), QStringLiteral("/FOLDER2"));
    EXPECT_TRUE(entries.contains(QStringLiteral("/folder2")));

    ASSERT_TRUE(CFolderHistory::Save(path, entries, &error));
    QStringList saved;
    ASSERT_TRUE(CListFile::Read(path, saved, &error));
    EXPECT_EQ(saved, entries.mid(0, 20));
    EXPECT_TRUE(ReadFile(path).endsWith("\r\n"));

    // An unreadable history is reported.
    EXPECT_FALSE(CFolderHistory::Load(dir.path(), entries, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(FilesListFileTest, filesList_keepsTheFirstOfExactDuplicates)
{
    CFilesList list;
    EXPECT_TRUE(list.Append(QStringLiteral("/site/a.html")));
    EXPECT_FALSE(list.Append(QStringLiteral("/site/a.html")));
    EXPECT_FALSE(list.Append(QString()));
    // Letter case and separators make another path.
    EXPECT_TRUE(list.Append(QStringLiteral("/site/A.html")));
    EXPECT_TRUE(list.Append(QStringLiteral("/site//a.html")));
    EXPECT_TRUE(list.Append(QStringLiteral("/site/b.html")));
    EXPECT_EQ(list.Paths(), (QStringList{QStringLiteral("/site/a.html"), QStringLiteral("/site/A.html"),
                                         QStringLiteral("/site//a.html"), QStringLiteral("/site/b.html")}));

    // Removed rows can come back; kept rows keep their order.
    list.RemoveRows({2, 0, 2, 99, -1});
    EXPECT_EQ(list.Paths(), (QStringList{QStringLiteral("/site/A.html"), QStringLiteral("/site/b.html")}));
    EXPECT_FALSE(list.Contains(QStringLiteral("/site/a.html")));
    EXPECT_TRUE(list.Append(QStringLiteral("/site/a.html")));
    EXPECT_FALSE(list.Append(QStringLiteral("/site/b.html")));
    EXPECT_EQ(list.Count(), 3);

    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(list.Append(QStringLiteral("/site/b.html")));
}

TEST(FilesListFileTest, sizeText_followsTheKilobyteRule)
{
    EXPECT_EQ(CFilesList::SizeTextForLength(0), QStringLiteral("1 KB"));
    EXPECT_EQ(CFilesList::SizeTextForLength(1999), QStringLiteral("1 KB"));
    EXPECT_EQ(CFilesList::SizeTextForLength(2000), QStringLiteral("2 KB"));
    EXPECT_EQ(CFilesList::SizeTextForLength(2345), QStringLiteral("2 KB"));
    // Lengths beyond 32 bits are shown whole.
    EXPECT_EQ(CFilesList::SizeTextForLength(5000000000LL), QStringLiteral("5000000 KB"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("empty.html")), QByteArray()));
    ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("big.html")), QByteArray(4321, 'x')));
    EXPECT_EQ(CFilesList::SizeText(dir.filePath(QStringLiteral("empty.html"))), QStringLiteral("1 KB"));
    EXPECT_EQ(CFilesList::SizeText(dir.filePath(QStringLiteral("big.html"))), QStringLiteral("4 KB"));
    EXPECT_EQ(CFilesList::SizeText(dir.filePath(QStringLiteral("missing.html"))), QStringLiteral("12 KB"));
    EXPECT_EQ(CFilesList::SizeText(dir.path()), QStringLiteral("1 KB"));
}
