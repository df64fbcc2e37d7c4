#include "engine/StrongPageWriter.h"

#include "common/AsciiText.h"
#include "engine/DeflateAhead.h"
#include "engine/StrongCrypto.h"
#include "engine/StrongSiteKeys.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"

#include <functional>
#include <libdeflate.h>
#include <memory>
#include <zlib.h>

namespace SC = StrongCrypto;

namespace {

constexpr qint64 kReadBlock = 256 * 1024;
// Bytes held back at the end of a block: a CR that may start a CR LF and
// the start of a "</head" that the next block completes.
constexpr qsizetype kHoldBack = 6;

qsizetype FindHeadEnd(const QByteArray& text)
{
    return AsciiText::FindTag(QByteArrayView(text), "</head");
}

struct CompressorFree
{
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Each worker thread keeps one compressor: making one costs more than
// deflating a small page.
libdeflate_compressor* ThreadCompressor()
{
    thread_local const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
        libdeflate_alloc_compressor(CStrongPageWriter::kDeflateLevel));
    return compressor.get();
}

// Deflates a whole text in one piece.
bool DeflateText(const QByteArray& text, QByteArray& deflated)
{
    libdeflate_compressor* compressor = ThreadCompressor();
    if (!compressor) {
        return false;
    }
    deflated.resize(qsizetype(libdeflate_deflate_compress_bound(compressor, size_t(text.size()))));
    const size_t size = libdeflate_deflate_compress(compressor, text.constData(), size_t(text.size()),
                                                    deflated.data(), size_t(deflated.size()));
    deflated.resize(qsizetype(size));
    return size > 0;
}

// Reads a page's text as its data statements carry it: decoded and carried
// as UTF-8 (the UTF-8 row passes the bytes through), CR LF as LF, the
// after-login block in front of the first "</head". `sink` gets the text
// in pieces: the first `ready` bytes of `text` are ready, the rest is kept
// for the next read; `finished` on the last call. A page read in one piece
// comes whole, and the sink may take it over instead of copying it.
bool ReadCarriedText(CTextLineReader& reader, CCharsetCodec& codec, const QByteArray& block,
                     const std::function<bool(QByteArray& text, qsizetype ready, bool finished)>& sink)
{
    const bool passThrough = codec.EncodingName() == QLatin1String("UTF-8");
    bool blockPending = !block.isEmpty();
    QByteArray pending;
    QByteArray raw;
    bool more = true;
    while (more) {
        more = reader.ReadRaw(raw, kReadBlock);
        if (passThrough) {
            pending += more ? raw : QByteArray();
        } else {
            pending += (more ? codec.Decode(raw) : codec.Finish()).toUtf8();
        }
        // Most pages have no CR: a byte search is far cheaper than replace().
        if (pending.contains('\r')) {
            pending.replace("\r\n", "\n");
        }
        if (blockPending) {
            const qsizetype p = FindHeadEnd(pending);
            if (p >= 0) {
                pending.insert(p, block);
                blockPending = false;
            }
        }
        // Nothing held back once the reader has handed out its last byte
        // (a decoder may still add a few at its finish).
        const bool last = !more || (passThrough && reader.AtEnd());
        const qsizetype ready = last ? pending.size() : qMax<qsizetype>(0, pending.size() - kHoldBack);
        if (!sink(pending, ready, !more)) {
            return false;
        }
        pending.remove(0, ready);
    }
    return !reader.HasError();
}

// Gathers a text of up to kWholeText bytes in one piece.
class CWholeText
{
public:
    // False once the text would grow past kWholeText.
    bool Add(QByteArray& text, qsizetype ready)
    {
        if (m_text.isEmpty() && ready == text.size() && ready <= CStrongPageWriter::kWholeText) {
            m_text = std::move(text);
            text = QByteArray();
            return true;
        }
        if (m_text.size() + ready > CStrongPageWriter::kWholeText) {
            return false;
        }
        m_text.append(text.constData(), ready);
        return true;
    }
    QByteArray& Text() { return m_text; }

private:
    QByteArray m_text;
};

// Deflates text and seals the compressed bytes in chunks as they fill;
// the last chunk is only known at the end, so one full chunk is always
// kept back until more follows. Text comes either whole (DeflateWhole) or
// as a stream (Feed), never both.
class CChunkSealer
{
public:
    CChunkSealer(const QByteArray& pageKey, const QByteArray& nonce, CTextFileWriter& out)
        : m_pageKey(pageKey), m_nonce(nonce), m_out(out)
    {
    }
    ~CChunkSealer()
    {
        if (m_bInit) {
            deflateEnd(&m_zs);
        }
    }
    Q_DISABLE_COPY(CChunkSealer)

