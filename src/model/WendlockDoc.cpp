#include "model/WendlockDoc.h"

#include "common/AppInfo.h"
#include "common/AtomicFile.h"
#include "common/FileErrorText.h"
#include "common/RandomString.h"
#include "model/ArchiveReader.h"
#include "model/ArchiveWriter.h"
#include "model/Project.h"

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
bool ReadArchive(QIODevice* device, CProject& record, QString* loadedVersion, QString* errorMessage)
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

} // namespace

CWendlockDoc::CWendlockDoc(CProject* data) : m_pData(data) {}

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
    // A password every copy of this program knows protects nothing: a new
    // project gets its own, drawn like the Password page's dice button.
    m_pData->m_strPassword = RandomString(8);
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
    CProject fresh;
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

bool CWendlockDoc::ReadProjectBytes(const QByteArray& bytes, CProject& record, QString* loadedVersion,
                                    QString* errorMessage)
{
    if (bytes.isEmpty()) {
        // An empty file is a project with nothing in it: New Project values,
        // with a salt drawn as for any file that has none.
        record.Clear();
        record.SetDefaults();
        record.m_bSaltDrawn = record.EnsureSalt();
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

bool CWendlockDoc::ReadProjectFile(const QString& path, CProject& record, QString* loadedVersion,
                                   QString* errorMessage)
{
    const QByteArray nativePath = QFile::encodeName(path);
    // Opened without blocking: opening a pipe for reading waits for a
    // writer, and one given as a project would hang the program there.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetError(errorMessage, ErrnoMessage(errno, path, FileErrorText::FailedToOpen()));
        return false;
    }
    struct stat st
    {
    };
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
        SetError(errorMessage, FileErrorText::NotRegularFile(path));
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

QByteArray CWendlockDoc::ProjectBytes(const CProject& record)
{
    CArchiveWriter ar;
    ar.WriteString(AppInfo::ProgramVersion());
    record.Serialize(ar);
    return ar.Data();
}

bool CWendlockDoc::WriteProjectFile(const QString& path, const CProject& record, QString* errorMessage)
{
    const auto fail = [&](int errorCode) {
        SetError(errorMessage, ErrnoMessage(errorCode, path, FileErrorText::FailedToSave()));
        return false;
    };

    // Projects hold passwords in clear: only the owner reads them (a file
    // that was stricter stays so), and a read-only project stays as it is.
    // Through a link, the linked file is saved.
    const int error = CAtomicFile::WritePrivate(path, ProjectBytes(record));
    return error == 0 || fail(error);
}
