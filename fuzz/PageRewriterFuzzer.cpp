// The protect run on arbitrary page and template bytes, under settings the
// input chooses (charset row, password mode, head source, backups, option
// scripts). Checks: a page either ends protected or stays byte for byte as
// it was; a backup is an exact copy; a protected page is recognised as
// protected and opens with its password to the page's text; protecting it
// again with restore-first gives the same text.
#include "FuzzUtil.h"
#include "engine/ClassicPageFormat.h"
#include "engine/CredentialTable.h"
#include "engine/NumericReferences.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Project.h"
#include "model/Utf8Validator.h"

#include <QBuffer>
#include <QFileInfo>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

class RecordingList final : public IResultList
{
public:
    void DeleteAllItems() override { results.clear(); }
    void AddResultRow(const QString&, const QString& result) override { results.append(result); }
    QStringList results;
};

// A small login script in a folder of its own: the rewriter copies it
// without looking at it, and a small one keeps the runs fast.
void PrepareApplicationFolder()
{
    static const bool prepared = [] {
        const QString app = FuzzUtil::ScratchFolder() + QStringLiteral("app/");
        for (const char* mode : {"SinglePassword", "MultiUsers"}) {
            const QString folder = app + QStringLiteral("Script/") + QLatin1String(mode);
            FUZZ_CHECK(QDir().mkpath(folder));
            FUZZ_CHECK(FuzzUtil::WriteFile(folder + QStringLiteral("/wendlock.js"),
                                           "function vxpcheck() {\n  return PWDMKK;\n}\n"));
        }
        FUZZ_CHECK(QDir().mkpath(FuzzUtil::ScratchFolder() + QStringLiteral("site")));
        qputenv("WENDLOCK_APP_DIR", QFile::encodeName(app));
        return true;
    }();
    (void)prepared;
}

// The text the content array carries for a page read with the default
// charset: CR LF as LF, UTF-16 after a byte-order mark, UTF-8 when the page
// is valid UTF-8 and otherwise Windows-1252, every unit from 128 on as a
// numeric reference.
QByteArray ExpectedDefaultText(QByteArray page)
{
    // A UTF-16 byte-order mark wins; line ends are then found in the text.
    if (page.startsWith("\xff\xfe") || page.startsWith("\xfe\xff")) {
        CCharsetCodec utf16(page.startsWith("\xff\xfe") ? 1200 : 1201);
        QString text = utf16.Decode(page) + utf16.Finish();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        // The array carries such a page in its own encoding.
        return utf16.Encode(NumericReferences::Encode(text));
    }
    page.replace("\r\n", "\n");
    CUtf8Validator validator;
    validator.Feed(page);
    CCharsetCodec codec(0, validator.Finish() ? QByteArray() : QByteArray("\xff", 1));
    const QString text = codec.Decode(page) + codec.Finish();
    return NumericReferences::Encode(text).toLatin1();
}

QByteArray Unlock(const QString& page, const CProject& data, CPageUnlocker::Status* status)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    const bool multi = data.m_nPasswordMode == 1;
    const CUserListNode& user = data.m_listUsers.first();
    *status = CPageUnlocker::Unlock(page, multi ? user.m_strUserName : QString(),
                                    multi ? user.m_strPassword : data.m_strPassword, &buffer);
    return text;
}

