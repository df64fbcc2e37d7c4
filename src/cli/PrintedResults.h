#pragma once

#include "engine/ResultList.h"

class QTextStream;

// Prints each file's outcome as RESULT<TAB>PATH. A result text may span
// lines ("Backup file failure! \n..."); its line breaks become spaces so
// that every file stays on one line. A path that holds a control character
// (a line break, a tab) or starts with a double quote is printed quoted
// (see QuotedPath), so a script reading the lines never splits one.
class CPrintedResults final : public IResultList
{
public:
    explicit CPrintedResults(QTextStream& out);

    void DeleteAllItems() override {}
    void AddResultRow(const QString& path, const QString& result) override;
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override;
    // Whether any file was not protected.
    bool AnyFailed() const { return m_nFailed > 0; }
    int FailedCount() const { return m_nFailed; }
    // The path as printed: as it is, or, when it holds a control character
    // or starts with '"', in double quotes with \" \\ \n \t \r and \xHH
    // for the other control characters.
    static QString QuotedPath(const QString& path);

private:
    QTextStream& m_out;
    int m_nFailed = 0;
};
