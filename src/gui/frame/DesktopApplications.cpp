#include "gui/frame/DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

namespace {

QString EnvOr(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList EnvList(const char* name, const QString& fallback)
{
    QStringList list;
    for (const QString& item : EnvOr(name, fallback).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        list.append(QDir::cleanPath(item));
    }
    return list;
}

// $XDG_DATA_HOME first, then $XDG_DATA_DIRS, as the XDG base directories
// order them.
QStringList DataDirs()
{
    QStringList dirs{
        QDir::cleanPath(EnvOr("XDG_DATA_HOME", QDir::homePath() + QLatin1String("/.local/share")))};
    dirs += EnvList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    return dirs;
}

QStringList CurrentDesktops()
{
    QStringList desktops;
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        desktops.append(name.toLower());
    }
    return desktops;
}

// Every mimeapps.list that may hold the user's or the system's choices, the
// most important first.
QStringList MimeAppsFiles()
{
    QStringList folders{
        QDir::cleanPath(EnvOr("XDG_CONFIG_HOME", QDir::homePath() + QLatin1String("/.config")))};
    folders += EnvList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& dir : DataDirs()) {
        folders.append(dir + QLatin1String("/applications"));
    }
    const QStringList desktops = CurrentDesktops();
    QStringList files;
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops) {
            files.append(folder + QLatin1Char('/') + desktop + QLatin1String("-mimeapps.list"));
        }
        files.append(folder + QLatin1String("/mimeapps.list"));
    }
    // The older name of the system's defaults, weakest of all.
    for (const QString& dir : DataDirs()) {
        files.append(dir + QLatin1String("/applications/defaults.list"));
    }
    return files;
}

struct MimeAppsList
{
    QHash<QString, QStringList> defaults;
    QHash<QString, QStringList> added;
    QHash<QString, QStringList> removed;
};

QStringList SplitIds(const QString& value)
{
    QStringList ids;
    for (const QString& id : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = id.trimmed();
        if (!trimmed.isEmpty()) {
            ids.append(trimmed);
        }
    }
    return ids;
}

bool ReadMimeAppsList(const QString& path, MimeAppsList* list)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    QHash<QString, QStringList>* group = nullptr;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            if (line == QLatin1String("[Default Applications]")) {
                group = &list->defaults;
            } else if (line == QLatin1String("[Added Associations]")) {
                group = &list->added;
            } else if (line == QLatin1String("[Removed Associations]")) {
                group = &list->removed;
            } else {
                group = nullptr;
            }
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (group && eq > 0) {
            (*group)[line.left(eq).trimmed()] += SplitIds(line.mid(eq + 1));
        }
    }
    return true;
}

QList<MimeAppsList> ReadAllMimeAppsLists()
{
    QList<MimeAppsList> lists;
    for (const QString& path : MimeAppsFiles()) {
        MimeAppsList list;
        if (ReadMimeAppsList(path, &list)) {
            lists.append(list);
        }
    }
    return lists;
}

// Value escapes of the desktop entry format.
QString UnescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out.append(QLatin1Char(' '));
            break;
        case 'n':
            out.append(QLatin1Char('\n'));
            break;
        case 't':
            out.append(QLatin1Char('\t'));
            break;
        case 'r':
            out.append(QLatin1Char('\r'));
            break;
        default:
            // "\\" and the Exec key's own escapes ("\"", "\$") stay for the
            // argument splitting, which removes one more level.
            if (next == QLatin1Char('\\')) {
                out.append(QLatin1Char('\\'));
            } else {
                out.append(QLatin1Char('\\'));
                out.append(next);
            }
            break;
        }
    }
    return out;
}

