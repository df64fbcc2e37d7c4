#include "TestConfig.h"
#include "engine/PageUnlocker.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The shared strong page vectors (tests/vectors/page-vectors.json, written
// by a second implementation with Node's crypto and zlib; the login
// script's tests read the same file), each put into a page and unlocked.
// Good pages give their exact text; bad ones (last flag dropped or early,
// a cut where the deflate stream happens to end, chunks reordered or from
// another page, wrong counts, versions, lengths, Base64) give none.
TEST(PageVectors, goodPagesOpenToTheirTextAndBadOnesAreRefused)
{
    QFile file(QStringLiteral(WENDLOCK_SOURCE_DIR "/tests/vectors/page-vectors.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray cases =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("cases")).toArray();
    ASSERT_GE(cases.size(), 30) << "tests/vectors/page-vectors.json is missing or empty";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int valid = 0;
    int refused = 0;
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QString name = c.value(QStringLiteral("name")).toString();
        const bool multi = c.value(QStringLiteral("mode")).toInt() == 1;
        const QByteArray caseText = [&c](const char* key) {
            return QByteArray(c.value(QLatin1String(key)).toBool() ? "true" : "false");
        }("passwordCase");
        // The frame around the statements as far as the unlocker reads it.
        QByteArray page = "<html><head><script type=\"text/javascript\">var LoginExpireType=0;";
        if (multi) {
            page += "var USRCSS=true;";
        }
        page += "var PWDCSS=" + caseText + ";\r\n" +
                c.value(QStringLiteral("statements")).toString().toUtf8() +
                "\r\n</script></head><body></body></html>\r\n<!-- Protected by Wendlock -->\r\n";
        const QString path = dir.filePath(QStringLiteral("page.html"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(page), page.size());
        out.close();

        QBuffer text;
        text.open(QIODevice::WriteOnly);
        const QString user = multi ? c.value(QStringLiteral("user")).toString() : QString();
        const CPageUnlocker::Status status =
            CPageUnlocker::Unlock(path, user, c.value(QStringLiteral("password")).toString(), &text);
        if (!c.value(QStringLiteral("valid")).toBool()) {
            EXPECT_NE(status, CPageUnlocker::Status::Ok) << "accepted: " << qPrintable(name);
            ++refused;
            continue;
        }
        ++valid;
        ASSERT_EQ(status, CPageUnlocker::Status::Ok) << qPrintable(name);
        EXPECT_EQ(text.data().size(), c.value(QStringLiteral("textSize")).toInt()) << qPrintable(name);
        EXPECT_EQ(QCryptographicHash::hash(text.data(), QCryptographicHash::Sha256).toHex(),
                  c.value(QStringLiteral("textSha256")).toString().toLatin1())
            << qPrintable(name);
    }
    EXPECT_GE(valid, 5);
    EXPECT_GE(refused, 20);
}
