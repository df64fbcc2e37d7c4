#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class CProject;
class CSiteFiles;
class QIODevice;
class IResultList;

// The part of a protect run that covers a site's other files: with the
// project's protectAssets on, every file below the site root that must not
// stay public is enciphered (CAssetProtector) and the service worker is
// written at the root; with it off, the run only names the files that give
// page text away.
class CSiteAssetPass final
{
public:
    struct Outcome
    {
        int enciphered = 0;
        int before = 0;
        int failed = 0;
        // A problem that stopped the pass before any file (no worker script,
        // no site root).
        QString error;
    };

    // The project's site root, or the deepest folder holding every listed
    // page; with a trailing "/".
    static QString SiteRootOf(const CProject& data);

    // The site's files as the asset pass sees them: the listed pages, the
    // exclusions, the project file and the template's own files kept.
    static CSiteFiles SiteFilesOf(const CProject& data, const QString& root, const QString& projectPath);

    // Enciphers the site's other files; each file's outcome goes to
    // `results`. `projectPath` (may be empty) is never touched.
    static Outcome Run(const CProject& data, const QByteArray& contentKey, const QString& backupFolder,
                       const QString& projectPath, IResultList& results);

    // Puts back the backups of the site's enciphered files; each file left
    // enciphered goes to `results` with the reason. Returns how many were
    // restored; `failed` counts the others.
    static int Restore(const CProject& data, const QString& backupFolder, IResultList& results, int& failed);

    // Deciphers a site's enciphered file into `out`. The site root is the
    // nearest folder above the file that holds the service worker; the
    // content key comes from the first of the site's strong pages that the
    // credentials open. False with `error` set; `wrongCredentials` tells a
    // refused login from other failures.
    static bool UnlockFile(const QString& path, const QString& userName, const QString& password,
                           QIODevice* out, QString& error, bool* wrongCredentials = nullptr);

    // Files below the site root that carry page text in the clear.
    static QStringList ClearTextCarriers(const CProject& data);
    // The warning a run without protectAssets gives about them; empty when
    // there are none.
    static QString ClearTextWarning(const QStringList& carriers);
};
