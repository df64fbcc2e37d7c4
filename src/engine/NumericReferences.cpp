#include "engine/NumericReferences.h"

#include <QChar>
#include <cstring>

namespace {

// Writes "&#N;" for a unit of 128 or more at `out`; returns the new end.
char* WriteReference(char* out, char16_t unit)
{
    char digits[5];
    int n = 0;
    unsigned value = unit;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    *out++ = '&';
    *out++ = '#';
    while (n > 0) {
        *out++ = digits[--n];
    }
    *out++ = ';';
    return out;
}

} // namespace

bool NumericReferences::IsAscii(QByteArrayView bytes)
{
    unsigned char any = 0;
    for (const char c : bytes) {
        any |= static_cast<unsigned char>(c);
    }
    return any < 0x80;
}

QString NumericReferences::Encode(QStringView text)
{
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    qsizetype first = 0;
    while (first < size && data[first] < 128) {
        ++first;
    }
    if (first == size) {
        return text.toString();
    }
    QByteArray bytes;
    AppendBytes(text, bytes);
    return QString::fromLatin1(bytes);
}

void NumericReferences::AppendBytes(QStringView text, QByteArray& out)
{
    const qsizetype start = out.size();
    // A reference is at most 8 characters ("&#65535;").
    out.resize(start + text.size() * 8);
    char* const begin = out.data() + start;
    char* o = begin;
    const char16_t* in = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        // Runs of ASCII are narrowed in a loop the compiler can vectorise.
        qsizetype run = i;
        while (run < size && in[run] < 128) {
            ++run;
        }
        for (qsizetype j = i; j < run; ++j) {
            *o++ = char(in[j]);
        }
        if (run < size) {
            o = WriteReference(o, in[run]);
            ++run;
        }
        i = run;
    }
    out.truncate(start + (o - begin));
}

qsizetype NumericReferences::AppendUtf8Bytes(QByteArrayView text, QByteArray& out)
{
    const qsizetype start = out.size();
    const qsizetype size = text.size();
    // Four bytes give at most two references of 8 characters.
    out.resize(start + size * 4);
    char* const begin = out.data() + start;
    char* o = begin;
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    qsizetype i = 0;
    while (i < size) {
        // ASCII eight bytes at a time.
        quint64 word = 0;
        while (i + 8 <= size && (std::memcpy(&word, in + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            std::memcpy(o, in + i, 8);
            o += 8;
            i += 8;
        }
        if (i == size) {
            break;
        }
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            *o++ = char(lead);
            ++i;
            continue;
        }
        const int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
        if (i + length > size) {
            break;
        }
        char32_t code = lead & (0x7f >> length);
        for (int k = 1; k < length; ++k) {
            code = (code << 6) | (in[i + k] & 0x3f);
        }
        i += length;
        if (QChar::requiresSurrogates(code)) {
            o = WriteReference(o, QChar::highSurrogate(code));
            o = WriteReference(o, QChar::lowSurrogate(code));
        } else {
            o = WriteReference(o, char16_t(code));
        }
    }
    out.truncate(start + (o - begin));
    return size - i;
}
