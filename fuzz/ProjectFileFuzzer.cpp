// The project file reader on arbitrary bytes. Beyond not crashing: every
// failure names one of the format's messages, a file that opened is saved
// and read back to the same record, and any cut-short copy of a saved file
// is refused as "Unexpected file format.".
#include "FuzzUtil.h"
#include "common/AppInfo.h"
#include "common/FileErrorText.h"
#include "model/CharsetTable.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzUtil::Bytes(data, size);

    CProject record;
    QString version;
    QString error;
    const bool opened = CWendlockDoc::ReadProjectBytes(bytes, record, &version, &error);

    // The file on disk takes the same road as the bytes in memory.
    const QString path = FuzzUtil::ScratchFolder() + QStringLiteral("project.vxp");
    FUZZ_CHECK(FuzzUtil::WriteFile(path, bytes));
    CProject fromFile;
    QString fileVersion;
    QString fileError;
    const bool fileOpened = CWendlockDoc::ReadProjectFile(path, fromFile, &fileVersion, &fileError);
    FUZZ_CHECK(fileOpened == opened);

    if (!opened) {
        FUZZ_CHECK(error == FileErrorText::UnexpectedFormat() || error == FileErrorText::FailedToOpen());
        FUZZ_CHECK(fileError == error);
        return 0;
    }
    // A file without a salt or content key gets them drawn at each read.
    FUZZ_CHECK(fromFile.m_bSaltDrawn == record.m_bSaltDrawn);
    if (record.m_bSaltDrawn) {
        fromFile.m_baSalt = record.m_baSalt;
        fromFile.m_baContentKey = record.m_baContentKey;
    }
    FUZZ_CHECK(fromFile == record && fileVersion == version);

    // Nothing out of range survives the load.
    FUZZ_CHECK(record.m_nPasswordMode == 0 || record.m_nPasswordMode == 1);
    FUZZ_CHECK(CCharsetTable::Instance().IsValidRow(record.m_nCharset));
    FUZZ_CHECK(record.m_nLoginExpire >= 0 && record.m_nLoginExpire <= 2);
    FUZZ_CHECK(record.m_nIncorrectAction == 0 || record.m_nIncorrectAction == 1);

    const QByteArray saved = CWendlockDoc::ProjectBytes(record);
    CProject reread;
    QString savedVersion;
    FUZZ_CHECK(CWendlockDoc::ReadProjectBytes(saved, reread, &savedVersion, &error));
    FUZZ_CHECK(reread == record);
    FUZZ_CHECK(savedVersion == AppInfo::ProgramVersion());

    // A saved file holds every item, so any shorter copy lacks some; cut
    // right before the format block it is a whole file of the older layout.
    const qsizetype cut = qsizetype(size % size_t(saved.size()));
    // The block is the "WLXB" whose length field reaches the file's end (a
    // path may hold those four bytes too).
    qsizetype block = -1;
    for (qsizetype at = saved.indexOf("WLXB"); at >= 0 && block < 0; at = saved.indexOf("WLXB", at + 1)) {
        const auto byteAt = [&saved](qsizetype i) { return quint32(quint8(saved.at(i))); };
        if (at + 10 <= saved.size()) {
            const quint32 length =
                byteAt(at + 6) | byteAt(at + 7) << 8 | byteAt(at + 8) << 16 | byteAt(at + 9) << 24;
            block = at + 10 + qsizetype(length) == saved.size() ? at : -1;
        }
    }
    if (cut > 0 && cut != block) {
        CProject truncated;
        FUZZ_CHECK(!CWendlockDoc::ReadProjectBytes(saved.left(cut), truncated, nullptr, &error));
        FUZZ_CHECK(error == FileErrorText::UnexpectedFormat());
    }
    return 0;
}
