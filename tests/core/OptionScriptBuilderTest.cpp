#include "engine/OptionScriptBuilder.h"

#include "TestConfig.h"
#include "model/Project.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Flag = bool CProject::*;

const QString kScriptOpen = QStringLiteral("<SCRIPT type=\"text/javascript\">");
const QString kScriptClose = QStringLiteral("</SCRIPT>");

CProject NoOptions()
{
    CProject data;
    for (Flag flag : {&CProject::m_bNoMozilla, &CProject::m_bNoOpera, &CProject::m_bNoRightClick,
                      &CProject::m_bNoTextSelect, &CProject::m_bNoPrint, &CProject::m_bNoOffline,
                      &CProject::m_bNoStatusLinks, &CProject::m_bKillFrame, &CProject::m_bNoPrintScreen,
                      &CProject::m_bNoDragDrop, &CProject::m_bLocationLock, &CProject::m_bReferrerLock})
        data.*flag = false;
    data.m_strLocationLock = QStringLiteral("http://www.example.com/members/");
    data.m_strReferrerLock = QStringLiteral("http://www.example.com/links.htm");
    return data;
}

CProject AllOptions()
{
    CProject data = NoOptions();
    for (Flag flag : {&CProject::m_bNoMozilla, &CProject::m_bNoOpera, &CProject::m_bNoRightClick,
                      &CProject::m_bNoTextSelect, &CProject::m_bNoPrint, &CProject::m_bNoOffline,
                      &CProject::m_bNoStatusLinks, &CProject::m_bKillFrame, &CProject::m_bNoPrintScreen,
                      &CProject::m_bNoDragDrop, &CProject::m_bLocationLock, &CProject::m_bReferrerLock})
        data.*flag = true;
    return data;
}

// JavaScript's unescape().
QString Unescape(const QString& text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        bool ok = false;
        if (text[i] == QLatin1Char('%') && i + 5 < text.size() && text[i + 1] == QLatin1Char('u')) {
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 5;
                continue;
            }
        }
        if (text[i] == QLatin1Char('%') && i + 2 < text.size()) {
            const ushort code = text.mid(i + 1, 2).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// What the browser's vx_dc writes for an unescaped text.
QString Descramble(QString text)
{
    for (QChar& ch : text) {
        if (ch.unicode() < 128)
            ch = QChar(ch.unicode() ^ COptionScriptBuilder::ScrambleConstant());
    }
    return text;
}

// The value of a JavaScript string literal body in the forms the escaper
// produces; the test fails on anything else.
QString JsStringValue(const QString& body)
{
    QString out;
    for (int i = 0; i < body.size(); ++i) {
        if (body[i] != QLatin1Char('\\')) {
            out += body[i];
            continue;
        }
        ++i;
        const QChar next = i < body.size() ? body[i] : QChar();
        if (next == QLatin1Char('u')) {
            out += QChar(body.mid(i + 1, 4).toUShort(nullptr, 16));
            i += 4;
        } else if (next == QLatin1Char('n')) {
            out += QLatin1Char('\n');
        } else if (next == QLatin1Char('r')) {
            out += QLatin1Char('\r');
        } else if (next == QLatin1Char('t')) {
            out += QLatin1Char('\t');
        } else if (next == QLatin1Char('\\') || next == QLatin1Char('"') || next == QLatin1Char('\'')) {
            out += next;
        } else {
            ADD_FAILURE() << "unexpected escape \\" << QString(next).toStdString();
        }
    }
    return out;
}

// The stored form of a readable source: whole-line // comments and blank
// lines dropped, lines trimmed and joined with "\n".
QString Compact(const QString& source)
{
    QStringList kept;
    for (QString line : source.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1String("//")))
            kept << line;
    }
    return kept.join(QLatin1Char('\n'));
}

QString SnippetDir()
{
    return QStringLiteral(WENDLOCK_SOURCE_DIR "/src/engine/snippets");
}

QString ReadSource(const QString& fileName)
{
    QFile file(QDir(SnippetDir()).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return QString();
    }
    return Compact(QString::fromUtf8(file.readAll()));
}

// Readable text of stored text `index`, read from its source file NN-*.js.
QString Readable(int index)
{
    const QStringList files =
        QDir(SnippetDir())
            .entryList({QStringLiteral("%1-*.js").arg(index, 2, 10, QLatin1Char('0'))}, QDir::Files);
    if (files.size() != 1) {
        ADD_FAILURE() << "expected one source for text " << index << ", found " << files.size();
        return QString();
    }
    return ReadSource(files.first());
}

QString ReadableOf(const QList<int>& rows)
{
    QString text = Readable(COptionScriptBuilder::kOpeningPiece);
    for (int row : rows)
        text += Readable(row);
    return text + Readable(COptionScriptBuilder::kClosingPiece);
}

