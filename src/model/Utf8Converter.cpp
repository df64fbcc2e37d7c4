#include "model/Utf8Converter.h"

#include "model/Utf8Validator.h"
#include "model/Win1252Converter.h"

namespace {
void AppendCodePoint(QString& out, char32_t codePoint)
{
    if (QChar::requiresSurrogates(codePoint)) {
        out.append(QChar(QChar::highSurrogate(codePoint)));
        out.append(QChar(QChar::lowSurrogate(codePoint)));
    } else {
        out.append(QChar(char16_t(codePoint)));
    }
}
} // namespace

void CUtf8Converter::AppendInvalid(QString& out, const uchar* bytes, int count) const
{
    if (m_invalidBytes == InvalidBytes::Replace) {
        // One replacement for the longest valid prefix that was cut short.
        out.append(QChar::ReplacementCharacter);
        return;
    }
    for (int i = 0; i < count; ++i) {
        out.append(QChar(CWin1252Converter::ToUnicode(bytes[i])));
    }
}

QString CUtf8Converter::Decode(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size() + 2);
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar byte = uchar(bytes[i]);
        if (m_nLength == 0) {
            const int length = CUtf8Validator::SequenceLength(byte);
            if (length == 1) {
                out.append(QChar(char16_t(byte)));
            } else if (length == 0) {
                AppendInvalid(out, &byte, 1);
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
            AppendInvalid(out, m_sequence, m_nTaken);
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
            AppendCodePoint(out, codePoint);
            m_nLength = 0;
        }
    }
    return out;
}

QString CUtf8Converter::Finish()
{
    QString out;
    if (m_nLength != 0) {
        AppendInvalid(out, m_sequence, m_nTaken);
        m_nLength = 0;
    }
    return out;
}

QByteArray CUtf8Converter::Encode(QStringView text) const
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t codePoint = text[i].unicode();
        if (QChar::isSurrogate(codePoint)) {
            if (!QChar::isHighSurrogate(codePoint) || i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) {
                bytes.append('?'); // a lone surrogate is no character
                continue;
            }
            codePoint = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (codePoint < 0x80) {
            bytes.append(char(codePoint));
        } else if (codePoint < 0x800) {
            bytes.append(char(0xC0 | (codePoint >> 6)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            bytes.append(char(0xE0 | (codePoint >> 12)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else {
            bytes.append(char(0xF0 | (codePoint >> 18)));
            bytes.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        }
    }
    return bytes;
}
