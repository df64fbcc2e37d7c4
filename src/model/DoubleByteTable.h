#pragma once

#include <QHash>
#include <array>

// A 94 x 94 character set as the 7-bit charsets carry it: a character is a
// pair of bytes 0x21..0x7E. The characters are read once from iconv, so the
// 7-bit wrappers decode exactly what the 8-bit form of the same set decodes.
class CDoubleByteTable final
{
public:
    // JIS X 0208 with the Windows (CP932) mappings and extensions, read
    // through Shift-JIS.
    static const CDoubleByteTable& JisX0208();
    // GB 2312, read through EUC-CN.
    static const CDoubleByteTable& Gb2312();

    static bool IsByte(uchar byte) { return byte >= 0x21 && byte <= 0x7E; }

    // 0 when the pair holds no character.
    char16_t ToUnicode(uchar first, uchar second) const;
    // The pair for a character, first byte in the high half; 0 when the set lacks it.
    quint16 FromUnicode(char16_t unit) const { return m_fromUnicode.value(unit, 0); }

private:
    enum class ByteForm
    {
        ShiftJis,
        Euc
    };
    CDoubleByteTable(const char* charset, ByteForm form);

    std::array<char16_t, 94 * 94> m_toUnicode{};
    QHash<char16_t, quint16> m_fromUnicode;
};
