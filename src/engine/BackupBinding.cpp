#include "engine/BackupBinding.h"

#include "common/AsciiText.h"
#include "engine/PageSnapshot.h"

#include <QRandomGenerator>
#include <memory>
#include <openssl/evp.h>

namespace {

const QByteArrayView kComment("<!-- Protected by Wendlock ");
const QByteArrayView kKey(" original=");
// The closing comment is looked for this far from the end: text appended
// to a page after it (an analytics tag) does not hide it.
constexpr qint64 kTail = 64 * 1024;

} // namespace

CBackupBinding CBackupBinding::Make(const CPageSnapshot& page)
{
    QByteArray salt(kSaltSize, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), kSaltSize / 4);
    return {salt, DigestOf(salt, page)};
}

QByteArray CBackupBinding::DigestOf(const QByteArray& salt, const CPageSnapshot& file)
{
    // OpenSSL's digest: it uses the processor's SHA instructions, so the
    // pass costs little beside the rest of a page's work.
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), salt.constData(), size_t(salt.size())) != 1) {
        return {};
    }
    const bool read = file.ReadAll([&context](const char* data, qint64 size) {
        return EVP_DigestUpdate(context.get(), data, size_t(size)) == 1;
    });
    QByteArray digest(kDigestSize, Qt::Uninitialized);
    unsigned int size = 0;
    if (!read ||
        EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(digest.data()), &size) != 1 ||
        size != unsigned(kDigestSize)) {
        return {};
    }
    return digest;
}

QByteArray CBackupBinding::Text() const
{
    return kKey.sliced(1).toByteArray() + m_salt.toHex() + '.' + m_digest.toHex();
}

CBackupBinding CBackupBinding::FromPage(const CPageSnapshot& page)
{
    const qint64 start = qMax<qint64>(0, page.Size() - kTail);
    QByteArray tail(qsizetype(page.Size() - start), Qt::Uninitialized);
    const qint64 n = page.ReadAt(start, tail.data(), tail.size());
    tail.truncate(n < 0 ? 0 : qsizetype(n));
    const qsizetype comment = AsciiText::LastIndexOf(tail, kComment);
    if (comment < 0) {
        return {QByteArray(), QByteArray()};
    }
    const qsizetype close = tail.indexOf("-->", comment);
    const qsizetype key = tail.indexOf(kKey.toByteArray(), comment);
    if (key < 0 || (close >= 0 && key > close)) {
        return {QByteArray(), QByteArray()};
    }
    const qsizetype at = key + kKey.size();
    const QByteArray salt = QByteArray::fromHex(tail.mid(at, 2 * kSaltSize));
    const QByteArray digest = QByteArray::fromHex(tail.mid(at + 2 * kSaltSize + 1, 2 * kDigestSize));
    if (tail.mid(at + 2 * kSaltSize, 1) != "." || salt.size() != kSaltSize || digest.size() != kDigestSize) {
        return {QByteArray(), QByteArray()};
    }
    return {salt, digest};
}

bool CBackupBinding::Matches(const CPageSnapshot& file) const
{
    return IsValid() && DigestOf(m_salt, file) == m_digest;
}
