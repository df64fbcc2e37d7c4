#include "engine/AssetFormat.h"

#include "engine/StrongCrypto.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

namespace AssetFormat {

namespace {

void AppendU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QByteArray Magic()
{
    return QByteArray("\x89WLKA\r\n\x1a", kMagicSize);
}

QByteArray Header::Bytes() const
{
    QByteArray out = Magic();
    out.append(char(version));
    out.append(char(flags));
    out.append(nonce);
    AppendU32(out, count);
    return out;
}

bool Header::Parse(const QByteArray& bytes, qint64 fileSize, Header& header, QString* error)
{
    const auto fail = [error](const char* text) {
        if (error) {
            *error = QString::fromLatin1(text);
        }
        return false;
    };
    if (bytes.size() < kHeaderSize || !bytes.startsWith(Magic())) {
        return fail("Not an enciphered site file");
    }
    header.version = quint8(bytes.at(kMagicSize));
    header.flags = quint8(bytes.at(kMagicSize + 1));
    header.nonce = bytes.mid(kMagicSize + 2, StrongCrypto::kNonceSize);
    header.count = qFromBigEndian<quint32>(bytes.constData() + kHeaderSize - 4);
    if (header.version != kVersion) {
        return fail("Unknown version of an enciphered site file");
    }
    if ((header.flags & ~kFlagDeflated) != 0) {
        return fail("Unknown flags in an enciphered site file");
    }
    if (header.count == 0) {
        return fail("An enciphered site file without chunks");
    }
    // Every chunk but the last is full; the last holds 1 to kChunkSize
    // bytes, or none when it is the only one.
    const qint64 tag = kSealedChunkSize - kChunkSize;
    const qint64 lastSealed = fileSize - ChunkOffset(header.count - 1);
    const qint64 minLast = header.count == 1 ? tag : tag + 1;
    if (lastSealed < minLast || lastSealed > kSealedChunkSize) {
        return fail("The chunk count of an enciphered site file does not fit its size");
    }
    return true;
}

bool LooksLikeAsset(const QByteArray& head)
{
    return head.startsWith(Magic());
}

bool ShouldDeflate(const QString& path)
{
    static const QSet<QString> textTypes = {
        QStringLiteral("html"), QStringLiteral("htm"), QStringLiteral("xhtml"), QStringLiteral("js"),
        QStringLiteral("mjs"),  QStringLiteral("cjs"), QStringLiteral("css"),   QStringLiteral("json"),
        QStringLiteral("svg"),  QStringLiteral("txt"), QStringLiteral("xml"),   QStringLiteral("map"),
        QStringLiteral("wasm"), QStringLiteral("md"),  QStringLiteral("rst"),   QStringLiteral("csv"),
    };
    return textTypes.contains(QFileInfo(path).suffix().toLower());
}

QByteArray SitePathBytes(const QString& relativePath)
{
    QString path = relativePath;
    while (path.startsWith(QLatin1Char('/'))) {
        path.remove(0, 1);
    }
    return QFile::encodeName(path);
}

QByteArray AssetKey(const QByteArray& contentKey, const QByteArray& nonce)
{
    return StrongCrypto::Hkdf(contentKey, nonce, kAssetKeyLabel, StrongCrypto::kKeySize);
}

QByteArray ChunkAad(const QByteArray& boundHeader, const QByteArray& sitePath, quint32 index, bool last)
{
    QByteArray aad;
    aad.reserve(boundHeader.size() + sitePath.size() + 9);
    aad.append(boundHeader);
    AppendU32(aad, quint32(sitePath.size()));
    aad.append(sitePath);
    AppendU32(aad, index);
    aad.append(char(last ? 1 : 0));
    return aad;
}

} // namespace AssetFormat
