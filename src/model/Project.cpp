#include "model/Project.h"

#include "common/AsciiText.h"
#include "model/ArchiveReader.h"
#include "model/ArchiveWriter.h"
#include "model/CharsetTable.h"

#include <QMessageAuthenticationCode>
#include <algorithm>
#include <limits>
#include <openssl/rand.h>

namespace {

// Fills `bytes` from OpenSSL's generator, which reports a failure of the
// system's random source instead of handing out weak bytes.
bool DrawRandom(QByteArray& bytes)
{
    return RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), int(bytes.size())) == 1;
}

// Version gates compare like a plain wide-string compare of UTF-16 units,
// so "1.10" sorts before "1.3"; QString::compare does exactly that.
bool NotBelow(const QString& loadedVersion, const char* gate)
{
    return QString::compare(loadedVersion, QLatin1String(gate), Qt::CaseSensitive) >= 0;
}

// The tagged block after the older fields: a magic tag, the block's
// version and its length, then items of a tag, a length and a value.
// Readers skip items whose tag they do not know.
constexpr char kBlockMagic[] = "WLXB";
constexpr quint16 kBlockVersion = 1;
constexpr char kCipherTag[] = "CIPH";
constexpr char kIterationsTag[] = "KDFI";
constexpr char kSaltTag[] = "SALT";
constexpr char kAssetsTag[] = "ASST";
constexpr char kSiteRootTag[] = "ROOT";
constexpr char kExcludeTag[] = "AEXC";
constexpr char kOutputFolderTag[] = "OUTF";
constexpr char kContentKeyTag[] = "CKEY";
constexpr char kKeyUsersTag[] = "CKUS";
constexpr char kShareFileLoginsTag[] = "SHFL";
constexpr int kSaltSize = 16;
constexpr int kContentKeySize = 32;
constexpr int kKeyUserSize = 16;

QByteArray KeyedDigest(const QByteArray& key, const QByteArray& text)
{
    return QMessageAuthenticationCode::hash(text, key, QCryptographicHash::Sha256).left(kKeyUserSize);
}

QByteArray U32(quint32 v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

quint32 ReadU32(const QByteArray& bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | quint8(bytes[at + i]);
    }
    return v;
}

QByteArray Item(const char* tag, const QByteArray& value)
{
    return QByteArray(tag, 4) + U32(quint32(value.size())) + value;
}

// An option is stored as a 32-bit int, 0 or 1.
qint32 StoredFlag(bool on)
{
    return on ? 1 : 0;
}

// A stored option other than 0 or 1 reads as the option's New Project
// value, as an int out of its range does.
bool FlagFromStored(qint64 stored, bool fallback)
{
    return stored == 0 || stored == 1 ? stored == 1 : fallback;
}
} // namespace

CProject::CProject()
{
    SetDefaults();
}

void CProject::SetDefaults()
{
    m_bBackup = true;
    m_nPasswordMode = kSinglePassword;
    m_strPassword = DefaultPassword();
    m_nLoginExpire = kExpireOnBrowserClose;
    m_nExpireDays = 365;
    m_nIncorrectAction = kIncorrectAlert;
    m_strAlertText = DefaultAlertText();
    m_strRedirectURL = DefaultRedirectURL();
    m_strRedirectTarget.clear();
    m_bUserNameCase = true;
    m_bPasswordCase = true;
    m_strTemplatePath.clear();
    m_bPreview = true;
    m_nCharset = 0;
    m_bCopyHead = true;
    m_bRefreshIE = true;
    m_bProtectLoginPages = false;
    m_bProtectAfterLogin = false;
    m_bNoRightClick = false;
    m_bNoTextSelect = false;
    m_bNoPrint = false;
    m_bNoOffline = false;
    m_bNoStatusLinks = false;
    m_bKillFrame = false;
    m_bNoMozilla = false;
    m_bNoOpera = false;
    m_bNoPrintScreen = false;
    m_bNoDragDrop = false;
    m_bLocationLock = false;
    m_strLocationLock = DefaultLockURL();
    m_bReferrerLock = false;
    m_strReferrerLock = DefaultLockURL();
    m_nCipher = kCipherStrong;
    m_nKdfIterations = kDefaultKdfIterations;
    m_bShareFileLogins = false;
    m_bProtectAssets = false;
}

