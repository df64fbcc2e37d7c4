#include "engine/ProtectEngine.h"

#include "common/AppFolders.h"
#include "common/AppInfo.h"
#include "common/SystemError.h"
#include "engine/CredentialTable.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/ResultList.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/AppGlobalData.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Utf8Validator.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCreateFailure = QStringLiteral("Create file failure!");
const QString kNoHead = QStringLiteral("No <head> section!");
const QString kOpenFailure = QStringLiteral("Open file failure!");
const QString kOverwriteFailure = QStringLiteral("Overwrite file failure!");

constexpr int kLinesPerChunk = 10;
// Detecting charsets decide from this much of the page.
constexpr qint64 kDetectionSample = 64 * 1024;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// Position of a lower-case ASCII tag in a line, ignoring the case of A-Z in
// the line: what searching a lower-cased copy finds, without the copy.
qsizetype FindTag(const QByteArray& line, const char* tag)
{
    const qsizetype tagLength = qsizetype(std::strlen(tag));
    const char* data = line.constData();
    const qsizetype last = line.size() - tagLength;
    for (qsizetype i = 0; i <= last; ++i) {
        const auto* lt = static_cast<const char*>(std::memchr(data + i, '<', size_t(last - i + 1)));
        if (!lt) {
            return -1;
        }
        i = lt - data;
        qsizetype j = 1;
        while (j < tagLength && LowerAscii(data[i + j]) == tag[j]) {
            ++j;
        }
        if (j == tagLength) {
            return i;
        }
    }
    return -1;
}

qsizetype IndexOfAsciiCaseless(const QString& text, QLatin1String needle)
{
    return text.indexOf(needle, 0, Qt::CaseInsensitive);
}

// A page is replaced by renaming the new text over it. That needs a
// writable page (a read-only page stays as it is, as a user expects) and a
// writable folder.
bool CanReplace(const QString& path)
{
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0 || !(st.st_mode & S_IWUSR)) {
        return false;
    }
    return ::access(Native(QFileInfo(path).absolutePath()).constData(), W_OK) == 0;
}

mode_t PermissionsOf(const QString& path)
{
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0) {
        return 0644;
    }
    return st.st_mode & 07777;
}

// Copies a page to its backup through a temporary file, so an existing
// backup is only replaced by a complete copy. Keeps the page's permissions.
bool CopyWithPermissions(const QString& from, const QString& to, int* errorCode)
{
    const QByteArray source = Native(from);
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *errorCode = errno;
        return false;
    }
    struct stat st {};
    ::fstat(in, &st);
    QByteArray tempPath = Native(to) + ".XXXXXX";
    const int out = ::mkstemp(tempPath.data());
    if (out < 0) {
        *errorCode = errno;
        ::close(in);
        return false;
    }
    int err = 0;
    if (::fchmod(out, st.st_mode & 07777) != 0) {
        err = errno;
    }
    char buffer[64 * 1024];
    while (err == 0) {
        const ssize_t n = ::read(in, buffer, sizeof(buffer));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            err = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                err = errno;
                break;
            }
            done += w;
        }
    }
    ::close(in);
    if (::close(out) != 0 && err == 0) {
        err = errno;
    }
    if (err == 0 && ::rename(tempPath.constData(), Native(to).constData()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(tempPath.constData());
        *errorCode = err;
        return false;
    }
    return true;
}

} // namespace

CProtectEngine::CProtectEngine(CAppGlobalData* data, IResultList* resultList)
    : m_pData(data)
    , m_pResultList(resultList)
{
}

QString CProtectEngine::RestoreQuestionText(const QString& path)
{
    return QStringLiteral("The file \"%1\" was already protected before. Do you want to restore it first then "
                          "protect again?")
        .arg(path);
}

QByteArray CProtectEngine::Watermark()
{
    return QByteArrayLiteral("\n<!-- Protected by Wendlock ") + AppInfo::ProgramVersion().toLatin1()
           + QByteArrayLiteral(" -->\n");
}

