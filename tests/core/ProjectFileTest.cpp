#include "TestUtil.h"
#include "common/AppInfo.h"
#include "model/ArchiveReader.h"
#include "model/ArchiveWriter.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using TestUtil::Hex;

namespace {

QString ReadBack(const QByteArray& bytes, CArchiveReader::Status* status = nullptr)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchiveReader reader(&buffer);
    const QString text = reader.ReadString();
    if (status) {
        *status = reader.GetStatus();
    }
    return text;
}

QByteArray StringBytes(const QString& text)
{
    CArchiveWriter w;
    w.WriteString(text);
    return w.Data();
}

// A project with a value in every field that differs from its default.
CProject SampleProject()
{
    CProject d;
    d.m_listFiles = {QStringLiteral("/srv/site/index.html"), QStringLiteral("/srv/site/caf\u00e9/menu.htm")};
    d.m_bBackup = false;
    d.m_nPasswordMode = 1;
    d.m_strPassword = QStringLiteral("s3cret \u00e9\u4e2d");
    CUserListNode a;
    a.m_strUserName = QStringLiteral("alice");
    a.m_strPassword = QStringLiteral("pw1");
    a.m_strFullName = QStringLiteral("Alice A.");
    a.m_strEmail = QStringLiteral("alice@example.com");
    a.m_strDescription = QStringLiteral("first");
    CUserListNode b;
    b.m_strUserName = QStringLiteral("bob");
    b.m_strPassword = QString::fromUtf8("\xF0\x9F\x94\x91");
    d.m_listUsers = {a, b};
    d.m_nLoginExpire = 2;
    d.m_nExpireDays = 30;
    d.m_nIncorrectAction = 1;
    d.m_strAlertText = QStringLiteral("Nope \"quoted\"");
    d.m_strRedirectURL = QStringLiteral("http://example.com/fail");
    d.m_strRedirectTarget = QStringLiteral("_blank");
    d.m_bUserNameCase = false;
    d.m_bPasswordCase = false;
    d.m_strTemplatePath = QStringLiteral("/opt/wendlock/Templates/MultiUsers/Blue.htm");
    d.m_bPreview = false;
    d.m_nCharset = 32;
    d.m_bCopyHead = false;
    d.m_bRefreshIE = false;
    d.m_bProtectLoginPages = true;
    d.m_bProtectAfterLogin = true;
    d.m_bNoRightClick = true;
    d.m_bNoTextSelect = true;
    d.m_bNoPrint = true;
    d.m_bNoOffline = true;
    d.m_bNoStatusLinks = true;
    d.m_bKillFrame = true;
    d.m_bNoMozilla = true;
    d.m_bNoOpera = true;
    d.m_bNoPrintScreen = true;
    d.m_bNoDragDrop = true;
    d.m_bLocationLock = true;
    d.m_strLocationLock = QStringLiteral("http://example.org/members/");
    d.m_bReferrerLock = true;
    d.m_strReferrerLock = QStringLiteral("http://example.org/");
    d.m_nCipher = CProject::kCipherClassic;
    d.m_nKdfIterations = 2000000;
    d.m_bShareFileLogins = true;
    d.m_baSalt = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
    d.m_bProtectAssets = true;
    d.m_strSiteRoot = QStringLiteral("/srv/www/caf\u00e9/");
    d.m_strAssetExclude = QStringLiteral("drafts/ *.psd");
    d.m_baContentKey = QByteArray(32, '\x42');
    d.m_baKeyUsers = QByteArray(48, '\x17');
    return d;
}

// Bytes of a file written by an older version: items up to the
// template path and the three ints after it, then whatever `tail` holds.
QByteArray OldFileBytes(const QString& version, const QByteArray& tail)
{
    CArchiveWriter w;
    w.WriteString(version);
    w.WriteCount(1);
    w.WriteString(QStringLiteral("/a.htm"));
    w.WriteInt(0);                              // backup
    w.WriteInt(0);                              // mode
    w.WriteString(QStringLiteral("pw"));        // password
    w.WriteInt(0);                              // users
    w.WriteInt(0);                              // expire
    w.WriteInt(7);                              // days
    w.WriteInt(0);                              // incorrect action
    w.WriteString(QStringLiteral("alert"));     // alert
    w.WriteString(QStringLiteral("http://r/")); // redirect
    w.WriteString(QString());                   // target
    w.WriteInt(1);
    w.WriteInt(1);
    w.WriteString(QStringLiteral("/t.htm"));
    w.WriteInt(0);  // preview
    w.WriteInt(17); // charset
    w.WriteInt(0);  // copy head
    return w.Data() + tail;
}

