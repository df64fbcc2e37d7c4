#include "model/CharsetCodec.h"

#include "model/CharsetTable.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>
#include <random>

namespace {
QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray B(const char* bytes)
{
    return QByteArray(bytes);
}

// Decodes the last piece of a stream and finishes it, in that order.
QString DecodeRest(CCharsetCodec& codec, QByteArrayView bytes)
{
    QString text = codec.Decode(bytes);
    text += codec.Finish();
    return text;
}

// Decodes in one piece and finishes.
QString DecodeAll(int codePage, const QByteArray& bytes)
{
    CCharsetCodec codec(codePage);
    return DecodeRest(codec, bytes);
}

// A text each row's charset really holds, ASCII around it.
const QHash<int, QString>& RepresentativeTexts()
{
    static const QHash<int, QString> texts = {
        {0, U("<p>Grüße, € 5</p>")},
        {20106, U("Größe: Äpfel, Übel, süß §1")},
        {20108, U("Smørbrød på Ærø, Åse")},
        {20107, U("Smörgåsbord, Ärlig Öl, Åsa")},
        {50932, U("<p>日本語のテキスト、カタカナ。</p>")},
        {50949, U("<p>한국어 텍스트</p>")},
        {950, U("<p>中文字體，繁體</p>")},
        {50221, U("<p>日本語ｶﾀｶﾅ①</p>")},
        {51949, U("<p>한국어 입니다</p>")},
        {936, U("<p>简体中文，欢迎</p>")},
        {52936, U("<p>简体中文 ~ tilde</p>")},
        {852, U("Příliš žluťoučký kůň")},
        {866, U("Привет, мир")},
        {20105, U("Plain IRV text, 100 percent")},
        {50220, U("<p>日本語テキスト①</p>")},
        {50222, U("<p>日本語ｶﾀｶﾅ</p>")},
        {50225, U("<p>한국어 text</p>")},
        {1252, U("Café, „quoted“ Œuvre €5")},
        {28591, U("Café naïve ÿ ½")},
        {28592, U("Łódź, żółć")},
        {28593, U("Ħal Ġ, ĉu ŝi")},
        {28594, U("Ķekava, ļ ņ ŗ ū")},
        {28595, U("Привет, мир")},
        {28596, U("مرحبا بالعالم")},
        {28597, U("Καλημέρα κόσμε")},
        {28598, U("שלום עולם")},
        {20866, U("Привет, мир")},
        {949, U("<p>한국어 똠방각하</p>")},
        {932, U("<p>日本語①ｶﾅ</p>")},
        {1200, U("Unicode ñ 中 😀")},
        {1201, U("Unicode ñ 中 😀")},
        {65000, U("UTF-7 中文 +plus")},
        {65001, U("UTF-8 é 中 😀")},
        {1250, U("Příliš žluťoučký kůň")},
        {1251, U("Привет, мир")},
        {1253, U("Καλημέρα κόσμε")},
        {1254, U("Türkçe ğış İ")},
        {1255, U("שלום עולם ₪")},
        {1256, U("مرحبا بالعالم")},
        {1257, U("Ķēniņš ūdens")},
        {1258, U("Tiếng Việt đẹp")},
        {874, U("ภาษาไทย")},
        {51932, U("<p>日本語①テキスト</p>")},
    };
    return texts;
}

const QSet<int> kNotAsciiCompatible = {20106, 20108, 20107, 50221, 52936, 50220,
                                       50222, 50225, 1200,  1201,  65000};

QByteArray AllBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(char(i));
    }
    return bytes;
}
} // namespace

TEST(CharsetCodecRows, everyRowRoundTripsTextItsCharsetHolds)
{
    const CCharsetTable& table = CCharsetTable::Instance();
    for (int row = 0; row < table.GetCount(); ++row) {
        const int codePage = table.GetAt(row).m_nCodePage;
        ASSERT_TRUE(RepresentativeTexts().contains(codePage)) << codePage;
        const QString text = RepresentativeTexts().value(codePage);
        CCharsetCodec codec(codePage);
        ASSERT_TRUE(codec.IsValid()) << codePage;
        EXPECT_FALSE(codec.EncodingName().isEmpty()) << codePage;
        const QByteArray bytes = codec.Encode(text);
        EXPECT_FALSE(bytes.contains('?'))
            << codePage << " lost a character: " << bytes.toHex(' ').constData();
        EXPECT_EQ(DecodeRest(codec, bytes), text) << codePage;
    }
}

