#include "common/FolderLock.h"

#include <QFile>
#include <QtGlobal>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

CFolderLock::CFolderLock(const QString& folder, int waitMs)
{
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        m_nError = errno;
        return;
    }
    // Tests shorten the wait to see a busy folder quickly (read once: a
    // run takes a lock for every page).
    static const int testWait = [] {
        bool overridden = false;
        const int ms = qEnvironmentVariableIntValue("WENDLOCK_LOCK_WAIT_MS", &overridden);
        return overridden ? ms : -1;
    }();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(testWait >= 0 ? testWait : waitMs);
    while (true) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_bLocked = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_nError = errno;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_nError = EWOULDBLOCK;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CFolderLock::~CFolderLock()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}
