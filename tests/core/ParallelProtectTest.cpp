#include "cli/ParallelProtect.h"

#include "TestUtil.h"
#include "engine/PageUnlocker.h"
#include "engine/ResultList.h"
#include "model/AppGlobalData.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {
class Rows final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override { rows.append({path, result}); }
    QList<QPair<QString, QString>> rows;
};
} // namespace

// Pages of several folders, listed so that blocks share folders, protected
// on several threads: every page once, the results in list order, and each
// page opens to its own text. Two workers never hold one folder, so none
// waits for a folder lock and none is reported busy.
TEST(ParallelProtect, pagesOfSharedFoldersAllProtectedInListOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString templatePath = dir.filePath(QStringLiteral("template.htm"));
    ASSERT_TRUE(WriteFile(templatePath,
                          "<html><head></head>\n<body>\n<form id=\"vxpform\"></form>\n</body></html>\n"));
    CAppGlobalData data;
    data.m_strTemplatePath = templatePath;
    data.m_strPassword = QStringLiteral("pw");
    data.m_nCipher = CAppGlobalData::kCipherClassic;
    data.m_bBackup = 0;
    for (int i = 0; i < 150; ++i) {
        // One folder holds most pages, two more are sprinkled in between.
        const QString folder = dir.filePath(QStringLiteral("f%1").arg(i % 5 == 0 ? 1 : i % 7 == 0 ? 2 : 0));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/p%1.htm").arg(i);
        ASSERT_TRUE(
            WriteFile(path, "<html><head></head><body>page " + QByteArray::number(i) + "</body></html>\n"));
        data.m_listFiles.append(path);
    }
    for (int threads : {1, 2, 4}) {
        for (const QString& path : data.m_listFiles) {
            const QByteArray text = ReadFile(path);
            if (text.contains("vxpa")) {
                QBuffer buffer;
                buffer.open(QIODevice::WriteOnly);
                ASSERT_EQ(CPageUnlocker::Unlock(path, QString(), QStringLiteral("pw"), &buffer),
                          CPageUnlocker::Status::Ok);
                ASSERT_TRUE(WriteFile(path, buffer.data()));
            }
        }
        Rows rows;
        const CParallelProtect::Outcome outcome =
            CParallelProtect::Run(data, CProtectEngine::Answer::No, rows, threads);
        EXPECT_EQ(outcome.protectedCount, 150) << threads << " threads";
        ASSERT_EQ(rows.rows.size(), 150);
        for (int i = 0; i < 150; ++i) {
            EXPECT_EQ(rows.rows[i].first.toStdString(), data.m_listFiles[i].toStdString());
            EXPECT_EQ(rows.rows[i].second.toStdString(), "Protected") << data.m_listFiles[i].toStdString();
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_EQ(CPageUnlocker::Unlock(data.m_listFiles[77], QString(), QStringLiteral("pw"), &buffer),
                  CPageUnlocker::Status::Ok);
        EXPECT_EQ(buffer.data().toStdString(), "<html><head></head><body>page 77</body></html>\n");
    }
}