QByteArray Ints(std::initializer_list<int> values)
{
    CArchiveWriter w;
    for (int v : values) {
        w.WriteInt(v);
    }
    return w.Data();
}

bool ReadBytes(const QByteArray& bytes, CProject& d, QString* version = nullptr, QString* error = nullptr)
{
    return CWendlockDoc::ReadProjectBytes(bytes, d, version, error);
}

} // namespace

TEST(ProjectStrings, versionAndEmptyString_matchGoldenBytes)
{
    EXPECT_EQ(StringBytes(QStringLiteral("2.4")), Hex("FF FE FF 03 32 00 2E 00 34 00"));
    EXPECT_EQ(StringBytes(QString()), Hex("FF FE FF 00"));
}

TEST(ProjectStrings, everyLengthForm_isWrittenAndReadBack)
{
    struct Case
    {
        int length;
        QByteArray header;
    };
    const Case cases[] = {
        {1, Hex("FF FE FF 01")},
        {254, Hex("FF FE FF FE")},
        {255, Hex("FF FE FF FF FF 00")},
        {0xFFFD, Hex("FF FE FF FF FD FF")},
        {0xFFFE, Hex("FF FE FF FF FF FF FE FF 00 00")},
        {70000, Hex("FF FE FF FF FF FF 70 11 01 00")},
    };
    for (const Case& c : cases) {
        const QString text(c.length, QChar(u'\u00e9'));
        const QByteArray bytes = StringBytes(text);
        EXPECT_EQ(bytes.left(c.header.size()), c.header) << c.length;
        EXPECT_EQ(bytes.size(), c.header.size() + 2 * c.length) << c.length;
        EXPECT_EQ(ReadBack(bytes), text) << c.length;
    }
}

