#include "engine/PageUnlocker.h"

#include "common/AsciiText.h"
#include "engine/CredentialTable.h"
#include "engine/ProtectEngine.h"
#include "engine/ProtectionDetector.h"
#include "engine/StrongCrypto.h"
#include "engine/StrongPageWriter.h"
#include "engine/StrongSiteKeys.h"
#include "model/Project.h"

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QList>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using C = CCredentialTable;

// The elements of `var NAME=new Array("a","b");` found at or after `from`.
bool ParseArray(QByteArrayView text, QByteArrayView opening, qsizetype from, QList<QByteArrayView>& elements,
                qsizetype* end = nullptr)
{
    const qsizetype start = text.indexOf(opening, from);
    if (start < 0) {
        return false;
    }
    const qsizetype close = text.indexOf(QByteArrayView("\");"), start + opening.size());
    if (close < 0) {
        return false;
    }
    QByteArrayView body = text.sliced(start + opening.size(), close - start - opening.size());
    elements.clear();
    while (true) {
        const qsizetype sep = body.indexOf(QByteArrayView("\",\""));
        if (sep < 0) {
            elements.append(body);
            break;
        }
        elements.append(body.first(sep));
        body = body.sliced(sep + 3);
    }
    if (end) {
        *end = close + 3;
    }
    return true;
}

// The value of `var NAME=value;` in the statements before `before`.
QByteArrayView Variable(QByteArrayView text, const char* name, qsizetype before)
{
    const QByteArray opening = QByteArray("var ") + name + '=';
    const QByteArrayView statements = text.first(before);
    const qsizetype at = AsciiText::LastIndexOf(statements, QByteArrayView(opening));
    if (at < 0) {
        return {};
    }
    const qsizetype start = at + opening.size();
    const qsizetype semicolon = text.indexOf(';', start);
    return semicolon < 0 ? QByteArrayView() : text.sliced(start, semicolon - start);
}

// Deciphered text of a page whose key is right holds only ASCII bytes (its
// other characters are numeric references), or ASCII as UTF-16.
bool Plausible(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return true;
    }
    if (bytes.size() % 2 != 0) {
        return false;
    }
    bool le = true;
    bool be = true;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        le = le && bytes[i + 1] == 0;
        be = be && bytes[i] == 0;
    }
    return le || be;
}

// The Base64 elements of `["a","b"]` starting at `at`; false when the text
// there is not such an array.
bool ParseStringList(QByteArrayView text, qsizetype at, QList<QByteArray>& elements)
{
    if (at < 0 || text.sliced(at).size() < 2 || text[at] != '[') {
        return false;
    }
    const qsizetype close = text.indexOf(QByteArrayView("];"), at);
    if (close < 0) {
        return false;
    }
    elements.clear();
    const QByteArrayView body = text.sliced(at + 1, close - at - 1);
    if (body.isEmpty()) {
        return true;
    }
    for (const QByteArray& item : body.toByteArray().split(',')) {
        if (item.size() < 2 || !item.startsWith('"') || !item.endsWith('"')) {
            return false;
        }
        elements.append(item.mid(1, item.size() - 2));
    }
    return true;
}

