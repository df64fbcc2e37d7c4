#include "model/CharsetCodec.h"

#include "model/CharsetConverter.h"
#include "model/HzConverter.h"
#include "model/IconvConverter.h"
#include "model/Iso2022JpConverter.h"
#include "model/Utf8Converter.h"
#include "model/Utf8Validator.h"
#include "model/Win1252Converter.h"

#include <cstring>

namespace {
// The converter behind each code page of the charset table. The names are
// glibc iconv names, except those the table of encodings below implements
// itself.
struct CodePageEncoding
{
    int codePage;
    const char* encoding;
};

const CodePageEncoding kCodePages[] = {
    {20106, "DIN_66003"},
    {20108, "NS_4551-1"},
    {20107, "SEN_850200_B"},
    {950, "CP950"},
    {50221, "CP50221"},
    {51949, "EUC-KR"},
    {936, "CP936"},
    {52936, "HZ-GB-2312"},
    {852, "CP852"},
    {866, "CP866"},
    {20105, "ISO_646.IRV:1991"},
    {50220, "ISO-2022-JP"},
    {50222, "CP50222"},
    {50225, "ISO-2022-KR"},
    {1252, "WINDOWS-1252"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {20866, "KOI8-R"},
    {949, "CP949"},
    {932, "CP932"},
    {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {874, "CP874"},
    {51932, "EUC-JP-MS"},
};

enum class Backend
{
    Iconv,
    Windows1252,
    Utf8,
    Iso2022Jp,
    Hz
};

enum IconvFlag
{
    kUtf16Units = 1,
    kShiftState = 2,
    kKoreanDesignation = 4,
};

struct Encoding
{
    const char* name;
    Backend backend;
    bool asciiCompatible;
    int variant; // iconv flags, or the ISO-2022-JP kana form
};

// Encodings that need more than an ASCII-compatible iconv charset. Glibc's
// CP1252 rejects the five unassigned bytes and its ISO-2022-JP knows neither
// the Windows extensions nor half-width kana, so those are done here.
const Encoding kSpecialEncodings[] = {
    {"WINDOWS-1252", Backend::Windows1252, true, 0},
    {"UTF-8", Backend::Utf8, true, 0},
    {"ISO-2022-JP", Backend::Iso2022Jp, false, int(CIso2022JpConverter::Kana::FullWidth)},
    {"CP50221", Backend::Iso2022Jp, false, int(CIso2022JpConverter::Kana::EscapeI)},
    {"CP50222", Backend::Iso2022Jp, false, int(CIso2022JpConverter::Kana::ShiftOut)},
    {"HZ-GB-2312", Backend::Hz, false, 0},
    // The national ISO 646 variants put letters on ASCII punctuation.
    {"DIN_66003", Backend::Iconv, false, 0},
    {"NS_4551-1", Backend::Iconv, false, 0},
    {"SEN_850200_B", Backend::Iconv, false, 0},
    {"UTF-16LE", Backend::Iconv, false, kUtf16Units},
    {"UTF-16BE", Backend::Iconv, false, kUtf16Units},
    {"UTF-7", Backend::Iconv, false, kShiftState},
    {"ISO-2022-KR", Backend::Iconv, false, kShiftState | kKoreanDesignation},
};

bool HasHighBytes(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (uchar(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

bool IsUtf8Prefix(QByteArrayView bytes)
{
    CUtf8Validator validator;
    validator.Feed(bytes);
    return validator.IsValidSoFar();
}

bool ContainsAny(QByteArrayView bytes, std::initializer_list<const char*> needles)
{
    for (const char* needle : needles) {
        if (bytes.indexOf(QByteArrayView(needle)) >= 0) {
            return true;
        }
    }
    return false;
}

struct Scan
{
    int errors = 0;
    int halfWidthKana = 0;
};

// Shift-JIS (CP932) byte structure. A pair cut off at the end is no error.
Scan ScanShiftJis(QByteArrayView bytes)
{
    Scan scan;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            continue;
        }
        if (b >= 0xA1 && b <= 0xDF) {
            ++scan.halfWidthKana;
        } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            if (i + 1 == bytes.size()) {
                break;
            }
            const uchar t = uchar(bytes[i + 1]);
            if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) {
                ++i;
            } else {
                ++scan.errors;
            }
        } else {
            ++scan.errors;
        }
    }
    return scan;
}

bool IsEucByte(uchar b)
{
    return b >= 0xA1 && b <= 0xFE;
}

// EUC-JP byte structure, with the SS2 kana and SS3 JIS X 0212 forms.
Scan ScanEucJp(QByteArrayView bytes)
{
    Scan scan;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            continue;
        }
        const int trail = b == 0x8F ? 2 : 1;
        if (b != 0x8E && b != 0x8F && !IsEucByte(b)) {
            ++scan.errors;
            continue;
        }
        if (i + trail >= n) {
            break;
        }
        bool ok = true;
        for (int k = 1; k <= trail; ++k) {
            const uchar t = uchar(bytes[i + k]);
            ok = ok && (b == 0x8E ? (t >= 0xA1 && t <= 0xDF) : IsEucByte(t));
        }
        if (ok) {
            scan.halfWidthKana += b == 0x8E ? 1 : 0;
            i += trail;
        } else {
            ++scan.errors;
        }
    }
    return scan;
}

