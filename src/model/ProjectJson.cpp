#include "model/ProjectJson.h"

#include "model/CharsetTable.h"
#include "model/Project.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cmath>

namespace {

enum class Kind
{
    Files,
    Users,
    Int,
    Flag,
    String,
    Salt,
    ContentKey,
    KeyUsers
};

// One JSON key and the record field behind it. At most one of the member
// pointers is set, according to the kind.
struct Field
{
    const char* key;
    Kind kind;
    int CProject::*intMember;
    bool CProject::*flagMember;
    QString CProject::*stringMember;
    int minValue;
    int maxValue;
};

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

// Ranges come from the record's own table, the one the project reader uses.
Field IntField(const char* key, int CProject::*m)
{
    const CProject::FieldRange range = CProject::RangeOf(m);
    return {key, Kind::Int, m, nullptr, nullptr, range.minValue, range.maxValue};
}
// An option is the number 0 or 1 in the JSON form, as in the project file.
Field FlagField(const char* key, bool CProject::*m)
{
    return {key, Kind::Flag, nullptr, m, nullptr, 0, 1};
}
Field StringField(const char* key, QString CProject::*m)
{
    return {key, Kind::String, nullptr, nullptr, m, 0, 0};
}
Field OtherField(const char* key, Kind kind)
{
    return {key, kind, nullptr, nullptr, nullptr, 0, 0};
}

const std::vector<Field>& Fields()
{
    static const std::vector<Field> fields = {
        OtherField("files", Kind::Files),
        FlagField("backup", &CProject::m_bBackup),
        IntField("passwordMode", &CProject::m_nPasswordMode),
        StringField("password", &CProject::m_strPassword),
        OtherField("users", Kind::Users),
        IntField("loginExpire", &CProject::m_nLoginExpire),
        IntField("expireDays", &CProject::m_nExpireDays),
        IntField("incorrectAction", &CProject::m_nIncorrectAction),
        StringField("alertText", &CProject::m_strAlertText),
        StringField("redirectUrl", &CProject::m_strRedirectURL),
        StringField("redirectTarget", &CProject::m_strRedirectTarget),
        FlagField("userNameCase", &CProject::m_bUserNameCase),
        FlagField("passwordCase", &CProject::m_bPasswordCase),
        StringField("templatePath", &CProject::m_strTemplatePath),
        FlagField("preview", &CProject::m_bPreview),
        IntField("charset", &CProject::m_nCharset),
        FlagField("copyHead", &CProject::m_bCopyHead),
        FlagField("refreshIE", &CProject::m_bRefreshIE),
        FlagField("protectLoginPages", &CProject::m_bProtectLoginPages),
        FlagField("protectAfterLogin", &CProject::m_bProtectAfterLogin),
        FlagField("noRightClick", &CProject::m_bNoRightClick),
        FlagField("noTextSelect", &CProject::m_bNoTextSelect),
        FlagField("noPrint", &CProject::m_bNoPrint),
        FlagField("noOffline", &CProject::m_bNoOffline),
        FlagField("noStatusLinks", &CProject::m_bNoStatusLinks),
        FlagField("killFrame", &CProject::m_bKillFrame),
        FlagField("noMozilla", &CProject::m_bNoMozilla),
        FlagField("noOpera", &CProject::m_bNoOpera),
        FlagField("noPrintScreen", &CProject::m_bNoPrintScreen),
        FlagField("noDragDrop", &CProject::m_bNoDragDrop),
        FlagField("locationLock", &CProject::m_bLocationLock),
        StringField("locationLockUrl", &CProject::m_strLocationLock),
        FlagField("referrerLock", &CProject::m_bReferrerLock),
        StringField("referrerLockUrl", &CProject::m_strReferrerLock),
        IntField("cipher", &CProject::m_nCipher),
        IntField("kdfIterations", &CProject::m_nKdfIterations),
        OtherField("salt", Kind::Salt),
        FlagField("protectAssets", &CProject::m_bProtectAssets),
        StringField("siteRoot", &CProject::m_strSiteRoot),
        StringField("assetExclude", &CProject::m_strAssetExclude),
        StringField("outputFolder", &CProject::m_strOutputFolder),
        OtherField("contentKey", Kind::ContentKey),
        OtherField("keyUsers", Kind::KeyUsers),
        FlagField("shareFileLogins", &CProject::m_bShareFileLogins),
    };
    return fields;
}

const Field* FindField(const QString& key)
{
    for (const Field& f : Fields()) {
        if (key == QLatin1String(f.key)) {
            return &f;
        }
    }
    return nullptr;
}

struct UserKey
{
    const char* key;
    QString CUserListNode::*member;
};
const UserKey kUserKeys[] = {
    {"userName", &CUserListNode::m_strUserName},       {"password", &CUserListNode::m_strPassword},
    {"fullName", &CUserListNode::m_strFullName},       {"email", &CUserListNode::m_strEmail},
    {"description", &CUserListNode::m_strDescription},
};

QByteArray Quote(const QString& text)
{
    // A one-element array is the shortest way to have Qt escape a string.
    QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2);
}

