#include "engine/ProtectEngine.h"

#include "common/AppInfo.h"
#include "common/AsciiText.h"
#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/BackupBinding.h"
#include "engine/BackupRestore.h"
#include "engine/ClassicArrayWriter.h"
#include "engine/CredentialTable.h"
#include "engine/DeflateAhead.h"
#include "engine/HeadFilter.h"
#include "engine/NumericReferences.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/PageSnapshot.h"
#include "engine/ProtectOutcome.h"
#include "engine/ProtectionDetector.h"
#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "engine/SiteAssetPass.h"
#include "engine/StrongPageWriter.h"
#include "engine/StrongSiteKeys.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Project.h"
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

// Copies a page, from the descriptor it was opened with, into a file that
// is not in place yet. Returns 0 or an errno value.
int FillCopy(CAtomicFile& to, const CPageSnapshot& from)
{
    if (!from.ReadAll([&to](const char* data, qint64 size) { return to.Write(data, size); })) {
        return to.Error() != 0 ? to.Error() : (errno != 0 ? errno : EIO);
    }
    return 0;
}

CProtectEngine::StepHook& StepHookSlot()
{
    static CProtectEngine::StepHook hook;
    return hook;
}

// Waits at a named step when a test asks for it (WENDLOCK_TEST_PAUSE=
// "step:milliseconds"), so that races can be tested without guessing times.
// With WENDLOCK_TEST_PAUSE_SIGNAL=path the step creates that file, holding
// the page's path, when it is reached and waits until the test removes it
// (at most the given time).
void PauseAt(const char* step, const QString& path)
{
    if (const CProtectEngine::StepHook& hook = StepHookSlot()) {
        hook(step, path);
    }
    static const QByteArray request = qgetenv("WENDLOCK_TEST_PAUSE");
    if (request.isEmpty()) {
        return;
    }
    const qsizetype colon = request.indexOf(':');
    if (colon <= 0 || request.left(colon) != step) {
        return;
    }
    const int ms = request.mid(colon + 1).toInt();
    const QString signal = qEnvironmentVariable("WENDLOCK_TEST_PAUSE_SIGNAL");
    // Written whole under another name first: the test reads it as soon
    // as it appears.
    QFile file(signal + QStringLiteral(".part"));
    if (signal.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(path.toUtf8()) < 0 ||
        (file.close(), ::rename(Native(file.fileName()).constData(), Native(signal).constData()) != 0)) {
        ::usleep(useconds_t(ms) * 1000);
        return;
    }
    for (int waited = 0; waited < ms && QFile::exists(signal); waited += 10) {
        ::usleep(10000);
    }
}

} // namespace

void CProtectEngine::SetStepHook(StepHook hook)
{
    StepHookSlot() = std::move(hook);
}

CProtectEngine::CProtectEngine(const CProject* data, IResultList* resultList)
    : m_pData(data), m_pResultList(resultList), m_pBatch(std::make_unique<CPageBatch>(&PauseAt))
{
}

CProtectEngine::~CProtectEngine()
{
    CommitBatch();
}

void CProtectEngine::CommitBatch()
{
    if (!m_pBatch->IsEmpty()) {
        CommitRows();
    }
}