TEST(ProjectStrings, readerAcceptsOlderForms)
{
    // One-byte characters, converted with the ANSI code page (UTF-8 here).
    EXPECT_EQ(ReadBack(Hex("03 61 62 63")), QStringLiteral("abc"));
    EXPECT_EQ(ReadBack(Hex("02 C3 A9")), QStringLiteral("\u00e9"));
    // Not UTF-8: Windows-1252, as a Windows writer's ANSI code page.
    EXPECT_EQ(ReadBack(Hex("04 63 61 66 E9")), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(ReadBack(Hex("03 80 20 9D")), QStringLiteral("\u20ac \u009d"));
    // One-byte characters with a 2-byte and a 4-byte length.
    EXPECT_EQ(ReadBack(Hex("FF 02 00 68 69")), QStringLiteral("hi"));
    EXPECT_EQ(ReadBack(Hex("FF FF FF 02 00 00 00 68 69")), QStringLiteral("hi"));
    // Wide characters with the 8-byte length form.
    EXPECT_EQ(ReadBack(Hex("FF FE FF FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00 41 00")),
              QStringLiteral("A"));
}

TEST(ProjectStrings, eightByteLengthAboveLimit_isAnError)
{
    CArchiveReader::Status status{};
    ReadBack(Hex("FF FE FF FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00"), &status);
    EXPECT_EQ(status, CArchiveReader::Status::Generic);

    CProject d;
    QString error;
    EXPECT_FALSE(ReadBytes(Hex("FF FE FF FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00"), d, nullptr, &error));
    EXPECT_EQ(error, QStringLiteral("Failed to open document."));
}

TEST(ProjectStrings, hugeLengthInShortFile_endsWithoutAllocatingIt)
{
    CArchiveReader::Status status{};
    ReadBack(Hex("FF FE FF FF FF FF FF FF FF 3F 41 00"), &status);
    EXPECT_EQ(status, CArchiveReader::Status::EndOfFile);
}

TEST(ProjectLayout, newProject_matchesGoldenBytes)
{
    const CProject d;
    const QByteArray bytes = CWendlockDoc::ProjectBytes(d);
    QByteArray expected = StringBytes(AppInfo::ProgramVersion());
    expected += Hex("00 00");                   // no files
    expected += Hex("01 00 00 00 00 00 00 00"); // backup, mode
    expected += StringBytes(QStringLiteral("tangelo"));
    expected += Hex("00 00 00 00");                         // user count, 4 bytes
    expected += Hex("01 00 00 00 6D 01 00 00 00 00 00 00"); // expire 1, 365 days, alert
    expected += StringBytes(QStringLiteral("Invalid Password!"));
    expected += StringBytes(CProject::DefaultRedirectURL());
    expected += Hex("FF FE FF 00");             // target
    expected += Hex("01 00 00 00 01 00 00 00"); // case flags
    expected += Hex("FF FE FF 00");             // template path
    // preview, charset, copy head, refresh IE, two groups, ten options, location lock
    expected += Hex("01000000 00000000 01000000 01000000 00000000 00000000");
    expected +=
        Hex("00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000");
    expected += Hex("00000000");
    expected += StringBytes(CProject::DefaultLockURL());
    expected += Hex("00000000");
    expected += StringBytes(CProject::DefaultLockURL());
    // The format block: magic, version 1, length 24; strong, 600,000
    // iterations; no salt drawn yet.
    expected += QByteArray("WLXB") + Hex("0100 18000000");
    expected += QByteArray("CIPH") + Hex("04000000 01000000");
    expected += QByteArray("KDFI") + Hex("04000000 C0270900");
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(ProjectLayout, fileListCount_usesLongFormFrom65535)
{
    CProject d;
    d.m_listFiles = QStringList(65534, QStringLiteral("a"));
    QByteArray bytes = CWendlockDoc::ProjectBytes(d);
    EXPECT_EQ(bytes.mid(10, 2), Hex("FE FF"));

    d.m_listFiles = QStringList(65535, QStringLiteral("a"));
    bytes = CWendlockDoc::ProjectBytes(d);
    EXPECT_EQ(bytes.mid(10, 6), Hex("FF FF FF FF 00 00"));

    CProject back;
    ASSERT_TRUE(ReadBytes(bytes, back));
    EXPECT_EQ(back.m_listFiles.size(), 65535);
}

TEST(ProjectLayout, saveThenRead_givesSameValues)
{
    const CProject d = SampleProject();
    CProject back;
    QString version;
    ASSERT_TRUE(ReadBytes(CWendlockDoc::ProjectBytes(d), back, &version));
    EXPECT_EQ(version, AppInfo::ProgramVersion());
    EXPECT_TRUE(back == d);
    EXPECT_EQ(back.m_listUsers[1].m_strUserName, QStringLiteral("bob"));
}

TEST(ProjectLayout, countsTheFileCannotHold_areRefusedBeforeReading)
{
    // A few bytes that declare four billion files, or a million users.
    CArchiveWriter w;
    w.WriteString(QStringLiteral("2.4"));
    w.WriteCount(0xFFFFFFF0u);
    CProject back;
    QString error;
    EXPECT_FALSE(CWendlockDoc::ReadProjectBytes(w.Data() + QByteArray(64, '\0'), back, nullptr, &error));
    EXPECT_EQ(error, QStringLiteral("Unexpected file format."));
    CArchiveWriter users;
    users.WriteString(QStringLiteral("2.4"));
    users.WriteCount(0);
    users.WriteInt(1);
    users.WriteInt(0);
    users.WriteString(QStringLiteral("pw"));
    users.WriteInt(1000000);
    EXPECT_FALSE(CWendlockDoc::ReadProjectBytes(users.Data() + QByteArray(64, '\0'), back, nullptr, &error));
}

TEST(ProjectLayout, trailingBytes_areIgnored)
{
    const CProject d = SampleProject();
    CProject back;
    ASSERT_TRUE(ReadBytes(CWendlockDoc::ProjectBytes(d) + Hex("DE AD BE EF 00"), back));
    EXPECT_TRUE(back == d);
}

TEST(ProjectLayout, negativeUserCount_readsNoUsers)
{
    CArchiveWriter w;
    w.WriteString(QStringLiteral("2.4"));
    w.WriteCount(0);
    w.WriteInt(1);
    w.WriteInt(1);
    w.WriteString(QStringLiteral("x"));
    w.WriteInt(-3);
    CProject d;
    const QByteArray tail =
        CWendlockDoc::ProjectBytes(d).mid(CWendlockDoc::ProjectBytes(d).indexOf(Hex("01 00 00 00 6D 01")));
    ASSERT_TRUE(ReadBytes(w.Data() + tail, d));
    EXPECT_TRUE(d.m_listUsers.isEmpty());
    EXPECT_EQ(d.m_nPasswordMode, 1);
}

TEST(ProjectVersions, below13_readsOnlyTheFirstItemsAndDefaultsTheRest)
{
    // Whatever follows item 20 in such a file is not part of the layout.
    for (const char* version : {"1.2", "1.0", "1.10", "1.25"}) {
        CProject d;
        ASSERT_TRUE(ReadBytes(OldFileBytes(QLatin1String(version), Ints({0, 0, 0})), d)) << version;
        EXPECT_EQ(d.m_nExpireDays, 7) << version;
        EXPECT_EQ(d.m_nCharset, 17) << version;
        EXPECT_FALSE(d.m_bCopyHead) << version;
        EXPECT_TRUE(d.m_bRefreshIE) << version; // default, not the 0 that follows
        EXPECT_EQ(d.m_strLocationLock, CProject::DefaultLockURL()) << version;
        EXPECT_EQ(d.m_strPassword, QStringLiteral("pw")) << version;
    }
}

TEST(ProjectVersions, version13_lacksScriptGroupsAndDragDrop)
{
    CArchiveWriter tail;
    tail.WriteInt(0); // refresh IE
    for (int i = 0; i < 9; ++i) {
        tail.WriteInt(1); // nine options
    }
    tail.WriteInt(1); // location lock
    tail.WriteString(QStringLiteral("http://l/"));
    tail.WriteInt(1);
    tail.WriteString(QStringLiteral("http://r/"));
    CProject d;
    ASSERT_TRUE(ReadBytes(OldFileBytes(QStringLiteral("1.3"), tail.Data()), d));
    EXPECT_FALSE(d.m_bRefreshIE);
    EXPECT_FALSE(d.m_bProtectLoginPages);
    EXPECT_TRUE(d.m_bNoPrintScreen);
    EXPECT_FALSE(d.m_bNoDragDrop);
    EXPECT_TRUE(d.m_bLocationLock);
    EXPECT_EQ(d.m_strLocationLock, QStringLiteral("http://l/"));
    EXPECT_EQ(d.m_strReferrerLock, QStringLiteral("http://r/"));
}

TEST(ProjectVersions, version14_hasDragDropButNoScriptGroups)
{
    CArchiveWriter tail;
    tail.WriteInt(0);
    for (int i = 0; i < 9; ++i) {
        tail.WriteInt(0);
    }
    tail.WriteInt(1); // drag and drop
    tail.WriteInt(0);
    tail.WriteString(QStringLiteral("http://l/"));
    tail.WriteInt(0);
    tail.WriteString(QStringLiteral("http://r/"));
    CProject d;
    ASSERT_TRUE(ReadBytes(OldFileBytes(QStringLiteral("1.4"), tail.Data()), d));
    EXPECT_TRUE(d.m_bNoDragDrop);
    EXPECT_FALSE(d.m_bProtectAfterLogin);
    EXPECT_EQ(d.m_strReferrerLock, QStringLiteral("http://r/"));
}

TEST(ProjectVersions, version15_hasScriptGroups)
{
    CArchiveWriter tail;
    tail.WriteInt(1); // refresh IE
    tail.WriteInt(1); // login pages
    tail.WriteInt(0); // after login
    for (int i = 0; i < 9; ++i) {
        tail.WriteInt(0);
    }
    tail.WriteInt(1); // drag and drop
    tail.WriteInt(0);
    tail.WriteString(QString());
    tail.WriteInt(0);
    tail.WriteString(QString());
    CProject d;
    ASSERT_TRUE(ReadBytes(OldFileBytes(QStringLiteral("1.5"), tail.Data()), d));
    EXPECT_TRUE(d.m_bProtectLoginPages);
    EXPECT_TRUE(d.m_bNoDragDrop);
    EXPECT_TRUE(d.m_strLocationLock.isEmpty());
}

TEST(ProjectVersions, outOfRangeValues_takeTheirDefaults)
{
    CProject d = SampleProject();
    d.m_nPasswordMode = 7;
    d.m_nCharset = 43;
    d.m_nLoginExpire = -1;
    d.m_nIncorrectAction = 2;
    CProject back;
    ASSERT_TRUE(ReadBytes(CWendlockDoc::ProjectBytes(d), back));
    EXPECT_EQ(back.m_nPasswordMode, 0);
    EXPECT_EQ(back.m_nCharset, 0);
    EXPECT_EQ(back.m_nLoginExpire, 1);
    EXPECT_EQ(back.m_nIncorrectAction, 0);
    EXPECT_EQ(back.m_nExpireDays, 30);

    d.m_nCharset = 42;
    ASSERT_TRUE(ReadBytes(CWendlockDoc::ProjectBytes(d), back));
    EXPECT_EQ(back.m_nCharset, 42);
}

TEST(ProjectVersions, optionsAreStoredAsInts_andOtherValuesReadAsDefaults)
{
    // Every option turned from its default: each stays a 4-byte 0 or 1 in
    // its place, and the two in the block are items of 4 bytes.
    CProject d;
    for (bool CProject::*flag : {&CProject::m_bBackup,
                                 &CProject::m_bUserNameCase,
                                 &CProject::m_bPasswordCase,
                                 &CProject::m_bPreview,
                                 &CProject::m_bCopyHead,
                                 &CProject::m_bRefreshIE,
                                 &CProject::m_bProtectLoginPages,
                                 &CProject::m_bProtectAfterLogin,
                                 &CProject::m_bNoRightClick,
                                 &CProject::m_bNoTextSelect,
                                 &CProject::m_bNoPrint,
                                 &CProject::m_bNoOffline,
                                 &CProject::m_bNoStatusLinks,
                                 &CProject::m_bKillFrame,
                                 &CProject::m_bNoMozilla,
                                 &CProject::m_bNoOpera,
                                 &CProject::m_bNoPrintScreen,
                                 &CProject::m_bNoDragDrop,
                                 &CProject::m_bLocationLock,
                                 &CProject::m_bReferrerLock,
                                 &CProject::m_bProtectAssets,
                                 &CProject::m_bShareFileLogins}) {
        d.*flag = !(d.*flag);
    }
    QByteArray expected = StringBytes(AppInfo::ProgramVersion());
    expected += Hex("00 00 00000000 00000000"); // no files, backup off, mode
    expected += StringBytes(QStringLiteral("tangelo"));
    expected += Hex("00000000 01000000 6D010000 00000000");
    expected += StringBytes(QStringLiteral("Invalid Password!"));
    expected += StringBytes(CProject::DefaultRedirectURL());
    expected += Hex("FF FE FF 00 00000000 00000000 FF FE FF 00"); // target, case flags off, template
    expected += Hex("00000000 00000000 00000000 00000000 01000000 01000000");
    expected +=
        Hex("01000000 01000000 01000000 01000000 01000000 01000000 01000000 01000000 01000000 01000000");
    expected += Hex("01000000") + StringBytes(CProject::DefaultLockURL());
    expected += Hex("01000000") + StringBytes(CProject::DefaultLockURL());
    expected += QByteArray("WLXB") + Hex("0100 30000000");
    expected += QByteArray("CIPH") + Hex("04000000 01000000");
    expected += QByteArray("KDFI") + Hex("04000000 C0270900");
    expected += QByteArray("ASST") + Hex("04000000 01000000");
    expected += QByteArray("SHFL") + Hex("04000000 01000000");
    EXPECT_EQ(CWendlockDoc::ProjectBytes(d).toHex(' '), expected.toHex(' '));

    // A stored option other than 0 or 1 reads as its default, whether that
    // is on or off; the values after it still read in their places.
    CArchiveWriter w;
    w.WriteString(QStringLiteral("2.4"));
    w.WriteCount(0);
    w.WriteInt(2); // backup, on by default
    w.WriteInt(0);
    w.WriteString(QStringLiteral("pw"));
    w.WriteInt(0);
    w.WriteInt(1);
    w.WriteInt(365);
    w.WriteInt(0);
    w.WriteString(QStringLiteral("a"));
    w.WriteString(QStringLiteral("r"));
    w.WriteString(QString());
    w.WriteInt(-1); // user name case, on by default
    w.WriteInt(0);  // password case
    w.WriteString(QString());
    // preview, charset, copy head, refresh IE, the two groups
    for (int value : {0x100, 5, 0, 1, 2, 1}) {
        w.WriteInt(value);
    }
    // Ten options, off by default: odd values in between valid ones.
    for (int value : {1, -1, 1, 7, 1, 0, 1, 0x10000, 1, 2}) {
        w.WriteInt(value);
    }
    w.WriteInt(3); // location lock
    w.WriteString(QStringLiteral("http://l/"));
    w.WriteInt(1); // referrer lock
    w.WriteString(QStringLiteral("http://r/"));
    const QByteArray items = QByteArray("ASST") + Hex("04000000 02000000") + QByteArray("SHFL") +
                             Hex("04000000 FFFFFFFF") + QByteArray("CIPH") + Hex("04000000 00000000");
    w.WriteBytes(QByteArray("WLXB") + Hex("0100") + Ints({int(items.size())}) + items);
    CProject back;
    ASSERT_TRUE(ReadBytes(w.Data(), back));
    EXPECT_TRUE(back.m_bBackup);
    EXPECT_TRUE(back.m_bUserNameCase);
    EXPECT_FALSE(back.m_bPasswordCase);
    EXPECT_TRUE(back.m_bPreview);
    EXPECT_EQ(back.m_nCharset, 5);
    EXPECT_FALSE(back.m_bCopyHead);
    EXPECT_TRUE(back.m_bRefreshIE);
    EXPECT_FALSE(back.m_bProtectLoginPages);
    EXPECT_TRUE(back.m_bProtectAfterLogin);
    const bool options[] = {back.m_bNoRightClick,  back.m_bNoTextSelect, back.m_bNoPrint,   back.m_bNoOffline,
                            back.m_bNoStatusLinks, back.m_bKillFrame,    back.m_bNoMozilla, back.m_bNoOpera,
                            back.m_bNoPrintScreen, back.m_bNoDragDrop};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(options[i], i % 2 == 0) << "option " << i;
    }
    EXPECT_FALSE(back.m_bLocationLock);
    EXPECT_EQ(back.m_strLocationLock, QStringLiteral("http://l/"));
    EXPECT_TRUE(back.m_bReferrerLock);
    EXPECT_FALSE(back.m_bProtectAssets);
    EXPECT_FALSE(back.m_bShareFileLogins);
    EXPECT_EQ(back.m_nCipher, CProject::kCipherClassic);
}

TEST(ProjectRecord, clearKeepsIntsAndDefaultsRestoreNewProject)
{
    CProject d = SampleProject();
    d.Clear();
    EXPECT_TRUE(d.m_listFiles.isEmpty());
    EXPECT_TRUE(d.m_listUsers.isEmpty());
    EXPECT_TRUE(d.m_strPassword.isEmpty());
    EXPECT_TRUE(d.m_strLocationLock.isEmpty());
    EXPECT_EQ(d.m_nCharset, 32);
    EXPECT_TRUE(d.m_bNoOpera);
    d.SetDefaults();
    EXPECT_TRUE(d == CProject());
    EXPECT_EQ(d.m_strPassword, QStringLiteral("tangelo"));
    EXPECT_EQ(d.m_strAlertText, QStringLiteral("Invalid Password!"));
    EXPECT_TRUE(d.m_strRedirectURL.endsWith(QLatin1String("/loginfailure.htm")));
    EXPECT_TRUE(d.m_strLocationLock.endsWith(QLatin1String(".com/")));
}

class ProjectDocument : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

TEST_F(ProjectDocument, truncatedAtEveryOffset_reportsUnexpectedFormatAndKeepsProject)
{
    const QByteArray full = CWendlockDoc::ProjectBytes(SampleProject());
    CProject live;
    live.m_strPassword = QStringLiteral("open project");
    const CProject before = live;
    CWendlockDoc doc(&live);
    int loads = 0;
    doc.SetPageHooks([&loads] { ++loads; }, {});
    doc.SetPathName(Path("open.vxp"));
    doc.SetModifiedFlag(true);

    const QString path = Path("cut.vxp");
    // Cut right before the format block, the file is one of the older layout.
    const qsizetype olderLayout = full.indexOf("WLXB");
    for (int cut = 1; cut < full.size(); ++cut) {
        if (cut == olderLayout) {
            continue;
        }
        ASSERT_TRUE(TestUtil::WriteFile(path, full.left(cut)));
        QString error;
        ASSERT_FALSE(doc.OnOpenDocument(path, &error)) << cut;
        ASSERT_EQ(error, QStringLiteral("Unexpected file format.")) << cut;
        ASSERT_TRUE(live == before) << cut;
    }
    EXPECT_EQ(loads, 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), Path("open.vxp"));
}

