#include "cli/CliApp.h"

#include "cli/ParallelProtect.h"
#include "model/ProjectJson.h"
#include "common/AppInfo.h"
#include "common/InputFile.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectJob.h"
#include "engine/ProtectEngine.h"
#include "engine/StrongSiteKeys.h"
#include "engine/ResultList.h"
#include "files/WebFileFilter.h"
#include "model/AppGlobalData.h"
#include "model/WendlockDoc.h"
#include "templates/TemplateStore.h"
#include "users/UserListFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QSet>
#include <QStandardPaths>
#include <QSaveFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>

#include <termios.h>
#include <unistd.h>

namespace {

// The first line of a password source, without its line end (and without
// a UTF-8 byte-order mark an editor may have put before it).
QString FirstLine(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0) {
        bytes.truncate(end);
    }
    if (bytes.endsWith('\r')) {
        bytes.chop(1);
    }
    return QString::fromUtf8(bytes);
}

// One line from standard input; at a terminal it asks for it and keeps
// the typing hidden, since a password shown on screen is half given away.
bool ReadStandardInputLine(QTextStream& err, QString* line)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        err << "Password: ";
        err.flush();
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray bytes;
    char ch = 0;
    bool any = false;
    while (::read(STDIN_FILENO, &ch, 1) == 1) {
        any = true;
        if (ch == '\n') {
            break;
        }
        bytes.append(ch);
    }
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        err << "\n";
        err.flush();
    }
    *line = FirstLine(bytes);
    return any;
}

enum class Format { Unknown, Project, Json };

Format FormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("vxp")) {
        return Format::Project;
    }
    if (suffix == QLatin1String("json")) {
        return Format::Json;
    }
    return Format::Unknown;
}

bool IsHelp(const QStringList& args)
{
    return args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"));
}

// Prints each file's outcome as RESULT<TAB>PATH. A result text may span
// lines ("Backup file failure! \n..."); its line breaks become spaces so
// that every file stays on one line.
class CPrintedResults final : public IResultList
{
public:
    explicit CPrintedResults(QTextStream& out)
        : m_out(out)
    {
    }
    void DeleteAllItems() override {}
    void AddResultRow(const QString& path, const QString& result) override
    {
        QString oneLine = result;
        oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_out << oneLine.simplified() << '\t' << path << '\n';
        m_out.flush();
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        AddResultRow(path, text);
        m_bFailed = m_bFailed || !IsProtectedOutcome(outcome);
    }
    bool AnyFailed() const { return m_bFailed; }

private:
    QTextStream& m_out;
    bool m_bFailed = false;
};

// A one-line count of the files done and their rate on standard error,
// redrawn in place; only drawn when that is a terminal.
class CProgressLine final
{
public:
    CProgressLine(QTextStream* err, const char* verb, qsizetype total)
        : m_err(err)
        , m_verb(verb)
        , m_total(total)
    {
        m_clock.start();
        Draw(0);
    }
    ~CProgressLine() { Clear(); }
    void Draw(qsizetype done)
    {
        if (!m_err) {
            return;
        }
        const double seconds = qMax<qint64>(m_clock.elapsed(), 1) / 1000.0;
        const double rate = double(done) / seconds;
        // \033[K erases what a longer line before left at the end.
        *m_err << '\r' << m_verb << ' ' << done << '/' << m_total << " pages, "
               << QString::number(rate, 'f', rate < 10 ? 1 : 0) << " pages/s\033[K";
        m_err->flush();
        m_shown = true;
    }
    void Clear()
    {
        if (m_err && m_shown) {
            *m_err << "\r\033[K";
            m_err->flush();
            m_shown = false;
        }
    }

private:
    QTextStream* m_err;
    const char* m_verb;
    qsizetype m_total;
    QElapsedTimer m_clock;
    bool m_shown = false;
};

