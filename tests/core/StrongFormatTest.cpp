#include "CliRunner.h"
#include "TestUtil.h"
#include "common/AppFolders.h"
#include "engine/BackupRestore.h"
#include "engine/CredentialTable.h"
#include "engine/DeflateAhead.h"
#include "engine/PageFormat.h"
#include "engine/PageFormats.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/StrongCrypto.h"
#include "engine/StrongPageWriter.h"
#include "engine/StrongSiteKeys.h"
#include "model/ArchiveWriter.h"
#include "model/CharsetTable.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <array>
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <sys/wait.h>
#include <unistd.h>

using TestUtil::Hex;
namespace SC = StrongCrypto;

namespace {

const QByteArray kTemplate = "<html><head><title>Login</title></head>\n<body>\n<form id=\"vxpform\"></form>\n"
                             "</body></html>\n";

QByteArray Hex32(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// A page of `size` bytes that deflate can't shrink much, so it spans
// several chunks.
QByteArray NoisyPage(int size)
{
    QByteArray text = "<html><head><title>Noise</title></head><body>\n";
    QRandomGenerator random(7);
    while (text.size() < size) {
        text += QByteArray::number(random.generate64(), 36);
        text += random.bounded(8) == 0 ? "\n" : " ";
    }
    return text + "</body></html>\n";
}

// Every Base64 element of the page's content array, in order.
QList<QByteArray> Chunks(const QByteArray& page)
{
    const qsizetype start = page.indexOf("var vxsa=[\"") + 11;
    const qsizetype end = page.indexOf("\"];", start);
    return page.mid(start, end - start).replace("\",\"", "\x01").split('\x01');
}

// The page with other content elements and the count set to match them.
QByteArray WithChunks(QByteArray page, const QList<QByteArray>& chunks)
{
    const qsizetype start = page.indexOf("var vxsa=[\"") + 11;
    const qsizetype end = page.indexOf("\"];", start);
    QByteArray joined = chunks.value(0);
    for (qsizetype i = 1; i < chunks.size(); ++i) {
        joined += "\",\"" + chunks.at(i);
    }
    page.replace(start, end - start, joined);
    const qsizetype header = page.indexOf("var vxsv=[");
    const qsizetype close = page.indexOf("];", header);
    const qsizetype comma = page.lastIndexOf(',', close);
    return page.replace(comma + 1, close - comma - 1, QByteArray::number(chunks.size()));
}

} // namespace

TEST(StrongCrypto, primitivesMatchPublishedVectorsAndRefuseChanges)
{
    // RFC 7914, section 11 (the first 32 bytes; the format never asks for more).
    EXPECT_EQ(SC::Pbkdf2("passwd", "salt", 1).toHex(),
              QByteArray("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"));
    EXPECT_EQ(SC::Pbkdf2("Password", "NaCl", 80000).toHex(),
              QByteArray("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"));
    // Passwords about the HMAC block size (longer ones are hashed first) and
    // salts of several lengths agree with OpenSSL's generic PBKDF2.
    int pick = 0;
    for (int length : {0, 1, 55, 63, 64, 65, 200}) {
        // Iteration counts from one (nothing chained) to several thousand.
        const int iterations = std::array{1, 2, 3, 1000, 4097}[pick++ % 5];
        QByteArray password;
        for (int i = 0; i < length; ++i) {
            password.append(char(i * 37 + length));
        }
        const QByteArray salt(length % 41, char(0xa5));
        QByteArray expected(SC::kKeySize, '\0');
        ASSERT_EQ(PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                                    reinterpret_cast<const unsigned char*>(salt.constData()),
                                    int(salt.size()), iterations, EVP_sha256(), SC::kKeySize,
                                    reinterpret_cast<unsigned char*>(expected.data())),
                  1);
        EXPECT_EQ(SC::Pbkdf2(password, salt, iterations).toHex(), expected.toHex())
            << "password of " << length << " bytes, " << iterations << " iterations";
    }
    // RFC 5869, test cases 1 and 3 (no salt, no info), in turns: no call
    // may keep anything of another's inputs.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(
            SC::Hkdf(QByteArray(22, '\x0b'), Hex32("000102030405060708090a0b0c"),
                     QByteArray::fromHex("f0f1f2f3f4f5f6f7f8f9").constData(), 42)
                .toHex(),
            QByteArray(
                "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"));
        EXPECT_EQ(
            SC::Hkdf(QByteArray(22, '\x0b'), QByteArray(), "", 42).toHex(),
            QByteArray(
                "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"));
    }
    // Against the library's own HKDF: keys and salts around the hash's
    // block size, outputs across block boundaries.
    for (int n : {0, 1, 31, 32, 33, 64, 65, 100}) {
        QByteArray key;
        for (int i = 0; i < n; ++i) {
            key.append(char(i * 29 + n));
        }
        QByteArray salt = key.right(n / 2);
        QByteArray info = "label " + QByteArray::number(n);
        EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
        EVP_KDF_CTX* ctx = EVP_KDF_CTX_new(kdf);
        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, key.data(), size_t(key.size())),
            OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), size_t(salt.size())),
            OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, info.data(), size_t(info.size())),
            OSSL_PARAM_construct_end(),
        };
        const int length = n + 1;
        QByteArray expected(length, '\0');
        const bool derived = EVP_KDF_derive(ctx, reinterpret_cast<unsigned char*>(expected.data()),
                                            size_t(length), params) == 1;
        EVP_KDF_CTX_free(ctx);
        EVP_KDF_free(kdf);
        ASSERT_TRUE(derived);
        EXPECT_EQ(SC::Hkdf(key, salt, info.constData(), length).toHex(), expected.toHex()) << n;
    }
    // AES-GCM test case 16 as NIST published it (256-bit key, additional data).
    const QByteArray key = Hex32("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
    const QByteArray iv = Hex32("cafebabefacedbaddecaf888");
    const QByteArray aad = Hex32("feedfacedeadbeeffeedfacedeadbeefabaddad2");
    const QByteArray plain =
        Hex32("d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532f"
              "cf0e2449a6b525b16aedf5aa0de657ba637b39");
    QByteArray sealed;
    ASSERT_TRUE(SC::Seal(key, iv, aad, plain.constData(), plain.size(), sealed));
    EXPECT_EQ(sealed.toHex(),
              QByteArray("522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7"
                         "b08b1056828838c5f61e6393ba7a0abcc9f66276fc6ece0f4e1768cddf8853bb2d551b"));
    QByteArray opened;
    ASSERT_TRUE(SC::Open(key, iv, aad, sealed, opened));
    EXPECT_EQ(opened, plain);
    for (const qsizetype at : {qsizetype(0), sealed.size() - 1}) {
        QByteArray changed = sealed;
        changed[at] = char(changed[at] ^ 1);
        EXPECT_FALSE(SC::Open(key, iv, aad, changed, opened)) << at;
    }
    EXPECT_FALSE(SC::Open(key, iv, aad + "x", sealed, opened));

    // Nonces: never the same twice, nor in a forked child, which must not
    // hand out its parent's next bytes.
    QSet<QByteArray> nonces;
    for (int i = 0; i < 600; ++i) {
        const QByteArray nonce = SC::RandomNonce();
        ASSERT_EQ(nonce.size(), SC::kNonceSize);
        nonces.insert(nonce);
    }
    EXPECT_EQ(nonces.size(), 600);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const QByteArray nonce = SC::RandomNonce();
        _exit(::write(fds[1], nonce.constData(), size_t(nonce.size())) == nonce.size() ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray childNonce(SC::kNonceSize, '\0');
    EXPECT_EQ(::read(fds[0], childNonce.data(), size_t(childNonce.size())), SC::kNonceSize);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(childNonce, SC::RandomNonce());

    // Credentials: NFC first, then A-Z folded; pairs can't run into each other.
    EXPECT_EQ(SC::CredentialBytes(QStringLiteral("E\u0301A"), false), QByteArray("\xc3\x89"
                                                                                 "a"));
    EXPECT_NE(SC::UserPairBytes("ab", "c"), SC::UserPairBytes("a", "bc"));
}

class StrongEngine : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CProject data;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(AppFolders::StrongScriptFile()))
            << "run through ctest: the login scripts "
               "are found through WENDLOCK_APP_DIR";
        ASSERT_TRUE(TestUtil::WriteFile(Path("login.htm"), kTemplate));
        data.m_strTemplatePath = Path("login.htm");
        data.m_strPassword = QStringLiteral("pw");
        data.m_bBackup = false;
        data.m_nKdfIterations = CProject::kMinKdfIterations;
        data.DrawSalt();
    }

    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QString Protect(const char* name, const QByteArray& bytes)
    {
        EXPECT_TRUE(TestUtil::WriteFile(Path(name), bytes));
        CProtectEngine engine(&data);
        QString result;
        engine.ProtectFile(Path(name), result);
        EXPECT_EQ(result, QStringLiteral("Protected"));
        return Path(name);
    }

    static CPageUnlocker::Status Unlock(const QString& path, const QString& user, const QString& password,
                                        QByteArray* text = nullptr)
    {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        const CPageUnlocker::Status status = CPageUnlocker::Unlock(path, user, password, &buffer);
        if (text) {
            *text = out;
        }
        return status;
    }
};

