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
    }
    return true;
}

bool CAtomicFile::Commit(bool sync)
{
    if (m_fd < 0) {
        return Fail(EBADF);
    }
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
        const bool gone = ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
        if ((otherBoot || gone) && ::unlink(path.constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}
