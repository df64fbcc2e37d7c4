#pragma once

#include "engine/ResultList.h"

class QTextStream;

// Prints each file's outcome as RESULT<TAB>PATH. A result text may span
// lines ("Backup file failure! \n..."); its line breaks become spaces so
// that every file stays on one line.
class CPrintedResults final : public IResultList
{
public:
    explicit CPrintedResults(QTextStream& out);

    void DeleteAllItems() override {}
    void AddResultRow(const QString& path, const QString& result) override;
    void AddResult(const QString& path, ProtectOutcome outcome, const QString& text) override;
    // Whether any file was not protected.
    bool AnyFailed() const { return m_bFailed; }

private:
    QTextStream& m_out;
    bool m_bFailed = false;
};
