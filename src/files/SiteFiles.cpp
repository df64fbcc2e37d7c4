#include "files/SiteFiles.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString kBackupSuffix = QStringLiteral(".original");

// A glob as a regular expression over a relative path.
QRegularExpression GlobToRegex(QString glob)
{
    bool anyDepth = !glob.contains(QLatin1Char('/'));
    const bool folder = glob.endsWith(QLatin1Char('/'));
    while (glob.startsWith(QLatin1Char('/'))) {
        glob.remove(0, 1);
        anyDepth = false;
    }
    QString rx;
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob.at(i);
        if (c == QLatin1Char('*') && i + 1 < glob.size() && glob.at(i + 1) == QLatin1Char('*')) {
            // "**/" matches any number of folders, "**" anything.
            if (i + 2 < glob.size() && glob.at(i + 2) == QLatin1Char('/')) {
                rx += QStringLiteral("(?:.*/)?");
                i += 2;
            } else {
                rx += QStringLiteral(".*");
                ++i;
            }
        } else if (c == QLatin1Char('*')) {
            rx += QStringLiteral("[^/]*");
        } else if (c == QLatin1Char('?')) {
            rx += QStringLiteral("[^/]");
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    const QString start = anyDepth ? QStringLiteral("^(?:.*/)?") : QStringLiteral("^");
    const QString end = folder ? QStringLiteral(".*$") : QStringLiteral("(?:/.*)?$");
    return QRegularExpression(start + rx + end);
}

bool IsVersionControlFolder(const QString& name)
{
    return name == QLatin1String(".git") || name == QLatin1String(".svn") || name == QLatin1String(".hg") ||
           name == QLatin1String(".bzr");
}

} // namespace

QString CSiteFiles::RootOf(const QString& given, const QStringList& pages)
{
    if (!given.trimmed().isEmpty()) {
        const QString root = QDir::cleanPath(QDir(given.trimmed()).absolutePath());
        return root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    }
    return DefaultRoot(pages);
}

QString CSiteFiles::DefaultRoot(const QStringList& pages)
{
    QString root;
    for (const QString& page : pages) {
        const QString folder = QFileInfo(page).absolutePath();
        if (root.isNull()) {
            root = folder;
            continue;
        }
        while (!root.isEmpty() && folder != root && !folder.startsWith(root + QLatin1Char('/')) &&
               root != QLatin1String("/")) {
            root = QFileInfo(root).path();
        }
    }
    if (root.isEmpty()) {
        return QString();
    }
    return root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
}

CSiteFiles::CSiteFiles(const QString& root)
{
    m_root = QDir::cleanPath(QDir(root).absolutePath());
    if (!m_root.endsWith(QLatin1Char('/'))) {
        m_root += QLatin1Char('/');
    }
}

bool CSiteFiles::Contains(const QString& path) const
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).startsWith(m_root);
}

QString CSiteFiles::Relative(const QString& path) const
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean.startsWith(m_root) ? clean.mid(m_root.size()) : QString();
}

void CSiteFiles::SetPages(const QStringList& pages)
{
    m_pages.clear();
    for (const QString& page : pages) {
        m_pages.insert(QDir::cleanPath(QFileInfo(page).absoluteFilePath()));
    }
}

void CSiteFiles::SetExcludePatterns(const QStringList& patterns)
{
    m_excludes.clear();
    for (const QString& pattern : patterns) {
        if (!pattern.trimmed().isEmpty()) {
            m_excludes.append(GlobToRegex(pattern.trimmed()));
        }
    }
}