std::vector<CPageBatch::Row> CProtectEngine::CommitRows()
{
    std::vector<CPageBatch::Row> rows = m_pBatch->Commit();
    for (const CPageBatch::Row& row : rows) {
        if (row.outcome == ProtectOutcome::Protected) {
            ++m_nProtected;
        }
        if (m_pResultList) {
            m_pResultList->AddResult(row.path, row.outcome, row.text);
        }
    }
    return rows;
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

QByteArray CProtectEngine::Watermark(const QByteArray& binding)
{
    return QByteArrayLiteral("\n<!-- Protected by Wendlock ") + AppInfo::ProgramVersion().toLatin1() +
           (binding.isEmpty() ? QByteArray() : ' ' + binding) + QByteArrayLiteral(" -->\n");
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
    // Pages still in hand from earlier calls are finished first.
    CommitBatch();
    if (m_pResultList) {
        m_pResultList->DeleteAllItems();
    }
    m_nProtected = 0;
    m_nClassicMet = 0;
    const bool batched = m_bBatched;
    m_bBatched = true;
    for (const QString& path : m_pData->m_listFiles) {
        ProtectOne(path);
    }
    CommitBatch();
    m_bBatched = batched;
    return true;
}

ProtectOutcome CProtectEngine::ProtectOne(const QString& path)
{
    // A file the batch holds already (the same path twice, a link, another
    // hard link) is looked at again only once it is in place.
    struct stat st
    {
    };
    if (m_pBatch->HasPages() && ::stat(Native(path).constData(), &st) == 0 && m_pBatch->HoldsFile(st)) {
        CommitBatch();
    }
    ProtectOutcome outcome = ProtectIntoBatch(path);
    if (!m_bBatched) {
        // One page at a time: in place, durably, before the call returns.
        const std::vector<CPageBatch::Row> rows = CommitRows();
        if (outcome == ProtectOutcome::Pending && !rows.empty()) {
            outcome = rows.back().outcome;
        }
    } else if (m_pBatch->IsFull()) {
        CommitBatch();
    }
    return outcome;
}

ProtectOutcome CProtectEngine::ProtectIntoBatch(const QString& path)
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
    if (CBackupRestore::IsBackupName(path)) {
        AddResult(path, ProtectOutcome::NotAPage, ProtectResultText(ProtectOutcome::NotAPage));
        return ProtectOutcome::NotAPage;
    }
    QString result;
    // The page's folder stays locked from the first look at the page to
    // the last rename, so no other run interleaves with this one there.
    if (!LockFolderOf(TargetOf(path), result)) {
        AddResult(path, m_eLastOutcome, result);
        return m_eLastOutcome;
    }
    LoadPage(path);
    m_strNote.clear();
    ProtectOutcome outcome = ProtectOutcome::Protected;
    if (IsProtected(path, result)) {
        if (m_pData->m_nCipher == CProject::kCipherStrong && m_bLastWasClassic) {
            ++m_nClassicMet;
        }
        // A page written elsewhere has no backup to put back first.
        const Answer answer = m_restoreQuestion && !m_targetMap ? m_restoreQuestion(path) : Answer::No;
        if (answer != Answer::Yes && m_pData->m_nCipher == CProject::kCipherStrong && m_bLastWasClassic) {
            // Left classic, the page is not what this run protects.
            result = Fail(ProtectOutcome::StillClassic);
            outcome = m_eLastOutcome;
        } else if (answer != Answer::Yes) {
            outcome = ProtectOutcome::ProtectedBefore;
        } else if (!RestoreFirst(path, result)) {
            outcome = m_eLastOutcome;
        } else {
            m_pBatch->NoteRename(m_strPageFolder);
            ForgetPage();
            outcome = ProtectLockedFile(path, result) ? ProtectOutcome::Pending : m_eLastOutcome;
        }
    } else {
        outcome = ProtectLockedFile(path, result) ? ProtectOutcome::Pending : m_eLastOutcome;
    }
    ForgetPage();
    // A written page's row comes with the batch's commit.
    if (outcome != ProtectOutcome::Pending) {
        AddResult(path, outcome, IsProtectedOutcome(outcome) ? ProtectResultText(outcome) : result);
    }
    return outcome;
}

bool CProtectEngine::RestoreFirst(const QString& path, QString& result)
{
    const QString backupPath = CBackupRestore::FindBackup(path, m_strBackupFolder);
    CPageSnapshot backup;
    const CBackupRestore::Outcome checked = CBackupRestore::CheckBackup(*m_pPage, backupPath, backup);
    if (checked == CBackupRestore::Outcome::EarlierBackup) {
        result = Fail(ProtectOutcome::EarlierBackup);
        return false;
    }
    if (checked == CBackupRestore::Outcome::BackupProtected) {
        result = Fail(ProtectOutcome::BackupProtected);
        return false;
    }
    // The backup replaces the protected page in one step, so a failure
    // leaves the page as it was. A run without backups copies it instead:
    // it stays the one plain copy of the text, and the new page is bound to
    // it.
    if (m_pPage->Changed()) {
        result = Fail(ProtectOutcome::ChangedWhileProtected);
        return false;
    }
    // The reason names what the system said: no backup, no permission...
    const int error =
        checked == CBackupRestore::Outcome::BackupNotFile ? EINVAL
        : checked != CBackupRestore::Outcome::Restored
            ? ENOENT
            : CBackupRestore::PutBack(backup, CBackupRestore::PageFile(path), !m_pData->m_bBackup);
    if (error != 0) {
        result = Fail(ProtectOutcome::RestoreFailure, ReasonOf(error));
        return false;
    }
    return true;
}

