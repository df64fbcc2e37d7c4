#include "engine/PageSnapshot.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Same file, same size, same times.
bool SameState(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

} // namespace

CPageSnapshot::~CPageSnapshot()
{
    Close();
}

void CPageSnapshot::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_strPath.clear();
    m_contents.clear();
    m_bHeld = false;
    m_nError = 0;
    m_stat = {};
}

bool CPageSnapshot::Open(const QString& path, qint64 maxInMemory)
{
    Close();
    // Without blocking: a pipe named like a page must not stop the run.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0 || ::fstat(m_fd, &m_stat) != 0) {
        const int error = errno;
        Close();
        m_nError = error == 0 ? EIO : error;
        return false;
    }
    m_strPath = path;
    if (!S_ISREG(m_stat.st_mode) || m_stat.st_size > maxInMemory) {
        return true;
    }
    // Read to the real end: the file may have grown since fstat (it then
    // counts as changed anyway).
    m_contents.resize(qsizetype(m_stat.st_size) + 1);
    qint64 size = 0;
    while (true) {
        if (size == m_contents.size()) {
            m_contents.resize(m_contents.size() + 64 * 1024);
        }
        const qint64 n = ReadAt(size, m_contents.data() + size, m_contents.size() - size);
        if (n < 0) {
            const int error = errno;
            Close();
            m_nError = error;
            return false;
        }
        if (n == 0) {
            break;
        }
        size += n;
    }
    m_contents.truncate(qsizetype(size));
    m_bHeld = true;
    return true;
}

void CPageSnapshot::DropContents()
{
    m_contents = QByteArray();
    m_bHeld = false;
}

qint64 CPageSnapshot::ReadAt(qint64 offset, char* data, qint64 size) const
{
    while (true) {
        const ssize_t n = ::pread(m_fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return qint64(n);
    }
}

bool CPageSnapshot::Changed() const
{
    if (!IsOpen()) {
        return false;
    }
    struct stat now
    {
    };
    struct stat named
    {
    };
    return ::fstat(m_fd, &now) != 0 || !SameState(now, m_stat) ||
           ::stat(QFile::encodeName(m_strPath).constData(), &named) != 0 || !SameState(named, m_stat);
}
