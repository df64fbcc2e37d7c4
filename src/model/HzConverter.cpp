#include "model/HzConverter.h"

#include "model/DoubleByteTable.h"

QString CHzConverter::Decode(QByteArrayView bytes)
{
    QByteArray data = m_pending;
    data.append(bytes.data(), bytes.size());
    m_pending.clear();
    const CDoubleByteTable& gb = CDoubleByteTable::Gb2312();

    QString out;
    out.reserve(data.size());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        const uchar byte = uchar(data[i]);
        if (byte == '~') {
            if (i + 1 >= n) {
                m_pending = data.mid(i);
                break;
            }
            const char next = data[i + 1];
            if (next == '~') {
                out.append(QLatin1Char('~'));
            } else if (next == '{' || next == '}') {
                m_bGb = next == '{';
            } else if (next == '\r') {
                // "~" CR LF joins lines as "~" LF does.
                if (i + 2 >= n) {
                    m_pending = data.mid(i);
                    break;
                }
                if (data[i + 2] != '\n') {
                    out.append(QChar::ReplacementCharacter);
                    ++i;
                    continue;
                }
                ++i;
            } else if (next != '\n') {
                out.append(QChar::ReplacementCharacter);
                ++i; // the byte after the stray '~' is read again
                continue;
            }
            i += 2;
            continue;
        }
        if (byte >= 0x80) {
            out.append(QChar::ReplacementCharacter); // HZ is 7-bit
            ++i;
            continue;
        }
        if (!m_bGb || byte < 0x21 || byte == 0x7F) {
            // A line end inside GB text means the writer forgot "~}"; going
            // back to ASCII keeps the damage to that line.
            if (byte == '\n' || byte == '\r') {
                m_bGb = false;
            }
            out.append(QChar(char16_t(byte)));
            ++i;
            continue;
        }
        if (i + 1 >= n) {
            m_pending = data.mid(i);
            break;
        }
        const uchar second = uchar(data[i + 1]);
        if (!CDoubleByteTable::IsByte(second)) {
            out.append(QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        const char16_t unit = gb.ToUnicode(byte, second);
        out.append(unit ? QChar(unit) : QChar(QChar::ReplacementCharacter));
        i += 2;
    }
    return out;
}

QString CHzConverter::Finish()
{
    QString out;
    if (!m_pending.isEmpty()) {
        out.append(QChar::ReplacementCharacter);
        m_pending.clear();
    }
    m_bGb = false;
    return out;
}

QByteArray CHzConverter::Encode(QStringView text) const
{
    const CDoubleByteTable& gb = CDoubleByteTable::Gb2312();
    QByteArray out;
    out.reserve(text.size() * 2 + 4);
    bool inGb = false;
    const auto leaveGb = [&]() {
        if (inGb) {
            out.append("~}");
            inGb = false;
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // outside the BMP: one '?' below
        }
        const quint16 pair = unit < 0x80 ? 0 : gb.FromUnicode(unit);
        if (pair == 0) {
            leaveGb();
            out.append(unit == u'~' ? "~~" : unit < 0x80 ? QByteArray(1, char(unit)) : QByteArray("?"));
            continue;
        }
        if (!inGb) {
            out.append("~{");
            inGb = true;
        }
        out.append(char(pair >> 8));
        out.append(char(pair & 0xFF));
    }
    leaveGb();
    return out;
}
