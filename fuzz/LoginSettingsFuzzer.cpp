// The login settings variables, the credential arrays and the option script
// block on arbitrary settings text: any UTF-16, with quotes, backslashes,
// line breaks, "</script>", "<!--", NUL and lone surrogates. Checks that
// every text stays inside its string literal and reads back exactly, that
// the block holds no script or comment tags but its own, and that every
// user's key element gives the page secret back.
#include "FuzzUtil.h"
#include "engine/CredentialTable.h"
#include "engine/OptionScriptBuilder.h"
#include "model/Project.h"

#include <QRegularExpression>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString TakeText(FuzzedDataProvider& input)
{
    return FuzzUtil::Utf16(QByteArray::fromStdString(input.ConsumeRandomLengthString(512)));
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a double-quoted JavaScript string literal's body, read the
// way a script engine reads it. The body must be plain printable ASCII with
// no bare double quote and no '<' or '>', so that nothing in it can end the
// literal or the script element around it.
QString ReadLiteralBody(const QByteArray& body)
{
    QString value;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body[i];
        FUZZ_CHECK(c >= 0x20 && c <= 0x7E && c != '"' && c != '<' && c != '>');
        if (c != '\\') {
            value += QLatin1Char(c);
            continue;
        }
        FUZZ_CHECK(i + 1 < body.size());
        const char e = body[++i];
        switch (e) {
        case 'n':
            value += QLatin1Char('\n');
            break;
        case 'r':
            value += QLatin1Char('\r');
            break;
        case 't':
            value += QLatin1Char('\t');
            break;
        case 'u': {
            FUZZ_CHECK(i + 4 < body.size());
            const QByteArray hex = body.mid(i + 1, 4);
            for (const char h : hex) {
                FUZZ_CHECK(IsHexDigit(h));
            }
            value += QChar(char16_t(hex.toUInt(nullptr, 16)));
            i += 4;
            break;
        }
        case '\\':
        case '"':
        case '\'':
            value += QLatin1Char(e);
            break;
        default:
            // Any other escape would be a legacy one (octal, \x, \0...).
            FUZZ_CHECK(false);
        }
    }
    return value;
}

void CheckLoginVariables(const CProject& data, int mode, int checkValue)
{
    const QByteArray text = CCredentialTable::LoginVariablesText(data, mode, checkValue);
    static const QRegularExpression layout(QStringLiteral(
        "^var LoginExpireType=(-?\\d+);\nvar LoginExpireDays=(-?\\d+);\nvar LoginIncorrectMode=(-?\\d+);\n"
        "var LoginAlertText=\"((?:[^\"\\\\]|\\\\.)*)\";\nvar LoginRedirectURL=\"((?:[^\"\\\\]|\\\\.)*)\";\n"
        "var LoginRedirectURLTarget=\"((?:[^\"\\\\]|\\\\.)*)\";\nvar RefreshPageInIE=(true|false);"
        "(var USRCSS=(?:true|false);)?var PWDCSS=(true|false);var PWDMKK=(-?\\d+);$"));
    const QRegularExpressionMatch match = layout.match(QString::fromLatin1(text));
    FUZZ_CHECK(match.hasMatch());
    FUZZ_CHECK(match.captured(1).toInt() == data.m_nLoginExpire);
    FUZZ_CHECK(match.captured(2).toInt() == data.m_nExpireDays);
    FUZZ_CHECK(match.captured(3).toInt() == data.m_nIncorrectAction);
    FUZZ_CHECK(ReadLiteralBody(match.captured(4).toLatin1()) == data.m_strAlertText);
    FUZZ_CHECK(ReadLiteralBody(match.captured(5).toLatin1()) == data.m_strRedirectURL);
    FUZZ_CHECK(ReadLiteralBody(match.captured(6).toLatin1()) == data.m_strRedirectTarget);
    FUZZ_CHECK(match.captured(8).isEmpty() == (mode == 0));
    FUZZ_CHECK(match.captured(10).toInt() == checkValue);
}

// The body of `var NAME="...";` in the block.
QByteArray VariableBody(const QByteArray& block, const char* name)
{
    const QByteArray opening = QByteArray("var ") + name + "=\"";
    const qsizetype start = block.indexOf(opening);
    FUZZ_CHECK(start >= 0);
    const qsizetype bodyStart = start + opening.size();
    qsizetype end = bodyStart;
    while (end < block.size() && block[end] != '"') {
        end += block[end] == '\\' ? 2 : 1;
    }
    FUZZ_CHECK(end < block.size() && block.mid(end, 2) == "\";");
    return block.mid(bodyStart, end - bodyStart);
}