// EUC-KR: pairs of bytes 0xA1..0xFE. CP949 adds lead and trail bytes below.
bool IsEucKr(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            continue;
        }
        if (!IsEucByte(b) || (i + 1 < bytes.size() && !IsEucByte(uchar(bytes[i + 1])))) {
            return false;
        }
        ++i;
    }
    return true;
}

const char* DetectJapanese(QByteArrayView sample)
{
    const bool high = HasHighBytes(sample);
    if (!high && ContainsAny(sample, {"\x1B$B", "\x1B$@", "\x1B(J", "\x1B(I", "\x1B$(D"})) {
        return "ISO-2022-JP";
    }
    if (!high) {
        return "CP932"; // nothing to tell them apart: the Windows Japanese code page
    }
    if (IsUtf8Prefix(sample)) {
        return "UTF-8";
    }
    const Scan sjis = ScanShiftJis(sample);
    const Scan euc = ScanEucJp(sample);
    if (sjis.errors != euc.errors) {
        return euc.errors < sjis.errors ? "EUC-JP-MS" : "CP932";
    }
    // Both read without error: EUC kana and kanji read as Shift-JIS turn into
    // runs of half-width katakana, which real Shift-JIS text rarely holds.
    return sjis.halfWidthKana > euc.halfWidthKana ? "EUC-JP-MS" : "CP932";
}

const char* DetectKorean(QByteArrayView sample)
{
    const bool high = HasHighBytes(sample);
    if (!high && (ContainsAny(sample, {"\x1B$)C"}) || sample.contains('\x0E'))) {
        return "ISO-2022-KR";
    }
    if (high && IsUtf8Prefix(sample)) {
        return "UTF-8";
    }
    return high && IsEucKr(sample) ? "EUC-KR" : "CP949";
}
} // namespace

CCharsetCodec::CCharsetCodec(int codePage, QByteArrayView sample)
{
    switch (codePage) {
    case 0:
        if (IsUtf8Prefix(sample)) {
            Open("UTF-8");
            // The sample may not be the whole file: a later invalid byte keeps
            // its Windows-1252 meaning instead of being replaced.
            m_pConverter = std::make_unique<CUtf8Converter>(CUtf8Converter::InvalidBytes::AsWindows1252);
        } else {
            Open("WINDOWS-1252");
        }
        return;
    case 50932:
        Open(DetectJapanese(sample));
        return;
    case 50949:
        Open(DetectKorean(sample));
        return;
    default:
        break;
    }
    for (const CodePageEncoding& entry : kCodePages) {
        if (entry.codePage == codePage) {
            Open(entry.encoding);
            return;
        }
    }
}

CCharsetCodec::~CCharsetCodec() = default;
CCharsetCodec::CCharsetCodec(CCharsetCodec&&) noexcept = default;
CCharsetCodec& CCharsetCodec::operator=(CCharsetCodec&&) noexcept = default;

void CCharsetCodec::Open(const char* encoding)
{
    Encoding chosen{encoding, Backend::Iconv, true, 0};
    for (const Encoding& special : kSpecialEncodings) {
        if (std::strcmp(special.name, encoding) == 0) {
            chosen = special;
            break;
        }
    }
    switch (chosen.backend) {
    case Backend::Windows1252:
        m_pConverter = std::make_unique<CWin1252Converter>();
        break;
    case Backend::Utf8:
        m_pConverter = std::make_unique<CUtf8Converter>(CUtf8Converter::InvalidBytes::Replace);
        break;
    case Backend::Iso2022Jp:
        m_pConverter = std::make_unique<CIso2022JpConverter>(CIso2022JpConverter::Kana(chosen.variant));
        break;
    case Backend::Hz:
        m_pConverter = std::make_unique<CHzConverter>();
        break;
    case Backend::Iconv: {
        CIconvConverter::Options options;
        options.skipOnError = (chosen.variant & kUtf16Units) ? 2 : 1;
        options.shiftState = (chosen.variant & kShiftState) != 0;
        if (chosen.variant & kKoreanDesignation) {
            options.designation = QByteArrayLiteral("\x1B$)C");
        }
        m_pConverter = CIconvConverter::Open(encoding, options);
        break;
    }
    }
    m_strName = QLatin1String(encoding);
    m_bAsciiCompatible = chosen.asciiCompatible;
}

QString CCharsetCodec::Decode(QByteArrayView bytes)
{
    return m_pConverter ? m_pConverter->Decode(bytes) : QString();
}

QString CCharsetCodec::Finish()
{
    return m_pConverter ? m_pConverter->Finish() : QString();
}

QByteArray CCharsetCodec::Encode(QStringView text) const
{
    return m_pConverter ? m_pConverter->Encode(text) : QByteArray();
}