TEST(CharsetCodecRows, asciiCompatibleRowsKeepAsciiBytesAsTheyAre)
{
    QByteArray ascii;
    for (int c = 0; c < 0x80; ++c) {
        ascii.append(char(c));
    }
    const QString asciiText = QString::fromLatin1(ascii);
    const CCharsetTable& table = CCharsetTable::Instance();
    for (int row = 0; row < table.GetCount(); ++row) {
        const int codePage = table.GetAt(row).m_nCodePage;
        CCharsetCodec codec(codePage);
        EXPECT_EQ(codec.IsAsciiCompatible(), !kNotAsciiCompatible.contains(codePage)) << codePage;
        if (codec.IsAsciiCompatible()) {
            EXPECT_EQ(codec.Encode(asciiText), ascii) << codePage;
            EXPECT_EQ(DecodeRest(codec, ascii), asciiText) << codePage;
        }
    }
}

TEST(CharsetCodecRows, unknownCodePageGivesAnInvalidCodec)
{
    CCharsetCodec codec(437);
    EXPECT_FALSE(codec.IsValid());
    EXPECT_TRUE(codec.Decode("abc").isEmpty());
    EXPECT_TRUE(codec.Encode(u"abc").isEmpty());
}

TEST(CharsetCodecRows, encodingsMatchPublishedByteForms)
{
    struct Case
    {
        int codePage;
        const char* text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {932, "日本", B("\x93\xFA\x96\x7B")},
        {51932, "日本", B("\xC6\xFC\xCB\xDC")},
        {50220, "日本", B("\x1B$BF|K\\\x1B(B")},
        {50220, "①", B("\x1B$B-!\x1B(B")},
        {936, "中文", B("\xD6\xD0\xCE\xC4")},
        {52936, "中文", B("~{VPND~}")},
        {950, "中文", B("\xA4\xA4\xA4\xE5")},
        {949, "한국", B("\xC7\xD1\xB1\xB9")},
        {51949, "한국", B("\xC7\xD1\xB1\xB9")},
        {50225, "한", B("\x1B$)C\x0EGQ\x0F")},
        {20866, "Привет", B("\xF0\xD2\xC9\xD7\xC5\xD4")},
        {866, "Привет", B("\x8F\xE0\xA8\xA2\xA5\xE2")},
        {1200, "A€", QByteArray("A\0\xAC\x20", 4)},
        {1201, "A€", QByteArray("\0A\x20\xAC", 4)},
        {20106, "Äß", B("[~")},
        {65000, "A+", B("A+-")},
        {1252, "€", B("\x80")},
        {28595, "Я", B("\xCF")},
    };
    for (const Case& c : cases) {
        CCharsetCodec codec(c.codePage);
        EXPECT_EQ(codec.Encode(U(c.text)).toHex(' '), c.bytes.toHex(' ')) << c.codePage << " " << c.text;
        EXPECT_EQ(DecodeAll(c.codePage, c.bytes), U(c.text)) << c.codePage;
    }
}

TEST(CharsetCodecStream, characterSplitAtEveryBytePositionDecodesTheSame)
{
    struct Case
    {
        int codePage;
        const char* text;
    };
    const Case cases[] = {
        {65001, "a€中😀b"},   {932, "aｶ日本語b"},  {950, "a中文字b"},    {51949, "a한국어b"},
        {1200, "a中😀b"},     {1201, "a中😀b"},     {936, "a简体中文b"},  {50220, "a日本\nb語c"},
        {50221, "aｶ日ｷ\nb"}, {50222, "aｶ日ｷ\nb"}, {52936, "a中~文\nb"}, {50225, "a한\n국b"},
        {65000, "a中文+b"},  {51932, "a日本①b"},  {0, "a€中😀b"},
    };
    for (const Case& c : cases) {
        const QString text = U(c.text);
        const QByteArray bytes = CCharsetCodec(c.codePage).Encode(text);
        for (qsizetype split = 0; split <= bytes.size(); ++split) {
            CCharsetCodec codec(c.codePage);
            QString decoded = codec.Decode(bytes.left(split));
            decoded += codec.Decode(bytes.mid(split));
            decoded += codec.Finish();
            EXPECT_EQ(decoded, text) << c.codePage << " split at " << split;
        }
        CCharsetCodec byByte(c.codePage);
        QString decoded;
        for (char byte : bytes) {
            decoded += byByte.Decode(QByteArrayView(&byte, 1));
        }
        EXPECT_EQ(decoded + byByte.Finish(), text) << c.codePage << " byte by byte";
    }
}

