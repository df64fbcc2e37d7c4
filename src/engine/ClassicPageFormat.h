#pragma once

#include "engine/PageFormat.h"

class QIODevice;

// The classic format, kept byte for byte for the pages written before: the
// text scrambled in chunks under a key made from the password's digest (it
// obscures the content; the digest opens it without guessing), checked by
// a small value, and the login script of the password mode.
class CClassicPageFormat final : public CPageFormat
{
public:
    explicit CClassicPageFormat(const CProject& project);

    // The opening of the content array every classic page carries.
    static QByteArray Marker() { return CProtectionDetector::ClassicMarker(); }

    Kind Writes() const override { return Kind::Classic; }
    std::optional<Failure> Prepare() override { return std::nullopt; }
    std::optional<Failure> WriteScript(const CPageSource& page, CRunFiles& files,
                                       CTextFileWriter& out) override;
    QString LoginScript() const override { return m_strScript; }

    // Reads a classic page whose content array starts at `arrayStart`.
    static UnlockStatus Unlock(QByteArrayView text, qsizetype arrayStart, const QString& userName,
                               const QString& password, QIODevice* out);

private:
    // The login script of the project's password mode, looked up once.
    const QString m_strScript;
};
