#include "engine/PageFormats.h"

#include "engine/ClassicPageFormat.h"
#include "engine/StrongPageFormat.h"
#include "model/Project.h"

std::shared_ptr<CPageFormat> CPageFormats::Make(const CProject& project,
                                                std::shared_ptr<const CStrongSiteKeys> keys,
                                                std::shared_ptr<CDeflateAhead> ahead)
{
    if (project.m_nCipher == CProject::kCipherStrong) {
        return std::make_shared<CStrongPageFormat>(project, std::move(keys), std::move(ahead));
    }
    return std::make_shared<CClassicPageFormat>(project);
}

CPageFormat::UnlockStatus CPageFormats::Unlock(CProtectionDetector::Kind kind, QByteArrayView text,
                                               qsizetype markerAt, const QString& userName,
                                               const QString& password, QIODevice* out,
                                               QByteArray* contentKey)
{
    using Kind = CProtectionDetector::Kind;
    if (kind == Kind::None) {
        // The strong format's first: its marker does not occur in a classic
        // page.
        markerAt = text.indexOf(QByteArrayView(CProtectionDetector::StrongMarker()));
        kind = Kind::Strong;
        if (markerAt < 0) {
            markerAt = text.indexOf(QByteArrayView(CProtectionDetector::ClassicMarker()));
            kind = markerAt < 0 ? Kind::None : Kind::Classic;
        }
    }
    switch (kind) {
    case Kind::Strong:
        return CStrongPageFormat::Unlock(text, markerAt, userName, password, out, contentKey);
    case Kind::Classic:
        return CClassicPageFormat::Unlock(text, markerAt, userName, password, out);
    case Kind::None:
        break;
    }
    return CPageFormat::UnlockStatus::NotProtected;
}
