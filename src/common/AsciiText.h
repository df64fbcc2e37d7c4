#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Case rules of the program's own: only the ASCII capitals A to Z fold,
// every other letter keeps its case (credentials, tag searches).
namespace AsciiText {

inline char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// `text` with A-Z lower-cased.
QString Fold(QStringView text);

// Position of a lower-case ASCII tag such as "</head" in `text`, ignoring
// the case of A-Z there: what searching a lower-cased copy finds, without
// the copy. -1 when it is not there.
qsizetype FindTag(QByteArrayView text, const char* lowerTag);

// Last position of `needle` in `text`, -1 when it is not there. Qt 6.4's
// own lastIndexOf reads before the text when the needle is the longer one,
// which a damaged or hostile page can arrange.
inline qsizetype LastIndexOf(QByteArrayView text, QByteArrayView needle)
{
    return text.size() < needle.size() ? -1 : text.lastIndexOf(needle);
}

} // namespace AsciiText
