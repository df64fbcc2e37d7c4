#pragma once

#include "model/CharsetConverter.h"

// UTF-8 with the validity rules of CUtf8Validator. What happens to an invalid
// byte is chosen at construction: U+FFFD (the utf-8 row), or the byte's
// Windows-1252 character, for the default row that must never lose a byte of
// a file it took for UTF-8 from a sample.
class CUtf8Converter final : public CCharsetConverter
{
public:
    enum class InvalidBytes
    {
        Replace,
        AsWindows1252
    };

    explicit CUtf8Converter(InvalidBytes invalidBytes) : m_invalidBytes(invalidBytes) {}

    QString Decode(QByteArrayView bytes) override;
    QString Finish() override;
    QByteArray Encode(QStringView text) const override;

private:
    // Writes the stand-ins for invalid bytes at `out`; returns the new end.
    char16_t* WriteInvalid(char16_t* out, const uchar* bytes, int count) const;

    InvalidBytes m_invalidBytes;
    uchar m_sequence[4] = {};
    int m_nLength = 0; // of the open sequence, 0 when none is open
    int m_nTaken = 0;
};
