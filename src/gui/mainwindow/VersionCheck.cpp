#include "gui/mainwindow/VersionCheck.h"

#include "gui/frame/ShellOperations.h"
#include "gui/widgets/MessageBox.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QTemporaryFile>
#include <QUrl>

namespace {

// How long a download may stall before it counts as failed.
constexpr int kTransferTimeoutMs = 30000;

// The INI reader splits values at commas into lists; an address may
// contain commas, so the pieces are put together again.
QString IniValue(const QSettings& ini, const QString& key, const QString& fallback)
{
    const QVariant value = ini.value(key);
    if (!value.isValid()) {
        return fallback;
    }
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

} // namespace

bool CVersionCheck::IsNewer(const QString& newest, const QString& current)
{
    return QString::compare(newest, current, Qt::CaseSensitive) > 0;
}

bool CVersionCheck::CheckNewVersion(QWidget* parent, const QUrl& versionFile, const QString& currentVersion,
                                    const QString& defaultDownloadPage)
{
    QByteArray body;
    bool downloaded = false;
    {
        QNetworkAccessManager network;
        QNetworkRequest request(versionFile);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setTransferTimeout(kTransferTimeoutMs);
        QNetworkReply* reply = network.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished()) {
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        downloaded = reply->error() == QNetworkReply::NoError;
        body = reply->readAll();
        delete reply;
    }
    if (!downloaded) {
        CMessageBox::Warning(parent, tr("Check new version failure! Please check your network connect."));
        return false;
    }

    // A private file of our own rather than a fixed name in the shared
    // temporary folder; it is removed when the check ends.
    QTemporaryFile local;
    QString newest = QStringLiteral("1.0");
    QString address = defaultDownloadPage;
    if (local.open()) {
        local.write(body);
        local.close();
        const QSettings ini(local.fileName(), QSettings::IniFormat);
        newest = IniValue(ini, QStringLiteral("Version/Version"), newest).left(99);
        address = IniValue(ini, QStringLiteral("URL/URL"), address).left(259);
    }

    if (!IsNewer(newest, currentVersion)) {
        CMessageBox::Warning(parent, tr("No new version is released."));
        return true;
    }
    const QString question = tr("Current version is %1, newest version is %2. Do you want to download "
                                "the newest version?")
                                 .arg(currentVersion, newest);
    if (CMessageBox::Question(parent, question) == QMessageBox::Yes) {
        CShellOperations::OpenUrl(QUrl(address));
    }
    return true;
}
