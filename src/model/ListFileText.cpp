#include "model/ListFileText.h"

#include "model/Utf8Validator.h"
#include "model/Win1252Converter.h"

#include <QStringDecoder>

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";
} // namespace

QString ListFileText::Decode(QByteArrayView bytes)
{
    QByteArrayView body = bytes;
    const bool bom = body.startsWith(QByteArrayView(kBom, 3));
    if (bom) {
        body = body.sliced(3);
    }
    CUtf8Validator validator;
    validator.Feed(body);
    if (validator.Finish()) {
        // Only the one mark above is taken off: a U+FEFF the text itself
        // starts with (an entry written after the mark) stays.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(body);
    }
    CWin1252Converter converter;
    return converter.Decode(bytes);
}

QByteArray ListFileText::Encode(const QString& text)
{
    bool narrow = true;
    for (const QChar ch : text) {
        if (ch.unicode() > 0xFF) {
            narrow = false;
            break;
        }
    }
    if (narrow) {
        QByteArray latin1 = text.toLatin1();
        if (Decode(latin1) == text) {
            return latin1;
        }
    }
    return QByteArray(kBom, 3) + text.toUtf8();
}