// Counts the rows on their way to the printed list. A row may go to the
// same terminal, so the progress line makes way for it and comes back under it.
class CProgressResults final : public IResultList
{
public:
    CProgressResults(IResultList& rows, CProgressLine& line)
        : m_rows(rows)
        , m_line(line)
    {
    }
    void DeleteAllItems() override { m_rows.DeleteAllItems(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        m_line.Clear();
        m_rows.AddResultRow(path, result);
        m_line.Draw(++m_done);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override
    {
        m_line.Clear();
        m_rows.AddResult(path, outcome, text);
        m_line.Draw(++m_done);
    }

private:
    IResultList& m_rows;
    CProgressLine& m_line;
    qsizetype m_done = 0;
};

// Adds a path (a file, or every web file of a folder tree) to the list,
// keeping the first of any duplicates (exact path comparison).
// `skipped` collects what a folder scan left out, with the reason.
void AddPaths(const QString& path, QStringList& files, QStringList* skipped = nullptr)
{
    const QFileInfo info(path);
    QStringList found;
    if (info.isDir()) {
        found = CWebFileFilter::ScanFolder(info.absoluteFilePath(), true, skipped);
    } else {
        found.append(info.absoluteFilePath());
    }
    // One file reached under two names (a link) is listed once: two
    // threads must never write the same page.
    const auto realPath = [](const QString& file) {
        const QString real = QFileInfo(file).canonicalFilePath();
        return real.isEmpty() ? file : real;
    };
    QSet<QString> listed;
    listed.reserve(files.size() + found.size());
    for (const QString& file : files) {
        listed.insert(realPath(file));
    }
    for (const QString& file : found) {
        const QString real = realPath(file);
        if (!listed.contains(real)) {
            listed.insert(real);
            files.append(file);
        }
    }
}

} // namespace

CCliApp::CCliApp(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
{
}

void CCliApp::PrintHelp()
{
    m_out << "Usage: wendlock-cli COMMAND [ARGUMENTS]\n"
             "\n"
             "Password-protects static web pages from the command line.\n"
             "\n"
             "Commands:\n"
             "  show PROJECT.vxp       print the project as JSON\n"
             "  convert IN OUT         convert between .vxp and .json (chosen by extension)\n"
             "  protect [PROJECT.vxp] [--password PW | --password-file FILE | --password -] [--users FILE.csv]\n"
             "          [--template FILE] [--backup-dir DIR] [--no-backup] [--restore-first] [--set KEY=VALUE]...\n"
             "          [PATH...]\n"
             "                         protect the project's pages and the given files or folders; the password\n"
             "                         comes from the first line of FILE, a line of standard input (-) or, when\n"
             "                         nothing else names one, the WENDLOCK_PASSWORD environment variable\n"
             "  restore [--backup-dir DIR] PROJECT.vxp | PATH...\n"
             "                         put the \".original\" backups back\n"
             "  unlock PAGE [--user NAME] --password PW [-o OUT]\n"
             "                         write the page text a protected page carries\n"
             "  templates [--mode 0|1] list the login-page templates of a password mode\n"
             "\n"
             "Options:\n"
             "  -h, --help             show this help\n"
             "  -v, --version          print the program version\n"
             "\n"
             "Exit codes: 0 done, 1 the job failed, 2 usage error or unreadable input.\n";
}

int CCliApp::Usage(const QString& message)
{
    m_err << "wendlock-cli: " << message << "\n"
          << "Try 'wendlock-cli --help' for more information.\n";
    return ExitUsage;
}

int CCliApp::Run(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        return Usage(QStringLiteral("no command given"));
    }
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("-h") || command == QLatin1String("--help") || command == QLatin1String("help")) {
        PrintHelp();
        return ExitOk;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        m_out << AppInfo::ProgramVersion() << "\n";
        return ExitOk;
    }
    if (command == QLatin1String("show")) {
        return RunShow(rest);
    }
    if (command == QLatin1String("convert")) {
        return RunConvert(rest);
    }
    if (command == QLatin1String("protect")) {
        return RunProtect(rest);
    }
    if (command == QLatin1String("restore")) {
        return RunRestore(rest);
    }
    if (command == QLatin1String("unlock")) {
        return RunUnlock(rest);
    }
    if (command == QLatin1String("templates")) {
        return RunTemplates(rest);
    }
    return Usage(QStringLiteral("unknown command '%1'").arg(command));
}

int CCliApp::RunShow(const QStringList& args)
{
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        m_out << "Usage: wendlock-cli show PROJECT.vxp\n";
        return ExitOk;
    }
    if (args.size() != 1) {
        return Usage(QStringLiteral("show takes exactly one project file"));
    }
    CAppGlobalData data;
    QString version;
    QString error;
    if (!CWendlockDoc::ReadProjectFile(args[0], data, &version, &error)) {
        m_err << "wendlock-cli: " << error << "\n";
        return ExitUsage;
    }
    m_out << QString::fromUtf8(CProjectJson::ToJson(data, version));
    return ExitOk;
}

