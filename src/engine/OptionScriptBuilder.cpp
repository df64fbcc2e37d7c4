#include "engine/OptionScriptBuilder.h"

#include "StoredSnippets.inc"
#include "engine/JsString.h"
#include "model/Project.h"

static_assert(sizeof(StoredSnippets::kStored) / sizeof(StoredSnippets::kStored[0]) ==
                  COptionScriptBuilder::kStoredCount,
              "the generated file must hold every stored text");

QString COptionScriptBuilder::DecoderHeader()
{
    return QLatin1String(StoredSnippets::kDecoderHeader);
}

int COptionScriptBuilder::ScrambleConstant()
{
    return StoredSnippets::kScrambleConstant;
}

QString COptionScriptBuilder::StoredSnippet(int index)
{
    if (index < 1 || index > kStoredCount)
        return QString();
    return QLatin1String(StoredSnippets::kStored[index - 1]);
}

QList<int> COptionScriptBuilder::SelectedSnippets(const CProject& data, bool afterLogin)
{
    // Rows of the stored texts, in the order they are written.
    enum Row
    {
        NoMozilla = 1,
        NoOpera,
        NoRightClickTextSelect,
        NoRightClick,
        NoTextSelect,
        NoPrint,
        NoOffline,
        NoStatusLinks,
        KillFrame,
        NoPrintScreen,
        NoDragDrop,
        LocationLock,
        ReferrerLock
    };
    QList<int> rows;
    if (data.m_bNoMozilla)
        rows << NoMozilla;
    if (data.m_bNoOpera)
        rows << NoOpera;
    if (data.m_bNoRightClick && data.m_bNoTextSelect)
        rows << NoRightClickTextSelect;
    else if (data.m_bNoRightClick)
        rows << NoRightClick;
    else if (data.m_bNoTextSelect)
        rows << NoTextSelect;
    if (data.m_bNoPrint)
        rows << NoPrint;
    if (data.m_bNoOffline)
        rows << NoOffline;
    if (data.m_bNoStatusLinks)
        rows << NoStatusLinks;
    if (data.m_bKillFrame)
        rows << KillFrame;
    if (data.m_bNoPrintScreen)
        rows << NoPrintScreen;
    if (data.m_bNoDragDrop)
        rows << NoDragDrop;
    if (data.m_bLocationLock)
        rows << LocationLock;
    // The referrer of the content written after login is the login page
    // itself, so the lock only makes sense on the login page.
    if (data.m_bReferrerLock && !afterLogin)
        rows << ReferrerLock;
    return rows;
}

QString COptionScriptBuilder::BuildOptionScripts(const CProject& data, bool afterLogin)
{
    QString text;
    for (const int row : SelectedSnippets(data, afterLogin))
        text += StoredSnippet(row);

    if (!text.isEmpty()) {
        text = StoredSnippet(kOpeningPiece) + text + StoredSnippet(kClosingPiece);
        text = QLatin1String("vx_dc(unescape(\"") + text + QLatin1String("\"));");
    }
    // The lock addresses are what the user typed; escaped as string bodies
    // they reach the scripts unchanged and can't end the script element.
    if (data.m_bLocationLock) {
        text = QLatin1String("var vx_llu=\"") + JsString::EscapeBody(data.m_strLocationLock) +
               QLatin1String("\";") + text;
    }
    // Declared for both blocks, even where no snippet reads it.
    if (data.m_bReferrerLock) {
        text = QLatin1String("var vx_rlu=\"") + JsString::EscapeBody(data.m_strReferrerLock) +
               QLatin1String("\";") + text;
    }
    if (!text.isEmpty()) {
        text = QLatin1String("<SCRIPT type=\"text/javascript\">") + text + QLatin1String("</SCRIPT>");
        text = DecoderHeader() + text;
    }
    if (data.m_bNoRightClick || data.m_bNoDragDrop)
        text += ImageToolbarLine();
    return text;
}
