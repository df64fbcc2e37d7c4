#include "model/CharsetTable.h"

#include <QSet>
#include <climits>
#include <gtest/gtest.h>

namespace {
const CCharsetTable& Table()
{
    return CCharsetTable::Instance();
}
} // namespace

TEST(CharsetTable, holdsFortyThreeRowsInTheOrderProjectsStore)
{
    ASSERT_EQ(Table().GetCount(), 43);
    struct Expected
    {
        int row;
        const char* name;
        int codePage;
        const char* label;
    };
    const Expected rows[] = {
        {0, "default", 0, "ANSI"},
        {1, "DIN_66003", 20106, "IA5 (German)"},
        {4, "_autodetect", 50932, "Japanese (Auto Select)"},
        {5, "_autodetect_kr", 50949, "Korean (Auto Select)"},
        {7, "csISO2022JP", 50221, "Japanese (JIS-Allow 1 byte Kana)"},
        {10, "hz-gb-2312", 52936, "Chinese Simplified (HZ)"},
        {14, "iso-2022-jp", 50220, "Japanese (JIS)"},
        {15, "iso-2022-jp (JIS-Allow 1 byte Kana)", 50222, "Japanese (JIS-Allow 1 byte Kana)"},
        {17, "iso-8859-1", 1252, "Western Alphabet"},
        {18, "iso-8859-1 (ISO)", 28591, "Western Alphabet (ISO)"},
        {29, "unicode", 1200, "Universal Alphabet"},
        {30, "unicodeFEFF", 1201, "Universal Alphabet (Big-Endian)"},
        {32, "utf-8", 65001, "Universal Alphabet (UTF-8)"},
        {36, "windows-1254", 1254, "Turkish Alphabet"},
        {41, "windows-874", 874, "Thai (Windows)"},
        {42, "x-euc", 51932, "Japanese (EUC)"},
    };
    for (const Expected& e : rows) {
        const CCharsetNode& node = Table().GetAt(e.row);
        EXPECT_EQ(node.m_strName, QLatin1String(e.name)) << e.row;
        EXPECT_EQ(node.m_nCodePage, e.codePage) << e.row;
        EXPECT_EQ(node.m_strLabel, QLatin1String(e.label)) << e.row;
    }
}

TEST(CharsetTable, namesAndCodePagesAreUniqueWhileTwoRowsShareALabel)
{
    QSet<QString> names;
    QSet<int> codePages;
    for (int row = 0; row < Table().GetCount(); ++row) {
        names.insert(Table().GetAt(row).m_strName);
        codePages.insert(Table().GetAt(row).m_nCodePage);
    }
    EXPECT_EQ(names.size(), Table().GetCount());
    EXPECT_EQ(codePages.size(), Table().GetCount());
    EXPECT_EQ(Table().GetAt(7).m_strLabel, Table().GetAt(15).m_strLabel);
    EXPECT_NE(Table().GetAt(14).m_nCodePage, Table().GetAt(15).m_nCodePage);
    EXPECT_NE(Table().GetAt(17).m_nCodePage, Table().GetAt(18).m_nCodePage);
}

TEST(CharsetTable, validRowsAreExactlyZeroToFortyTwo)
{
    EXPECT_TRUE(Table().IsValidRow(0));
    EXPECT_TRUE(Table().IsValidRow(42));
    EXPECT_FALSE(Table().IsValidRow(-1));
    EXPECT_FALSE(Table().IsValidRow(43));
    EXPECT_FALSE(Table().IsValidRow(INT_MIN));
    EXPECT_FALSE(Table().IsValidRow(INT_MAX));
}

TEST(CharsetTable, findsTheRowOfACodePage)
{
    EXPECT_EQ(Table().FindCodePage(65001), 32);
    EXPECT_EQ(Table().FindCodePage(0), 0);
    EXPECT_EQ(Table().FindCodePage(51932), 42);
    EXPECT_EQ(Table().FindCodePage(437), -1);
}

#ifdef QT_NO_DEBUG
TEST(CharsetTable, invalidRowReadsAsTheDefaultRow)
{
    EXPECT_EQ(&Table().GetAt(43), &Table().GetAt(0));
    EXPECT_EQ(&Table().GetAt(-1), &Table().GetAt(0));
}
#else
TEST(CharsetTableDeathTest, invalidRowAsserts)
{
    EXPECT_DEATH(Table().GetAt(43), "");
}
#endif