// Desktop file id -> entry, for every installed application; the first
// data folder that holds an id wins.
QHash<QString, CDesktopApplications::Entry> InstalledApplications(QStringList* order)
{
    QHash<QString, CDesktopApplications::Entry> apps;
    QSet<QString> seen;
    for (const QString& dir : DataDirs()) {
        const QString root = dir + QLatin1String("/applications");
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList found;
        while (it.hasNext()) {
            found.append(it.next());
        }
        found.sort();
        for (const QString& path : found) {
            QString id = path.mid(root.size() + 1);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id)) {
                continue;
            }
            seen.insert(id);
            CDesktopApplications::Entry entry;
            if (CDesktopApplications::ReadDesktopFile(path, id, &entry)) {
                apps.insert(id, entry);
                order->append(id);
            }
        }
    }
    return apps;
}

struct Registry
{
    QList<MimeAppsList> lists;
    QHash<QString, CDesktopApplications::Entry> apps;
    QStringList order;
};

Registry ReadRegistry()
{
    Registry registry;
    registry.lists = ReadAllMimeAppsLists();
    registry.apps = InstalledApplications(&registry.order);
    return registry;
}

QStringList TypeAndAncestors(const QString& mimeType)
{
    QStringList types{mimeType};
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid()) {
        if (type.name() != mimeType) {
            types.append(type.name());
        }
        types += type.allAncestors();
    }
    return types;
}

// The applications associated with one type, without its parents.
QStringList AssociatedIds(const Registry& registry, const QString& type)
{
    QStringList ids;
    QSet<QString> removed;
    for (const MimeAppsList& list : registry.lists) {
        for (const QString& id : list.added.value(type)) {
            if (!removed.contains(id) && !ids.contains(id) && registry.apps.contains(id)) {
                ids.append(id);
            }
        }
        for (const QString& id : list.removed.value(type)) {
            removed.insert(id);
        }
    }
    for (const QString& id : registry.order) {
        if (!removed.contains(id) && !ids.contains(id) && registry.apps.value(id).mimeTypes.contains(type)) {
            ids.append(id);
        }
    }
    return ids;
}

QString ExplicitDefaultId(const Registry& registry, const QString& type)
{
    for (const MimeAppsList& list : registry.lists) {
        for (const QString& id : list.defaults.value(type)) {
            if (registry.apps.contains(id)) {
                return id;
            }
        }
    }
    return QString();
}

// The default for a type and its parents: an explicit choice, else the first
// associated application.
QString DefaultId(const Registry& registry, const QString& mimeType)
{
    for (const QString& type : TypeAndAncestors(mimeType)) {
        QString id = ExplicitDefaultId(registry, type);
        if (id.isEmpty()) {
            const QStringList associated = AssociatedIds(registry, type);
            if (!associated.isEmpty()) {
                id = associated.first();
            }
        }
        if (!id.isEmpty()) {
            return id;
        }
    }
    return QString();
}

bool IsFileCode(const QString& arg)
{
    return arg == QLatin1String("%f") || arg == QLatin1String("%F") || arg == QLatin1String("%u") ||
           arg == QLatin1String("%U");
}

} // namespace

bool CDesktopApplications::ReadDesktopFile(const QString& filePath, const QString& id, Entry* entry)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    bool inEntry = false;
    QHash<QString, QString> values;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0) {
            const QString key = line.left(eq).trimmed();
            if (!values.contains(key)) {
                values.insert(key, line.mid(eq + 1).trimmed());
            }
        }
    }
    const auto isTrue = [&](const char* key) {
        return values.value(QLatin1String(key)) == QLatin1String("true");
    };
    if (values.value(QStringLiteral("Type")) != QLatin1String("Application") || isTrue("Hidden") ||
        values.value(QStringLiteral("Exec")).isEmpty()) {
        return false;
    }
    const QString tryExec = UnescapeValue(values.value(QStringLiteral("TryExec")));
    if (!tryExec.isEmpty() && QStandardPaths::findExecutable(tryExec).isEmpty()) {
        return false;
    }
    entry->id = id;
    entry->filePath = filePath;
    entry->name = UnescapeValue(values.value(QStringLiteral("Name")));
    if (entry->name.isEmpty()) {
        entry->name = id;
    }
    entry->exec = UnescapeValue(values.value(QStringLiteral("Exec")));
    entry->icon = UnescapeValue(values.value(QStringLiteral("Icon")));
    entry->terminal = isTrue("Terminal");
    entry->mimeTypes = SplitIds(values.value(QStringLiteral("MimeType")));
    return true;
}