QString RangeText(const Field& f)
{
    if (f.kind == Kind::Flag) {
        return QStringLiteral("0 or 1");
    }
    if (f.minValue == kIntMin && f.maxValue == kIntMax) {
        return QStringLiteral("an integer");
    }
    return QStringLiteral("an integer from %1 to %2").arg(f.minValue).arg(f.maxValue);
}

bool ToInt(const QJsonValue& value, const Field& f, int* out, QString* error)
{
    const double d = value.isDouble() ? value.toDouble() : std::nan("");
    if (!value.isDouble() || std::floor(d) != d || d < f.minValue || d > f.maxValue) {
        *error = QStringLiteral("\"%1\" must be %2").arg(QLatin1String(f.key), RangeText(f));
        return false;
    }
    *out = int(d);
    return true;
}

bool ToFlag(const QJsonValue& value, const Field& f, bool* out, QString* error)
{
    int number = 0;
    if (!ToInt(value, f, &number, error)) {
        return false;
    }
    *out = number == 1;
    return true;
}

// The content key of several users: 64 hex digits; empty means "not drawn
// yet".
bool ParseContentKey(const QString& text, CProject& data, QString* error)
{
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    if (!text.isEmpty() &&
        (text.size() != 64 || bytes.size() != 32 || bytes.toHex() != text.toLower().toLatin1())) {
        *error = QStringLiteral("\"contentKey\" must be 64 hex digits");
        return false;
    }
    data.m_baContentKey = bytes;
    return true;
}

// The users the content key serves: hex digits, 32 for each 16 bytes;
// empty means "none recorded yet".
bool ParseKeyUsers(const QString& text, CProject& data, QString* error)
{
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    if (!text.isEmpty() && (text.size() % 32 != 0 || bytes.toHex() != text.toLower().toLatin1())) {
        *error = QStringLiteral("\"keyUsers\" must be hex digits, 32 for each user and 32 more");
        return false;
    }
    data.m_baKeyUsers = bytes;
    return true;
}

// The salt is written as 32 hex digits; empty means "not drawn yet".
bool ParseSalt(const QString& text, CProject& data, QString* error)
{
    if (text.isEmpty()) {
        data.m_baSalt.clear();
        return true;
    }
    // ASCII hex digits only: QChar's own digit tests take other scripts'
    // digits too.
    const bool hex = text.size() == 32 && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
                         const char16_t u = c.unicode();
                         return (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'f');
                     });
    if (!hex) {
        *error = QStringLiteral("\"salt\" must be 32 hex digits");
        return false;
    }
    data.m_baSalt = QByteArray::fromHex(text.toLatin1());
    return true;
}

