#include "model/CharsetTable.h"

#include <QtGlobal>
#include <iterator>

const CCharsetTable& CCharsetTable::Instance()
{
    static const CCharsetTable table;
    return table;
}

CCharsetTable::CCharsetTable()
{
    struct Row
    {
        const char* name;
        int codePage;
        const char* label;
    };
    // The index of a row is what project files store: append only.
    static const Row rows[] = {
        {"default", 0, "ANSI"},
        {"DIN_66003", 20106, "IA5 (German)"},
        {"NS_4551-1", 20108, "IA5 (Norwegian)"},
        {"SEN_850200_B", 20107, "IA5 (Swedish)"},
        {"_autodetect", 50932, "Japanese (Auto Select)"},
        {"_autodetect_kr", 50949, "Korean (Auto Select)"},
        {"big5", 950, "Chinese Traditional (Big5)"},
        {"csISO2022JP", 50221, "Japanese (JIS-Allow 1 byte Kana)"},
        {"euc-kr", 51949, "Korean (EUC)"},
        {"gb2312", 936, "Chinese Simplified (GB2312)"},
        {"hz-gb-2312", 52936, "Chinese Simplified (HZ)"},
        {"ibm852", 852, "Central European (DOS)"},
        {"ibm866", 866, "Cyrillic Alphabet (DOS)"},
        {"irv", 20105, "IA5 (IRV)"},
        {"iso-2022-jp", 50220, "Japanese (JIS)"},
        {"iso-2022-jp (JIS-Allow 1 byte Kana)", 50222, "Japanese (JIS-Allow 1 byte Kana)"},
        {"iso-2022-kr", 50225, "Korean (ISO)"},
        {"iso-8859-1", 1252, "Western Alphabet"},
        {"iso-8859-1 (ISO)", 28591, "Western Alphabet (ISO)"},
        {"iso-8859-2", 28592, "Central European Alphabet (ISO)"},
        {"iso-8859-3", 28593, "Latin 3 Alphabet (ISO)"},
        {"iso-8859-4", 28594, "Baltic Alphabet (ISO)"},
        {"iso-8859-5", 28595, "Cyrillic Alphabet (ISO)"},
        {"iso-8859-6", 28596, "Arabic Alphabet (ISO)"},
        {"iso-8859-7", 28597, "Greek Alphabet (ISO)"},
        {"iso-8859-8", 28598, "Hebrew Alphabet (ISO)"},
        {"koi8-r", 20866, "Cyrillic Alphabet (KOI8-R)"},
        {"ks_c_5601", 949, "Korean"},
        {"shift-jis", 932, "Japanese (Shift-JIS)"},
        {"unicode", 1200, "Universal Alphabet"},
        {"unicodeFEFF", 1201, "Universal Alphabet (Big-Endian)"},
        {"utf-7", 65000, "Universal Alphabet (UTF-7)"},
        {"utf-8", 65001, "Universal Alphabet (UTF-8)"},
        {"windows-1250", 1250, "Central European Alphabet (Windows)"},
        {"windows-1251", 1251, "Cyrillic Alphabet (Windows)"},
        {"windows-1253", 1253, "Greek Alphabet (Windows)"},
        {"windows-1254", 1254, "Turkish Alphabet"},
        {"windows-1255", 1255, "Hebrew Alphabet (Windows)"},
        {"windows-1256", 1256, "Arabic Alphabet (Windows)"},
        {"windows-1257", 1257, "Baltic Alphabet (Windows)"},
        {"windows-1258", 1258, "Vietnamese Alphabet (Windows)"},
        {"windows-874", 874, "Thai (Windows)"},
        {"x-euc", 51932, "Japanese (EUC)"},
    };
    m_rows.reserve(int(std::size(rows)));
    for (const Row& row : rows) {
        m_rows.append({QLatin1String(row.name), row.codePage, QLatin1String(row.label)});
    }
}

const CCharsetNode& CCharsetTable::GetAt(int row) const
{
    Q_ASSERT_X(IsValidRow(row), "CCharsetTable::GetAt", "row outside the charset table");
    return IsValidRow(row) ? m_rows.at(row) : m_rows.at(0);
}

int CCharsetTable::FindCodePage(int codePage) const
{
    for (int row = 0; row < GetCount(); ++row) {
        if (m_rows.at(row).m_nCodePage == codePage) {
            return row;
        }
    }
    return -1;
}
