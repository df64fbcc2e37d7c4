#include "engine/TextFileWriter.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qsizetype kFlushSize = 256 * 1024;
}

CTextFileWriter::CTextFileWriter(const QString& path)
    : m_path(QFile::encodeName(path))
{
}

CTextFileWriter::~CTextFileWriter()
{
    if (m_fd >= 0) {
        Close();
    }
}

bool CTextFileWriter::Open(mode_t mode)
{
    m_buffer.reserve(kFlushSize * 3);
    m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        return false;
    }
    // Exact bits, whatever the umask says.
    ::fchmod(m_fd, mode);
    return true;
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
    const char* p = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (!m_bError && left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            m_bError = true;
            break;
        }
        p += n;
        left -= n;
    }
    m_buffer.truncate(0);
}

bool CTextFileWriter::Close()
{
    if (m_fd < 0) {
        return false;
    }
    Flush();
    if (::close(m_fd) != 0) {
        m_bError = true;
    }
    m_fd = -1;
    return !m_bError;
}
