#include "engine/StrongCrypto.h"

#include "engine/CredentialTable.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <memory>

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

QByteArray Pbkdf2(const QByteArray& password, const QByteArray& salt, int iterations)
{
    QByteArray out(kKeySize, '\0');
    if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()), Bytes(salt), int(salt.size()), iterations,
                          EVP_sha256(), kKeySize, reinterpret_cast<unsigned char*>(out.data()))
        != 1) {
        return {};
    }
    return out;
}

QByteArray Hkdf(const QByteArray& key, const QByteArray& salt, const char* info, int length)
{
    const std::unique_ptr<EVP_KDF, KdfFree> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    if (!kdf) {
        return {};
    }
    const std::unique_ptr<EVP_KDF_CTX, KdfCtxFree> ctx(EVP_KDF_CTX_new(kdf.get()));
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
    if (EVP_KDF_derive(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), size_t(length), params) != 1) {
        return {};
    }
    return out;
}

bool Seal(const QByteArray& key, const QByteArray& iv, const QByteArray& aad, const char* data, qsizetype size,
          QByteArray& out)
{
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || key.size() != kKeySize || iv.size() != kIvSize
        || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kIvSize, nullptr) != 1
        || EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, Bytes(key), Bytes(iv)) != 1) {
        return false;
    }
    int n = 0;
    if (!aad.isEmpty() && EVP_EncryptUpdate(ctx.get(), nullptr, &n, Bytes(aad), int(aad.size())) != 1) {
        return false;
    }
    out.resize(size + kTagSize);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    if (size > 0
        && EVP_EncryptUpdate(ctx.get(), o, &written, reinterpret_cast<const unsigned char*>(data), int(size)) != 1) {
        return false;
    }
    int tail = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), o + written, &tail) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, o + written + tail) != 1) {
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
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kIvSize, nullptr) != 1
        || EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, Bytes(key), Bytes(iv)) != 1) {
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
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1
        || EVP_DecryptFinal_ex(ctx.get(), o + written, &tail) != 1) {
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
