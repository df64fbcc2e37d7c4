#include "engine/SiteAssetPass.h"

#include "common/AppFolders.h"
#include "engine/AssetFormat.h"
#include "engine/AssetProtector.h"
#include "engine/AssetReader.h"
#include "engine/JsString.h"
#include "engine/PageUnlocker.h"
#include "engine/ResultList.h"
#include "files/SiteFiles.h"
#include "files/WebFileFilter.h"
#include "model/Project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CSiteAssetPass::SiteRootOf(const CProject& data)
{
    return CSiteFiles::RootOf(data.m_strSiteRoot, data.m_listFiles);
}

CSiteFiles CSiteAssetPass::SiteFilesOf(const CProject& data, const QString& root, const QString& projectPath)
{
    CSiteFiles site(root);
    site.SetPages(data.m_listFiles);
    site.SetExcludePatterns(CSiteFiles::SplitPatterns(data.m_strAssetExclude));
    if (!projectPath.isEmpty()) {
        site.AddKeptFile(projectPath);
    }
    // What the login page loads before anyone has logged in stays public:
    // the template's own files, wherever a page puts them.
    QFile templateFile(data.m_strTemplatePath);
    if (templateFile.open(QIODevice::ReadOnly)) {
        const QStringList refs = CSiteFiles::TemplateReferences(templateFile.readAll());
        for (const QString& page : data.m_listFiles) {
            const QDir folder = QFileInfo(page).absoluteDir();
            for (const QString& ref : refs) {
                site.AddKeptFile(ref.startsWith(QLatin1Char('/')) ? root + ref.mid(1) : folder.filePath(ref));
            }
        }
    }
    return site;
}

CSiteAssetPass::Outcome CSiteAssetPass::Run(const CProject& data, const QByteArray& contentKey,
                                            const QString& backupFolder, const QString& projectPath,
                                            IResultList& results)
{
    Outcome outcome;
    const QString root = SiteRootOf(data);
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        outcome.error = QStringLiteral("The site root %1 is not a folder").arg(root);
        return outcome;
    }
    QFile worker(AppFolders::SiteWorkerFile());
    if (!worker.open(QIODevice::ReadOnly)) {
        outcome.error = QStringLiteral("The service worker %1 cannot be read").arg(worker.fileName());
        return outcome;
    }
    const QByteArray workerScript = worker.readAll();

    const CSiteFiles site = SiteFilesOf(data, root, projectPath);
    const QString backups = backupFolder.isEmpty()
                                ? QString()
                                : QDir::cleanPath(QDir(backupFolder).absolutePath()) + QLatin1Char('/');

    CAssetProtector protector(contentKey, root);
    protector.SetBackup(data.m_bBackup, backupFolder);
    for (const QString& path : site.Assets()) {
        if (!backups.isEmpty() && path.startsWith(backups)) {
            continue;
        }
        QString text;
        const ProtectOutcome result = protector.Protect(path, text);
        if (result == ProtectOutcome::Protected) {
            ++outcome.enciphered;
        } else if (result == ProtectOutcome::ProtectedBefore) {
            ++outcome.before;
        } else {
            ++outcome.failed;
        }
        results.AddResult(path, result, text);
    }
    QString error;
    if (!protector.WriteWorker(workerScript, data.m_baSalt, error)) {
        outcome.error = error;
    }
    return outcome;
}

int CSiteAssetPass::Restore(const CProject& data, const QString& backupFolder, IResultList& results,
                            int& failed)
{
    const QString root = SiteRootOf(data);
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        return 0;
    }
    CSiteFiles site(root);
    site.SetPages(data.m_listFiles);
    CAssetProtector protector(QByteArray(), root);
    protector.SetBackup(true, backupFolder);
    int restored = 0;
    // Every enciphered file below the root, whatever the exclusions say
    // now: they may have changed since the run.
    for (const QString& path : site.Assets()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) ||
            !AssetFormat::LooksLikeAsset(file.read(AssetFormat::kMagicSize))) {
            continue;
        }
        file.close();
        QString text;
        if (protector.Restore(path, text)) {
            ++restored;
        } else {
            ++failed;
            results.AddResultRow(path, text);
        }
    }
    return restored;
}

bool CSiteAssetPass::UnlockFile(const QString& path, const QString& userName, const QString& password,
                                QIODevice* out, QString& error, bool* wrongCredentials)
{
    if (wrongCredentials) {
        *wrongCredentials = false;
    }
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QDir root = QFileInfo(absolute).absoluteDir();
    while (!root.exists(QStringLiteral("wendlock-sw.js"))) {
        if (!root.cdUp()) {
            error = QStringLiteral(
                        "%1 lies below no site whose files were enciphered (no wendlock-sw.js above it)")
                        .arg(path);
            return false;
        }
    }
    QByteArray contentKey;
    CPageUnlocker::Status last = CPageUnlocker::Status::NotProtected;
    QFile discard(QStringLiteral("/dev/null"));
    if (!discard.open(QIODevice::WriteOnly)) {
        error = discard.errorString();
        return false;
    }
    CWebFileFilter::ScanFolder(root.absolutePath(), true, [&](const QString& page) {
        const CPageUnlocker::Status status =
            CPageUnlocker::Unlock(page, userName, password, &discard, &contentKey);
        if (status == CPageUnlocker::Status::WrongCredentials ||
            status == CPageUnlocker::Status::NeedUserName || last == CPageUnlocker::Status::NotProtected) {
            last = status;
        }
        // Stops at the first page that opened with its content key.
        return contentKey.isEmpty();
    });
    if (contentKey.isEmpty()) {
        if (wrongCredentials) {
            *wrongCredentials = last == CPageUnlocker::Status::WrongCredentials;
        }
        error = last == CPageUnlocker::Status::WrongCredentials
                    ? QStringLiteral("Wrong password or user name.")
                : last == CPageUnlocker::Status::NeedUserName
                    ? QStringLiteral("The site has several users: give the user name with --user.")
                    : QStringLiteral("No strong page of the site below %1 opens.").arg(root.absolutePath());
        return false;
    }
    QFile in(absolute);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    CAssetReader reader(contentKey, root.relativeFilePath(absolute));
    return reader.Open(in, error) &&
           reader.ReadAll([out](const char* data, qsizetype size) { return out->write(data, size) == size; },
                          error);
}

QStringList CSiteAssetPass::ClearTextCarriers(const CProject& data)
{
    const QString root = SiteRootOf(data);
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        return {};
    }
    return CSiteFiles(root).ClearTextCarriers();
}

QString CSiteAssetPass::ClearTextWarning(const QStringList& carriers)
{
    if (carriers.isEmpty()) {
        return QString();
    }
    const qsizetype shown = qMin<qsizetype>(carriers.size(), 8);
    QString list = carriers.mid(0, shown).join(QStringLiteral(", "));
    if (carriers.size() > shown) {
        list += QStringLiteral(" and %1 more").arg(carriers.size() - shown);
    }
    return QStringLiteral("These files below the site root hold page text that anyone can read: %1. "
                          "Turn on \"Also encipher the site's other files\" (--set protectAssets=1), "
                          "or leave them out of what you publish.")
        .arg(list);
}
