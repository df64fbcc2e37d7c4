#pragma once

#include "engine/ProtectOutcome.h"

#include <QByteArray>
#include <QSet>
#include <QString>

class CPageSnapshot;

// Enciphers a site's other files in place (images, scripts, style sheets,
// data), with backups as for pages, and writes the service worker that
// deciphers them for a visitor who has logged in. A file is read once,
// from one descriptor, for its backup and its enciphered form; if it
// changes meanwhile, neither is put in place.
class CAssetProtector final
{
public:
    CAssetProtector(const QByteArray& contentKey, const QString& siteRoot);

    // Backups beside the files (`folder` empty) or under `folder`; none
    // when `backup` is false.
    void SetBackup(bool backup, const QString& folder = QString());

    // Enciphers one file below the site root; `text` is the result text.
    ProtectOutcome Protect(const QString& path, QString& text);

    // Puts the backup of an enciphered file back over it (renamed, or copied
    // from another file system); false with `text` saying why not. A file
    // that is not enciphered, or whose backup is enciphered itself, is left.
    bool Restore(const QString& path, QString& text);

    // Writes the service worker at the site root: `script` with the site's
    // salt in front of it.
    bool WriteWorker(const QByteArray& script, const QByteArray& salt, QString& error);

    // The original bytes of an enciphered file into `outPath`; `relative`
    // is its path below the site root. False with `error` set.
    static bool Unlock(const QString& path, const QString& relative, const QByteArray& contentKey,
                       const QString& outPath, QString& error);

private:
    ProtectOutcome EncipherFrom(const CPageSnapshot& source, const QString& path, const QString& relative,
                                bool makeBackup, QString& text);

    const QByteArray m_contentKey;
    const QString m_strRoot;
    bool m_bBackup = true;
    QString m_strBackupFolder;
    QSet<QString> m_visited;
};
