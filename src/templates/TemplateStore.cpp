#include "templates/TemplateStore.h"

#include "common/AppFolders.h"
#include "common/SystemError.h"
#include "files/WebFileFilter.h"
#include "model/Project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsKnownMode(int passwordMode)
{
    return passwordMode == CProject::kSinglePassword || passwordMode == CProject::kMultipleUsers;
}

QString CopyFailure(const QString& source, const QString& target, int errorCode)
{
    return QStringLiteral("Copy file '%1' to '%2' failure! \n%3")
        .arg(source, target, GetSystemErrorText(errorCode));
}

// Writes all of `size` bytes, retrying after signals and short writes.
bool WriteAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Copies the open source into the open target; 0 or the errno of the failure.
int CopyContents(int in, int out)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof(buffer));
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (!WriteAll(out, buffer, got)) {
            return errno;
        }
    }
}

} // namespace

QList<CTemplateStore::Entry> CTemplateStore::ListFolder(const QString& folder)
{
    QList<Entry> entries;
    const QString base = CWebFileFilter::NormalizeFolder(folder);
    // readdir keeps the file system's own order, which is the list's order.
    DIR* dir = ::opendir(QFile::encodeName(base).constData());
    if (!dir) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        const QString path = base + name;
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode) ||
            !CWebFileFilter::IsWebFileName(name)) {
            continue;
        }
        entries.append({NameOf(name), path});
    }
    ::closedir(dir);
    return entries;
}

QList<CTemplateStore::Entry> CTemplateStore::List(int passwordMode)
{
    if (!IsKnownMode(passwordMode)) {
        return {};
    }
    return ListFolder(ShippedFolder(passwordMode));
}

QString CTemplateStore::DefaultPath(int passwordMode)
{
    const QList<Entry> templates = List(passwordMode);
    const auto classic = std::find_if(templates.cbegin(), templates.cend(),
                                      [](const Entry& e) { return e.name == QLatin1String("Classic"); });
    if (classic != templates.cend()) {
        return classic->path;
    }
    const auto first = std::min_element(templates.cbegin(), templates.cend(),
                                        [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return first == templates.cend() ? QString() : first->path;
}

QList<CTemplateStore::Entry> CTemplateStore::List(int passwordMode, const QString& dataFolder)
{
    QList<Entry> entries = List(passwordMode);
    const QString userFolder = UserFolder(passwordMode, dataFolder);
    // A data folder that falls back to the application folder must not list
    // the shipped templates twice.
    if (!userFolder.isEmpty() &&
        QDir::cleanPath(userFolder) != QDir::cleanPath(ShippedFolder(passwordMode))) {
        entries += ListFolder(userFolder);
    }
    return entries;
}

QString CTemplateStore::ShippedFolder(int passwordMode)
{
    return IsKnownMode(passwordMode) ? AppFolders::TemplateFolder(passwordMode) : QString();
}

QString CTemplateStore::UserFolder(int passwordMode, const QString& dataFolder)
{
    if (!IsKnownMode(passwordMode) || dataFolder.isEmpty()) {
        return {};
    }
    return CWebFileFilter::NormalizeFolder(dataFolder) + QLatin1String("Templates/") +
           AppFolders::ModeFolderName(passwordMode) + QLatin1Char('/');
}

QString CTemplateStore::PrepareCreateFolder(int passwordMode, const QString& dataFolder)
{
    QString shipped = ShippedFolder(passwordMode);
    if (shipped.isEmpty()) {
        return {};
    }
    const QFileInfo shippedInfo(shipped);
    QString userFolder = UserFolder(passwordMode, dataFolder);
    if ((shippedInfo.isDir() && shippedInfo.isWritable()) || userFolder.isEmpty()) {
        return shipped;
    }
    // A folder that cannot be made shows up as the copy's failure message.
    QDir().mkpath(userFolder);
    return userFolder;
}

QString CTemplateStore::NameOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? fileName.left(dot) : fileName;
}

QString CTemplateStore::CheckNewName(const QString& name, const QStringList& listedNames)
{
    if (name.isEmpty()) {
        return QStringLiteral("Template name can't be empty!");
    }
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar ch : name) {
        if (forbidden.contains(ch)) {
            return QStringLiteral("Template name can't include \\/:*?\"<>|");
        }
    }
    if (listedNames.contains(name, Qt::CaseSensitive)) {
        return QStringLiteral(
                   "The template name '%1' already existed! Please input another name to continue.")
            .arg(name);
    }
    return {};
}

bool CTemplateStore::CopyTemplate(const QString& source, const QString& target, QString* message)
{
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *message = CopyFailure(source, target, errno);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(in);
        *message = CopyFailure(source, target, error);
        return false;
    }
    // O_EXCL: an existing target is never replaced, even one that appears
    // between a check and the copy.
    const QByteArray nativeTarget = QFile::encodeName(target);
    const int out = ::open(nativeTarget.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        *message = CopyFailure(source, target, error);
        return false;
    }
    int error = CopyContents(in, out);
    ::close(in);
    if (::close(out) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(nativeTarget.constData());
        *message = CopyFailure(source, target, error);
        return false;
    }
    message->clear();
    return true;
}

bool CTemplateStore::DeleteTemplate(const QString& path, QString* message)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        *message = QStringLiteral("Delete file '%1' failure! \n%2").arg(path, GetSystemErrorText(errno));
        return false;
    }
    message->clear();
    return true;
}
