#include "engine/TextFileWriter.h"

#include <array>
#include <cstring>

namespace {
constexpr qsizetype kFlushSize = 256 * 1024;
}

CTextFileWriter::CTextFileWriter(const QString& path) : m_file(path) {}

bool CTextFileWriter::Open(mode_t mode)
{
    m_buffer.reserve(kFlushSize * 3);
    return m_file.Open(mode);
}

void CTextFileWriter::Write(const QByteArray& bytes)
{
    if (m_bError) {
        return;
    }
    // Worst case every byte is a LF that becomes two; the buffer grows by
    // that much once and is filled through a pointer.
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + 2 * bytes.size());
    char* const begin = m_buffer.data() + start;
    char* o = begin;
    const char* in = bytes.constData();
    const char* const end = in + bytes.size();
    while (in < end) {
        const auto* lf = static_cast<const char*>(std::memchr(in, '\n', size_t(end - in)));
        const char* stop = lf ? lf : end;
        std::memcpy(o, in, size_t(stop - in));
        o += stop - in;
        if (!lf) {
            break;
        }
        *o++ = '\r';
        *o++ = '\n';
        in = lf + 1;
    }
    m_buffer.truncate(start + (o - begin));
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void CTextFileWriter::WriteConverted(const QByteArray& bytes)
{
    if (m_bError) {
        return;
    }
    m_buffer.append(bytes);
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void CTextFileWriter::WriteBase64(const char* data, qsizetype size)
{
    if (m_bError) {
        return;
    }
    // Two output characters per 12 input bits from one table: a page's
    // content is mostly Base64, so this loop is much of a run's time.
    static const auto pairs = [] {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::array<char, 2 * 4096> table{};
        for (int i = 0; i < 4096; ++i) {
            table[size_t(i) * 2] = alphabet[i >> 6];
            table[size_t(i) * 2 + 1] = alphabet[i & 63];
        }
        return table;
    }();
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + (size + 2) / 3 * 4);
    char* o = m_buffer.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* const whole = in + size / 3 * 3;
    for (; in < whole; in += 3) {
        const unsigned v = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | in[2];
        std::memcpy(o, &pairs[size_t(v >> 12) * 2], 2);
        std::memcpy(o + 2, &pairs[size_t(v & 0xfff) * 2], 2);
        o += 4;
    }
    const qsizetype rest = size % 3;
    if (rest != 0) {
        const unsigned v = unsigned(in[0]) << 16 | (rest == 2 ? unsigned(in[1]) << 8 : 0u);
        std::memcpy(o, &pairs[size_t(v >> 12) * 2], 2);
        o[2] = rest == 2 ? pairs[size_t(v & 0xfff) * 2] : '=';
        o[3] = '=';
    }
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void CTextFileWriter::Flush()
{
    if (!m_bError && !m_file.Write(m_buffer)) {
        m_bError = true;
    }
    m_buffer.truncate(0);
}

void CTextFileWriter::StartWriteback()
{
    Flush();
    m_file.StartWriteback();
}

bool CTextFileWriter::Finish()
{
    Flush();
    m_buffer = QByteArray();
    return !m_bError && m_file.FinishWriting();
}

bool CTextFileWriter::Commit(bool sync)
{
    Flush();
    if (m_bError) {
        m_file.Discard();
        return false;
    }
    return m_file.Commit(sync);
}
