#include "cli/LinkCommand.h"

#include "cli/PasswordSource.h"
#include "engine/PageUnlocker.h"
#include "engine/ShareLink.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

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

    CShareLink::Login login;
    const bool project = source.endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive);
    if (project) {
        CProject data;
        QString error;
        if (!CWendlockDoc::ReadProjectFile(source, data, nullptr, &error)) {
            m_context.Error(error);
            return CCliContext::ExitUsage;
        }
        if (!CShareLink::FromProject(data, login)) {
            m_context.Error(
                QStringLiteral("%1 has no strong-format salt yet: protect its pages first").arg(source));
            return CCliContext::ExitUsage;
        }
        // The project names its own credentials.
        if (!havePassword) {
            havePassword = CShareLink::ProjectPassword(data, user, password);
        }
    } else if (!CShareLink::FromPage(source, login)) {
        m_context.Error(QStringLiteral("%1 is not a page protected in the strong format").arg(source));
        return CCliContext::ExitUsage;
    }
    if (login.mode == CProject::kMultipleUsers && user.isEmpty()) {
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
            source, login.mode == CProject::kMultipleUsers ? user : QString(), password, &discard);
        if (status != CPageUnlocker::Status::Ok) {
            m_context.Error(CPageUnlocker::StatusText(status, source));
            return status == CPageUnlocker::Status::WrongCredentials ? CCliContext::ExitFailure
                                                                     : CCliContext::ExitUsage;
        }
    }
    const QByteArray token = CShareLink::Token(login, user, password);
    if (token.isEmpty()) {
        m_context.Error(QStringLiteral("the key derivation failed"));
        return CCliContext::ExitFailure;
    }
    m_context.Out() << CShareLink::Link(url, token) << "\n";
    return CCliContext::ExitOk;
}
