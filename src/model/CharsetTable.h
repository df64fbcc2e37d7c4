#pragma once

#include "model/CharsetNode.h"

#include <QList>

// The fixed list of charsets a project can choose from. A project stores the
// row index, so the rows and their order never change. Built once, on first
// use, and read-only afterwards.
class CCharsetTable final
{
public:
    static const CCharsetTable& Instance();

    int GetCount() const { return int(m_rows.size()); }
    bool IsValidRow(int row) const { return row >= 0 && row < GetCount(); }
    // Asserts on a row outside the table; release builds answer with row 0
    // ("default") so that a bad index can never read outside the list.
    const CCharsetNode& GetAt(int row) const;

    // The row that holds a code page, or -1.
    int FindCodePage(int codePage) const;

private:
    CCharsetTable();

    QList<CCharsetNode> m_rows;
};
