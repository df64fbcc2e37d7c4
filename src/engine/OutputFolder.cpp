#include "engine/OutputFolder.h"

#include "common/AppFolders.h"
#include "common/AppInfo.h"
#include "common/AtomicFile.h"
#include "common/SystemError.h"
#include "engine/AssetFormat.h"
#include "engine/AssetWriter.h"
#include "engine/BackupRestore.h"
#include "engine/PageFormat.h"
#include "engine/PageFormats.h"
#include "engine/PageSnapshot.h"
#include "engine/ResultList.h"
#include "engine/RunFiles.h"
#include "engine/SiteAssetPass.h"
#include "files/SiteFiles.h"
#include "model/Project.h"
#include "model/ProjectJson.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <cerrno>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

qint64 MtimeNs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000LL + qint64(st.st_mtim.tv_nsec);
}

bool SameSource(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && MtimeNs(a) == MtimeNs(b);
}

// The absolute, link-free form of a path whose last parts may not exist
// yet: the deepest existing folder is resolved and the rest appended.
QString ResolvedPath(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/")) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        rest = existing.mid(slash) + rest;
        existing = slash > 0 ? existing.left(slash) : QStringLiteral("/");
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}

// A file's path with its folder resolved (the file itself may be a link):
// the form the walk below the resolved root meets it in.
QString FolderResolved(const QString& path)
{
    return ResolvedPath(QFileInfo(path).absolutePath()) + QLatin1Char('/') + QFileInfo(path).fileName();
}

bool IsInside(const QString& inner, const QString& outer)
{
    return inner == outer || outer == QLatin1String("/") || inner.startsWith(outer + QLatin1Char('/'));
}

bool IsVersionControlFolder(const QString& name)
{
    return name == QLatin1String(".git") || name == QLatin1String(".svn") || name == QLatin1String(".hg") ||
           name == QLatin1String(".bzr");
}

QByteArray Sha256Of(const QString& path, bool* ok)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    *ok = file.open(QIODevice::ReadOnly) && hash.addData(&file);
    return hash.result();
}

// The text of a link; null when `path` is none.
QString ReadLink(const QString& path)
{
    QByteArray text(4096, '\0');
    const ssize_t n = ::readlink(Native(path).constData(), text.data(), size_t(text.size()));
    if (n < 0) {
        return QString();
    }
    text.truncate(qsizetype(n));
    return QFile::decodeName(text);
}

// The outcome with its fixed text and the system's reason.
ProtectOutcome Failed(ProtectOutcome outcome, int error, QString& text)
{
    text = ProtectResultText(outcome) + QLatin1Char(' ') + GetSystemErrorText(error).trimmed();
    return outcome;
}

// Puts a copy written from `source` in place, unless the source changed
// since it was listed (`listed`) or while it was read.
ProtectOutcome PutInPlace(const CPageSnapshot& source, const struct stat& listed, CAtomicFile& out,
                          ProtectOutcome done, QString& text)
{
    if (source.Changed() || !SameSource(source.Status(), listed)) {
        out.Discard();
        text = ProtectResultText(ProtectOutcome::ChangedWhileProtected);
        return ProtectOutcome::ChangedWhileProtected;
    }
    if (!out.Commit(true)) {
        return Failed(ProtectOutcome::CreateFailure, out.Error(), text);
    }
    text = ProtectResultText(done);
    return done;
}

} // namespace

COutputFolder::COutputFolder(const CProject& data, const QString& folder, const QString& projectPath)
    : m_data(data), m_strFolder(ResolvedPath(folder)),
      m_strProjectPath(projectPath.isEmpty() ? QString() : ResolvedPath(projectPath))
{
}

QString COutputFolder::NestingProblem(const QString& siteRoot, const QString& folder)
{
    const QString root = ResolvedPath(siteRoot);
    const QString out = ResolvedPath(folder);
    if (root == out) {
        return QStringLiteral("The output folder %1 is the site root itself: choose another folder.")
            .arg(out);
    }
    if (IsInside(out, root)) {
        return QStringLiteral("The output folder %1 lies inside the site root %2: the next run would take "
                              "the protected copy for part of the site. Choose a folder outside it.")
            .arg(out, root);
    }
    if (IsInside(root, out)) {
        return QStringLiteral("The site root %1 lies inside the output folder %2: the run would write over "
                              "its own sources. Choose a folder outside the site.")
            .arg(root, out);
    }
    return {};
}

