#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// One way of turning a file's bytes into UTF-16 and back. CCharsetCodec picks
// the implementation for a code page; callers use CCharsetCodec.
class CCharsetConverter
{
public:
    virtual ~CCharsetConverter() = default;

    // Decodes what it can; an incomplete character or shift sequence at the
    // end is kept and completed by the next call.
    virtual QString Decode(QByteArrayView bytes) = 0;
    // End of input: flushes what is held back (incomplete bytes become
    // U+FFFD) and returns to the initial state.
    virtual QString Finish() = 0;
    // A self-contained encoding of the text: it starts and ends in the
    // initial shift state. Characters the charset can't hold become '?'.
    virtual QByteArray Encode(QStringView text) const = 0;

protected:
    CCharsetConverter() = default;
    CCharsetConverter(const CCharsetConverter&) = delete;
    CCharsetConverter& operator=(const CCharsetConverter&) = delete;
};