    bool DeflateWhole(const QByteArray& text)
    {
        if (!m_ok || m_bInit || !DeflateText(text, m_compressed)) {
            return m_ok = false;
        }
        return SealAll();
    }

    // Seals a text deflated earlier, as DeflateWhole would have.
    bool SealDeflated(const QByteArray& deflated)
    {
        if (!m_ok || m_bInit) {
            return m_ok = false;
        }
        m_compressed = deflated;
        return SealAll();
    }

    bool Feed(const char* data, qsizetype size, bool finish)
    {
        if (m_ok && !m_bInit) {
            m_bInit = deflateInit2(&m_zs, CStrongPageWriter::kDeflateLevel, Z_DEFLATED, -15, 8,
                                   Z_DEFAULT_STRATEGY) == Z_OK;
            m_ok = m_bInit;
        }
        if (!m_ok) {
            return false;
        }
        m_zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_zs.avail_in = uInt(size);
        int status = Z_OK;
        do {
            const qsizetype start = m_compressed.size();
            m_compressed.resize(start + 64 * 1024);
            m_zs.next_out = reinterpret_cast<Bytef*>(m_compressed.data() + start);
            m_zs.avail_out = 64 * 1024;
            status = deflate(&m_zs, finish ? Z_FINISH : Z_NO_FLUSH);
            m_compressed.resize(m_compressed.size() - qsizetype(m_zs.avail_out));
            if (status == Z_STREAM_ERROR) {
                return m_ok = false;
            }
            while (m_compressed.size() - m_consumed > CStrongPageWriter::kChunkSize) {
                SealNext(CStrongPageWriter::kChunkSize, false);
            }
            Compact();
        } while (m_zs.avail_in > 0 || (finish && status != Z_STREAM_END) || (!finish && m_zs.avail_out == 0));
        if (finish) {
            SealNext(m_compressed.size() - m_consumed, true);
        }
        return m_ok;
    }

    quint32 Count() const { return m_index; }

private:
    bool SealAll()
    {
        while (m_ok && m_compressed.size() - m_consumed > CStrongPageWriter::kChunkSize) {
            SealNext(CStrongPageWriter::kChunkSize, false);
        }
        if (m_ok) {
            SealNext(m_compressed.size() - m_consumed, true);
        }
        return m_ok;
    }
    void SealNext(qsizetype size, bool last)
    {
        if (!SC::Seal(m_pageKey, SC::ChunkIv(m_index), SC::ChunkAad(m_nonce, m_index, last),
                      m_compressed.constData() + m_consumed, size, m_sealed)) {
            m_ok = false;
            return;
        }
        m_out.Write(m_index == 0 ? "\"" : "\",\"");
        m_out.WriteBase64(m_sealed.constData(), m_sealed.size());
        m_consumed += size;
        ++m_index;
    }
    void Compact()
    {
        if (m_consumed > 0) {
            m_compressed.remove(0, m_consumed);
            m_consumed = 0;
        }
    }

    const QByteArray& m_pageKey;
    const QByteArray& m_nonce;
    CTextFileWriter& m_out;
    z_stream m_zs{};
    QByteArray m_compressed;
    QByteArray m_sealed;
    qsizetype m_consumed = 0;
    quint32 m_index = 0;
    bool m_ok = true;
    bool m_bInit = false;
};

} // namespace

CStrongPageWriter::CStrongPageWriter(const CStrongSiteKeys& keys) : m_keys(keys) {}

