#include "model/Utf8Validator.h"

#include <cstring>

int CUtf8Validator::SequenceLength(uchar lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0; // continuation bytes, C0/C1 (always overlong), F5..FF (beyond U+10FFFF)
}

bool CUtf8Validator::AcceptsNext(uchar lead, int index, uchar byte)
{
    uchar low = 0x80;
    uchar high = 0xBF;
    if (index == 1) {
        switch (lead) {
        case 0xE0:
            low = 0xA0;
            break; // below: overlong
        case 0xED:
            high = 0x9F;
            break; // above: surrogates D800..DFFF
        case 0xF0:
            low = 0x90;
            break; // below: overlong
        case 0xF4:
            high = 0x8F;
            break; // above: beyond U+10FFFF
        default:
            break;
        }
    }
    return byte >= low && byte <= high;
}

void CUtf8Validator::Feed(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size && m_bValid; ++i) {
        if (m_nLength == 0) {
            // Skip runs of ASCII eight bytes at a time: pages are mostly ASCII.
            while (i + 8 <= size) {
                quint64 word;
                std::memcpy(&word, bytes.data() + i, 8);
                if (word & 0x8080808080808080ull) {
                    break;
                }
                i += 8;
            }
            if (i >= size) {
                break;
            }
        }
        const uchar byte = uchar(bytes[i]);
        if (m_nLength == 0) {
            m_nLength = SequenceLength(byte);
            if (m_nLength == 0) {
                m_bValid = false;
            } else if (m_nLength == 1) {
                m_nLength = 0;
            } else {
                m_lead = byte;
                m_nTaken = 1;
            }
        } else if (!AcceptsNext(m_lead, m_nTaken, byte)) {
            m_bValid = false;
        } else if (++m_nTaken == m_nLength) {
            m_nLength = 0;
        }
    }
}

bool CUtf8Validator::Finish()
{
    return m_bValid && m_nLength == 0;
}
