#include "engine/StrongCrypto.h"

#include "engine/CredentialTable.h"

// The one-block SHA-256 step is deprecated API, yet still built by default.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <QtEndian>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <utility>

namespace StrongCrypto {

namespace {

struct CipherCtxFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

struct KdfFree
{
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
};
struct KdfCtxFree
{
    void operator()(EVP_KDF_CTX* ctx) const { EVP_KDF_CTX_free(ctx); }
};
struct CipherFree
{
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
};

// Algorithms are looked up in the providers once per process: a lookup
// costs more than the HKDF or the sealing of a small page it serves.
EVP_KDF* HkdfAlgorithm()
{
    static const std::unique_ptr<EVP_KDF, KdfFree> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    return kdf.get();
}

EVP_CIPHER* AesGcmAlgorithm()
{
    static const std::unique_ptr<EVP_CIPHER, CipherFree> cipher(
        EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr));
    return cipher.get();
}

const unsigned char* Bytes(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

void AppendU32(QByteArray& out, quint32 value)
{
    out.append(char(value >> 24));
    out.append(char(value >> 16));
    out.append(char(value >> 8));
    out.append(char(value));
}

} // namespace

QByteArray RandomBytes(int count)
{
    QByteArray out(count, '\0');
    if (count > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), count) != 1) {
        return {};
    }
    return out;
}

QByteArray RandomNonce()
{
    // OpenSSL's generator keeps its state per thread and reseeds after
    // fork(), so a draw per nonce is safe and cheap enough.
    return RandomBytes(kNonceSize);
}

#ifndef OPENSSL_NO_DEPRECATED_3_0
namespace {

void PutU32(unsigned char* p, unsigned int v)
{
    // One store of the swapped word.
    const quint32 be = qToBigEndian(quint32(v));
    memcpy(p, &be, sizeof be);
}

// PBKDF2-HMAC-SHA256 for one 32-byte block. The HMAC's inner and outer key
// states are hashed once, and each iteration is then two SHA-256 blocks:
// twice as fast as the generic PKCS5_PBKDF2_HMAC, which sets the HMAC up
// again for every iteration.
// HMAC-SHA256 under one key: the inner and outer states after the key
// pads, hashed once and copied for every message.
struct HmacSha256
{
    SHA256_CTX inner;
    SHA256_CTX outer;

    HmacSha256(const unsigned char* keyBytes, size_t keySize)
    {
        unsigned char key[SHA256_CBLOCK] = {};
        if (keySize > SHA256_CBLOCK) {
            SHA256(keyBytes, keySize, key);
        } else if (keySize > 0) {
            memcpy(key, keyBytes, keySize);
        }
        unsigned char pad[SHA256_CBLOCK];
        SHA256_Init(&inner);
        for (int i = 0; i < SHA256_CBLOCK; ++i) {
            pad[i] = key[i] ^ 0x36;
        }
        SHA256_Update(&inner, pad, sizeof pad);
        SHA256_Init(&outer);
        for (int i = 0; i < SHA256_CBLOCK; ++i) {
            pad[i] = key[i] ^ 0x5c;
        }
        SHA256_Update(&outer, pad, sizeof pad);
        OPENSSL_cleanse(key, sizeof key);
        OPENSSL_cleanse(pad, sizeof pad);
    }
    ~HmacSha256()
    {
        OPENSSL_cleanse(&inner, sizeof inner);
        OPENSSL_cleanse(&outer, sizeof outer);
    }
    HmacSha256(const HmacSha256&) = delete;
    HmacSha256& operator=(const HmacSha256&) = delete;

