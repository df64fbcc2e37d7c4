#pragma once

#include <QByteArray>
#include <QString>

class CCharsetCodec;
class CTextFileWriter;
class CTextLineReader;

// The content array of a classic page, `var vxpa=new Array("...");`: the
// page's text with numeric references, converted with the page's charset,
// cut into chunks of ten lines, each scrambled under the page key and
// written as Base64. The option block for after login goes in just before
// the page's </head>.
class CClassicArrayWriter final
{
public:
    CClassicArrayWriter(CTextFileWriter& out, const QByteArray& pageKey, const QString& optionBlock);

    // Writes the whole array. `loadedPage`: the page's bytes when they are
    // in memory (a page valid UTF-8 throughout then skips the decoder).
    // False when the page could not be read to its end.
    bool Write(CTextLineReader& reader, CCharsetCodec& codec, const QByteArray* loadedPage);

    static constexpr int kLinesPerChunk = 10;

private:
    // Charsets in which ASCII stands for itself: lines are cut at LF bytes.
    void WriteByteLines(CTextLineReader& reader, CCharsetCodec& codec, bool directUtf8);
    // UTF-16, UTF-7 and the shifting charsets: lines are cut in the text.
    void WriteTextLines(CTextLineReader& reader, CCharsetCodec& codec);
    // Called before each line: a full chunk goes out first.
    void StartLine();
    void FlushChunk();

    CTextFileWriter& m_out;
    const QByteArray m_key;
    const QString m_optionBlock;
    bool m_bOptionsInserted;
    int m_nLines = 0;
    // The chunk being filled, as the bytes it enciphers to.
    QByteArray m_chunk;
    QByteArray m_scrambled;
};