TEST_F(StrongEngine, pagesOpenWithTheRightCredentialsOnlyAndCarryNothingThatHelpsGuessing)
{
    const QByteArray page =
        "<html><head><title>Caf\xc3\xa9</title></head>\r\n<body><p>S3cret text \xe4\xb8\xad</p>"
        "</body></html>\r\n";
    const QByteArray carried = QByteArray(page).replace("\r\n", "\n");
    const QString single = Protect("single.html", page);
    QByteArray text;
    EXPECT_EQ(Unlock(single, QString(), QStringLiteral("pw"), &text), CPageUnlocker::Status::Ok);
    EXPECT_EQ(text, carried);
    EXPECT_EQ(Unlock(single, QString(), QStringLiteral("PW")), CPageUnlocker::Status::WrongCredentials);

    // A page of several chunks opens whole.
    const QByteArray noisy = NoisyPage(300 * 1024);
    const QString big = Protect("big.html", noisy);
    ASSERT_GE(Chunks(TestUtil::ReadFile(big)).size(), 3);
    EXPECT_EQ(Unlock(big, QString(), QStringLiteral("pw"), &text), CPageUnlocker::Status::Ok);
    EXPECT_EQ(text, noisy);
    // Past the size deflated in one piece the text streams: the switch,
    // mid-page, must neither drop nor repeat a byte (nor a CR LF split
    // across reads).
    const QByteArray large = NoisyPage(int(CStrongPageWriter::kWholeText) + 300 * 1024).replace("\n", "\r\n");
    EXPECT_EQ(Unlock(Protect("large.html", large), QString(), QStringLiteral("pw"), &text),
              CPageUnlocker::Status::Ok);
    EXPECT_TRUE(text == QByteArray(large).replace("\r\n", "\n"));

    // Several users, case-insensitive names, an accented password typed
    // decomposed: one derivation finds the user's entry.
    data.m_nPasswordMode = 1;
    data.m_bUserNameCase = false;
    CUserListNode alice;
    alice.m_strUserName = QStringLiteral("Alice");
    alice.m_strPassword = QStringLiteral("caf\u00e9");
    CUserListNode bob;
    bob.m_strUserName = QStringLiteral("bob");
    bob.m_strPassword = QStringLiteral("Hunter2");
    data.m_listUsers = {alice, bob};
    const QString multi = Protect("multi.html", page);
    EXPECT_EQ(Unlock(multi, QStringLiteral("ALICE"), QStringLiteral("cafe\u0301"), &text),
              CPageUnlocker::Status::Ok);
    EXPECT_EQ(text, carried);
    EXPECT_EQ(Unlock(multi, QStringLiteral("bob"), QStringLiteral("Hunter2")), CPageUnlocker::Status::Ok);
    EXPECT_EQ(Unlock(multi, QStringLiteral("bob"), QStringLiteral("caf\u00e9")),
              CPageUnlocker::Status::WrongCredentials);
    EXPECT_EQ(Unlock(multi, QString(), QStringLiteral("Hunter2")), CPageUnlocker::Status::NeedUserName);

    // Nothing in the pages helps an attacker: no names, passwords, check
    // value or unsalted digests; each page has its own nonce.
    const QByteArray multiText = TestUtil::ReadFile(multi);
    for (const QByteArray& secret : {QByteArray("Alice"), QByteArray("alice"), QByteArray("Hunter2"),
                                     QByteArray("PWDMKK"), QByteArray("vxpb"), QByteArray("S3cret"),
                                     CCredentialTable::Md5Hex("pw"), CCredentialTable::DoubleMd5Hex("pw")}) {
        EXPECT_FALSE(multiText.contains(secret)) << secret.constData();
        EXPECT_FALSE(TestUtil::ReadFile(single).contains(secret)) << secret.constData();
    }
    EXPECT_EQ(multiText.count("var vxsk=["), 1);
    data.m_nPasswordMode = 0;
    const QByteArray first = TestUtil::ReadFile(Protect("twice.html", page));
    const QByteArray second = TestUtil::ReadFile(Protect("twice.html", page));
    EXPECT_NE(Chunks(first), Chunks(second));
}

