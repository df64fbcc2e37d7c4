#include "gui/mainwindow/RecentFileList.h"

#include "common/AppInfo.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString Key(int number)
{
    return QStringLiteral("Recent File List/File%1").arg(number);
}

} // namespace

CRecentFileList::CRecentFileList(int size) : m_nSize(size) {}

void CRecentFileList::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > m_nSize) {
        m_files.removeLast();
    }
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_files.size()) {
        m_files.removeAt(index);
    }
}

void CRecentFileList::Load()
{
    const QSettings settings(AppInfo::CompanyName(), AppInfo::DisplayName());
    m_files.clear();
    for (int i = 1; i <= m_nSize; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path)) {
            m_files.append(path);
        }
    }
}

void CRecentFileList::Save() const
{
    QSettings settings(AppInfo::CompanyName(), AppInfo::DisplayName());
    for (int i = 1; i <= m_nSize; ++i) {
        if (i <= m_files.size()) {
            settings.setValue(Key(i), m_files.at(i - 1));
        } else {
            settings.remove(Key(i));
        }
    }
}