QString CProtectEngine::StaleBackupNote(const QString& path) const
{
    const QString backupPath = CBackupRestore::FindBackup(path, m_strBackupFolder);
    struct stat st
    {
    };
    if (::lstat(Native(backupPath).constData(), &st) != 0) {
        return {};
    }
    CPageSnapshot backup;
    if (S_ISREG(st.st_mode) && backup.Open(backupPath) && m_binding.Matches(backup)) {
        return {};
    }
    return QStringLiteral(" (its backup %1 holds an earlier version and was kept)").arg(backupPath);
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

bool CProtectEngine::LockFolderOf(const QString& path, QString& result)
{
    // A linked page is written in its target's folder; a page written
    // elsewhere replaces a link found at its name, in the link's folder.
    const QFileInfo info(path);
    const QString real = info.isSymLink() && info.exists() && !m_targetMap ? info.canonicalFilePath()
                                                                           : info.absoluteFilePath();
    const QString folder = QFileInfo(real).absolutePath();
    m_strPageFolder = folder;
    if (m_pBatch->HoldsLock(folder)) {
        return true;
    }
    // A batch that holds folders lets them go before it waits for one that
    // another thread or run holds: two batches never wait for each other.
    constexpr int kWaitMs = 3000;
    auto lock = std::make_unique<CFolderLock>(folder, m_pBatch->IsEmpty() ? kWaitMs : 0);
    if (!lock->IsLocked() && lock->Error() == EWOULDBLOCK && !m_pBatch->IsEmpty()) {
        CommitBatch();
        lock = std::make_unique<CFolderLock>(folder, kWaitMs);
    }
    if (lock->IsLocked()) {
        RunFiles().RemoveLeftoversOnce(folder);
        m_pBatch->KeepLock(folder, std::move(lock));
        return true;
    }
    if (lock->Error() == EWOULDBLOCK) {
        result = Fail(ProtectOutcome::FolderBusy);
        return false;
    }
    // A missing folder: the page is reported missing as usual.
    return true;
}

bool CProtectEngine::LoadPage(const QString& path)
{
    ForgetPage();
    m_pPage = std::make_unique<CPageSnapshot>();
    return m_pPage->Open(path);
}

bool CProtectEngine::DeflateAhead(const QString& path)
{
    if (!m_pDeflateAhead || m_pDeflateAhead->Full()) {
        return false;
    }
    LoadPage(path);
    const QByteArray* loaded = LoadedPage(path);
    bool done = false;
    if (loaded && loaded->size() <= CStrongPageWriter::kWholeText && LoadedProtection() == Protection::None) {
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
    m_pPage.reset();
    m_bProtectionKnown = false;
    m_eProtection = Protection::None;
}

const QByteArray* CProtectEngine::LoadedPage(const QString& path) const
{
    return m_pPage && m_pPage->IsOpen() && path == m_pPage->Path() ? m_pPage->Contents() : nullptr;
}

std::unique_ptr<CTextLineReader> CProtectEngine::ReaderOf(const QString& path) const
{
    if (m_pPage && m_pPage->IsOpen() && path == m_pPage->Path()) {
        return std::make_unique<CTextLineReader>(*m_pPage);
    }
    return std::make_unique<CTextLineReader>(path);
}

CProtectEngine::Protection CProtectEngine::LoadedProtection()
{
    if (!m_bProtectionKnown) {
        m_eProtection = Protection::None;
        if (m_pPage && m_pPage->IsRegular()) {
            CProtectionDetector::Kind kind = CProtectionDetector::Kind::None;
            if (const QByteArray* held = m_pPage->Contents()) {
                kind = CProtectionDetector::Detect(QByteArrayView(*held));
            } else {
                CProtectionDetector detector;
                m_pPage->ReadAll([&](const char* data, qint64 size) {
                    kind = detector.Feed(QByteArrayView(data, qsizetype(size)));
                    return kind == CProtectionDetector::Kind::None;
                });
            }
            m_eProtection = kind == CProtectionDetector::Kind::Classic  ? Protection::Classic
                            : kind == CProtectionDetector::Kind::Strong ? Protection::Strong
                                                                        : Protection::None;
        }
        m_bProtectionKnown = true;
    }
    return m_eProtection;
}

bool CProtectEngine::ProtectFile(const QString& path, QString& result)
{
    result.clear();
    // Alone in the batch, so that its row is the last.
    CommitBatch();
    if (!path.isEmpty() && !LockFolderOf(TargetOf(path), result)) {
        m_pBatch->Commit();
        return false;
    }
    m_strNote.clear();
    bool ok = ProtectLockedFile(path, result);
    ForgetPage();
    const std::vector<CPageBatch::Row> rows = m_pBatch->Commit();
    if (ok && !rows.empty()) {
        ok = rows.back().outcome == ProtectOutcome::Protected;
        result = rows.back().text;
    }
    return ok;
}

bool CProtectEngine::ProtectLockedFile(const QString& path, QString& result)
{
    result.clear();
    if (path.isEmpty()) {
        return false;
    }
    if ((!m_pPage || m_pPage->Path() != path) && !LoadPage(path)) {
        const int error = m_pPage->Error();
        if (error == ENOENT || error == ENOTDIR || error == ELOOP) {
            result = Fail(ProtectOutcome::FileNotExists);
        } else if (m_pData->m_bBackup) {
            result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(error));
        } else {
            result = Fail(ProtectOutcome::OpenFailure);
        }
        return false;
    }
    const struct stat& st = m_pPage->Status();
    if (S_ISDIR(st.st_mode)) {
        result = Fail(ProtectOutcome::FileNotExists);
        return false;
    }
    // A pipe or a device named like a page would block the run or never end.
    if (!S_ISREG(st.st_mode)) {
        result = Fail(ProtectOutcome::NotRegularFile);
        return false;
    }
    // Never protected twice, and never a backup made of a protected page.
    if (LoadedProtection() != Protection::None) {
        result = Fail(ProtectOutcome::ProtectedBefore);
        return false;
    }
    PauseAt("page-opened", path);
    // The new page carries the digest of the text it is made of, so that
    // only this text's backup is ever put back over it.
    m_binding = CBackupBinding::Make(*m_pPage);
    if (!m_binding.IsValid()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    // The backup is written now but put in place only with the new page
    // (see WritePage): a run that fails leaves page and backup as they were.
    std::unique_ptr<CAtomicFile> backup;
    if (m_pData->m_bBackup && !m_targetMap) {
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
        }
        backup = std::make_unique<CAtomicFile>(backupPath);
        // A link put at the backup's name is replaced, never written through.
        backup->SetReplaceLinks(true);
        const int err = backup->OpenLike(st) ? FillCopy(*backup, *m_pPage) : backup->Error();
        // The backup is the page as it was, down to its attributes and
        // times: a restore renames it back in their place.
        backup->CopyExtendedAttributes(path);
        backup->KeepTimes(st);
        backup->StartWriteback();
        if (err != 0) {
            result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(err));
            return false;
        }
    } else if (!m_targetMap) {
        m_strNote = StaleBackupNote(path);
    }
    m_pPendingBackup = backup.get();
    const bool ok = WritePage(path, m_pData->m_nPasswordMode, result);
    m_pPendingBackup = nullptr;
    if (!ok) {
        m_strNote.clear();
        return false;
    }
    // Put in place with the batch, if it is still as it was read then.
    CPageBatch::Page written;
    written.path = path;
    written.snapshot = std::move(m_pPage);
    written.text = std::move(m_pWrittenText);
    written.backup = std::move(backup);
    written.note = m_strNote;
    m_pBatch->Add(std::move(written));
    ForgetPage();
    return true;
}

