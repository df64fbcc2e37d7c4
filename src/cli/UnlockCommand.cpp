#include "cli/UnlockCommand.h"

#include "cli/PasswordSource.h"
#include "engine/AssetFormat.h"
#include "engine/PageUnlocker.h"
#include "engine/SiteAssetPass.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

QString CUnlockCommand::Name() const
{
    return QStringLiteral("unlock");
}

QList<QCommandLineOption> CUnlockCommand::Options() const
{
    return {QCommandLineOption(QStringLiteral("password"), QString(), QStringLiteral("PW")),
            QCommandLineOption(QStringLiteral("password-file"), QString(), QStringLiteral("FILE")),
            QCommandLineOption(QStringLiteral("user"), QString(), QStringLiteral("NAME")),
            QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                               QStringLiteral("OUT"))};
}

int CUnlockCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList pages = parser.positionalArguments();
    if (pages.size() > 1) {
        return m_context.Usage(QStringLiteral("unlock takes one page"));
    }
    if (pages.isEmpty()) {
        return m_context.Usage(QStringLiteral("unlock needs a page"));
    }
    // The same sources as protect: a file or standard input keep the
    // password out of `ps` and the shell's history.
    const QStringList passwordValues = parser.values(QStringLiteral("password"));
    const QStringList passwordFiles = parser.values(QStringLiteral("password-file"));
    if (passwordValues.size() + passwordFiles.size() > 1) {
        return m_context.Usage(QStringLiteral("give one password: --password or --password-file"));
    }
    QString password;
    if (passwordValues.size() + passwordFiles.size() == 1) {
        if (!PasswordSource::Read(m_context, passwordFiles.value(0), passwordValues.value(0), &password)) {
            return CCliContext::ExitUsage;
        }
    } else if (!qEnvironmentVariableIsEmpty("WENDLOCK_PASSWORD")) {
        password = qEnvironmentVariable("WENDLOCK_PASSWORD");
    } else {
        return m_context.Usage(QStringLiteral("unlock needs a password: --password-file FILE, --password -, "
                                              "WENDLOCK_PASSWORD or --password PW"));
    }
    const QString& page = pages[0];
    const QString user =
        parser.isSet(QStringLiteral("user")) ? parser.values(QStringLiteral("user")).constLast() : QString();
    const QString output = parser.isSet(QStringLiteral("output"))
                               ? parser.values(QStringLiteral("output")).constLast()
                               : QString();
    if (!QFileInfo::exists(page)) {
        m_context.Error(page + QStringLiteral(" was not found."));
        return CCliContext::ExitUsage;
    }

    QSaveFile file(output);
    QFile standardOutput;
    QIODevice* device = nullptr;
    if (output.isEmpty()) {
        m_context.Out().flush();
        if (!standardOutput.open(stdout, QIODevice::WriteOnly)) {
            return CCliContext::ExitFailure;
        }
        device = &standardOutput;
    } else {
        if (!file.open(QIODevice::WriteOnly)) {
            m_context.Error(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
            return CCliContext::ExitFailure;
        }
        device = &file;
    }
    // A site's enciphered file (image, script, data) opens with the key of
    // the site's pages.
    // Only a regular file is looked at: opening a pipe would wait forever.
    QFile head(page);
    if (QFileInfo(page).isFile() && head.open(QIODevice::ReadOnly) &&
        AssetFormat::LooksLikeAsset(head.read(AssetFormat::kMagicSize))) {
        QString error;
        bool wrong = false;
        if (!CSiteAssetPass::UnlockFile(page, user, password, device, error, &wrong)) {
            if (!output.isEmpty()) {
                file.cancelWriting();
            }
            m_context.Error(error);
            return wrong ? CCliContext::ExitFailure : CCliContext::ExitUsage;
        }
        if (!output.isEmpty() && !file.commit()) {
            m_context.Error(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
            return CCliContext::ExitFailure;
        }
        return CCliContext::ExitOk;
    }
    head.close();
    const CPageUnlocker::Status status = CPageUnlocker::Unlock(page, user, password, device);
    if (status != CPageUnlocker::Status::Ok) {
        if (!output.isEmpty()) {
            file.cancelWriting();
        }
        m_context.Error(CPageUnlocker::StatusText(status, page));
        const bool badInput =
            status != CPageUnlocker::Status::WrongCredentials && status != CPageUnlocker::Status::WriteError;
        return badInput ? CCliContext::ExitUsage : CCliContext::ExitFailure;
    }
    if (!output.isEmpty() && !file.commit()) {
        m_context.Error(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return CCliContext::ExitFailure;
    }
    // A full disk or a closed pipe behind standard output is a failure too.
    if (output.isEmpty() && (!standardOutput.flush() || standardOutput.error() != QFileDevice::NoError)) {
        m_context.Error(QStringLiteral("cannot write the unlocked text: ") + standardOutput.errorString());
        return CCliContext::ExitFailure;
    }
    return CCliContext::ExitOk;
}
