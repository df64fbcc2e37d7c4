#include "model/ArchiveReader.h"

#include "model/Utf8Validator.h"
#include "model/Win1252Converter.h"

#include <QIODevice>

namespace {
// Strings are read in slices of this size, so that a damaged length field
// cannot make the reader allocate gigabytes before it meets the file's end.
constexpr qint64 kReadSlice = 1 << 20;
} // namespace

CArchiveReader::CArchiveReader(QIODevice* device) : m_device(device) {}

void CArchiveReader::Fail(Status status)
{
    if (m_status == Status::Ok) {
        m_status = status;
    }
}

bool CArchiveReader::ReadRaw(char* buffer, qint64 size)
{
    if (m_status != Status::Ok) {
        return false;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = m_device->read(buffer + done, size - done);
        if (n < 0) {
            Fail(Status::ReadError);
            return false;
        }
        if (n == 0) {
            Fail(Status::EndOfFile);
            return false;
        }
        done += n;
    }
    return true;
}

bool CArchiveReader::AtEnd() const
{
    return m_device->atEnd();
}

qint64 CArchiveReader::BytesLeft() const
{
    return m_device->isSequential() ? -1 : m_device->size() - m_device->pos();
}

QByteArray CArchiveReader::ReadBytes(qint64 size)
{
    QByteArray result;
    while (m_status == Status::Ok && result.size() < size) {
        const qint64 slice = qMin(kReadSlice, size - result.size());
        const auto oldSize = result.size();
        result.resize(oldSize + slice);
        if (!ReadRaw(result.data() + oldSize, slice)) {
            return {};
        }
    }
    return result;
}

quint8 CArchiveReader::ReadByte()
{
    unsigned char b = 0;
    ReadRaw(reinterpret_cast<char*>(&b), 1);
    return m_status == Status::Ok ? b : 0;
}

quint16 CArchiveReader::ReadUInt16()
{
    unsigned char b[2] = {};
    if (!ReadRaw(reinterpret_cast<char*>(b), 2)) {
        return 0;
    }
    return static_cast<quint16>(b[0] | (b[1] << 8));
}

quint32 CArchiveReader::ReadUInt32()
{
    unsigned char b[4] = {};
    if (!ReadRaw(reinterpret_cast<char*>(b), 4)) {
        return 0;
    }
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

quint64 CArchiveReader::ReadUInt64()
{
    const quint64 low = ReadUInt32();
    const quint64 high = ReadUInt32();
    return low | (high << 32);
}

qint32 CArchiveReader::ReadInt()
{
    return static_cast<qint32>(ReadUInt32());
}

quint32 CArchiveReader::ReadCount()
{
    const quint16 shortCount = ReadUInt16();
    if (shortCount != 0xFFFF) {
        return shortCount;
    }
    return ReadUInt32();
}

QString CArchiveReader::ReadString()
{
    bool wide = false;
    quint64 length = 0;

    const quint8 b = ReadByte();
    if (!IsOk()) {
        return {};
    }
    if (b < 0xFF) {
        length = b;
    } else {
        quint16 w = ReadUInt16();
        bool haveLength = false;
        if (IsOk() && w == 0xFFFE) {
            wide = true;
            const quint8 b2 = ReadByte();
            if (b2 < 0xFF) {
                length = b2;
                haveLength = true;
            } else {
                w = ReadUInt16();
            }
        }
        if (!haveLength) {
            if (w < 0xFFFF) {
                length = w;
            } else {
                const quint32 d = ReadUInt32();
                if (d < 0xFFFFFFFFu) {
                    length = d;
                } else {
                    const quint64 q = ReadUInt64();
                    if (IsOk() && q > 0x7FFFFFFFu) {
                        Fail(Status::Generic);
                    }
                    length = q;
                }
            }
        }
    }
    if (!IsOk()) {
        return {};
    }

    if (wide) {
        if (length > 0x3FFFFFFFu) {
            // Longer than any QString can hold; the file cannot be this long in practice.
            Fail(Status::Generic);
            return {};
        }
        const QByteArray bytes = ReadBytes(qint64(length) * 2);
        if (!IsOk()) {
            return {};
        }
        QString text(qsizetype(length), Qt::Uninitialized);
        auto* out = reinterpret_cast<char16_t*>(text.data());
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
        for (quint64 i = 0; i < length; ++i) {
            out[i] = char16_t(in[2 * i] | (in[2 * i + 1] << 8));
        }
        return text;
    }
    // One-byte strings come from old writers: UTF-8 from ours, the ANSI
    // code page (Windows-1252) from Windows, which is never valid UTF-8
    // once it holds a letter beyond ASCII.
    const QByteArray bytes = ReadBytes(qint64(length));
    if (!IsOk()) {
        return {};
    }
    CUtf8Validator validator;
    validator.Feed(bytes);
    if (validator.Finish()) {
        return QString::fromUtf8(bytes);
    }
    CWin1252Converter converter;
    return converter.Decode(bytes);
}