TEST_F(ProjectDocument, newSaveOpen_roundTripsAndLoadsPages)
{
    CProject live;
    CWendlockDoc doc(&live);
    int loads = 0;
    int saves = 0;
    doc.SetPageHooks([&] { ++loads; },
                     [&] {
                         ++saves;
                         live = SampleProject();
                     });
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Untitled"));
    EXPECT_EQ(loads, 1);

    QString error;
    ASSERT_TRUE(doc.OnSaveDocument(Path("p.vxp"), &error)) << error.toStdString();
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("p.vxp"));

    ASSERT_TRUE(doc.OnNewDocument());
    // A new project draws its own salt and its own password.
    CProject fresh;
    EXPECT_EQ(live.m_baSalt.size(), 16);
    EXPECT_EQ(live.m_strPassword.size(), 8);
    EXPECT_NE(live.m_strPassword, CProject::DefaultPassword());
    EXPECT_EQ(live.m_baContentKey.size(), 32);
    fresh.m_baSalt = live.m_baSalt;
    fresh.m_baContentKey = live.m_baContentKey;
    fresh.m_strPassword = live.m_strPassword;
    EXPECT_TRUE(live == fresh);
    ASSERT_TRUE(doc.OnOpenDocument(Path("p.vxp"), &error)) << error.toStdString();
    EXPECT_TRUE(live == SampleProject());
    EXPECT_EQ(doc.GetLoadedVersion(), AppInfo::ProgramVersion());
    EXPECT_EQ(loads, 3);
}

