#pragma once

#include "model/CharsetConverter.h"

// ISO-2022-JP in the Windows flavour: JIS X 0208 with the CP932 mappings and
// extension rows, plus half-width katakana. The decoder takes every form the
// variants write (ESC ( I, SO/SI, 8-bit kana bytes, ESC ( J, ESC $ @); the
// variants differ only in how the encoder writes half-width katakana.
class CIso2022JpConverter final : public CCharsetConverter
{
public:
    enum class Kana
    {
        FullWidth, // turned into their full-width forms (plain ISO-2022-JP)
        EscapeI,   // in the JIS X 0201 katakana set, ESC ( I
        ShiftOut,  // between SO and SI
    };

    explicit CIso2022JpConverter(Kana kana) : m_kana(kana) {}

    QString Decode(QByteArrayView bytes) override;
    QString Finish() override;
    QByteArray Encode(QStringView text) const override;

    enum class Set
    {
        Ascii,
        Roman,
        Katakana,
        Jis0208,
        Jis0212
    };

private:
    Kana m_kana;
    Set m_set = Set::Ascii;
    bool m_bShiftOut = false;
    QByteArray m_pending; // an escape sequence or a character cut off at the end
};