bool COutputFolder::Check(QString& error)
{
    const QString given = CSiteAssetPass::SiteRootOf(m_data);
    if (given.isEmpty() || !QFileInfo(given).isDir()) {
        error = QStringLiteral("The site root %1 is not a folder").arg(given);
        return false;
    }
    m_strRoot = ResolvedPath(given);
    error = NestingProblem(m_strRoot, m_strFolder);
    if (!error.isEmpty()) {
        return false;
    }
    for (const QString& page : m_data.m_listFiles) {
        if (!IsInside(ResolvedPath(QFileInfo(page).absolutePath()), m_strRoot)) {
            error = QStringLiteral("The page %1 lies outside the site root %2: it has no place in the output "
                                   "folder.")
                        .arg(page, m_strRoot);
            return false;
        }
    }
    const QFileInfo out(m_strFolder);
    if (out.exists() && !out.isDir()) {
        error = QStringLiteral("The output folder %1 is a file").arg(m_strFolder);
        return false;
    }
    if (!QDir().mkpath(m_strFolder)) {
        error = QStringLiteral("Cannot make the output folder %1: %2")
                    .arg(m_strFolder, GetSystemErrorText(errno).trimmed());
        return false;
    }
    if (!m_old.Load(m_strFolder, &error)) {
        return false;
    }
    m_bChecked = true;
    return true;
}

QString COutputFolder::TargetOf(const QString& source) const
{
    const QString folder = ResolvedPath(QFileInfo(source).absolutePath());
    const QString relative =
        folder == m_strRoot ? QString() : folder.mid(m_strRoot.size() + 1) + QLatin1Char('/');
    return m_strFolder + QLatin1Char('/') + relative + QFileInfo(source).fileName();
}

QString COutputFolder::KindName(Kind kind)
{
    switch (kind) {
    case Kind::Page:
        return QStringLiteral("page");
    case Kind::Asset:
        return QStringLiteral("asset");
    case Kind::Link:
        return QStringLiteral("link");
    case Kind::Copy:
        break;
    }
    return QStringLiteral("copy");
}

QByteArray COutputFolder::SettingsDigest() const
{
    // Everything that shapes an output but the file itself: the settings
    // (the file list and where things go left out), the program, the
    // template and the login scripts, the worker.
    QJsonObject settings =
        QJsonDocument::fromJson(CProjectJson::ToJson(m_data, AppInfo::ProgramVersion())).object();
    // The content key the pages use keys the digest itself (a project of one
    // password carries an unused one).
    for (const char* key : {"files", "outputFolder", "backup", "preview", "contentKey"}) {
        settings.remove(QLatin1String(key));
    }
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, m_manifestKey);
    mac.addData(QJsonDocument(settings).toJson(QJsonDocument::Compact));
    mac.addData(AppInfo::ProgramVersion().toUtf8());
    mac.addData(m_data.m_baSalt);
    for (const QString& path : {m_data.m_strTemplatePath, CPageFormats::Make(m_data)->LoginScript(),
                                AppFolders::SiteWorkerFile()}) {
        QFile file(path);
        mac.addData(QFile::encodeName(path));
        if (file.open(QIODevice::ReadOnly)) {
            mac.addData(&file);
        }
    }
    return mac.result();
}

QByteArray COutputFolder::DigestOfFile(const QString& path, bool* ok) const
{
    QFile file(path);
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, m_manifestKey);
    *ok = file.open(QIODevice::ReadOnly) && mac.addData(&file);
    return mac.result();
}

