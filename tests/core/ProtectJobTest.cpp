#include "engine/ProtectJob.h"

#include "CliRunner.h"
#include "TestUtil.h"
#include "model/Project.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

using TestUtil::RunCliCode;

} // namespace

TEST(ProtectJob, everyRuleOfEveryPageIsCheckedInPageOrderAndTheCliRefusesTheRun)
{
    CProject data;
    data.m_strPassword = QStringLiteral("pw");
    data.m_strTemplatePath = QStringLiteral("/t.htm");
    data.m_listFiles = {QStringLiteral("/a.html")};
    EXPECT_TRUE(CProtectJob::Check(data).isEmpty());

    // Several problems at once come back in page order.
    data.m_listFiles.clear();
    data.m_nIncorrectAction = 1;
    data.m_strRedirectURL.clear();
    data.m_strTemplatePath.clear();
    data.m_nKdfIterations = 5;
    const QList<CProtectJob::Problem> problems = CProtectJob::Check(data);
    ASSERT_EQ(problems.size(), 4);
    EXPECT_EQ(problems[0].page, CProtectJob::Page::Files);
    EXPECT_EQ(problems[1].page, CProtectJob::Page::Login);
    EXPECT_TRUE(problems[1].message.contains(QLatin1String("the URL is empty")));
    EXPECT_EQ(problems[2].page, CProtectJob::Page::Template);
    EXPECT_EQ(problems[3].page, CProtectJob::Page::Protect);

    // Credentials nobody could type, and names the login can't tell apart.
    CUserListNode bob;
    bob.m_strUserName = QStringLiteral("Bob");
    bob.m_strPassword = QStringLiteral("1");
    CUserListNode lower = bob;
    lower.m_strUserName = QStringLiteral("bob");
    EXPECT_TRUE(CProtectJob::CheckPassword(1, {}, {bob, lower}, true).isEmpty());
    EXPECT_TRUE(CProtectJob::CheckPassword(1, {}, {bob, lower}, false).contains(QLatin1String("twice")));
    EXPECT_TRUE(CProtectJob::CheckPassword(0, QStringLiteral("a\nb"), {}, true)
                    .contains(QLatin1String("line break")));
    EXPECT_FALSE(
        CProtectJob::CheckPassword(0, QStringLiteral(" "), {}, true).contains(QLatin1String("empty")));

    // The command line applies the same rules: a redirect to nowhere is
    // refused before any page is touched.
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("a.html"));
    ASSERT_TRUE(TestUtil::WriteFile(page, "<html><head></head><body>x</body></html>\n"));
    QString err;
    EXPECT_EQ(RunCliCode({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                          QStringLiteral("--set"), QStringLiteral("incorrectAction=1"),
                          QStringLiteral("--set"), QStringLiteral("redirectUrl="), page},
                         &err),
              2);
    EXPECT_TRUE(err.contains(QLatin1String("the URL is empty"))) << err.toStdString();
    EXPECT_EQ(TestUtil::ReadFile(page), QByteArray("<html><head></head><body>x</body></html>\n"));
}

TEST(ProtectJob, withoutATemplateTheCliTakesClassicOnEveryMachine)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("a.html"));
    ASSERT_TRUE(TestUtil::WriteFile(page, "<html><head></head><body>x</body></html>\n"));
    ASSERT_EQ(RunCliCode({QStringLiteral("protect"), QStringLiteral("--password"), QStringLiteral("pw"),
                          QStringLiteral("--no-backup"), QStringLiteral("--set"),
                          QStringLiteral("kdfIterations=100000"), page}),
              0);
    // The Classic template's light page colour, which no other shipped one has.
    EXPECT_TRUE(TestUtil::ReadFile(page).contains("background: #eef1f5"));
}