// A block taken apart: the declarations before the decoder call, the text
// the decoder would write, and what follows the script element.
struct Parts
{
    bool valid = false;
    QString declarations;
    QString written;
    QString tail;
};

Parts Split(const QString& block)
{
    Parts parts;
    const QString head = COptionScriptBuilder::DecoderHeader() + kScriptOpen;
    if (!block.startsWith(head))
        return parts;
    const int end = block.indexOf(kScriptClose, head.size());
    if (end < 0)
        return parts;
    const QString body = block.mid(head.size(), end - head.size());
    parts.tail = block.mid(end + kScriptClose.size());
    const QString call = QStringLiteral("vx_dc(unescape(\"");
    const int at = body.indexOf(call);
    if (at < 0) {
        parts.declarations = body;
    } else {
        if (!body.endsWith(QLatin1String("\"));")))
            return parts;
        parts.declarations = body.left(at);
        const QString stored = body.mid(at + call.size(), body.size() - at - call.size() - 4);
        parts.written = Descramble(Unescape(stored));
    }
    parts.valid = true;
    return parts;
}

TEST(OptionScriptBuilder, noOption_givesEmptyBlockForBothPlacements)
{
    const CProject data = NoOptions();
    EXPECT_TRUE(COptionScriptBuilder::BuildOptionScripts(data, false).isEmpty());
    EXPECT_TRUE(COptionScriptBuilder::BuildOptionScripts(data, true).isEmpty());
}

TEST(OptionScriptBuilder, eachOptionAlone_selectsItsOwnSnippet)
{
    const struct
    {
        Flag flag;
        int row;
    } cases[] = {
        {&CProject::m_bNoMozilla, 1},     {&CProject::m_bNoOpera, 2},       {&CProject::m_bNoRightClick, 4},
        {&CProject::m_bNoTextSelect, 5},  {&CProject::m_bNoPrint, 6},       {&CProject::m_bNoOffline, 7},
        {&CProject::m_bNoStatusLinks, 8}, {&CProject::m_bKillFrame, 9},     {&CProject::m_bNoPrintScreen, 10},
        {&CProject::m_bNoDragDrop, 11},   {&CProject::m_bLocationLock, 12}, {&CProject::m_bReferrerLock, 13}};
    for (const auto& c : cases) {
        CProject data = NoOptions();
        data.*c.flag = true;
        const Parts parts = Split(COptionScriptBuilder::BuildOptionScripts(data, false));
        ASSERT_TRUE(parts.valid) << "row " << c.row;
        EXPECT_EQ(parts.written, ReadableOf({c.row})) << "row " << c.row;
    }
}

TEST(OptionScriptBuilder, rightClickWithTextSelect_selectsOnlyTheCombinedSnippet)
{
    CProject data = NoOptions();
    data.m_bNoRightClick = true;
    data.m_bNoTextSelect = true;
    EXPECT_EQ(COptionScriptBuilder::SelectedSnippets(data, false), QList<int>({3}));
    const Parts parts = Split(COptionScriptBuilder::BuildOptionScripts(data, true));
    ASSERT_TRUE(parts.valid);
    EXPECT_EQ(parts.written, ReadableOf({3}));
}

TEST(OptionScriptBuilder, allOptions_writeSnippetsInTableOrder)
{
    const CProject data = AllOptions();
    const Parts login = Split(COptionScriptBuilder::BuildOptionScripts(data, false));
    ASSERT_TRUE(login.valid);
    EXPECT_EQ(login.written, ReadableOf({1, 2, 3, 6, 7, 8, 9, 10, 11, 12, 13}));

    CProject some = NoOptions();
    some.m_bLocationLock = true;
    some.m_bNoOpera = true;
    some.m_bNoDragDrop = true;
    some.m_bNoTextSelect = true;
    const Parts partial = Split(COptionScriptBuilder::BuildOptionScripts(some, false));
    ASSERT_TRUE(partial.valid);
    EXPECT_EQ(partial.written, ReadableOf({2, 5, 11, 12}));
}

