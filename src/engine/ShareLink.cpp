#include "engine/ShareLink.h"

#include "engine/StrongCrypto.h"
#include "engine/StrongSiteKeys.h"
#include "model/Project.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

bool CShareLink::FromPage(const QString& path, Login& login)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // var vxsv=[1,MODE,ITERATIONS,"SALT",...] and the case flags of the
    // page's login variables.
    const QString text = QString::fromLatin1(file.readAll());
    static const QRegularExpression header(
        QStringLiteral("var vxsv=\\[1,([01]),([0-9]+),\"([A-Za-z0-9+/=]+)\""));
    const QRegularExpressionMatch match = header.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    login.mode = match.captured(1).toInt();
    login.iterations = match.captured(2).toInt();
    login.salt = QByteArray::fromBase64(match.captured(3).toLatin1());
    login.passwordCase = !text.contains(QLatin1String("var PWDCSS=false;"));
    login.userCase = !text.contains(QLatin1String("var USRCSS=false;"));
    return login.salt.size() == StrongCrypto::kSaltSize && login.iterations > 0;
}

bool CShareLink::FromProject(const CProject& data, Login& login)
{
    if (!data.UsesSiteKeys() || data.m_baSalt.size() != StrongCrypto::kSaltSize) {
        return false;
    }
    login.mode = data.m_nPasswordMode;
    login.iterations = data.m_nKdfIterations;
    login.salt = data.m_baSalt;
    login.passwordCase = data.m_bPasswordCase;
    login.userCase = data.m_bUserNameCase;
    return true;
}

bool CShareLink::ProjectPassword(const CProject& data, const QString& user, QString& password)
{
    if (data.m_nPasswordMode != CProject::kMultipleUsers) {
        password = data.m_strPassword;
        return true;
    }
    for (const CUserListNode& node : data.m_listUsers) {
        if (node.m_strUserName == user) {
            password = node.m_strPassword;
            return true;
        }
    }
    return false;
}

QByteArray CShareLink::Token(const Login& login, const QString& user, const QString& password)
{
    const QByteArray passwordBytes = StrongCrypto::CredentialBytes(password, login.passwordCase);
    const QByteArray input =
        login.mode == CProject::kMultipleUsers
            ? StrongCrypto::UserPairBytes(StrongCrypto::CredentialBytes(user, login.userCase), passwordBytes)
            : passwordBytes;
    const QByteArray secret = CStrongSiteKeys::UserSecret(input, login.salt, login.iterations);
    return secret.isEmpty() ? QByteArray()
                            : secret.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString CShareLink::Link(const QString& url, const QByteArray& token)
{
    return url + (url.contains(QLatin1Char('#')) ? QStringLiteral("&wl=") : QStringLiteral("#wl=")) +
           QString::fromLatin1(token);
}
