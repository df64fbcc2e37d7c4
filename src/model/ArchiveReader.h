#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Reads the little-endian byte stream of a project file. The first failure
// sticks: later reads return zero values and the caller checks Status().
class CArchiveReader
{
public:
    enum class Status
    {
        Ok,
        EndOfFile, // fewer bytes than the layout needs
        Generic,   // a value the format does not allow (e.g. a string longer than 2^31-1)
        ReadError, // the device reported an I/O error
    };

    explicit CArchiveReader(QIODevice* device);

    quint8 ReadByte();
    quint16 ReadUInt16();
    quint32 ReadUInt32();
    quint64 ReadUInt64();
    qint32 ReadInt();
    QString ReadString();
    // The file list count: 2 bytes, or FF FF followed by 4 bytes.
    quint32 ReadCount();
    // `size` raw bytes, read in slices so a damaged length can't allocate
    // more than the file holds.
    QByteArray ReadBytes(qint64 size);
    bool AtEnd() const;
    // A value that promises more than the file holds: the file counts as
    // cut short.
    void FailTruncated() { Fail(Status::EndOfFile); }
    // Bytes left in a file or buffer; -1 for a stream of unknown length.
    qint64 BytesLeft() const;

    Status GetStatus() const { return m_status; }
    bool IsOk() const { return m_status == Status::Ok; }

private:
    bool ReadRaw(char* buffer, qint64 size);
    void Fail(Status status);

    QIODevice* m_device;
    Status m_status = Status::Ok;
};
