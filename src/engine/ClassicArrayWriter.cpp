#include "engine/ClassicArrayWriter.h"

#include "common/AsciiText.h"
#include "engine/CredentialTable.h"
#include "engine/NumericReferences.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"

CClassicArrayWriter::CClassicArrayWriter(CTextFileWriter& out, const QByteArray& pageKey,
                                         const QString& optionBlock)
    : m_out(out), m_key(pageKey), m_optionBlock(optionBlock), m_bOptionsInserted(optionBlock.isEmpty())
{
    m_chunk.reserve(32 * 1024);
}

bool CClassicArrayWriter::Write(CTextLineReader& reader, CCharsetCodec& codec, const QByteArray* loadedPage)
{
    m_out.Write("var vxpa=new Array(\"");
    if (codec.IsAsciiCompatible()) {
        const bool directUtf8 = loadedPage && codec.EncodingName() == QLatin1String("UTF-8") &&
                                QByteArrayView(*loadedPage).isValidUtf8();
        WriteByteLines(reader, codec, directUtf8);
    } else {
        WriteTextLines(reader, codec);
    }
    if (reader.HasError()) {
        return false;
    }
    if (!m_chunk.isEmpty()) {
        FlushChunk();
    }
    m_out.Write("\");");
    return true;
}

void CClassicArrayWriter::StartLine()
{
    if (m_nLines > 0 && m_nLines % kLinesPerChunk == 0) {
        FlushChunk();
    }
    ++m_nLines;
}

void CClassicArrayWriter::FlushChunk()
{
    if (m_nLines > kLinesPerChunk) {
        m_out.Write("\",\"");
    }
    CCredentialTable::ScrambleInto(m_chunk, m_key, m_scrambled);
    m_out.WriteBase64(m_scrambled.constData(), m_scrambled.size());
    m_chunk.truncate(0);
}

void CClassicArrayWriter::WriteByteLines(CTextLineReader& reader, CCharsetCodec& codec, bool directUtf8)
{
    // Lines are cut at LF in the bytes; a character split between two
    // pieces stays in the converter until the next piece completes it. In
    // these charsets ASCII stands for itself, so the numeric-reference text
    // converts to the same ASCII bytes, and an all-ASCII piece that starts
    // a line needs no conversion at all.
    const QByteArray optionBytes = m_optionBlock.toLatin1();
    // `carry` holds a UTF-8 character cut between two pieces.
    QByteArray carry;
    QByteArray line;
    bool lineStart = true;
    while (reader.ReadLine(line)) {
        StartLine();
        const qsizetype chunkStart = m_chunk.size();
        if (lineStart && NumericReferences::IsAscii(line)) {
            m_chunk.append(line);
        } else if (directUtf8) {
            if (!carry.isEmpty()) {
                line.prepend(carry);
            }
            carry = line.right(NumericReferences::AppendUtf8Bytes(line, m_chunk));
        } else {
            NumericReferences::AppendBytes(codec.Decode(line), m_chunk);
        }
        lineStart = line.endsWith('\n');
        if (!m_bOptionsInserted) {
            const qsizetype p = AsciiText::FindTag(QByteArrayView(m_chunk).sliced(chunkStart), "</head");
            if (p >= 0) {
                m_chunk.insert(chunkStart + p, optionBytes);
                m_bOptionsInserted = true;
            }
        }
    }
    if (!carry.isEmpty()) {
        NumericReferences::AppendBytes(codec.Decode(carry), m_chunk);
    }
    NumericReferences::AppendBytes(codec.Finish(), m_chunk);
}

void CClassicArrayWriter::WriteTextLines(CTextLineReader& reader, CCharsetCodec& codec)
{
    // LF bytes may sit inside a character here, so lines are cut in the
    // decoded text, and each chunk is converted as a whole.
    QString text;
    const auto addLine = [&](QString line) {
        if (m_nLines > 0 && m_nLines % kLinesPerChunk == 0) {
            m_chunk = codec.Encode(NumericReferences::Encode(text));
            text.clear();
        }
        StartLine();
        if (!m_bOptionsInserted) {
            const qsizetype p = line.indexOf(QLatin1String("</head"), 0, Qt::CaseInsensitive);
            if (p >= 0) {
                line.insert(p, m_optionBlock);
                m_bOptionsInserted = true;
            }
        }
        text += line;
    };
    QString pending;
    QByteArray raw;
    bool more = true;
    while (more) {
        more = reader.ReadRaw(raw, 64 * 1024);
        pending += more ? codec.Decode(raw) : codec.Finish();
        pending.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        qsizetype start = 0;
        while (true) {
            const qsizetype lf = pending.indexOf(QLatin1Char('\n'), start);
            if (lf >= 0 && lf - start < CTextLineReader::kMaxPiece) {
                addLine(pending.mid(start, lf + 1 - start));
                start = lf + 1;
            } else if (pending.size() - start >= CTextLineReader::kMaxPiece) {
                addLine(pending.mid(start, CTextLineReader::kMaxPiece));
                start += CTextLineReader::kMaxPiece;
            } else {
                break;
            }
        }
        // Keep a CR that may be the first half of a CR LF in the next block.
        pending.remove(0, start);
        if (!more && !pending.isEmpty()) {
            addLine(pending);
            pending.clear();
        }
    }
    if (!text.isEmpty()) {
        m_chunk = codec.Encode(NumericReferences::Encode(text));
    }
}
