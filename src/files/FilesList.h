#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The ordered list of paths to protect. A path is its own identity: two
// paths are the same row only when they are equal character for
// character (case-sensitive, separators as written), and the first one
// added wins. A hash of the listed paths keeps the duplicate test
// constant-time, so filling a list of n rows costs O(n), not O(n²).
class CFilesList final
{
public:
    // Appends the path; false when it is empty or already listed.
    bool Append(const QString& path);
    bool Contains(const QString& path) const { return m_setPaths.contains(path); }
    int Count() const { return static_cast<int>(m_listPaths.size()); }
    bool IsEmpty() const { return m_listPaths.isEmpty(); }
    const QStringList& Paths() const { return m_listPaths; }
    // Removes the given rows (any order, repeats allowed) in one pass.
    void RemoveRows(const QList<int>& rows);
    void Clear();
    void Reserve(int count);

    // The "Size" column: the file's length / 1000 rounded down, at least
    // 1, followed by " KB". A missing file counts as 12000 bytes, a
    // folder as 0.
    static QString SizeText(const QString& path);
    static QString SizeTextForLength(qint64 length);

private:
    QStringList m_listPaths;
    QSet<QString> m_setPaths;
};