TEST_F(StrongEngine, changedReorderedCutOrMovedChunksAreRefused)
{
    const QString a = Protect("a.html", NoisyPage(300 * 1024));
    const QString b = Protect("b.html", NoisyPage(300 * 1024));
    const QByteArray pageA = TestUtil::ReadFile(a);
    const QList<QByteArray> chunks = Chunks(pageA);
    ASSERT_GE(chunks.size(), 3);
    const auto refused = [&](const QByteArray& bytes, const char* what) {
        ASSERT_TRUE(TestUtil::WriteFile(Path("changed.html"), bytes));
        const CPageUnlocker::Status status = Unlock(Path("changed.html"), QString(), QStringLiteral("pw"));
        // The check value confirms the password: what follows is damage.
        EXPECT_TRUE(status == CPageUnlocker::Status::Damaged || status == CPageUnlocker::Status::Malformed)
            << what;
    };
    QByteArray flipped = pageA;
    const qsizetype inChunk = pageA.indexOf("var vxsa=[\"") + 40;
    flipped[inChunk] = flipped[inChunk] == 'A' ? 'B' : 'A';
    refused(flipped, "a changed byte");
    QList<QByteArray> swapped = chunks;
    std::swap(swapped[0], swapped[2]);
    refused(WithChunks(pageA, swapped), "two chunks swapped");
    refused(WithChunks(pageA, chunks.mid(0, chunks.size() - 1)), "the last chunk cut off");
    QList<QByteArray> moved = chunks;
    moved[0] = Chunks(TestUtil::ReadFile(b))[0];
    refused(WithChunks(pageA, moved), "a chunk of another page");
}