TEST_F(ProjectDocument, zeroByteFile_opensAsNewProject)
{
    ASSERT_TRUE(TestUtil::WriteFile(Path("empty.vxp"), QByteArray()));
    CProject live = SampleProject();
    CWendlockDoc doc(&live);
    QString error;
    ASSERT_TRUE(doc.OnOpenDocument(Path("empty.vxp"), &error));
    // New Project values, with a salt drawn as for any file without one,
    // and the project marked changed so that saving keeps it.
    CProject fresh;
    EXPECT_EQ(live.m_baSalt.size(), 16);
    fresh.m_baSalt = live.m_baSalt;
    fresh.m_baContentKey = live.m_baContentKey;
    EXPECT_TRUE(live == fresh);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ProjectDocument, openFailures_useFrameworkTexts)
{
    CProject live;
    CWendlockDoc doc(&live);
    QString error;
    EXPECT_FALSE(doc.OnOpenDocument(Path("missing.vxp"), &error));
    EXPECT_EQ(error, Path("missing.vxp") + QStringLiteral(" was not found."));
    EXPECT_FALSE(doc.OnOpenDocument(Path("nofolder/x.vxp"), &error));
    EXPECT_EQ(error, Path("nofolder/x.vxp") + QStringLiteral(" contains an incorrect path."));
    EXPECT_FALSE(doc.OnOpenDocument(dir.path(), &error));
    EXPECT_EQ(error, QStringLiteral("Access to %1 was denied.").arg(dir.path()));
}