int CCliApp::RunConvert(const QStringList& args)
{
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        m_out << "Usage: wendlock-cli convert IN OUT   (each .vxp or .json)\n";
        return ExitOk;
    }
    if (args.size() != 2) {
        return Usage(QStringLiteral("convert takes an input and an output file"));
    }
    const QString& in = args[0];
    const QString& out = args[1];
    const Format inFormat = FormatOf(in);
    const Format outFormat = FormatOf(out);
    if (inFormat == Format::Unknown || outFormat == Format::Unknown) {
        return Usage(QStringLiteral("files must end in .vxp or .json"));
    }

    CAppGlobalData data;
    QString version = AppInfo::ProgramVersion();
    QString error;
    if (inFormat == Format::Project) {
        if (!CWendlockDoc::ReadProjectFile(in, data, &version, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitUsage;
        }
    } else {
        QByteArray json;
        if (!InputFile::Read(in, &json, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitUsage;
        }
        if (!CProjectJson::FromJson(json, data, &error)) {
            m_err << "wendlock-cli: " << in << ": " << error << "\n";
            return ExitUsage;
        }
    }

    if (outFormat == Format::Project) {
        if (!CWendlockDoc::WriteProjectFile(out, data, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitFailure;
        }
        return ExitOk;
    }
    // Files are always written in the current format, so the JSON says so.
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(CProjectJson::ToJson(data, AppInfo::ProgramVersion())) < 0 || !file.commit()) {
        m_err << "wendlock-cli: cannot write " << out << ": " << file.errorString() << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

bool CCliApp::ReadPassword(const QString& file, const QString& value, QString* password)
{
    if (file.isEmpty() && value != QLatin1String("-")) {
        *password = value;
        return true;
    }
    if (file.isEmpty()) {
        bool read = false;
        if (m_in) {
            const QByteArray line = m_in->readLine();
            read = !line.isEmpty();
            *password = FirstLine(line);
        } else {
            read = ReadStandardInputLine(m_err, password);
        }
        if (!read) {
            m_err << "wendlock-cli: --password -: standard input ended before a password line\n";
            return false;
        }
    } else {
        QByteArray bytes;
        QString problem;
        if (!InputFile::Read(file, &bytes, &problem)) {
            m_err << "wendlock-cli: --password-file: " << problem << "\n";
            return false;
        }
        *password = FirstLine(bytes);
    }
    if (password->isEmpty()) {
        m_err << "wendlock-cli: the password " << (file.isEmpty() ? QStringLiteral("line") : QStringLiteral("file \"%1\"").arg(file))
              << " is empty\n";
        return false;
    }
    return true;
}

int CCliApp::RunProtect(const QStringList& args)
{
    if (IsHelp(args)) {
        m_out << "Usage: wendlock-cli protect [PROJECT.vxp] [--password PW | --password-file FILE | --password -]\n"
                 "                            [--users FILE.csv] [--template FILE]\n"
                 "                            [--no-backup | --backup-dir DIR] [--restore-first] [--set KEY=VALUE]...\n"
                 "                            [PATH...]\n";
        return ExitOk;
    }
    CAppGlobalData data;
    QString projectPath;
    QString password;
    bool havePassword = false;
    QString usersPath;
    QString templatePath;
    bool noBackup = false;
    bool restoreFirst = false;
    QString backupFolder;
    QList<QPair<QString, QString>> settings;
    QStringList paths;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](QString* target) {
            if (i + 1 >= args.size()) {
                return false;
            }
            *target = args[++i];
            return true;
        };
        if (arg == QLatin1String("--password") || arg == QLatin1String("--password-file")) {
            QString source;
            if (!value(&source)) {
                return Usage(QStringLiteral("%1 needs a value").arg(arg));
            }
            if (havePassword) {
                return Usage(QStringLiteral("give one password: --password or --password-file"));
            }
            if (!ReadPassword(arg == QLatin1String("--password-file") ? source : QString(), source, &password)) {
                return ExitUsage;
            }
            havePassword = true;
        } else if (arg == QLatin1String("--users")) {
            if (!value(&usersPath)) {
                return Usage(QStringLiteral("--users needs a file"));
            }
        } else if (arg == QLatin1String("--template")) {
            if (!value(&templatePath)) {
                return Usage(QStringLiteral("--template needs a file"));
            }
        } else if (arg == QLatin1String("--backup-dir")) {
            if (!value(&backupFolder) || backupFolder.isEmpty()) {
                return Usage(QStringLiteral("--backup-dir needs a folder"));
            }
        } else if (arg == QLatin1String("--no-backup")) {
            noBackup = true;
        } else if (arg == QLatin1String("--restore-first")) {
            restoreFirst = true;
        } else if (arg == QLatin1String("--set")) {
            QString pair;
            if (!value(&pair) || !pair.contains(QLatin1Char('='))) {
                return Usage(QStringLiteral("--set needs KEY=VALUE"));
            }
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            settings.append({pair.left(eq), pair.mid(eq + 1)});
        } else if (arg.startsWith(QLatin1String("--"))) {
            return Usage(QStringLiteral("unknown option '%1'").arg(arg));
        } else if (projectPath.isEmpty() && paths.isEmpty() && arg.endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive)) {
            projectPath = arg;
        } else {
            paths.append(arg);
        }
    }
    if (havePassword && !usersPath.isEmpty()) {
        return Usage(QStringLiteral("give either --password or --users, not both"));
    }
    // Without a password source the pages would open with the built-in
    // New Project password, which anyone can read in this program.
    const bool passwordSet = std::any_of(settings.cbegin(), settings.cend(), [](const auto& setting) {
        return setting.first == QLatin1String("password") || setting.first == QLatin1String("passwordMode");
    });
    // The environment only stands in when nothing else names who may log
    // in, so a project's own password or users are never overridden by it.
    if (!havePassword && usersPath.isEmpty() && projectPath.isEmpty() && !passwordSet
        && !qEnvironmentVariableIsEmpty("WENDLOCK_PASSWORD")) {
        password = qEnvironmentVariable("WENDLOCK_PASSWORD");
        havePassword = true;
    }
    if (!havePassword && usersPath.isEmpty() && projectPath.isEmpty() && !passwordSet) {
        return Usage(QStringLiteral("say who may open the pages: --password PW, --password-file FILE, --password -, "
                                    "WENDLOCK_PASSWORD, --users FILE.csv or a project"));
    }

    QString error;
    if (!projectPath.isEmpty() && !CWendlockDoc::ReadProjectFile(projectPath, data, nullptr, &error)) {
        m_err << "wendlock-cli: " << error << "\n";
        return ExitUsage;
    }
    bool saltSet = false;
    for (const auto& [key, text] : settings) {
        if (!CProjectJson::SetValue(data, key, text, &error)) {
            return Usage(QStringLiteral("--set %1: %2").arg(key, error));
        }
        saltSet = saltSet || key == QLatin1String("salt");
    }
    if (havePassword) {
        data.m_nPasswordMode = 0;
        data.m_strPassword = password;
    }
    if (!usersPath.isEmpty()) {
        data.m_nPasswordMode = 1;
        data.m_listUsers.clear();
        if (CUserListFile::ImportUsers(usersPath, data.m_listUsers, &error) < 0) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitUsage;
        }
    }
    if (noBackup) {
        data.m_bBackup = 0;
    }
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path)) {
            m_err << "wendlock-cli: " << path << " does not exist\n";
            return ExitUsage;
        }
        QStringList skipped;
        AddPaths(path, data.m_listFiles, &skipped);
        for (const QString& why : skipped) {
            m_err << "wendlock-cli: skipped " << why << "\n";
        }
    }
    if (!templatePath.isEmpty()) {
        data.m_strTemplatePath = QFileInfo(templatePath).absoluteFilePath();
    }
    if (data.m_strTemplatePath.isEmpty()) {
        const QList<CTemplateStore::Entry> templates = CTemplateStore::List(data.m_nPasswordMode);
        if (templates.isEmpty()) {
            m_err << "wendlock-cli: no login-page template found; give one with --template\n";
            return ExitUsage;
        }
        // A stated rule, the same on every machine: "Classic", else the
        // first by name (a folder lists its files in no fixed order).
        const auto classic = std::find_if(templates.cbegin(), templates.cend(), [](const CTemplateStore::Entry& e) {
            return e.name == QLatin1String("Classic");
        });
        const auto first = std::min_element(templates.cbegin(), templates.cend(),
                                            [](const CTemplateStore::Entry& a, const CTemplateStore::Entry& b) {
                                                return a.name < b.name;
                                            });
        data.m_strTemplatePath = (classic != templates.cend() ? classic : first)->path;
    }
    if (data.m_listFiles.isEmpty()) {
        return Usage(QStringLiteral("no files to protect: give a project with files, or files and folders"));
    }
    // The rules the wizard's pages apply, all of them at once.
    const QList<CProtectJob::Problem> problems = CProtectJob::Check(data);
    for (const CProtectJob::Problem& problem : problems) {
        m_err << "wendlock-cli: " << problem.message << "\n";
    }
    if (!problems.isEmpty()) {
        return ExitUsage;
    }

    const int threads = qMax(1, QThread::idealThreadCount());
    std::shared_ptr<const CStrongSiteKeys> strongKeys;
    if (data.m_nCipher == CAppGlobalData::kCipherStrong) {
        if (data.EnsureSalt() || (data.m_bSaltDrawn && !saltSet)) {
            if (!SaveDrawnSalt(projectPath, data)) {
                return ExitFailure;
            }
        }
        strongKeys = CStrongSiteKeys::Derive(data, threads, &error);
        if (!strongKeys) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitFailure;
        }
    }

    CPrintedResults results(m_out);
    CParallelProtect::Outcome outcome;
    {
        CProgressLine progress(m_bProgress ? &m_err : nullptr, "protect", data.m_listFiles.size());
        CProgressResults counted(results, progress);
        outcome = CParallelProtect::Run(data, restoreFirst ? CProtectEngine::Answer::Yes : CProtectEngine::Answer::No,
                                        counted, threads, strongKeys, backupFolder);
    }
    m_out << QStringLiteral("%1 file(s) have been protected successfully!").arg(outcome.protectedCount) << "\n";
    if (data.m_bBackup && backupFolder.isEmpty() && outcome.protectedCount > 0) {
        m_err << "wendlock-cli: warning: the backups (*.original) were written beside the pages. Do not upload "
                 "them: a web server hands them out unprotected (--backup-dir DIR keeps them elsewhere).\n";
    }
    if (outcome.classicPagesMet > 0) {
        m_err << "wendlock-cli: warning: " << CProtectEngine::ClassicToStrongWarning(outcome.classicPagesMet) << "\n";
    }
    return results.AnyFailed() ? ExitFailure : ExitOk;
}