bool ApplyField(const Field& f, const QJsonValue& value, CProject& data, QString* error)
{
    const QLatin1String key(f.key);
    switch (f.kind) {
    case Kind::Files: {
        if (!value.isArray()) {
            *error = QStringLiteral("\"%1\" must be an array of strings").arg(key);
            return false;
        }
        QStringList files;
        for (const QJsonValue item : value.toArray()) {
            if (!item.isString()) {
                *error = QStringLiteral("\"%1\" must be an array of strings").arg(key);
                return false;
            }
            files.append(item.toString());
        }
        data.m_listFiles = files;
        return true;
    }
    case Kind::Users: {
        if (!value.isArray()) {
            *error = QStringLiteral("\"%1\" must be an array of objects").arg(key);
            return false;
        }
        QList<CUserListNode> users;
        for (const QJsonValue item : value.toArray()) {
            if (!item.isObject()) {
                *error = QStringLiteral("\"%1\" must be an array of objects").arg(key);
                return false;
            }
            CUserListNode user;
            const QJsonObject object = item.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                const UserKey* match = nullptr;
                for (const UserKey& uk : kUserKeys) {
                    if (it.key() == QLatin1String(uk.key)) {
                        match = &uk;
                    }
                }
                if (!match) {
                    *error = QStringLiteral("unknown key \"users.%1\"").arg(it.key());
                    return false;
                }
                if (!it.value().isString()) {
                    *error = QStringLiteral("\"users.%1\" must be a string").arg(it.key());
                    return false;
                }
                user.*(match->member) = it.value().toString();
            }
            users.append(user);
        }
        data.m_listUsers = users;
        return true;
    }
    case Kind::Int:
        return ToInt(value, f, &(data.*(f.intMember)), error);
    case Kind::Flag:
        return ToFlag(value, f, &(data.*(f.flagMember)), error);
    case Kind::String:
        if (!value.isString()) {
            *error = QStringLiteral("\"%1\" must be a string").arg(key);
            return false;
        }
        data.*(f.stringMember) = value.toString();
        return true;
    case Kind::Salt:
        if (!value.isString()) {
            *error = QStringLiteral("\"%1\" must be a string").arg(key);
            return false;
        }
        return ParseSalt(value.toString(), data, error);
    case Kind::ContentKey:
        if (!value.isString()) {
            *error = QStringLiteral("\"%1\" must be a string").arg(key);
            return false;
        }
        return ParseContentKey(value.toString(), data, error);
    case Kind::KeyUsers:
        if (!value.isString()) {
            *error = QStringLiteral("\"%1\" must be a string").arg(key);
            return false;
        }
        return ParseKeyUsers(value.toString(), data, error);
    }
    return false;
}

} // namespace

QByteArray CProjectJson::ToJson(const CProject& data, const QString& version)
{
    QByteArray out = "{\n  \"version\": " + Quote(version);
    for (const Field& f : Fields()) {
        out += ",\n  \"" + QByteArray(f.key) + "\": ";
        switch (f.kind) {
        case Kind::Files:
            if (data.m_listFiles.isEmpty()) {
                out += "[]";
                break;
            }
            out += "[";
            for (qsizetype i = 0; i < data.m_listFiles.size(); ++i) {
                out += (i ? ",\n    " : "\n    ") + Quote(data.m_listFiles[i]);
            }
            out += "\n  ]";
            break;
        case Kind::Users:
            if (data.m_listUsers.isEmpty()) {
                out += "[]";
                break;
            }
            out += "[";
            for (qsizetype i = 0; i < data.m_listUsers.size(); ++i) {
                out += i ? ",\n    {" : "\n    {";
                bool first = true;
                for (const UserKey& uk : kUserKeys) {
                    out += (first ? "\"" : ", \"") + QByteArray(uk.key) +
                           "\": " + Quote(data.m_listUsers[i].*(uk.member));
                    first = false;
                }
                out += "}";
            }
            out += "\n  ]";
            break;
        case Kind::Int:
            out += QByteArray::number(data.*(f.intMember));
            break;
        case Kind::Flag:
            out += (data.*(f.flagMember)) ? '1' : '0';
            break;
        case Kind::String:
            out += Quote(data.*(f.stringMember));
            break;
        case Kind::Salt:
            out += '"' + data.m_baSalt.toHex() + '"';
            break;
        case Kind::ContentKey:
            out += '"' + data.m_baContentKey.toHex() + '"';
            break;
        case Kind::KeyUsers:
            out += '"' + data.m_baKeyUsers.toHex() + '"';
            break;
        }
    }
    out += "\n}\n";
    return out;
}

