#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

class CProject;
class CUserListNode;

// Everything in a protected page that depends on the credentials: the page
// key the content is enciphered under, its check value, the multi-user
// arrays and the login settings variables. Pages carry digests, a check
// value and enciphered data only, never a password in clear.
class CCredentialTable
{
public:
    // The key material of one page.
    struct PageCredentials
    {
        QString secret;     // the password (single mode) or the random page secret (multi-user)
        QByteArray key;     // 32 lower-case hex digits
        int checkValue = 0; // XorFold of the key
    };

    // "ANSI" bytes of a text: UTF-8, the same bytes the login script digests.
    static QByteArray AnsiBytes(QStringView text);
    // Lower-cases the ASCII letters A-Z only; every other character keeps its case.
    static QString FoldCase(QStringView text);
    // MD5 digest as 32 lower-case hex digits.
    static QByteArray Md5Hex(const QByteArray& bytes);
    static QByteArray Base64Encode(const QByteArray& bytes);
    // XOR of all UTF-16 units (or bytes), 0 for an empty text.
    static int XorFold(QStringView text);
    static int XorFold(const QByteArray& latin1Text);
    // out[i] = ((data[i] ^ key[i % k]) + key[(n - 1 - i) % k]) mod 256
    static QByteArray ScrambleBytes(const QByteArray& data, const QByteArray& key);
    // The same into `out` (resized to fit), so a page reuses one buffer.
    static void ScrambleInto(const QByteArray& data, const QByteArray& key, QByteArray& out);
    static QByteArray UnscrambleBytes(const QByteArray& scrambled, const QByteArray& key);

    // Md5Hex(Md5Hex(bytes)).
    static QByteArray DoubleMd5Hex(const QByteArray& bytes);
    static PageCredentials CredentialsForSecret(const QString& secret);
    // Single password mode: the password, folded unless it is case sensitive.
    static PageCredentials SinglePasswordCredentials(const CProject& data);
    // Multi-user mode: a fresh 8-character page secret for every page.
    static PageCredentials MultiUserCredentials();

    // One element of vxpb: Md5Hex(Md5Hex(name) + Md5Hex(password)), folded per the case settings.
    static QByteArray UserDigest(const CProject& data, const CUserListNode& user);
    // The key a user's password unlocks the page secret with: DoubleMd5Hex(password + name).
    static QByteArray UserKey(const CProject& data, const CUserListNode& user);
    // One element of vxpc: Base64(ScrambleBytes(secret, UserKey)).
    static QByteArray UserKeyElement(const CProject& data, const CUserListNode& user,
                                     const QByteArray& secretBytes);

    // The statements var vxpb=new Array("...");var vxpc=new Array("...");
    static QByteArray UserArraysText(const CProject& data, const QByteArray& secretBytes);
    // The six variable lines and the three or four statements that follow
    // them without a line end. Texts are escaped as script string literals.
    // Without a check value (the strong format has none) PWDMKK is left out.
    static QByteArray LoginVariablesText(const CProject& data, int passwordMode,
                                         std::optional<int> checkValue);
};