bool CProtectEngine::IsProtected(const QString& path, QString& result)
{
    result.clear();
    Protection kind = Protection::None;
    if (m_pPage && m_pPage->Path() == path) {
        kind = LoadedProtection();
    } else {
        kind = DetectProtection(path);
    }
    m_bLastWasClassic = kind == Protection::Classic;
    return kind != Protection::None;
}

CProtectEngine::Protection CProtectEngine::DetectProtection(const QString& path, const QByteArray* contents)
{
    CProtectionDetector::Kind kind = CProtectionDetector::Kind::None;
    if (contents) {
        kind = CProtectionDetector::Detect(QByteArrayView(*contents));
    } else {
        CPageSnapshot page;
        if (!page.Open(path, 0) || !page.IsRegular()) {
            return Protection::None;
        }
        CProtectionDetector detector;
        page.ReadAll([&](const char* data, qint64 size) {
            kind = detector.Feed(QByteArrayView(data, qsizetype(size)));
            return kind == CProtectionDetector::Kind::None;
        });
    }
    return kind == CProtectionDetector::Kind::Classic  ? Protection::Classic
           : kind == CProtectionDetector::Kind::Strong ? Protection::Strong
                                                       : Protection::None;
}

QString CProtectEngine::Fail(ProtectOutcome outcome, const QString& detail)
{
    m_eLastOutcome = outcome;
    return ProtectResultText(outcome, detail);
}