TEST_F(StrongEngine, charsetsAfterLoginBlockAndDetection)
{
    // Windows-1251 bytes are decoded with the page's row and carried as UTF-8.
    data.m_nCharset = [] {
        for (int row = 0;; ++row) {
            if (CCharsetTable::Instance().GetAt(row).m_nCodePage == 1251) {
                return row;
            }
        }
    }();
    data.m_bProtectAfterLogin = true;
    data.m_bNoRightClick = true;
    const QString page =
        Protect("cyr.html", "<html><HEAD><title>\xcf\xf0\xe8\xe2\xe5\xf2</title></HEAD><body>x</body>"
                            "</html>\n");
    QByteArray text;
    ASSERT_EQ(Unlock(page, QString(), QStringLiteral("pw"), &text), CPageUnlocker::Status::Ok);
    EXPECT_TRUE(
        text.startsWith("<html><HEAD><title>\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82</title><SCRIPT"))
        << text.constData();
    EXPECT_TRUE(text.contains("</SCRIPT>") && text.contains("</HEAD><body>x"));

    // Strong pages count as protected, and classic pages met by a strong
    // run are counted for the warning.
    CProtectEngine engine(&data);
    QString result;
    EXPECT_TRUE(engine.IsProtected(page, result));
    data.m_nCipher = CProject::kCipherClassic;
    const QString classic = Protect("classic.html", "<html><head></head><body>old</body></html>\n");
    data.m_nCipher = CProject::kCipherStrong;
    data.m_listFiles = {page, classic};
    CProtectEngine run(&data);
    run.ProtectAll();
    EXPECT_EQ(run.GetClassicPagesMet(), 1);
    EXPECT_EQ(run.GetProtectedCount(), 0);
}

