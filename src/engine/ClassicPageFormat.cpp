#include "engine/ClassicPageFormat.h"

#include "common/AppFolders.h"
#include "engine/ClassicArrayWriter.h"
#include "engine/CredentialTable.h"
#include "engine/PageSource.h"
#include "engine/RunFiles.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"
#include "model/Project.h"

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

CClassicPageFormat::CClassicPageFormat(const CProject& project)
    : CPageFormat(project), m_strScript(AppFolders::ScriptFile(project.m_nPasswordMode))
{
}

std::optional<CPageFormat::Failure> CClassicPageFormat::WriteScript(const CPageSource& page, CRunFiles& files,
                                                                    CTextFileWriter& out)
{
    const int passwordMode = m_project.m_nPasswordMode;
    const C::PageCredentials credentials = passwordMode == CProject::kMultipleUsers
                                               ? C::MultiUserCredentials()
                                               : C::SinglePasswordCredentials(m_project);
    out.Write(C::LoginVariablesText(m_project, passwordMode, credentials.checkValue));
    const std::unique_ptr<CTextLineReader> reader = page.Reader();
    if (!reader->Open()) {
        return Failure{ProtectOutcome::OpenFailure, {}};
    }
    const std::unique_ptr<CCharsetCodec> codec = page.Codec();
    CClassicArrayWriter writer(out, credentials.key, AfterLoginBlock());
    if (!writer.Write(*reader, *codec, page.Contents())) {
        return Failure{ProtectOutcome::OpenFailure, {}};
    }
    if (passwordMode == CProject::kMultipleUsers) {
        out.Write(C::UserArraysText(m_project, C::AnsiBytes(credentials.secret)));
    }
    // The login script runs in an element of its own: a page of more chunks
    // than a browser takes as arguments of one call (65535 in Chromium)
    // fails to compile as a whole, and the login script then reads the
    // arrays from the data element's text.
    out.Write("</SCRIPT>\n<SCRIPT>\n");
    const std::shared_ptr<const QByteArray> script = files.ScriptOf(m_strScript);
    if (!script) {
        return Failure{ProtectOutcome::OpenFailure, {}};
    }
    out.WriteConverted(*script);
    return std::nullopt;
}

CPageFormat::UnlockStatus CClassicPageFormat::Unlock(QByteArrayView text, qsizetype arrayStart,
                                                     const QString& userName, const QString& password,
                                                     QIODevice* out)
{
    using Status = UnlockStatus;
    const QByteArray arrayOpening = Marker();
    QList<QByteArrayView> content;
    qsizetype arrayEnd = 0;
    if (!ParseArray(text, QByteArrayView(arrayOpening), arrayStart, content, &arrayEnd)) {
        return Status::Malformed;
    }
    bool checkOk = false;
    const int checkValue = StatementValue(text, "PWDMKK", arrayStart).toByteArray().toInt(&checkOk);
    if (!checkOk) {
        return Status::Malformed;
    }
    const bool passwordCase = StatementValue(text, "PWDCSS", arrayStart) != QByteArrayView("false");
    const QByteArrayView userCaseText = StatementValue(text, "USRCSS", arrayStart);
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