bool CStrongPageWriter::WriteData(CTextLineReader& reader, CCharsetCodec& codec,
                                  const QString& afterLoginBlock, CTextFileWriter& out, QString& error)
{
    const QByteArray nonce = SC::RandomNonce();
    const QByteArray pageKey = nonce.isEmpty() ? QByteArray() : SC::PageKey(m_keys.ContentKey(), nonce);
    if (pageKey.isEmpty()) {
        error = QStringLiteral("Encryption failure!");
        return false;
    }
    out.Write("var vxsa=[");
    CChunkSealer sealer(pageKey, nonce, out);
    // The text while it fits in one piece; past that it streams.
    CWholeText whole;
    bool streaming = false;
    const auto sink = [&](QByteArray& text, qsizetype ready, bool finished) {
        if (!streaming && whole.Add(text, ready)) {
            return true;
        }
        if (!streaming) {
            streaming = true;
            if (!sealer.Feed(whole.Text().constData(), whole.Text().size(), false)) {
                return false;
            }
            whole.Text() = QByteArray();
        }
        return sealer.Feed(text.constData(), ready, finished);
    };
    if (!ReadCarriedText(reader, codec, afterLoginBlock.toUtf8(), sink)) {
        error =
            reader.HasError() ? QStringLiteral("Open file failure!") : QStringLiteral("Encryption failure!");
        return false;
    }
    QByteArray deflated;
    if (!streaming && !(m_pAhead && m_pAhead->Take(m_strPath, whole.Text(), deflated)
                            ? sealer.SealDeflated(deflated)
                            : sealer.DeflateWhole(whole.Text()))) {
        error = QStringLiteral("Encryption failure!");
        return false;
    }
    out.Write("\"];");
    // A list of users adds the run's value its lookup ids depend on.
    const QByteArray run = m_keys.Run().isEmpty() ? QByteArray() : ",\"" + m_keys.Run().toBase64() + '"';
    out.Write(QByteArrayLiteral("var vxsv=[1,") + QByteArray::number(m_keys.Mode()) + ',' +
              QByteArray::number(m_keys.Iterations()) + ",\"" + m_keys.Salt().toBase64() + "\",\"" +
              nonce.toBase64() + "\"," + QByteArray::number(sealer.Count()) + run + "];");
    if (m_keys.Mode() == 0) {
        const QByteArray check =
            SC::Hkdf(m_keys.ContentKey(), m_keys.Salt(), SC::kKeyCheckLabel, SC::kKeyCheckSize);
        out.Write("var vxsc=\"" + check.toBase64() + "\";");
    }
    if (m_keys.Mode() == 1) {
        out.Write("var vxsk=[");
        const QList<QByteArray>& entries = m_keys.Entries();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            out.Write(i == 0 ? "\"" : "\",\"");
            out.Write(entries.at(i));
        }
        out.Write(entries.isEmpty() ? "];" : "\"];");
    }
    return true;
}

bool CStrongPageWriter::DeflateAhead(const QString& path, CTextLineReader& reader, CCharsetCodec& codec,
                                     const QString& afterLoginBlock, CDeflateAhead& ahead)
{
    CWholeText whole;
    const auto sink = [&whole](QByteArray& text, qsizetype ready, bool) { return whole.Add(text, ready); };
    QByteArray deflated;
    return ReadCarriedText(reader, codec, afterLoginBlock.toUtf8(), sink) &&
           DeflateText(whole.Text(), deflated) && ahead.Put(path, whole.Text(), deflated);
}

bool CStrongPageWriter::OpenContent(const QList<QByteArray>& chunks, const QByteArray& contentKey,
                                    const QByteArray& nonce,
                                    const std::function<bool(const QByteArray&)>& sink)
{
    const QByteArray pageKey = SC::PageKey(contentKey, nonce);
    if (pageKey.isEmpty() || chunks.isEmpty()) {
        return false;
    }
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK) {
        return false;
    }
    bool ok = true;
    int status = Z_OK;
    QByteArray plain;
    QByteArray text(256 * 1024, '\0');
    for (qsizetype i = 0; ok && i < chunks.size(); ++i) {
        const bool last = i + 1 == chunks.size();
        if (!SC::Open(pageKey, SC::ChunkIv(quint32(i)), SC::ChunkAad(nonce, quint32(i), last),
                      QByteArray::fromBase64(chunks.at(i)), plain)) {
            ok = false;
            break;
        }
        zs.next_in = reinterpret_cast<Bytef*>(plain.data());
        zs.avail_in = uInt(plain.size());
        do {
            zs.next_out = reinterpret_cast<Bytef*>(text.data());
            zs.avail_out = uInt(text.size());
            status = inflate(&zs, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
                ok = false;
                break;
            }
            const qsizetype produced = text.size() - qsizetype(zs.avail_out);
            if (produced > 0 && !sink(text.first(produced))) {
                ok = false;
                break;
            }
        } while (zs.avail_out == 0 && status != Z_STREAM_END);
    }
    inflateEnd(&zs);
    return ok && status == Z_STREAM_END;
}
