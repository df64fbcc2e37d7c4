#pragma once

#include "engine/PageFormat.h"

#include <mutex>

class CDeflateAhead;
class CStrongSiteKeys;
class QIODevice;

// The strong format (docs/strong-format.md): the page's text deflated and
// enciphered with AES-256-GCM in chunks under a key of its own, drawn from
// the run's content key, which a PBKDF2-HMAC-SHA256 derivation of the
// password (or of each user's name and password) unlocks; one login
// script for both password modes.
class CStrongPageFormat final : public CPageFormat
{
public:
    CStrongPageFormat(const CProject& project, std::shared_ptr<const CStrongSiteKeys> keys,
                      std::shared_ptr<CDeflateAhead> ahead);

    // The end of a strong page's content array followed by its format
    // statement.
    static QByteArray Marker() { return CProtectionDetector::StrongMarker(); }

    Kind Writes() const override { return Kind::Strong; }
    std::optional<Failure> Prepare() override;
    std::optional<Failure> WriteScript(const CPageSource& page, CRunFiles& files,
                                       CTextFileWriter& out) override;
    QString LoginScript() const override { return m_strScript; }
    // Deflates a page's text into the run's store of texts deflated ahead:
    // false when the page is larger than a whole text, is protected
    // already, or the store is full.
    bool PrepareAhead(const CPageSource& page) override;

    // Reads a strong page whose marker starts at `markerAt`; `contentKey`
    // receives the content key once the page opened.
    static UnlockStatus Unlock(QByteArrayView text, qsizetype markerAt, const QString& userName,
                               const QString& password, QIODevice* out, QByteArray* contentKey);

private:
    std::shared_ptr<const CStrongSiteKeys> m_pKeys;
    std::shared_ptr<CDeflateAhead> m_pAhead;
    std::once_flag m_keysOnce;
    QString m_strKeyError;
    const QString m_strScript;
};
