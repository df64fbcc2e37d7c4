#include "engine/AssetReader.h"

#include "engine/StrongCrypto.h"

#include <QIODevice>
#include <zlib.h>

namespace AF = AssetFormat;
namespace SC = StrongCrypto;

namespace {

struct InflateStream
{
    z_stream zs{};
    bool init = false;
    ~InflateStream()
    {
        if (init) {
            inflateEnd(&zs);
        }
    }
};

} // namespace

CAssetReader::CAssetReader(const QByteArray& contentKey, const QString& sitePath)
    : m_contentKey(contentKey), m_sitePath(AF::SitePathBytes(sitePath))
{
}

bool CAssetReader::Open(QIODevice& in, QString& error)
{
    m_pIn = &in;
    m_fileSize = in.size();
    if (!in.seek(0)) {
        error = QStringLiteral("Open file failure!");
        return false;
    }
    const QByteArray head = in.read(AF::kHeaderSize);
    if (!AF::Header::Parse(head, m_fileSize, m_header, &error)) {
        return false;
    }
    m_boundHeader = m_header.BoundBytes();
    m_key = AF::AssetKey(m_contentKey, m_header.nonce);
    if (m_key.isEmpty()) {
        error = QStringLiteral("Encryption failure!");
        return false;
    }
    return true;
}

qint64 CAssetReader::PlainSize() const
{
    return m_header.Deflated() ? -1 : AF::StoredPlainSize(m_fileSize, m_header.count);
}

bool CAssetReader::ReadChunk(quint32 index, QByteArray& plain, QString& error)
{
    if (!m_pIn || index >= m_header.count) {
        error = QStringLiteral("No such chunk");
        return false;
    }
    const qint64 offset = AF::ChunkOffset(index);
    const qint64 size = qMin(AF::kSealedChunkSize, m_fileSize - offset);
    m_sealed.resize(qsizetype(size));
    if (!m_pIn->seek(offset) || m_pIn->read(m_sealed.data(), size) != size) {
        error = QStringLiteral("Open file failure!");
        return false;
    }
    const bool last = index + 1 == m_header.count;
    if (!SC::Open(m_key, SC::ChunkIv(index), AF::ChunkAad(m_boundHeader, m_sitePath, index, last), m_sealed,
                  plain)) {
        error = QStringLiteral("Wrong key, or the file was changed, cut or moved");
        return false;
    }
    return true;
}

bool CAssetReader::ReadAll(const std::function<bool(const char*, qsizetype)>& sink, QString& error)
{
    InflateStream inflater;
    if (m_header.Deflated()) {
        inflater.init = inflateInit2(&inflater.zs, -15) == Z_OK;
        if (!inflater.init) {
            error = QStringLiteral("Decompression failure");
            return false;
        }
    }
    QByteArray plain;
    QByteArray inflated(256 * 1024, Qt::Uninitialized);
    int status = Z_OK;
    for (quint32 i = 0; i < m_header.count; ++i) {
        if (!ReadChunk(i, plain, error)) {
            return false;
        }
        if (!m_header.Deflated()) {
            if (!sink(plain.constData(), plain.size())) {
                error = QStringLiteral("Write failure");
                return false;
            }
            continue;
        }
        inflater.zs.next_in = reinterpret_cast<Bytef*>(plain.data());
        inflater.zs.avail_in = uInt(plain.size());
        // Output may still be pending when the input is used up but the
        // buffer came back full.
        bool full = false;
        while ((inflater.zs.avail_in > 0 || full) && status != Z_STREAM_END) {
            inflater.zs.next_out = reinterpret_cast<Bytef*>(inflated.data());
            inflater.zs.avail_out = uInt(inflated.size());
            status = inflate(&inflater.zs, Z_NO_FLUSH);
            if (status == Z_BUF_ERROR) {
                break; // no progress possible: more input is needed
            }
            if (status != Z_OK && status != Z_STREAM_END) {
                error = QStringLiteral("Decompression failure");
                return false;
            }
            full = inflater.zs.avail_out == 0;
            const qsizetype produced = inflated.size() - qsizetype(inflater.zs.avail_out);
            if (produced > 0 && !sink(inflated.constData(), produced)) {
                error = QStringLiteral("Write failure");
                return false;
            }
        }
        // The stream must end exactly with the last chunk.
        if ((status == Z_STREAM_END) != (i + 1 == m_header.count) || inflater.zs.avail_in != 0) {
            error = QStringLiteral("Decompression failure");
            return false;
        }
    }
    return true;
}