TEST_F(StrongEngine, textsDeflatedAheadServeOnlyAnUnchangedPage)
{
    // The store is asked by page and text: bytes kept for a page and its
    // exact text are sealed as they are (here another page's, to see it).
    ASSERT_TRUE(TestUtil::WriteFile(Path("other.html"), "<html><head></head><body>other</body></html>\n"));
    const QByteArray plain = "<html><head></head><body>plain</body></html>\n";
    ASSERT_TRUE(TestUtil::WriteFile(Path("plain.html"), plain));
    const auto ahead = std::make_shared<CDeflateAhead>();
    CProtectEngine engine(&data);
    engine.SetFormat(CPageFormats::Make(data, nullptr, ahead));
    ASSERT_TRUE(engine.PrepareAhead(Path("other.html")));
    QByteArray deflated;
    ASSERT_TRUE(ahead->Take(Path("other.html"), TestUtil::ReadFile(Path("other.html")), deflated));
    ASSERT_TRUE(ahead->Put(Path("plain.html"), plain, deflated));
    QString result;
    engine.ProtectFile(Path("plain.html"), result);
    QByteArray text;
    ASSERT_EQ(Unlock(Path("plain.html"), QString(), QStringLiteral("pw"), &text), CPageUnlocker::Status::Ok);
    EXPECT_TRUE(text.contains("<body>other</body>")) << text.constData();

    // While the key is derived, pages are deflated without their folder's
    // lock; a page changed since then must be deflated again.
    data.m_bProtectAfterLogin = true;
    data.m_bNoRightClick = true;
    const QByteArray same =
        "<html>\r\n<head><title>t</title></head>\r\n<body>kept \xc3\xa9</body></html>\r\n";
    ASSERT_TRUE(TestUtil::WriteFile(Path("same.html"), same));
    ASSERT_TRUE(TestUtil::WriteFile(Path("changed.html"), "<html><head></head><body>before</body></html>\n"));
    const QByteArray big(CStrongPageWriter::kWholeText + 1, 'x');
    ASSERT_TRUE(TestUtil::WriteFile(Path("big.html"), big));
    EXPECT_TRUE(engine.PrepareAhead(Path("same.html")));
    EXPECT_TRUE(engine.PrepareAhead(Path("changed.html")));
    EXPECT_FALSE(engine.PrepareAhead(Path("big.html")));
    EXPECT_FALSE(engine.PrepareAhead(Path("missing.html")));
    EXPECT_EQ(ahead->Count(), 2);
    ASSERT_TRUE(TestUtil::WriteFile(Path("changed.html"), "<html><head></head><body>after</body></html>\n"));
    for (const char* name : {"same.html", "changed.html"}) {
        engine.ProtectFile(Path(name), result);
        EXPECT_EQ(result, QStringLiteral("Protected")) << name;
    }
    EXPECT_EQ(ahead->Count(), 0);
    ASSERT_EQ(Unlock(Path("same.html"), QString(), QStringLiteral("pw"), &text), CPageUnlocker::Status::Ok);
    EXPECT_TRUE(text.startsWith("<html>\n<head><title>t</title><SCRIPT")) << text.constData();
    EXPECT_TRUE(text.endsWith("</head>\n<body>kept \xc3\xa9</body></html>\n")) << text.constData();
    ASSERT_EQ(Unlock(Path("changed.html"), QString(), QStringLiteral("pw"), &text),
              CPageUnlocker::Status::Ok);
    EXPECT_TRUE(text.contains("<body>after</body>")) << text.constData();
    // A protected page is never deflated ahead.
    EXPECT_FALSE(engine.PrepareAhead(Path("same.html")));
}

TEST(StrongProject, formatBlockReadsSkipsAndDefaults)
{
    CProject d;
    d.m_nCipher = CProject::kCipherClassic;
    d.m_nKdfIterations = 250000;
    d.DrawSalt();
    const QByteArray bytes = CWendlockDoc::ProjectBytes(d);
    const qsizetype block = bytes.indexOf("WLXB");
    ASSERT_GT(block, 0);

    // An item of a later version is skipped; the known ones are read.
    QByteArray payload = QByteArray("NEW!") + Hex("03000000 010203") + bytes.mid(block + 10);
    QByteArray extended = bytes.left(block) + "WLXB" + Hex("0200");
    extended += char(payload.size()) + QByteArray(3, '\0') + payload;
    CProject back;
    QString error;
    ASSERT_TRUE(CWendlockDoc::ReadProjectBytes(extended, back, nullptr, &error)) << error.toStdString();
    EXPECT_TRUE(back == d);
    EXPECT_FALSE(back.m_bSaltDrawn);

    // A file of the older layout opens as strong, 600,000, with a salt drawn.
    ASSERT_TRUE(CWendlockDoc::ReadProjectBytes(bytes.left(block), back, nullptr, &error));
    EXPECT_EQ(back.m_nCipher, CProject::kCipherStrong);
    EXPECT_EQ(back.m_nKdfIterations, 600000);
    EXPECT_EQ(back.m_baSalt.size(), 16);
    EXPECT_TRUE(back.m_bSaltDrawn);

    // Values outside their range take the defaults.
    QByteArray wild = bytes;
    const qsizetype iterations = wild.indexOf("KDFI") + 8;
    wild.replace(iterations, 4, Hex("01000000"));
    ASSERT_TRUE(CWendlockDoc::ReadProjectBytes(wild, back, nullptr, &error));
    EXPECT_EQ(back.m_nKdfIterations, 600000);
}

