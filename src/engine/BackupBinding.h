#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class CPageSnapshot;

// Ties a protected page to the text it was made from, so that restore puts
// back only the backup of that very text, never an older one (a backup left
// from an earlier run, after an edit protected without a backup, or when a
// run failed after writing the backup elsewhere). The page's closing
// comment carries a random salt and the SHA-256 of salt and text:
// "<!-- Protected by Wendlock 2.4 original=SALT.DIGEST -->". A backup
// belongs to the page when the same salt and its bytes give the same
// digest. The salt keeps equal texts from giving equal digests in
// different pages. Pages written before bindings existed carry none.
class CBackupBinding final
{
public:
    // No binding: a page written before bindings existed.
    CBackupBinding() = default;

    // A binding of the page's text under a fresh salt; invalid when the
    // page can't be read.
    static CBackupBinding Make(const CPageSnapshot& page);
    bool IsValid() const { return m_salt.size() == kSaltSize && m_digest.size() == kDigestSize; }

    // "original=SALT.DIGEST", as the closing comment carries it.
    QByteArray Text() const;
    // The binding a page's closing comment carries; invalid for a page
    // written without one.
    static CBackupBinding FromPage(const CPageSnapshot& page);
    // Whether `file` holds the text this binding was made of.
    bool Matches(const CPageSnapshot& file) const;

    static constexpr int kSaltSize = 16;
    static constexpr int kDigestSize = 32;

private:
    CBackupBinding(const QByteArray& salt, const QByteArray& digest) : m_salt(salt), m_digest(digest) {}
    // SHA-256 of the salt and the file's bytes; empty on a read error.
    static QByteArray DigestOf(const QByteArray& salt, const CPageSnapshot& file);

    QByteArray m_salt;
    QByteArray m_digest;
};
