#include "engine/ProtectEngine.h"

#include "common/AppInfo.h"
#include "common/AsciiText.h"
#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/InputFile.h"
#include "common/SystemError.h"
#include "engine/ClassicArrayWriter.h"
#include "engine/CredentialTable.h"
#include "engine/DeflateAhead.h"
#include "engine/NumericReferences.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/ProtectOutcome.h"
#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "engine/StrongPageWriter.h"
#include "engine/StrongSiteKeys.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/AppGlobalData.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Utf8Validator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Detecting charsets decide from this much of the page.
constexpr qint64 kDetectionSample = 64 * 1024;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// The system's words for a failure, added to a result text; nothing when
// no error number was recorded.
QString ReasonOf(int error)
{
    return error != 0 ? GetSystemErrorText(error) : QString();
}

qsizetype FindTag(const QByteArray& line, const char* tag)
{
    return AsciiText::FindTag(QByteArrayView(line), tag);
}

// FindTag from a position on.
qsizetype FindTagFrom(const QByteArray& line, const char* tag, qsizetype from)
{
    if (from >= line.size()) {
        return -1;
    }
    const qsizetype p = FindTag(QByteArray::fromRawData(line.constData() + from, line.size() - from), tag);
    return p < 0 ? -1 : from + p;
}

bool EndsTagName(const QByteArray& line, qsizetype at)
{
    if (at >= line.size()) {
        return true;
    }
    const char c = line.at(at);
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '>' || c == '/';
}

// A link that makes the browser fetch a script ahead: preload as=script or
// modulepreload. tag is the element's text from "<link" to its ">".
bool IsScriptPreload(const QByteArray& tag)
{
    const QByteArray lower = tag.toLower();
    const auto value = [&lower](const char* name) {
        const QByteArray key = QByteArray(name) + '=';
        qsizetype at = 0;
        while ((at = lower.indexOf(key, at)) >= 0) {
            const char before = at > 0 ? lower.at(at - 1) : ' ';
            at += key.size();
            if (before != ' ' && before != '\t' && before != '\n' && before != '\r' && before != '\f') {
                continue;
            }
            const char quote = at < lower.size() ? lower.at(at) : ' ';
            if (quote == '"' || quote == '\'') {
                const qsizetype end = lower.indexOf(quote, at + 1);
                return lower.mid(at + 1, end < 0 ? -1 : end - at - 1);
            }
            qsizetype end = at;
            while (end < lower.size() && !EndsTagName(lower, end)) {
                ++end;
            }
            return lower.mid(at, end - at);
        }
        return QByteArray();
    };
    const QList<QByteArray> rels = value("rel").simplified().split(' ');
    if (rels.contains("modulepreload")) {
        return true;
    }
    return rels.contains("preload") && value("as").trimmed() == "script";
}

// The login page's copy of a page's head leaves the page's scripts out:
// they run once, when the page itself is written after login. Comments and
// everything else stay byte for byte, and nothing past the first "</head>"
// is copied, even one inside a script, as before. Fed line by line, so a
// script may span lines.
class HeadScriptFilter
{
public:
    // Appends what the login page keeps of line to kept; false once the
    // head has ended.
    bool Feed(const QByteArray& line, QByteArray& kept)
    {
        const qsizetype headEnd = FindTag(line, "</head>");
        const qsizetype end = headEnd >= 0 ? headEnd : line.size();
        qsizetype pos = 0;
        while (pos < end) {
            if (m_inScript) {
                const qsizetype close = FindTagFrom(line, "</script", pos);
                if (close < 0 || close >= end) {
                    break;
                }
                const qsizetype gt = line.indexOf('>', close);
                pos = gt < 0 || gt >= end ? end : gt + 1;
                m_inScript = false;
                continue;
            }
            if (m_inComment) {
                const qsizetype close = line.indexOf("-->", pos);
                const qsizetype stop = close < 0 || close + 3 > end ? end : close + 3;
                kept.append(line.constData() + pos, stop - pos);
                pos = stop;
                m_inComment = stop == end && (close < 0 || close + 3 > end);
                continue;
            }
            const qsizetype lt = line.indexOf('<', pos);
            if (lt < 0 || lt >= end) {
                kept.append(line.constData() + pos, end - pos);
                break;
            }
            kept.append(line.constData() + pos, lt - pos);
            pos = lt;
            if (line.mid(lt, 4) == "<!--") {
                m_inComment = true;
                kept.append("<!--");
                pos = lt + 4;
            } else if (FindTagFrom(line, "<script", lt) == lt && EndsTagName(line, lt + 7)) {
                m_inScript = true;
                pos = lt + 7;
            } else if (FindTagFrom(line, "<link", lt) == lt && EndsTagName(line, lt + 5)) {
                const qsizetype gt = line.indexOf('>', lt);
                const qsizetype stop = gt < 0 || gt >= end ? end : gt + 1;
                if (!IsScriptPreload(line.mid(lt, stop - lt))) {
                    kept.append(line.constData() + lt, stop - lt);
                }
                pos = stop;
            } else {
                kept.append('<');
                pos = lt + 1;
            }
        }
        return headEnd < 0;
    }

private:
    bool m_inScript = false;
    bool m_inComment = false;
};

