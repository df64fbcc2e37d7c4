#include "engine/JsString.h"

namespace JsString {

QString EscapeBody(QStringView text)
{
    static const char kHex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        switch (u) {
        case u'\\':
            out += QLatin1String("\\\\");
            continue;
        case u'"':
            out += QLatin1String("\\\"");
            continue;
        case u'\'':
            out += QLatin1String("\\'");
            continue;
        case u'\n':
            out += QLatin1String("\\n");
            continue;
        case u'\r':
            out += QLatin1String("\\r");
            continue;
        case u'\t':
            out += QLatin1String("\\t");
            continue;
        default:
            break;
        }
        if (u < 0x20 || u >= 0x7F || u == u'<' || u == u'>' || u == u'&') {
            out += QLatin1String("\\u");
            out += QLatin1Char(kHex[(u >> 12) & 0xF]);
            out += QLatin1Char(kHex[(u >> 8) & 0xF]);
            out += QLatin1Char(kHex[(u >> 4) & 0xF]);
            out += QLatin1Char(kHex[u & 0xF]);
            continue;
        }
        out += ch;
    }
    return out;
}

} // namespace JsString
