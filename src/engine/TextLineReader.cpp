#include "engine/TextLineReader.h"

#include "engine/PageSnapshot.h"

#include <cstring>

namespace {
constexpr qint64 kBufferSize = 256 * 1024;
}

CTextLineReader::CTextLineReader(const QString& path) : m_file(path) {}

CTextLineReader::CTextLineReader(const QString& path, const QByteArray* contents)
    : m_file(path), m_pContents(contents)
{
}

CTextLineReader::CTextLineReader(const CPageSnapshot& page) : m_pContents(page.Contents())
{
    if (!m_pContents) {
        m_pPage = &page;
    }
}

bool CTextLineReader::Open()
{
    if (m_pPage) {
        m_nOffset = 0;
        return m_pPage->IsRegular();
    }
    if (m_pContents) {
        m_buffer = *m_pContents;
        m_bEof = true;
        return true;
    }
    return m_file.open(QIODevice::ReadOnly);
}

bool CTextLineReader::Fill()
{
    if (m_bEof || m_bError) {
        return false;
    }
    // Keep the unread tail, then append a fresh block.
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const auto oldSize = m_buffer.size();
    m_buffer.resize(oldSize + kBufferSize);
    const qint64 n = m_pPage ? m_pPage->ReadAt(m_nOffset, m_buffer.data() + oldSize, kBufferSize)
                             : m_file.read(m_buffer.data() + oldSize, kBufferSize);
    if (n < 0) {
        m_bError = true;
        m_buffer.resize(oldSize);
        return false;
    }
    m_buffer.resize(oldSize + n);
    m_nOffset += n;
    if (n == 0) {
        m_bEof = true;
        return false;
    }
    return true;
}

bool CTextLineReader::ReadLine(QByteArray& line)
{
    line.clear();
    // Enough bytes to see a whole piece and the LF of a CR LF that ends it.
    if (m_buffer.size() - m_pos <= kMaxPiece + 1 && !m_bEof) {
        Fill();
        if (m_bError) {
            return false;
        }
    }
    const qsizetype available = m_buffer.size() - m_pos;
    if (available <= 0) {
        return false;
    }
    const char* begin = m_buffer.constData() + m_pos;
    const qsizetype window = qMin<qsizetype>(available, kMaxPiece + 1);
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', size_t(window)));
    if (lf) {
        const qsizetype k = lf - begin;
        const bool crlf = k > 0 && begin[k - 1] == '\r';
        const qsizetype translated = crlf ? k : k + 1;
        if (translated <= kMaxPiece) {
            line.reserve(translated);
            line.append(begin, translated - 1);
            line.append('\n');
            m_pos += k + 1;
            return true;
        }
    }
    // No line end within reach: a full piece (or the rest of the file).
    const qsizetype n = qMin<qsizetype>(available, kMaxPiece);
    line.append(begin, n);
    m_pos += n;
    return true;
}

bool CTextLineReader::ReadRaw(QByteArray& chunk, qint64 maxSize)
{
    chunk.clear();
    if (m_pos >= m_buffer.size() && !Fill()) {
        return false;
    }
    const qint64 n = qMin<qint64>(maxSize, m_buffer.size() - m_pos);
    chunk = m_buffer.mid(m_pos, n);
    m_pos += n;
    return true;
}
