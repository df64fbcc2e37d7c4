#pragma once

#include "TestUtil.h"
#include "common/AppFolders.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "model/Project.h"

#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace TestUtil {

// A login template with the form the login scripts take over.
inline const QByteArray kLoginTemplate =
    "<html><head><title>Login</title></head>\n<body>\n<form id=\"vxpform\"></form>\n</body></html>\n";

// The result texts of a run, in order.
class ResultTexts final : public IResultList
{
public:
    void DeleteAllItems() override { results.clear(); }
    void AddResultRow(const QString&, const QString& result) override { results.append(result); }
    QStringList results;
};

// A folder of its own with a login template, and a strong single-password
// project at the lowest iteration count, for tests that drive the engine.
class EngineTestBase : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CProject data;
    // What the restore-first question is answered with.
    CProtectEngine::Answer answer = CProtectEngine::Answer::Yes;

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(AppFolders::StrongScriptFile())) << "run through ctest";
        ASSERT_TRUE(WriteFile(Path("login.htm"), kLoginTemplate));
        data.m_strTemplatePath = Path("login.htm");
        data.m_strPassword = QStringLiteral("pw");
        data.m_nKdfIterations = CProject::kMinKdfIterations;
        data.DrawSalt();
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Path(const char* name) const { return Path(QLatin1String(name)); }

    // Protects the files with one engine; the result text of each.
    QStringList Run(const QStringList& files)
    {
        data.m_listFiles = files;
        ResultTexts rows;
        CProtectEngine engine(&data, &rows);
        const CProtectEngine::Answer given = answer;
        engine.SetRestoreQuestion([given](const QString&) { return given; });
        engine.ProtectAll();
        return rows.results;
    }
};

} // namespace TestUtil
