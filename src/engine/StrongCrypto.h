#pragma once

#include <QByteArray>
#include <QString>

// The primitives of the strong page format, over OpenSSL's libcrypto. The
// construction that combines them is written down in docs/strong-format.md.
namespace StrongCrypto {

constexpr int kKeySize = 32;
constexpr int kSaltSize = 16;
constexpr int kNonceSize = 16;
constexpr int kIvSize = 12;
constexpr int kTagSize = 16;
constexpr int kLookupIdSize = 16;
// The random value of one run that the key table's lookup ids depend on.
constexpr int kRunSize = 16;
// The key table holds a multiple of this many entries, and at least this many.
constexpr int kKeyTableBlock = 16;
// A wrapped entry: lookup id, IV, the content key enciphered, its tag.
constexpr int kEntrySize = kLookupIdSize + kIvSize + kKeySize + kTagSize;

// Bytes from the system's secure random source; empty when it fails.
QByteArray RandomBytes(int count);
// A page's nonce: kNonceSize bytes from the same source. Empty when it fails.
QByteArray RandomNonce();

// PBKDF2-HMAC-SHA256, always 32 bytes. Empty on failure.
QByteArray Pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations);
// HKDF-SHA256 (RFC 5869). Empty on failure.
QByteArray Hkdf(const QByteArray& key, const QByteArray& salt, const char* info, int length);

// AES-256-GCM with a 12-byte IV; the 16-byte tag follows the ciphertext.
bool Seal(const QByteArray& key, const QByteArray& iv, const QByteArray& aad, const char* data,
          qsizetype size, QByteArray& out);
// The inverse; false when the tag does not match (wrong key, changed data).
bool Open(const QByteArray& key, const QByteArray& iv, const QByteArray& aad, const QByteArray& sealed,
          QByteArray& out);

// A credential as the key derivation takes it: NFC-normalised, folded
// (A-Z only) when its case option is off, as UTF-8.
QByteArray CredentialBytes(const QString& text, bool caseSensitive);
// The derivation input of a user: both credentials, each length-prefixed.
QByteArray UserPairBytes(const QByteArray& name, const QByteArray& password);

// The per-page key and the chunk parameters.
QByteArray PageKey(const QByteArray& contentKey, const QByteArray& nonce);
QByteArray ChunkIv(quint32 index);
QByteArray ChunkAad(const QByteArray& nonce, quint32 index, bool last);

// Labels of the derived keys.
inline constexpr char kContentKeyLabel[] = "wendlock v1 content key";
inline constexpr char kWrapKeyLabel[] = "wendlock v1 wrap key";
inline constexpr char kLookupIdLabel[] = "wendlock v1 lookup id";
inline constexpr char kRunLookupIdLabel[] = "wendlock v2 lookup id";
inline constexpr char kPageKeyLabel[] = "wendlock v1 page key";
inline constexpr char kWrapAadLabel[] = "wendlock v1 wrap";
// A single-password page's check value of its content key: tells a wrong
// password from a damaged page, at the cost of the full derivation.
inline constexpr char kKeyCheckLabel[] = "wendlock v1 key check";
constexpr int kKeyCheckSize = 16;

} // namespace StrongCrypto
