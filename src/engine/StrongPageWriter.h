#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class CCharsetCodec;
class CDeflateAhead;
class CStrongSiteKeys;
class CTextFileWriter;
class CTextLineReader;

// Writes the data statements of a strong-format page: the page's text,
// decoded with its charset and carried as UTF-8, deflated and enciphered
// in chunks under the page's own key (docs/strong-format.md). A page of up
// to kWholeText bytes is deflated at once with libdeflate (a third faster
// than zlib at the same level); a larger one streams through zlib, so only
// a block of the page and a chunk of compressed bytes are held at a time.
// Both give one raw deflate stream.
class CStrongPageWriter final
{
public:
    explicit CStrongPageWriter(const CStrongSiteKeys& keys);

    // Writes `var vxsa=[...];var vxsv=[...];` (and `var vxsk=[...];` for a
    // list of users). `afterLoginBlock` goes in front of the page's first
    // "</head" when it is not empty. False with `error` set on a read,
    // compression or cipher failure.
    bool WriteData(CTextLineReader& reader, CCharsetCodec& codec, const QString& afterLoginBlock,
                   CTextFileWriter& out, QString& error);

    // The text a page's data statements carry, for the unlocker: the
    // content chunks (Base64) opened with the page key and inflated. False
    // when a chunk does not open (wrong key, changed or moved data).
    // Deflates the page at `path` (up to kWholeText bytes) ahead of its
    // turn; a later WriteData of the same page and text, given `ahead`,
    // seals those bytes instead of deflating again. False for a larger page
    // or a read failure.
    static bool DeflateAhead(const QString& path, CTextLineReader& reader, CCharsetCodec& codec,
                             const QString& afterLoginBlock, CDeflateAhead& ahead);
    void SetDeflateAhead(CDeflateAhead* ahead, const QString& path)
    {
        m_pAhead = ahead;
        m_strPath = path;
    }

    static bool OpenContent(const QList<QByteArray>& chunks, const QByteArray& contentKey,
                            const QByteArray& nonce, const std::function<bool(const QByteArray&)>& sink);

    static constexpr qsizetype kChunkSize = 64 * 1024;
    // Deflate level 1: HTML still shrinks several times over, at a speed
    // close to copying.
    static constexpr int kDeflateLevel = 1;
    // The largest text deflated in one piece (two such buffers per worker).
    static constexpr qsizetype kWholeText = 4 * 1024 * 1024;

private:
    const CStrongSiteKeys& m_keys;
    CDeflateAhead* m_pAhead = nullptr;
    QString m_strPath;
};
