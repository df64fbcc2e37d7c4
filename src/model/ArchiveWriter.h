#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Builds the little-endian byte stream of a project file in memory; the
// document writes it out in one go, so a write failure never leaves half a
// stream behind.
class CArchiveWriter
{
public:
    void WriteByte(quint8 value);
    void WriteUInt16(quint16 value);
    void WriteUInt32(quint32 value);
    void WriteInt(qint32 value);
    // Header FF FE FF, the length (1, 1+2 or 1+2+4 bytes), then UTF-16LE.
    void WriteString(const QString& text);
    // The file list count: 2 bytes below 0xFFFF, else FF FF and 4 bytes.
    void WriteCount(quint32 count);
    void WriteBytes(const QByteArray& bytes) { m_data += bytes; }

    const QByteArray& Data() const { return m_data; }

private:
    QByteArray m_data;
};
