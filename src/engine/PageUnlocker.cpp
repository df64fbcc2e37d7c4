#include "engine/PageUnlocker.h"

#include "engine/PageFormats.h"
#include "engine/ProtectionDetector.h"

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QList>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CPageUnlocker::Status CPageUnlocker::Unlock(const QString& pagePath, const QString& userName,
                                            const QString& password, QIODevice* out, QByteArray* contentKey)
{
    // Only a regular file, opened without blocking: a pipe would hang.
    const int fd = ::open(QFile::encodeName(pagePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st
    {
    };
    QFile file;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return Status::ReadError;
    }
    QByteArray copy;
    const qint64 size = file.size();
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped && size > 0) {
        copy = file.readAll();
    }
    const QByteArrayView text =
        mapped ? QByteArrayView(reinterpret_cast<const char*>(mapped), size) : QByteArrayView(copy);

    // The page writers' structure first, as protect recognises it; a page
    // that lost part of it is still searched for its arrays.
    qint64 markerAt = -1;
    const CProtectionDetector::Kind kind = CProtectionDetector::Detect(text, &markerAt);
    return CPageFormats::Unlock(kind, text, qsizetype(markerAt), userName, password, out, contentKey);
}

QString CPageUnlocker::StatusText(Status status, const QString& pagePath)
{
    switch (status) {
    case Status::Ok:
        return {};
    case Status::NotProtected:
        return QStringLiteral("%1 is not a protected page.").arg(pagePath);
    case Status::Malformed:
        return QStringLiteral("%1 looks protected but its script data is damaged.").arg(pagePath);
    case Status::NeedUserName:
        return QStringLiteral("%1 is protected for a list of users: give --user as well.").arg(pagePath);
    case Status::WrongCredentials:
        return QStringLiteral("The password (or user name) does not open %1.").arg(pagePath);
    case Status::Damaged:
        return QStringLiteral("The password opens %1, but the page is damaged; protect it again from its "
                              "original.")
            .arg(pagePath);
    case Status::ReadError:
        return QStringLiteral("Cannot read %1.").arg(pagePath);
    case Status::WriteError:
        return QStringLiteral("Cannot write the unlocked text.");
    }
    return {};
}
