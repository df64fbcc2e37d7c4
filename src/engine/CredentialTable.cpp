#include "engine/CredentialTable.h"

#include "common/AsciiText.h"
#include "common/RandomString.h"
#include "engine/JsString.h"
#include "model/Project.h"

#include <QCryptographicHash>

QByteArray CCredentialTable::AnsiBytes(QStringView text)
{
    return text.toUtf8();
}

QString CCredentialTable::FoldCase(QStringView text)
{
    return AsciiText::Fold(text);
}

QByteArray CCredentialTable::Md5Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

QByteArray CCredentialTable::Base64Encode(const QByteArray& bytes)
{
    return bytes.toBase64();
}

int CCredentialTable::XorFold(QStringView text)
{
    int value = 0;
    for (const QChar ch : text) {
        value ^= ch.unicode();
    }
    return value;
}

int CCredentialTable::XorFold(const QByteArray& latin1Text)
{
    int value = 0;
    for (const char c : latin1Text) {
        value ^= static_cast<unsigned char>(c);
    }
    return value;
}

QByteArray CCredentialTable::ScrambleBytes(const QByteArray& data, const QByteArray& key)
{
    if (key.isEmpty()) {
        return data;
    }
    QByteArray out;
    ScrambleInto(data, key, out);
    return out;
}

void CCredentialTable::ScrambleInto(const QByteArray& data, const QByteArray& key, QByteArray& out)
{
    const auto n = data.size();
    const auto k = key.size();
    if (k == 0) {
        out = data;
        return;
    }
    out.resize(n);
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    const auto* kb = reinterpret_cast<const unsigned char*>(key.constData());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    constexpr qsizetype kBlock = 64;
    if ((k & (k - 1)) == 0 && k <= kBlock) {
        // Page keys are 32 bytes: both key positions repeat every 64 bytes,
        // so two 64-byte patterns serve the whole page and the inner loop
        // vectorises.
        const qsizetype mask = k - 1;
        unsigned char up[kBlock];
        unsigned char down[kBlock];
        for (qsizetype j = 0; j < kBlock; ++j) {
            up[j] = kb[j & mask];
            down[j] = kb[(n - 1 - j) & mask];
        }
        qsizetype i = 0;
        for (; i + kBlock <= n; i += kBlock) {
            for (qsizetype j = 0; j < kBlock; ++j) {
                o[i + j] = static_cast<unsigned char>((d[i + j] ^ up[j]) + down[j]);
            }
        }
        for (qsizetype j = 0; i + j < n; ++j) {
            o[i + j] = static_cast<unsigned char>((d[i + j] ^ up[j]) + down[j]);
        }
        return;
    }
    // The two key positions walk up and down the key without a division.
    qsizetype up = 0;
    qsizetype down = (n - 1) % k;
    for (qsizetype i = 0; i < n; ++i) {
        o[i] = static_cast<unsigned char>((d[i] ^ kb[up]) + kb[down]);
        if (++up == k) {
            up = 0;
        }
        down = down == 0 ? k - 1 : down - 1;
    }
}

QByteArray CCredentialTable::UnscrambleBytes(const QByteArray& scrambled, const QByteArray& key)
{
    const auto n = scrambled.size();
    const auto k = key.size();
    if (k == 0) {
        return scrambled;
    }
    QByteArray out(n, Qt::Uninitialized);
    const auto* s = reinterpret_cast<const unsigned char*>(scrambled.constData());
    const auto* kb = reinterpret_cast<const unsigned char*>(key.constData());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    for (qsizetype i = 0; i < n; ++i) {
        o[i] = static_cast<unsigned char>(static_cast<unsigned char>(s[i] - kb[(n - 1 - i) % k]) ^ kb[i % k]);
    }
    return out;
}

QByteArray CCredentialTable::DoubleMd5Hex(const QByteArray& bytes)
{
    return Md5Hex(Md5Hex(bytes));
}

CCredentialTable::PageCredentials CCredentialTable::CredentialsForSecret(const QString& secret)
{
    PageCredentials result;
    result.secret = secret;
    result.key = DoubleMd5Hex(AnsiBytes(secret));
    result.checkValue = XorFold(result.key);
    return result;
}

