#pragma once

#include <QString>
#include <QStringList>

// The Add Folder dialog's history of folders: a list file in the
// preferences folder, most recently used first, folders kept exactly as
// typed or picked.
class CFolderHistory final
{
public:
    static constexpr int MaxEntries = 20;

    static QString FileName() { return QStringLiteral("filesaddfolder.lst"); }

    // Every line of the file, in file order (a folder written twice is
    // listed twice). A missing file is an empty history, not an error.
    static bool Load(const QString& path, QStringList& entries, QString* errorMessage = nullptr);
    // Moves `folder` to the top: every exact, case-sensitive copy of it
    // is removed and it is inserted first.
    static void Promote(QStringList& entries, const QString& folder);
    // Writes the first MaxEntries entries.
    static bool Save(const QString& path, const QStringList& entries, QString* errorMessage = nullptr);
};
