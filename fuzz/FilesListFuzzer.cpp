// The files list ".lst" reader (and the Add Folder history, which shares
// it) on arbitrary bytes. Checks: every entry read is non-empty and trimmed
// and holds no line end; what was read is written and read back unchanged,
// unless an entry holds a CR the format can't store, in which case the
// write is refused and an existing file stays as it was; the files list
// keeps the first of equal paths.
#include "FuzzUtil.h"
#include "files/FilesList.h"
#include "files/ListFile.h"

#include <QSet>
#include <cstdint>

namespace {

bool IsBlank(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n') ||
           ch == QLatin1Char('\v') || ch == QLatin1Char('\f') || ch == QLatin1Char('\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzUtil::Bytes(data, size);
    const QStringList lines = CListFile::Parse(bytes);
    qsizetype total = 0;
    bool holdsCr = false;
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.isEmpty() && !IsBlank(line.front()) && !IsBlank(line.back()));
        FUZZ_CHECK(!line.contains(QLatin1Char('\n')));
        holdsCr = holdsCr || line.contains(QLatin1Char('\r'));
        total += line.size();
    }
    FUZZ_CHECK(total <= bytes.size());
    FUZZ_CHECK(CListFile::Parse(CListFile::Encode(lines)) == lines);

    const QString path = FuzzUtil::ScratchFolder() + QStringLiteral("files.lst");
    const QByteArray before = "kept\r\n";
    FUZZ_CHECK(FuzzUtil::WriteFile(path, before));
    QString error;
    FUZZ_CHECK(CListFile::Write(path, lines, &error) == !holdsCr);
    FUZZ_CHECK(CListFile::FindUnstorable(lines) >= 0 == holdsCr);
    QStringList reread;
    FUZZ_CHECK(CListFile::Read(path, reread, &error));
    FUZZ_CHECK(reread == (holdsCr ? QStringList{QStringLiteral("kept")} : lines));

    // Entries of any UTF-16 text: only a line break inside one is refused
    // (what Latin-1 can't hold is written as UTF-8).
    const QStringList wide = FuzzUtil::Utf16(bytes).split(QLatin1Char('\n'));
    bool storable = true;
    for (const QString& entry : wide) {
        for (const QChar ch : entry) {
            storable = storable && ch != QLatin1Char('\r');
        }
    }
    FUZZ_CHECK(CListFile::Write(path, wide, &error) == storable);
    if (!storable) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(FuzzUtil::ReadFile(path) == (holdsCr ? before : CListFile::Encode(lines)));
    }

    // The list keeps the first of equal paths, in order.
    CFilesList list;
    QSet<QString> seen;
    QStringList expected;
    for (const QString& line : lines) {
        FUZZ_CHECK(list.Append(line) == !seen.contains(line));
        if (!seen.contains(line)) {
            seen.insert(line);
            expected.append(line);
        }
    }
    FUZZ_CHECK(list.Paths() == expected);
    return 0;
}
