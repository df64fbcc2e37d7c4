#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The record a run keeps in the output folder (.wendlock-manifest.json) of
// every file it wrote there: what the source was (size, modification time,
// digest), what was written (digest, size, time) and a digest of all the
// settings that shape the output. A later run compares with it to write
// only what changed and to remove exactly the files whose source is gone.
// The folder is published, so the source digests and the settings digest
// are keyed (HMAC-SHA256 under a key drawn from the run's content key):
// they confirm no guess of a page's text or of a password to a reader.
class COutputManifest final
{
public:
    static constexpr const char* kFileName = ".wendlock-manifest.json";

    struct Entry
    {
        // "page", "copy", "asset" or "link".
        QString kind;
        qint64 sourceSize = -1;
        qint64 sourceMtimeNs = 0;
        QByteArray sourceDigest;
        QByteArray outputSha256;
        qint64 outputSize = -1;
        qint64 outputMtimeNs = 0;
        // The link's text, for a link.
        QString linkTarget;
    };

    // Reads the manifest of `folder`; an absent or unreadable one is empty
    // (everything is written again). False only for a file that exists but
    // is no manifest of ours, with `error`.
    bool Load(const QString& folder, QString* error = nullptr);
    // Writes it into `folder` in one step (temporary, sync, rename).
    bool Save(const QString& folder, QString* error = nullptr) const;

    const QByteArray& SettingsDigest() const { return m_settingsDigest; }
    void SetSettingsDigest(const QByteArray& digest) { m_settingsDigest = digest; }
    // The salt of the run that wrote the folder (public: every page holds
    // it), so that a run without a project protects with the same one.
    const QByteArray& Salt() const { return m_salt; }
    void SetSalt(const QByteArray& salt) { m_salt = salt; }

    // Files by their path below the output folder.
    const QHash<QString, Entry>& Entries() const { return m_entries; }
    const Entry* Find(const QString& relative) const;
    void Set(const QString& relative, const Entry& entry) { m_entries.insert(relative, entry); }

private:
    QByteArray m_settingsDigest;
    QByteArray m_salt;
    QHash<QString, Entry> m_entries;
};