void CProtectEngine::AddResult(const QString& path, ProtectOutcome outcome, const QString& text)
{
    // Behind pages that wait for their commit, so the rows keep the list's
    // order.
    if (m_pBatch->HasPages()) {
        m_pBatch->AddRow({path, outcome, text});
        return;
    }
    if (m_pResultList) {
        m_pResultList->AddResult(path, outcome, text);
    }
}

bool CProtectEngine::WritePage(const QString& path, int passwordMode, QString& result)
{
    result.clear();
    const QString templatePath = m_pData->m_strTemplatePath;
    const bool strong = m_pData->m_nCipher == CProject::kCipherStrong;
    if (strong && !m_pStrongKeys && m_strKeyError.isEmpty()) {
        m_pStrongKeys = CStrongSiteKeys::Derive(*m_pData, 1, &m_strKeyError);
    }
    if (strong && !m_pStrongKeys) {
        result = Fail(ProtectOutcome::KeyFailure, m_strKeyError);
        return false;
    }

    mode_t mode = 0644;
    const QString target = TargetOf(path);
    if (target != path) {
        // Written elsewhere: a new file with the page's mode, never through
        // a link found at its name.
        mode = m_pPage && m_pPage->Path() == path ? m_pPage->Status().st_mode & 07777 : 0644;
    } else if (const int err = CanReplace(path, &mode); err != 0) {
        result = Fail(ProtectOutcome::OverwriteFailure, ReasonOf(err));
        return false;
    }
    auto text = std::make_unique<CTextFileWriter>(target);
    CTextFileWriter& out = *text;
    out.SetReplaceLinks(target != path);
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
    PauseAt("page-written", path);
    if (out.HasError()) {
        // A full disk or a write error: page and backup stay as they were.
        out.Discard();
        result = Fail(ProtectOutcome::CreateFailure, ReasonOf(out.Error()));
        return false;
    }
    // Written or replaced by someone else since it was opened: the new text
    // and the backup are of an older text, and would bury the edit.
    if (m_pPage && m_pPage->Path() == path && m_pPage->Changed()) {
        out.Discard();
        if (m_pPendingBackup) {
            m_pPendingBackup->Discard();
        }
        result = Fail(ProtectOutcome::ChangedWhileProtected);
        return false;
    }
    // Its data starts on its way to the disk now; the batch waits for it
    // with the other pages' and puts it in place.
    out.StartWriteback();
    m_pWrittenText = std::move(text);
    return true;
}

