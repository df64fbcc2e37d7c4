#include "engine/HeadCopier.h"

#include "common/AsciiText.h"
#include "engine/HeadFilter.h"
#include "engine/PageSource.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"

#include <algorithm>

namespace {

qsizetype FindHeadEnd(const QByteArray& line)
{
    return AsciiText::FindTag(QByteArrayView(line), "</head>");
}

} // namespace

std::optional<ProtectOutcome> CHeadCopier::CopyFromPage(const CPageSource& page, CTextFileWriter& out)
{
    // Looked for first, so that a page without a head adds nothing to the
    // new text before the template's head takes its place.
    bool hasEnd = false;
    if (const std::unique_ptr<CTextLineReader> reader = page.Reader(); reader->Open()) {
        QByteArray line;
        while (!hasEnd && reader->ReadLine(line)) {
            hasEnd = FindHeadEnd(line) >= 0;
        }
    }
    if (!hasEnd) {
        return ProtectOutcome::NoHeadSection;
    }
    const std::unique_ptr<CTextLineReader> reader = page.Reader();
    if (!reader->Open()) {
        return ProtectOutcome::OpenFailure;
    }
    CHeadFilter filter;
    QByteArray line;
    QByteArray kept;
    bool more = true;
    while (more && reader->ReadLine(line)) {
        kept.clear();
        more = filter.Feed(line, kept);
        out.Write(kept);
    }
    return std::nullopt;
}

std::optional<ProtectOutcome> CHeadCopier::CopyFromTemplate(const QList<QByteArray>* lines,
                                                            CTextFileWriter& out)
{
    if (!lines || std::none_of(lines->cbegin(), lines->cend(),
                               [](const QByteArray& line) { return FindHeadEnd(line) >= 0; })) {
        return ProtectOutcome::NoHeadSection;
    }
    for (const QByteArray& line : *lines) {
        const qsizetype p = FindHeadEnd(line);
        out.Write(p >= 0 ? line.left(p) : line);
        if (p >= 0) {
            break;
        }
    }
    return std::nullopt;
}
