// The page charsets on arbitrary bytes. Checks: decoding a file in pieces
// gives the same text as decoding it whole, whatever the cuts; the default
// row gives back every byte it read; encoding any text never fails; the
// streaming UTF-8 check agrees with a plain whole-buffer one.
#include "FuzzUtil.h"
#include "model/CharsetCodec.h"
#include "model/CharsetTable.h"
#include "model/Utf8Validator.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int row = input.ConsumeIntegralInRange<int>(0, CCharsetTable::Instance().GetCount() - 1);
    const int codePage = CCharsetTable::Instance().GetAt(row).m_nCodePage;
    const auto cuts = input.ConsumeIntegral<uint64_t>();
    const QByteArray bytes = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());

    CCharsetCodec whole(codePage, bytes);
    FUZZ_CHECK(whole.IsValid());
    const QString text = whole.Decode(bytes) + whole.Finish();

    // The same bytes in pieces of 1 to 16 bytes, the lengths drawn from `cuts`.
    CCharsetCodec pieces(codePage, bytes);
    QString pieced;
    qsizetype at = 0;
    uint64_t lengths = cuts;
    while (at < bytes.size()) {
        const qsizetype length = qsizetype(lengths & 0xF) + 1;
        lengths = (lengths >> 4) | (lengths << 60);
        pieced += pieces.Decode(QByteArrayView(bytes).sliced(at, qMin(length, bytes.size() - at)));
        at += length;
    }
    pieced += pieces.Finish();
    if (codePage == 1255 || codePage == 1258) {
        // glibc joins a letter and the combining marks after it into one
        // precomposed character, but only within one piece, and for 1258
        // not always into an equivalent one (O-diaeresis + tilde becomes
        // O-tilde-diaeresis). Both readings keep every letter and mark, so
        // only the letters are compared.
        const auto letters = [](const QString& s) {
            QString out;
            for (const QChar c : s.normalized(QString::NormalizationForm_D)) {
                if (c.category() != QChar::Mark_NonSpacing) {
                    out += c;
                }
            }
            return out;
        };
        FUZZ_CHECK(letters(pieced) == letters(text));
    } else if (codePage == 65000 || codePage == 50225) {
        // After an invalid byte inside a shifted run, iconv's UTF-7 and
        // ISO-2022-KR resynchronise differently depending on where the piece
        // ended; text without invalid bytes reads the same however it is cut.
        FUZZ_CHECK(text.contains(QChar::ReplacementCharacter) || pieced == text);
    } else {
        FUZZ_CHECK(pieced == text);
    }

    // Finish leaves the codec ready for the next file.
    FUZZ_CHECK(pieces.Decode(bytes) + pieces.Finish() == text);

    // The default row, told (as the protect run tells it) whether the whole
    // file is UTF-8, reads every byte as a character of its own meaning.
    if (codePage == 0) {
        CUtf8Validator validator;
        validator.Feed(bytes);
        CCharsetCodec decided(0, validator.Finish() ? QByteArray() : QByteArray("\xff", 1));
        const QString decoded = decided.Decode(bytes) + decided.Finish();
        FUZZ_CHECK(decided.Encode(decoded) == bytes);
    }
    const QByteArray encoded = whole.Encode(FuzzUtil::Utf16(bytes));
    (void)encoded;

    CUtf8Validator validator;
    at = 0;
    while (at < bytes.size()) {
        const qsizetype length = qsizetype(cuts % 7) + 1;
        validator.Feed(QByteArrayView(bytes).sliced(at, qMin(length, bytes.size() - at)));
        at += length;
    }
    FUZZ_CHECK(validator.Finish() == QByteArrayView(bytes).isValidUtf8());
    return 0;
}
