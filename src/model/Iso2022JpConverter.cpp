#include "model/Iso2022JpConverter.h"

#include "model/DoubleByteTable.h"

#include <cstring>

namespace {
constexpr char kEsc = '\x1B';
constexpr char kShiftOut = '\x0E';
constexpr char kShiftIn = '\x0F';
constexpr char16_t kHalfWidthFirst = 0xFF61; // the JIS X 0201 katakana 0x21 (8-bit 0xA1)
constexpr char16_t kHalfWidthLast = 0xFF9F;

struct Designation
{
    const char* bytes;
    CIso2022JpConverter::Set set;
    bool announcerOnly; // ESC & @ announces a revision and designates nothing
};

const Designation kDesignations[] = {
    {"\x1B(B", CIso2022JpConverter::Set::Ascii, false},
    {"\x1B(J", CIso2022JpConverter::Set::Roman, false},
    {"\x1B(I", CIso2022JpConverter::Set::Katakana, false},
    {"\x1B$@", CIso2022JpConverter::Set::Jis0208, false},
    {"\x1B$B", CIso2022JpConverter::Set::Jis0208, false},
    {"\x1B$(B", CIso2022JpConverter::Set::Jis0208, false},
    {"\x1B$(D", CIso2022JpConverter::Set::Jis0212, false},
    {"\x1B&@", CIso2022JpConverter::Set::Ascii, true},
};

const char* EscapeFor(CIso2022JpConverter::Set set)
{
    switch (set) {
    case CIso2022JpConverter::Set::Roman:
        return "\x1B(J";
    case CIso2022JpConverter::Set::Katakana:
        return "\x1B(I";
    case CIso2022JpConverter::Set::Jis0208:
        return "\x1B$B";
    default:
        return "\x1B(B";
    }
}

// Half-width katakana become their full-width forms, voiced marks composed
// with the letter before them, as plain ISO-2022-JP has no half-width set.
QString WidenKatakana(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        while (end < text.size() && text[end].unicode() >= kHalfWidthFirst &&
               text[end].unicode() <= kHalfWidthLast) {
            ++end;
        }
        if (end == i) {
            out.append(text[i++]);
            continue;
        }
        QString run = text.mid(i, end - i).toString().normalized(QString::NormalizationForm_KC);
        // A mark with no letter to join stays a spacing mark, as JIS has it.
        run.replace(QChar(0x3099), QChar(0x309B));
        run.replace(QChar(0x309A), QChar(0x309C));
        out.append(run);
        i = end;
    }
    return out;
}
} // namespace

