#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <memory>

class CCharsetConverter;

// Converts between a file's bytes and UTF-16 for one code page of the
// charset table. Decoding is a stream: feed the file in pieces, then Finish.
//
// Three rows choose their converter from a sample of the file: the default
// row (code page 0) takes UTF-8 when the sample is valid UTF-8 and otherwise
// Windows-1252 with every byte mapped, so it never loses a byte; the
// Japanese (50932) and Korean (50949) automatic rows look for ISO-2022
// escapes, valid UTF-8 and the byte patterns of the EUC and Windows forms.
//
// A codec belongs to one thread at a time: even Encode uses the converter's
// scratch state.
class CCharsetCodec final
{
public:
    // codePage is one of the charset table's code pages. sample is what the
    // choosing rows look at; the more of the file it holds, the better. An
    // incomplete sequence cut off at the very end of the sample counts as
    // valid UTF-8.
    explicit CCharsetCodec(int codePage, QByteArrayView sample = {});
    ~CCharsetCodec();
    CCharsetCodec(CCharsetCodec&&) noexcept;
    CCharsetCodec& operator=(CCharsetCodec&&) noexcept;

    // False when no converter could be opened (an unknown code page); such a
    // codec decodes and encodes nothing.
    bool IsValid() const { return m_pConverter != nullptr; }
    // The converter in use, e.g. "UTF-8", "WINDOWS-1252", "CP932", "ISO-2022-JP".
    QString EncodingName() const { return m_strName; }
    // True when every ASCII byte stands for its ASCII character and the bytes
    // 0x0A and 0x0D never occur inside a multi-byte character, so that lines
    // and ASCII tags can be found in the raw bytes.
    bool IsAsciiCompatible() const { return m_bAsciiCompatible; }

    // Bytes may end inside a character or shift sequence; that tail is kept
    // and completed by the next call. Invalid bytes become U+FFFD, except in
    // the default row, where each byte stands for a character.
    QString Decode(QByteArrayView bytes);
    // End of input: held-back incomplete bytes become U+FFFD and the decoder
    // returns to its initial state.
    QString Finish();
    // A complete encoding of the text that starts and ends in the initial
    // shift state. Characters the charset can't hold become '?'. No byte
    // order mark is written.
    QByteArray Encode(QStringView text) const;

private:
    void Open(const char* encoding);

    std::unique_ptr<CCharsetConverter> m_pConverter;
    QString m_strName;
    bool m_bAsciiCompatible = false;
};
