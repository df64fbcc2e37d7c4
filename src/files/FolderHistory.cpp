#include "files/FolderHistory.h"

#include "files/ListFile.h"

#include <QFileInfo>

bool CFolderHistory::Load(const QString& path, QStringList& entries, QString* errorMessage)
{
    entries.clear();
    // The first run has no history yet.
    if (!QFileInfo::exists(path)) {
        return true;
    }
    return CListFile::Read(path, entries, errorMessage);
}

void CFolderHistory::Promote(QStringList& entries, const QString& folder)
{
    entries.removeAll(folder);
    entries.prepend(folder);
}

bool CFolderHistory::Save(const QString& path, const QStringList& entries, QString* errorMessage)
{
    return CListFile::Write(path, entries.mid(0, MaxEntries), errorMessage);
}
