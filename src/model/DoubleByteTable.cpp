#include "model/DoubleByteTable.h"

#include <QSysInfo>
#include <iconv.h>

const CDoubleByteTable& CDoubleByteTable::JisX0208()
{
    static const CDoubleByteTable table("CP932", ByteForm::ShiftJis);
    return table;
}

const CDoubleByteTable& CDoubleByteTable::Gb2312()
{
    static const CDoubleByteTable table("EUC-CN", ByteForm::Euc);
    return table;
}

CDoubleByteTable::CDoubleByteTable(const char* charset, ByteForm form)
{
    const char* utf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    const iconv_t cd = iconv_open(utf16, charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return; // an empty table: every pair decodes as invalid
    }
    m_fromUnicode.reserve(94 * 94);
    for (int first = 0x21; first <= 0x7E; ++first) {
        for (int second = 0x21; second <= 0x7E; ++second) {
            char bytes[2];
            if (form == ByteForm::Euc) {
                bytes[0] = char(first | 0x80);
                bytes[1] = char(second | 0x80);
            } else {
                // The usual JIS row/cell to Shift-JIS arithmetic: two JIS rows
                // share one Shift-JIS lead byte.
                bytes[0] = char(((first + 1) >> 1) + (first <= 0x5E ? 0x70 : 0xB0));
                bytes[1] = char(second + ((first & 1) ? (second >= 0x60 ? 0x20 : 0x1F) : 0x7E));
            }
            char16_t unit[2] = {};
            char* in = bytes;
            size_t inLeft = 2;
            char* out = reinterpret_cast<char*>(unit);
            size_t outLeft = sizeof(unit);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
            // Only pairs that make exactly one BMP character belong to the set.
            if (result == size_t(-1) || inLeft != 0 || outLeft != 2 || unit[0] == 0) {
                continue;
            }
            m_toUnicode[size_t(first - 0x21) * 94 + size_t(second - 0x21)] = unit[0];
            // The first pair wins, so a character that CP932 also repeats in its
            // extension rows is written at its standard place.
            const quint16 pair = quint16((first << 8) | second);
            m_fromUnicode.insert(unit[0], m_fromUnicode.value(unit[0], pair));
        }
    }
    iconv_close(cd);
}

char16_t CDoubleByteTable::ToUnicode(uchar first, uchar second) const
{
    if (!IsByte(first) || !IsByte(second)) {
        return 0;
    }
    return m_toUnicode[size_t(first - 0x21) * 94 + size_t(second - 0x21)];
}
