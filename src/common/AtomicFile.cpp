#include "common/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QByteArray kPrefix = QByteArrayLiteral(".wendlock-tmp.");

// The kernel's id of this boot, as 32 hex digits: process ids are only
// meaningful within one boot.
const QByteArray& BootId()
{
    static const QByteArray id = [] {
        QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        QByteArray text;
        if (file.open(QIODevice::ReadOnly)) {
            text = file.read(64).trimmed();
        }
        text.replace('-', "");
        return text.isEmpty() ? QByteArrayLiteral("unknownboot") : text;
    }();
    return id;
}

// When a live process started, in seconds since the epoch; -1 when that
// can't be told. Only to tell a reused process id from the file's writer.
double ProcessStart(qint64 pid)
{
    static const double bootTime = [] {
        QFile stat(QStringLiteral("/proc/stat"));
        if (!stat.open(QIODevice::ReadOnly)) {
            return -1.0;
        }
        for (const QByteArray& line : stat.readAll().split('\n')) {
            if (line.startsWith("btime ")) {
                return line.mid(6).trimmed().toDouble();
            }
        }
        return -1.0;
    }();
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (bootTime < 0 || !stat.open(QIODevice::ReadOnly)) {
        return -1.0;
    }
    // The command name, in parentheses, may hold spaces: fields are counted
    // from its closing parenthesis; the start time is field 22.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) {
        return -1.0;
    }
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    bool ok = false;
    const double ticks = fields.value(19).toDouble(&ok);
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    return ok && perSecond > 0 ? bootTime + ticks / double(perSecond) : -1.0;
}

QByteArray RandomTag()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray tag(8, '\0');
    for (char& c : tag) {
        c = alphabet[QRandomGenerator::system()->bounded(int(sizeof(alphabet) - 1))];
    }
    return tag;
}

} // namespace

CAtomicFile::CAtomicFile(const QString& target) : m_strTarget(target), m_strResolved(target) {}

CAtomicFile::~CAtomicFile()
{
    Discard();
}

bool CAtomicFile::Fail(int error)
{
    if (m_nError == 0) {
        m_nError = error;
    }
    return false;
}

bool CAtomicFile::Open(mode_t newMode)
{
    return OpenTemporary(nullptr, newMode);
}

bool CAtomicFile::OpenLike(const struct stat& model)
{
    return OpenTemporary(&model, model.st_mode & 07777);
}

bool CAtomicFile::OpenPrivate()
{
    m_bPrivate = true;
    return OpenTemporary(nullptr, 0600);
}

int CAtomicFile::WritePrivate(const QString& path, const QByteArray& bytes)
{
    CAtomicFile file(path);
    if (!file.OpenPrivate() || !file.Write(bytes) || !file.Commit(true)) {
        return file.Error();
    }
    return 0;
}

