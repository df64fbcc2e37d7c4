#include "engine/ProtectEngine.h"

#include "common/AppInfo.h"
#include "common/AsciiText.h"
#include "common/AtomicFile.h"
#include "common/FolderLock.h"
#include "common/SystemError.h"
#include "engine/BackupBinding.h"
#include "engine/BackupRestore.h"
#include "engine/CredentialTable.h"
#include "engine/HeadCopier.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/PageFileOps.h"
#include "engine/PageFormat.h"
#include "engine/PageFormats.h"
#include "engine/PageSnapshot.h"
#include "engine/PageSource.h"
#include "engine/ProtectOutcome.h"
#include "engine/ProtectionDetector.h"
#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "engine/StepHook.h"
#include "engine/TextFileWriter.h"
#include "model/Project.h"

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

} // namespace

CProtectEngine::CProtectEngine(const CProject* data, IResultList* resultList)
    : m_pData(data), m_pResultList(resultList), m_pBatch(std::make_unique<CPageBatch>(&CStepHook::At))
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
        // Pages of an older format than the run's are told apart.
        const bool olderFormat = m_bLastWasClassic && Format().Writes() != CPageFormat::Kind::Classic;
        if (olderFormat) {
            ++m_nClassicMet;
        }
        // A page written elsewhere has no backup to put back first.
        const Answer answer = m_restoreQuestion && !m_targetMap ? m_restoreQuestion(path) : Answer::No;
        if (answer != Answer::Yes && olderFormat) {
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

bool CProtectEngine::PrepareAhead(const QString& path)
{
    LoadPage(path);
    const bool done = Format().PrepareAhead(Source(path));
    ForgetPage();
    return done;
}

CPageFormat& CProtectEngine::Format()
{
    if (!m_pFormat) {
        m_pFormat = CPageFormats::Make(*m_pData);
    }
    return *m_pFormat;
}

CPageSource CProtectEngine::Source(const QString& path) const
{
    return CPageSource(path, m_pPage.get(), m_pData->m_nCharset);
}

void CProtectEngine::ForgetPage()
{
    m_pPage.reset();
    m_bProtectionKnown = false;
    m_eProtection = Protection::None;
}

CProtectEngine::Protection CProtectEngine::LoadedProtection()
{
    if (!m_bProtectionKnown) {
        m_eProtection = Protection::None;
        if (m_pPage && m_pPage->IsRegular()) {
            m_eProtection = CProtectionDetector::Detect(*m_pPage);
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
    CStepHook::At("page-opened", path);
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
        const QString backupPath = CBackupRestore::BackupPath(path, m_strBackupFolder);
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
        int err = 0;
        backup = CPageFileOps::WriteBackup(*m_pPage, backupPath, err);
        if (err != 0) {
            result = Fail(ProtectOutcome::BackupFailure, GetSystemErrorText(err));
            return false;
        }
    } else if (!m_targetMap) {
        m_strNote =
            CPageFileOps::StaleBackupNote(CBackupRestore::FindBackup(path, m_strBackupFolder), m_binding);
    }
    m_pPendingBackup = backup.get();
    const bool ok = WritePage(path, result);
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
    if (contents) {
        return CProtectionDetector::Detect(QByteArrayView(*contents));
    }
    CPageSnapshot page;
    if (!page.Open(path, 0) || !page.IsRegular()) {
        return Protection::None;
    }
    return CProtectionDetector::Detect(page);
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

bool CProtectEngine::WritePage(const QString& path, QString& result)
{
    result.clear();
    const QString templatePath = m_pData->m_strTemplatePath;
    if (const std::optional<CPageFormat::Failure> failure = Format().Prepare()) {
        result = Fail(failure->outcome, failure->detail);
        return false;
    }

    mode_t mode = 0644;
    const QString target = TargetOf(path);
    if (target != path) {
        // Written elsewhere: a new file with the page's mode, never through
        // a link found at its name.
        mode = m_pPage && m_pPage->Path() == path ? m_pPage->Status().st_mode & 07777 : 0644;
    } else if (const int err = CPageFileOps::CanReplace(path, &mode); err != 0) {
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

    // Without a head of its own the page gets the template's.
    const bool ok =
        (m_pData->m_bCopyHead && CopyHead(path, out, result)) || CopyHead(templatePath, out, result);
    if (!ok) {
        out.Discard();
        return false;
    }

    out.Write("<SCRIPT type=\"text/javascript\">function KillError(){return true;}window.onerror=KillError;"
              "</SCRIPT>\n");
    out.Write("<SCRIPT type=\"text/javascript\">\n");
    if (const std::optional<CPageFormat::Failure> failure =
            Format().WriteScript(Source(path), RunFiles(), out)) {
        result = Fail(failure->outcome, failure->detail);
        out.Discard();
        return false;
    }
    out.Write("</SCRIPT>");
    if (m_pData->m_bProtectLoginPages) {
        out.Write(CCredentialTable::AnsiBytes(COptionScriptBuilder::BuildOptionScripts(*m_pData, false)));
    }
    out.Write("\n</HEAD>\n");
    if (!WriteLoginBody(templatePath, out, result)) {
        out.Discard();
        return false;
    }
    CStepHook::At("page-written", path);
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

bool CProtectEngine::CopyHead(const QString& path, CTextFileWriter& out, QString& result)
{
    result.clear();
    // A page that is the template itself is copied as the template.
    const std::optional<ProtectOutcome> failure =
        path == m_pData->m_strTemplatePath
            ? CHeadCopier::CopyFromTemplate(RunFiles().LinesOf(path).get(), out)
            : CHeadCopier::CopyFromPage(Source(path), out);
    if (failure) {
        result = Fail(*failure);
        return false;
    }
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
