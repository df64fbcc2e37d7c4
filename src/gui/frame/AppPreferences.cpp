#include "gui/frame/AppPreferences.h"

#include <QSettings>

void CAppPreferences::Load()
{
    QSettings settings(QStringLiteral("Marrowind"), QStringLiteral("Wendlock"));
    m_strAddFolderInit = settings.value(QStringLiteral("Customize/FilesAddFolderInit"), QString()).toString();
}

void CAppPreferences::Save() const
{
    QSettings settings(QStringLiteral("Marrowind"), QStringLiteral("Wendlock"));
    settings.setValue(QStringLiteral("Customize/FilesAddFolderInit"), m_strAddFolderInit);
}