// A page is replaced by renaming the new text over it. That needs a
// writable folder, and a read-only page stays as it is too, as a user
// expects, even where its folder would allow the rename. Both are told
// apart from a failure to create the temporary file: the page can't be
// replaced. Returns 0 or the errno value that says why not.
int CanReplace(const QString& path, mode_t* mode)
{
    struct stat st
    {
    };
    if (::stat(Native(path).constData(), &st) != 0) {
        return errno;
    }
    if (!(st.st_mode & S_IWUSR)) {
        return EACCES;
    }
    *mode = st.st_mode & 07777;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder =
        slash > 0 ? path.left(slash) : (slash == 0 ? QStringLiteral("/") : QStringLiteral("."));
    return ::access(Native(folder).constData(), W_OK) == 0 ? 0 : errno;
}

// Copies a page (or its bytes already in memory) into a file that is not
// in place yet. Returns 0 or an errno value.
int FillCopy(CAtomicFile& to, const QByteArray* contents, const QString& from)
{
    if (contents) {
        return to.Write(*contents) ? 0 : to.Error();
    }
    const int in = ::open(Native(from).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        return errno;
    }
    char buffer[64 * 1024];
    int err = 0;
    while (err == 0) {
        const ssize_t n = ::read(in, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        if (!to.Write(buffer, n)) {
            err = to.Error();
        }
    }
    ::close(in);
    return err;
}

// Waits at a named step when a test asks for it (WENDLOCK_TEST_PAUSE=
// "step:milliseconds"), so that races can be tested without guessing times.
void PauseAt(const char* step)
{
    static const QByteArray request = qgetenv("WENDLOCK_TEST_PAUSE");
    if (request.isEmpty()) {
        return;
    }
    const qsizetype colon = request.indexOf(':');
    if (colon > 0 && request.left(colon) == step) {
        ::usleep(useconds_t(request.mid(colon + 1).toInt()) * 1000);
    }
}

// Puts a backup over its page in one step. A backup kept on another file
// system is first copied beside the page, then renamed over it. `error`
// gets the errno value of a failure.
bool MoveOver(const QString& from, const QString& to, int* error = nullptr)
{
    int ignored = 0;
    int& err = error ? *error : ignored;
    // Only a backup that is a file of its own goes back: a link there could
    // put any file of the system in the page's place.
    struct stat own
    {
    };
    if (::lstat(Native(from).constData(), &own) != 0) {
        err = errno;
        return false;
    }
    if (!S_ISREG(own.st_mode)) {
        err = EINVAL;
        return false;
    }
    if (::rename(Native(from).constData(), Native(to).constData()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        err = errno;
        return false;
    }
    struct stat st
    {
    };
    if (::stat(Native(from).constData(), &st) != 0) {
        err = errno;
        return false;
    }
    CAtomicFile target(to);
    if (target.OpenLike(st)) {
        target.CopyExtendedAttributes(from);
        target.KeepTimes(st);
    }
    if (target.Error() != 0 || (err = FillCopy(target, nullptr, from)) != 0 || !target.Commit()) {
        err = err != 0 ? err : target.Error();
        return false;
    }
    ::unlink(Native(from).constData());
    return true;
}

} // namespace

CProtectEngine::CProtectEngine(const CAppGlobalData* data, IResultList* resultList)
    : m_pData(data), m_pResultList(resultList)
{
}

CProtectEngine::~CProtectEngine()
{
    SyncFolders();
}

void CProtectEngine::SyncFolders()
{
    // A folder that can't be synced (an I/O error) has its renames done
    // all the same; they are as durable as the system makes them.
    for (const QString& folder : std::as_const(m_unsyncedFolders)) {
        CAtomicFile::SyncFolder(folder);
    }
    m_unsyncedFolders.clear();
}

void CProtectEngine::NoteRenameIn(const QString& folder)
{
    if (!folder.isEmpty() && !m_unsyncedFolders.contains(folder)) {
        m_unsyncedFolders.append(folder);
    }
}

CRunFiles& CProtectEngine::RunFiles()
{
    // Made at first use, so that engines handed the run's files never look
    // the scripts up themselves (on worker threads, for nothing).
    if (!m_pRunFiles) {
        m_pRunFiles = std::make_shared<CRunFiles>();
    }
    return *m_pRunFiles;
}

QString CProtectEngine::RestoreQuestionText(const QString& path)
{
    return QStringLiteral(
               "The file \"%1\" was already protected before. Do you want to restore it first then "
               "protect again?")
        .arg(path);
}

QString CProtectEngine::ClassicToStrongWarning(int pages)
{
    return QStringLiteral(
               "%1 page(s) were protected in the classic format before. Copies of those pages (old "
               "deploys, caches, backups) give away a digest of the password that opens them without "
               "guessing: protect with a new password.")
        .arg(pages);
}

QByteArray CProtectEngine::Watermark()
{
    return QByteArrayLiteral("\n<!-- Protected by Wendlock ") + AppInfo::ProgramVersion().toLatin1() +
           QByteArrayLiteral(" -->\n");
}

QString CProtectEngine::EncodeNumericEntities(QStringView text)
{
    return NumericReferences::Encode(text);
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
    m_nClassicMet = 0;
    for (const QString& path : m_pData->m_listFiles) {
        ProtectOne(path);
    }
    SyncFolders();
    return true;
}

ProtectOutcome CProtectEngine::ProtectOne(const QString& path)
{
    // A template that can't serve is refused before any page is touched.
    if (!m_bTemplateChecked) {
        m_strTemplateProblem = CheckTemplate();
        m_bTemplateChecked = true;
    }
    if (!m_strTemplateProblem.isEmpty()) {
        AddResult(path, ProtectOutcome::TemplateFailure, m_strTemplateProblem);
        return ProtectOutcome::TemplateFailure;
    }
    QString result;
    // The page's folder stays locked from the first look at the page to
    // the last rename, so no other run interleaves with this one there.
    std::unique_ptr<CFolderLock> lock;
    if (!LockFolderOf(path, lock, result)) {
        AddResult(path, m_eLastOutcome, result);
        return m_eLastOutcome;
    }
    LoadPage(path);
    ProtectOutcome outcome = ProtectOutcome::Protected;
    if (IsProtected(path, result)) {
        if (m_pData->m_nCipher == CAppGlobalData::kCipherStrong && m_bLastWasClassic) {
            ++m_nClassicMet;
        }
        const Answer answer = m_restoreQuestion ? m_restoreQuestion(path) : Answer::No;
        int moveError = ENOENT;
        if (answer != Answer::Yes) {
            outcome = ProtectOutcome::ProtectedBefore;
        } else if (const QString backup = BackupPath(path, m_strBackupFolder);
                   !QFileInfo::exists(backup) || !MoveOver(backup, path, &moveError)) {
            // The backup replaces the protected page in one step, so a
            // failure leaves the page as it was.
            result = Fail(ProtectOutcome::RestoreFailure, ReasonOf(moveError));
            outcome = m_eLastOutcome;
        } else {
            NoteRenameIn(m_strPageFolder);
            ForgetPage();
            outcome = ProtectLockedFile(path, result) ? ProtectOutcome::Protected : m_eLastOutcome;
        }
    } else {
        outcome = ProtectLockedFile(path, result) ? ProtectOutcome::Protected : m_eLastOutcome;
    }
    if (outcome == ProtectOutcome::Protected) {
        ++m_nProtected;
    }
    ForgetPage();
    AddResult(path, outcome, IsProtectedOutcome(outcome) ? ProtectResultText(outcome) : result);
    return outcome;
}

QString CProtectEngine::CheckTemplate()
{
    const QString path = m_pData->m_strTemplatePath;
    const std::shared_ptr<const CRunFiles::Lines> lines = RunFiles().LinesOf(path);
    if (!lines) {
        return QStringLiteral("Open file failure! (template %1)").arg(path);
    }
    for (const QByteArray& line : *lines) {
        if (FindTag(line, "<body") >= 0) {
            return {};
        }
    }
    return QStringLiteral("The template %1 has no <body> tag!").arg(path);
}

bool CProtectEngine::LockFolderOf(const QString& path, std::unique_ptr<CFolderLock>& lock, QString& result)
{
    // A linked page is written in its target's folder.
    const QFileInfo info(path);
    const QString real =
        info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QString folder = QFileInfo(real).absolutePath();
    lock = std::make_unique<CFolderLock>(folder);
    if (lock->IsLocked()) {
        RunFiles().RemoveLeftoversOnce(folder);
        // The renames of the pages before are made durable together, once
        // the run leaves their folder.
        if (!m_unsyncedFolders.isEmpty() && !m_unsyncedFolders.contains(folder)) {
            SyncFolders();
        }
        m_strPageFolder = folder;
        return true;
    }
    if (lock->Error() == EWOULDBLOCK) {
        result = Fail(ProtectOutcome::FolderBusy);
        return false;
    }
    // A missing folder: the page is reported missing as usual.
    lock.reset();
    return true;
}

void CProtectEngine::LoadPage(const QString& path)
{
    ForgetPage();
    // Opened without blocking and checked: a pipe named like a page must
    // not stop the run. A larger page is streamed from the file instead.
    constexpr qint64 kMaxLoaded = 8 * 1024 * 1024;
    if (!InputFile::Read(path, &m_loadedPage, nullptr, kMaxLoaded)) {
        ForgetPage();
        return;
    }
    m_strLoadedPage = path;
    m_bPageLoaded = true;
}

bool CProtectEngine::DeflateAhead(const QString& path)
{
    if (!m_pDeflateAhead || m_pDeflateAhead->Full()) {
        return false;
    }
    LoadPage(path);
    const QByteArray* loaded = LoadedPage(path);
    bool done = false;
    if (loaded && loaded->size() <= CStrongPageWriter::kWholeText &&
        DetectProtection(path, loaded) == Protection::None) {
        CTextLineReader reader(path, loaded);
        const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
        done = reader.Open() &&
               CStrongPageWriter::DeflateAhead(path, reader, *codec, AfterLoginBlock(), *m_pDeflateAhead);
    }
    ForgetPage();
    return done;
}

void CProtectEngine::ForgetPage()
{
    m_strLoadedPage.clear();
    m_loadedPage.clear();
    m_bPageLoaded = false;
}

const QByteArray* CProtectEngine::LoadedPage(const QString& path) const
{
    return m_bPageLoaded && path == m_strLoadedPage ? &m_loadedPage : nullptr;
}

bool CProtectEngine::ProtectFile(const QString& path, QString& result)
{
    result.clear();
    std::unique_ptr<CFolderLock> lock;
    if (!path.isEmpty() && !LockFolderOf(path, lock, result)) {
        return false;
    }
    return ProtectLockedFile(path, result);
}

bool CProtectEngine::ProtectLockedFile(const QString& path, QString& result)
{
    result.clear();
    if (path.isEmpty()) {
        return false;
    }
    struct stat st
    {
    };
    if (::stat(Native(path).constData(), &st) != 0 || S_ISDIR(st.st_mode)) {
        result = Fail(ProtectOutcome::FileNotExists);
        return false;
    }
    // A pipe or a device named like a page would block the run or never end.
    if (!S_ISREG(st.st_mode)) {
        result = Fail(ProtectOutcome::NotRegularFile);
        return false;
    }
    // The backup is written now but put in place only with the new page
    // (see WritePage): a run that fails leaves page and backup as they were.
    std::unique_ptr<CAtomicFile> backup;
    if (m_pData->m_bBackup) {
        const QString backupPath = BackupPath(path, m_strBackupFolder);
        if (!m_strBackupFolder.isEmpty() && !QDir().mkpath(QFileInfo(backupPath).absolutePath())) {
            result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(errno));
            return false;
        }
        // A backup folder of its own collects the leftovers of killed runs
        // as the pages' folders do.
        if (!m_strBackupFolder.isEmpty()) {
            const QString backupFolder = QFileInfo(backupPath).absolutePath();
            RunFiles().RemoveLeftoversOnce(backupFolder);
            struct stat folderInfo
            {
            };
            m_bBackupOnOtherDevice =
                ::stat(Native(backupFolder).constData(), &folderInfo) == 0 && folderInfo.st_dev != st.st_dev;
        } else {
            m_bBackupOnOtherDevice = false;
        }
        backup = std::make_unique<CAtomicFile>(backupPath);
        // A link put at the backup's name is replaced, never written through.
        backup->SetReplaceLinks(true);
        const int err = backup->OpenLike(st) ? FillCopy(*backup, LoadedPage(path), path) : backup->Error();
        // The backup is the page as it was, down to its attributes and
        // times: a restore renames it back in their place.
        backup->CopyExtendedAttributes(path);
        backup->KeepTimes(st);
        backup->StartWriteback();
        if (err != 0) {
            result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(err));
            return false;
        }
    }
    m_pPendingBackup = backup.get();
    const bool ok = WritePage(path, m_pData->m_nPasswordMode, result);
    m_pPendingBackup = nullptr;
    if (!ok) {
        return false;
    }
    result = ProtectResultText(ProtectOutcome::Protected);
    return true;
}

