#include "files/FilesList.h"

#include <QFile>
#include <algorithm>
#include <sys/stat.h>

bool CFilesList::Append(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    const qsizetype before = m_setPaths.size();
    m_setPaths.insert(path);
    if (m_setPaths.size() == before) {
        return false;
    }
    m_listPaths.append(path);
    return true;
}

void CFilesList::RemoveRows(const QList<int>& rows)
{
    if (rows.isEmpty()) {
        return;
    }
    QList<bool> removed(m_listPaths.size(), false);
    for (const int row : rows) {
        if (row >= 0 && row < m_listPaths.size()) {
            removed[row] = true;
        }
    }
    QStringList kept;
    kept.reserve(m_listPaths.size());
    for (qsizetype i = 0; i < m_listPaths.size(); ++i) {
        if (removed.at(i)) {
            m_setPaths.remove(m_listPaths.at(i));
        } else {
            kept.append(m_listPaths.at(i));
        }
    }
    m_listPaths = std::move(kept);
}

void CFilesList::Clear()
{
    m_listPaths.clear();
    m_setPaths.clear();
}

void CFilesList::Reserve(int count)
{
    m_listPaths.reserve(count);
    m_setPaths.reserve(count);
}

QString CFilesList::SizeText(const QString& path)
{
    // One plain stat: this runs for every row of a long import.
    struct stat st
    {
    };
    qint64 length = 12000;
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0) {
        length = S_ISDIR(st.st_mode) ? 0 : static_cast<qint64>(st.st_size);
    }
    return SizeTextForLength(length);
}

QString CFilesList::SizeTextForLength(qint64 length)
{
    return QString::number(std::max<qint64>(length / 1000, 1)) + QStringLiteral(" KB");
}
