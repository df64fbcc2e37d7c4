#include "model/ArchiveWriter.h"

void CArchiveWriter::WriteByte(quint8 value)
{
    m_data.append(static_cast<char>(value));
}

void CArchiveWriter::WriteUInt16(quint16 value)
{
    WriteByte(quint8(value & 0xFF));
    WriteByte(quint8(value >> 8));
}

void CArchiveWriter::WriteUInt32(quint32 value)
{
    WriteUInt16(quint16(value & 0xFFFF));
    WriteUInt16(quint16(value >> 16));
}

void CArchiveWriter::WriteInt(qint32 value)
{
    WriteUInt32(static_cast<quint32>(value));
}

void CArchiveWriter::WriteString(const QString& text)
{
    const auto length = quint32(text.size());
    WriteByte(0xFF);
    WriteUInt16(0xFFFE);
    if (length < 0xFF) {
        WriteByte(quint8(length));
    } else if (length < 0xFFFE) {
        WriteByte(0xFF);
        WriteUInt16(quint16(length));
    } else {
        WriteByte(0xFF);
        WriteUInt16(0xFFFF);
        WriteUInt32(length);
    }
    m_data.reserve(m_data.size() + text.size() * 2);
    for (const QChar ch : text) {
        WriteUInt16(ch.unicode());
    }
}

void CArchiveWriter::WriteCount(quint32 count)
{
    if (count < 0xFFFF) {
        WriteUInt16(quint16(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(count);
    }
}
