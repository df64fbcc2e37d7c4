#include "cli/ProtectCommand.h"

#include "cli/Interruption.h"
#include "cli/PasswordSource.h"
#include "cli/PathList.h"
#include "cli/PrintedResults.h"
#include "cli/ProgressLine.h"
#include "cli/ProgressResults.h"
#include "cli/RunReport.h"
#include "engine/DeflateAhead.h"
#include "engine/OutputFolder.h"
#include "engine/OutputManifest.h"
#include "engine/OutputPageResults.h"
#include "engine/ProtectEngine.h"
#include "engine/ProtectJob.h"
#include "engine/SiteAssetPass.h"
#include "engine/StrongSiteKeys.h"
#include "files/WebFileFilter.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"
#include "session/ProtectSession.h"
#include "templates/TemplateStore.h"
#include "users/UserListFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <future>

namespace {

const QString kPassword = QStringLiteral("password");
const QString kPasswordFile = QStringLiteral("password-file");
const QString kUsers = QStringLiteral("users");
const QString kTemplate = QStringLiteral("template");
const QString kBackupDir = QStringLiteral("backup-dir");
const QString kNoBackup = QStringLiteral("no-backup");
const QString kRestoreFirst = QStringLiteral("restore-first");
const QString kSet = QStringLiteral("set");
const QString kOutput = QStringLiteral("output");
const QString kForce = QStringLiteral("force");
const QString kJson = QStringLiteral("json");
const QString kQuiet = QStringLiteral("quiet");

// The last value of an option given more than once, as a later word on a
// command line overrides an earlier one.
QString LastValue(const QCommandLineParser& parser, const QString& name)
{
    const QStringList values = parser.values(name);
    return values.isEmpty() ? QString() : values.constLast();
}

struct DerivedKeys
{
    std::shared_ptr<const CStrongSiteKeys> keys;
    QString error;
};

DerivedKeys DeriveKeys(const CProject& data, int threads)
{
    DerivedKeys derived;
    derived.keys = CStrongSiteKeys::Derive(data, threads, &derived.error);
    return derived;
}

// The restore-first question, answered once for the whole run by the flag.
class CFlagAnswer final : public IRunQuestions
{
public:
    explicit CFlagAnswer(bool restoreFirst) : m_answer(restoreFirst ? Answer::YesToAll : Answer::NoToAll) {}
    void AskRestoreFirst(const QString& /*path*/, Reply reply) override { reply(m_answer); }

private:
    const Answer m_answer;
};

} // namespace

QString CProtectCommand::Name() const
{
    return QStringLiteral("protect");
}

QList<QCommandLineOption> CProtectCommand::Options() const
{
    return {QCommandLineOption(kPassword, QString(), QStringLiteral("PW")),
            QCommandLineOption(kPasswordFile, QString(), QStringLiteral("FILE")),
            QCommandLineOption(kUsers, QString(), QStringLiteral("FILE.csv")),
            QCommandLineOption(kTemplate, QString(), QStringLiteral("FILE")),
            QCommandLineOption(kBackupDir, QString(), QStringLiteral("DIR")),
            QCommandLineOption(kNoBackup),
            QCommandLineOption(kRestoreFirst),
            QCommandLineOption(kSet, QString(), QStringLiteral("KEY=VALUE")),
            QCommandLineOption(kOutput, QString(), QStringLiteral("DIR")),
            QCommandLineOption(kForce),
            QCommandLineOption(kJson),
            QCommandLineOption(kQuiet)};
}