CPageUnlocker::Status UnlockStrong(QByteArrayView text, qsizetype markerAt, const QString& userName,
                                   const QString& password, QIODevice* out, QByteArray* openedKey)
{
    namespace SC = StrongCrypto;
    using Status = CPageUnlocker::Status;
    // var vxsa=[...];var vxsv=[1,MODE,ITERATIONS,"SALT","NONCE",COUNT(,"RUN")];
    // A list of users' page written before the run value has no RUN.
    const QByteArrayView contentOpening("var vxsa=[");
    const qsizetype contentAt = AsciiText::LastIndexOf(text.first(markerAt), contentOpening);
    QList<QByteArray> chunks;
    QList<QByteArray> header;
    const qsizetype headerAt = markerAt + 3 + qsizetype(qstrlen("var vxsv="));
    if (contentAt < 0 || !ParseStringList(text, contentAt + contentOpening.size() - 1, chunks)) {
        return Status::Malformed;
    }
    const qsizetype headerEnd = text.indexOf(QByteArrayView("];"), headerAt);
    if (headerEnd < 0) {
        return Status::Malformed;
    }
    const QList<QByteArray> fields =
        text.sliced(headerAt + 1, headerEnd - headerAt - 1).toByteArray().split(',');
    if (fields.size() != 6 && fields.size() != 7) {
        return Status::Malformed;
    }
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    const int mode = fields[1].toInt(&ok1);
    const int iterations = fields[2].toInt(&ok2);
    const qsizetype count = fields[5].toLongLong(&ok3);
    const auto unquote = [](const QByteArray& v) {
        return v.size() >= 2 && v.startsWith('"') && v.endsWith('"')
                   ? QByteArray::fromBase64(v.mid(1, v.size() - 2))
                   : QByteArray();
    };
    const QByteArray salt = unquote(fields[3]);
    const QByteArray nonce = unquote(fields[4]);
    const QByteArray run = fields.size() == 7 ? unquote(fields[6]) : QByteArray();
    if (fields.size() == 7 && run.size() != SC::kRunSize) {
        return Status::Malformed;
    }
    if (!ok1 || !ok2 || !ok3 || (mode != CProject::kSinglePassword && mode != CProject::kMultipleUsers) ||
        iterations < 1 || count != chunks.size() || salt.size() != SC::kSaltSize ||
        nonce.size() != SC::kNonceSize) {
        return Status::Malformed;
    }
    const bool passwordCase = Variable(text, "PWDCSS", contentAt) != QByteArrayView("false");
    const QByteArray passwordBytes = SC::CredentialBytes(password, passwordCase);
    QByteArray contentKey;
    // Newer single-password pages carry a check value of the content key;
    // a user's entry that opens confirms the credentials just as well.
    bool confirmed = mode == CProject::kMultipleUsers;
    if (mode == CProject::kSinglePassword) {
        contentKey =
            CStrongSiteKeys::ContentKeyOf(CStrongSiteKeys::UserSecret(passwordBytes, salt, iterations), salt);
        const QByteArrayView checkOpening("var vxsc=\"");
        const qsizetype checkAt = text.indexOf(checkOpening, headerEnd);
        const qsizetype checkEnd = checkAt < 0 ? -1 : text.indexOf('"', checkAt + checkOpening.size());
        if (checkEnd > 0 && checkAt == headerEnd + 2) {
            const QByteArray stored = QByteArray::fromBase64(
                text.sliced(checkAt + checkOpening.size(), checkEnd - checkAt - checkOpening.size())
                    .toByteArray());
            if (stored.size() == SC::kKeyCheckSize) {
                if (SC::Hkdf(contentKey, salt, SC::kKeyCheckLabel, SC::kKeyCheckSize) != stored) {
                    return Status::WrongCredentials;
                }
                confirmed = true;
            }
        }
    } else {
        if (userName.isNull()) {
            return Status::NeedUserName;
        }
        QList<QByteArray> entries;
        const QByteArrayView entriesOpening("var vxsk=");
        const qsizetype entriesAt = text.indexOf(entriesOpening, headerEnd);
        if (entriesAt < 0 || !ParseStringList(text, entriesAt + entriesOpening.size(), entries)) {
            return Status::Malformed;
        }
        const bool userCase = Variable(text, "USRCSS", contentAt) != QByteArrayView("false");
        const QByteArray input = SC::UserPairBytes(SC::CredentialBytes(userName, userCase), passwordBytes);
        contentKey = CStrongSiteKeys::UnwrapContentKey(
            entries, CStrongSiteKeys::UserSecret(input, salt, iterations), salt, run);
        if (contentKey.isEmpty()) {
            return Status::WrongCredentials;
        }
    }
    bool writeFailed = false;
    const bool opened =
        CStrongPageWriter::OpenContent(chunks, contentKey, nonce, [&](const QByteArray& piece) {
            writeFailed = out->write(piece) != piece.size();
            return !writeFailed;
        });
    if (writeFailed) {
        return Status::WriteError;
    }
    if (opened) {
        if (openedKey) {
            *openedKey = contentKey;
        }
        return Status::Ok;
    }
    return confirmed ? Status::Damaged : Status::WrongCredentials;
}

} // namespace

