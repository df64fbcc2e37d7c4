#pragma once

#include "model/CharsetConverter.h"

// Windows-1252 in the form that never loses a byte: the five bytes the code
// page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1
// controls of the same value, so every byte sequence decodes and encodes back
// to itself.
class CWin1252Converter final : public CCharsetConverter
{
public:
    QString Decode(QByteArrayView bytes) override;
    QString Finish() override { return {}; }
    QByteArray Encode(QStringView text) const override;

    static char16_t ToUnicode(uchar byte);
    // The byte for a UTF-16 unit, or -1 when the code page lacks it.
    static int FromUnicode(char16_t unit);
};
