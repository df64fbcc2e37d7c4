#include "engine/PageFormat.h"

#include "common/AsciiText.h"
#include "engine/OptionScriptBuilder.h"
#include "model/Project.h"

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