TEST(CharsetCodecStream, whereTheInputIsCutNeverChangesTheText)
{
    // Random bytes rich in escape, shift and lead bytes, decoded whole and in
    // pieces. Windows-1255 and -1258 are left out: they compose a letter with
    // a following mark only within one call.
    std::mt19937 random(7);
    const char pool[] =
        "\x1B\x0E\x0F$()@BJIDC~{}\n+-AZaz09\x21\x7E\x80\x81\x8E\x8F\xA1\xA4\xB0\xC7\xD1\xDF\xE0"
        "\xE2\xED\xF0\xFE\xFF";
    const CCharsetTable& table = CCharsetTable::Instance();
    for (int row = 0; row < table.GetCount(); ++row) {
        const int codePage = table.GetAt(row).m_nCodePage;
        if (codePage == 1255 || codePage == 1258) {
            continue;
        }
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            const int length = int(random() % 24);
            for (int i = 0; i < length; ++i) {
                bytes.append(pool[random() % (sizeof(pool) - 1)]);
            }
            CCharsetCodec whole(codePage, bytes);
            const QString expected = DecodeRest(whole, bytes);
            CCharsetCodec pieces(codePage, bytes);
            QString decoded;
            for (qsizetype at = 0; at < bytes.size();) {
                const qsizetype size = qsizetype(random() % 4) + 1;
                decoded += pieces.Decode(QByteArrayView(bytes).sliced(at, std::min(size, bytes.size() - at)));
                at += size;
            }
            decoded += pieces.Finish();
            EXPECT_EQ(decoded, expected) << codePage << " " << bytes.toHex(' ').constData();
        }
    }
}

TEST(CharsetCodecStream, completeCharactersComeOutWithoutWaitingForMore)
{
    // Some converters hold a letter back in case a combining mark follows;
    // a line handed in must still come out whole.
    for (int codePage : {1255, 1258, 1252, 932, 65001, 28591}) {
        CCharsetCodec codec(codePage);
        EXPECT_EQ(codec.Decode("line a\n"), QStringLiteral("line a\n")) << codePage;
        EXPECT_EQ(codec.Decode("b"), QStringLiteral("b")) << codePage;
    }
}

TEST(CharsetCodecStream, invalidBytesBecomeReplacementCharacters)
{
    const QString r(QChar::ReplacementCharacter);
    EXPECT_EQ(DecodeAll(65001, B("a\xFF"
                                 "b")),
              U("a") + r + U("b"));
    EXPECT_EQ(DecodeAll(65001, B("\xE2\x82"
                                 "A")),
              r + U("A"));
    EXPECT_EQ(DecodeAll(65001, B("\xED\xA0\x80")), r + r + r); // an encoded surrogate
    EXPECT_EQ(DecodeAll(932, B("a\x81 b")), U("a") + r + U(" b"));
    EXPECT_EQ(DecodeAll(1200, QByteArray("\0\xD8"
                                         "A\0",
                                         4)),
              r + U("A")); // lone surrogate
    EXPECT_EQ(DecodeAll(50220, B("\x1B(Zx")), r + U("(Zx"));
    EXPECT_EQ(DecodeAll(52936, B("a~xb")), U("a") + r + U("xb"));
    EXPECT_EQ(DecodeAll(1253, B("a\xAA"
                                "b")),
              U("a") + r + U("b")); // unassigned in Windows-1253
}

TEST(CharsetCodecStream, finishReplacesAnIncompleteTailAndResetsTheState)
{
    const QString r(QChar::ReplacementCharacter);
    for (int codePage : {65001, 932, 1200, 50220, 52936, 51949}) {
        CCharsetCodec codec(codePage);
        const QByteArray bytes = codec.Encode(U("中"));
        // Up to the middle of the character: JIS and HZ end in an escape back.
        const int shiftBack = codePage == 50220 ? 3 : codePage == 52936 ? 2 : 0;
        const QByteArray cut = bytes.left(bytes.size() - shiftBack - 1);
        EXPECT_EQ(DecodeRest(codec, cut), r) << codePage;
        EXPECT_EQ(DecodeRest(codec, codec.Encode(u"ok")), QStringLiteral("ok")) << codePage;
    }
    // A shift into two-byte mode does not outlive Finish.
    CCharsetCodec jis(50220);
    EXPECT_EQ(jis.Decode("\x1B$B"), QString());
    EXPECT_EQ(jis.Finish(), QString());
    EXPECT_EQ(DecodeRest(jis, "F|"), QStringLiteral("F|"));
}

