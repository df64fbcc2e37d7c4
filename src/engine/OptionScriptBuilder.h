#pragma once

#include <QList>
#include <QString>

class CProject;

// Builds the option script block: the browser-side hardening scripts that
// the Protect page's options select, in the scrambled, percent-escaped form
// the program carries, wrapped so that the browser's vx_dc decoder writes
// them out as one script element while the page loads.
class COptionScriptBuilder final
{
public:
    // Number of stored texts: snippets 1..13, then the opening piece (14)
    // and the closing piece (15).
    static constexpr int kStoredCount = 15;
    static constexpr int kOpeningPiece = 14;
    static constexpr int kClosingPiece = 15;

    // The block for the login page (afterLogin false) or for the page
    // content shown after login (true); empty when no option asks for one.
    // The after-login block never holds the referrer lock snippet.
    static QString BuildOptionScripts(const CProject& data, bool afterLogin);

    // The script element that defines vx_dc in the browser.
    static QString DecoderHeader();
    // The constant vx_dc XORs with every character below 128.
    static int ScrambleConstant();
    // Stored text 1..15 (scrambled, then percent-escaped); empty outside.
    static QString StoredSnippet(int index);
    // The stored texts that `data` selects, rows 1..13 in order.
    static QList<int> SelectedSnippets(const CProject& data, bool afterLogin);

    // Turns off the image toolbar of old browsers, which offered to save
    // an image under the mouse; added with no right click or no drag and drop.
    static QString ImageToolbarLine()
    {
        return QStringLiteral("<META HTTP-EQUIV=\"ImageToolbar\" CONTENT=\"No\">");
    }
};
