#include "model/Utf8Validator.h"

#include "model/CharsetCodec.h"

#include <gtest/gtest.h>
#include <random>

namespace {
bool IsValid(const QByteArray& bytes)
{
    CUtf8Validator validator;
    validator.Feed(bytes);
    return validator.Finish();
}

QString DecodeRest(CCharsetCodec& codec, QByteArrayView bytes)
{
    QString text = codec.Decode(bytes);
    text += codec.Finish();
    return text;
}
} // namespace

TEST(Utf8Validator, acceptsValidTextSplitAnywhere)
{
    const QByteArray bytes = QString::fromUtf8("a\u00e9\u20ac\U0010FFFF\uFFFD\u0800z").toUtf8();
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        CUtf8Validator validator;
        validator.Feed(bytes.left(split));
        EXPECT_TRUE(validator.IsValidSoFar()) << split;
        validator.Feed(bytes.mid(split));
        EXPECT_TRUE(validator.Finish()) << split;
    }
    CUtf8Validator byByte;
    for (char byte : bytes) {
        byByte.Feed(QByteArrayView(&byte, 1));
    }
    EXPECT_TRUE(byByte.Finish());
    EXPECT_TRUE(IsValid(QByteArray()));
}

TEST(Utf8Validator, rejectsOverlongForms)
{
    for (const char* overlong :
         {"\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF"}) {
        EXPECT_FALSE(IsValid(overlong)) << QByteArray(overlong).toHex().constData();
    }
    // The smallest values of each length are fine.
    EXPECT_TRUE(IsValid("\xC2\x80"));
    EXPECT_TRUE(IsValid("\xE0\xA0\x80"));
    EXPECT_TRUE(IsValid("\xF0\x90\x80\x80"));
}

TEST(Utf8Validator, rejectsSurrogatesAndValuesAboveTheLastCodePoint)
{
    EXPECT_FALSE(IsValid("\xED\xA0\x80"));
    EXPECT_FALSE(IsValid("\xED\xBF\xBF"));
    EXPECT_TRUE(IsValid("\xED\x9F\xBF")); // U+D7FF
    EXPECT_TRUE(IsValid("\xEE\x80\x80")); // U+E000
    EXPECT_FALSE(IsValid("\xF4\x90\x80\x80"));
    EXPECT_TRUE(IsValid("\xF4\x8F\xBF\xBF")); // U+10FFFF
    EXPECT_FALSE(IsValid("\xF5\x80\x80\x80"));
    EXPECT_FALSE(IsValid("\xFF"));
}

TEST(Utf8Validator, truncatedTailIsValidSoFarButNotFinished)
{
    CUtf8Validator validator;
    validator.Feed("a\xE2\x82");
    EXPECT_TRUE(validator.IsValidSoFar());
    EXPECT_FALSE(validator.Finish());
    validator.Feed("\xAC");
    EXPECT_TRUE(validator.Finish());
}

TEST(Utf8Validator, strayOrMissingContinuationBytesStayInvalid)
{
    EXPECT_FALSE(IsValid("\x80"));
    EXPECT_FALSE(IsValid("\xE2\x41\x41"));
    EXPECT_FALSE(IsValid("\xC3\xA9\xA9"));
    CUtf8Validator validator;
    validator.Feed("\xC3");
    validator.Feed("A");
    EXPECT_FALSE(validator.IsValidSoFar());
    validator.Feed("plain");
    EXPECT_FALSE(validator.Finish());
}

TEST(Utf8Validator, agreesWithTheUtf8RowAndQtOnRandomBytes)
{
    // Byte strings drawn mostly from lead and continuation bytes, so that both
    // valid and invalid sequences of every kind turn up.
    std::mt19937 random(20240611);
    const uchar pool[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF,
                          0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
    int valid = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int length = int(random() % 6) + 1;
        for (int i = 0; i < length; ++i) {
            bytes.append(char(pool[random() % sizeof(pool)]));
        }
        const bool isValid = IsValid(bytes);
        valid += isValid ? 1 : 0;
        CCharsetCodec codec(65001);
        const QString decoded = DecodeRest(codec, bytes);
        EXPECT_EQ(isValid, !decoded.contains(QChar::ReplacementCharacter)) << bytes.toHex().constData();
        if (isValid) {
            EXPECT_EQ(decoded, QString::fromUtf8(bytes)) << bytes.toHex().constData();
        }
    }
    EXPECT_GT(valid, 100);
}
