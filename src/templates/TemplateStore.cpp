#include "templates/TemplateStore.h"

#include "common/AppFolders.h"
#include "files/WebFileFilter.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

QList<CTemplateStore::Entry> CTemplateStore::ListFolder(const QString& folder)
{
    QList<Entry> entries;
    const QString base = CWebFileFilter::NormalizeFolder(folder);
    DIR* dir = ::opendir(QFile::encodeName(base).constData());
    if (!dir) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        const QString path = base + name;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode)
            || !CWebFileFilter::IsWebFileName(name)) {
            continue;
        }
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        entries.append({dot >= 0 ? name.left(dot) : name, path});
    }
    ::closedir(dir);
    return entries;
}

QList<CTemplateStore::Entry> CTemplateStore::List(int passwordMode)
{
    if (passwordMode != 0 && passwordMode != 1) {
        return {};
    }
    return ListFolder(AppFolders::TemplateFolder(passwordMode));
}
