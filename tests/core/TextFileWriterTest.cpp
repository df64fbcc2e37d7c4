#include "engine/TextFileWriter.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Text, converted text and Base64 pieces of every small length, mixed and
// past the flush size, come out in order: text with CR LF, converted text
// as it is, Base64 as Qt encodes it.
TEST(TextFileWriter, piecesComeOutInOrderWithLineEndsAndBase64)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("page.html"));
    CTextFileWriter out(path);
    ASSERT_TRUE(out.Open());
    QRandomGenerator random(7);
    QByteArray expected;
    for (int round = 0; round < 40; ++round) {
        for (qsizetype n = 0; n < 70; ++n) {
            QByteArray bytes(n, Qt::Uninitialized);
            for (char& c : bytes) {
                c = char(random.bounded(256));
            }
            out.WriteBase64(bytes.constData(), bytes.size());
            expected += bytes.toBase64();
            out.Write("a\nb");
            expected += "a\r\nb";
            out.WriteConverted("c\r\n");
            expected += "c\r\n";
        }
    }
    const QByteArray big(300 * 1024, '\xfb');
    out.WriteBase64(big.constData(), big.size());
    expected += big.toBase64();
    ASSERT_TRUE(out.Commit());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected);
}