bool CProtectEngine::IsProtected(const QString& path, QString& result)
{
    result.clear();
    const Protection kind = DetectProtection(path, LoadedPage(path));
    m_bLastWasClassic = kind == Protection::Classic;
    return kind != Protection::None;
}

CProtectEngine::Protection CProtectEngine::DetectProtection(const QString& path, const QByteArray* contents)
{
    // What every page writer produces: the error suppressor and the main
    // script's first statement, then one format's content array, and the
    // watermark comment at the very end. A page that merely quotes one of
    // these texts is not protected.
    static const QByteArray opening = QByteArrayLiteral(
        "window.onerror=KillError;</SCRIPT>\r\n<SCRIPT type=\"text/javascript\">\r\nvar LoginExpireType=");
    static const QByteArray classic = ProtectionMarker() + '"';
    static const QByteArray strong = StrongMarker();
    static const QByteArray ending = QByteArrayLiteral("\r\n<!-- Protected by Wendlock ");
    constexpr qsizetype kTail = 96;

    QFile file(path);
    QByteArray tail;
    if (contents) {
        tail = contents->right(kTail);
    } else {
        const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st
        {
        };
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0) {
                ::close(fd);
            }
            return Protection::None;
        }
        if (file.size() > kTail) {
            file.seek(file.size() - kTail);
        }
        tail = file.read(kTail);
        file.seek(0);
    }
    const qsizetype end = AsciiText::LastIndexOf(tail, ending);
    if (end < 0 || !tail.endsWith(" -->\r\n") || tail.indexOf('\n', end + 2) != tail.size() - 1) {
        return Protection::None;
    }

    // The opening, then the first content array after it; read in blocks
    // that overlap by a marker's length.
    bool opened = false;
    QByteArray window;
    const auto scan = [&](QByteArrayView block) -> Protection {
        window.append(block.data(), block.size());
        if (!opened) {
            const qsizetype at = window.indexOf(opening);
            if (at < 0) {
                window = window.right(opening.size());
                return Protection::None;
            }
            opened = true;
            window.remove(0, at + opening.size());
        }
        const qsizetype c = window.indexOf(classic);
        const qsizetype s = window.indexOf(strong);
        if (c >= 0 && (s < 0 || c < s)) {
            return Protection::Classic;
        }
        if (s >= 0) {
            return Protection::Strong;
        }
        window = window.right(qMax(classic.size(), strong.size()));
        return Protection::None;
    };
    if (contents) {
        return scan(QByteArrayView(*contents));
    }
    while (true) {
        const QByteArray block = file.read(1024 * 1024);
        if (block.isEmpty()) {
            return Protection::None;
        }
        const Protection found = scan(QByteArrayView(block));
        if (found != Protection::None) {
            return found;
        }
    }
}

