#pragma once

#include "engine/BackupBinding.h"
#include "engine/PageBatch.h"
#include "engine/ProtectOutcome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

class CProject;
class CAtomicFile;
class CPageSnapshot;
class CCharsetCodec;
class CFolderLock;
class CRunFiles;
class CTextLineReader;
class CDeflateAhead;
class CStrongSiteKeys;
class CTextFileWriter;
class IResultList;

// Protects pages: rewrites each page in place into its protected form,
// with backups, detection of pages protected before and restore-first.
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

    // Called at named steps of a page's protection ("page-opened",
    // "page-written", and in its commit "page-synced", "backup-renamed"),
    // so that tests can change a page at a chosen moment.
    // A child process is made to wait there instead through
    // WENDLOCK_TEST_PAUSE="step:milliseconds".
    using StepHook = std::function<void(const char* step, const QString& path)>;
    static void SetStepHook(StepHook hook);

    explicit CProtectEngine(const CProject* data, IResultList* resultList = nullptr);
    ~CProtectEngine();
    CProtectEngine(const CProtectEngine&) = delete;
    CProtectEngine& operator=(const CProtectEngine&) = delete;

    void SetRestoreQuestion(RestoreQuestion question) { m_restoreQuestion = std::move(question); }
    static QString RestoreQuestionText(const QString& path);
    // Told after a strong-format run that met classic pages.
    static QString ClassicToStrongWarning(int pages);

    // The run's strong-format keys, derived once by the caller so that
    // several engines (threads) share them. Without them the engine derives
    // them itself before the first strong page.
    void SetStrongKeys(std::shared_ptr<const CStrongSiteKeys> keys) { m_pStrongKeys = std::move(keys); }
    // Texts deflated ahead of their pages while the keys were derived.
    void SetDeflateAhead(std::shared_ptr<CDeflateAhead> ahead) { m_pDeflateAhead = std::move(ahead); }
    // Deflates a strong page's text into that store without writing
    // anything or taking its folder's lock; false when the page is not a
    // regular file small enough, is protected already, or the store is full.
    bool DeflateAhead(const QString& path);
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
    // Where the backup of `path` is kept: beside it, or under `folder`.
    static QString BackupPath(const QString& path, const QString& folder = QString());

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
    enum class Protection
    {
        None,
        Classic,
        Strong
    };
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

    // Every UTF-16 unit of 128 or more becomes "&#N;".
    static QString EncodeNumericEntities(QStringView text);
    // The marker every classic protected page carries.
    static QByteArray ProtectionMarker() { return QByteArrayLiteral("var vxpa=new Array("); }
    // The marker of a strong-format page: the end of its content array
    // followed by its format statement.
    static QByteArray StrongMarker() { return QByteArrayLiteral("\"];var vxsv=[1,"); }
    // The comment that ends every protected page, with the binding of the
    // page to its original text when there is one (see CBackupBinding).
    static QByteArray Watermark(const QByteArray& binding = QByteArray());

    // Puts the ".original" backups of the given pages back (each renamed
    // over its page in one step) where they belong to their page; returns
    // how many were restored. `notRestored` gets "PATH: reason" for every
    // page left as it was. With the run's files, the leftovers of dead runs
    // in the folders met go too.
    static int RestoreBackups(const QStringList& paths, const QString& backupFolder = QString(),
                              QStringList* notRestored = nullptr, CRunFiles* run = nullptr);

private:
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text);
    // The run's files, made for this engine alone when none were handed in.
    CRunFiles& RunFiles();
    // Records a failure and gives its result text.
    QString Fail(ProtectOutcome outcome, const QString& detail = QString());
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

    // The page writers and their blocks.
    bool WritePage(const QString& path, int passwordMode, QString& result);
    // The main script element's statements of each format.
    bool WriteClassicScript(const QString& path, int passwordMode, CTextFileWriter& out, QString& result);
    bool WriteStrongScript(const QString& path, int passwordMode, CTextFileWriter& out, QString& result);
    bool HasHeadEnd(const QString& path, QString& result);
    bool CopyHeadSection(const QString& path, CTextFileWriter& out, QString& result);
    bool WritePageArray(const QString& path, const QByteArray& pageKey, CTextFileWriter& out,
                        QString& result);
    bool WriteLoginBody(const QString& templatePath, CTextFileWriter& out, QString& result);
    bool CopyScriptFile(const QString& scriptPath, CTextFileWriter& out, QString& result);
    QString BuildOptionScripts(bool afterLogin) const;
    // The hardening block that goes into the page after login, or nothing.
    QString AfterLoginBlock() const;
    // The converter for one page: detecting rows look at the page first.
    std::unique_ptr<CCharsetCodec> MakeCodec(const QString& path) const;

    // The page is opened once and every pass over it (the marker test,
    // the backup, the charset check, the head and the content) reads that
    // one descriptor: from memory for a page of moderate size.
    bool LoadPage(const QString& path);
    void ForgetPage();
    const QByteArray* LoadedPage(const QString& path) const;
    // A reader of the loaded page, or of another file (the template).
    std::unique_ptr<CTextLineReader> ReaderOf(const QString& path) const;
    // The protection of the loaded page, found once.
    Protection LoadedProtection();
    // Restore-first: the backup goes over the protected page when it is the
    // page's own; false with a result text otherwise.
    bool RestoreFirst(const QString& path, QString& result);
    // The note added to "Protected" when a backup is kept that the new page
    // does not belong to (a run without backups).
    QString StaleBackupNote(const QString& path) const;

    const CProject* m_pData;
    IResultList* m_pResultList;
    int m_nProtected = 0;
    int m_nClassicMet = 0;
    RestoreQuestion m_restoreQuestion;
    std::shared_ptr<const CStrongSiteKeys> m_pStrongKeys;
    std::shared_ptr<CDeflateAhead> m_pDeflateAhead;
    std::shared_ptr<CRunFiles> m_pRunFiles;
    bool m_bTemplateChecked = false;
    QString m_strTemplateProblem;
    bool m_bLastWasClassic = false;
    ProtectOutcome m_eLastOutcome = ProtectOutcome::Protected;
    QString m_strKeyError;
    QString m_strBackupFolder;
    // The site root, looked up at the first page of a run that enciphers
    // the site's other files.
    QString m_strSiteRoot;
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