    // HMAC of the concatenated parts into `mac` (32 bytes).
    void Mac(std::initializer_list<std::pair<const void*, size_t>> parts, unsigned char* mac) const
    {
        SHA256_CTX ctx = inner;
        for (const auto& [data, size] : parts) {
            SHA256_Update(&ctx, data, size);
        }
        SHA256_Final(mac, &ctx);
        ctx = outer;
        SHA256_Update(&ctx, mac, SHA256_DIGEST_LENGTH);
        SHA256_Final(mac, &ctx);
        OPENSSL_cleanse(&ctx, sizeof ctx);
    }
};

QByteArray Pbkdf2Sha256Block(const QByteArray& password, const QByteArray& salt, int iterations)
{
    const HmacSha256 hmac(Bytes(password), size_t(password.size()));
    const SHA256_CTX& inner = hmac.inner;
    const SHA256_CTX& outer = hmac.outer;

    // U_1 = HMAC(P, S || INT(1))
    unsigned char block[SHA256_CBLOCK] = {};
    unsigned char index[4];
    PutU32(index, 1);
    SHA256_CTX ctx = inner;
    SHA256_Update(&ctx, salt.constData(), size_t(salt.size()));
    SHA256_Update(&ctx, index, sizeof index);
    SHA256_Final(block, &ctx);
    ctx = outer;
    SHA256_Update(&ctx, block, SHA256_DIGEST_LENGTH);
    SHA256_Final(block, &ctx);
    // The sum of the U_n is kept as the hash's state words: U_n's bytes
    // are those words big-endian, so XOR-ing words XORs the bytes.
    SHA_LONG sum[8];
    for (int i = 0; i < 8; ++i) {
        sum[i] = ctx.h[i];
    }

    // U_n: the 32-byte digest after the 64-byte key pad, padded by hand to
    // one block of a 96-byte message. Each step copies only the eight state
    // words and writes the digest back with byte swaps: the loop runs
    // 1.2 million SHA-256 blocks at the default count, and anything more
    // than the block function shows in the time.
    block[SHA256_DIGEST_LENGTH] = 0x80;
    block[SHA256_CBLOCK - 2] = (96 * 8) >> 8;
    block[SHA256_CBLOCK - 1] = (96 * 8) & 0xff;
    const auto putDigest = [&block](const SHA_LONG* h) {
        for (int i = 0; i < 8; ++i) {
            PutU32(block + 4 * i, static_cast<unsigned int>(h[i]));
        }
    };
    for (int n = 1; n < iterations; ++n) {
        memcpy(ctx.h, inner.h, sizeof ctx.h);
        SHA256_Transform(&ctx, block);
        putDigest(ctx.h);
        memcpy(ctx.h, outer.h, sizeof ctx.h);
        SHA256_Transform(&ctx, block);
        putDigest(ctx.h);
        for (int i = 0; i < 8; ++i) {
            sum[i] ^= ctx.h[i];
        }
    }
    putDigest(sum);
    QByteArray out(reinterpret_cast<const char*>(block), SHA256_DIGEST_LENGTH);
    OPENSSL_cleanse(block, sizeof block);
    OPENSSL_cleanse(sum, sizeof sum);
    OPENSSL_cleanse(&ctx, sizeof ctx);
    return out;
}

// HKDF-SHA256 (extract, then expand) on the HMAC above: a page key is one
// HKDF, and the generic KDF looks its HMAC and digest up again for every
// call, which costs ten times the hashing.
QByteArray HkdfSha256(const QByteArray& key, const QByteArray& salt, const char* info, int length)
{
    unsigned char prk[SHA256_DIGEST_LENGTH];
    HmacSha256(Bytes(salt), size_t(salt.size())).Mac({{key.constData(), size_t(key.size())}}, prk);
    const HmacSha256 expand(prk, sizeof prk);
    OPENSSL_cleanse(prk, sizeof prk);
    QByteArray out(length, '\0');
    unsigned char block[SHA256_DIGEST_LENGTH];
    const size_t infoSize = strlen(info);
    for (int done = 0, i = 1; done < length; done += SHA256_DIGEST_LENGTH, ++i) {
        const unsigned char counter = static_cast<unsigned char>(i);
        expand.Mac({{block, i == 1 ? 0 : sizeof block}, {info, infoSize}, {&counter, 1}}, block);
        memcpy(out.data() + done, block, size_t(qMin(length - done, SHA256_DIGEST_LENGTH)));
    }
    OPENSSL_cleanse(block, sizeof block);
    return out;
}

} // namespace
#endif

QByteArray Pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations)
{
#ifndef OPENSSL_NO_DEPRECATED_3_0
    static_assert(kKeySize == SHA256_DIGEST_LENGTH, "one PBKDF2 block gives the key");
    if (iterations >= 1) {
        return Pbkdf2Sha256Block(password, salt, iterations);
    }
#endif
    QByteArray out(kKeySize, '\0');
    if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()), Bytes(salt), int(salt.size()),
                          iterations, EVP_sha256(), kKeySize,
                          reinterpret_cast<unsigned char*>(out.data())) != 1) {
        return {};
    }
    return out;
}

