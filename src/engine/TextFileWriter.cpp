#include "engine/TextFileWriter.h"

namespace {
constexpr qsizetype kFlushSize = 256 * 1024;
}

CTextFileWriter::CTextFileWriter(const QString& path)
    : m_file(path)
{
}

CTextFileWriter::~CTextFileWriter()
{
    if (m_file.isOpen()) {
        Close();
    }
}

bool CTextFileWriter::Open()
{
    m_buffer.reserve(kFlushSize + 4096);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void CTextFileWriter::Write(const QByteArray& bytes)
{
    if (m_bError) {
        return;
    }
    qsizetype start = 0;
    while (true) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            m_buffer.append(bytes.constData() + start, bytes.size() - start);
            break;
        }
        m_buffer.append(bytes.constData() + start, lf - start);
        m_buffer.append("\r\n", 2);
        start = lf + 1;
    }
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void CTextFileWriter::Flush()
{
    if (!m_bError && !m_buffer.isEmpty() && m_file.write(m_buffer) != m_buffer.size()) {
        m_bError = true;
    }
    m_buffer.clear();
}

bool CTextFileWriter::Close()
{
    Flush();
    if (!m_file.flush()) {
        m_bError = true;
    }
    m_file.close();
    return !m_bError;
}