QString CProtectEngine::Fail(ProtectOutcome outcome, const QString& detail)
{
    m_eLastOutcome = outcome;
    return ProtectResultText(outcome, detail);
}

void CProtectEngine::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    if (m_pResultList) {
        m_pResultList->AddResult(path, outcome, text);
    }
}

bool CProtectEngine::WritePage(const QString& path, int passwordMode, QString& result)
{
    result.clear();
    const QString templatePath = m_pData->m_strTemplatePath;
    const bool strong = m_pData->m_nCipher == CAppGlobalData::kCipherStrong;
    if (strong && !m_pStrongKeys && m_strKeyError.isEmpty()) {
        m_pStrongKeys = CStrongSiteKeys::Derive(*m_pData, 1, &m_strKeyError);
    }
    if (strong && !m_pStrongKeys) {
        result = Fail(ProtectOutcome::KeyFailure, m_strKeyError);
        return false;
    }

    mode_t mode = 0644;
    if (const int err = CanReplace(path, &mode); err != 0) {
        result = Fail(ProtectOutcome::OverwriteFailure, ReasonOf(err));
        return false;
    }
    CTextFileWriter out(path);
    if (!out.Open(mode)) {
        result = Fail(ProtectOutcome::CreateFailure, ReasonOf(out.Error()));
        return false;
    }
    out.CopyExtendedAttributes(path);

    bool ok = false;
    if (m_pData->m_bCopyHead) {
        ok = CopyHeadSection(path, out, result) || CopyHeadSection(templatePath, out, result);
    } else {
        ok = CopyHeadSection(templatePath, out, result);
    }
    if (!ok) {
        out.Discard();
        return false;
    }

    out.Write("<SCRIPT type=\"text/javascript\">function KillError(){return true;}window.onerror=KillError;"
              "</SCRIPT>\n");
    out.Write("<SCRIPT type=\"text/javascript\">\n");
    ok = strong ? WriteStrongScript(path, passwordMode, out, result)
                : WriteClassicScript(path, passwordMode, out, result);
    if (!ok) {
        out.Discard();
        return false;
    }
    out.Write("</SCRIPT>");
    if (m_pData->m_bProtectLoginPages) {
        out.Write(CCredentialTable::AnsiBytes(BuildOptionScripts(false)));
    }
    out.Write("\n</HEAD>\n");
    if (!WriteLoginBody(templatePath, out, result)) {
        out.Discard();
        return false;
    }
    PauseAt("page-written");
    if (out.HasError()) {
        // A full disk or a write error: page and backup stay as they were.
        out.Discard();
        result = Fail(ProtectOutcome::CreateFailure, ReasonOf(out.Error()));
        return false;
    }
    // The backup goes in place first: killed between the two renames, the
    // run leaves an up-to-date backup beside the unprotected page, never an
    // older backup beside the protected one. Each file's data reaches the
    // disk before its rename, so a power cut never leaves a name bound to
    // lost data; the page's writeback starts first, to share the wait.
    out.StartWriteback();
    if (m_pPendingBackup && !m_pPendingBackup->Commit(true)) {
        out.Discard();
        result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(m_pPendingBackup->Error()));
        return false;
    }
    if (m_pPendingBackup) {
        const QString backupFolder = QFileInfo(m_pPendingBackup->ResolvedTarget()).absolutePath();
        // On one file system the journal keeps the two renames in order; a
        // backup folder on another one is synced before the page changes.
        if (m_bBackupOnOtherDevice) {
            CAtomicFile::SyncFolder(backupFolder);
        } else {
            NoteRenameIn(backupFolder);
        }
    }
    // The new text replaces the page in one step, keeping its permissions,
    // owner and group, so the page never disappears half-way.
    NoteRenameIn(m_strPageFolder);
    if (!out.Commit(true)) {
        result = Fail(out.Error() == EFBIG || out.Error() == ENOSPC || out.HasError()
                          ? ProtectOutcome::CreateFailure
                          : ProtectOutcome::OverwriteFailure,
                      ReasonOf(out.Error()));
        return false;
    }
    return true;
}

