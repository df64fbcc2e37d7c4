#include "engine/OutputManifest.h"

#include "common/AtomicFile.h"
#include "common/SystemError.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

constexpr int kVersion = 1;
const QLatin1String kFormat("wendlock-output-manifest");

QString Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray FromHex(const QJsonValue& value)
{
    return QByteArray::fromHex(value.toString().toLatin1());
}

} // namespace

const COutputManifest::Entry* COutputManifest::Find(const QString& relative) const
{
    const auto it = m_entries.constFind(relative);
    return it == m_entries.cend() ? nullptr : &it.value();
}

bool COutputManifest::Load(const QString& folder, QString* error)
{
    m_entries.clear();
    m_settingsDigest.clear();
    m_salt.clear();
    QFile file(QDir(folder).filePath(QLatin1String(kFileName)));
    if (!file.exists()) {
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable: the run writes everything again and a new one.
        return true;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = doc.object();
    if (doc.isNull() || root.value(QLatin1String("format")).toString() != kFormat) {
        if (error) {
            *error = QStringLiteral("%1 is not a manifest that Wendlock wrote").arg(file.fileName());
        }
        return false;
    }
    if (root.value(QLatin1String("version")).toInt() != kVersion) {
        return true;
    }
    m_settingsDigest = FromHex(root.value(QLatin1String("settingsDigest")));
    m_salt = FromHex(root.value(QLatin1String("salt")));
    const QJsonObject files = root.value(QLatin1String("files")).toObject();
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QJsonObject o = it.value().toObject();
        Entry entry;
        entry.kind = o.value(QLatin1String("kind")).toString();
        entry.sourceSize = qint64(o.value(QLatin1String("sourceSize")).toDouble(-1));
        entry.sourceMtimeNs = o.value(QLatin1String("sourceMtimeNs")).toString().toLongLong();
        entry.sourceDigest = FromHex(o.value(QLatin1String("sourceDigest")));
        entry.outputSha256 = FromHex(o.value(QLatin1String("outputSha256")));
        entry.outputSize = qint64(o.value(QLatin1String("outputSize")).toDouble(-1));
        entry.outputMtimeNs = o.value(QLatin1String("outputMtimeNs")).toString().toLongLong();
        entry.linkTarget = o.value(QLatin1String("linkTarget")).toString();
        m_entries.insert(it.key(), entry);
    }
    return true;
}

bool COutputManifest::Save(const QString& folder, QString* error) const
{
    QJsonObject files;
    QStringList names = m_entries.keys();
    std::sort(names.begin(), names.end());
    for (const QString& name : std::as_const(names)) {
        const Entry& entry = m_entries.value(name);
        QJsonObject o;
        o.insert(QLatin1String("kind"), entry.kind);
        if (entry.kind == QLatin1String("link")) {
            o.insert(QLatin1String("linkTarget"), entry.linkTarget);
        } else {
            o.insert(QLatin1String("sourceSize"), double(entry.sourceSize));
            // Nanoseconds need 64 bits, more than a JSON number keeps.
            o.insert(QLatin1String("sourceMtimeNs"), QString::number(entry.sourceMtimeNs));
            o.insert(QLatin1String("sourceDigest"), Hex(entry.sourceDigest));
            o.insert(QLatin1String("outputSha256"), Hex(entry.outputSha256));
            o.insert(QLatin1String("outputSize"), double(entry.outputSize));
            o.insert(QLatin1String("outputMtimeNs"), QString::number(entry.outputMtimeNs));
        }
        files.insert(name, o);
    }
    QJsonObject root;
    root.insert(QLatin1String("format"), kFormat);
    root.insert(QLatin1String("version"), kVersion);
    root.insert(QLatin1String("settingsDigest"), Hex(m_settingsDigest));
    root.insert(QLatin1String("salt"), Hex(m_salt));
    root.insert(QLatin1String("files"), files);
    const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Indented);

    CAtomicFile file(QDir(folder).filePath(QLatin1String(kFileName)));
    file.SetReplaceLinks(true);
    if (!file.Open(0644) || !file.Write(text) || !file.Commit(true)) {
        if (error) {
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(QDir(folder).filePath(QLatin1String(kFileName)),
                              GetSystemErrorText(file.Error()).trimmed());
        }
        return false;
    }
    CAtomicFile::SyncFolder(folder);
    return true;
}