TEST(StrongCli, saltIsKeptInTheProjectAndRunsShareOneLogin)
{
    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    const auto run = [](const QStringList& args, QString* err = nullptr) {
        return TestUtil::RunCliCode(args, err);
    };
    ASSERT_TRUE(TestUtil::WriteFile(path("a.html"), "<html><head></head><body>one</body></html>\n"));
    ASSERT_TRUE(TestUtil::WriteFile(path("b.html"), "<html><head></head><body>two</body></html>\n"));
    // A project from before the strong format: no block, so no salt.
    CProject project;
    project.m_strPassword = QStringLiteral("pw");
    const QByteArray older = CWendlockDoc::ProjectBytes(project);
    ASSERT_TRUE(TestUtil::WriteFile(path("p.vxp"), older.left(older.indexOf("WLXB"))));

    QString err;
    ASSERT_EQ(
        run({QStringLiteral("protect"), path("p.vxp"), QStringLiteral("--no-backup"), path("a.html")}, &err),
        0);
    EXPECT_TRUE(err.contains(QLatin1String("saved it in the project"))) << err.toStdString();
    CProject saved;
    ASSERT_TRUE(CWendlockDoc::ReadProjectFile(path("p.vxp"), saved, nullptr, nullptr));
    EXPECT_FALSE(saved.m_bSaltDrawn);
    EXPECT_TRUE(saved.m_listFiles.isEmpty()) << "only the salt goes back into the project";
    ASSERT_EQ(
        run({QStringLiteral("protect"), path("p.vxp"), QStringLiteral("--no-backup"), path("b.html")}, &err),
        0);
    EXPECT_FALSE(err.contains(QLatin1String("salt")));

    // Both runs wrote the same salt into their pages: one login opens both.
    const auto saltOf = [&](const char* name) {
        const QByteArray text = TestUtil::ReadFile(path(name));
        const qsizetype at = text.indexOf("\"", text.indexOf("var vxsv=[1,0,"));
        return at < 0 ? QByteArray() : text.mid(at + 1, 24);
    };
    EXPECT_EQ(saltOf("a.html"), saved.m_baSalt.toBase64());
    EXPECT_EQ(saltOf("b.html"), saltOf("a.html"));
    EXPECT_EQ(run({QStringLiteral("unlock"), path("b.html"), QStringLiteral("--password"),
                   QStringLiteral("pw"), QStringLiteral("-o"), path("b.txt")}),
              0);
    EXPECT_EQ(TestUtil::ReadFile(path("b.txt")), QByteArray("<html><head></head><body>two</body></html>\n"));

    // A run without a project prints the salt and the option that reuses it;
    // a bad salt is a usage error.
    ASSERT_TRUE(TestUtil::WriteFile(path("c.html"), "<html><head></head><body>three</body></html>\n"));
    ASSERT_EQ(run({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                   QStringLiteral("--no-backup"), QStringLiteral("--set"),
                   QStringLiteral("kdfIterations=100000"), path("c.html")},
                  &err),
              0);
    EXPECT_TRUE(err.contains(QRegularExpression(QStringLiteral("--set salt=[0-9a-f]{32}"))))
        << err.toStdString();
    // Too short, a letter past f, a non-ASCII digit: each refused; upper
    // case hex is a salt.
    for (const char* salt :
         {"abc", "00112233445566778899aabbccddeeG0", "00112233445566778899aabbccddee\xd9\xa1\xd9\xa1"}) {
        EXPECT_EQ(
            run({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                 QStringLiteral("--set"), QStringLiteral("salt=") + QString::fromUtf8(salt), path("c.html")}),
            2)
            << salt;
    }
    EXPECT_EQ(run({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                   QStringLiteral("--no-backup"), QStringLiteral("--set"),
                   QStringLiteral("kdfIterations=100000"), QStringLiteral("--set"),
                   QStringLiteral("salt=00112233445566778899AABBCCDDEEFF"), path("c.html")}),
              0);
}

