#pragma once

#include "engine/OutputManifest.h"
#include "engine/ProtectOutcome.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <sys/stat.h>

class CProject;
class IResultList;

// A protect run that writes the protected site into another folder: the
// site root is mirrored there (listed pages protected by the engine, the
// other files copied or enciphered, links kept), the sources are only
// read and no backups are made. A manifest in the folder makes re-runs
// incremental: only what changed (source or settings) is written again,
// and the files it wrote whose source is gone are removed. Files in the
// folder it did not write are never removed.
//
// Use: Check, Plan (after the keys are known), protect PagesToWrite() into
// TargetOf(page) and tell each outcome to NotePage, then Finish.
class COutputFolder final
{
public:
    struct Outcome
    {
        int pagesWritten = 0;
        int unchanged = 0;
        int copied = 0;
        int enciphered = 0;
        int links = 0;
        int removed = 0;
        int failed = 0;
        QStringList warnings;
        // A problem that stopped the run before the manifest was written.
        QString error;
    };

    COutputFolder(const CProject& data, const QString& folder, const QString& projectPath);

    // Why the run can't write into `folder` from `siteRoot`: one inside the
    // other (or the same); empty when it can.
    static QString NestingProblem(const QString& siteRoot, const QString& folder);
    // The checks before anything is written: a site root that is a folder,
    // every listed page below it, no nesting, an output folder that is (or
    // can be made) a folder and, if it holds a manifest, one of ours.
    bool Check(QString& error);
    const QString& Root() const { return m_strRoot; }
    const QString& Folder() const { return m_strFolder; }
    // Whether the folder holds the record of an earlier run.
    bool HasRecord() const { return !m_old.Entries().isEmpty(); }

    // Walks the site root and compares each file with the folder's record
    // as far as that goes without the keys (so it can run while they are
    // derived). Plan does it when it was not done.
    bool Survey(QString& error);
    // Decides what is written: `contentKey` is the run's (empty for the
    // classic format, whose runs write everything); `force` writes all.
    // Makes the folders of the pages to write.
    bool Plan(const QByteArray& contentKey, bool force, QString& error);
    // The listed pages to protect now, in list order, and those left as
    // they are (unchanged since the output was written).
    const QStringList& PagesToWrite() const { return m_pagesToWrite; }
    const QStringList& UnchangedPages() const { return m_unchangedPages; }
    // Where a source file below the root goes in the output folder.
    QString TargetOf(const QString& source) const;
    // A page's outcome, as the engine reported it.
    void NotePage(const QString& path, ProtectOutcome outcome);

    // Copies or enciphers the other files, writes the service worker,
    // removes the outputs of sources that are gone and writes the manifest
    // last. Each file's outcome goes to `results`. `interrupted` is asked
    // between files: the files done so far are recorded all the same.
    Outcome Finish(IResultList& results, const std::function<bool()>& interrupted = {});

private:
    enum class Kind
    {
        Page,
        Copy,
        Asset,
        Link
    };
    struct Item
    {
        Kind kind = Kind::Copy;
        QString source;
        QString relative;
        struct stat st
        {
        };
        QByteArray sourceDigest;
        bool write = true;
        // The output is the recorded one (a link: the same link), and the
        // source has the recorded size and time.
        bool intact = false;
        bool sameStat = false;
        QString linkText;
    };

    static QString KindName(Kind kind);
    QByteArray SettingsDigest() const;
    QByteArray DigestOfFile(const QString& path, bool* ok) const;
    // Whether the output of `entry` is still the one recorded.
    bool OutputIntact(const QString& target, const COutputManifest::Entry& entry) const;
    bool Record(const Item& item, QString* why);
    ProtectOutcome CopyFile(const Item& item, QString& text);
    ProtectOutcome EncipherFile(const Item& item, QString& text);
    ProtectOutcome MirrorLink(const Item& item, QString& text);
    bool EnsureFolderOf(const QString& target);
    void RemoveGone(Outcome& outcome);

    const CProject& m_data;
    QString m_strFolder;
    QString m_strRoot;
    QString m_strProjectPath;
    QByteArray m_contentKey;
    QByteArray m_manifestKey;
    COutputManifest m_old;
    COutputManifest m_new;
    QList<Item> m_items;
    QHash<QString, qsizetype> m_pageIndex;
    QStringList m_pagesToWrite;
    QStringList m_unchangedPages;
    QSet<QString> m_madeFolders;
    QSet<QString> m_touchedFolders;
    bool m_bChecked = false;
    bool m_bSurveyed = false;
};