CPageUnlocker::Status CPageUnlocker::Unlock(const QString& pagePath, const QString& userName,
                                            const QString& password, QIODevice* out, QByteArray* contentKey)
{
    // Only a regular file, opened without blocking: a pipe would hang.
    const int fd = ::open(QFile::encodeName(pagePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st
    {
    };
    QFile file;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return Status::ReadError;
    }
    QByteArray copy;
    const qint64 size = file.size();
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped && size > 0) {
        copy = file.readAll();
    }
    const QByteArrayView text =
        mapped ? QByteArrayView(reinterpret_cast<const char*>(mapped), size) : QByteArrayView(copy);

    // The page writers' structure first, as protect recognises it; a page
    // that lost part of it is still searched for its arrays.
    qint64 markerAt = -1;
    const CProtectionDetector::Kind kind = CProtectionDetector::Detect(text, &markerAt);
    const qsizetype strongAt = kind == CProtectionDetector::Kind::Strong ? qsizetype(markerAt)
                               : kind == CProtectionDetector::Kind::None
                                   ? text.indexOf(QByteArrayView(CProtectEngine::StrongMarker()))
                                   : -1;
    if (strongAt >= 0) {
        return UnlockStrong(text, strongAt, userName, password, out, contentKey);
    }
    const QByteArray arrayOpening = CProtectEngine::ProtectionMarker() + '"';
    const qsizetype arrayStart = kind == CProtectionDetector::Kind::Classic
                                     ? qsizetype(markerAt)
                                     : text.indexOf(QByteArrayView(arrayOpening));
    if (arrayStart < 0) {
        return Status::NotProtected;
    }
    QList<QByteArrayView> content;
    qsizetype arrayEnd = 0;
    if (!ParseArray(text, QByteArrayView(arrayOpening), arrayStart, content, &arrayEnd)) {
        return Status::Malformed;
    }
    bool checkOk = false;
    const int checkValue = Variable(text, "PWDMKK", arrayStart).toByteArray().toInt(&checkOk);
    if (!checkOk) {
        return Status::Malformed;
    }
    const bool passwordCase = Variable(text, "PWDCSS", arrayStart) != QByteArrayView("false");
    const QByteArrayView userCaseText = Variable(text, "USRCSS", arrayStart);
    const bool multiUser = !userCaseText.isEmpty();

    const QString foldedPassword = passwordCase ? password : C::FoldCase(password);
    QByteArray pageKey;
    if (!multiUser) {
        pageKey = C::DoubleMd5Hex(C::AnsiBytes(foldedPassword));
    } else {
        if (userName.isNull()) {
            return Status::NeedUserName;
        }
        const QString foldedName = userCaseText == QByteArrayView("false") ? C::FoldCase(userName) : userName;
        QList<QByteArrayView> digests;
        QList<QByteArrayView> keys;
        if (!ParseArray(text, "var vxpb=new Array(\"", arrayEnd, digests) ||
            !ParseArray(text, "var vxpc=new Array(\"", arrayEnd, keys) || digests.size() != keys.size()) {
            return Status::Malformed;
        }
        const QByteArray digest =
            C::Md5Hex(C::Md5Hex(C::AnsiBytes(foldedName)) + C::Md5Hex(C::AnsiBytes(foldedPassword)));
        const qsizetype index = digests.indexOf(QByteArrayView(digest));
        if (index < 0) {
            return Status::WrongCredentials;
        }
        const QByteArray userKey = C::DoubleMd5Hex(C::AnsiBytes(QString(foldedPassword + foldedName)));
        const QByteArray secret =
            C::UnscrambleBytes(QByteArray::fromBase64(keys[index].toByteArray()), userKey);
        pageKey = C::DoubleMd5Hex(secret);
    }
    if (C::XorFold(pageKey) != checkValue) {
        return Status::WrongCredentials;
    }
    for (qsizetype i = 0; i < content.size(); ++i) {
        const QByteArray plain =
            C::UnscrambleBytes(QByteArray::fromBase64(content[i].toByteArray()), pageKey);
        if (i == 0 && !Plausible(plain)) {
            return Status::WrongCredentials;
        }
        if (out->write(plain) != plain.size()) {
            return Status::WriteError;
        }
    }
    return Status::Ok;
}

QString CPageUnlocker::StatusText(Status status, const QString& pagePath)
{
    switch (status) {
    case Status::Ok:
        return {};
    case Status::NotProtected:
        return QStringLiteral("%1 is not a protected page.").arg(pagePath);
    case Status::Malformed:
        return QStringLiteral("%1 looks protected but its script data is damaged.").arg(pagePath);
    case Status::NeedUserName:
        return QStringLiteral("%1 is protected for a list of users: give --user as well.").arg(pagePath);
    case Status::WrongCredentials:
        return QStringLiteral("The password (or user name) does not open %1.").arg(pagePath);
    case Status::Damaged:
        return QStringLiteral("The password opens %1, but the page is damaged; protect it again from its "
                              "original.")
            .arg(pagePath);
    case Status::ReadError:
        return QStringLiteral("Cannot read %1.").arg(pagePath);
    case Status::WriteError:
        return QStringLiteral("Cannot write the unlocked text.");
    }
    return {};
}