CCredentialTable::PageCredentials CCredentialTable::SinglePasswordCredentials(const CProject& data)
{
    return CredentialsForSecret(data.m_bPasswordCase ? data.m_strPassword : FoldCase(data.m_strPassword));
}

CCredentialTable::PageCredentials CCredentialTable::MultiUserCredentials()
{
    return CredentialsForSecret(RandomString(8));
}

namespace {
QString FoldedName(const CProject& data, const CUserListNode& user)
{
    return data.m_bUserNameCase ? user.m_strUserName : CCredentialTable::FoldCase(user.m_strUserName);
}

QString FoldedPassword(const CProject& data, const CUserListNode& user)
{
    return data.m_bPasswordCase ? user.m_strPassword : CCredentialTable::FoldCase(user.m_strPassword);
}

QByteArray ArrayStatement(const char* name, const QList<QByteArray>& elements)
{
    QByteArray out = QByteArray("var ") + name + "=new Array(\"";
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (i > 0) {
            out += "\",\"";
        }
        out += elements[i];
    }
    out += "\");";
    return out;
}

QByteArray JsBool(int value)
{
    return value == 1 ? QByteArray("true") : QByteArray("false");
}
} // namespace

QByteArray CCredentialTable::UserDigest(const CProject& data, const CUserListNode& user)
{
    return Md5Hex(Md5Hex(AnsiBytes(FoldedName(data, user))) + Md5Hex(AnsiBytes(FoldedPassword(data, user))));
}

QByteArray CCredentialTable::UserKey(const CProject& data, const CUserListNode& user)
{
    return DoubleMd5Hex(AnsiBytes(QString(FoldedPassword(data, user) + FoldedName(data, user))));
}

QByteArray CCredentialTable::UserKeyElement(const CProject& data, const CUserListNode& user,
                                            const QByteArray& secretBytes)
{
    return Base64Encode(ScrambleBytes(secretBytes, UserKey(data, user)));
}

QByteArray CCredentialTable::UserArraysText(const CProject& data, const QByteArray& secretBytes)
{
    QList<QByteArray> digests;
    QList<QByteArray> keys;
    digests.reserve(data.m_listUsers.size());
    keys.reserve(data.m_listUsers.size());
    for (const CUserListNode& user : data.m_listUsers) {
        digests.append(UserDigest(data, user));
        keys.append(UserKeyElement(data, user, secretBytes));
    }
    return ArrayStatement("vxpb", digests) + ArrayStatement("vxpc", keys);
}

QByteArray CCredentialTable::LoginVariablesText(const CProject& data, int passwordMode,
                                                std::optional<int> checkValue)
{
    const auto text = [](const QString& value) { return JsString::EscapeBody(value).toLatin1(); };
    QByteArray out;
    out += "var LoginExpireType=" + QByteArray::number(data.m_nLoginExpire) + ";\n";
    out += "var LoginExpireDays=" + QByteArray::number(data.m_nExpireDays) + ";\n";
    out += "var LoginIncorrectMode=" + QByteArray::number(data.m_nIncorrectAction) + ";\n";
    out += "var LoginAlertText=\"" + text(data.m_strAlertText) + "\";\n";
    out += "var LoginRedirectURL=\"" + text(data.m_strRedirectURL) + "\";\n";
    out += "var LoginRedirectURLTarget=\"" + text(data.m_strRedirectTarget) + "\";\n";
    out += "var RefreshPageInIE=" + JsBool(data.m_bRefreshIE) + ";";
    // Written only when on: a page without it keeps file:// logins per tab.
    if (data.m_bShareFileLogins) {
        out += "var LoginShareFileTabs=true;";
    }
    if (passwordMode == CProject::kMultipleUsers) {
        out += "var USRCSS=" + JsBool(data.m_bUserNameCase) + ";";
    }
    out += "var PWDCSS=" + JsBool(data.m_bPasswordCase) + ";";
    if (checkValue) {
        out += "var PWDMKK=" + QByteArray::number(*checkValue) + ";";
    }
    return out;
}