QList<CDesktopApplications::Entry> CDesktopApplications::ForMimeType(const QString& mimeType)
{
    const Registry registry = ReadRegistry();
    QStringList ids;
    const QString defaultId = DefaultId(registry, mimeType);
    if (!defaultId.isEmpty()) {
        ids.append(defaultId);
    }
    for (const QString& type : TypeAndAncestors(mimeType)) {
        for (const QString& id : AssociatedIds(registry, type)) {
            if (!ids.contains(id)) {
                ids.append(id);
            }
        }
    }
    QList<Entry> entries;
    for (const QString& id : ids) {
        if (registry.apps.contains(id)) {
            entries.append(registry.apps.value(id));
        }
    }
    return entries;
}

bool CDesktopApplications::DefaultFor(const QString& mimeType, Entry* entry)
{
    const Registry registry = ReadRegistry();
    const QString id = DefaultId(registry, mimeType);
    if (id.isEmpty()) {
        return false;
    }
    if (entry) {
        *entry = registry.apps.value(id);
    }
    return true;
}

QString CDesktopApplications::MimeTypeOfFile(const QString& path)
{
    return QMimeDatabase().mimeTypeForFile(path).name();
}

bool CDesktopApplications::SplitExec(const QString& exec, QStringList* arguments)
{
    arguments->clear();
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                current.append(exec.at(++i));
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current.append(c);
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument) {
                arguments->append(current);
                current.clear();
                inArgument = false;
            }
        } else {
            current.append(c);
            inArgument = true;
        }
    }
    if (quoted) {
        arguments->clear();
        return false;
    }
    if (inArgument) {
        arguments->append(current);
    }
    return !arguments->isEmpty();
}

QStringList CDesktopApplications::CommandLine(const Entry& entry, const QString& path)
{
    QStringList exec;
    if (!SplitExec(entry.exec, &exec)) {
        return {};
    }
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QStringList command;
    bool fileGiven = false;
    for (const QString& arg : exec) {
        if (IsFileCode(arg)) {
            if (!fileGiven) {
                command.append(arg.at(1).toLower() == QLatin1Char('u') ? url : path);
                fileGiven = true;
            }
            continue;
        }
        if (arg == QLatin1String("%i")) {
            if (!entry.icon.isEmpty()) {
                command << QStringLiteral("--icon") << entry.icon;
            }
            continue;
        }
        // Field codes inside an argument; the deprecated ones vanish.
        QString expanded;
        for (int i = 0; i < arg.size(); ++i) {
            const QChar c = arg.at(i);
            if (c != QLatin1Char('%') || i + 1 >= arg.size()) {
                expanded.append(c);
                continue;
            }
            const QChar code = arg.at(++i);
            switch (code.unicode()) {
            case '%':
                expanded.append(QLatin1Char('%'));
                break;
            case 'f':
            case 'F':
                expanded.append(path);
                fileGiven = true;
                break;
            case 'u':
            case 'U':
                expanded.append(url);
                fileGiven = true;
                break;
            case 'c':
                expanded.append(entry.name);
                break;
            case 'k':
                expanded.append(entry.filePath);
                break;
            default:
                break;
            }
        }
        if (!expanded.isEmpty() || arg.isEmpty()) {
            command.append(expanded);
        }
    }
    if (command.isEmpty()) {
        return {};
    }
    if (!fileGiven) {
        command.append(path);
    }
    if (entry.terminal) {
        command.prepend(QStringLiteral("-e"));
        command.prepend(QStringLiteral("x-terminal-emulator"));
    }
    return command;
}
