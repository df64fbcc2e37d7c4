#include "cli/CliHelp.h"

#include "model/ProjectJson.h"

#include <QHash>

namespace {

const QString kProgram = QStringLiteral("wendlock-cli ");

std::vector<CCliHelp::Command> MakeCommands()
{
    std::vector<CCliHelp::Command> commands;
    commands.push_back(
        {QStringLiteral("show"),
         {QStringLiteral("show PROJECT.vxp")},
         QStringLiteral("Print the project as JSON, one key per line in record order; protect --help "
                        "lists the keys with their values and defaults."),
         {},
         {QStringLiteral("wendlock-cli show site.vxp"),
          QStringLiteral("wendlock-cli show site.vxp > site.json")}});
    commands.push_back(
        {QStringLiteral("convert"),
         {QStringLiteral("convert IN OUT")},
         QStringLiteral("Convert a project between .vxp and .json; each file's extension says which form "
                        "it is in."),
         {},
         {QStringLiteral("wendlock-cli convert site.vxp site.json"),
          QStringLiteral("wendlock-cli convert site.json site.vxp")}});
    commands.push_back(
        {QStringLiteral("protect"),
         {QStringLiteral("protect [PROJECT.vxp] [--password PW | --password-file FILE | --password -]"),
          QStringLiteral("        [--users FILE.csv] [--template FILE]"),
          QStringLiteral("        [--no-backup | --backup-dir DIR] [--restore-first] [--set KEY=VALUE]..."),
          QStringLiteral("        [--output DIR [--force]] [--json | --quiet] [PATH...]")},
         QStringLiteral("Protect the project's pages and the given files and the web files of the given "
                        "folders, starting from the project or from the values of a new project; one line "
                        "per file (RESULT, a tab, PATH) then the count go to standard output."),
         {{QStringLiteral("--password PW"),
           QStringLiteral("The one password of the pages; \"-\" reads a line of standard input (typed "
                          "hidden at a terminal), and without any password source WENDLOCK_PASSWORD "
                          "stands in (a PW given here shows in the process list, prefer the others).")},
          {QStringLiteral("--password-file FILE"), QStringLiteral("The password is the first line of FILE.")},
          {QStringLiteral("--users FILE.csv"),
           QStringLiteral("Log in with the user names and passwords of a user list instead of one "
                          "password.")},
          {QStringLiteral("--template FILE"), QStringLiteral("The login-page template to use.")},
          {QStringLiteral("--no-backup"), QStringLiteral("Keep no \".original\" backups of the pages.")},
          {QStringLiteral("--backup-dir DIR"),
           QStringLiteral("Keep the backups in DIR instead of beside the pages (restore takes the same "
                          "folder).")},
          {QStringLiteral("--restore-first"),
           QStringLiteral("Put the backup of an already protected page back before protecting it again.")},
          {QStringLiteral("--set KEY=VALUE"),
           QStringLiteral("Set one key of the project (the keys are listed below); may be given more than "
                          "once, a later value wins.")},
          {QStringLiteral("--output DIR"),
           QStringLiteral("Write the protected site into DIR, mirroring the site root, instead of over the "
                          "pages: the sources are never written, no backups are made, and a later run "
                          "writes only the files whose source or settings changed.")},
          {QStringLiteral("--force"), QStringLiteral("Write every file of the output folder again.")},
          {QStringLiteral("--json"),
           QStringLiteral("Print one JSON document (every file's path, outcome and text, the totals and "
                          "the warnings) instead of the lines; the exit codes stay the same.")},
          {QStringLiteral("--quiet"), QStringLiteral("Print only errors and the files that failed.")}},
         {QStringLiteral("wendlock-cli protect --password-file pw.txt --backup-dir ~/backups site/"),
          QStringLiteral("wendlock-cli protect site.vxp --set cipher=1 --set kdfIterations=1000000 "
                         "--output public/")}});
    commands.push_back(
        {QStringLiteral("restore"),
         {QStringLiteral("restore [--backup-dir DIR] [--json | --quiet] PROJECT.vxp | PATH...")},
         QStringLiteral("Put the \".original\" backups of a project's pages, or of the given files and "
                        "folders, back."),
         {{QStringLiteral("--backup-dir DIR"),
           QStringLiteral("Take the backups from DIR, the folder protect kept them in.")},
          {QStringLiteral("--json"),
           QStringLiteral("Print one JSON document with every file's outcome and the totals instead of the "
                          "lines.")},
          {QStringLiteral("--quiet"), QStringLiteral("Print only errors and the files that failed.")}},
         {QStringLiteral("wendlock-cli restore site.vxp"),
          QStringLiteral("wendlock-cli restore --backup-dir ~/backups site/")}});
    commands.push_back(
        {QStringLiteral("unlock"),
         {QStringLiteral("unlock (PAGE | SITE-FILE) [--user NAME]"),
          QStringLiteral("       [--password-file FILE | --password - | --password PW] [-o OUT]")},
         QStringLiteral("Decipher a protected page of either format and write the text it carries, for a "
                        "page whose backup is lost."),
         {{QStringLiteral("--password PW"),
           QStringLiteral("The password that opens the page; \"-\" reads a line of standard input, and "
                          "without a password option WENDLOCK_PASSWORD is used.")},
          {QStringLiteral("--password-file FILE"), QStringLiteral("The password is the first line of FILE.")},
          {QStringLiteral("--user NAME"),
           QStringLiteral("The user name, on a page protected for a list of users.")},
          {QStringLiteral("-o OUT"), QStringLiteral("Write the text to OUT instead of standard output.")}},
         {QStringLiteral("wendlock-cli unlock site/index.html --password - -o index.txt"),
          QStringLiteral("wendlock-cli unlock site/team.html --user anna --password-file pw.txt")}});
    commands.push_back(
        {QStringLiteral("link"),
         {QStringLiteral("link (PROJECT.vxp | PAGE) [--user NAME]"),
          QStringLiteral("     [--password-file FILE | --password - | --password PW] URL")},
         QStringLiteral("Print URL#wl=TOKEN: opening it logs in as the password does, so hand it out as "
                        "you would the password; a new salt (\"Sign everyone out\") makes every link "
                        "stale."),
         {{QStringLiteral("--password PW"),
           QStringLiteral("The password the link logs in with; \"-\" reads a line of standard input, and "
                          "from a project its own password is used when none is given.")},
          {QStringLiteral("--password-file FILE"), QStringLiteral("The password is the first line of FILE.")},
          {QStringLiteral("--user NAME"),
           QStringLiteral("The user the link logs in as, when the site has several users.")}},
         {QStringLiteral("wendlock-cli link site.vxp https://example.org/index.html"),
          QStringLiteral("wendlock-cli link site/index.html --user anna --password - "
                         "https://example.org/index.html")}});
    commands.push_back(
        {QStringLiteral("templates"),
         {QStringLiteral("templates [--mode 0|1]")},
         QStringLiteral("List the login-page templates of a password mode, the shipped ones first, then "
                        "the user's own."),
         {{QStringLiteral("--mode 0|1"),
           QStringLiteral("The password mode: 0 one password (the default), 1 a list of users.")}},
         {QStringLiteral("wendlock-cli templates"), QStringLiteral("wendlock-cli templates --mode 1")}});
    return commands;
}

const CCliHelp::Command* Find(const QString& name)
{
    for (const CCliHelp::Command& command : CCliHelp::Commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

// A line of text as roff shows it: backslashes and dashes literal, and a
// line starting with a dot or quote not taken for a request.
QString RoffEscaped(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    escaped.replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (escaped.startsWith(QLatin1Char('.')) || escaped.startsWith(QLatin1Char('\''))) {
        escaped.prepend(QLatin1String("\\&"));
    }
    return escaped;
}

// `text` broken into lines of at most kWidth columns, each indented by
// `indent` spaces.
QString Wrapped(const QString& text, int indent)
{
    constexpr int kWidth = 79;
    const QString margin(indent, QLatin1Char(' '));
    QString out;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > kWidth) {
            out += margin + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty()) {
        out += margin + line + QLatin1Char('\n');
    }
    return out;
}

QString ValuesText(const CProjectJson::KeyInfo& info)
{
    return info.settable ? info.values : info.values + QStringLiteral(", not with --set");
}

} // namespace

const std::vector<CCliHelp::Command>& CCliHelp::Commands()
{
    static const std::vector<Command> commands = MakeCommands();
    return commands;
}

QString CCliHelp::KeyMeaning(const QString& key)
{
    static const QHash<QString, QString> meanings = {
        {QStringLiteral("files"), QStringLiteral("the pages of the project")},
        {QStringLiteral("backup"), QStringLiteral("keep \".original\" backups of the pages")},
        {QStringLiteral("passwordMode"), QStringLiteral("0 one password, 1 a list of users")},
        {QStringLiteral("password"), QStringLiteral("the one password")},
        {QStringLiteral("users"), QStringLiteral("the users and their passwords")},
        {QStringLiteral("loginExpire"),
         QStringLiteral("a login lasts 0 for the page, 1 until the browser closes, 2 for expireDays")},
        {QStringLiteral("expireDays"), QStringLiteral("the days a login lasts when loginExpire is 2")},
        {QStringLiteral("incorrectAction"),
         QStringLiteral("on a wrong password 0 show alertText, 1 go to redirectUrl")},
        {QStringLiteral("alertText"), QStringLiteral("the message a wrong password shows")},
        {QStringLiteral("redirectUrl"), QStringLiteral("where a wrong password leads")},
        {QStringLiteral("redirectTarget"), QStringLiteral("the frame or window redirectUrl opens in")},
        {QStringLiteral("userNameCase"), QStringLiteral("user names are case sensitive")},
        {QStringLiteral("passwordCase"), QStringLiteral("passwords are case sensitive")},
        {QStringLiteral("templatePath"), QStringLiteral("the login-page template (empty: the first one)")},
        {QStringLiteral("preview"), QStringLiteral("show a preview of the login page (desktop program)")},
        {QStringLiteral("charset"),
         QStringLiteral("the character set the pages are written in (an index into the list)")},
        {QStringLiteral("copyHead"), QStringLiteral("copy the page's HEAD section into the login page")},
        {QStringLiteral("refreshIE"),
         QStringLiteral("reload the page once after login in Internet Explorer")},
        {QStringLiteral("protectLoginPages"), QStringLiteral("run the no* scripts in the login pages")},
        {QStringLiteral("protectAfterLogin"), QStringLiteral("keep the no* scripts running after login")},
        {QStringLiteral("noRightClick"), QStringLiteral("block the context menu")},
        {QStringLiteral("noTextSelect"), QStringLiteral("block selecting text")},
        {QStringLiteral("noPrint"), QStringLiteral("block printing")},
        {QStringLiteral("noOffline"), QStringLiteral("stop the page from working once saved to disk")},
        {QStringLiteral("noStatusLinks"), QStringLiteral("hide link addresses from the status bar")},
        {QStringLiteral("killFrame"), QStringLiteral("break out of frames of other sites")},
        {QStringLiteral("noMozilla"), QStringLiteral("turn away browsers that call themselves Mozilla")},
        {QStringLiteral("noOpera"), QStringLiteral("turn away browsers that call themselves Opera")},
        {QStringLiteral("noPrintScreen"), QStringLiteral("clear the clipboard against Print Screen")},
        {QStringLiteral("noDragDrop"), QStringLiteral("block dragging content out")},
        {QStringLiteral("locationLock"), QStringLiteral("open only at locationLockUrl")},
        {QStringLiteral("locationLockUrl"), QStringLiteral("the address the pages must be opened at")},
        {QStringLiteral("referrerLock"), QStringLiteral("open only when coming from referrerLockUrl")},
        {QStringLiteral("referrerLockUrl"), QStringLiteral("the page visitors must come from")},
        {QStringLiteral("cipher"), QStringLiteral("1 strong (AES-256-GCM), 0 classic")},
        {QStringLiteral("kdfIterations"), QStringLiteral("PBKDF2 rounds of the strong format")},
        {QStringLiteral("salt"), QStringLiteral("the strong format's salt; a new one signs everyone out")},
        {QStringLiteral("protectAssets"),
         QStringLiteral("encipher the site's other files too, read back by a service worker")},
        {QStringLiteral("siteRoot"), QStringLiteral("only files below this folder are enciphered")},
        {QStringLiteral("assetExclude"),
         QStringLiteral("patterns (separated by spaces) of files left as they are")},
        {QStringLiteral("outputFolder"), QStringLiteral("write the protected site here (as --output)")},
        {QStringLiteral("contentKey"), QStringLiteral("the key the pages of several users share")},
        {QStringLiteral("keyUsers"), QStringLiteral("the users the content key is wrapped for")},
        {QStringLiteral("shareFileLogins"),
         QStringLiteral("pages opened as local files share a login between tabs")},
    };
    return meanings.value(key);
}

QString CCliHelp::KeysText()
{
    QString text;
    for (const CProjectJson::KeyInfo& info : CProjectJson::Keys()) {
        text += QStringLiteral("  %1  %2; default %3\n").arg(info.key, ValuesText(info), info.defaultValue);
        text += Wrapped(KeyMeaning(info.key), 6);
    }
    return text;
}

QString CCliHelp::Overview()
{
    QString text;
    for (const Command& command : Commands()) {
        for (qsizetype i = 0; i < command.usage.size(); ++i) {
            text += QStringLiteral("  ") + command.usage[i] + QLatin1Char('\n');
        }
        text += Wrapped(command.summary, 6);
    }
    return text;
}

QString CCliHelp::Text(const QString& command)
{
    const Command* help = Find(command);
    if (!help) {
        return {};
    }
    QString text;
    for (qsizetype i = 0; i < help->usage.size(); ++i) {
        // Later usage lines carry the spaces that line them up under the
        // first argument.
        text +=
            (i == 0 ? QStringLiteral("Usage: ") + kProgram : QString(7 + kProgram.size(), QLatin1Char(' '))) +
            help->usage[i] + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + Wrapped(help->summary, 0);
    if (!help->options.empty()) {
        text += QStringLiteral("\nOptions:\n");
        for (const Option& option : help->options) {
            text += QStringLiteral("  ") + option.names + QLatin1Char('\n') + Wrapped(option.text, 6);
        }
    }
    if (help->name == QLatin1String("protect")) {
        text +=
            QStringLiteral("\nKeys of --set KEY=VALUE (and of the JSON that show prints):\n") + KeysText();
    }
    text += QStringLiteral("\nExamples:\n");
    for (const QString& example : help->examples) {
        text += QStringLiteral("  ") + example + QLatin1Char('\n');
    }
    return text;
}

QString CCliHelp::Roff(const QString& part)
{
    QString roff;
    if (part == QLatin1String("synopsis")) {
        for (const Command& command : Commands()) {
            roff += QStringLiteral(".B wendlock\\-cli %1\n").arg(command.name);
            QString rest;
            for (const QString& line : command.usage) {
                rest += (rest.isEmpty() ? QString() : QStringLiteral(" ")) + line.trimmed();
            }
            rest = rest.mid(command.name.size()).trimmed();
            if (!rest.isEmpty()) {
                roff += RoffEscaped(rest) + QLatin1Char('\n');
            }
            roff += QStringLiteral(".br\n");
        }
        return roff;
    }
    if (part != QLatin1String("commands")) {
        return roff;
    }
    roff += QStringLiteral(".SH COMMANDS\n");
    for (const Command& command : Commands()) {
        roff += QStringLiteral(".SS %1\n").arg(command.name);
        roff += RoffEscaped(command.summary) + QLatin1Char('\n');
        for (const Option& option : command.options) {
            roff += QStringLiteral(".TP\n.B ") + RoffEscaped(option.names) + QLatin1Char('\n') +
                    RoffEscaped(option.text) + QLatin1Char('\n');
        }
        roff += QStringLiteral(".PP\nExamples:\n.RS\n.nf\n");
        for (const QString& example : command.examples) {
            roff += RoffEscaped(example) + QLatin1Char('\n');
        }
        roff += QStringLiteral(".fi\n.RE\n");
    }
    roff += QStringLiteral(".SH PROJECT KEYS\n"
                           "The keys of the JSON form of a project, which\n.B show\nprints and\n"
                           ".B protect \\-\\-set\ntakes.\n");
    for (const CProjectJson::KeyInfo& info : CProjectJson::Keys()) {
        const QString values = ValuesText(info);
        roff +=
            QStringLiteral(".TP\n.B ") + info.key + QLatin1Char('\n') +
            RoffEscaped(
                QStringLiteral("%1; default %2: %3.").arg(values, info.defaultValue, KeyMeaning(info.key))) +
            QLatin1Char('\n');
    }
    return roff;
}