bool CCliApp::SaveDrawnSalt(const QString& projectPath, const CAppGlobalData& data)
{
    const QString hex = QString::fromLatin1(data.m_baSalt.toHex());
    if (projectPath.isEmpty()) {
        m_err << "wendlock-cli: drew a new salt for this run; protect the same site again with --set salt=" << hex
              << " so that its pages share one login\n";
        return true;
    }
    // Only the salt goes back into the project: the run's other settings
    // (--set, --password, the paths given) stay out of it.
    CAppGlobalData stored;
    QString error;
    if (!CWendlockDoc::ReadProjectFile(projectPath, stored, nullptr, &error)) {
        m_err << "wendlock-cli: " << error << "\n";
        return false;
    }
    stored.m_baSalt = data.m_baSalt;
    if (!CWendlockDoc::WriteProjectFile(projectPath, stored, &error)) {
        m_err << "wendlock-cli: cannot save the new salt in " << projectPath << ": " << error << "\n";
        return false;
    }
    m_err << "wendlock-cli: " << projectPath << " had no salt: drew one (" << hex << ") and saved it in the project\n";
    return true;
}

int CCliApp::RunRestore(const QStringList& args)
{
    if (IsHelp(args)) {
        m_out << "Usage: wendlock-cli restore [--backup-dir DIR] PROJECT.vxp | PATH...\n";
        return ExitOk;
    }
    QStringList rest;
    QString backupFolder;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--backup-dir")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                return Usage(QStringLiteral("--backup-dir needs a folder"));
            }
            backupFolder = args[++i];
        } else {
            rest.append(args[i]);
        }
    }
    if (rest.isEmpty()) {
        return Usage(QStringLiteral("restore needs a project or the protected files"));
    }
    QStringList files;
    if (rest.size() == 1 && rest[0].endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive)) {
        CAppGlobalData data;
        QString error;
        if (!CWendlockDoc::ReadProjectFile(rest[0], data, nullptr, &error)) {
            m_err << "wendlock-cli: " << error << "\n";
            return ExitUsage;
        }
        files = data.m_listFiles;
    } else {
        for (const QString& path : rest) {
            AddPaths(path, files);
        }
    }
    int withBackup = 0;
    for (const QString& path : files) {
        withBackup += QFileInfo::exists(CProtectEngine::BackupPath(path, backupFolder)) ? 1 : 0;
    }
    int restored = 0;
    {
        // One file at a time, so that the progress line can count them.
        CProgressLine progress(m_bProgress ? &m_err : nullptr, "restore", files.size());
        for (qsizetype i = 0; i < files.size(); ++i) {
            restored += CProtectEngine::RestoreBackups({files[i]}, backupFolder);
            progress.Draw(i + 1);
        }
    }
    m_out << QStringLiteral("%1 files have been restored!").arg(restored) << "\n";
    if (restored < withBackup) {
        m_err << "wendlock-cli: " << withBackup - restored
              << " backup(s) were left where they are: their page is not protected (so it is newer than the "
                 "backup), or it cannot be replaced\n";
    }
    if (restored == 0 || restored < withBackup) {
        return ExitFailure;
    }
    return ExitOk;
}

