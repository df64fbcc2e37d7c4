#include "engine/PageUnlocker.h"

#include "engine/CredentialTable.h"
#include "engine/ProtectEngine.h"

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QList>

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
    // Qt 6.4's lastIndexOf reads before the view when the needle is the
    // longer one; a damaged page can put the array right at its start.
    if (statements.size() < opening.size()) {
        return {};
    }
    const qsizetype at = statements.lastIndexOf(QByteArrayView(opening));
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

} // namespace

CPageUnlocker::Status CPageUnlocker::Unlock(const QString& pagePath, const QString& userName,
                                            const QString& password, QIODevice* out)
{
    QFile file(pagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::ReadError;
    }
    QByteArray copy;
    const qint64 size = file.size();
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped && size > 0) {
        copy = file.readAll();
    }
    const QByteArrayView text = mapped ? QByteArrayView(reinterpret_cast<const char*>(mapped), size)
                                       : QByteArrayView(copy);

    const QByteArray arrayOpening = CProtectEngine::ProtectionMarker() + '"';
    const qsizetype arrayStart = text.indexOf(QByteArrayView(arrayOpening));
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
        if (!ParseArray(text, "var vxpb=new Array(\"", arrayEnd, digests)
            || !ParseArray(text, "var vxpc=new Array(\"", arrayEnd, keys) || digests.size() != keys.size()) {
            return Status::Malformed;
        }
        const QByteArray digest = C::Md5Hex(C::Md5Hex(C::AnsiBytes(foldedName)) + C::Md5Hex(C::AnsiBytes(foldedPassword)));
        const qsizetype index = digests.indexOf(QByteArrayView(digest));
        if (index < 0) {
            return Status::WrongCredentials;
        }
        const QByteArray userKey = C::DoubleMd5Hex(C::AnsiBytes(QString(foldedPassword + foldedName)));
        const QByteArray secret = C::UnscrambleBytes(QByteArray::fromBase64(keys[index].toByteArray()), userKey);
        pageKey = C::DoubleMd5Hex(secret);
    }
    if (C::XorFold(pageKey) != checkValue) {
        return Status::WrongCredentials;
    }
    for (qsizetype i = 0; i < content.size(); ++i) {
        const QByteArray plain = C::UnscrambleBytes(QByteArray::fromBase64(content[i].toByteArray()), pageKey);
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
    case Status::ReadError:
        return QStringLiteral("Cannot read %1.").arg(pagePath);
    case Status::WriteError:
        return QStringLiteral("Cannot write the unlocked text.");
    }
    return {};
}
