#pragma once

#include "engine/AssetFormat.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// Opens an enciphered site file (AssetFormat.h): the whole plaintext as a
// stream, or single chunks for a byte range of a stored file. Every chunk
// is checked against the file's path, its place and the end of the file,
// so a file swapped with another, cut or reordered is refused.
class CAssetReader final
{
public:
    CAssetReader(const QByteArray& contentKey, const QString& sitePath);

    // Reads and checks the header of `in` (kept, must outlive the reader).
    bool Open(QIODevice& in, QString& error);
    const AssetFormat::Header& Header() const { return m_header; }
    // The plaintext size of a stored file; -1 for a deflated one.
    qint64 PlainSize() const;

    // The plaintext of chunk `index` (compressed bytes of a deflated file).
    bool ReadChunk(quint32 index, QByteArray& plain, QString& error);
    // The file's original bytes, handed to `sink` in pieces; false when a
    // chunk does not open, the deflate stream is broken or `sink` refuses.
    bool ReadAll(const std::function<bool(const char*, qsizetype)>& sink, QString& error);

private:
    const QByteArray m_contentKey;
    const QByteArray m_sitePath;
    QIODevice* m_pIn = nullptr;
    AssetFormat::Header m_header;
    QByteArray m_boundHeader;
    QByteArray m_key;
    qint64 m_fileSize = 0;
    QByteArray m_sealed;
};
