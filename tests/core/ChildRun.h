#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs a piece of a test in a forked child process, for faults that must
// stay out of the test process: a file-size limit standing in for a full
// disk, an unprivileged user for the permission bits that root ignores, a
// private mount namespace for a tiny tmpfs. The child hands back a report
// through a pipe; the parent checks it and the files the child left.
namespace ChildRun {

// The user the child becomes when the tests run as root.
constexpr uid_t kUnprivilegedId = 65534;

struct Options
{
    // Bytes a file may grow to; a write past it fails with EFBIG.
    rlim_t fileSizeLimit = RLIM_INFINITY;
    // Run as kUnprivilegedId when the tests run as root.
    bool unprivileged = false;
    // A mount namespace of the child's own, whose mounts vanish with it.
    bool privateMounts = false;
};

struct Outcome
{
    bool ran = false;
    // Why the child could not set itself up (no privilege to do so).
    QString skipReason;
    QByteArray report;
};

inline bool IsRoot()
{
    return ::geteuid() == 0;
}

// Hands a file or folder to the child's user, so that only its permission
// bits decide what the child may do with it.
inline void GiveToChild(const QString& path)
{
    if (IsRoot()) {
        [[maybe_unused]] const int ignored =
            ::chown(QFile::encodeName(path).constData(), kUnprivilegedId, kUnprivilegedId);
    }
}

namespace Detail {
inline void WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            return;
        }
        done += n;
    }
}
} // namespace Detail

inline Outcome Run(const Options& options, const std::function<QByteArray()>& body)
{
    Outcome outcome;
    int fds[2];
    if (::pipe(fds) != 0) {
        outcome.skipReason = QStringLiteral("no pipe");
        return outcome;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        // Past the limit a write fails with EFBIG instead of ending the process.
        ::signal(SIGXFSZ, SIG_IGN);
        const auto skip = [&](const char* reason) {
            Detail::WriteAll(fds[1], QByteArray("SKIP:") + reason);
            ::_exit(0);
        };
        if (options.privateMounts) {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                skip("mounting file systems is not allowed here");
            }
        }
        if (options.unprivileged && IsRoot()) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 ||
                ::setuid(kUnprivilegedId) != 0) {
                skip("cannot switch to an unprivileged user");
            }
        }
        if (options.fileSizeLimit != RLIM_INFINITY) {
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                skip("cannot limit the file size");
            }
        }
        Detail::WriteAll(fds[1], QByteArray("OK:") + body());
        ::_exit(0);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        outcome.skipReason = QStringLiteral("cannot fork");
        return outcome;
    }
    QByteArray received;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof(buffer))) > 0) {
        received.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (received.startsWith("SKIP:")) {
        outcome.skipReason = QString::fromUtf8(received.mid(5));
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && received.startsWith("OK:")) {
        outcome.ran = true;
        outcome.report = received.mid(3);
    }
    return outcome;
}

} // namespace ChildRun
