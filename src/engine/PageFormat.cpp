#include "engine/PageFormat.h"

#include "common/AsciiText.h"
#include "engine/ClassicPageFormat.h"
#include "engine/OptionScriptBuilder.h"
#include "engine/StrongPageFormat.h"
#include "model/Project.h"

std::shared_ptr<CPageFormat> CPageFormat::Make(const CProject& project,
                                               std::shared_ptr<const CStrongSiteKeys> keys,
                                               std::shared_ptr<CDeflateAhead> ahead)
{
    if (project.m_nCipher == CProject::kCipherStrong) {
        return std::make_shared<CStrongPageFormat>(project, std::move(keys), std::move(ahead));
    }
    return std::make_shared<CClassicPageFormat>(project);
}

CPageUnlocker::Status CPageFormat::Unlock(Kind kind, QByteArrayView text, qsizetype markerAt,
                                          const QString& userName, const QString& password, QIODevice* out,
                                          QByteArray* contentKey)
{
    switch (kind) {
    case Kind::Strong:
        return CStrongPageFormat::Unlock(text, markerAt, userName, password, out, contentKey);
    case Kind::Classic:
        return CClassicPageFormat::Unlock(text, markerAt, userName, password, out);
    case Kind::None:
        break;
    }
    return CPageUnlocker::Status::NotProtected;
}

bool CPageFormat::PrepareAhead(const CPageSource&)
{
    return false;
}

QByteArrayView CPageFormat::StatementValue(QByteArrayView text, const char* name, qsizetype before)
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

QString CPageFormat::AfterLoginBlock() const
{
    return m_project.m_bProtectAfterLogin ? COptionScriptBuilder::BuildOptionScripts(m_project, true)
                                          : QString();
}
