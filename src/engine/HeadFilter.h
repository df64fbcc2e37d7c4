#pragma once

#include <QByteArray>

// What the login page keeps of a page's head when "Copy HEAD section" is
// on: the document's start (doctype, html and head tags), the title, meta
// and base elements, style elements, and links to style sheets and icons,
// each byte for byte, with the text between them. Everything else stays
// out, since the login page is readable before anyone logs in: scripts
// (they run once, in the page written after login), noscript and template
// elements, comments, resource hints (preload, modulepreload, prefetch,
// prerender, preconnect, dns-prefetch), other links and unknown elements.
// Nothing past the first "</head>" of a line is copied, even one inside a
// script. Fed line by line; an element, tag or comment may span lines.
class CHeadFilter final
{
public:
    // Appends what the login page keeps of `line` to `kept`; false once the
    // head has ended (the rest of the line and what follows are not read).
    bool Feed(const QByteArray& line, QByteArray& kept);

    // Whether a link element's start tag (from "<link" to its ">") is a
    // style sheet or an icon that no resource hint comes with.
    static bool IsKeptLink(const QByteArray& tag);

private:
    enum class State
    {
        Text,        // between elements
        Tag,         // inside a tag, collected in m_tag until its ">"
        DropTag,     // inside a tag too long to collect: dropped to its ">"
        Comment,     // inside "<!--", dropped up to "-->"
        DropContent, // inside an element dropped whole, up to m_closing
        KeepContent  // inside a title or style element, kept up to m_closing
    };

    // Handles as much of m_pending as can be decided; at the head's end
    // (`end`) everything, dropping what is left unfinished.
    void Process(QByteArray& kept, bool end);
    // Decides the tag collected in m_tag.
    void FinishTag(QByteArray& kept);

    State m_state = State::Text;
    QByteArray m_pending;
    QByteArray m_tag;
    QByteArray m_closing;  // "</script", "</style", ...
    bool m_nested = false; // the dropped element nests (template)
    int m_depth = 0;
    char m_quote = 0;
};
