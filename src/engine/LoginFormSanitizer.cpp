#include "engine/LoginFormSanitizer.h"

#include <QList>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

QByteArray LowerAscii(QByteArrayView text)
{
    QByteArray out(text.size(), '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        out[i] = Lower(text[i]);
    }
    return out;
}

// Where `needle` (lower case) starts in `text` at or after `from`, letter
// case of A-Z ignored; -1 when it does not.
qsizetype FindFolded(const QByteArray& text, QByteArrayView needle, qsizetype from)
{
    for (qsizetype i = from; i + needle.size() <= text.size(); ++i) {
        qsizetype k = 0;
        while (k < needle.size() && Lower(text[i + k]) == needle[k]) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return -1;
}

struct Attribute
{
    QByteArray name; // lower case
    qsizetype begin; // the attribute's text with the blanks before it
    qsizetype end;
};

// Parses the start tag at `at` (text[at] == '<') as a browser does: its
// name, its attributes and the position after its '>'. False when the tag
// is not closed before the end of the text.
bool ParseTag(const QByteArray& text, qsizetype at, QByteArray& name, QList<Attribute>& attributes,
              qsizetype& after)
{
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    while (i < n && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>') {
        ++i;
    }
    name = LowerAscii(QByteArrayView(text).sliced(at + 1, i - at - 1));
    attributes.clear();
    while (i < n) {
        const qsizetype begin = i;
        while (i < n && (IsSpace(text[i]) || text[i] == '/')) {
            ++i;
        }
        if (i >= n) {
            return false;
        }
        if (text[i] == '>') {
            after = i + 1;
            return true;
        }
        const qsizetype nameAt = i;
        ++i; // a first '=' belongs to the name
        while (i < n && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>' && text[i] != '=') {
            ++i;
        }
        Attribute attribute{LowerAscii(QByteArrayView(text).sliced(nameAt, i - nameAt)), begin, i};
        qsizetype j = i;
        while (j < n && IsSpace(text[j])) {
            ++j;
        }
        if (j < n && text[j] == '=') {
            ++j;
            while (j < n && IsSpace(text[j])) {
                ++j;
            }
            if (j < n && (text[j] == '"' || text[j] == '\'')) {
                const qsizetype close = text.indexOf(text[j], j + 1);
                if (close < 0) {
                    return false;
                }
                j = close + 1;
            } else {
                while (j < n && !IsSpace(text[j]) && text[j] != '>') {
                    ++j;
                }
            }
            i = j;
            attribute.end = i;
        }
        attributes.append(attribute);
    }
    return false;
}

// The start tag rebuilt without the attributes `drop` names, `extra` added
// before its end.
QByteArray Rebuild(const QByteArray& text, qsizetype at, qsizetype after, const QByteArray& name,
                   const QList<Attribute>& attributes, std::initializer_list<const char*> drop,
                   const QByteArray& extra)
{
    QByteArray out = text.mid(at, 1 + name.size());
    for (const Attribute& attribute : attributes) {
        bool dropped = false;
        for (const char* d : drop) {
            dropped = dropped || attribute.name == d;
        }
        if (!dropped) {
            out += text.mid(attribute.begin, attribute.end - attribute.begin);
        }
    }
    out += extra;
    const qsizetype tail = attributes.isEmpty() ? at + 1 + name.size() : attributes.last().end;
    out += text.mid(tail, after - tail); // blanks, a closing slash, the '>'
    return out;
}

} // namespace

QByteArray CLoginFormSanitizer::NoScriptLine()
{
    return QByteArrayLiteral("<noscript><p style=\"margin:1rem;font:16px/1.5 sans-serif\">This page needs "
                             "JavaScript.</p></noscript>");
}

QByteArray CLoginFormSanitizer::Sanitize(const QByteArray& body)
{
    QByteArray out;
    out.reserve(body.size() + 256);
    bool bodySeen = false;
    QByteArray name;
    QList<Attribute> attributes;
    qsizetype i = 0;
    const qsizetype n = body.size();
    while (i < n) {
        const qsizetype lt = body.indexOf('<', i);
        if (lt < 0) {
            out += body.mid(i);
            break;
        }
        out += body.mid(i, lt - i);
        if (body.mid(lt, 4) == "<!--") {
            const qsizetype close = body.indexOf("-->", lt + 4);
            const qsizetype end = close < 0 ? n : close + 3;
            out += body.mid(lt, end - lt);
            i = end;
            continue;
        }
        const bool startTag = lt + 1 < n && ((Lower(body[lt + 1]) >= 'a' && Lower(body[lt + 1]) <= 'z'));
        qsizetype after = 0;
        if (!startTag || !ParseTag(body, lt, name, attributes, after)) {
            out += '<';
            i = lt + 1;
            continue;
        }
        if (name == "form") {
            out += Rebuild(body, lt, after, name, attributes, {"action", "method", "target", "enctype"},
                           QByteArrayLiteral(" action=\"javascript:void(0)\""));
        } else if (name == "input" || name == "button" || name == "select" || name == "textarea") {
            out += Rebuild(body, lt, after, name, attributes,
                           {"name", "formaction", "formmethod", "formtarget", "formenctype"}, QByteArray());
        } else {
            out += body.mid(lt, after - lt);
        }
        i = after;
        if (name == "body" && !bodySeen) {
            bodySeen = true;
            out += NoScriptLine();
        }
        // Raw text: no tags inside until the element's end tag.
        if (name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp" ||
            name == "noembed" || name == "noframes" || name == "iframe") {
            const qsizetype close = FindFolded(body, QByteArray("</" + name), i);
            const qsizetype end = close < 0 ? n : close;
            out += body.mid(i, end - i);
            i = end;
        }
    }
    return out;
}
