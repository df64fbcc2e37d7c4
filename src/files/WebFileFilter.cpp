#include "files/WebFileFilter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

QString CWebFileFilter::WebFileExtensions()
{
    return QStringLiteral(
        "*.htm;*.html;*.shtm;*.shtml;*.hta;*.htc;*.asp;*.aspx;*.php;*.php3;*.php4;*.php5;*.stm;"
        "*.ssi;*.cfm;*.cfml;*.xhtml;*.phtml;*.htt;*.htx;*.pvx;*.jsp;");
}

const QStringList& CWebFileFilter::WebExtensionList()
{
    static const QStringList extensions = [] {
        QStringList list;
        const QStringList patterns = WebFileExtensions().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& pattern : patterns) {
            list.append(pattern.mid(2));
        }
        return list;
    }();
    return extensions;
}

bool CWebFileFilter::IsWebFileName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString extension = dot >= 0 ? fileName.mid(dot + 1) : fileName;
    // Only A-Z fold: "İ" or "ſ" must not turn into a Latin letter.
    for (QChar& ch : extension) {
        if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) {
            ch = QChar(ch.unicode() + ('a' - 'A'));
        }
    }
    return !extension.isEmpty() && WebExtensionList().contains(extension);
}

QString CWebFileFilter::NormalizeFolder(const QString& folder)
{
    qsizetype end = folder.size();
    while (end > 0 && (folder.at(end - 1) == QLatin1Char('\\') || folder.at(end - 1) == QLatin1Char('/'))) {
        --end;
    }
    return folder.left(end) + QLatin1Char('/');
}

QString CWebFileFilter::FullFolderPath(const QString& folder)
{
    QString path = NormalizeFolder(folder);
    if (path.contains(QLatin1Char('\\')) && !QFileInfo(path).isDir()) {
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    path = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
}

namespace {

using FolderId = std::pair<dev_t, ino_t>;

class CScan final
{
public:
    CScan(bool recursive, const CWebFileFilter::FileVisitor& onFile,
          const CWebFileFilter::FolderVisitor& onFolder, QStringList* skipped = nullptr)
        : m_bRecursive(recursive), m_onFile(onFile), m_onFolder(onFolder), m_pSkipped(skipped)
    {
    }

    // The scan stays inside this folder: a link to a folder elsewhere is
    // left out, and a folder reached under two names is scanned once.
    void SetRoot(const QString& root)
    {
        char* real = ::realpath(QFile::encodeName(root).constData(), nullptr);
        if (real) {
            m_root = QByteArray(real);
            ::free(real);
            if (!m_root.endsWith('/')) {
                m_root += '/';
            }
        }
    }

    // `folder` ends with "/". Returns false when a visitor stopped the scan.
    bool Scan(const QString& folder)
    {
        if (m_onFolder && !m_onFolder(folder)) {
            return false;
        }
        const QByteArray native = QFile::encodeName(folder);
        DIR* dir = ::opendir(native.constData());
        if (!dir) {
            return true;
        }
        // A link may lead back to a folder that is being scanned, or to one
        // scanned already: each folder is entered once.
        struct stat self
        {
        };
        const bool tracked = ::fstat(::dirfd(dir), &self) == 0;
        if (tracked && !m_visited.insert(FolderId{self.st_dev, self.st_ino}).second) {
            ::closedir(dir);
            return true;
        }
        // The entries in the order of their paths (a folder's name sorts
        // as "name/"), so that a scan lists the same files in the same
        // order on every file system.
        struct Entry
        {
            QByteArray name;
            unsigned char type;
            QByteArray key;
        };
        std::vector<Entry> entries;
        while (const dirent* entry = ::readdir(dir)) {
            const char* rawName = entry->d_name;
            if (rawName[0] == '.' && (rawName[1] == '\0' || (rawName[1] == '.' && rawName[2] == '\0'))) {
                continue;
            }
            const QByteArray name(rawName);
            entries.push_back({name, entry->d_type, entry->d_type == DT_DIR ? name + '/' : name});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.key < b.key; });

        bool go = true;
        for (auto it = entries.cbegin(); go && it != entries.cend(); ++it) {
            const char* rawName = it->name.constData();
            bool isFolder = it->type == DT_DIR;
            if (it->type == DT_LNK || it->type == DT_UNKNOWN) {
                // The type of what a link points to needs a stat; a dangling
                // link counts as a file, like any entry that is not a folder.
                const QByteArray entryPath = native + QByteArray(rawName);
                struct stat st
                {
                };
                isFolder = ::stat(entryPath.constData(), &st) == 0 && S_ISDIR(st.st_mode);
                if (isFolder && it->type == DT_LNK && !m_root.isEmpty() && !LeadsInside(entryPath)) {
                    Skip(folder + QFile::decodeName(rawName),
                         QStringLiteral("the link leads out of the folder"));
                    continue;
                }
            }
            if (QFile::encodeName(QFile::decodeName(rawName)) != QByteArray(rawName)) {
                // A name the system's encoding can't carry would come back
                // as another name: say so instead of losing the file.
                Skip(folder + QFile::decodeName(rawName), CWebFileFilter::UndecodableNameReason());
                continue;
            }
            if (isFolder) {
                if (m_bRecursive) {
                    go = Scan(folder + QFile::decodeName(rawName) + QLatin1Char('/'));
                }
                continue;
            }
            const QString name = QFile::decodeName(rawName);
            if (CWebFileFilter::IsWebFileName(name)) {
                go = m_onFile(folder + name);
            }
        }
        return go;
    }

private:
    bool LeadsInside(const QByteArray& entryPath) const
    {
        char* real = ::realpath(entryPath.constData(), nullptr);
        if (!real) {
            return false;
        }
        QByteArray target(real);
        ::free(real);
        target += '/';
        return target.startsWith(m_root);
    }

    void Skip(const QString& path, const QString& why)
    {
        if (m_pSkipped) {
            m_pSkipped->append(QStringLiteral("%1: %2").arg(path, why));
        }
    }

    bool m_bRecursive;
    const CWebFileFilter::FileVisitor& m_onFile;
    const CWebFileFilter::FolderVisitor& m_onFolder;
    std::set<FolderId> m_visited;
    QStringList* m_pSkipped = nullptr;
    QByteArray m_root;
};

} // namespace

bool CWebFileFilter::ScanFolder(const QString& folder, bool recursive, const FileVisitor& onFile,
                                const FolderVisitor& onFolder)
{
    CScan scan(recursive, onFile, onFolder);
    const QString root = FullFolderPath(folder);
    scan.SetRoot(root);
    return scan.Scan(root);
}

QStringList CWebFileFilter::ScanFolder(const QString& folder, bool recursive, QStringList* skipped)
{
    QStringList found;
    const FileVisitor onFile = [&found](const QString& path) {
        found.append(path);
        return true;
    };
    // The scan keeps references to its visitors: both must outlive it.
    const FolderVisitor noFolderVisitor;
    CScan scan(recursive, onFile, noFolderVisitor, skipped);
    const QString root = FullFolderPath(folder);
    scan.SetRoot(root);
    scan.Scan(root);
    return found;
}

QStringList CWebFileFilter::ScanFolder(const QString& folder, bool recursive)
{
    QStringList found;
    ScanFolder(folder, recursive, [&found](const QString& path) {
        found.append(path);
        return true;
    });
    return found;
}