TEST(StrongCli, backupsBesideThePagesAreWarnedAboutOrKeptInTheirOwnTree)
{
    QTemporaryDir dir;
    const QString site = dir.filePath(QStringLiteral("site"));
    const QString page = site + QStringLiteral("/docs/a.html");
    const QByteArray original = "<html><head></head><body>one</body></html>\n";
    ASSERT_TRUE(QDir().mkpath(site + QStringLiteral("/docs")));
    ASSERT_TRUE(TestUtil::WriteFile(page, original));
    const auto run = [](const QStringList& args, QString* err = nullptr) {
        return TestUtil::RunCliCode(args, err);
    };
    const QStringList common = {QStringLiteral("--password"), QStringLiteral("pw"), QStringLiteral("--set"),
                                QStringLiteral("kdfIterations=100000")};
    QString err;
    ASSERT_EQ(run(QStringList{QStringLiteral("protect")} + common + QStringList{page}, &err), 0);
    EXPECT_TRUE(err.contains(QLatin1String("Do not upload them"))) << err.toStdString();
    ASSERT_EQ(run({QStringLiteral("restore"), page}, &err), 0);
    EXPECT_EQ(TestUtil::ReadFile(page), original);

    // With --backup-dir the site holds no backup; restore finds it there.
    const QString backups = dir.filePath(QStringLiteral("backups"));
    err.clear();
    ASSERT_EQ(run(QStringList{QStringLiteral("protect"), QStringLiteral("--backup-dir"), backups} + common +
                      QStringList{site},
                  &err),
              0);
    EXPECT_FALSE(err.contains(QLatin1String("Do not upload them")));
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".original")));
    EXPECT_EQ(TestUtil::ReadFile(CBackupRestore::BackupPath(page, backups)), original);
    EXPECT_TRUE(CBackupRestore::BackupPath(page, backups).startsWith(backups + QLatin1Char('/')));
    ASSERT_EQ(run({QStringLiteral("restore"), QStringLiteral("--backup-dir"), backups, site}, &err), 0);
    EXPECT_EQ(TestUtil::ReadFile(page), original);
}

TEST_F(StrongEngine, utf16PagesWithAByteOrderMarkAreReadAsUtf16)
{
    // The default row never loses a byte: a UTF-16 mark wins over the
    // UTF-8 and Windows-1252 guesses, in either byte order.
    const QString text =
        QStringLiteral("<html><head><title>\u00e9t\u00e9 \u4e2d</title></head><body>x</body></html>\n");
    for (const bool bigEndian : {false, true}) {
        QByteArray bytes = bigEndian ? QByteArray("\xfe\xff", 2) : QByteArray("\xff\xfe", 2);
        for (const QChar ch : text) {
            const char hi = char(ch.unicode() >> 8);
            const char lo = char(ch.unicode() & 0xff);
            bytes.append(bigEndian ? hi : lo);
            bytes.append(bigEndian ? lo : hi);
        }
        const QString page = Protect(bigEndian ? "be.html" : "le.html", bytes);
        QByteArray opened;
        ASSERT_EQ(Unlock(page, QString(), QStringLiteral("pw"), &opened), CPageUnlocker::Status::Ok);
        EXPECT_EQ(QString::fromUtf8(opened).remove(QChar(0xfeff)), text) << (bigEndian ? "big" : "little");
    }
}

