#include "app/AppPreferences.h"

#include <QSettings>

CAppPreferences& CAppPreferences::Instance()
{
    static CAppPreferences preferences;
    return preferences;
}

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