TEST(OptionScriptBuilder, afterLogin_neverHoldsReferrerSnippetButDeclaresItsAddress)
{
    const CProject data = AllOptions();
    const Parts after = Split(COptionScriptBuilder::BuildOptionScripts(data, true));
    ASSERT_TRUE(after.valid);
    EXPECT_EQ(after.written, ReadableOf({1, 2, 3, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(after.declarations, QStringLiteral("var vx_rlu=\"http://www.example.com/links.htm\";"
                                                 "var vx_llu=\"http://www.example.com/members/\";"));

    CProject referrerOnly = NoOptions();
    referrerOnly.m_bReferrerLock = true;
    EXPECT_EQ(COptionScriptBuilder::BuildOptionScripts(referrerOnly, true),
              COptionScriptBuilder::DecoderHeader() + kScriptOpen +
                  QStringLiteral("var vx_rlu=\"http://www.example.com/links.htm\";") + kScriptClose);
    const Parts login = Split(COptionScriptBuilder::BuildOptionScripts(referrerOnly, false));
    ASSERT_TRUE(login.valid);
    EXPECT_EQ(login.written, ReadableOf({13}));
}

TEST(OptionScriptBuilder, imageToolbarLine_followsScriptOnlyForRightClickOrDragDrop)
{
    const QString meta = QStringLiteral("<META HTTP-EQUIV=\"ImageToolbar\" CONTENT=\"No\">");
    CProject data = NoOptions();
    data.m_bNoDragDrop = true;
    const QString dragDrop = COptionScriptBuilder::BuildOptionScripts(data, false);
    EXPECT_TRUE(dragDrop.endsWith(kScriptClose + meta));
    EXPECT_EQ(Split(dragDrop).tail, meta);

    data = NoOptions();
    data.m_bNoRightClick = true;
    EXPECT_EQ(Split(COptionScriptBuilder::BuildOptionScripts(data, true)).tail, meta);

    data = NoOptions();
    data.m_bNoTextSelect = true;
    data.m_bNoPrint = true;
    const Parts parts = Split(COptionScriptBuilder::BuildOptionScripts(data, false));
    ASSERT_TRUE(parts.valid);
    EXPECT_TRUE(parts.tail.isEmpty());
}

TEST(OptionScriptBuilder, lockAddresses_areEscapedAndKeepTheirValue)
{
    const QString location = QStringLiteral("http://x.example/a\"b'c\\d</script><!--&\u00e9\n");
    const QString referrer = QStringLiteral("http://y.example/\"</SCRIPT>");
    CProject data = NoOptions();
    data.m_bLocationLock = true;
    data.m_strLocationLock = location;
    data.m_bReferrerLock = true;
    data.m_strReferrerLock = referrer;
    const QString block = COptionScriptBuilder::BuildOptionScripts(data, false);

    // Only the two script elements of the block itself end with a closing tag, and
    // everything the page carries stays ASCII.
    EXPECT_EQ(block.count(QStringLiteral("</script"), Qt::CaseInsensitive), 2);
    EXPECT_FALSE(block.contains(QLatin1String("<!--")));
    for (const QChar ch : block)
        ASSERT_LT(ch.unicode(), 128);

    const Parts parts = Split(block);
    ASSERT_TRUE(parts.valid);
    const QRegularExpression decl(QStringLiteral("^var vx_rlu=\"((?:[^\"\\\\]|\\\\.)*)\";"
                                                 "var vx_llu=\"((?:[^\"\\\\]|\\\\.)*)\";$"));
    const QRegularExpressionMatch m = decl.match(parts.declarations);
    ASSERT_TRUE(m.hasMatch()) << parts.declarations.toStdString();
    EXPECT_EQ(JsStringValue(m.captured(1)), referrer);
    EXPECT_EQ(JsStringValue(m.captured(2)), location);
}

TEST(OptionScriptBuilder, storedTexts_decodeToTheReadableSources)
{
    const int k = COptionScriptBuilder::ScrambleConstant();
    EXPECT_GE(k, 1);
    EXPECT_LE(k, 31);
    const QRegularExpression escapedOnly(QStringLiteral("^[A-Za-z0-9@*_+\\-./%]+$"));
    for (int index = 1; index <= COptionScriptBuilder::kStoredCount; ++index) {
        const QString stored = COptionScriptBuilder::StoredSnippet(index);
        EXPECT_TRUE(escapedOnly.match(stored).hasMatch()) << "text " << index;
        EXPECT_EQ(Descramble(Unescape(stored)), Readable(index)) << "text " << index;
    }
    EXPECT_TRUE(COptionScriptBuilder::StoredSnippet(0).isEmpty());
    EXPECT_TRUE(COptionScriptBuilder::StoredSnippet(COptionScriptBuilder::kStoredCount + 1).isEmpty());
}

TEST(OptionScriptBuilder, decoderHeader_evaluatesTheDecoderSourceWithTheConstant)
{
    const QString header = COptionScriptBuilder::DecoderHeader();
    const QString open = kScriptOpen + QStringLiteral("eval(unescape(\"");
    const QString close = QStringLiteral("\"));") + kScriptClose;
    ASSERT_TRUE(header.startsWith(open));
    ASSERT_TRUE(header.endsWith(close));
    const QString escaped = header.mid(open.size(), header.size() - open.size() - close.size());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9@*_+\\-./%]+$")).match(escaped).hasMatch());
    QString expected = ReadSource(QStringLiteral("decoder.js"));
    expected.replace(QStringLiteral("VX_K"), QString::number(COptionScriptBuilder::ScrambleConstant()));
    EXPECT_EQ(Unescape(escaped), expected);
}

} // namespace