bool COutputFolder::OutputIntact(const QString& target, const COutputManifest::Entry& entry) const
{
    struct stat st
    {
    };
    return ::lstat(Native(target).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           qint64(st.st_size) == entry.outputSize && MtimeNs(st) == entry.outputMtimeNs;
}

bool COutputFolder::Survey(QString& error)
{
    if (!m_bChecked) {
        error = QStringLiteral("The output folder was not checked");
        return false;
    }
    const bool assets = m_data.m_bProtectAssets && m_data.UsesSiteKeys();
    QSet<QString> assetSet;
    if (assets) {
        const QStringList list =
            CSiteAssetPass::SiteFilesOf(m_data, m_strRoot + QLatin1Char('/'), m_strProjectPath).Assets();
        assetSet = QSet<QString>(list.cbegin(), list.cend());
    }
    QSet<QString> pages;
    for (const QString& page : m_data.m_listFiles) {
        pages.insert(FolderResolved(page));
    }

    // The tree below the root, links not followed, as the asset pass walks
    // it; backups, temporaries, version control and the project stay out.
    m_items.clear();
    QStringList folders{m_strRoot};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeLast();
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            const QString path = QDir::cleanPath(entry.absoluteFilePath());
            const QString name = entry.fileName();
            const bool page = pages.contains(path);
            if (!page && entry.isDir() && !entry.isSymLink()) {
                if (!IsVersionControlFolder(name)) {
                    folders.append(path);
                }
                continue;
            }
            if (CBackupRestore::IsBackupName(path) || CAtomicFile::IsTemporaryName(name) ||
                name == QLatin1String(COutputManifest::kFileName) || path == m_strProjectPath ||
                (assets && path == m_strRoot + QLatin1String("/") + QLatin1String(CSiteFiles::kWorkerName))) {
                continue;
            }
            Item item;
            item.source = path;
            item.relative = path.mid(m_strRoot.size() + 1);
            if (page) {
                item.kind = Kind::Page;
                if (::stat(Native(path).constData(), &item.st) != 0) {
                    continue;
                }
            } else if (entry.isSymLink()) {
                item.kind = Kind::Link;
                // A link to a place below the root is kept relative, so the
                // copy's link leads into the copy, never back to the source.
                const QString raw = ReadLink(path);
                if (raw.isNull()) {
                    continue;
                }
                const QString resolved =
                    QDir::cleanPath(raw.startsWith(QLatin1Char('/')) ? raw : folder + QLatin1Char('/') + raw);
                item.linkText = IsInside(resolved, m_strRoot) && resolved != m_strRoot
                                    ? QDir(folder).relativeFilePath(resolved)
                                    : raw;
            } else if (entry.isFile()) {
                item.kind = assetSet.contains(path) ? Kind::Asset : Kind::Copy;
                if (::stat(Native(path).constData(), &item.st) != 0) {
                    continue;
                }
            } else {
                continue; // pipes, sockets, devices: nothing to publish
            }
            m_items.append(item);
        }
    }

    // What the old record says of each file, as far as it goes without the
    // keys: the settings and the digests are compared in Plan.
    for (Item& item : m_items) {
        const COutputManifest::Entry* old = m_old.Find(item.relative);
        const QString target = m_strFolder + QLatin1Char('/') + item.relative;
        if (item.kind == Kind::Link) {
            item.intact = ReadLink(target) == item.linkText;
            continue;
        }
        item.intact = old && old->kind == KindName(item.kind) && OutputIntact(target, *old);
        item.sameStat = item.intact && old->sourceSize == qint64(item.st.st_size) &&
                        old->sourceMtimeNs == MtimeNs(item.st);
    }
    m_bSurveyed = true;
    return true;
}

