#include "common/InputFile.h"

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
        return fail(QStringLiteral("%1 is not a regular file.").arg(path));
    }
    if (st.st_size > limit) {
        ::close(fd);
        return fail(QStringLiteral("%1 is larger than %2 MB.").arg(path).arg(limit / (1024 * 1024)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(QStringLiteral("Cannot open %1.").arg(path));
    }
    // The file may grow while it is read: never more than the limit.
    *contents = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        return fail(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    }
    if (contents->size() > limit) {
        contents->clear();
        return fail(QStringLiteral("%1 is larger than %2 MB.").arg(path).arg(limit / (1024 * 1024)));
    }
    return true;
}

} // namespace InputFile
