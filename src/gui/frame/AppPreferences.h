#pragma once

#include <QString>

// Program-wide values that start-up sets and the pages read: the per-user
// folders and the Add Folder preferences. The application owns one and
// hands it to the window, which hands it to the pages that use it.
class CAppPreferences final
{
public:
    // Last folder picked with the Add Folder browse button; kept across
    // runs as "Customize/FilesAddFolderInit".
    QString m_strAddFolderInit;
    // The Add Folder dialog's recursive choice, kept until the program ends.
    bool m_bAddFolderRecursive = true;
    // $XDG_DATA_HOME/Marrowind/Wendlock/ and its Preferences/ (trailing "/").
    QString m_strDataFolder;
    QString m_strPreferencesFolder;

    // Reads and writes the "Customize" preferences through QSettings
    // (organisation "Marrowind", application "Wendlock").
    void Load();
    void Save() const;
};