bool COutputFolder::Plan(const QByteArray& contentKey, bool force, QString& error)
{
    if (!m_bSurveyed && !Survey(error)) {
        return false;
    }
    m_contentKey = contentKey;
    // The digests are keyed by the content key, which anyone who may read
    // the site holds anyway. Classic runs have none: a key of their own
    // makes every digest new, so they write everything every time.
    if (contentKey.isEmpty()) {
        m_manifestKey.resize(32);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(m_manifestKey.data()), 8);
    } else {
        m_manifestKey = QMessageAuthenticationCode::hash("wendlock v1 output manifest", contentKey,
                                                         QCryptographicHash::Sha256);
    }
    const QByteArray settings = SettingsDigest();
    const bool sameSettings = !force && settings == m_old.SettingsDigest();
    m_new = COutputManifest();
    m_new.SetSettingsDigest(settings);
    m_new.SetSalt(m_data.m_baSalt);

    m_pagesToWrite.clear();
    m_unchangedPages.clear();
    m_pageIndex.clear();
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        const COutputManifest::Entry* old = m_old.Find(item.relative);
        if (item.kind == Kind::Link) {
            item.write = !(sameSettings && item.intact);
            continue;
        }
        const bool intact = sameSettings && item.intact;
        if (intact && item.sameStat) {
            item.write = false;
            item.sourceDigest = old->sourceDigest;
        } else {
            bool ok = false;
            item.sourceDigest = DigestOfFile(item.source, &ok);
            // Rewritten with the same bytes (a generator builds everything
            // again): the output stays as it is.
            item.write = !(ok && intact && item.sourceDigest == old->sourceDigest);
        }
        if (!item.write && old) {
            COutputManifest::Entry kept = *old;
            kept.sourceSize = qint64(item.st.st_size);
            kept.sourceMtimeNs = MtimeNs(item.st);
            m_new.Set(item.relative, kept);
        }
        if (item.kind == Kind::Page) {
            m_pageIndex.insert(item.source, i);
        }
    }
    for (const QString& listed : m_data.m_listFiles) {
        const auto it = m_pageIndex.constFind(FolderResolved(listed));
        if (it != m_pageIndex.cend() && !m_items.at(it.value()).write) {
            m_unchangedPages.append(listed);
            continue;
        }
        m_pagesToWrite.append(listed);
        if (!EnsureFolderOf(TargetOf(listed))) {
            error = QStringLiteral("Cannot make the folder of %1: %2")
                        .arg(TargetOf(listed), GetSystemErrorText(errno).trimmed());
            return false;
        }
    }
    return true;
}

bool COutputFolder::EnsureFolderOf(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (m_madeFolders.contains(folder)) {
        return true;
    }
    // A link or a file where a folder of the copy goes is not written
    // through: the copy would land outside the output folder.
    QFileInfo info(folder);
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        errno = ENOTDIR;
        return false;
    }
    if (!QDir().mkpath(folder)) {
        return false;
    }
    m_madeFolders.insert(folder);
    return true;
}

void COutputFolder::NotePage(const QString& path, ProtectOutcome outcome)
{
    const auto it = m_pageIndex.constFind(FolderResolved(path));
    if (it == m_pageIndex.cend() || outcome != ProtectOutcome::Protected) {
        return;
    }
    QString why;
    Record(m_items.at(it.value()), &why);
}

bool COutputFolder::Record(const Item& item, QString* why)
{
    const QString target = m_strFolder + QLatin1Char('/') + item.relative;
    struct stat now
    {
    };
    struct stat out
    {
    };
    // A source changed since it was planned is left out of the record: the
    // next run writes it again.
    if (::stat(Native(item.source).constData(), &now) != 0 || !SameSource(now, item.st) ||
        ::lstat(Native(target).constData(), &out) != 0) {
        *why = QStringLiteral("changed while being written");
        return false;
    }
    bool ok = false;
    COutputManifest::Entry entry;
    entry.kind = KindName(item.kind);
    entry.sourceSize = qint64(item.st.st_size);
    entry.sourceMtimeNs = MtimeNs(item.st);
    entry.sourceDigest = item.sourceDigest;
    entry.outputSha256 = Sha256Of(target, &ok);
    entry.outputSize = qint64(out.st_size);
    entry.outputMtimeNs = MtimeNs(out);
    if (!ok) {
        *why = QStringLiteral("cannot read the output");
        return false;
    }
    m_new.Set(item.relative, entry);
    m_touchedFolders.insert(QFileInfo(target).absolutePath());
    return true;
}

ProtectOutcome COutputFolder::CopyFile(const Item& item, QString& text)
{
    const QString target = m_strFolder + QLatin1Char('/') + item.relative;
    CPageSnapshot source;
    if (!source.Open(item.source, 0) || !source.IsRegular()) {
        return Failed(ProtectOutcome::OpenFailure, source.Error(), text);
    }
    CAtomicFile out(target);
    out.SetReplaceLinks(true);
    if (!out.OpenLike(source.Status()) ||
        !source.ReadAll([&out](const char* data, qint64 size) { return out.Write(data, size); })) {
        return Failed(ProtectOutcome::CreateFailure, out.Error() != 0 ? out.Error() : EIO, text);
    }
    out.KeepTimes(source.Status());
    return PutInPlace(source, item.st, out, ProtectOutcome::Copied, text);
}