QString CProtectEngine::EncodeNumericEntities(QStringView text)
{
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    qsizetype first = 0;
    while (first < size && data[first] < 128) {
        ++first;
    }
    if (first == size) {
        return text.toString();
    }
    QString out;
    out.reserve(size + 16);
    out.append(text.first(first));
    char reference[16];
    for (qsizetype i = first; i < size; ++i) {
        const char16_t u = data[i];
        if (u < 128) {
            out.append(QChar(u));
            continue;
        }
        const int n = std::snprintf(reference, sizeof(reference), "&#%d;", int(u));
        out.append(QLatin1String(reference, n));
    }
    return out;
}

bool CProtectEngine::ProtectAll()
{
    if (!m_pData) {
        return false;
    }
    if (m_pResultList) {
        m_pResultList->DeleteAllItems();
    }
    m_nProtected = 0;
    const QStringList files = m_pData->m_listFiles;
    for (const QString& path : files) {
        QString result;
        if (IsProtected(path, result)) {
            const Answer answer = m_restoreQuestion ? m_restoreQuestion(path) : Answer::No;
            if (answer == Answer::Yes) {
                const QString backup = path + QLatin1String(".original");
                // The backup replaces the protected page in one step, so a
                // failure leaves the page as it was.
                if (!QFileInfo::exists(backup)
                    || ::rename(Native(backup).constData(), Native(path).constData()) != 0) {
                    result = QStringLiteral("Restore failure");
                } else if (ProtectFile(path, result)) {
                    ++m_nProtected;
                }
            } else {
                result = QStringLiteral("Protected before");
            }
        } else if (ProtectFile(path, result)) {
            ++m_nProtected;
        }
        AddResultRow(path, result);
    }
    return true;
}

bool CProtectEngine::ProtectFile(const QString& path, QString& result)
{
    result.clear();
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        result = QStringLiteral("File not exists!");
        return false;
    }
    if (m_pData->m_bBackup) {
        int errorCode = 0;
        if (!CopyWithPermissions(path, path + QLatin1String(".original"), &errorCode)) {
            result = QStringLiteral("Backup file failure! \n%1").arg(GetSystemErrorText(errorCode));
            return false;
        }
    }
    const bool ok = m_pData->m_nPasswordMode == 1 ? WriteMultiUserPage(path, result)
                                                 : WriteSinglePasswordPage(path, result);
    if (!ok) {
        return false;
    }
    result = QStringLiteral("Protected");
    return true;
}

bool CProtectEngine::IsProtected(const QString& path, QString& result)
{
    result.clear();
    CTextLineReader reader(path);
    if (!reader.Open()) {
        return false;
    }
    const QByteArray marker = ProtectionMarker();
    QByteArray line;
    while (reader.ReadLine(line)) {
        if (line.contains(marker)) {
            return true;
        }
    }
    return false;
}

void CProtectEngine::AddResultRow(const QString& path, const QString& result)
{
    if (m_pResultList) {
        m_pResultList->AddResultRow(path, result);
    }
}

bool CProtectEngine::WriteSinglePasswordPage(const QString& path, QString& result)
{
    return WritePage(path, 0, result);
}

bool CProtectEngine::WriteMultiUserPage(const QString& path, QString& result)
{
    return WritePage(path, 1, result);
}