// Checks one run over the page; `original` is what the page held before.
void CheckRun(CProject& data, const QString& page, const QByteArray& original, bool wasProtected,
              const QString& result, bool templateHasMarker)
{
    const QString backup = page + QStringLiteral(".original");
    if (wasProtected) {
        FUZZ_CHECK(result == QStringLiteral("Protected before"));
        FUZZ_CHECK(FuzzUtil::ReadFile(page) == original);
        return;
    }
    if (result != QStringLiteral("Protected")) {
        // The page has no head to copy, nor has the template, or the
        // template has no body: page as it was, and no backup beside it.
        FUZZ_CHECK(result == QStringLiteral("No <head> section!") ||
                   result ==
                       QStringLiteral("The template %1 has no <body> tag!").arg(data.m_strTemplatePath));
        FUZZ_CHECK(FuzzUtil::ReadFile(page) == original);
        FUZZ_CHECK(!QFileInfo::exists(backup));
        return;
    }
    if (data.m_bBackup) {
        FUZZ_CHECK(FuzzUtil::ReadFile(backup) == original);
    } else {
        FUZZ_CHECK(!QFileInfo::exists(backup));
    }
    FUZZ_CHECK(!QFileInfo::exists(page + QStringLiteral(".tmp")));
    CProtectEngine probe(&data);
    QString ignored;
    FUZZ_CHECK(probe.IsProtected(page, ignored));
    // The unlocker reads the first array it finds; one written in the
    // template's own head would come first.
    if (templateHasMarker) {
        return;
    }

    CPageUnlocker::Status status{};
    QByteArray text = Unlock(page, data, &status);
    FUZZ_CHECK(status == CPageUnlocker::Status::Ok);
    if (data.m_nCharset != 0) {
        return;
    }
    const QByteArray block = COptionScriptBuilder::BuildOptionScripts(data, true).toLatin1();
    if (data.m_bProtectAfterLogin && !block.isEmpty()) {
        const qsizetype at = text.indexOf(block);
        if (at >= 0) {
            text.remove(at, block.size());
        }
    }
    FUZZ_CHECK(text == ExpectedDefaultText(original));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PrepareApplicationFolder();
    FuzzedDataProvider input(data, size);
    const auto flags = input.ConsumeIntegral<uint16_t>();
    const int rows = CCharsetTable::Instance().GetCount();
    const int row = input.ConsumeIntegralInRange<int>(0, rows - 1);
    const QByteArray templateBytes = QByteArray::fromStdString(input.ConsumeRandomLengthString(4096));
    const QByteArray pageBytes = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());

    const QString site = FuzzUtil::ScratchFolder() + QStringLiteral("site/");
    const QString page = site + QStringLiteral("page.htm");
    const QString templatePath = site + QStringLiteral("login.htm");
    for (const char* stale : {"page.htm.original", "page.htm.tmp"}) {
        QFile::remove(site + QLatin1String(stale));
    }
    FUZZ_CHECK(FuzzUtil::WriteFile(page, pageBytes));
    FUZZ_CHECK(FuzzUtil::WriteFile(templatePath, templateBytes));

    CProject record;
    record.m_nCharset = (flags & 0x1) ? 0 : row;
    record.m_nPasswordMode = (flags & 0x2) ? 1 : 0;
    record.m_bCopyHead = (flags & 0x4) != 0;
    record.m_bBackup = (flags & 0x8) != 0;
    record.m_bProtectAfterLogin = (flags & 0x10) != 0;
    record.m_bProtectLoginPages = (flags & 0x20) != 0;
    record.m_bNoRightClick = (flags & 0x40) != 0;
    record.m_bNoTextSelect = (flags & 0x80) != 0;
    record.m_bLocationLock = (flags & 0x100) != 0;
    record.m_bReferrerLock = (flags & 0x200) != 0;
    record.m_bPasswordCase = (flags & 0x400) != 0;
    record.m_bUserNameCase = (flags & 0x800) != 0;
    record.m_strPassword = QStringLiteral("p\u00e4ss W\u00f6rd");
    CUserListNode ann;
    ann.m_strUserName = QStringLiteral("Ann \u05e9");
    ann.m_strPassword = QStringLiteral("on\"e\\");
    CUserListNode bob;
    bob.m_strUserName = QStringLiteral("bob");
    bob.m_strPassword = QStringLiteral("two");
    record.m_listUsers = {ann, bob};
    record.m_strTemplatePath = templatePath;
    record.m_listFiles = {page};
    // The classic rewriter: its carried text is checked byte for byte below.
    record.m_nCipher = CProject::kCipherClassic;

    // Protected means the frame the page writers produce.
    const bool wasProtected = CProtectEngine::DetectProtection(page) != CProtectEngine::Protection::None;
    RecordingList list;
    {
        CProtectEngine engine(&record, &list);
        FUZZ_CHECK(engine.ProtectAll());
    }
    FUZZ_CHECK(list.results.size() == 1);
    // A marker that a piece boundary cuts is no marker; such a page is
    // protected like any other, so only a clean first answer is checked.
    if (wasProtected && list.results.first() != QStringLiteral("Protected before")) {
        return 0;
    }
    // The unlocker reads the first content array it finds: one that the
    // template's or the page's own head merely quotes would come first.
    const bool templateHasMarker = templateBytes.contains(CClassicPageFormat::Marker()) ||
                                   pageBytes.contains(CClassicPageFormat::Marker());
    CheckRun(record, page, pageBytes, wasProtected, list.results.first(), templateHasMarker);
    if (wasProtected || list.results.first() != QStringLiteral("Protected")) {
        return 0;
    }

    // Again, restoring first: the backup comes back and is protected anew;
    // without a backup nothing changes.
    const QByteArray firstRun = FuzzUtil::ReadFile(page);
    CProtectEngine engine(&record, &list);
    engine.SetRestoreQuestion([](const QString&) { return CProtectEngine::Answer::Yes; });
    FUZZ_CHECK(engine.ProtectAll());
    FUZZ_CHECK(list.results.size() == 1);
    if (!record.m_bBackup) {
        // The system's reason (no such file) follows on a line of its own.
        FUZZ_CHECK(list.results.first().startsWith(QStringLiteral("Restore failure")));
        FUZZ_CHECK(FuzzUtil::ReadFile(page) == firstRun);
        return 0;
    }
    CheckRun(record, page, pageBytes, false, list.results.first(), templateHasMarker);
    return 0;
}
