#include "engine/TextFileWriter.h"

#include <cstring>

namespace {
constexpr qsizetype kFlushSize = 256 * 1024;
}

CTextFileWriter::CTextFileWriter(const QString& path) : m_file(path)
{
}

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

void CTextFileWriter::Flush()
{
    if (!m_bError && !m_file.Write(m_buffer)) {
        m_bError = true;
    }
    m_buffer.truncate(0);
}

bool CTextFileWriter::Commit()
{
    Flush();
    if (m_bError) {
        m_file.Discard();
        return false;
    }
    return m_file.Commit();
}
