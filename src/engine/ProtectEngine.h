#pragma once

#include "engine/BackupBinding.h"
#include "engine/PageBatch.h"
#include "engine/ProtectOutcome.h"
#include "engine/ProtectionDetector.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class CProject;
class CAtomicFile;
class CPageFormat;
class CPageSnapshot;
class CPageSource;
class CRunFiles;
class CTextFileWriter;
class IResultList;

// Protects pages: rewrites each page in place into its protected form,
// with backups, detection of pages protected before and restore-first.
// The page around the format's script element (head, error suppressor,
// login body, closing comment) is written here; what the script element
// carries is the page format's (CPageFormat).
// Reads the settings from the record it is given (which must outlive it)
// and reports each file's outcome to the result list. One engine serves a
// whole run, one file after another; engines on several threads share the
// run's keys and files.
class CProtectEngine final
{
public:
    enum class Answer
    {
        Yes,
        No,
        Cancel
    };
    // Asked for every file that already carries protection: restore its
    // backup first and protect again (Yes), or leave it (No, Cancel).
    using RestoreQuestion = std::function<Answer(const QString& path)>;

    explicit CProtectEngine(const CProject* data, IResultList* resultList = nullptr);
    ~CProtectEngine();
    CProtectEngine(const CProtectEngine&) = delete;
    CProtectEngine& operator=(const CProtectEngine&) = delete;

    void SetRestoreQuestion(RestoreQuestion question) { m_restoreQuestion = std::move(question); }
    static QString RestoreQuestionText(const QString& path);
    // Told after a strong-format run that met classic pages.
    static QString ClassicToStrongWarning(int pages);

    // The run's page format, shared by the engines (threads) of a run with
    // its keys. Without it the engine makes the project's own.
    void SetFormat(std::shared_ptr<CPageFormat> format) { m_pFormat = std::move(format); }
    // Prepares a page's text with the format ahead of its turn (see
    // CPageFormat::PrepareAhead), without writing anything or taking its
    // folder's lock.
    bool PrepareAhead(const QString& path);
    // The template and login scripts, read once for all engines of a run.
    // Without it the engine reads them once for itself.
    void SetRunFiles(std::shared_ptr<CRunFiles> files) { m_pRunFiles = std::move(files); }
    // Backups go into this folder, in a tree that mirrors the pages' absolute
    // paths, instead of beside the pages (where a web server hands them out).
    void SetBackupFolder(const QString& folder) { m_strBackupFolder = folder; }
    // Where a page's protected text goes instead of over the page (a copy of
    // the site in another folder). With it the page is only read: no
    // backup, no restore-first.
    using TargetMap = std::function<QString(const QString& path)>;
    void SetTargetMap(TargetMap map) { m_targetMap = std::move(map); }
    // Protects one page and reports its outcome; the counts below add up
    // over the calls. In batch mode a page that waits for the batch's
    // commit gives Pending (its outcome is reported at the commit).
    ProtectOutcome ProtectOne(const QString& path);
    // Empties the result list and the counts, then protects every page of
    // the record's list; false only without a record.
    bool ProtectAll();
    // The page writers alone, without the restore-first question.
    bool ProtectFile(const QString& path, QString& result);
    bool IsProtected(const QString& path, QString& result);
    using Protection = CProtectionDetector::Kind;
    // Whether a page has the structure one of the page writers produces.
    // `contents`: the page's bytes when they are in memory already.
    static Protection DetectProtection(const QString& path, const QByteArray* contents = nullptr);
    int GetProtectedCount() const { return m_nProtected; }
    // In batch mode ProtectOne writes a page and its backup but puts them
    // in place later, together with the other pages of the batch (see
    // CPageBatch): their data is made durable once for all. The batch is
    // committed when it is full and by CommitBatch; each page's result is
    // reported and counted only then. Without it (one page at a time, as
    // the wizard runs) each page is in place, durably, when ProtectOne
    // returns.
    void SetBatched(bool batched) { m_bBatched = batched; }
    // Puts the pages of the batch in place (or reports why not) and
    // reports the results that waited behind them. ProtectAll does it at
    // its end, the engine when it is destroyed: the pages in hand are
    // finished, never left half-way.
    void CommitBatch();
    // Pages met in the classic format during a strong-format run: copies of
    // them give the password's digest away, so the user is told.
    int GetClassicPagesMet() const { return m_nClassicMet; }

    // The comment that ends every protected page, with the binding of the
    // page to its original text when there is one (see CBackupBinding).
    static QByteArray Watermark(const QByteArray& binding = QByteArray());

private:
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text);
    // The run's files, made for this engine alone when none were handed in.
    CRunFiles& RunFiles();
    // Records a failure and gives its result text.
    QString Fail(ProtectOutcome outcome, const QString& detail = QString());
    // The run's format, made for this engine alone when none was handed in.
    CPageFormat& Format();
    // The page in hand as the writers read it.
    CPageSource Source(const QString& path) const;
    bool ProtectLockedFile(const QString& path, QString& result);
    // Empty when the template can be read and has a body; else the result
    // text every page gets.
    QString CheckTemplate();
    // Locks the folder the page is written in (the batch keeps the lock
    // until its commit); false with a result text when another run holds it.
    bool LockFolderOf(const QString& path, QString& result);
    ProtectOutcome ProtectIntoBatch(const QString& path);
    // Commits the batch and reports its rows; returns them.
    std::vector<CPageBatch::Row> CommitRows();

    // Writes the page's new text, not in place yet (see the batch).
    bool WritePage(const QString& path, QString& result);
    // The head of the login page: the page's own or the template's.
    bool CopyHead(const QString& path, CTextFileWriter& out, QString& result);
    bool WriteLoginBody(const QString& templatePath, CTextFileWriter& out, QString& result);

    // The page is opened once and every pass over it (the marker test,
    // the backup, the charset check, the head and the content) reads that
    // one descriptor: from memory for a page of moderate size.
    bool LoadPage(const QString& path);
    void ForgetPage();
    // The protection of the loaded page, found once.
    Protection LoadedProtection();
    // Restore-first: the backup goes over the protected page when it is the
    // page's own; false with a result text otherwise.
    bool RestoreFirst(const QString& path, QString& result);

    const CProject* m_pData;
    IResultList* m_pResultList;
    int m_nProtected = 0;
    int m_nClassicMet = 0;
    RestoreQuestion m_restoreQuestion;
    std::shared_ptr<CPageFormat> m_pFormat;
    std::shared_ptr<CRunFiles> m_pRunFiles;
    bool m_bTemplateChecked = false;
    QString m_strTemplateProblem;
    bool m_bLastWasClassic = false;
    ProtectOutcome m_eLastOutcome = ProtectOutcome::Protected;
    QString m_strBackupFolder;
    // The backup of the page being written, put in place just before it.
    CAtomicFile* m_pPendingBackup = nullptr;
    // The new text of the page just written, until it goes into the batch.
    std::unique_ptr<CTextFileWriter> m_pWrittenText;
    std::unique_ptr<CPageBatch> m_pBatch;
    bool m_bBatched = false;
    std::unique_ptr<CPageSnapshot> m_pPage;
    bool m_bProtectionKnown = false;
    Protection m_eProtection = Protection::None;
    // The binding the page being written carries in its closing comment.
    CBackupBinding m_binding;
    // Added to the result text of a protected page.
    QString m_strNote;
    // The folder of the page in hand (its real folder, for a link).
    QString m_strPageFolder;
    TargetMap m_targetMap;
    // The file the page's protected text replaces: the page, or its target.
    QString TargetOf(const QString& path) const { return m_targetMap ? m_targetMap(path) : path; }
};