QByteArray Hkdf(const QByteArray& key, const QByteArray& salt, const char* info, int length)
{
#ifndef OPENSSL_NO_DEPRECATED_3_0
    // RFC 5869 limits the output to 255 blocks.
    if (length >= 0 && length <= 255 * SHA256_DIGEST_LENGTH) {
        return HkdfSha256(key, salt, info, length);
    }
#endif
    EVP_KDF* kdf = HkdfAlgorithm();
    const std::unique_ptr<EVP_KDF_CTX, KdfCtxFree> ctx(kdf ? EVP_KDF_CTX_new(kdf) : nullptr);
    if (!ctx) {
        return {};
    }
    QByteArray keyCopy = key;
    QByteArray saltCopy = salt;
    QByteArray infoCopy(info);
    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, keyCopy.data(), size_t(keyCopy.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, saltCopy.data(), size_t(saltCopy.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, infoCopy.data(), size_t(infoCopy.size())),
        OSSL_PARAM_construct_end(),
    };
    QByteArray out(length, '\0');
    if (EVP_KDF_derive(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), size_t(length), params) !=
        1) {
        return {};
    }
    return out;
}

bool Seal(const QByteArray& key, const QByteArray& iv, const QByteArray& aad, const char* data,
          qsizetype size, QByteArray& out)
{
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || !AesGcmAlgorithm() || key.size() != kKeySize || iv.size() != kIvSize ||
        EVP_EncryptInit_ex(ctx.get(), AesGcmAlgorithm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kIvSize, nullptr) != 1 ||
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, Bytes(key), Bytes(iv)) != 1) {
        return false;
    }
    int n = 0;
    if (!aad.isEmpty() && EVP_EncryptUpdate(ctx.get(), nullptr, &n, Bytes(aad), int(aad.size())) != 1) {
        return false;
    }
    out.resize(size + kTagSize);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    if (size > 0 && EVP_EncryptUpdate(ctx.get(), o, &written, reinterpret_cast<const unsigned char*>(data),
                                      int(size)) != 1) {
        return false;
    }
    int tail = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), o + written, &tail) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, o + written + tail) != 1) {
        return false;
    }
    out.resize(written + tail + kTagSize);
    return true;
}

bool Open(const QByteArray& key, const QByteArray& iv, const QByteArray& aad, const QByteArray& sealed,
          QByteArray& out)
{
    if (key.size() != kKeySize || iv.size() != kIvSize || sealed.size() < kTagSize) {
        return false;
    }
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || !AesGcmAlgorithm() ||
        EVP_DecryptInit_ex(ctx.get(), AesGcmAlgorithm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kIvSize, nullptr) != 1 ||
        EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, Bytes(key), Bytes(iv)) != 1) {
        return false;
    }
    int n = 0;
    if (!aad.isEmpty() && EVP_DecryptUpdate(ctx.get(), nullptr, &n, Bytes(aad), int(aad.size())) != 1) {
        return false;
    }
    const qsizetype size = sealed.size() - kTagSize;
    out.resize(size);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    if (size > 0 && EVP_DecryptUpdate(ctx.get(), o, &written, Bytes(sealed), int(size)) != 1) {
        return false;
    }
    QByteArray tag = sealed.right(kTagSize);
    int tail = 0;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), o + written, &tail) != 1) {
        out.clear();
        return false;
    }
    out.resize(written + tail);
    return true;
}

QByteArray CredentialBytes(const QString& text, bool caseSensitive)
{
    const QString normalized = text.normalized(QString::NormalizationForm_C);
    return (caseSensitive ? normalized : CCredentialTable::FoldCase(normalized)).toUtf8();
}

QByteArray UserPairBytes(const QByteArray& name, const QByteArray& password)
{
    QByteArray out;
    out.reserve(8 + name.size() + password.size());
    AppendU32(out, quint32(name.size()));
    out += name;
    AppendU32(out, quint32(password.size()));
    out += password;
    return out;
}

QByteArray PageKey(const QByteArray& contentKey, const QByteArray& nonce)
{
    return Hkdf(contentKey, nonce, kPageKeyLabel, kKeySize);
}

QByteArray ChunkIv(quint32 index)
{
    QByteArray iv(8, '\0');
    AppendU32(iv, index);
    return iv;
}

QByteArray ChunkAad(const QByteArray& nonce, quint32 index, bool last)
{
    QByteArray aad = QByteArrayLiteral("WLK1") + nonce;
    AppendU32(aad, index);
    aad.append(char(last ? 1 : 0));
    return aad;
}

} // namespace StrongCrypto
