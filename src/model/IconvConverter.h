#pragma once

#include "model/CharsetConverter.h"

#include <iconv.h>
#include <memory>

// A charset converted by glibc's iconv. The strict (non-transliterating)
// mode is used and its errors are handled here: an invalid byte becomes
// U+FFFD, a character cut off at the end waits for the next call, and a
// character the charset lacks is written as '?'.
class CIconvConverter final : public CCharsetConverter
{
public:
    struct Options
    {
        // Bytes to step over after an invalid sequence: 2 keeps UTF-16 aligned.
        int skipOnError = 1;
        // The decoder keeps a shift state between calls (ISO-2022, UTF-7).
        // Other decoders are flushed after every call, because some of them
        // (Windows-1255, Windows-1258) hold a letter back in case a combining
        // mark follows, and a line must come out whole.
        bool shiftState = false;
        // Announcer a 7-bit charset needs before its first shift-out
        // ("ESC $ ) C" for ISO-2022-KR). Encoded text carries it exactly
        // when it shifts out, whatever iconv does about it.
        QByteArray designation;
    };

    // nullptr when iconv has no converter of that name.
    static std::unique_ptr<CIconvConverter> Open(const char* charset, const Options& options);
    ~CIconvConverter() override;

    QString Decode(QByteArrayView bytes) override;
    QString Finish() override;
    QByteArray Encode(QStringView text) const override;

private:
    CIconvConverter(iconv_t decoder, iconv_t encoder, const Options& options);

    void Convert(QByteArrayView bytes, QByteArray& utf16);

    iconv_t m_decoder;
    // iconv keeps its state in the handle; Encode resets it on entry and on
    // exit, so a call leaves no trace the caller could observe.
    mutable iconv_t m_encoder;
    Options m_options;
    QByteArray m_tail; // the start of a character cut off by the last Decode
};
