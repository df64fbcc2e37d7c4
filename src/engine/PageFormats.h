#pragma once

#include "engine/PageFormat.h"
#include "engine/ProtectionDetector.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

class CDeflateAhead;
class CProject;
class CStrongSiteKeys;
class QIODevice;

// Every page format the program knows: the one a project writes, and the
// one that reads a protected page back. The one place a new format is
// named.
class CPageFormats final
{
public:
    // The format the project's pages are written in (its m_nCipher). The
    // project must outlive it. A strong run's keys, derived once by the
    // caller, and the texts deflated ahead of their pages are shared with
    // it; without keys they are derived before the first page.
    static std::shared_ptr<CPageFormat> Make(const CProject& project,
                                             std::shared_ptr<const CStrongSiteKeys> keys = {},
                                             std::shared_ptr<CDeflateAhead> ahead = {});

    // Reads a page of the detected kind, its content marker at `markerAt`,
    // and writes the text it carries to `out` (see CPageUnlocker::Unlock).
    // A page the detector did not take (it lost part of its opening) is
    // searched for a format's content array.
    static CPageFormat::UnlockStatus Unlock(CProtectionDetector::Kind kind, QByteArrayView text,
                                            qsizetype markerAt, const QString& userName,
                                            const QString& password, QIODevice* out, QByteArray* contentKey);
};