bool CProtectEngine::WriteClassicScript(const QString& path, int passwordMode, CTextFileWriter& out,
                                        QString& result)
{
    const CCredentialTable::PageCredentials credentials =
        passwordMode == CAppGlobalData::kMultipleUsers
            ? CCredentialTable::MultiUserCredentials()
            : CCredentialTable::SinglePasswordCredentials(*m_pData);
    out.Write(CCredentialTable::LoginVariablesText(*m_pData, passwordMode, credentials.checkValue));
    if (!WritePageArray(path, credentials.key, out, result)) {
        return false;
    }
    if (passwordMode == CAppGlobalData::kMultipleUsers) {
        out.Write(
            CCredentialTable::UserArraysText(*m_pData, CCredentialTable::AnsiBytes(credentials.secret)));
    }
    // The login script runs in an element of its own: a page of more chunks
    // than a browser takes as arguments of one call (65535 in Chromium)
    // fails to compile as a whole, and the login script then reads the
    // arrays from the data element's text.
    out.Write("</SCRIPT>\n<SCRIPT>\n");
    return CopyScriptFile(RunFiles().LoginScriptPath(false, passwordMode), out, result);
}

bool CProtectEngine::WriteStrongScript(const QString& path, int passwordMode, CTextFileWriter& out,
                                       QString& result)
{
    out.Write(CCredentialTable::LoginVariablesText(*m_pData, passwordMode, std::nullopt));
    CTextLineReader reader(path, LoadedPage(path));
    if (!reader.Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
    CStrongPageWriter writer(*m_pStrongKeys);
    writer.SetDeflateAhead(m_pDeflateAhead.get(), path);
    if (!writer.WriteData(reader, *codec, AfterLoginBlock(), out, result)) {
        return false;
    }
    return CopyScriptFile(RunFiles().LoginScriptPath(true, passwordMode), out, result);
}

bool CProtectEngine::HasHeadEnd(const QString& path, QString& result)
{
    result.clear();
    if (path == m_pData->m_strTemplatePath) {
        const std::shared_ptr<const CRunFiles::Lines> lines = RunFiles().LinesOf(path);
        return lines && std::any_of(lines->cbegin(), lines->cend(),
                                    [](const QByteArray& line) { return FindTag(line, "</head>") >= 0; });
    }
    CTextLineReader reader(path, LoadedPage(path));
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
        result = Fail(ProtectOutcome::NoHeadSection);
        return false;
    }
    if (path == m_pData->m_strTemplatePath) {
        // The template's head is the login page's own: copied whole.
        const auto copyLine = [&out](const QByteArray& line) {
            const qsizetype p = FindTag(line, "</head>");
            out.Write(p >= 0 ? line.left(p) : line);
            return p < 0;
        };
        const std::shared_ptr<const CRunFiles::Lines> lines = RunFiles().LinesOf(path);
        if (!lines) {
            result = Fail(ProtectOutcome::OpenFailure);
            return false;
        }
        for (const QByteArray& line : *lines) {
            if (!copyLine(line)) {
                break;
            }
        }
        return true;
    }
    CTextLineReader reader(path, LoadedPage(path));
    if (!reader.Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    HeadScriptFilter filter;
    QByteArray line;
    QByteArray kept;
    bool more = true;
    while (more && reader.ReadLine(line)) {
        kept.clear();
        more = filter.Feed(line, kept);
        out.Write(kept);
    }
    return true;
}

std::unique_ptr<CCharsetCodec> CProtectEngine::MakeCodec(const QString& path) const
{
    int codePage = CCharsetTable::Instance().GetAt(m_pData->m_nCharset).m_nCodePage;
    const QByteArray* loaded = LoadedPage(path);
    if (codePage == 0) {
        // "default": a UTF-16 byte-order mark wins over every other guess.
        QByteArray start = loaded ? loaded->left(2) : QByteArray();
        if (!loaded) {
            QFile head(path);
            if (head.open(QIODevice::ReadOnly)) {
                start = head.read(2);
            }
        }
        if (start == QByteArrayView("\xff\xfe", 2)) {
            codePage = 1200;
        } else if (start == QByteArrayView("\xfe\xff", 2)) {
            codePage = 1201;
        }
    }
    if (loaded) {
        if (codePage != 0) {
            return std::make_unique<CCharsetCodec>(
                codePage, QByteArrayView(*loaded).first(qMin<qsizetype>(loaded->size(), kDetectionSample)));
        }
        const bool utf8 = QByteArrayView(*loaded).isValidUtf8();
        return std::make_unique<CCharsetCodec>(0, utf8 ? QByteArray() : QByteArray("\xff", 1));
    }
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
    CTextLineReader reader(path, LoadedPage(path));
    if (!reader.Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
    CClassicArrayWriter writer(out, pageKey, AfterLoginBlock());
    if (!writer.Write(reader, *codec, LoadedPage(path))) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    return true;
}

bool CProtectEngine::CopyScriptFile(const QString& scriptPath, CTextFileWriter& out, QString& result)
{
    result.clear();
    const std::shared_ptr<const QByteArray> script = RunFiles().ScriptOf(scriptPath);
    if (!script) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    out.WriteConverted(*script);
    return true;
}

bool CProtectEngine::WriteLoginBody(const QString& templatePath, CTextFileWriter& out, QString& result)
{
    result.clear();
    const std::shared_ptr<const CRunFiles::Lines> lines = RunFiles().LinesOf(templatePath);
    if (!lines) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    bool inBody = false;
    for (const QByteArray& line : *lines) {
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

QString CProtectEngine::BuildOptionScripts(bool afterLogin) const
{
    return COptionScriptBuilder::BuildOptionScripts(*m_pData, afterLogin);
}

QString CProtectEngine::AfterLoginBlock() const
{
    return m_pData->m_bProtectAfterLogin ? BuildOptionScripts(true) : QString();
}

QString CProtectEngine::BackupPath(const QString& path, const QString& folder)
{
    if (folder.isEmpty()) {
        return path + QLatin1String(".original");
    }
    return QDir::cleanPath(QDir(folder).absolutePath() + QLatin1Char('/') +
                           QFileInfo(path).absoluteFilePath()) +
           QLatin1String(".original");
}

int CProtectEngine::RestoreBackups(const QStringList& paths, const QString& backupFolder, CRunFiles* run)
{
    int restored = 0;
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            continue;
        }
        const QString backup = BackupPath(path, backupFolder);
        // Restore writes in both folders (a backup on another file system
        // is copied beside its page), and clears both as protect does.
        if (run) {
            run->RemoveLeftoversOnce(QFileInfo(path).absolutePath());
            run->RemoveLeftoversOnce(QFileInfo(backup).absolutePath());
        }
        // Only a protected page (or none) is replaced: a backup beside a
        // page that is not protected is older than the page's own text.
        const bool pageMissing = !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();
        if (!pageMissing && DetectProtection(path, nullptr) == Protection::None) {
            continue;
        }
        if (QFileInfo::exists(backup) && MoveOver(backup, path)) {
            ++restored;
        }
    }
    return restored;
}
