#include "engine/TextLineReader.h"

namespace {
constexpr qint64 kBufferSize = 256 * 1024;
}

CTextLineReader::CTextLineReader(const QString& path)
    : m_file(path)
{
}

bool CTextLineReader::Open()
{
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
    const qint64 n = m_file.read(m_buffer.data() + oldSize, kBufferSize);
    if (n < 0) {
        m_bError = true;
        m_buffer.resize(oldSize);
        return false;
    }
    m_buffer.resize(oldSize + n);
    if (n == 0) {
        m_bEof = true;
        return false;
    }
    return true;
}

bool CTextLineReader::ReadLine(QByteArray& line)
{
    line.clear();
    while (line.size() < kMaxPiece) {
        // A CR at the end of the buffer needs the next byte to decide.
        if (m_buffer.size() - m_pos < 2 && !m_bEof) {
            Fill();
            if (m_bError) {
                return false;
            }
        }
        if (m_pos >= m_buffer.size()) {
            break;
        }
        const char c = m_buffer.at(m_pos);
        if (c == '\r' && m_pos + 1 < m_buffer.size() && m_buffer.at(m_pos + 1) == '\n') {
            m_pos += 2;
            line.append('\n');
            return true;
        }
        ++m_pos;
        line.append(c);
        if (c == '\n') {
            return true;
        }
    }
    return !line.isEmpty();
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