bool CProtectEngine::WriteClassicScript(const QString& path, int passwordMode, CTextFileWriter& out,
                                        QString& result)
{
    const CCredentialTable::PageCredentials credentials =
        passwordMode == CProject::kMultipleUsers ? CCredentialTable::MultiUserCredentials()
                                                 : CCredentialTable::SinglePasswordCredentials(*m_pData);
    out.Write(CCredentialTable::LoginVariablesText(*m_pData, passwordMode, credentials.checkValue));
    if (!WritePageArray(path, credentials.key, out, result)) {
        return false;
    }
    if (passwordMode == CProject::kMultipleUsers) {
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
    if (m_pData->m_bProtectAssets) {
        if (m_strSiteRoot.isNull()) {
            m_strSiteRoot = RunFiles().SiteRootOf(*m_pData);
        }
        out.Write(CSiteAssetPass::WorkerStatement(*m_pData, m_strSiteRoot, path));
    }
    const std::unique_ptr<CTextLineReader> reader = ReaderOf(path);
    if (!reader->Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
    CStrongPageWriter writer(*m_pStrongKeys);
    writer.SetDeflateAhead(m_pDeflateAhead.get(), path);
    if (!writer.WriteData(*reader, *codec, AfterLoginBlock(), out, result)) {
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
    const std::unique_ptr<CTextLineReader> reader = ReaderOf(path);
    if (!reader->Open()) {
        return false;
    }
    QByteArray line;
    while (reader->ReadLine(line)) {
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
    const std::unique_ptr<CTextLineReader> reader = ReaderOf(path);
    if (!reader->Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    CHeadFilter filter;
    QByteArray line;
    QByteArray kept;
    bool more = true;
    while (more && reader->ReadLine(line)) {
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
            const std::unique_ptr<CTextLineReader> head = ReaderOf(path);
            if (head->Open()) {
                head->ReadRaw(start, 2);
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
    const std::unique_ptr<CTextLineReader> file = ReaderOf(path);
    if (!file->Open()) {
        return std::make_unique<CCharsetCodec>(codePage);
    }
    QByteArray block;
    if (codePage != 0) {
        file->ReadRaw(block, kDetectionSample);
        return std::make_unique<CCharsetCodec>(codePage, block);
    }
    // "default": UTF-8 when the whole page is valid UTF-8, else Windows-1252,
    // so that no byte is ever lost. The check streams through the file.
    CUtf8Validator validator;
    while (validator.IsValidSoFar()) {
        if (!file->ReadRaw(block, 256 * 1024)) {
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
    const std::unique_ptr<CTextLineReader> reader = ReaderOf(path);
    if (!reader->Open()) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    const std::unique_ptr<CCharsetCodec> codec = MakeCodec(path);
    CClassicArrayWriter writer(out, pageKey, AfterLoginBlock());
    if (!writer.Write(*reader, *codec, LoadedPage(path))) {
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
    // Made once per run and template: hook, safe form, line ends.
    const std::shared_ptr<const QByteArray> body = RunFiles().LoginBodyOf(templatePath);
    if (!body) {
        result = Fail(ProtectOutcome::OpenFailure);
        return false;
    }
    out.WriteConverted(*body);
    out.Write(Watermark(m_binding.IsValid() ? m_binding.Text() : QByteArray()));
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

int CProtectEngine::RestoreBackups(const QStringList& paths, const QString& backupFolder,
                                   QStringList* notRestored, CRunFiles* run)
{
    int restored = 0;
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            continue;
        }
        // Restore writes in both folders (a backup on another file system
        // is copied beside its page), and clears both as protect does.
        if (run) {
            run->RemoveLeftoversOnce(QFileInfo(path).absolutePath());
            run->RemoveLeftoversOnce(QFileInfo(BackupPath(path, backupFolder)).absolutePath());
        }
        const CBackupRestore::Result result = CBackupRestore::RestoreOne(path, backupFolder);
        if (result.outcome == CBackupRestore::Outcome::Restored) {
            ++restored;
        } else if (result.IsFailure() && notRestored) {
            notRestored->append(path + QStringLiteral(": ") + result.text);
        }
    }
    return restored;
}