void CSiteFiles::AddKeptFile(const QString& path)
{
    m_kept.insert(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

bool CSiteFiles::IsPublicName(const QString& relativePath)
{
    static const QSet<QString> rootNames = {
        QString::fromLatin1(kWorkerName), QStringLiteral("robots.txt"), QStringLiteral("CNAME"),
        QStringLiteral("_headers"),       QStringLiteral("_redirects"), QStringLiteral(".nojekyll"),
    };
    if (rootNames.contains(relativePath) || relativePath.startsWith(QLatin1String(".well-known/"))) {
        return true;
    }
    const QString name = relativePath.section(QLatin1Char('/'), -1).toLower();
    return name.startsWith(QLatin1String("favicon.")) || name.startsWith(QLatin1String("apple-touch-icon"));
}

QStringList CSiteFiles::SplitPatterns(const QString& text)
{
    return text.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
}

bool CSiteFiles::IsExcluded(const QString& relativePath) const
{
    return std::any_of(m_excludes.cbegin(), m_excludes.cend(), [&relativePath](const QRegularExpression& rx) {
        return rx.match(relativePath).hasMatch();
    });
}

template <typename Visit>
void CSiteFiles::Walk(Visit visit) const
{
    QStringList folders{m_root};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeLast();
        QDir dir(folder);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            if (entry.isSymLink()) {
                continue; // never followed: it may lead out of the site
            }
            if (entry.isDir()) {
                if (!IsVersionControlFolder(entry.fileName())) {
                    folders.append(entry.absoluteFilePath());
                }
                continue;
            }
            if (entry.isFile()) {
                const QString path = QDir::cleanPath(entry.absoluteFilePath());
                visit(path, path.mid(m_root.size()));
            }
        }
    }
}

QStringList CSiteFiles::Assets() const
{
    QStringList assets;
    Walk([&](const QString& path, const QString& relative) {
        const QString name = relative.section(QLatin1Char('/'), -1);
        if (m_pages.contains(path) || m_kept.contains(path) || IsPublicName(relative) ||
            IsExcluded(relative) || name.endsWith(kBackupSuffix) || CAtomicFile::IsTemporaryName(name) ||
            name == QLatin1String(".wendlock-manifest.json")) {
            return;
        }
        assets.append(path);
    });
    assets.sort();
    return assets;
}

QStringList CSiteFiles::TemplateReferences(const QByteArray& templateText)
{
    static const QRegularExpression attribute(
        QStringLiteral("\\b(src|href|poster|data|srcset)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cssUrl(
        QStringLiteral("()url\\(\\s*(?:\"([^\"]*)\"|'([^']*)'|([^)\\s]*))\\s*\\)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(templateText);
    QStringList refs;
    for (const QRegularExpression* rx : {&attribute, &cssUrl}) {
        for (auto it = rx->globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString value = m.captured(2) + m.captured(3) + m.captured(4);
            // srcset lists candidates: "a.png 1x, b.png 2x".
            const QStringList candidates =
                m.captured(1).compare(QLatin1String("srcset"), Qt::CaseInsensitive) == 0
                    ? value.split(QLatin1Char(','))
                    : QStringList{value};
            for (QString ref : candidates) {
                ref = ref.trimmed().section(QLatin1Char(' '), 0, 0);
                ref = ref.section(QLatin1Char('#'), 0, 0).section(QLatin1Char('?'), 0, 0);
                if (ref.isEmpty() || ref.contains(QLatin1Char(':')) || ref.startsWith(QLatin1String("//"))) {
                    continue; // other sites, data: and javascript: URLs
                }
                if (!refs.contains(ref)) {
                    refs.append(ref);
                }
            }
        }
    }
    return refs;
}

QStringList CSiteFiles::ClearTextCarriers() const
{
    static const QRegularExpression carriers(QStringLiteral(
        "(?:^|/)(?:searchindex\\.(?:js|json[^/]*)|search_index\\.json|search-index[^/]*\\.js|sitemap\\.xml)$"
        "|(?:^|/)search\\.index/|(?:^|/)_sources/"
        "|\\.(?:html?|md|json)\\.gz$"));
    QStringList found;
    Walk([&](const QString&, const QString& relative) {
        if (carriers.match(relative).hasMatch()) {
            found.append(relative);
        }
    });
    found.sort();
    return found;
}
