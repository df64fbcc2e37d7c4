#pragma once

#include "model/UserListNode.h"

#include <QList>
#include <QString>
#include <QStringList>

class CArchiveReader;
class CArchiveWriter;

// The project settings record: every setting of one protection job. The
// pages are its live editors; the document serializes it and the protect
// run reads it. Fields are declared in project-file order. The options
// (m_b...) are stored as 32-bit ints 0 or 1; the reader takes any other
// stored value as the option's New Project value.
class CProject
{
public:
    CProject();

    QStringList m_listFiles;
    bool m_bBackup = true;
    int m_nPasswordMode = kSinglePassword;
    QString m_strPassword;
    QList<CUserListNode> m_listUsers;
    int m_nLoginExpire = kExpireOnBrowserClose;
    int m_nExpireDays = 365;
    int m_nIncorrectAction = kIncorrectAlert;
    QString m_strAlertText;
    QString m_strRedirectURL;
    QString m_strRedirectTarget;
    bool m_bUserNameCase = true;
    bool m_bPasswordCase = true;
    QString m_strTemplatePath;
    bool m_bPreview = true;
    int m_nCharset = 0;
    bool m_bCopyHead = true;
    bool m_bRefreshIE = true;
    bool m_bProtectLoginPages = false;
    bool m_bProtectAfterLogin = false;
    bool m_bNoRightClick = false;
    bool m_bNoTextSelect = false;
    bool m_bNoPrint = false;
    bool m_bNoOffline = false;
    bool m_bNoStatusLinks = false;
    bool m_bKillFrame = false;
    bool m_bNoMozilla = false;
    bool m_bNoOpera = false;
    bool m_bNoPrintScreen = false;
    bool m_bNoDragDrop = false;
    bool m_bLocationLock = false;
    QString m_strLocationLock;
    bool m_bReferrerLock = false;
    QString m_strReferrerLock;
    // The page format and its key derivation, stored in a tagged block
    // after the fields above (readers of the older layout ignore it).
    int m_nCipher = kCipherStrong;
    int m_nKdfIterations = kDefaultKdfIterations;
    QByteArray m_baSalt; // 16 bytes once drawn
    // The whole site: the site's other files enciphered too, below the site
    // root (empty: the deepest folder that holds every listed page), but
    // for the exclude globs (separated by spaces or ";").
    bool m_bProtectAssets = false;
    QString m_strSiteRoot;
    QString m_strAssetExclude;
    // The folder the protected site is written to (the site root mirrored,
    // sources untouched, no backups); empty: the pages are protected in place.
    QString m_strOutputFolder;
    // The content key of a project of several users (32 bytes once drawn),
    // kept so that files from different runs open with one login. Drawn
    // anew when everyone is signed out or a user is removed.
    QByteArray m_baContentKey;
    // The users that content key serves: a check value of the key, then a
    // digest of each user name under the key (16 bytes each, sorted). It
    // tells a later run that a user has been removed since.
    QByteArray m_baKeyUsers;
    // On file:// pages a login is kept for its tab only; with this option
    // the tabs of a browser share it, and so can any local file.
    bool m_bShareFileLogins = false;
    // Not stored: set when reading drew a salt because the file had none,
    // so the front end knows the project must be saved to keep it.
    bool m_bSaltDrawn = false;

    // The values of m_nPasswordMode, m_nLoginExpire and m_nIncorrectAction,
    // as the project file and the login scripts number them.
    enum PasswordMode : int
    {
        kSinglePassword = 0,
        kMultipleUsers = 1
    };
    enum LoginExpire : int
    {
        kExpireOnPageUnload = 0,
        kExpireOnBrowserClose = 1,
        kExpireAfterDays = 2
    };
    enum IncorrectAction : int
    {
        kIncorrectAlert = 0,
        kIncorrectRedirect = 1
    };

    static constexpr int kCipherClassic = 0;
    static constexpr int kCipherStrong = 1;
    // Whether the page format opens with keys derived from the project's
    // salt: a content key that the site's other files, the output
    // manifest and share links use too. The classic format has none.
    bool UsesSiteKeys() const { return m_nCipher == kCipherStrong; }
    static constexpr int kDefaultKdfIterations = 600000;
    static constexpr int kMinKdfIterations = 100000;
    static constexpr int kMaxKdfIterations = 10000000;

    // The values an int field may take. The project reader puts a value
    // outside them back to its New Project default; the JSON form refuses it.
    struct FieldRange
    {
        int CProject::*member;
        int minValue;
        int maxValue;
    };
    static const QList<FieldRange>& IntRanges();
    // The range of one field; fields without one take any int.
    static FieldRange RangeOf(int CProject::*member);

    // New Project values for every field but the two lists.
    void SetDefaults();
    // Empties both lists and every string field; int and option fields keep
    // their values.
    void Clear();

    // Puts every int whose value lies outside its range (password mode,
    // charset row, expiry mode, wrong-login reaction) back to its default,
    // so that nothing later indexes a table with an unchecked value.
    void NormalizeRanges();
    // Draws a new random salt: every page protected before asks for the
    // password again ("Sign everyone out"). False when the random source failed.
    bool DrawSalt();
    // Draws a salt (and a content key) when there is none; true when it did.
    bool EnsureSalt();
    // Draws a new content key (for several users); false when the random
    // source failed.
    bool DrawContentKey();
    // Several users: draws a new content key when a user the key was drawn
    // for is no longer listed (whoever knew that password must not open
    // what the next run writes), then records the users it serves. A record
    // of another key (one set by hand, or an older project without one) is
    // only made anew. True when the key or the record changed, so the
    // project is to be saved; `keyDrawn` tells whether the key did.
    bool UpdateKeyUsers(bool* keyDrawn = nullptr);
    // The record UpdateKeyUsers keeps for the present key and users.
    QByteArray KeyUsersRecord() const;

    // Writes the complete layout (the caller writes the version string first).
    void Serialize(CArchiveWriter& ar) const;
    // Reads the items present in a file of the given version, starting from
    // the New Project state: fields an older file lacks keep their defaults.
    // Returns false when the archive failed.
    bool Serialize(CArchiveReader& ar, const QString& loadedVersion);

    bool operator==(const CProject& other) const;
    bool operator!=(const CProject& other) const { return !(*this == other); }

    static QString DefaultPassword() { return QStringLiteral("tangelo"); }
    static QString DefaultAlertText() { return QStringLiteral("Invalid Password!"); }
    static QString DefaultRedirectURL() { return QStringLiteral("http://www.example.com/loginfailure.htm"); }
    static QString DefaultLockURL() { return QStringLiteral("http://www.example.com/"); }

private:
    bool ReadFormatBlock(CArchiveReader& ar);
};