bool CProtectEngine::WritePage(const QString& path, int passwordMode, QString& result)
{
    result.clear();
    const QString templatePath = m_pData->m_strTemplatePath;
    const QString scriptPath = AppFolders::ScriptFile(passwordMode);
    const CCredentialTable::PageCredentials credentials = passwordMode == 1
                                                              ? CCredentialTable::MultiUserCredentials()
                                                              : CCredentialTable::SinglePasswordCredentials(*m_pData);

    if (!CanReplace(path)) {
        result = kOverwriteFailure;
        return false;
    }
    const QString tempPath = path + QLatin1String(".tmp");
    if (QFileInfo::exists(tempPath)) {
        QFile::remove(tempPath);
    }
    CTextFileWriter out(tempPath);
    if (!out.Open()) {
        result = kCreateFailure;
        return false;
    }

    bool ok = false;
    if (m_pData->m_bCopyHead) {
        ok = CopyHeadSection(path, out, result) || CopyHeadSection(templatePath, out, result);
    } else {
        ok = CopyHeadSection(templatePath, out, result);
    }
    if (!ok) {
        out.Close();
        return false;
    }

    out.Write("<SCRIPT type=\"text/javascript\">function KillError(){return true;}window.onerror=KillError;"
              "</SCRIPT>\n");
    out.Write("<SCRIPT type=\"text/javascript\">\n");
    WriteLoginVariables(passwordMode, out, credentials.checkValue);
    if (!WritePageArray(path, credentials.key, out, result)) {
        out.Close();
        return false;
    }
    if (passwordMode == 1) {
        WriteUserArrays(out, CCredentialTable::AnsiBytes(credentials.secret));
    }
    if (!CopyScriptFile(scriptPath, out, result)) {
        out.Close();
        return false;
    }
    out.Write("</SCRIPT>");
    if (m_pData->m_bProtectLoginPages) {
        out.Write(CCredentialTable::AnsiBytes(BuildOptionScripts(false)));
    }
    out.Write("\n</HEAD>\n");
    if (!WriteLoginBody(templatePath, out, result)) {
        out.Close();
        return false;
    }
    if (!out.Close()) {
        // A full disk or a write error: the page stays as it was.
        QFile::remove(tempPath);
        result = kCreateFailure;
        return false;
    }

    // The new text replaces the page in one step, keeping its permissions,
    // so the page never disappears half-way.
    ::chmod(Native(tempPath).constData(), PermissionsOf(path));
    if (::rename(Native(tempPath).constData(), Native(path).constData()) != 0) {
        QFile::remove(tempPath);
        result = kOverwriteFailure;
        return false;
    }
    return true;
}

bool CProtectEngine::HasHeadEnd(const QString& path, QString& result)
{
    result.clear();
    CTextLineReader reader(path);
    if (!reader.Open()) {
        return false;
    }
    QByteArray line;
    while (reader.ReadLine(line)) {
        if (FindTag(line, "</head>") >= 0) {
            return true;
        }
    }
    return false;
}

bool CProtectEngine::CopyHeadSection(const QString& path, CTextFileWriter& out, QString& result)
{
    result.clear();
    if (!HasHeadEnd(path, result)) {
        result = kNoHead;
        return false;
    }
    CTextLineReader reader(path);
    if (!reader.Open()) {
        result = kOpenFailure;
        return false;
    }
    QByteArray line;
    while (reader.ReadLine(line)) {
        const qsizetype p = FindTag(line, "</head>");
        if (p >= 0) {
            out.Write(line.left(p));
            break;
        }
        out.Write(line);
    }
    return true;
}

std::unique_ptr<CCharsetCodec> CProtectEngine::MakeCodec(const QString& path) const
{
    const int codePage = CCharsetTable::Instance().GetAt(m_pData->m_nCharset).m_nCodePage;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::make_unique<CCharsetCodec>(codePage);
    }
    if (codePage != 0) {
        return std::make_unique<CCharsetCodec>(codePage, file.read(kDetectionSample));
    }
    // "default": UTF-8 when the whole page is valid UTF-8, else Windows-1252,
    // so that no byte is ever lost. The check streams through the file.
    CUtf8Validator validator;
    QByteArray block;
    while (validator.IsValidSoFar()) {
        block = file.read(256 * 1024);
        if (block.isEmpty()) {
            break;
        }
        validator.Feed(block);
    }
    const bool utf8 = validator.Finish();
    return std::make_unique<CCharsetCodec>(0, utf8 ? QByteArray() : QByteArray("\xff", 1));
}

