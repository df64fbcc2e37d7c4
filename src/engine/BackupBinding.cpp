#include "engine/BackupBinding.h"

#include "common/AsciiText.h"
#include "engine/PageSnapshot.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

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
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    const bool read = file.ReadAll([&hash](const char* data, qint64 size) {
        hash.addData(QByteArrayView(data, qsizetype(size)));
        return true;
    });
    return read ? hash.result() : QByteArray();
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
