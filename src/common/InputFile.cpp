#include "common/InputFile.h"

#include "common/FileErrorText.h"
#include "common/SystemError.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InputFile {

bool Read(const QString& path, QByteArray* contents, QString* errorMessage, qint64 limit)
{
    const auto fail = [&](const QString& text) {
        if (errorMessage) {
            *errorMessage = text;
        }
        return false;
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return fail(QStringLiteral("Cannot open %1: %2").arg(path, GetSystemErrorText(errno).trimmed()));
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(FileErrorText::NotRegularFile(path));
    }
    if (st.st_size > limit) {
        ::close(fd);
        return fail(QStringLiteral("%1 is larger than %2 MB.").arg(path).arg(limit / (1024 * 1024)));
    }
    // Plain reads into a buffer of the size fstat gave (a page is read so
    // once per run), on to the real end: the file may have grown or shrunk
    // since.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype size = 0;
    while (true) {
        if (size == bytes.size()) {
            if (size > limit) {
                break;
            }
            // One byte past the limit tells a file that grew too large.
            bytes.resize(qMin<qsizetype>(size + 64 * 1024, limit + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + size, size_t(bytes.size() - size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(QStringLiteral("Cannot read %1: %2").arg(path, GetSystemErrorText(error).trimmed()));
        }
        if (n == 0) {
            break;
        }
        size += n;
    }
    ::close(fd);
    if (size > limit) {
        return fail(QStringLiteral("%1 is larger than %2 MB.").arg(path).arg(limit / (1024 * 1024)));
    }
    bytes.truncate(size);
    *contents = std::move(bytes);
    return true;
}

} // namespace InputFile