bool CProjectJson::FromJson(const QByteArray& json, CProject& data, QString* errorMessage)
{
    QString dummy;
    QString* error = errorMessage ? errorMessage : &dummy;

    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not valid JSON at offset %1: %2")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("the JSON text must be an object");
        return false;
    }
    CProject result;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1String("version")) {
            continue;
        }
        const Field* f = FindField(it.key());
        if (!f) {
            *error = QStringLiteral("unknown key \"%1\"").arg(it.key());
            return false;
        }
        if (!ApplyField(*f, it.value(), result, error)) {
            return false;
        }
    }
    // A project without a salt draws one, as a new project does.
    result.m_bSaltDrawn = result.EnsureSalt();
    data = std::move(result);
    return true;
}

bool CProjectJson::SetValue(CProject& data, const QString& key, const QString& value, QString* errorMessage)
{
    QString dummy;
    QString* error = errorMessage ? errorMessage : &dummy;
    const Field* f = FindField(key);
    if (!f) {
        *error = QStringLiteral("unknown key \"%1\"").arg(key);
        return false;
    }
    if (f->kind == Kind::Files || f->kind == Kind::Users) {
        *error = QStringLiteral("\"%1\" is a list and cannot be set with --set").arg(key);
        return false;
    }
    if (f->kind == Kind::String) {
        data.*(f->stringMember) = value;
        return true;
    }
    if (f->kind == Kind::Salt) {
        return ParseSalt(value.trimmed(), data, error);
    }
    if (f->kind == Kind::ContentKey) {
        return ParseContentKey(value.trimmed(), data, error);
    }
    if (f->kind == Kind::KeyUsers) {
        return ParseKeyUsers(value.trimmed(), data, error);
    }
    bool ok = false;
    const qlonglong number = value.trimmed().toLongLong(&ok);
    if (!ok) {
        *error = QStringLiteral("\"%1\" must be %2").arg(key, RangeText(*f));
        return false;
    }
    if (f->kind == Kind::Flag) {
        return ToFlag(QJsonValue(double(number)), *f, &(data.*(f->flagMember)), error);
    }
    return ToInt(QJsonValue(double(number)), *f, &(data.*(f->intMember)), error);
}

QList<CProjectJson::KeyInfo> CProjectJson::Keys()
{
    const CProject defaults;
    QList<KeyInfo> keys;
    for (const Field& f : Fields()) {
        KeyInfo info;
        info.key = QLatin1String(f.key);
        switch (f.kind) {
        case Kind::Files:
            info.values = QStringLiteral("a list of files");
            info.defaultValue = QStringLiteral("[]");
            info.settable = false;
            break;
        case Kind::Users:
            info.values = QStringLiteral("a list of users");
            info.defaultValue = QStringLiteral("[]");
            info.settable = false;
            break;
        case Kind::Int:
            info.values = RangeText(f);
            info.defaultValue = QString::number(defaults.*(f.intMember));
            break;
        case Kind::Flag:
            info.values = RangeText(f);
            info.defaultValue = (defaults.*(f.flagMember)) ? QStringLiteral("1") : QStringLiteral("0");
            break;
        case Kind::String:
            info.values = QStringLiteral("text");
            info.defaultValue = QString::fromUtf8(Quote(defaults.*(f.stringMember)));
            break;
        case Kind::Salt:
            info.values = QStringLiteral("32 hex digits");
            info.defaultValue = QStringLiteral("\"\" (drawn when first needed)");
            break;
        case Kind::ContentKey:
            info.values = QStringLiteral("64 hex digits");
            info.defaultValue = QStringLiteral("\"\"");
            break;
        case Kind::KeyUsers:
            info.values = QStringLiteral("hex digits, 32 for each user and 32 more");
            info.defaultValue = QStringLiteral("\"\"");
            break;
        }
        keys.append(info);
    }
    return keys;
}
