#include "files/WebFileFilter.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

QString CWebFileFilter::WebFileExtensions()
{
    return QStringLiteral("*.htm;*.html;*.shtm;*.shtml;*.hta;*.htc;*.asp;*.aspx;*.php;*.php3;*.php4;*.php5;*.stm;"
                          "*.ssi;*.cfm;*.cfml;*.xhtml;*.phtml;*.htt;*.htx;*.pvx;*.jsp;");
}

bool CWebFileFilter::IsWebFileName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString extension = dot >= 0 ? fileName.mid(dot + 1) : fileName;
    for (QChar& ch : extension) {
        if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) {
            ch = QChar(ch.unicode() + ('a' - 'A'));
        }
    }
    return WebFileExtensions().contains(QLatin1Char('.') + extension + QLatin1Char(';'));
}

QString CWebFileFilter::NormalizeFolder(const QString& folder)
{
    QString result = folder;
    while (result.endsWith(QLatin1Char('\\'))) {
        result.chop(1);
    }
    while (result.endsWith(QLatin1Char('/'))) {
        result.chop(1);
    }
    return result + QLatin1Char('/');
}

namespace {
void ScanInto(const QString& folder, bool recursive, QStringList& out)
{
    // readdir keeps the file system's own order, which is the order the
    // folder scan promises.
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String("..")) {
            continue;
        }
        const QString path = folder + name;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (recursive) {
                ScanInto(path + QLatin1Char('/'), recursive, out);
            }
        } else if (CWebFileFilter::IsWebFileName(name)) {
            out.append(path);
        }
    }
    ::closedir(dir);
}
} // namespace

QStringList CWebFileFilter::ScanFolder(const QString& folder, bool recursive)
{
    QStringList out;
    ScanInto(NormalizeFolder(folder), recursive, out);
    return out;
}