void CheckOptionBlock(const CProject& data, bool afterLogin)
{
    const QString block = COptionScriptBuilder::BuildOptionScripts(data, afterLogin);
    for (const QChar ch : block) {
        FUZZ_CHECK(ch.unicode() < 0x80);
    }
    const QByteArray bytes = block.toLatin1();
    if (data.m_bLocationLock) {
        FUZZ_CHECK(ReadLiteralBody(VariableBody(bytes, "vx_llu")) == data.m_strLocationLock);
    }
    if (data.m_bReferrerLock) {
        FUZZ_CHECK(ReadLiteralBody(VariableBody(bytes, "vx_rlu")) == data.m_strReferrerLock);
    }
    // Only the decoder header and the block's own element close a script.
    const QString header = COptionScriptBuilder::DecoderHeader();
    const qsizetype own = block.isEmpty() || block == COptionScriptBuilder::ImageToolbarLine()
                              ? 0
                              : header.count(QLatin1String("</script"), Qt::CaseInsensitive) + 1;
    FUZZ_CHECK(block.count(QLatin1String("</script"), Qt::CaseInsensitive) == own);
    FUZZ_CHECK(!block.contains(QLatin1String("<!--")));
}

void CheckUserArrays(const CProject& data, const QByteArray& secret)
{
    const QByteArray text = CCredentialTable::UserArraysText(data, secret);
    static const QRegularExpression layout(QStringLiteral(
        "^var vxpb=new Array\\(\"([0-9a-f\",]*)\"\\);var vxpc=new Array\\(\"([A-Za-z0-9+/=\",]*)\"\\);$"));
    const QRegularExpressionMatch match = layout.match(QString::fromLatin1(text));
    FUZZ_CHECK(match.hasMatch());
    const QStringList digests = match.captured(1).split(QStringLiteral("\",\""));
    const QStringList keys = match.captured(2).split(QStringLiteral("\",\""));
    const qsizetype count = data.m_listUsers.isEmpty() ? 1 : data.m_listUsers.size();
    FUZZ_CHECK(digests.size() == count && keys.size() == count);
    for (qsizetype i = 0; i < data.m_listUsers.size(); ++i) {
        const CUserListNode& user = data.m_listUsers[i];
        FUZZ_CHECK(digests[i].size() == 32);
        FUZZ_CHECK(digests[i].toLatin1() == CCredentialTable::UserDigest(data, user));
        const QByteArray unlocked = CCredentialTable::UnscrambleBytes(
            QByteArray::fromBase64(keys[i].toLatin1()), CCredentialTable::UserKey(data, user));
        FUZZ_CHECK(unlocked == secret);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider input(bytes, size);
    CProject data;
    const auto flags = input.ConsumeIntegral<uint32_t>();
    data.m_nLoginExpire = input.ConsumeIntegralInRange<int>(0, 2);
    data.m_nExpireDays = input.ConsumeIntegral<int>();
    data.m_nIncorrectAction = (flags & 0x1) ? 1 : 0;
    data.m_bRefreshIE = (flags & 0x2) != 0;
    data.m_bUserNameCase = (flags & 0x4) != 0;
    data.m_bPasswordCase = (flags & 0x8) != 0;
    data.m_bLocationLock = (flags & 0x10) != 0;
    data.m_bReferrerLock = (flags & 0x20) != 0;
    bool* options[] = {&data.m_bNoRightClick,  &data.m_bNoTextSelect, &data.m_bNoPrint,   &data.m_bNoOffline,
                       &data.m_bNoStatusLinks, &data.m_bKillFrame,    &data.m_bNoMozilla, &data.m_bNoOpera,
                       &data.m_bNoPrintScreen, &data.m_bNoDragDrop};
    for (int i = 0; i < 10; ++i) {
        *options[i] = ((flags >> (6 + i)) & 0x1) != 0;
    }
    data.m_strAlertText = TakeText(input);
    data.m_strRedirectURL = TakeText(input);
    data.m_strRedirectTarget = TakeText(input);
    data.m_strLocationLock = TakeText(input);
    data.m_strReferrerLock = TakeText(input);
    data.m_strPassword = TakeText(input);
    const QByteArray secret = QByteArray::fromStdString(input.ConsumeBytesAsString(8));
    const int users = input.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < users; ++i) {
        CUserListNode user;
        user.m_strUserName = TakeText(input);
        user.m_strPassword = TakeText(input);
        data.m_listUsers.append(user);
    }

    const CCredentialTable::PageCredentials credentials = CCredentialTable::SinglePasswordCredentials(data);
    FUZZ_CHECK(credentials.key.size() == 32);
    FUZZ_CHECK(credentials.checkValue >= 0 && credentials.checkValue < 128);
    CheckLoginVariables(data, 0, credentials.checkValue);
    CheckLoginVariables(data, 1, credentials.checkValue);
    CheckOptionBlock(data, false);
    CheckOptionBlock(data, true);
    CheckUserArrays(data, secret);
    return 0;
}
