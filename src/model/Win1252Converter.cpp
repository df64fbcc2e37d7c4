#include "model/Win1252Converter.h"

namespace {
// 0x80..0x9F; the rest of the code page is ISO 8859-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

char16_t CWin1252Converter::ToUnicode(uchar byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t(byte);
}

int CWin1252Converter::FromUnicode(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return unit;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) {
            return 0x80 + i;
        }
    }
    return -1;
}

QString CWin1252Converter::Decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = ToUnicode(uchar(bytes[i]));
    }
    return text;
}

QByteArray CWin1252Converter::Encode(QStringView text) const
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const int byte = FromUnicode(unit);
        bytes.append(byte < 0 ? '?' : char(byte));
        // A character outside the BMP is one '?', not two.
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
    return bytes;
}