bool CProject::DrawContentKey()
{
    QByteArray key(kContentKeySize, '\0');
    if (!DrawRandom(key)) {
        return false;
    }
    m_baContentKey = key;
    return true;
}

QByteArray CProject::KeyUsersRecord() const
{
    QList<QByteArray> digests;
    digests.reserve(m_listUsers.size());
    for (const CUserListNode& user : m_listUsers) {
        // Names that log in alike are one user.
        const QString name = m_bUserNameCase ? user.m_strUserName : AsciiText::Fold(user.m_strUserName);
        digests.append(KeyedDigest(m_baContentKey, QByteArrayLiteral("wendlock key user:") + name.toUtf8()));
    }
    std::sort(digests.begin(), digests.end());
    digests.erase(std::unique(digests.begin(), digests.end()), digests.end());
    QByteArray record = KeyedDigest(m_baContentKey, QByteArrayLiteral("wendlock key users"));
    for (const QByteArray& digest : digests) {
        record += digest;
    }
    return record;
}

bool CProject::UpdateKeyUsers(bool* keyDrawn)
{
    if (keyDrawn) {
        *keyDrawn = false;
    }
    if (m_nPasswordMode != kMultipleUsers || m_baContentKey.size() != kContentKeySize) {
        return false;
    }
    QByteArray current = KeyUsersRecord();
    if (m_baKeyUsers == current) {
        return false;
    }
    // Drawn for this key: each user it names must still be listed.
    const bool sameKey =
        m_baKeyUsers.size() % kKeyUserSize == 0 && m_baKeyUsers.startsWith(current.left(kKeyUserSize));
    bool gone = false;
    for (qsizetype at = kKeyUserSize; sameKey && !gone && at < m_baKeyUsers.size(); at += kKeyUserSize) {
        const QByteArray digest = m_baKeyUsers.mid(at, kKeyUserSize);
        bool listed = false;
        for (qsizetype c = kKeyUserSize; !listed && c < current.size(); c += kKeyUserSize) {
            listed = current.mid(c, kKeyUserSize) == digest;
        }
        gone = !listed;
    }
    if (gone) {
        if (!DrawContentKey()) {
            return false;
        }
        if (keyDrawn) {
            *keyDrawn = true;
        }
        current = KeyUsersRecord();
    }
    m_baKeyUsers = current;
    return true;
}

bool CProject::DrawSalt()
{
    // Both are drawn before either is kept: a failure leaves the project
    // as it was.
    QByteArray salt(kSaltSize, '\0');
    QByteArray key(kContentKeySize, '\0');
    if (!DrawRandom(salt) || !DrawRandom(key)) {
        return false;
    }
    m_baSalt = salt;
    // Signing everyone out also retires the key that files were enciphered
    // under.
    m_baContentKey = key;
    return true;
}

bool CProject::EnsureSalt()
{
    bool drawn = false;
    if (m_baSalt.size() != kSaltSize) {
        drawn = DrawSalt();
    }
    if (m_baContentKey.size() != kContentKeySize) {
        drawn = DrawContentKey() || drawn;
    }
    return drawn;
}

void CProject::Clear()
{
    m_listFiles.clear();
    m_listUsers.clear();
    m_strPassword.clear();
    m_strAlertText.clear();
    m_strRedirectURL.clear();
    m_strRedirectTarget.clear();
    m_strTemplatePath.clear();
    m_strLocationLock.clear();
    m_strReferrerLock.clear();
    m_baSalt.clear();
    m_strSiteRoot.clear();
    m_strAssetExclude.clear();
    m_strOutputFolder.clear();
    m_baContentKey.clear();
    m_baKeyUsers.clear();
    m_bSaltDrawn = false;
}

const QList<CProject::FieldRange>& CProject::IntRanges()
{
    static const QList<FieldRange> ranges = {
        {&CProject::m_nPasswordMode, kSinglePassword, kMultipleUsers},
        {&CProject::m_nLoginExpire, kExpireOnPageUnload, kExpireAfterDays},
        {&CProject::m_nIncorrectAction, kIncorrectAlert, kIncorrectRedirect},
        {&CProject::m_nCharset, 0, CCharsetTable::Instance().GetCount() - 1},
        {&CProject::m_nCipher, kCipherClassic, kCipherStrong},
        {&CProject::m_nKdfIterations, kMinKdfIterations, kMaxKdfIterations},
    };
    return ranges;
}

