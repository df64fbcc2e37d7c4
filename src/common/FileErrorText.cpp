#include "common/FileErrorText.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

namespace FileErrorText {

QString ForErrno(int errorCode, const QString& path)
{
    QString text;
    switch (errorCode) {
    case ENOENT:
        // A missing folder on the way is a bad path; a missing file in an
        // existing folder is "not found".
        text = QFileInfo(path).absoluteDir().exists() ? QStringLiteral("%1 was not found.")
                                                      : QStringLiteral("%1 contains an incorrect path.");
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        text = QStringLiteral("%1 contains an incorrect path.");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        text = QStringLiteral("Access to %1 was denied.");
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        text = QStringLiteral("Disk full while accessing %1.");
        break;
    case ETXTBSY:
    case EBUSY:
        text = QStringLiteral("Encountered a sharing violation while accessing %1.");
        break;
    default:
        return {};
    }
    return text.arg(QDir::toNativeSeparators(path));
}

} // namespace FileErrorText
