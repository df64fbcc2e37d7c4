#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Decides by the extension whether a file is a web file (a page to
// protect, or a template), and finds the web files of a folder tree.
// Shared by the Files page, the template store and the CLI.
class CWebFileFilter final
{
public:
    // Called for each web file found; false stops the scan.
    using FileVisitor = std::function<bool(const QString& path)>;
    // Called for each folder before it is listed; false stops the scan.
    using FolderVisitor = std::function<bool(const QString& folder)>;

    // The 22 patterns, each "*." + extension + ";".
    static QString WebFileExtensions();
    // The extensions of WebFileExtensions(), lower case, without "*.".
    static const QStringList& WebExtensionList();
    // True when the text after the last "." (the whole name when it has no
    // dot) is one of the extensions, ignoring the case of A-Z only.
    static bool IsWebFileName(const QString& fileName);

    // Removes every trailing "\" and "/" and appends one "/": /site,
    // /site/, /site\ and /site\/ all give /site/. "/" stays "/".
    static QString NormalizeFolder(const QString& folder);
    // The absolute form of a typed folder, with a trailing "/": relative
    // folders are taken from the current folder, "." and ".." and doubled
    // separators are resolved. A folder typed with "\" separators that
    // does not exist as typed is read with "/" in their place.
    static QString FullFolderPath(const QString& folder);

    // The web files of a folder (taken through FullFolderPath), depth
    // first in the order the file system lists the entries: a subfolder's
    // files come in where the subfolder is met. Hidden entries are
    // included; folders that cannot be listed are skipped, and a link
    // back to a folder being scanned is not followed again. Returns false
    // when a visitor stopped the scan.
    static bool ScanFolder(const QString& folder, bool recursive, const FileVisitor& onFile,
                           const FolderVisitor& onFolder = FolderVisitor());
    static QStringList ScanFolder(const QString& folder, bool recursive);
    // The same, telling what was left out: links that lead out of the
    // folder, and names that are not valid in the system's encoding.
    static QStringList ScanFolder(const QString& folder, bool recursive, QStringList* skipped);
    // The reason a skipped entry gives when its name can't be carried as
    // text: a file of the folder that is left out, unlike a link that
    // leads elsewhere.
    static QString UndecodableNameReason()
    {
        return QStringLiteral("the name is not valid in this encoding");
    }
};
