#include "engine/AssetWriter.h"

#include "engine/AssetFormat.h"
#include "engine/StrongCrypto.h"

#include <QIODevice>
#include <zlib.h>

namespace AF = AssetFormat;
namespace SC = StrongCrypto;

namespace {

// Seals plaintext into chunks of AF::kChunkSize as it comes; the last chunk
// is only known at the end, so a full one is kept back until more follows.
class CAssetChunker
{
public:
    CAssetChunker(const QByteArray& key, const QByteArray& boundHeader, const QByteArray& sitePath,
                  QIODevice& out)
        : m_key(key), m_boundHeader(boundHeader), m_sitePath(sitePath), m_out(out)
    {
    }

    bool Add(const char* data, qsizetype size)
    {
        m_pending.append(data, size);
        qsizetype used = 0;
        while (m_ok && m_pending.size() - used > AF::kChunkSize) {
            Seal(m_pending.constData() + used, AF::kChunkSize, false);
            used += AF::kChunkSize;
        }
        m_pending.remove(0, used);
        return m_ok;
    }
    bool Finish()
    {
        if (m_ok) {
            Seal(m_pending.constData(), m_pending.size(), true);
        }
        return m_ok;
    }
    quint32 Count() const { return m_index; }

private:
    void Seal(const char* data, qsizetype size, bool last)
    {
        m_ok = SC::Seal(m_key, SC::ChunkIv(m_index), AF::ChunkAad(m_boundHeader, m_sitePath, m_index, last),
                        data, size, m_sealed) &&
               m_out.write(m_sealed) == m_sealed.size();
        ++m_index;
    }

    const QByteArray& m_key;
    const QByteArray& m_boundHeader;
    const QByteArray& m_sitePath;
    QIODevice& m_out;
    QByteArray m_pending;
    QByteArray m_sealed;
    quint32 m_index = 0;
    bool m_ok = true;
};

struct DeflateStream
{
    z_stream zs{};
    bool init = false;
    ~DeflateStream()
    {
        if (init) {
            deflateEnd(&zs);
        }
    }
};

} // namespace

CAssetWriter::CAssetWriter(const QByteArray& contentKey) : m_contentKey(contentKey) {}

bool CAssetWriter::Write(QIODevice& in, QIODevice& out, const QString& sitePath, bool deflate, QString& error,
                         const QByteArray& nonce)
{
    return Write([&in](char* data, qint64 size) { return in.read(data, size); }, out, sitePath, deflate,
                 error, nonce);
}

bool CAssetWriter::Write(const Source& in, QIODevice& out, const QString& sitePath, bool deflate,
                         QString& error, const QByteArray& nonce)
{
    AF::Header header;
    header.flags = deflate ? AF::kFlagDeflated : 0;
    header.nonce = nonce.isEmpty() ? SC::RandomBytes(SC::kNonceSize) : nonce;
    const QByteArray key =
        header.nonce.size() == SC::kNonceSize ? AF::AssetKey(m_contentKey, header.nonce) : QByteArray();
    if (key.isEmpty()) {
        error = QStringLiteral("Encryption failure!");
        return false;
    }
    const QByteArray boundHeader = header.BoundBytes();
    const QByteArray path = AF::SitePathBytes(sitePath);
    // The count is not known yet: the header is written again at the end.
    if (out.write(header.Bytes()) != AF::kHeaderSize) {
        error = QStringLiteral("Create file failure!");
        return false;
    }
    CAssetChunker chunker(key, boundHeader, path, out);
    DeflateStream deflater;
    if (deflate) {
        // Level 1, as for pages: text still shrinks several times over at
        // close to the speed of copying.
        deflater.init = deflateInit2(&deflater.zs, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        if (!deflater.init) {
            error = QStringLiteral("Encryption failure!");
            return false;
        }
    }
    QByteArray block(256 * 1024, Qt::Uninitialized);
    QByteArray compressed(256 * 1024, Qt::Uninitialized);
    bool ok = true;
    for (bool finished = false; ok && !finished;) {
        const qint64 got = in(block.data(), block.size());
        if (got < 0) {
            error = QStringLiteral("Open file failure!");
            return false;
        }
        finished = got == 0;
        if (!deflate) {
            ok = chunker.Add(block.constData(), qsizetype(got));
            continue;
        }
        deflater.zs.next_in = reinterpret_cast<Bytef*>(block.data());
        deflater.zs.avail_in = uInt(got);
        int status = Z_OK;
        do {
            deflater.zs.next_out = reinterpret_cast<Bytef*>(compressed.data());
            deflater.zs.avail_out = uInt(compressed.size());
            status = ::deflate(&deflater.zs, finished ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            ok = chunker.Add(compressed.constData(), compressed.size() - qsizetype(deflater.zs.avail_out));
        } while (ok && (deflater.zs.avail_out == 0 || (finished && status != Z_STREAM_END)));
    }
    ok = ok && chunker.Finish();
    header.count = chunker.Count();
    if (!ok || !out.seek(0) || out.write(header.Bytes()) != AF::kHeaderSize) {
        error = QStringLiteral("Create file failure!");
        return false;
    }
    return true;
}