TEST_F(ProjectDocument, saveOverReadOnlyFile_isDeniedAndLeavesItUntouched)
{
    const QString path = Path("ro.vxp");
    const QByteArray original = CWendlockDoc::ProjectBytes(CProject());
    ASSERT_TRUE(TestUtil::WriteFile(path, original));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);

    CProject live = SampleProject();
    CWendlockDoc doc(&live);
    doc.SetModifiedFlag(true);
    QString error;
    EXPECT_FALSE(doc.OnSaveDocument(path, &error));
    EXPECT_EQ(error, QStringLiteral("Access to %1 was denied.").arg(path));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(TestUtil::ReadFile(path), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(ProjectDocument, saveIntoMissingFolder_failsAndCreatesNothing)
{
    CProject live;
    QString error;
    EXPECT_FALSE(CWendlockDoc::WriteProjectFile(Path("gone/p.vxp"), live, &error));
    EXPECT_EQ(error, Path("gone/p.vxp") + QStringLiteral(" contains an incorrect path."));
}

TEST_F(ProjectDocument, saveIntoReadOnlyFolder_leavesNoFile)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    QDir(dir.path()).mkdir(QStringLiteral("ro"));
    ASSERT_EQ(::chmod(QFile::encodeName(Path("ro")).constData(), 0555), 0);
    QString error;
    EXPECT_FALSE(CWendlockDoc::WriteProjectFile(Path("ro/p.vxp"), CProject(), &error));
    EXPECT_EQ(error, QStringLiteral("Access to %1 was denied.").arg(Path("ro/p.vxp")));
    EXPECT_FALSE(QFile::exists(Path("ro/p.vxp")));
    ::chmod(QFile::encodeName(Path("ro")).constData(), 0755);
}