ProtectOutcome COutputFolder::EncipherFile(const Item& item, QString& text)
{
    const QString target = m_strFolder + QLatin1Char('/') + item.relative;
    CPageSnapshot source;
    if (!source.Open(item.source, 0) || !source.IsRegular()) {
        return Failed(ProtectOutcome::OpenFailure, source.Error(), text);
    }
    CAtomicFile out(target);
    out.SetReplaceLinks(true);
    if (!out.Open(source.Status().st_mode & 07777)) {
        return Failed(ProtectOutcome::CreateFailure, out.Error(), text);
    }
    qint64 offset = 0;
    const auto read = [&source, &offset](char* data, qint64 size) {
        const qint64 got = source.ReadAt(offset, data, size);
        offset += qMax<qint64>(got, 0);
        return got;
    };
    QFile sealed;
    QString error;
    const bool ok = sealed.open(out.Descriptor(), QIODevice::ReadWrite, QFileDevice::DontCloseHandle) &&
                    CAssetWriter(m_contentKey)
                        .Write(read, sealed, item.relative, AssetFormat::ShouldDeflate(item.source), error);
    sealed.close();
    if (!ok) {
        out.Discard();
        text = error.isEmpty() ? ProtectResultText(ProtectOutcome::CreateFailure) : error;
        return ProtectOutcome::CreateFailure;
    }
    return PutInPlace(source, item.st, out, ProtectOutcome::Protected, text);
}

ProtectOutcome COutputFolder::MirrorLink(const Item& item, QString& text)
{
    const QString target = m_strFolder + QLatin1Char('/') + item.relative;
    // Made beside its place under a name of our own, then renamed over it:
    // the name never stands for nothing or half a link.
    const QString temporary =
        QFileInfo(target).absolutePath() +
        QStringLiteral("/.wendlock-link-%1-%2").arg(::getpid()).arg(QFileInfo(target).fileName());
    ::unlink(Native(temporary).constData());
    if (::symlink(Native(item.linkText).constData(), Native(temporary).constData()) != 0 ||
        ::rename(Native(temporary).constData(), Native(target).constData()) != 0) {
        const int error = errno;
        ::unlink(Native(temporary).constData());
        text = ProtectResultText(ProtectOutcome::CreateFailure) + QLatin1Char(' ') +
               GetSystemErrorText(error).trimmed();
        return ProtectOutcome::CreateFailure;
    }
    text = QStringLiteral("Link kept");
    return ProtectOutcome::Copied;
}

void COutputFolder::RemoveGone(Outcome& outcome)
{
    QSet<QString> present;
    for (const Item& item : std::as_const(m_items)) {
        present.insert(item.relative);
    }
    for (auto it = m_old.Entries().cbegin(); it != m_old.Entries().cend(); ++it) {
        if (present.contains(it.key())) {
            continue;
        }
        const QString target = m_strFolder + QLatin1Char('/') + it.key();
        const QFileInfo info(target);
        const COutputManifest::Entry& entry = it.value();
        bool remove = false;
        if (entry.kind == QLatin1String("link")) {
            remove = info.isSymLink();
        } else if (info.isFile() && !info.isSymLink() && info.size() == entry.outputSize) {
            bool ok = false;
            remove = Sha256Of(target, &ok) == entry.outputSha256 && ok;
        }
        if (!info.exists() && !info.isSymLink()) {
            continue;
        }
        if (!remove) {
            // Changed since it was written: someone's edit, kept.
            outcome.warnings.append(
                QStringLiteral(
                    "%1 was left in place: its source is gone, but it changed since it was written")
                    .arg(target));
            continue;
        }
        if (::unlink(Native(target).constData()) == 0 || errno == ENOENT) {
            ++outcome.removed;
            m_touchedFolders.insert(info.absolutePath());
        } else {
            outcome.warnings.append(
                QStringLiteral("cannot remove %1: %2").arg(target, GetSystemErrorText(errno).trimmed()));
            // Still ours: the next run tries again.
            m_new.Set(it.key(), entry);
        }
    }
}

