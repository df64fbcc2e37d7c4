#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The text encoding of the small list files the program reads and writes
// (user lists, files lists, the folder history).
namespace ListFileText {

// UTF-8 (a leading byte-order mark dropped) when the bytes are valid UTF-8,
// otherwise Windows-1252 in its lossless form (ISO 8859-1 for 0xA0..0xFF).
QString Decode(QByteArrayView bytes);

// One byte a character (ISO 8859-1) when that reads back as the same text;
// otherwise UTF-8 after a byte-order mark. Latin-1 bytes that happen to form
// valid UTF-8, or C1 controls that Windows-1252 reads differently, would not
// read back, so they take the UTF-8 form too.
QByteArray Encode(const QString& text);

} // namespace ListFileText
