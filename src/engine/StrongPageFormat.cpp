#include "engine/StrongPageFormat.h"

#include "common/AppFolders.h"
#include "common/AsciiText.h"
#include "engine/CredentialTable.h"
#include "engine/DeflateAhead.h"
#include "engine/JsString.h"
#include "engine/PageSource.h"
#include "engine/RunFiles.h"
#include "engine/StrongCrypto.h"
#include "engine/StrongPageWriter.h"
#include "engine/StrongSiteKeys.h"
#include "engine/TextFileWriter.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"
#include "model/Project.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QList>

namespace {

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

// The statement a page carries when the site's other files are
// enciphered: where the site's service worker lies, relative to the page.
QByteArray WorkerStatement(const QString& siteRoot, const QString& pagePath)
{
    if (siteRoot.isEmpty()) {
        return QByteArray();
    }
    const QString worker =
        QFileInfo(pagePath).absoluteDir().relativeFilePath(siteRoot + QLatin1String("wendlock-sw.js"));
    return "var WendlockSiteWorker=\"" + JsString::EscapeBody(worker).toUtf8() + "\";";
}

} // namespace

CStrongPageFormat::CStrongPageFormat(const CProject& project, std::shared_ptr<const CStrongSiteKeys> keys,
                                     std::shared_ptr<CDeflateAhead> ahead)
    : CPageFormat(project), m_pKeys(std::move(keys)), m_pAhead(std::move(ahead)),
      m_strScript(AppFolders::StrongScriptFile())
{
}

std::optional<CPageFormat::Failure> CStrongPageFormat::Prepare()
{
    std::call_once(m_keysOnce, [this] {
        if (!m_pKeys) {
            m_pKeys = CStrongSiteKeys::Derive(m_project, 1, &m_strKeyError);
        }
    });
    if (!m_pKeys) {
        return Failure{ProtectOutcome::KeyFailure, m_strKeyError};
    }
    return std::nullopt;
}

std::optional<CPageFormat::Failure> CStrongPageFormat::WriteScript(const CPageSource& page, CRunFiles& files,
                                                                   CTextFileWriter& out)
{
    if (std::optional<Failure> failure = Prepare()) {
        return failure;
    }
    out.Write(CCredentialTable::LoginVariablesText(m_project, m_project.m_nPasswordMode, std::nullopt));
    if (m_project.m_bProtectAssets) {
        out.Write(WorkerStatement(files.SiteRootOf(m_project), page.Path()));
    }
    const std::unique_ptr<CTextLineReader> reader = page.Reader();
    if (!reader->Open()) {
        return Failure{ProtectOutcome::OpenFailure, {}};
    }
    const std::unique_ptr<CCharsetCodec> codec = page.Codec();
    CStrongPageWriter writer(*m_pKeys);
    writer.SetDeflateAhead(m_pAhead.get(), page.Path());
    QString error;
    if (!writer.WriteData(*reader, *codec, AfterLoginBlock(), out, error)) {
        // A page that could not be read to its end, or a cipher failure.
        return reader->HasError() ? Failure{ProtectOutcome::OpenFailure, {}}
                                  : Failure{ProtectOutcome::KeyFailure, error};
    }
    const std::shared_ptr<const QByteArray> script = files.ScriptOf(m_strScript);
    if (!script) {
        return Failure{ProtectOutcome::OpenFailure, {}};
    }
    out.WriteConverted(*script);
    return std::nullopt;
}

bool CStrongPageFormat::PrepareAhead(const CPageSource& page)
{
    const QByteArray* loaded = page.Contents();
    if (!m_pAhead || m_pAhead->Full() || !loaded || loaded->size() > CStrongPageWriter::kWholeText ||
        CProtectionDetector::Detect(QByteArrayView(*loaded)) != Kind::None) {
        return false;
    }
    const std::unique_ptr<CTextLineReader> reader = page.Reader();
    const std::unique_ptr<CCharsetCodec> codec = page.Codec();
    return reader->Open() &&
           CStrongPageWriter::DeflateAhead(page.Path(), *reader, *codec, AfterLoginBlock(), *m_pAhead);
}

CPageFormat::UnlockStatus CStrongPageFormat::Unlock(QByteArrayView text, qsizetype markerAt,
                                                    const QString& userName, const QString& password,
                                                    QIODevice* out, QByteArray* openedKey)
{
    namespace SC = StrongCrypto;
    using Status = UnlockStatus;
    // var vxsa=[...];var vxsv=[1,MODE,ITERATIONS,"SALT","NONCE",COUNT(,"RUN")];
    // A list of users' page written before the run value has no RUN.
    const QByteArrayView contentOpening("var vxsa=[");
    const qsizetype contentAt = AsciiText::LastIndexOf(text.first(markerAt), contentOpening);
    QList<QByteArray> chunks;
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
    const bool passwordCase = StatementValue(text, "PWDCSS", contentAt) != QByteArrayView("false");
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
        const bool userCase = StatementValue(text, "USRCSS", contentAt) != QByteArrayView("false");
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
