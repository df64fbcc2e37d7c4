#include "gui/pages/files/FileTypes.h"

#include "gui/widgets/AppIcons.h"

#include <QFileInfo>

const CFileTypes::Info& CFileTypes::Of(const QString& fileName)
{
    const QMimeType mime = m_mimeDatabase.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    // A name the MIME database does not know is named after its
    // extension ("JSP File"), as file managers without a better name do;
    // a web page among them keeps the look of a web page.
    const QString suffix = mime.isDefault() ? QFileInfo(fileName).suffix().toUpper() : QString();
    const QString key = mime.isDefault() ? QStringLiteral("?") + suffix : mime.name();
    auto found = m_cache.constFind(key);
    if (found != m_cache.constEnd()) {
        return *found;
    }
    Info info;
    if (mime.isDefault()) {
        info.name = suffix.isEmpty() ? tr("File") : tr("%1 File").arg(suffix);
    } else {
        info.name = mime.comment();
    }
    info.icon = CAppIcons::ForFileName(fileName);
    return *m_cache.insert(key, info);
}