int CProtectCommand::Execute(const QCommandLineParser& parser)
{
    // A project comes first; everything else given is a file or a folder.
    QStringList paths = parser.positionalArguments();
    QString projectPath;
    if (!paths.isEmpty() && paths.first().endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive)) {
        projectPath = paths.takeFirst();
    }
    const QString usersPath = LastValue(parser, kUsers);
    const QString templatePath = LastValue(parser, kTemplate);
    const QString backupFolder = LastValue(parser, kBackupDir);
    if (parser.isSet(kBackupDir) && backupFolder.isEmpty()) {
        return m_context.Usage(QStringLiteral("--backup-dir needs a folder"));
    }
    if (parser.isSet(kOutput) && LastValue(parser, kOutput).isEmpty()) {
        return m_context.Usage(QStringLiteral("--output needs a folder"));
    }
    if (parser.isSet(kJson) && parser.isSet(kQuiet)) {
        return m_context.Usage(QStringLiteral("give --json or --quiet, not both"));
    }
    QList<QPair<QString, QString>> settings;
    for (const QString& pair : parser.values(kSet)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq < 0) {
            return m_context.Usage(QStringLiteral("--set needs KEY=VALUE"));
        }
        settings.append({pair.left(eq), pair.mid(eq + 1)});
    }

    const QStringList passwordValues = parser.values(kPassword);
    const QStringList passwordFiles = parser.values(kPasswordFile);
    if (passwordValues.size() + passwordFiles.size() > 1) {
        return m_context.Usage(QStringLiteral("give one password: --password or --password-file"));
    }
    bool havePassword = passwordValues.size() + passwordFiles.size() == 1;
    if (havePassword && !usersPath.isEmpty()) {
        return m_context.Usage(QStringLiteral("give either --password or --users, not both"));
    }
    QString password;
    if (havePassword &&
        !PasswordSource::Read(m_context, passwordFiles.value(0), passwordValues.value(0), &password)) {
        return CCliContext::ExitUsage;
    }
    // Without a password source the pages would open with the built-in
    // New Project password, which anyone can read in this program.
    const bool passwordSet = std::any_of(settings.cbegin(), settings.cend(), [](const auto& setting) {
        return setting.first == QLatin1String("password") || setting.first == QLatin1String("passwordMode");
    });
    const bool someoneNamed = havePassword || !usersPath.isEmpty() || !projectPath.isEmpty() || passwordSet;
    // The environment only stands in when nothing else names who may log
    // in, so a project's own password or users are never overridden by it.
    if (!someoneNamed && !qEnvironmentVariableIsEmpty("WENDLOCK_PASSWORD")) {
        password = qEnvironmentVariable("WENDLOCK_PASSWORD");
        havePassword = true;
    } else if (!someoneNamed) {
        return m_context.Usage(
            QStringLiteral("say who may open the pages: --password PW, --password-file FILE, "
                           "--password -, WENDLOCK_PASSWORD, --users FILE.csv or a project"));
    }

    CProject data;
    QString error;
    if (!projectPath.isEmpty() && !CWendlockDoc::ReadProjectFile(projectPath, data, nullptr, &error)) {
        m_context.Error(error);
        return CCliContext::ExitUsage;
    }
    bool saltSet = false;
    for (const auto& [key, text] : settings) {
        if (!CProjectJson::SetValue(data, key, text, &error)) {
            return m_context.Usage(QStringLiteral("--set %1: %2").arg(key, error));
        }
        saltSet = saltSet || key == QLatin1String("salt");
    }
    if (havePassword) {
        data.m_nPasswordMode = CProject::kSinglePassword;
        data.m_strPassword = password;
    }
    if (!usersPath.isEmpty()) {
        data.m_nPasswordMode = CProject::kMultipleUsers;
        data.m_listUsers.clear();
        if (CUserListFile::ImportUsers(usersPath, data.m_listUsers, &error) < 0) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
    }
    if (parser.isSet(kNoBackup)) {
        data.m_bBackup = false;
    }
    if (parser.isSet(kOutput)) {
        data.m_strOutputFolder = LastValue(parser, kOutput);
    }
    const QString outputFolder = data.m_strOutputFolder.trimmed();
    if (!outputFolder.isEmpty()) {
        // The sources are the originals: nothing to back up or put back.
        if (!backupFolder.isEmpty() || parser.isSet(kRestoreFirst)) {
            return m_context.Usage(QStringLiteral(
                "--backup-dir and --restore-first do not go with an output folder: its sources are never "
                "changed"));
        }
        data.m_bBackup = false;
        // The folder's pages were written with a salt; a run without one
        // of its own keeps it, so those pages still open with one login.
        COutputManifest written;
        if (data.UsesSiteKeys() && data.m_baSalt.isEmpty() && written.Load(outputFolder) &&
            written.Salt().size() == 16) {
            data.m_baSalt = written.Salt();
        }
    } else if (parser.isSet(kForce)) {
        return m_context.Usage(QStringLiteral("--force goes with an output folder (--output DIR)"));
    }
    // A single password's key is derived while the folders are scanned and
    // the job checked: the derivation is the one step no other core can
    // share. The salt is drawn now but saved only once the job is sound.
    const bool strong = data.UsesSiteKeys();
    const QByteArray givenSalt = data.m_baSalt;
    const bool drawn = strong && data.EnsureSalt();
    const bool saltDrawn = drawn && data.m_baSalt != givenSalt;
    // Several users: one removed since the content key was drawn must not
    // open what this run writes, so the key is drawn anew.
    bool keyRenewed = false;
    const bool usersRecorded = strong && data.UpdateKeyUsers(&keyRenewed);
    const int threads = qMax(1, QThread::idealThreadCount());
    std::future<DerivedKeys> earlyKeys;
    if (strong && data.m_nPasswordMode == CProject::kSinglePassword && !data.m_strPassword.isEmpty()) {
        earlyKeys = std::async(std::launch::async, DeriveKeys, data, 1);
    }
    // Pages of the folders given that the run can't name, and so leaves
    // plain: the run has not done what it was asked.
    int leftOut = 0;
    if (!paths.isEmpty()) {
        CPathList files(data.m_listFiles);
        for (const QString& path : paths) {
            if (!QFileInfo::exists(path)) {
                m_context.Error(path + QStringLiteral(" does not exist"));
                return CCliContext::ExitUsage;
            }
            QStringList skipped;
            files.Add(path, &skipped);
            for (const QString& why : skipped) {
                m_context.Error(QStringLiteral("skipped ") + why);
                leftOut += why.endsWith(CWebFileFilter::UndecodableNameReason()) ? 1 : 0;
            }
        }
        data.m_listFiles = files.Files();
    }
    if (!templatePath.isEmpty()) {
        data.m_strTemplatePath = QFileInfo(templatePath).absoluteFilePath();
    }
    if (data.m_strTemplatePath.isEmpty()) {
        data.m_strTemplatePath = CTemplateStore::DefaultPath(data.m_nPasswordMode);
        if (data.m_strTemplatePath.isEmpty()) {
            m_context.Error(QStringLiteral("no login-page template found; give one with --template"));
            return CCliContext::ExitUsage;
        }
    }
    if (data.m_listFiles.isEmpty()) {
        return m_context.Usage(
            QStringLiteral("no files to protect: give a project with files, or files and folders"));
    }
    // The rules the wizard's pages apply, all of them at once.
    const QList<CProtectJob::Problem> problems = CProtectJob::Check(data);
    for (const CProtectJob::Problem& problem : problems) {
        m_context.Error(problem.message);
    }
    if (!problems.isEmpty()) {
        return CCliContext::ExitUsage;
    }

    // An output folder is checked and walked while the key is derived.
    std::unique_ptr<COutputFolder> output;
    if (!outputFolder.isEmpty()) {
        output = std::make_unique<COutputFolder>(data, outputFolder, projectPath);
        if (!output->Check(error) || !output->Survey(error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
    }
    std::shared_ptr<const CStrongSiteKeys> strongKeys;
    std::shared_ptr<CDeflateAhead> ahead;
    if (strong) {
        // A drawn content key matters to several users only: one password
        // gives the same key on every run.
        const bool keyDrawn = drawn && !saltDrawn && data.m_nPasswordMode == CProject::kMultipleUsers;
        // Without a project, an output folder's manifest keeps a single
        // password's salt for the next run into it.
        const bool keptInFolder = projectPath.isEmpty() && !outputFolder.isEmpty() &&
                                  data.m_nPasswordMode == CProject::kSinglePassword;
        if ((saltDrawn || keyDrawn || keyRenewed || (usersRecorded && !projectPath.isEmpty()) ||
             (data.m_bSaltDrawn && !saltSet)) &&
            !keptInFolder) {
            if (!SaveDrawnSalt(projectPath, data, keyRenewed)) {
                return CCliContext::ExitFailure;
            }
        }
        // Into a folder written before, most pages are left as they are.
        if (earlyKeys.valid() && !(output && output->HasRecord())) {
            // While the key is derived on one core, this one deflates the
            // first pages of the list, as far as it gets before the key is
            // there.
            ahead = CProtectSession::DeflateWhile(data, [&earlyKeys] {
                return earlyKeys.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            });
        }
        const DerivedKeys derived = earlyKeys.valid() ? earlyKeys.get() : DeriveKeys(data, threads);
        strongKeys = derived.keys;
        if (!strongKeys) {
            m_context.Error(derived.error);
            return CCliContext::ExitFailure;
        }
    }

    const CRunReport::Mode mode = parser.isSet(kJson)    ? CRunReport::Mode::Json
                                  : parser.isSet(kQuiet) ? CRunReport::Mode::Quiet
                                                         : CRunReport::Mode::Text;
    CRunReport results(m_context.Out(), m_context.Err(), mode, Name());
    CProject pagesToWrite = data;
    if (output) {
        if (!output->Plan(strongKeys ? strongKeys->ContentKey() : QByteArray(), parser.isSet(kForce),
                          error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        // Only the pages that changed are protected; the site root stays
        // the one of the whole list.
        pagesToWrite.m_listFiles = output->PagesToWrite();
        pagesToWrite.m_strSiteRoot = output->Root();
    }
    CProtectSession::Summary outcome;
    {
        CProgressLine progress(m_context.Progress() && mode == CRunReport::Mode::Text ? &m_context.Err()
                                                                                      : nullptr,
                               "protect", pagesToWrite.m_listFiles.size());
        CProgressResults counted(results, progress);
        CFlagAnswer answer(parser.isSet(kRestoreFirst));
        CProtectEngine::TargetMap targets;
        if (output) {
            for (const QString& path : output->UnchangedPages()) {
                results.AddResult(path, ProtectOutcome::Unchanged,
                                  ProtectResultText(ProtectOutcome::Unchanged));
            }
            const COutputFolder* folder = output.get();
            targets = [folder](const QString& path) { return folder->TargetOf(path); };
        }
        // The outputs are recorded as their results come in, in list order.
        COutputPageResults noted(counted, output.get());
        CProtectSession session(pagesToWrite);
        session.SetThreads(threads);
        session.SetQuestions(&answer);
        session.SetStrongKeys(strongKeys);
        session.SetBackupFolder(backupFolder);
        session.SetDeflateAhead(ahead);
        session.SetInterruption(CInterruption());
        session.SetTargetMap(targets);
        outcome = session.Run(noted);
    }
    results.SetTotal(QStringLiteral("protected"), outcome.protectedCount);
    results.SetTotal(QStringLiteral("notProcessed"), outcome.notProcessed);
    bool assetsFailed = false;
    if (output) {
        const COutputFolder::Outcome written = output->Finish(results, CInterruption());
        results.SetTotal(QStringLiteral("unchanged"), written.unchanged);
        results.SetTotal(QStringLiteral("copied"), written.copied + written.links);
        results.SetTotal(QStringLiteral("enciphered"), written.enciphered);
        results.SetTotal(QStringLiteral("removed"), written.removed);
        for (const QString& warning : written.warnings) {
            results.Warning(warning);
        }
        if (!written.error.isEmpty()) {
            m_context.Error(written.error);
            assetsFailed = true;
        }
        results.Summary(QStringLiteral("%1 page(s) written to %2, %3 unchanged; %4 other file(s) copied, %5 "
                                       "enciphered; %6 removed.")
                            .arg(outcome.protectedCount)
                            .arg(output->Folder())
                            .arg(written.unchanged)
                            .arg(written.copied + written.links)
                            .arg(written.enciphered)
                            .arg(written.removed));
    }
    if (const int signal = CInterruption::Signal(); signal != 0) {
        results.Summary(QStringLiteral("Interrupted: %1 protected, %2 not processed")
                            .arg(outcome.protectedCount)
                            .arg(outcome.notProcessed));
        return results.Finish(CInterruption::ExitCode(signal));
    }
    if (results.AnyFailed() || leftOut > 0) {
        results.Summary(QStringLiteral("%1 file(s) have been protected; %2 could not be.")
                            .arg(outcome.protectedCount)
                            .arg(results.FailedCount() + leftOut));
    } else {
        results.Summary(
            QStringLiteral("%1 file(s) have been protected successfully!").arg(outcome.protectedCount));
    }
    if (data.m_bBackup && backupFolder.isEmpty() && outcome.protectedCount > 0) {
        results.Warning(
            QStringLiteral("the backups (*.original) were written beside the pages. Do not "
                           "upload them: a web server hands them out unprotected (--backup-dir DIR "
                           "keeps them elsewhere, --output DIR writes the protected site elsewhere)."));
    }
    if (outcome.classicPagesMet > 0) {
        results.Warning(CProtectEngine::ClassicToStrongWarning(outcome.classicPagesMet));
    }
    if (strong && data.m_bProtectAssets && !output) {
        const CSiteAssetPass::Outcome assets =
            CSiteAssetPass::Run(data, strongKeys->ContentKey(), backupFolder, projectPath, results);
        if (!assets.error.isEmpty()) {
            m_context.Error(assets.error);
            assetsFailed = true;
        }
        results.SetTotal(QStringLiteral("enciphered"), assets.enciphered);
        results.Summary(
            QStringLiteral("%1 other file(s) of the site have been enciphered (%2 before, %3 failed).")
                .arg(assets.enciphered)
                .arg(assets.before)
                .arg(assets.failed));
    } else if (!data.m_bProtectAssets) {
        const QString warning = CSiteAssetPass::ClearTextWarning(CSiteAssetPass::ClearTextCarriers(data));
        if (!warning.isEmpty()) {
            results.Warning(warning);
        }
    }
    return results.Finish(results.AnyFailed() || assetsFailed || leftOut > 0 ? CCliContext::ExitFailure
                                                                             : CCliContext::ExitOk);
}

bool CProtectCommand::SaveDrawnSalt(const QString& projectPath, const CProject& data, bool keyRenewed)
{
    const QString hex = QString::fromLatin1(data.m_baSalt.toHex());
    if (projectPath.isEmpty()) {
        // A single password's content key follows from the password; the
        // key of several users must be given again too.
        const QString keyHint =
            data.m_nPasswordMode == CProject::kMultipleUsers
                ? QStringLiteral(" --set contentKey=%1").arg(QString::fromLatin1(data.m_baContentKey.toHex()))
                : QString();
        m_context.Error(
            QStringLiteral(
                "this run's salt is kept in no project; protect the same site again with --set salt=%1%2 "
                "so that its pages share one login")
                .arg(hex, keyHint));
        return true;
    }
    // Only the salt, the content key and the users it serves go back into
    // the project: the run's other settings
    // (--set, --password, the paths given) stay out of it.
    CProject stored;
    QString error;
    if (!CWendlockDoc::ReadProjectFile(projectPath, stored, nullptr, &error)) {
        m_context.Error(error);
        return false;
    }
    const bool hadSalt = stored.m_baSalt == data.m_baSalt;
    const bool hadKey = stored.m_baContentKey == data.m_baContentKey;
    stored.m_baSalt = data.m_baSalt;
    stored.m_baContentKey = data.m_baContentKey;
    stored.m_baKeyUsers = data.m_baKeyUsers;
    if (!CWendlockDoc::WriteProjectFile(projectPath, stored, &error)) {
        m_context.Error(QStringLiteral("cannot save the new salt in %1: %2").arg(projectPath, error));
        return false;
    }
    if (keyRenewed) {
        m_context.Error(QStringLiteral("a user was removed since %1's content key was drawn: drew a new one "
                                       "and saved it in the project; every page and file is enciphered anew")
                            .arg(projectPath));
    } else if (hadSalt && hadKey) {
        // only the record of the key's users changed
    } else if (hadSalt) {
        m_context.Error(
            QStringLiteral("%1 had no content key: drew one and saved it in the project").arg(projectPath));
    } else {
        m_context.Error(QStringLiteral("%1 had no salt: drew one (%2) and saved it in the project")
                            .arg(projectPath, hex));
    }
    return true;
}