int CCliApp::RunUnlock(const QStringList& args)
{
    if (IsHelp(args)) {
        m_out << "Usage: wendlock-cli unlock PAGE (--password PW | --user NAME --password PW) [-o OUT]\n";
        return ExitOk;
    }
    QString page;
    QString user;
    QString password;
    bool havePassword = false;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--password") && hasValue) {
            password = args[++i];
            havePassword = true;
        } else if (arg == QLatin1String("--user") && hasValue) {
            user = args[++i];
        } else if ((arg == QLatin1String("-o") || arg == QLatin1String("--output")) && hasValue) {
            output = args[++i];
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return Usage(QStringLiteral("unknown or incomplete option '%1'").arg(arg));
        } else if (page.isEmpty()) {
            page = arg;
        } else {
            return Usage(QStringLiteral("unlock takes one page"));
        }
    }
    if (page.isEmpty() || !havePassword) {
        return Usage(QStringLiteral("unlock needs a page and --password"));
    }
    if (!QFileInfo::exists(page)) {
        m_err << "wendlock-cli: " << page << " was not found.\n";
        return ExitUsage;
    }

    QSaveFile file(output);
    QFile standardOutput;
    QIODevice* device = nullptr;
    if (output.isEmpty()) {
        m_out.flush();
        if (!standardOutput.open(stdout, QIODevice::WriteOnly)) {
            return ExitFailure;
        }
        device = &standardOutput;
    } else {
        if (!file.open(QIODevice::WriteOnly)) {
            m_err << "wendlock-cli: cannot write " << output << ": " << file.errorString() << "\n";
            return ExitFailure;
        }
        device = &file;
    }
    const CPageUnlocker::Status status = CPageUnlocker::Unlock(page, user, password, device);
    if (status != CPageUnlocker::Status::Ok) {
        if (!output.isEmpty()) {
            file.cancelWriting();
        }
        m_err << "wendlock-cli: " << CPageUnlocker::StatusText(status, page) << "\n";
        const bool badInput = status != CPageUnlocker::Status::WrongCredentials
                              && status != CPageUnlocker::Status::WriteError;
        return badInput ? ExitUsage : ExitFailure;
    }
    if (!output.isEmpty() && !file.commit()) {
        m_err << "wendlock-cli: cannot write " << output << ": " << file.errorString() << "\n";
        return ExitFailure;
    }
    // A full disk or a closed pipe behind standard output is a failure too.
    if (output.isEmpty() && (!standardOutput.flush() || standardOutput.error() != QFileDevice::NoError)) {
        m_err << "wendlock-cli: cannot write the unlocked text: " << standardOutput.errorString() << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

int CCliApp::RunTemplates(const QStringList& args)
{
    if (IsHelp(args)) {
        m_out << "Usage: wendlock-cli templates [--mode 0|1]\n";
        return ExitOk;
    }
    int mode = 0;
    if (args.size() == 2 && args[0] == QLatin1String("--mode")
        && (args[1] == QLatin1String("0") || args[1] == QLatin1String("1"))) {
        mode = args[1].toInt();
    } else if (!args.isEmpty()) {
        return Usage(QStringLiteral("templates takes only --mode 0 or --mode 1"));
    }
    // The user's own templates follow the shipped ones, from the same data
    // folder the window uses.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString dataFolder = dataHome.isEmpty() ? QString()
                                                  : QDir::cleanPath(dataHome) + QLatin1Char('/') + AppInfo::CompanyName() +
                                                        QLatin1Char('/') + AppInfo::DisplayName() + QLatin1Char('/');
    const QList<CTemplateStore::Entry> entries =
        dataFolder.isEmpty() ? CTemplateStore::List(mode) : CTemplateStore::List(mode, dataFolder);
    for (const CTemplateStore::Entry& entry : entries) {
        m_out << entry.name << '\t' << entry.path << '\n';
    }
    return ExitOk;
}
