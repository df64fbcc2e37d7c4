// What the fuzz targets in fuzz/ found, kept as tests so that it stays
// fixed. The inputs that found it are in the seed corpora as well
// (fuzz/corpus/*/found-*).
#include "TestUtil.h"
#include "engine/PageUnlocker.h"
#include "files/ListFile.h"
#include "model/CharsetCodec.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

CPageUnlocker::Status UnlockBytes(const QByteArray& page)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.htm"));
    EXPECT_TRUE(TestUtil::WriteFile(path, page));
    QByteArray text;
    QBuffer out(&text);
    out.open(QIODevice::WriteOnly);
    const CPageUnlocker::Status status = CPageUnlocker::Unlock(path, QString(), QStringLiteral("pw"), &out);
    EXPECT_TRUE(status == CPageUnlocker::Status::Ok || text.isEmpty());
    return status;
}

QString Decode(int codePage, const QByteArray& bytes)
{
    CCharsetCodec codec(codePage);
    QString text = codec.Decode(bytes);
    return text + codec.Finish();
}

} // namespace

// The variables before the content array were looked for with a search
// that, in Qt 6.4, reads before the start of the text when the text is
// shorter than what it looks for: a page that begins with its array made
// the unlocker read outside the mapped file. The strong format's header
// found that search again, with the content array looked for before it.
TEST(FuzzFindings, unlockerRefusesPagesWithNoRoomBeforeTheirArray)
{
    using Status = CPageUnlocker::Status;
    EXPECT_EQ(UnlockBytes("<html\"];var vxsv=[1,0,1,\"\",\"\",0];"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("\"];var vxsv=[1,"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("var vxsa=[\"];var vxsv=[1,0,1,\"\",\"\",1];"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("var vxpa=new Array(\"QUJD\");var PWDMKK=3;"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("<var vxpa=new Array(\"QUJD\",\"RA==\");var PWDMKK=3;"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("var PWDMKK=;var vxpa=new Array(\"\");"), Status::Malformed);
    EXPECT_EQ(UnlockBytes("var vxpa=new Array(\""), Status::Malformed);
    EXPECT_EQ(UnlockBytes("var vxpa=new Array("), Status::NotProtected);
}

// Windows-1255 and -1258 hold a letter back in case a combining mark
// follows. When the next byte was invalid, its replacement character came
// out before the letter, so the same page read differently depending on
// where a read happened to end.
TEST(FuzzFindings, letterBeforeAnInvalidByteKeepsItsPlace)
{
    EXPECT_EQ(Decode(1258, "\xfc\x9d"), QStringLiteral("\u00fc\ufffd"));
    EXPECT_EQ(Decode(1258, "a\xfc\x9d\xfc"), QStringLiteral("a\u00fc\ufffd\u00fc"));
    EXPECT_EQ(Decode(1255, "\xe0\xff"), QStringLiteral("\u05d0\ufffd"));
    // The mark that does follow still joins its letter.
    EXPECT_EQ(Decode(1258, "a\xcc"), QStringLiteral("\u00e0"));

    CCharsetCodec pieces(1258);
    QString text = pieces.Decode("\xfc");
    text += pieces.Decode("\x9d");
    text += pieces.Finish();
    EXPECT_EQ(text, Decode(1258, "\xfc\x9d"));
}

// A list whose first entry starts with U+FEFF is written as UTF-8 after a
// byte order mark; reading it took off the mark and then, decoding, the
// entry's own U+FEFF as a second mark, so the entry changed (or, alone on
// its line, was lost) on the way back.
TEST(FuzzFindings, listEntryStartingWithAByteOrderMarkSurvivesARoundTrip)
{
    for (const QStringList& lines : {QStringList{QStringLiteral("\ufeff")},
                                     QStringList{QStringLiteral("\ufeffa.html"), QStringLiteral("b.html")}}) {
        EXPECT_EQ(CListFile::Parse(CListFile::Encode(lines)), lines);
    }
    EXPECT_EQ(CListFile::Parse("\n\xef\xbb\xbf"), QStringList{QStringLiteral("\ufeff")});
    // A mark in front of the file is still only a mark.
    EXPECT_EQ(CListFile::Parse("\xef\xbb\xbf\xc3\xa9.html\r\n"), QStringList{QStringLiteral("\u00e9.html")});
}
