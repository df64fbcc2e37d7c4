#include "common/AsciiText.h"

#include <cstring>

namespace AsciiText {

QString Fold(QStringView text)
{
    QString out = text.toString();
    for (QChar& ch : out) {
        const char16_t u = ch.unicode();
        if (u >= u'A' && u <= u'Z') {
            ch = QChar(char16_t(u + (u'a' - u'A')));
        }
    }
    return out;
}

qsizetype FindTag(QByteArrayView text, const char* lowerTag)
{
    const qsizetype tagLength = qsizetype(std::strlen(lowerTag));
    const char* data = text.data();
    const qsizetype last = text.size() - tagLength;
    for (qsizetype i = 0; i <= last; ++i) {
        const auto* lt = static_cast<const char*>(std::memchr(data + i, lowerTag[0], size_t(last - i + 1)));
        if (!lt) {
            return -1;
        }
        i = lt - data;
        qsizetype j = 1;
        while (j < tagLength && Lower(data[i + j]) == lowerTag[j]) {
            ++j;
        }
        if (j == tagLength) {
            return i;
        }
    }
    return -1;
}

} // namespace AsciiText
