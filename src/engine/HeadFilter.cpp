#include "engine/HeadFilter.h"

#include "common/AsciiText.h"

#include <QByteArrayView>
#include <QList>

namespace {

// Longer tags are not collected: nothing the login page keeps is that long.
constexpr qsizetype kMaxTag = 64 * 1024;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EndsTagName(QByteArrayView text, qsizetype at)
{
    return at >= text.size() || IsSpace(text[at]) || text[at] == '>' || text[at] == '/';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Position of a lower-case tag text such as "</style" at or after `from`,
// followed by the end of its name; -1 when not there. `*incomplete` is set
// when the text may continue it past the end.
qsizetype FindTagName(QByteArrayView text, const QByteArray& tag, qsizetype from, bool* incomplete)
{
    *incomplete = false;
    while (from < text.size()) {
        const qsizetype p = AsciiText::FindTag(text.sliced(from), tag.constData());
        if (p < 0) {
            return -1;
        }
        const qsizetype at = from + p;
        if (at + tag.size() >= text.size()) {
            *incomplete = true;
            return -1;
        }
        if (EndsTagName(text, at + tag.size())) {
            return at;
        }
        from = at + 1;
    }
    return -1;
}

// The value of attribute `name` in a lower-cased start tag.
QByteArray AttributeValue(const QByteArray& lower, const char* name)
{
    const QByteArray key = QByteArray(name) + '=';
    qsizetype at = 0;
    while ((at = lower.indexOf(key, at)) >= 0) {
        const char before = at > 0 ? lower.at(at - 1) : ' ';
        at += key.size();
        if (!IsSpace(before)) {
            continue;
        }
        const char quote = at < lower.size() ? lower.at(at) : ' ';
        if (quote == '"' || quote == '\'') {
            const qsizetype end = lower.indexOf(quote, at + 1);
            return lower.mid(at + 1, end < 0 ? -1 : end - at - 1);
        }
        qsizetype end = at;
        while (end < lower.size() && !EndsTagName(QByteArrayView(lower), end)) {
            ++end;
        }
        return lower.mid(at, end - at);
    }
    return {};
}

} // namespace

bool CHeadFilter::IsKeptLink(const QByteArray& tag)
{
    static const QList<QByteArray> hints = {"preload",   "modulepreload", "prefetch",
                                            "prerender", "preconnect",    "dns-prefetch"};
    const QList<QByteArray> rels = AttributeValue(tag.toLower(), "rel").simplified().split(' ');
    bool kept = false;
    for (const QByteArray& rel : rels) {
        if (hints.contains(rel)) {
            return false;
        }
        kept = kept || rel == "stylesheet" || rel.contains("icon");
    }
    return kept;
}

bool CHeadFilter::Feed(const QByteArray& line, QByteArray& kept)
{
    const qsizetype headEnd = AsciiText::FindTag(QByteArrayView(line), "</head>");
    m_pending.append(line.constData(), headEnd >= 0 ? headEnd : line.size());
    Process(kept, headEnd >= 0);
    return headEnd < 0;
}

void CHeadFilter::FinishTag(QByteArray& kept)
{
    static const QList<QByteArray> keptStarts = {"!doctype", "?xml", "html", "head", "meta", "base"};
    static const QList<QByteArray> keptEnds = {"html", "head", "title", "style"};
    const QByteArrayView tag(m_tag);
    qsizetype i = 1;
    const bool closing = i < tag.size() && tag[i] == '/';
    if (closing) {
        ++i;
    }
    const qsizetype start = i;
    while (!EndsTagName(tag, i)) {
        ++i;
    }
    const QByteArray name = m_tag.mid(start, i - start).toLower();
    m_state = State::Text;
    if (closing) {
        if (keptEnds.contains(name)) {
            kept += m_tag;
        }
    } else if (name == "script" || name == "noscript" || name == "template") {
        m_state = State::DropContent;
        m_closing = "</" + name;
        m_nested = name == "template";
        m_depth = 1;
    } else if (name == "title" || name == "style") {
        kept += m_tag;
        m_state = State::KeepContent;
        m_closing = "</" + name;
    } else if (keptStarts.contains(name) || (name == "link" && IsKeptLink(m_tag))) {
        kept += m_tag;
    }
    m_tag.clear();
}

void CHeadFilter::Process(QByteArray& kept, bool end)
{
    const QByteArrayView b(m_pending);
    const qsizetype n = b.size();
    qsizetype pos = 0;
    bool waiting = false;
    while (pos < n && !waiting) {
        switch (m_state) {
        case State::Text: {
            const qsizetype lt = b.indexOf('<', pos);
            if (lt < 0) {
                kept.append(b.data() + pos, n - pos);
                pos = n;
                break;
            }
            kept.append(b.data() + pos, lt - pos);
            pos = lt;
            // Four bytes tell a comment from a tag from a lone "<".
            if (n - lt < 4 && !end) {
                waiting = true;
                break;
            }
            const char next = lt + 1 < n ? b[lt + 1] : '\0';
            if (b.sliced(lt).startsWith("<!--")) {
                m_state = State::Comment;
                pos = lt + 4;
            } else if (IsAsciiLetter(next) || next == '/' || next == '!' || next == '?') {
                m_state = State::Tag;
                m_tag = "<";
                m_quote = 0;
                pos = lt + 1;
            } else {
                kept.append('<');
                pos = lt + 1;
            }
            break;
        }
        case State::Tag:
            while (pos < n) {
                const char c = b[pos++];
                if (m_quote != 0) {
                    m_tag.append(c);
                    m_quote = c == m_quote ? 0 : m_quote;
                    continue;
                }
                if (c == '"' || c == '\'') {
                    // A quote opens a value only right after "=" (blanks aside).
                    qsizetype before = m_tag.size() - 1;
                    while (before > 0 && IsSpace(m_tag.at(before))) {
                        --before;
                    }
                    if (m_tag.at(before) == '=') {
                        m_quote = c;
                    }
                }
                m_tag.append(c);
                if (c == '>') {
                    FinishTag(kept);
                    break;
                }
                if (m_tag.size() > kMaxTag) {
                    m_tag.clear();
                    m_state = State::DropTag;
                    break;
                }
            }
            break;
        case State::DropTag: {
            const qsizetype gt = b.indexOf('>', pos);
            pos = gt < 0 ? n : gt + 1;
            if (gt >= 0) {
                m_state = State::Text;
            }
            break;
        }
        case State::Comment: {
            const qsizetype close = b.indexOf("-->", pos);
            if (close >= 0) {
                pos = close + 3;
                m_state = State::Text;
            } else {
                // The last two bytes may begin the "-->".
                pos = qMax(pos, n - 2);
                waiting = true;
            }
            break;
        }
        case State::DropContent:
        case State::KeepContent: {
            bool closeIncomplete = false;
            bool openIncomplete = false;
            const qsizetype close = FindTagName(b, m_closing, pos, &closeIncomplete);
            const QByteArray opening = "<" + m_closing.mid(2);
            const qsizetype open = m_nested && m_state == State::DropContent
                                       ? FindTagName(b, opening, pos, &openIncomplete)
                                       : -1;
            const bool keep = m_state == State::KeepContent;
            if (open >= 0 && (close < 0 || open < close)) {
                ++m_depth;
                pos = open + opening.size();
                break;
            }
            if (close < 0) {
                // Up to where a tag name may begin, the content is decided.
                qsizetype safe = n - m_closing.size();
                if (closeIncomplete || openIncomplete) {
                    safe = qMin(safe, n - 1);
                }
                safe = qMax(safe, pos);
                if (keep) {
                    kept.append(b.data() + pos, safe - pos);
                }
                pos = safe;
                waiting = true;
                break;
            }
            if (keep) {
                // The end tag is kept as a tag of its own.
                kept.append(b.data() + pos, close - pos);
                pos = close;
                m_state = State::Text;
            } else if (--m_depth == 0) {
                pos = close + m_closing.size();
                m_state = State::DropTag;
            } else {
                pos = close + m_closing.size();
            }
            break;
        }
        }
    }
    m_pending.remove(0, pos);
    if (!end) {
        return;
    }
    // The head ends here: what is kept is closed, what is unfinished goes,
    // so the login script that follows is never taken into a tag, a title
    // or a style sheet.
    if (m_state == State::KeepContent) {
        kept += m_pending + m_closing + '>';
    } else if (m_state == State::Text) {
        kept += m_pending;
    }
    m_pending.clear();
    m_tag.clear();
    m_state = State::Text;
}
