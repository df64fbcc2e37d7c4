#include "model/WendlockDoc.h"

#include "common/AppInfo.h"
#include "common/FileErrorText.h"
#include "model/AppGlobalData.h"
#include "model/ArchiveReader.h"
#include "model/ArchiveWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoMessage(int errorCode, const QString& path, const QString& fallback)
{
    const QString text = FileErrorText::ForErrno(errorCode, path);
    return text.isEmpty() ? fallback : text;
}

void SetError(QString* errorMessage, const QString& text)
{
    if (errorMessage) {
        *errorMessage = text;
    }
}

// Reads a whole archive from a device into `record`.
bool ReadArchive(QIODevice* device, CAppGlobalData& record, QString* loadedVersion, QString* errorMessage)
{
    CArchiveReader ar(device);
    const QString version = ar.ReadString();
    if (ar.IsOk()) {
        record.Serialize(ar, version);
    }
    switch (ar.GetStatus()) {
    case CArchiveReader::Status::Ok:
        break;
    case CArchiveReader::Status::EndOfFile:
        SetError(errorMessage, FileErrorText::UnexpectedFormat());
        return false;
    case CArchiveReader::Status::Generic:
    case CArchiveReader::Status::ReadError:
        SetError(errorMessage, FileErrorText::FailedToOpen());
        return false;
    }
    record.NormalizeRanges();
    if (loadedVersion) {
        *loadedVersion = version;
    }
    return true;
}

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

CWendlockDoc::CWendlockDoc(CAppGlobalData* data)
    : m_pData(data)
{
}

void CWendlockDoc::SetPageHooks(std::function<void()> loadPages, std::function<void()> savePages)
{
    m_loadPages = std::move(loadPages);
    m_savePages = std::move(savePages);
}

QString CWendlockDoc::GetTitle() const
{
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strPathName).fileName();
}

bool CWendlockDoc::OnNewDocument()
{
    m_pData->Clear();
    m_pData->SetDefaults();
    m_pData->DrawSalt();
    m_strPathName.clear();
    m_bModified = false;
    if (m_loadPages) {
        m_loadPages();
    }
    return true;
}

bool CWendlockDoc::OnOpenDocument(const QString& path, QString* errorMessage)
{
    CAppGlobalData fresh;
    QString version;
    if (!ReadProjectFile(path, fresh, &version, errorMessage)) {
        return false;
    }
    *m_pData = std::move(fresh);
    m_strLoadedVersion = version;
    m_strPathName = path;
    // A salt drawn for a file that had none is a change: saving keeps it,
    // so that the next run's pages share the login with this one's.
    m_bModified = m_pData->m_bSaltDrawn;
    if (m_loadPages) {
        m_loadPages();
    }
    return true;
}

bool CWendlockDoc::OnSaveDocument(const QString& path, QString* errorMessage)
{
    if (m_savePages) {
        m_savePages();
    }
    if (!WriteProjectFile(path, *m_pData, errorMessage)) {
        return false;
    }
    m_strPathName = path;
    m_bModified = false;
    return true;
}

bool CWendlockDoc::ReadProjectBytes(const QByteArray& bytes, CAppGlobalData& record, QString* loadedVersion,
                                    QString* errorMessage)
{
    if (bytes.isEmpty()) {
        // An empty file is a project with nothing in it: New Project values.
        record.Clear();
        record.SetDefaults();
        if (loadedVersion) {
            loadedVersion->clear();
        }
        return true;
    }
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadArchive(&buffer, record, loadedVersion, errorMessage);
}

bool CWendlockDoc::ReadProjectFile(const QString& path, CAppGlobalData& record, QString* loadedVersion,
                                   QString* errorMessage)
{
    const QByteArray nativePath = QFile::encodeName(path);
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(errorMessage, ErrnoMessage(errno, path, FileErrorText::FailedToOpen()));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        SetError(errorMessage, ErrnoMessage(err, path, FileErrorText::FailedToOpen()));
        return false;
    }
    // A project is a file: a pipe or a device has no end to bound the
    // reader by, so it is not read at all.
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        SetError(errorMessage, FileErrorText::FailedToOpen());
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        SetError(errorMessage, FileErrorText::FailedToOpen());
        return false;
    }
    if (st.st_size == 0) {
        return ReadProjectBytes(QByteArray(), record, loadedVersion, errorMessage);
    }
    return ReadArchive(&file, record, loadedVersion, errorMessage);
}

QByteArray CWendlockDoc::ProjectBytes(const CAppGlobalData& record)
{
    CArchiveWriter ar;
    ar.WriteString(AppInfo::ProgramVersion());
    record.Serialize(ar);
    return ar.Data();
}

bool CWendlockDoc::WriteProjectFile(const QString& path, const CAppGlobalData& record, QString* errorMessage)
{
    const auto fail = [&](int errorCode) {
        SetError(errorMessage, ErrnoMessage(errorCode, path, FileErrorText::FailedToSave()));
        return false;
    };

    // Saving through a symbolic link replaces the file it points to, not the link.
    QString target = path;
    const QFileInfo pathInfo(path);
    if (pathInfo.isSymLink() && pathInfo.exists()) {
        target = pathInfo.canonicalFilePath();
    }
    const QByteArray nativeTarget = QFile::encodeName(target);

    mode_t mode = NewFileMode();
    struct stat st {};
    if (::stat(nativeTarget.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return fail(EISDIR);
        }
        // A read-only project stays untouched, even where the folder would
        // let a rename replace it.
        if (!(st.st_mode & S_IWUSR)) {
            return fail(EACCES);
        }
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(errno);
    }

    const QFileInfo targetInfo(target);
    const QByteArray tempPattern =
        QFile::encodeName(targetInfo.absolutePath() + QLatin1String("/.") + targetInfo.fileName()) + ".XXXXXX";
    QByteArray tempPath = tempPattern;
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        return fail(errno);
    }
    const QByteArray data = ProjectBytes(record);
    int err = 0;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, data) || ::fsync(fd) != 0) {
        err = errno;
    }
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    if (err == 0 && ::rename(tempPath.constData(), nativeTarget.constData()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(tempPath.constData());
        return fail(err);
    }
    return true;
}
