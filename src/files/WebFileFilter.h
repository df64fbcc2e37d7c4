#pragma once

#include <QString>
#include <QStringList>

// Decides by the extension whether a file is a web file (a page to
// protect, or a template). Shared by the Files page, the folder scan, the
// template store and the CLI.
class CWebFileFilter final
{
public:
    // The 22 patterns, each "*." + extension + ";".
    static QString WebFileExtensions();
    // True when the text after the last "." (the whole name when it has no
    // dot) is one of the extensions, ignoring the case of A-Z.
    static bool IsWebFileName(const QString& fileName);
    // Removes trailing "\" and then trailing "/" characters and appends one
    // "/": /site, /site/ and /site\ all give /site/.
    static QString NormalizeFolder(const QString& folder);
    // The web files of a folder, depth first in directory order; folders
    // that cannot be listed are skipped.
    static QStringList ScanFolder(const QString& folder, bool recursive);
};
