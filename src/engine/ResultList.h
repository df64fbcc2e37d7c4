#pragma once

#include "engine/ProtectOutcome.h"

#include <QString>

// Where a protect run reports each file's outcome: the GUI's Result list
// and the CLI's printed lines both implement it.
class IResultList
{
public:
    virtual ~IResultList() = default;
    virtual void DeleteAllItems() = 0;
    virtual void AddResultRow(const QString& path, const QString& result) = 0;
    // A file's outcome with its text; lists that only show the text take
    // the row as it is.
    virtual void AddResult(const QString& path, ProtectOutcome /*outcome*/, const QString& text)
    {
        AddResultRow(path, text);
    }
};
