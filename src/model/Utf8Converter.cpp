#include "model/Utf8Converter.h"

#include "model/Utf8Validator.h"
#include "model/Win1252Converter.h"

// Both directions write through raw pointers into a result sized for the
// worst case: pages are converted piece by piece, and appending character
// by character would dominate the time of a protect run.

char16_t* CUtf8Converter::WriteInvalid(char16_t* out, const uchar* bytes, int count) const
{
    if (m_invalidBytes == InvalidBytes::Replace) {
        // One replacement for the longest valid prefix that was cut short.
        *out++ = QChar::ReplacementCharacter;
        return out;
    }
    for (int i = 0; i < count; ++i) {
        *out++ = CWin1252Converter::ToUnicode(bytes[i]);
    }
    return out;
}

QString CUtf8Converter::Decode(QByteArrayView bytes)
{
    // Every byte gives at most one unit (a 4-byte sequence gives two), plus
    // the stand-ins for an open sequence that breaks.
    QString out(bytes.size() + 4, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = begin;
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar byte = in[i];
        if (m_nLength == 0) {
            if (byte < 0x80) {
                *o++ = byte;
                ++i;
                continue;
            }
            const int length = CUtf8Validator::SequenceLength(byte);
            if (length == 0) {
                o = WriteInvalid(o, &byte, 1);
            } else {
                m_sequence[0] = byte;
                m_nTaken = 1;
                m_nLength = length;
            }
            ++i;
            continue;
        }
        if (!CUtf8Validator::AcceptsNext(m_sequence[0], m_nTaken, byte)) {
            // The open sequence is broken; this byte starts afresh.
            o = WriteInvalid(o, m_sequence, m_nTaken);
            m_nLength = 0;
            continue;
        }
        m_sequence[m_nTaken++] = byte;
        ++i;
        if (m_nTaken == m_nLength) {
            static constexpr uchar kLeadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
            char32_t codePoint = m_sequence[0] & kLeadMask[m_nLength];
            for (int k = 1; k < m_nLength; ++k) {
                codePoint = (codePoint << 6) | (m_sequence[k] & 0x3F);
            }
            if (QChar::requiresSurrogates(codePoint)) {
                *o++ = QChar::highSurrogate(codePoint);
                *o++ = QChar::lowSurrogate(codePoint);
            } else {
                *o++ = char16_t(codePoint);
            }
            m_nLength = 0;
        }
    }
    out.truncate(o - begin);
    return out;
}

QString CUtf8Converter::Finish()
{
    QString out;
    if (m_nLength != 0) {
        out.resize(4);
        char16_t* begin = reinterpret_cast<char16_t*>(out.data());
        out.truncate(WriteInvalid(begin, m_sequence, m_nTaken) - begin);
        m_nLength = 0;
    }
    return out;
}

QByteArray CUtf8Converter::Encode(QStringView text) const
{
    QByteArray bytes(text.size() * 3, Qt::Uninitialized);
    char* const begin = bytes.data();
    char* o = begin;
    const char16_t* in = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t codePoint = in[i];
        if (codePoint < 0x80) {
            *o++ = char(codePoint);
            continue;
        }
        if (QChar::isSurrogate(codePoint)) {
            if (!QChar::isHighSurrogate(codePoint) || i + 1 >= size || !QChar::isLowSurrogate(in[i + 1])) {
                *o++ = '?'; // a lone surrogate is no character
                continue;
            }
            codePoint = QChar::surrogateToUcs4(char16_t(codePoint), in[i + 1]);
            ++i;
        }
        if (codePoint < 0x800) {
            *o++ = char(0xC0 | (codePoint >> 6));
            *o++ = char(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            *o++ = char(0xE0 | (codePoint >> 12));
            *o++ = char(0x80 | ((codePoint >> 6) & 0x3F));
            *o++ = char(0x80 | (codePoint & 0x3F));
        } else {
            *o++ = char(0xF0 | (codePoint >> 18));
            *o++ = char(0x80 | ((codePoint >> 12) & 0x3F));
            *o++ = char(0x80 | ((codePoint >> 6) & 0x3F));
            *o++ = char(0x80 | (codePoint & 0x3F));
        }
    }
    bytes.truncate(o - begin);
    return bytes;
}
