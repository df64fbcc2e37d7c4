#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// Enciphers one site file into the asset layout (AssetFormat.h): reads its
// source as a stream and writes chunks as they fill, so memory stays flat
// however large the file is.
class CAssetWriter final
{
public:
    explicit CAssetWriter(const QByteArray& contentKey);

    // Enciphers everything `in` gives into `out`, which must be seekable and
    // empty: the header's chunk count is written last. `sitePath` is the
    // file's path below the site root; `deflate` picks the deflated layout.
    // `nonce` is drawn at random when empty (tests give a fixed one). False
    // with `error` set on a read, write or cipher failure.
    bool Write(QIODevice& in, QIODevice& out, const QString& sitePath, bool deflate, QString& error,
               const QByteArray& nonce = QByteArray());
    // The same from a source that fills `data` with the next bytes: their
    // count, 0 at the end, -1 on a read error.
    using Source = std::function<qint64(char* data, qint64 size)>;
    bool Write(const Source& in, QIODevice& out, const QString& sitePath, bool deflate, QString& error,
               const QByteArray& nonce = QByteArray());

private:
    const QByteArray m_contentKey;
};