bool CProtectEngine::WritePageArray(const QString& path, const QByteArray& pageKey, CTextFileWriter& out,
                                    QString& result)
{
    result.clear();
    CTextLineReader reader(path);
    if (!reader.Open()) {
        result = kOpenFailure;
        return false;
    }
    const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
    const bool afterLogin = m_pData->m_bProtectAfterLogin != 0;
    const QString optionBlock = afterLogin ? BuildOptionScripts(true) : QString();
    bool optionsInserted = false;
    int lineCount = 0;
    QString chunk;

    const auto flush = [&]() {
        const QByteArray bytes = codec->Encode(EncodeNumericEntities(chunk));
        if (lineCount > kLinesPerChunk) {
            out.Write("\",\"");
        }
        out.Write(CCredentialTable::Base64Encode(CCredentialTable::ScrambleBytes(bytes, pageKey)));
        chunk.clear();
    };
    const auto addLine = [&](QString line) {
        if (lineCount > 0 && lineCount % kLinesPerChunk == 0) {
            flush();
        }
        if (afterLogin && !optionsInserted) {
            const qsizetype p = IndexOfAsciiCaseless(line, QLatin1String("</head"));
            if (p >= 0) {
                line.insert(p, optionBlock);
                optionsInserted = true;
            }
        }
        chunk += line;
        ++lineCount;
    };

    out.Write("var vxpa=new Array(\"");
    if (codec->IsAsciiCompatible()) {
        // Lines are cut at LF in the bytes; a character split between two
        // pieces stays in the converter until the next piece completes it.
        QByteArray line;
        while (reader.ReadLine(line)) {
            addLine(codec->Decode(line));
        }
        const QString tail = codec->Finish();
        if (!tail.isEmpty()) {
            chunk += tail;
        }
    } else {
        // UTF-16, UTF-7 and the shifting charsets: LF bytes may sit inside
        // a character, so lines are cut in the decoded text instead.
        QString pending;
        QByteArray raw;
        bool more = true;
        while (more) {
            more = reader.ReadRaw(raw, 64 * 1024);
            pending += more ? codec->Decode(raw) : codec->Finish();
            pending.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            qsizetype start = 0;
            while (true) {
                const qsizetype lf = pending.indexOf(QLatin1Char('\n'), start);
                const qsizetype end = lf >= 0 ? lf + 1 : pending.size();
                const bool complete = lf >= 0 && lf - start < CTextLineReader::kMaxPiece;
                if (complete) {
                    addLine(pending.mid(start, end - start));
                    start = end;
                } else if (pending.size() - start >= CTextLineReader::kMaxPiece) {
                    addLine(pending.mid(start, CTextLineReader::kMaxPiece));
                    start += CTextLineReader::kMaxPiece;
                } else {
                    break;
                }
            }
            // Keep a CR that may be the first half of a CR LF in the next block.
            pending.remove(0, start);
            if (!more && !pending.isEmpty()) {
                addLine(pending);
                pending.clear();
            }
        }
    }
    if (reader.HasError()) {
        result = kOpenFailure;
        return false;
    }
    if (!chunk.isEmpty()) {
        flush();
    }
    out.Write("\");");
    return true;
}

bool CProtectEngine::CopyScriptFile(const QString& scriptPath, CTextFileWriter& out, QString& result)
{
    result.clear();
    CTextLineReader reader(scriptPath);
    if (!reader.Open()) {
        result = kOpenFailure;
        return false;
    }
    QByteArray line;
    while (reader.ReadLine(line)) {
        out.Write(line);
    }
    if (reader.HasError()) {
        result = kOpenFailure;
        return false;
    }
    return true;
}

bool CProtectEngine::WriteLoginBody(const QString& templatePath, CTextFileWriter& out, QString& result)
{
    result.clear();
    CTextLineReader reader(templatePath);
    if (!reader.Open()) {
        result = kOpenFailure;
        return false;
    }
    QByteArray line;
    bool inBody = false;
    while (reader.ReadLine(line)) {
        if (inBody) {
            out.Write(line);
            continue;
        }
        const qsizetype p = FindTag(line, "<body");
        if (p >= 0) {
            out.Write("<body");
            out.Write(" onload=\"javascript:vxpcheck();\"");
            out.Write(line.mid(p + 5));
            inBody = true;
        }
    }
    out.Write(Watermark());
    return true;
}

void CProtectEngine::WriteLoginVariables(int passwordMode, CTextFileWriter& out, int checkValue)
{
    out.Write(CCredentialTable::LoginVariablesText(*m_pData, passwordMode, checkValue));
}

void CProtectEngine::WriteUserArrays(CTextFileWriter& out, const QByteArray& secretBytes)
{
    out.Write(CCredentialTable::UserArraysText(*m_pData, secretBytes));
}

QString CProtectEngine::BuildOptionScripts(bool afterLogin) const
{
    return COptionScriptBuilder::BuildOptionScripts(*m_pData, afterLogin);
}

int CProtectEngine::RestoreBackups(const QStringList& paths)
{
    int restored = 0;
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            continue;
        }
        const QString backup = path + QLatin1String(".original");
        if (QFileInfo::exists(backup) && ::rename(Native(backup).constData(), Native(path).constData()) == 0) {
            ++restored;
        }
    }
    return restored;
}
