#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Page text as the classic format carries it: every UTF-16 unit of 128 or
// more written as a numeric character reference "&#N;", so that the text
// is ASCII whatever charset the page is converted to.
namespace NumericReferences {

// `text` with every unit of 128 or more as "&#N;".
QString Encode(QStringView text);
// Encode(text), appended to `out` as the ASCII bytes it consists of.
void AppendBytes(QStringView text, QByteArray& out);
// The same for valid UTF-8, without the UTF-16 detour. A sequence cut off
// at the end is left for the next piece: returns how many bytes that is.
qsizetype AppendUtf8Bytes(QByteArrayView text, QByteArray& out);
// Whether every byte is below 128.
bool IsAscii(QByteArrayView bytes);

} // namespace NumericReferences
