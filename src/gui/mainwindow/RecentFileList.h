#pragma once

#include <QStringList>

// The most recently opened or saved projects, newest first, kept in the
// preferences as "Recent File List/File1" ... "File4".
class CRecentFileList final
{
public:
    explicit CRecentFileList(int size = 4);

    // Moves or inserts the path at the top; the oldest drops off.
    void Add(const QString& path);
    void Remove(int index);
    QStringList Files() const { return m_files; }

    void Load();
    void Save() const;

private:
    int m_nSize;
    QStringList m_files;
};