TEST_F(ProjectDocument, saveOverExistingFile_onlyTheOwnerReadsItAndNoTemporaryStays)
{
    // Projects hold passwords: group and others lose their access, a
    // stricter mode stays, a new project is the owner's alone.
    const QString path = Path("perm.vxp");
    ASSERT_TRUE(TestUtil::WriteFile(path, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    QString error;
    ASSERT_TRUE(CWendlockDoc::WriteProjectFile(path, SampleProject(), &error));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0200), 0);
    ASSERT_TRUE(CWendlockDoc::WriteProjectFile(path, SampleProject(), &error));
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0200u);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    ASSERT_TRUE(CWendlockDoc::WriteProjectFile(Path("new.vxp"), SampleProject(), &error));
    ASSERT_EQ(::stat(QFile::encodeName(Path("new.vxp")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(QFile::remove(Path("new.vxp")));
    EXPECT_EQ(TestUtil::ReadFile(path), CWendlockDoc::ProjectBytes(SampleProject()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(ProjectDocument, saveThroughSymlink_replacesTheTargetAndKeepsTheLink)
{
    const QString real = Path("real.vxp");
    const QString link = Path("link.vxp");
    ASSERT_TRUE(TestUtil::WriteFile(real, "old"));
    ASSERT_TRUE(QFile::link(real, link));
    QString error;
    ASSERT_TRUE(CWendlockDoc::WriteProjectFile(link, SampleProject(), &error));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(TestUtil::ReadFile(real), CWendlockDoc::ProjectBytes(SampleProject()));
}

// The content key of several users follows who may log in: a user removed
// since it was drawn gets a new one drawn (whatever front end runs next),
// an added user is only recorded, and the record survives the project file
// and its JSON form.
TEST(ContentKeyUsers, aRemovedUserDrawsANewKey_anAddedOneIsRecorded)
{
    const auto user = [](const char* name) {
        CUserListNode node;
        node.m_strUserName = QString::fromUtf8(name);
        node.m_strPassword = QStringLiteral("pw");
        return node;
    };
    CProject d;
    d.m_nPasswordMode = CProject::kMultipleUsers;
    d.m_listUsers = {user("ann"), user("bob")};
    d.EnsureSalt();
    const QByteArray first = d.m_baContentKey;
    bool drawn = true;
    // No record yet (an older project): made, the key kept.
    EXPECT_TRUE(d.UpdateKeyUsers(&drawn));
    EXPECT_FALSE(drawn);
    EXPECT_EQ(d.m_baContentKey, first);
    EXPECT_EQ(d.m_baKeyUsers.size(), 3 * 16);
    EXPECT_FALSE(d.UpdateKeyUsers(&drawn)) << "nothing changed, nothing to save";

    // Added: recorded under the same key.
    d.m_listUsers.append(user("c\u00e9line"));
    EXPECT_TRUE(d.UpdateKeyUsers(&drawn));
    EXPECT_FALSE(drawn);
    EXPECT_EQ(d.m_baContentKey, first);
    EXPECT_EQ(d.m_baKeyUsers.size(), 4 * 16);

    // Through the project file and JSON, then bob is removed: a new key,
    // and a record of the users it serves.
    CArchiveWriter w;
    d.Serialize(w);
    QByteArray bytes = w.Data();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchiveReader r(&buffer);
    CProject loaded;
    ASSERT_TRUE(loaded.Serialize(r, AppInfo::ProgramVersion()));
    EXPECT_EQ(loaded.m_baKeyUsers, d.m_baKeyUsers);
    CProject fromJson;
    ASSERT_TRUE(CProjectJson::FromJson(CProjectJson::ToJson(loaded, QStringLiteral("1")), fromJson, nullptr));
    EXPECT_EQ(fromJson.m_baKeyUsers, d.m_baKeyUsers);
    fromJson.m_listUsers.removeAt(1);
    EXPECT_TRUE(fromJson.UpdateKeyUsers(&drawn));
    EXPECT_TRUE(drawn);
    EXPECT_EQ(fromJson.m_baContentKey.size(), 32);
    EXPECT_NE(fromJson.m_baContentKey, first);
    EXPECT_EQ(fromJson.m_baKeyUsers.size(), 3 * 16);
    EXPECT_FALSE(fromJson.UpdateKeyUsers(&drawn));
    // A user renamed is the old name removed.
    fromJson.m_listUsers[0].m_strUserName = QStringLiteral("anne");
    EXPECT_TRUE(fromJson.UpdateKeyUsers(&drawn));
    EXPECT_TRUE(drawn);
    // Where names log in whatever their case, a change of case is none.
    fromJson.m_bUserNameCase = false;
    fromJson.UpdateKeyUsers();
    const QByteArray third = fromJson.m_baContentKey;
    fromJson.m_listUsers[0].m_strUserName = QStringLiteral("ANNE");
    fromJson.UpdateKeyUsers(&drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(fromJson.m_baContentKey, third);

    // A key set by hand brings no record of its own: made anew, key kept.
    QString error;
    ASSERT_TRUE(CProjectJson::SetValue(fromJson, QStringLiteral("contentKey"), QString(64, QLatin1Char('a')),
                                       &error));
    EXPECT_TRUE(fromJson.UpdateKeyUsers(&drawn));
    EXPECT_FALSE(drawn);
    EXPECT_EQ(fromJson.m_baContentKey, QByteArray(32, '\xaa'));
    // Odd lengths are refused.
    EXPECT_FALSE(
        CProjectJson::SetValue(fromJson, QStringLiteral("keyUsers"), QStringLiteral("abcd"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("keyUsers")));

    // One password: its key follows from the password; nothing recorded.
    CProject single;
    single.EnsureSalt();
    EXPECT_FALSE(single.UpdateKeyUsers(&drawn));
    EXPECT_TRUE(single.m_baKeyUsers.isEmpty());
}