bool CAtomicFile::OpenTemporary(const struct stat* model, mode_t newMode)
{
    const QFileInfo info(m_strTarget);
    if (info.isSymLink() && !m_bReplaceLinks) {
        // The link stays; the file it points to is replaced.
        const QString linked = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
        if (linked.isEmpty()) {
            return Fail(ENOENT);
        }
        m_strResolved = linked;
    }
    const QByteArray target = QFile::encodeName(m_strResolved);
    struct stat st
    {
    };
    const bool exists =
        (m_bReplaceLinks ? ::lstat(target.constData(), &st) : ::stat(target.constData(), &st)) == 0;
    if (!exists && errno != ENOENT) {
        return Fail(errno);
    }
    if (exists && !S_ISREG(st.st_mode) && !(m_bReplaceLinks && S_ISLNK(st.st_mode))) {
        return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    // A read-only file stays untouched, even where the folder would let a
    // rename replace it.
    if (m_bPrivate && exists && !(st.st_mode & S_IWUSR)) {
        return Fail(EACCES);
    }
    const QFileInfo resolved(m_strResolved);
    const QByteArray folder = QFile::encodeName(resolved.absolutePath());
    for (int attempt = 0; attempt < 16; ++attempt) {
        m_tempPath =
            folder + '/' + kPrefix + BootId() + '.' + QByteArray::number(::getpid()) + '.' + RandomTag();
        m_fd = ::open(m_tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        m_tempPath.clear();
        return Fail(errno);
    }
    const struct stat* keep = model ? model : (exists ? &st : nullptr);
    if (keep) {
        // Keep the owner and group where the system lets us (root, or a
        // group we belong to); the mode always.
        if (::fchown(m_fd, keep->st_uid, keep->st_gid) != 0) {
            (void)!::fchown(m_fd, uid_t(-1), keep->st_gid);
        }
    }
    mode_t mode = keep ? keep->st_mode & 07777 : newMode;
    if (m_bPrivate) {
        mode &= 0600;
    }
    if (::fchmod(m_fd, mode) != 0) {
        return Fail(errno);
    }
    return true;
}

int CAtomicFile::CopyExtendedAttributes(const QString& from)
{
    if (m_fd < 0) {
        return 0;
    }
    const QByteArray source = QFile::encodeName(from);
    QByteArray names(4096, Qt::Uninitialized);
    ssize_t size = ::listxattr(source.constData(), names.data(), size_t(names.size()));
    if (size < 0 && errno == ERANGE) {
        size = ::listxattr(source.constData(), nullptr, 0);
        if (size > 0) {
            names.resize(size);
            size = ::listxattr(source.constData(), names.data(), size_t(names.size()));
        }
    }
    if (size <= 0) {
        return 0;
    }
    int copied = 0;
    QByteArray value;
    for (const QByteArray& name : names.left(size).split('\0')) {
        if (name.isEmpty()) {
            continue;
        }
        const ssize_t length = ::getxattr(source.constData(), name.constData(), nullptr, 0);
        if (length < 0) {
            continue;
        }
        value.resize(qMax<qsizetype>(length, 1));
        const ssize_t got =
            ::getxattr(source.constData(), name.constData(), value.data(), size_t(value.size()));
        if (got >= 0 && ::fsetxattr(m_fd, name.constData(), value.constData(), size_t(got), 0) == 0) {
            ++copied;
        }
    }
    return copied;
}

void CAtomicFile::KeepTimes(const struct stat& model)
{
    m_times[0] = model.st_atim;
    m_times[1] = model.st_mtim;
    m_bKeepTimes = true;
}

bool CAtomicFile::Write(const char* data, qint64 size)
{
    if (m_fd < 0 || m_nError != 0) {
        return Fail(EBADF);
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno);
        }
        data += n;
        size -= n;
        m_nWritten += n;
    }
    return true;
}

void CAtomicFile::StartWriteback()
{
    if (m_fd >= 0 && m_nError == 0) {
        // Only a hint: where the call is not supported the sync does it all.
        (void)::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
}

bool CAtomicFile::SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool CAtomicFile::FinishWriting()
{
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    // Set last: every write moves the modification time on.
    if (!m_bFinished && m_nError == 0 && m_bKeepTimes && ::futimens(m_fd, m_times) != 0) {
        Fail(errno);
    }
    m_bFinished = true;
    return m_nError == 0;
}

bool CAtomicFile::SyncData()
{
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    if (m_nError == 0 && ::fdatasync(m_fd) != 0) {
        Fail(errno);
    }
    return m_nError == 0;
}

bool CAtomicFile::Commit(bool sync)
{
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    FinishWriting();
    if (m_nError == 0 && sync && ::fsync(m_fd) != 0) {
        Fail(errno);
    }
    if (::close(m_fd) != 0) {
        Fail(errno);
    }
    m_fd = -1;
    if (m_nError == 0 &&
        ::rename(m_tempPath.constData(), QFile::encodeName(m_strResolved).constData()) != 0) {
        Fail(errno);
    }
    if (m_nError != 0) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
        return false;
    }
    m_tempPath.clear();
    return true;
}

void CAtomicFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
}

bool CAtomicFile::IsTemporaryName(const QString& fileName)
{
    return fileName.startsWith(QLatin1String(kPrefix));
}

int CAtomicFile::RemoveStaleTemporaries(const QString& folder)
{
    // Read with readdir and compared as bytes: a run visits every folder
    // it writes in, and a name filter would match each entry against a
    // pattern.
    const QByteArray base = QFile::encodeName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.constData()), &::closedir);
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name = QByteArray::fromRawData(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        if (!name.startsWith(kPrefix)) {
            continue;
        }
        const QByteArray path = base + '/' + name;
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        // .wendlock-tmp.BOOT.PID.TAG
        const QList<QByteArray> parts = name.mid(kPrefix.size()).split('.');
        if (parts.size() != 3) {
            continue;
        }
        bool ok = false;
        const qint64 pid = parts.at(1).toLongLong(&ok);
        if (!ok || pid <= 0) {
            continue;
        }
        const bool otherBoot = parts.at(0) != BootId();
        bool gone = ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
        if (!gone && !otherBoot) {
            // A process that started after the file was last written can't
            // be its writer: the writer died and its id was given out again.
            // (The boot time is whole seconds: two of margin.)
            const double started = ProcessStart(pid);
            gone = started > 0 && started > double(st.st_mtim.tv_sec) + 2.0;
        }
        if ((otherBoot || gone) && ::unlink(path.constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}
