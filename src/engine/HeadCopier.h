#pragma once

#include "engine/ProtectOutcome.h"

#include <QByteArray>
#include <QList>
#include <optional>

class CPageSource;
class CTextFileWriter;

// The head of a protected page, the part readable before anyone logs in:
// either the page's own head as CHeadFilter keeps it ("Copy HEAD section"),
// or the template's head, the login page's own, copied whole. Either stops
// before the first "</head>"; the page writer closes the head itself.
class CHeadCopier final
{
public:
    // Each gives no outcome when the head was copied, else why not:
    // NoHeadSection for a text without "</head>", OpenFailure when it
    // could not be read.
    static std::optional<ProtectOutcome> CopyFromPage(const CPageSource& page, CTextFileWriter& out);
    // `lines`: the template's lines (null when it could not be read).
    static std::optional<ProtectOutcome> CopyFromTemplate(const QList<QByteArray>* lines,
                                                          CTextFileWriter& out);
};