// The key table of a list of users is padded with random entries to whole
// blocks of 16, and its lookup ids depend on a value new each run: two
// deploys share no id, so they don't show who stayed, came or went. Pages
// of the layout before (one entry per user, ids without a run value) keep
// opening, in the unlocker and with wendlock-cli unlock.
TEST_F(StrongEngine, keyTableIsPaddedNewEachRunAndTheOlderLayoutStillOpens)
{
    data.m_nPasswordMode = CProject::kMultipleUsers;
    for (int i = 0; i < 3; ++i) {
        CUserListNode user;
        user.m_strUserName = QStringLiteral("user%1").arg(i);
        user.m_strPassword = QStringLiteral("pass%1").arg(i);
        data.m_listUsers.append(user);
    }
    const QByteArray page = "<html><head></head><body>team</body></html>\n";
    const auto entriesOf = [](const QByteArray& text) {
        const qsizetype start = text.indexOf("var vxsk=[\"") + 11;
        return text.mid(start, text.indexOf("\"];", start) - start).split('"');
    };
    const auto protectWith = [&](const std::shared_ptr<const CStrongSiteKeys>& keys, const char* name) {
        EXPECT_TRUE(TestUtil::WriteFile(Path(name), page));
        CProtectEngine engine(&data);
        engine.SetFormat(CPageFormats::Make(data, keys));
        QString result;
        EXPECT_TRUE(engine.ProtectFile(Path(name), result)) << result.toStdString();
        return TestUtil::ReadFile(Path(name));
    };
    QString error;
    const std::shared_ptr<const CStrongSiteKeys> first = CStrongSiteKeys::Derive(data, 2, &error);
    const std::shared_ptr<const CStrongSiteKeys> second = CStrongSiteKeys::Derive(data, 2, &error);
    ASSERT_TRUE(first && second) << error.toStdString();
    const QByteArray one = protectWith(first, "one.html");
    const QByteArray two = protectWith(second, "two.html");
    QSet<QByteArray> ids;
    for (const QByteArray& text : {one, two}) {
        QList<QByteArray> entries = entriesOf(text);
        entries.removeAll(",");
        ASSERT_EQ(entries.size(), 16);
        for (const QByteArray& entry : entries) {
            const QByteArray bytes = QByteArray::fromBase64(entry);
            EXPECT_EQ(bytes.size(), SC::kEntrySize);
            ids.insert(bytes.left(SC::kLookupIdSize));
        }
    }
    EXPECT_EQ(ids.size(), 32) << "two runs share no lookup id";
    EXPECT_NE(first->Run(), second->Run());
    for (const char* name : {"one.html", "two.html"}) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(Unlock(Path(name), QStringLiteral("user%1").arg(i), QStringLiteral("pass%1").arg(i)),
                      CPageUnlocker::Status::Ok)
                << name << i;
        }
        EXPECT_EQ(Unlock(Path(name), QStringLiteral("user0"), QStringLiteral("pass1")),
                  CPageUnlocker::Status::WrongCredentials);
    }
    // One more user than a block fills two.
    EXPECT_EQ(CStrongSiteKeys::PaddedCount(0), 16);
    EXPECT_EQ(CStrongSiteKeys::PaddedCount(16), 16);
    EXPECT_EQ(CStrongSiteKeys::PaddedCount(17), 32);

    // The older layout, built here from the primitives: one entry per user
    // under "wendlock v1 lookup id", and six header elements.
    QByteArray old = one;
    const QByteArray wrapKey0 = "wendlock v1 wrap";
    QByteArray table;
    for (const CUserListNode& user : data.m_listUsers) {
        const QByteArray secret = SC::Pbkdf2(SC::UserPairBytes(SC::CredentialBytes(user.m_strUserName, true),
                                                               SC::CredentialBytes(user.m_strPassword, true)),
                                             data.m_baSalt, data.m_nKdfIterations);
        const QByteArray iv = SC::RandomBytes(SC::kIvSize);
        QByteArray sealed;
        ASSERT_TRUE(SC::Seal(SC::Hkdf(secret, data.m_baSalt, "wendlock v1 wrap key", 32), iv,
                             wrapKey0 + data.m_baSalt, first->ContentKey().constData(),
                             first->ContentKey().size(), sealed));
        table +=
            (table.isEmpty() ? "\"" : "\",\"") +
            QByteArray(SC::Hkdf(secret, data.m_baSalt, "wendlock v1 lookup id", 16) + iv + sealed).toBase64();
    }
    const qsizetype tableAt = old.indexOf("var vxsk=[") + 10;
    old.replace(tableAt, old.indexOf("];", tableAt) - tableAt, QByteArray(table + '"'));
    const QByteArray runText = ",\"" + first->Run().toBase64() + "\"];";
    ASSERT_EQ(old.count(runText), 1);
    old.replace(runText, "];");
    ASSERT_TRUE(TestUtil::WriteFile(Path("old.html"), old));
    QByteArray text;
    EXPECT_EQ(Unlock(Path("old.html"), QStringLiteral("user2"), QStringLiteral("pass2"), &text),
              CPageUnlocker::Status::Ok);
    EXPECT_EQ(text, page);
    EXPECT_EQ(Unlock(Path("old.html"), QStringLiteral("user2"), QStringLiteral("pass1")),
              CPageUnlocker::Status::WrongCredentials);
    QString err;
    EXPECT_EQ(TestUtil::RunCliCode({QStringLiteral("unlock"), Path("old.html"), QStringLiteral("--user"),
                                    QStringLiteral("user1"), QStringLiteral("--password"),
                                    QStringLiteral("pass1"), QStringLiteral("-o"), Path("old.txt")},
                                   &err),
              0)
        << err.toStdString();
    EXPECT_EQ(TestUtil::ReadFile(Path("old.txt")), page);
    // The new layout's ids are not the old ones: a run value taken away
    // opens nothing, and one of the wrong size is damage.
    QByteArray stripped = one;
    stripped.replace(runText, "];");
    ASSERT_TRUE(TestUtil::WriteFile(Path("stripped.html"), stripped));
    EXPECT_EQ(Unlock(Path("stripped.html"), QStringLiteral("user1"), QStringLiteral("pass1")),
              CPageUnlocker::Status::WrongCredentials);
    QByteArray shortRun = one;
    shortRun.replace(runText, ",\"AAAA\"];");
    ASSERT_TRUE(TestUtil::WriteFile(Path("short.html"), shortRun));
    EXPECT_EQ(Unlock(Path("short.html"), QStringLiteral("user1"), QStringLiteral("pass1")),
              CPageUnlocker::Status::Malformed);
}
