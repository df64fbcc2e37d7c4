#include "engine/PageSource.h"

#include "engine/PageSnapshot.h"
#include "engine/TextLineReader.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Utf8Validator.h"

namespace {

// Detecting charsets decide from this much of the page.
constexpr qint64 kDetectionSample = 64 * 1024;

} // namespace

CPageSource::CPageSource(const QString& path, const CPageSnapshot* snapshot, int charsetRow)
    : m_strPath(path),
      m_pSnapshot(snapshot && snapshot->IsOpen() && snapshot->Path() == path ? snapshot : nullptr),
      m_nCharsetRow(charsetRow)
{
}

const QByteArray* CPageSource::Contents() const
{
    return m_pSnapshot ? m_pSnapshot->Contents() : nullptr;
}

std::unique_ptr<CTextLineReader> CPageSource::Reader() const
{
    if (m_pSnapshot) {
        return std::make_unique<CTextLineReader>(*m_pSnapshot);
    }
    return std::make_unique<CTextLineReader>(m_strPath);
}

std::unique_ptr<CCharsetCodec> CPageSource::Codec() const
{
    int codePage = CCharsetTable::Instance().GetAt(m_nCharsetRow).m_nCodePage;
    const QByteArray* loaded = Contents();
    if (codePage == 0) {
        QByteArray start = loaded ? loaded->left(2) : QByteArray();
        if (!loaded) {
            const std::unique_ptr<CTextLineReader> head = Reader();
            if (head->Open()) {
                head->ReadRaw(start, 2);
            }
        }
        if (start == QByteArrayView("\xff\xfe", 2)) {
            codePage = 1200;
        } else if (start == QByteArrayView("\xfe\xff", 2)) {
            codePage = 1201;
        }
    }
    if (loaded) {
        if (codePage != 0) {
            return std::make_unique<CCharsetCodec>(
                codePage, QByteArrayView(*loaded).first(qMin<qsizetype>(loaded->size(), kDetectionSample)));
        }
        const bool utf8 = QByteArrayView(*loaded).isValidUtf8();
        return std::make_unique<CCharsetCodec>(0, utf8 ? QByteArray() : QByteArray("\xff", 1));
    }
    const std::unique_ptr<CTextLineReader> file = Reader();
    if (!file->Open()) {
        return std::make_unique<CCharsetCodec>(codePage);
    }
    QByteArray block;
    if (codePage != 0) {
        file->ReadRaw(block, kDetectionSample);
        return std::make_unique<CCharsetCodec>(codePage, block);
    }
    // The check streams through the file.
    CUtf8Validator validator;
    while (validator.IsValidSoFar()) {
        if (!file->ReadRaw(block, 256 * 1024)) {
            break;
        }
        validator.Feed(block);
    }
    const bool utf8 = validator.Finish();
    return std::make_unique<CCharsetCodec>(0, utf8 ? QByteArray() : QByteArray("\xff", 1));
}
