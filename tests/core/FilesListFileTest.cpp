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
    // Not UTF-8, so one byte per character; only ASCII blanks are trimmed.
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

TEST(FilesListFileTest, wideEntriesAreWrittenAsUtf8WithBom_lineBreaksAreRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.lst"));
    ASSERT_TRUE(WriteFile(path, "old\r\n"));

    QString error;
    const QStringList wide{QStringLiteral("/caf\u00E9.html"), QStringLiteral("/\u0436/index.html"),
                           QStringLiteral("/\U0001F600.html")};
    EXPECT_EQ(CListFile::FindUnstorable(wide), -1);
    ASSERT_TRUE(CListFile::Write(path, wide, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(path), QByteArray("\xEF\xBB\xBF/caf\xC3\xA9.html\r\n/\xD0\xB6/index.html\r\n/"
                                         "\xF0\x9F\x98\x80.html\r\n"));
    QStringList read;
    ASSERT_TRUE(CListFile::Read(path, read, &error));
    EXPECT_EQ(read, wide);

    // Latin-1 bytes that would read as UTF-8 take the UTF-8 form too.
    const QStringList mojibake{QStringLiteral("/\u00C3\u00A9.html")};
    ASSERT_TRUE(CListFile::Write(path, mojibake, &error));
    ASSERT_TRUE(CListFile::Read(path, read, &error));
    EXPECT_EQ(read, mojibake);

    // A line break would split the entry in two.
    ASSERT_TRUE(WriteFile(path, "old\r\n"));
    EXPECT_FALSE(CListFile::Write(path, {QStringLiteral("/ok.html"), QStringLiteral("/a\nb.html")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("line break"))) << error.toStdString();
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(ReadFile(path), QByteArray("old\r\n"));
    EXPECT_EQ(CListFile::FindUnstorable({QStringLiteral("\u00FF"), QStringLiteral("a\rb")}), 1);

    // Reading: UTF-8 with or without a BOM, else Windows-1252.
    EXPECT_EQ(CListFile::Parse("/\xD0\xB6.html\r\n"), QStringList{QStringLiteral("/\u0436.html")});
    EXPECT_EQ(CListFile::Parse("\xEF\xBB\xBF/a.html\r\n"), QStringList{QStringLiteral("/a.html")});
    EXPECT_EQ(CListFile::Parse("/\x80\xE9.html\r\n"), QStringList{QStringLiteral("/\u20AC\u00E9.html")});
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
