#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The layout of an enciphered site file (an "asset": anything under the
// site root that is not a listed page), written down in
// docs/strong-format.md. An asset is a 30-byte header followed by
// AES-256-GCM chunks of a fixed plaintext size, so that a byte range of a
// stored file maps to the chunks that hold it.
namespace AssetFormat {

constexpr int kMagicSize = 8;
constexpr int kHeaderSize = 30;
constexpr quint8 kVersion = 1;
// Flag bit: the chunks carry one raw deflate stream, not the file's bytes.
constexpr quint8 kFlagDeflated = 0x01;
// Plaintext bytes of every chunk but the last (compressed bytes when
// deflated).
constexpr qint64 kChunkSize = 64 * 1024;
constexpr qint64 kSealedChunkSize = kChunkSize + 16;
inline constexpr char kAssetKeyLabel[] = "wendlock v1 asset key";

// The eight bytes every asset starts with. A binary first byte and a line
// end inside mean that no text file starts this way and that a transfer
// that changes line ends is noticed.
QByteArray Magic();

struct Header
{
    quint8 version = kVersion;
    quint8 flags = 0;
    QByteArray nonce; // 16 bytes
    quint32 count = 0;

    bool Deflated() const { return (flags & kFlagDeflated) != 0; }
    QByteArray Bytes() const;
    // The header without its chunk count: what every chunk's AAD starts
    // with. The count is known only once a deflated file has been read
    // through; the last flag and the file's size bind it instead.
    QByteArray BoundBytes() const { return Bytes().first(kHeaderSize - 4); }
    // Reads the header of a file of `fileSize` bytes; false with `error` set
    // when the header is not one this version writes or its chunk count
    // does not fit the file's size.
    static bool Parse(const QByteArray& bytes, qint64 fileSize, Header& header, QString* error = nullptr);
};

// Whether `head` (the first bytes of a file) starts like an asset.
bool LooksLikeAsset(const QByteArray& head);

// Text types are deflated first; everything else (images, fonts, archives,
// media, files of unknown type) is stored as it is, so ranges can be read.
bool ShouldDeflate(const QString& path);

// The file's path below the site root as it is bound into every chunk:
// components joined by '/', no leading '/', the file system's bytes.
QByteArray SitePathBytes(const QString& relativePath);

QByteArray AssetKey(const QByteArray& contentKey, const QByteArray& nonce);
QByteArray ChunkAad(const QByteArray& boundHeader, const QByteArray& sitePath, quint32 index, bool last);

// Where chunk `index` starts in the file.
inline qint64 ChunkOffset(quint32 index)
{
    return kHeaderSize + qint64(index) * kSealedChunkSize;
}
// The plaintext size of a stored asset of `fileSize` bytes and `count` chunks.
inline qint64 StoredPlainSize(qint64 fileSize, quint32 count)
{
    return fileSize - kHeaderSize - qint64(count) * (kSealedChunkSize - kChunkSize);
}
// The chunks that hold the plaintext bytes first..last (inclusive) of a
// stored asset.
inline quint32 ChunkOf(qint64 plainOffset)
{
    return quint32(plainOffset / kChunkSize);
}

} // namespace AssetFormat