TEST(CharsetCodecEncode, missingCharactersBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(CCharsetCodec(20866).Encode(U("a€b")), B("a?b"));
    EXPECT_EQ(CCharsetCodec(932).Encode(U("a😀b")), B("a?b"));
    EXPECT_EQ(CCharsetCodec(28591).Encode(U("a中b")), B("a?b"));
    EXPECT_EQ(CCharsetCodec(50220).Encode(U("a😀日")), B("a?\x1B$BF|\x1B(B"));
    EXPECT_EQ(CCharsetCodec(52936).Encode(U("中😀文")), B("~{VP~}?~{ND~}"));
    EXPECT_EQ(CCharsetCodec(50225).Encode(U("한😀")), B("\x1B$)C\x0EGQ\x0F?"));
    EXPECT_EQ(CCharsetCodec(1200).Encode(QString(QChar(0xD800))), QByteArray("?\0", 2));
    EXPECT_EQ(CCharsetCodec(65001).Encode(QString(QString(QChar(0xDC00)) + U("a"))), B("?a"));
    EXPECT_EQ(CCharsetCodec(1252).Encode(U("€\u0080\u0081")), B("\x80?\x81"));
}

TEST(CharsetCodecEncode, eachCallIsSelfContained)
{
    for (int codePage : {50220, 50221, 50222, 50225, 52936, 65000, 1200, 1201}) {
        const QString first = U("a日本ｶ한中文ñ");
        const QString second = U("b+c");
        const CCharsetCodec codec(codePage);
        const QByteArray once = codec.Encode(first);
        EXPECT_EQ(codec.Encode(first), once) << codePage;
        // Concatenated outputs read back as the concatenated texts.
        const QString expected = DecodeAll(codePage, once) + second;
        EXPECT_EQ(DecodeAll(codePage, once + codec.Encode(second)), expected) << codePage;
    }
    // ASCII alone needs no ISO-2022-KR announcer and UTF-16 writes no byte order mark.
    EXPECT_EQ(CCharsetCodec(50225).Encode(u"<p>"), B("<p>"));
    EXPECT_EQ(CCharsetCodec(1200).Encode(u"A"), QByteArray("A\0", 2));
    EXPECT_EQ(CCharsetCodec(1201).Encode(u"A"), QByteArray("\0A", 2));
}

TEST(CharsetCodecJapanese, jisVariantsDifferOnlyInHowHalfWidthKanaAreWritten)
{
    EXPECT_EQ(CCharsetCodec(50221).Encode(U("ｶ")), B("\x1B(I6\x1B(B"));
    EXPECT_EQ(CCharsetCodec(50222).Encode(U("ｶ")), B("\x0E"
                                                     "6\x0F"));
    // Plain ISO-2022-JP has no half-width set: the full-width forms, marks composed.
    EXPECT_EQ(DecodeAll(50220, CCharsetCodec(50220).Encode(U("ｶﾞｷ｡ﾟ"))), U("ガキ。゜"));
    for (int codePage : {50220, 50221, 50222}) {
        EXPECT_EQ(DecodeAll(codePage, B("\x1B(I6\x1B(B")), U("ｶ")) << codePage;
        EXPECT_EQ(DecodeAll(codePage, B("a\x0E"
                                        "6\x0F"
                                        "b")),
                  U("aｶb"))
            << codePage;
        EXPECT_EQ(DecodeAll(codePage, B("\xB6")), U("ｶ")) << codePage;
        EXPECT_EQ(DecodeAll(codePage, B("\x1B(J\\~\x1B(B\\")), U("¥‾\\")) << codePage;
        EXPECT_EQ(DecodeAll(codePage, B("\x1B$@F|\x1B(B")), U("日")) << codePage;
    }
}

TEST(CharsetCodecJapanese, autoSelectRecognisesEachJapaneseEncoding)
{
    const QString text = U("<p>日本語のテキストです。カタカナ、漢字。</p>");
    struct Case
    {
        int sourceCodePage;
        const char* expected;
    };
    for (const Case& c :
         {Case{50220, "ISO-2022-JP"}, Case{932, "CP932"}, Case{51932, "EUC-JP-MS"}, Case{65001, "UTF-8"}}) {
        const QByteArray sample = CCharsetCodec(c.sourceCodePage).Encode(text);
        CCharsetCodec codec(50932, sample);
        EXPECT_EQ(codec.EncodingName(), QLatin1String(c.expected)) << c.sourceCodePage;
        EXPECT_EQ(DecodeRest(codec, sample), text) << c.sourceCodePage;
    }
    // EUC bytes that also read as Shift-JIS (as half-width kana) are EUC.
    EXPECT_EQ(CCharsetCodec(50932, CCharsetCodec(51932).Encode(U("日本語"))).EncodingName(),
              QStringLiteral("EUC-JP-MS"));
    // Nothing to tell apart: the Windows Japanese code page.
    EXPECT_EQ(CCharsetCodec(50932, "<html>").EncodingName(), QStringLiteral("CP932"));
    EXPECT_FALSE(CCharsetCodec(50932, CCharsetCodec(50220).Encode(text)).IsAsciiCompatible());
}