QString CIso2022JpConverter::Decode(QByteArrayView bytes)
{
    QByteArray data = m_pending;
    data.append(bytes.data(), bytes.size());
    m_pending.clear();
    const CDoubleByteTable& jis = CDoubleByteTable::JisX0208();

    QString out;
    out.reserve(data.size());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        const uchar byte = uchar(data[i]);
        if (byte == uchar(kEsc)) {
            const qsizetype available = n - i;
            bool incomplete = false;
            const Designation* match = nullptr;
            for (const Designation& d : kDesignations) {
                const qsizetype length = qsizetype(std::strlen(d.bytes));
                if (available >= length) {
                    if (std::memcmp(data.constData() + i, d.bytes, size_t(length)) == 0) {
                        match = &d;
                        break;
                    }
                } else if (std::memcmp(data.constData() + i, d.bytes, size_t(available)) == 0) {
                    incomplete = true;
                }
            }
            if (match) {
                if (!match->announcerOnly) {
                    m_set = match->set;
                }
                i += qsizetype(std::strlen(match->bytes));
            } else if (incomplete) {
                m_pending = data.mid(i);
                break;
            } else {
                out.append(QChar::ReplacementCharacter);
                ++i;
            }
            continue;
        }
        if (byte == uchar(kShiftOut) || byte == uchar(kShiftIn)) {
            m_bShiftOut = byte == uchar(kShiftOut);
            ++i;
            continue;
        }
        // Space and controls (line ends above all) mean the same in every set.
        if (byte < 0x21 || byte == 0x7F) {
            out.append(QChar(char16_t(byte)));
            ++i;
            continue;
        }
        if (byte >= 0x80) {
            const bool kana = byte >= 0xA1 && byte <= 0xDF;
            out.append(kana ? QChar(char16_t(kHalfWidthFirst + (byte - 0xA1))) : QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        if (m_bShiftOut || m_set == Set::Katakana) {
            out.append(byte <= 0x5F ? QChar(char16_t(kHalfWidthFirst + (byte - 0x21)))
                                    : QChar(QChar::ReplacementCharacter));
            ++i;
            continue;
        }
        if (m_set == Set::Ascii) {
            out.append(QChar(char16_t(byte)));
            ++i;
            continue;
        }
        if (m_set == Set::Roman) {
            // JIS X 0201 Roman differs from ASCII in two places.
            out.append(byte == 0x5C ? QChar(0x00A5) : byte == 0x7E ? QChar(0x203E) : QChar(char16_t(byte)));
            ++i;
            continue;
        }
        if (i + 1 >= n) {
            m_pending = data.mid(i);
            break;
        }
        const uchar second = uchar(data[i + 1]);
        if (!CDoubleByteTable::IsByte(second)) {
            out.append(QChar::ReplacementCharacter);
            ++i; // the second byte is read again on its own
            continue;
        }
        // JIS X 0212 has no Windows mapping; its characters are replaced.
        const char16_t unit = m_set == Set::Jis0208 ? jis.ToUnicode(byte, second) : 0;
        out.append(unit ? QChar(unit) : QChar(QChar::ReplacementCharacter));
        i += 2;
    }
    return out;
}

QString CIso2022JpConverter::Finish()
{
    QString out;
    if (!m_pending.isEmpty()) {
        out.append(QChar::ReplacementCharacter);
        m_pending.clear();
    }
    m_set = Set::Ascii;
    m_bShiftOut = false;
    return out;
}

QByteArray CIso2022JpConverter::Encode(QStringView text) const
{
    const CDoubleByteTable& jis = CDoubleByteTable::JisX0208();
    QString widened;
    if (m_kana == Kana::FullWidth) {
        widened = WidenKatakana(text);
        text = widened;
    }

    QByteArray out;
    out.reserve(text.size() * 2 + 8);
    Set set = Set::Ascii;
    bool shiftOut = false;
    const auto designate = [&](Set target) {
        if (shiftOut) {
            out.append(kShiftIn);
            shiftOut = false;
        }
        if (set != target) {
            out.append(EscapeFor(target));
            set = target;
        }
    };
    // Shift-out kana are written over ASCII, so that SI lands back in ASCII.
    const auto shiftOutKana = [&]() {
        if (!shiftOut) {
            designate(Set::Ascii);
            out.append(kShiftOut);
            shiftOut = true;
        }
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // outside the BMP: one '?' below
        }
        if (unit < 0x80 && unit != u'\x0E' && unit != u'\x0F' && unit != u'\x1B') {
            designate(Set::Ascii);
            out.append(char(unit));
        } else if (unit == 0x00A5 || unit == 0x203E) {
            designate(Set::Roman);
            out.append(unit == 0x00A5 ? '\x5C' : '\x7E');
        } else if (unit >= kHalfWidthFirst && unit <= kHalfWidthLast) {
            if (m_kana == Kana::ShiftOut) {
                shiftOutKana();
            } else {
                designate(Set::Katakana);
            }
            out.append(char(unit - kHalfWidthFirst + 0x21));
        } else if (const quint16 pair = jis.FromUnicode(unit)) {
            designate(Set::Jis0208);
            out.append(char(pair >> 8));
            out.append(char(pair & 0xFF));
        } else {
            designate(Set::Ascii);
            out.append('?');
        }
    }
    designate(Set::Ascii);
    return out;
}
