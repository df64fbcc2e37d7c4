#include "cli/LinkCommand.h"

#include "cli/PasswordSource.h"
#include "engine/PageUnlocker.h"
#include "engine/StrongCrypto.h"
#include "engine/StrongSiteKeys.h"
#include "model/AppGlobalData.h"
#include "model/WendlockDoc.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// What a login needs to derive its secret.
struct LoginParameters
{
    int mode = CAppGlobalData::kSinglePassword;
    int iterations = 0;
    QByteArray salt;
    bool passwordCase = true;
    bool userCase = true;
};

// From a strong page's settings: var vxsv=[1,MODE,ITERATIONS,"SALT",...]
// and the case flags of its login variables.
bool ReadPage(const QString& path, LoginParameters& login)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = file.readAll();
    static const QRegularExpression header(
        QStringLiteral("var vxsv=\\[1,([01]),([0-9]+),\"([A-Za-z0-9+/=]+)\""));
    const QString latin = QString::fromLatin1(text);
    const QRegularExpressionMatch match = header.match(latin);
    if (!match.hasMatch()) {
        return false;
    }
    login.mode = match.captured(1).toInt();
    login.iterations = match.captured(2).toInt();
    login.salt = QByteArray::fromBase64(match.captured(3).toLatin1());
    login.passwordCase = !latin.contains(QLatin1String("var PWDCSS=false;"));
    login.userCase = !latin.contains(QLatin1String("var USRCSS=false;"));
    return login.salt.size() == StrongCrypto::kSaltSize && login.iterations > 0;
}

} // namespace

QString CLinkCommand::Name() const
{
    return QStringLiteral("link");
}

QList<QCommandLineOption> CLinkCommand::Options() const
{
    return {QCommandLineOption(QStringLiteral("password"), QString(), QStringLiteral("PW")),
            QCommandLineOption(QStringLiteral("password-file"), QString(), QStringLiteral("FILE")),
            QCommandLineOption(QStringLiteral("user"), QString(), QStringLiteral("NAME"))};
}

QString CLinkCommand::UsageText() const
{
    return QStringLiteral(
        "Usage: wendlock-cli link (PROJECT.vxp | PAGE) [--user NAME] [--password-file FILE | --password - | "
        "--password PW] URL\n"
        "       prints URL#wl=TOKEN: opening it logs in as the password does. Anyone holding the link\n"
        "       gets in; a new salt (\"Sign everyone out\") makes every link stale.\n");
}

int CLinkCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        return m_context.Usage(QStringLiteral("link takes a project or a protected page, and the URL"));
    }
    const QString& source = args[0];
    const QString& url = args[1];
    const QString user =
        parser.isSet(QStringLiteral("user")) ? parser.values(QStringLiteral("user")).constLast() : QString();
    const QStringList passwordValues = parser.values(QStringLiteral("password"));
    const QStringList passwordFiles = parser.values(QStringLiteral("password-file"));
    if (passwordValues.size() + passwordFiles.size() > 1) {
        return m_context.Usage(QStringLiteral("give one password: --password or --password-file"));
    }
    QString password;
    bool havePassword = false;
    if (passwordValues.size() + passwordFiles.size() == 1) {
        if (!PasswordSource::Read(m_context, passwordFiles.value(0), passwordValues.value(0), &password)) {
            return CCliContext::ExitUsage;
        }
        havePassword = true;
    } else if (!qEnvironmentVariableIsEmpty("WENDLOCK_PASSWORD")) {
        password = qEnvironmentVariable("WENDLOCK_PASSWORD");
        havePassword = true;
    }

    LoginParameters login;
    const bool project = source.endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive);
    if (project) {
        CAppGlobalData data;
        QString error;
        if (!CWendlockDoc::ReadProjectFile(source, data, nullptr, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        if (data.m_nCipher != CAppGlobalData::kCipherStrong ||
            data.m_baSalt.size() != StrongCrypto::kSaltSize) {
            m_context.Error(
                QStringLiteral("%1 has no strong-format salt yet: protect its pages first").arg(source));
            return CCliContext::ExitUsage;
        }
        login.mode = data.m_nPasswordMode;
        login.iterations = data.m_nKdfIterations;
        login.salt = data.m_baSalt;
        login.passwordCase = data.m_bPasswordCase != 0;
        login.userCase = data.m_bUserNameCase != 0;
        // The project names its own credentials.
        if (!havePassword && login.mode == CAppGlobalData::kSinglePassword) {
            password = data.m_strPassword;
            havePassword = true;
        } else if (!havePassword) {
            for (const CUserListNode& node : data.m_listUsers) {
                if (node.m_strUserName == user) {
                    password = node.m_strPassword;
                    havePassword = true;
                }
            }
        }
    } else if (!ReadPage(source, login)) {
        m_context.Error(QStringLiteral("%1 is not a page protected in the strong format").arg(source));
        return CCliContext::ExitUsage;
    }
    if (login.mode == CAppGlobalData::kMultipleUsers && user.isEmpty()) {
        return m_context.Usage(QStringLiteral("the site has several users: name one with --user"));
    }
    if (!havePassword) {
        return m_context.Usage(QStringLiteral("link needs a password: --password-file FILE, --password -, "
                                              "WENDLOCK_PASSWORD or --password PW"));
    }
    // A link that would not open the page is refused.
    if (!project) {
        QFile discard(QStringLiteral("/dev/null"));
        if (!discard.open(QIODevice::WriteOnly)) {
            return CCliContext::ExitFailure;
        }
        const CPageUnlocker::Status status = CPageUnlocker::Unlock(
            source, login.mode == CAppGlobalData::kMultipleUsers ? user : QString(), password, &discard);
        if (status != CPageUnlocker::Status::Ok) {
            m_context.Error(CPageUnlocker::StatusText(status, source));
            return status == CPageUnlocker::Status::WrongCredentials ? CCliContext::ExitFailure
                                                                     : CCliContext::ExitUsage;
        }
    }
    const QByteArray passwordBytes = StrongCrypto::CredentialBytes(password, login.passwordCase);
    const QByteArray input =
        login.mode == CAppGlobalData::kMultipleUsers
            ? StrongCrypto::UserPairBytes(StrongCrypto::CredentialBytes(user, login.userCase), passwordBytes)
            : passwordBytes;
    const QByteArray secret = CStrongSiteKeys::UserSecret(input, login.salt, login.iterations);
    if (secret.isEmpty()) {
        m_context.Error(QStringLiteral("the key derivation failed"));
        return CCliContext::ExitFailure;
    }
    const QByteArray token = secret.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    QString link = url;
    link += url.contains(QLatin1Char('#')) ? QStringLiteral("&wl=") : QStringLiteral("#wl=");
    m_context.Out() << link << QString::fromLatin1(token) << "\n";
    return CCliContext::ExitOk;
}