COutputFolder::Outcome COutputFolder::Finish(IResultList& results, const std::function<bool()>& interrupted)
{
    Outcome outcome;
    QSet<QString> cleaned;
    bool stopped = false;
    for (const Item& item : std::as_const(m_items)) {
        if (item.kind == Kind::Page) {
            if (!item.write) {
                ++outcome.unchanged;
            } else if (m_new.Find(item.relative)) {
                ++outcome.pagesWritten;
            }
            continue;
        }
        if (!item.write) {
            ++outcome.unchanged;
            if (item.kind == Kind::Link) {
                COutputManifest::Entry entry;
                entry.kind = KindName(Kind::Link);
                entry.linkTarget = item.linkText;
                m_new.Set(item.relative, entry);
            }
            continue;
        }
        if (stopped || (interrupted && interrupted())) {
            stopped = true;
            continue;
        }
        const QString target = m_strFolder + QLatin1Char('/') + item.relative;
        QString text;
        ProtectOutcome result = ProtectOutcome::CreateFailure;
        if (!EnsureFolderOf(target)) {
            text = ProtectResultText(ProtectOutcome::CreateFailure) + QLatin1Char(' ') +
                   GetSystemErrorText(errno).trimmed();
        } else {
            const QString folder = QFileInfo(target).absolutePath();
            if (!cleaned.contains(folder)) {
                cleaned.insert(folder);
                CAtomicFile::RemoveStaleTemporaries(folder);
            }
            result = item.kind == Kind::Link    ? MirrorLink(item, text)
                     : item.kind == Kind::Asset ? EncipherFile(item, text)
                                                : CopyFile(item, text);
        }
        if (result == ProtectOutcome::Protected || result == ProtectOutcome::Copied) {
            if (item.kind == Kind::Link) {
                COutputManifest::Entry entry;
                entry.kind = KindName(Kind::Link);
                entry.linkTarget = item.linkText;
                m_new.Set(item.relative, entry);
                m_touchedFolders.insert(QFileInfo(target).absolutePath());
                ++outcome.links;
            } else {
                QString why;
                if (!Record(item, &why)) {
                    outcome.warnings.append(QStringLiteral("%1: %2").arg(item.source, why));
                }
                ++(item.kind == Kind::Asset ? outcome.enciphered : outcome.copied);
            }
        } else {
            ++outcome.failed;
            // The output is as it was: what the old record said still holds.
            if (const COutputManifest::Entry* old = m_old.Find(item.relative)) {
                m_new.Set(item.relative, *old);
            }
        }
        results.AddResult(item.source, result, text);
    }
    // A page that failed keeps its old record (its output is as it was).
    for (const Item& item : std::as_const(m_items)) {
        if (item.kind == Kind::Page && item.write && !m_new.Find(item.relative)) {
            if (const COutputManifest::Entry* old = m_old.Find(item.relative)) {
                m_new.Set(item.relative, *old);
            }
        }
    }
    if (!stopped) {
        RemoveGone(outcome);
    } else {
        // Not looked at: what was recorded stays recorded.
        for (auto it = m_old.Entries().cbegin(); it != m_old.Entries().cend(); ++it) {
            if (!m_new.Find(it.key())) {
                m_new.Set(it.key(), it.value());
            }
        }
    }

    // The service worker, rewritten only when it would change.
    if (!m_contentKey.isEmpty() && m_data.m_bProtectAssets && m_data.UsesSiteKeys()) {
        QFile worker(AppFolders::SiteWorkerFile());
        if (!worker.open(QIODevice::ReadOnly)) {
            outcome.error = QStringLiteral("The service worker %1 cannot be read").arg(worker.fileName());
        } else {
            const QByteArray text =
                "var SITE_SALT = \"" + m_data.m_baSalt.toBase64() + "\";\n" + worker.readAll();
            const QString path = m_strFolder + QLatin1Char('/') + QLatin1String(CSiteFiles::kWorkerName);
            QFile existing(path);
            if (!(existing.open(QIODevice::ReadOnly) && existing.readAll() == text)) {
                CAtomicFile out(path);
                out.SetReplaceLinks(true);
                if (!out.Open(0644) || !out.Write(text) || !out.Commit(true)) {
                    outcome.error = QStringLiteral("Cannot write the service worker: ") +
                                    GetSystemErrorText(out.Error()).trimmed();
                }
            }
        }
    }
    for (const QString& folder : std::as_const(m_touchedFolders)) {
        CAtomicFile::SyncFolder(folder);
    }
    QString error;
    if (!m_new.Save(m_strFolder, &error) && outcome.error.isEmpty()) {
        outcome.error = error;
    }
    return outcome;
}
