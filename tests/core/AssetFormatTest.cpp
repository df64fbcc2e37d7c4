#include "engine/AssetFormat.h"

#include "TestConfig.h"
#include "engine/AssetReader.h"
#include "engine/AssetWriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace AF = AssetFormat;

namespace {

struct Vectors
{
    QByteArray contentKey;
    QJsonArray cases;
};

// The shared vectors, written by a second implementation (Node's crypto
// and zlib); the login script's tests read the same file.
const Vectors& LoadVectors()
{
    static const Vectors vectors = [] {
        Vectors v;
        QFile file(QStringLiteral(WENDLOCK_SOURCE_DIR "/tests/vectors/asset-vectors.json"));
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
            v.contentKey =
                QByteArray::fromHex(root.value(QStringLiteral("contentKey")).toString().toLatin1());
            v.cases = root.value(QStringLiteral("cases")).toArray();
        }
        return v;
    }();
    return vectors;
}

// Opens `file` as the asset at `path`; the SHA-256 of what came out, or an
// empty array with `error` set.
QByteArray OpenAll(const QByteArray& key, const QString& path, const QByteArray& file, QString& error)
{
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    CAssetReader reader(key, path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!reader.Open(in, error) || !reader.ReadAll(
                                       [&hash](const char* data, qsizetype size) {
                                           hash.addData(QByteArrayView(data, size));
                                           return true;
                                       },
                                       error)) {
        return QByteArray();
    }
    return hash.result();
}

QByteArray Encipher(const QByteArray& key, const QString& path, const QByteArray& plain, bool deflate,
                    const QByteArray& nonce = QByteArray())
{
    QBuffer in;
    in.setData(plain);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    QString error;
    EXPECT_TRUE(CAssetWriter(key).Write(in, out, path, deflate, error, nonce)) << qPrintable(error);
    return out.data();
}

} // namespace

// Every good vector opens to its file, every bad one (swapped path, cut,
// reordered, wrong version, dropped last flag, a chunk of another file,
// a broken deflate stream...) is refused; the writer gives the same bytes
// as the second implementation for stored files, and files the reader
// opens for deflated ones.
TEST(AssetFormat, sharedVectors_openOrAreRefused)
{
    const Vectors& v = LoadVectors();
    ASSERT_GE(v.cases.size(), 20) << "tests/vectors/asset-vectors.json is missing or empty";
    int valid = 0;
    int refused = 0;
    for (const QJsonValue& value : v.cases) {
        const QJsonObject c = value.toObject();
        const QString name = c.value(QStringLiteral("name")).toString();
        const QString path = c.value(QStringLiteral("path")).toString();
        const QByteArray file = QByteArray::fromBase64(c.value(QStringLiteral("file")).toString().toLatin1());
        QString error;
        const QByteArray digest = OpenAll(v.contentKey, path, file, error);
        if (!c.value(QStringLiteral("valid")).toBool()) {
            EXPECT_TRUE(digest.isEmpty()) << "accepted: " << qPrintable(name);
            EXPECT_FALSE(error.isEmpty()) << qPrintable(name);
            ++refused;
            continue;
        }
        ++valid;
        EXPECT_EQ(digest.toHex(), c.value(QStringLiteral("plainSha256")).toString().toLatin1())
            << qPrintable(name) << ": " << qPrintable(error);
        if (!c.value(QStringLiteral("deflated")).toBool()) {
            // Same nonce, same bytes: the header, the AAD and the chunking
            // agree with the other implementation bit for bit.
            QBuffer in;
            in.setData(file);
            in.open(QIODevice::ReadOnly);
            CAssetReader reader(v.contentKey, path);
            ASSERT_TRUE(reader.Open(in, error));
            QByteArray plain;
            reader.ReadAll(
                [&plain](const char* data, qsizetype size) {
                    plain.append(data, size);
                    return true;
                },
                error);
            EXPECT_EQ(reader.PlainSize(), plain.size()) << qPrintable(name);
            EXPECT_EQ(Encipher(v.contentKey, path, plain, false, reader.Header().nonce), file)
                << qPrintable(name);
        }
        // Opened under any other key it is refused.
        QByteArray otherKey = v.contentKey;
        otherKey[0] = char(otherKey.at(0) ^ 1);
        EXPECT_TRUE(OpenAll(otherKey, path, file, error).isEmpty()) << qPrintable(name);
    }
    EXPECT_GE(valid, 8);
    EXPECT_GE(refused, 12);
}

// Files around the chunk size and a large text round-trip through writer
// and reader; a byte range of a stored file is served from the chunks that
// hold it alone.
TEST(AssetFormat, roundTripAndRanges)
{
    const QByteArray key = QByteArray(32, '\x5a');
    QRandomGenerator random(7);
    for (const qint64 size : {qint64(0), qint64(1), AF::kChunkSize - 1, AF::kChunkSize, AF::kChunkSize + 1,
                              5 * AF::kChunkSize + 123}) {
        QByteArray plain(qsizetype(size), Qt::Uninitialized);
        for (char& c : plain) {
            c = char(random.bounded(256));
        }
        for (const bool deflate : {false, true}) {
            const QByteArray file = Encipher(key, QStringLiteral("a/b.bin"), plain, deflate);
            QString error;
            EXPECT_EQ(OpenAll(key, QStringLiteral("a/b.bin"), file, error),
                      QCryptographicHash::hash(plain, QCryptographicHash::Sha256))
                << size << (deflate ? " deflated: " : " stored: ") << qPrintable(error);
            EXPECT_TRUE(OpenAll(key, QStringLiteral("a/c.bin"), file, error).isEmpty());
        }
        if (size < 3 * AF::kChunkSize) {
            continue;
        }
        // The middle of a stored file: only the chunks of the range are read.
        const QByteArray file = Encipher(key, QStringLiteral("v.mp4"), plain, false);
        QBuffer in;
        in.setData(file);
        in.open(QIODevice::ReadOnly);
        CAssetReader reader(key, QStringLiteral("v.mp4"));
        QString error;
        ASSERT_TRUE(reader.Open(in, error));
        EXPECT_EQ(reader.PlainSize(), size);
        const qint64 first = size / 2 - 10;
        const qint64 last = size / 2 + 10;
        QByteArray range;
        for (quint32 i = AF::ChunkOf(first); i <= AF::ChunkOf(last); ++i) {
            QByteArray chunk;
            ASSERT_TRUE(reader.ReadChunk(i, chunk, error)) << qPrintable(error);
            range.append(chunk);
        }
        EXPECT_LE(AF::ChunkOf(last) - AF::ChunkOf(first), 1u);
        const qint64 base = qint64(AF::ChunkOf(first)) * AF::kChunkSize;
        EXPECT_EQ(range.mid(qsizetype(first - base), qsizetype(last - first + 1)),
                  plain.mid(qsizetype(first), qsizetype(last - first + 1)));
    }
    // Text deflates: a page of repeated text shrinks several times over.
    const QByteArray text =
        QByteArray("<p>The quick brown fox jumps over the lazy dog.</p>\n").repeated(5000);
    EXPECT_LT(Encipher(key, QStringLiteral("i.html"), text, true).size(), text.size() / 5);
    EXPECT_TRUE(AF::ShouldDeflate(QStringLiteral("search/searchindex.JSON")));
    EXPECT_FALSE(AF::ShouldDeflate(QStringLiteral("img/photo.jpg")));
    EXPECT_FALSE(AF::ShouldDeflate(QStringLiteral("pages.html.gz")));
}