CProject::FieldRange CProject::RangeOf(int CProject::*member)
{
    for (const FieldRange& range : IntRanges()) {
        if (range.member == member) {
            return range;
        }
    }
    return {member, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
}

void CProject::NormalizeRanges()
{
    const CProject defaults;
    for (const FieldRange& range : IntRanges()) {
        const int value = this->*(range.member);
        if (value < range.minValue || value > range.maxValue) {
            this->*(range.member) = defaults.*(range.member);
        }
    }
}

void CProject::Serialize(CArchiveWriter& ar) const
{
    ar.WriteCount(quint32(m_listFiles.size()));
    for (const QString& path : m_listFiles) {
        ar.WriteString(path);
    }
    ar.WriteInt(StoredFlag(m_bBackup));
    ar.WriteInt(m_nPasswordMode);
    ar.WriteString(m_strPassword);
    ar.WriteInt(qint32(m_listUsers.size()));
    for (const CUserListNode& user : m_listUsers) {
        user.Serialize(ar);
    }
    ar.WriteInt(m_nLoginExpire);
    ar.WriteInt(m_nExpireDays);
    ar.WriteInt(m_nIncorrectAction);
    ar.WriteString(m_strAlertText);
    ar.WriteString(m_strRedirectURL);
    ar.WriteString(m_strRedirectTarget);
    ar.WriteInt(StoredFlag(m_bUserNameCase));
    ar.WriteInt(StoredFlag(m_bPasswordCase));
    ar.WriteString(m_strTemplatePath);
    ar.WriteInt(StoredFlag(m_bPreview));
    ar.WriteInt(m_nCharset);
    for (bool flag : {m_bCopyHead, m_bRefreshIE, m_bProtectLoginPages, m_bProtectAfterLogin, m_bNoRightClick,
                      m_bNoTextSelect, m_bNoPrint, m_bNoOffline, m_bNoStatusLinks, m_bKillFrame, m_bNoMozilla,
                      m_bNoOpera, m_bNoPrintScreen, m_bNoDragDrop, m_bLocationLock}) {
        ar.WriteInt(StoredFlag(flag));
    }
    ar.WriteString(m_strLocationLock);
    ar.WriteInt(StoredFlag(m_bReferrerLock));
    ar.WriteString(m_strReferrerLock);

    QByteArray payload =
        Item(kCipherTag, U32(quint32(m_nCipher))) + Item(kIterationsTag, U32(quint32(m_nKdfIterations)));
    if (m_baSalt.size() == kSaltSize) {
        payload += Item(kSaltTag, m_baSalt);
    }
    // Items at their defaults are left out: a project that does not use
    // them is written byte for byte as before.
    if (m_bProtectAssets) {
        payload += Item(kAssetsTag, U32(quint32(StoredFlag(m_bProtectAssets))));
    }
    if (!m_strSiteRoot.isEmpty()) {
        payload += Item(kSiteRootTag, m_strSiteRoot.toUtf8());
    }
    if (!m_strAssetExclude.isEmpty()) {
        payload += Item(kExcludeTag, m_strAssetExclude.toUtf8());
    }
    if (!m_strOutputFolder.isEmpty()) {
        payload += Item(kOutputFolderTag, m_strOutputFolder.toUtf8());
    }
    if (m_baContentKey.size() == kContentKeySize) {
        payload += Item(kContentKeyTag, m_baContentKey);
    }
    if (!m_baKeyUsers.isEmpty()) {
        payload += Item(kKeyUsersTag, m_baKeyUsers);
    }
    // Written only when on, so a project that does not use it reads the
    // same in every version.
    if (m_bShareFileLogins) {
        payload += Item(kShareFileLoginsTag, U32(quint32(StoredFlag(m_bShareFileLogins))));
    }
    ar.WriteBytes(QByteArray(kBlockMagic, 4));
    ar.WriteUInt16(kBlockVersion);
    ar.WriteUInt32(quint32(payload.size()));
    ar.WriteBytes(payload);
}

bool CProject::Serialize(CArchiveReader& ar, const QString& loadedVersion)
{
    // Older files lack the later fields; those take their New Project values.
    Clear();
    SetDefaults();

    const quint32 fileCount = ar.ReadCount();
    // Every entry takes at least a byte: a count the file can't hold is
    // refused before anything is allocated for it.
    if (ar.IsOk() && ar.BytesLeft() >= 0 && qint64(fileCount) > ar.BytesLeft()) {
        ar.FailTruncated();
        return false;
    }
    m_listFiles.reserve(qsizetype(qMin<quint32>(fileCount, 1u << 16)));
    for (quint32 i = 0; i < fileCount && ar.IsOk(); ++i) {
        QString path = ar.ReadString();
        if (ar.IsOk()) {
            m_listFiles.append(std::move(path));
        }
    }
    if (!ar.IsOk()) {
        return false;
    }

    // Every field is read into a local first and assigned only when the
    // read succeeded, so a truncated file never leaves a garbage value.
    auto readInt = [&ar](int& field) {
        const int value = ar.ReadInt();
        if (ar.IsOk()) {
            field = value;
        }
        return ar.IsOk();
    };
    // The record holds New Project values here, so an option stored as
    // neither 0 nor 1 keeps its default.
    auto readFlag = [&ar](bool& field) {
        const qint32 value = ar.ReadInt();
        if (ar.IsOk()) {
            field = FlagFromStored(value, field);
        }
        return ar.IsOk();
    };
    auto readString = [&ar](QString& field) {
        QString value = ar.ReadString();
        if (ar.IsOk()) {
            field = std::move(value);
        }
        return ar.IsOk();
    };

    if (!readFlag(m_bBackup) || !readInt(m_nPasswordMode) || !readString(m_strPassword)) {
        return false;
    }
    int userCount = 0;
    if (!readInt(userCount)) {
        return false;
    }
    // A user is five strings of a byte or more.
    if (ar.BytesLeft() >= 0 && qint64(userCount) * 5 > ar.BytesLeft()) {
        ar.FailTruncated();
        return false;
    }
    for (int i = 0; i < userCount; ++i) {
        CUserListNode user;
        if (!user.Serialize(ar)) {
            return false;
        }
        m_listUsers.append(std::move(user));
    }

    if (!readInt(m_nLoginExpire) || !readInt(m_nExpireDays) || !readInt(m_nIncorrectAction) ||
        !readString(m_strAlertText) || !readString(m_strRedirectURL) || !readString(m_strRedirectTarget) ||
        !readFlag(m_bUserNameCase) || !readFlag(m_bPasswordCase) || !readString(m_strTemplatePath) ||
        !readFlag(m_bPreview) || !readInt(m_nCharset) || !readFlag(m_bCopyHead)) {
        return false;
    }

    if (NotBelow(loadedVersion, "1.3") && !readFlag(m_bRefreshIE)) {
        return false;
    }
    if (NotBelow(loadedVersion, "1.5") &&
        (!readFlag(m_bProtectLoginPages) || !readFlag(m_bProtectAfterLogin))) {
        return false;
    }
    if (NotBelow(loadedVersion, "1.3")) {
        for (bool* field : {&m_bNoRightClick, &m_bNoTextSelect, &m_bNoPrint, &m_bNoOffline, &m_bNoStatusLinks,
                            &m_bKillFrame, &m_bNoMozilla, &m_bNoOpera, &m_bNoPrintScreen}) {
            if (!readFlag(*field)) {
                return false;
            }
        }
    }
    if (NotBelow(loadedVersion, "1.4") && !readFlag(m_bNoDragDrop)) {
        return false;
    }
    if (NotBelow(loadedVersion, "1.3") && !(readFlag(m_bLocationLock) && readString(m_strLocationLock) &&
                                            readFlag(m_bReferrerLock) && readString(m_strReferrerLock))) {
        return false;
    }
    if (!ReadFormatBlock(ar)) {
        return false;
    }
    // A file without the block (or without a salt in it) gets a fresh salt,
    // and the front end saves it so that later runs share the login.
    m_bSaltDrawn = EnsureSalt();
    return true;
}

bool CProject::ReadFormatBlock(CArchiveReader& ar)
{
    if (ar.AtEnd()) {
        return true;
    }
    const QByteArray magic = ar.ReadBytes(4);
    if (!ar.IsOk()) {
        return false;
    }
    if (magic != QByteArray(kBlockMagic, 4)) {
        return true; // bytes of another writer: ignored, as older readers do
    }
    ar.ReadUInt16(); // later versions only add items
    const quint32 length = ar.ReadUInt32();
    const QByteArray payload = ar.ReadBytes(qint64(length));
    if (!ar.IsOk()) {
        return false;
    }
    qsizetype at = 0;
    while (at + 8 <= payload.size()) {
        const QByteArray tag = payload.mid(at, 4);
        const quint32 size = ReadU32(payload, at + 4);
        at += 8;
        if (size > quint32(payload.size() - at)) {
            break;
        }
        const QByteArray value = payload.mid(at, qsizetype(size));
        at += qsizetype(size);
        if (tag == kCipherTag && size == 4) {
            m_nCipher = int(ReadU32(value, 0));
        } else if (tag == kIterationsTag && size == 4) {
            m_nKdfIterations = int(ReadU32(value, 0));
        } else if (tag == kSaltTag && size == kSaltSize) {
            m_baSalt = value;
        } else if (tag == kAssetsTag && size == 4) {
            m_bProtectAssets = FlagFromStored(ReadU32(value, 0), CProject().m_bProtectAssets);
        } else if (tag == kSiteRootTag) {
            m_strSiteRoot = QString::fromUtf8(value);
        } else if (tag == kExcludeTag) {
            m_strAssetExclude = QString::fromUtf8(value);
        } else if (tag == kOutputFolderTag) {
            m_strOutputFolder = QString::fromUtf8(value);
        } else if (tag == kContentKeyTag && size == kContentKeySize) {
            m_baContentKey = value;
        } else if (tag == kKeyUsersTag && size >= quint32(kKeyUserSize) && size % kKeyUserSize == 0) {
            m_baKeyUsers = value;
        } else if (tag == kShareFileLoginsTag && size == 4) {
            m_bShareFileLogins = FlagFromStored(ReadU32(value, 0), CProject().m_bShareFileLogins);
        }
    }
    return true;
}

bool CProject::operator==(const CProject& o) const
{
    return m_listFiles == o.m_listFiles && m_bBackup == o.m_bBackup && m_nPasswordMode == o.m_nPasswordMode &&
           m_strPassword == o.m_strPassword && m_listUsers == o.m_listUsers &&
           m_nLoginExpire == o.m_nLoginExpire && m_nExpireDays == o.m_nExpireDays &&
           m_nIncorrectAction == o.m_nIncorrectAction && m_strAlertText == o.m_strAlertText &&
           m_strRedirectURL == o.m_strRedirectURL && m_strRedirectTarget == o.m_strRedirectTarget &&
           m_bUserNameCase == o.m_bUserNameCase && m_bPasswordCase == o.m_bPasswordCase &&
           m_strTemplatePath == o.m_strTemplatePath && m_bPreview == o.m_bPreview &&
           m_nCharset == o.m_nCharset && m_bCopyHead == o.m_bCopyHead && m_bRefreshIE == o.m_bRefreshIE &&
           m_bProtectLoginPages == o.m_bProtectLoginPages && m_bProtectAfterLogin == o.m_bProtectAfterLogin &&
           m_bNoRightClick == o.m_bNoRightClick && m_bNoTextSelect == o.m_bNoTextSelect &&
           m_bNoPrint == o.m_bNoPrint && m_bNoOffline == o.m_bNoOffline &&
           m_bNoStatusLinks == o.m_bNoStatusLinks && m_bKillFrame == o.m_bKillFrame &&
           m_bNoMozilla == o.m_bNoMozilla && m_bNoOpera == o.m_bNoOpera &&
           m_bNoPrintScreen == o.m_bNoPrintScreen && m_bNoDragDrop == o.m_bNoDragDrop &&
           m_bLocationLock == o.m_bLocationLock && m_strLocationLock == o.m_strLocationLock &&
           m_bReferrerLock == o.m_bReferrerLock && m_strReferrerLock == o.m_strReferrerLock &&
           m_nCipher == o.m_nCipher && m_nKdfIterations == o.m_nKdfIterations && m_baSalt == o.m_baSalt &&
           m_bProtectAssets == o.m_bProtectAssets && m_strSiteRoot == o.m_strSiteRoot &&
           m_strAssetExclude == o.m_strAssetExclude && m_strOutputFolder == o.m_strOutputFolder &&
           m_baContentKey == o.m_baContentKey && m_baKeyUsers == o.m_baKeyUsers &&
           m_bShareFileLogins == o.m_bShareFileLogins;
}