TEST(CharsetCodecKorean, autoSelectRecognisesEachKoreanEncoding)
{
    struct Case
    {
        int sourceCodePage;
        const char* text;
        const char* expected;
    };
    for (const Case& c : {Case{50225, "<p>한국어</p>", "ISO-2022-KR"}, Case{51949, "<p>한국어</p>", "EUC-KR"},
                          Case{949, "<p>똠방각하</p>", "CP949"}, Case{65001, "<p>한국어</p>", "UTF-8"}}) {
        const QByteArray sample = CCharsetCodec(c.sourceCodePage).Encode(U(c.text));
        CCharsetCodec codec(50949, sample);
        EXPECT_EQ(codec.EncodingName(), QLatin1String(c.expected)) << c.sourceCodePage;
        EXPECT_EQ(DecodeRest(codec, sample), U(c.text)) << c.sourceCodePage;
    }
}

TEST(CharsetCodecHz, tildesLineJoinsAndMissingShiftBack)
{
    EXPECT_EQ(DecodeAll(52936, B("a~~b")), U("a~b"));
    EXPECT_EQ(DecodeAll(52936, B("a~\nb")), U("ab"));
    EXPECT_EQ(DecodeAll(52936, B("a~\r\nb")), U("ab"));
    EXPECT_EQ(DecodeAll(52936, B("~}a")), U("a"));
    // A line end in GB mode falls back to ASCII, so one missing "~}" spoils one line.
    EXPECT_EQ(DecodeAll(52936, B("~{VP\nND")), U("中\nND"));
}

TEST(CharsetCodecDefaultRow, everyByteSurvivesWhenTheFileIsNotUtf8)
{
    const QByteArray bytes = AllBytes();
    CCharsetCodec codec(0, bytes);
    EXPECT_EQ(codec.EncodingName(), QStringLiteral("WINDOWS-1252"));
    EXPECT_TRUE(codec.IsAsciiCompatible());
    const QString text = DecodeRest(codec, bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x9F], QChar(0x0178));
    for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(text[unassigned], QChar(char16_t(unassigned))) << unassigned;
    }
    EXPECT_EQ(text[0xE9], QChar(0xE9));
    EXPECT_EQ(codec.Encode(text), bytes);
    // Byte by byte, each value alone.
    for (int value = 0; value < 256; ++value) {
        const char byte = char(value);
        CCharsetCodec single(0, bytes);
        const QString decoded = DecodeRest(single, QByteArrayView(&byte, 1));
        EXPECT_EQ(single.Encode(decoded), QByteArray(1, byte)) << value;
    }
    // The same code page chosen by its own row maps the same way.
    EXPECT_EQ(DecodeAll(1252, bytes), text);
}

TEST(CharsetCodecDefaultRow, validUtf8SampleSelectsUtf8)
{
    const QString text = U("Grüße, 中文 😀");
    const QByteArray utf8 = text.toUtf8();
    CCharsetCodec codec(0, utf8);
    EXPECT_EQ(codec.EncodingName(), QStringLiteral("UTF-8"));
    EXPECT_EQ(DecodeRest(codec, utf8), text);
    EXPECT_EQ(codec.Encode(text), utf8);
    // A sample cut inside the last character is still UTF-8.
    EXPECT_EQ(CCharsetCodec(0, utf8.left(utf8.size() - 2)).EncodingName(), QStringLiteral("UTF-8"));
    EXPECT_EQ(CCharsetCodec(0, QByteArray()).EncodingName(), QStringLiteral("UTF-8"));
    EXPECT_EQ(CCharsetCodec(0, B("caf\xE9 au lait")).EncodingName(), QStringLiteral("WINDOWS-1252"));
}

TEST(CharsetCodecDefaultRow, bytesAfterAUtf8SampleAreNeverLost)
{
    CCharsetCodec codec(0, "plain ASCII head");
    ASSERT_EQ(codec.EncodingName(), QStringLiteral("UTF-8"));
    EXPECT_EQ(codec.Decode("caf\xE9!"), U("café!"));
    EXPECT_EQ(codec.Decode("\x80\xE2\x82"), U("€"));
    EXPECT_EQ(codec.Finish(), U("â‚"));
    EXPECT_EQ(codec.Decode("\xE2\x82\xAC"), U("€"));
}
