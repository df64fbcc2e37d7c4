#include "TestUtil.h"
#include "engine/ClassicPageFormat.h"
#include "engine/PageUnlocker.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "model/Project.h"
#include "session/ProtectSession.h"
#include "session/RestoreSession.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using TestUtil::ReadFile;
using TestUtil::WriteFile;

namespace {

// A classic-format project with the password "pw" and a small template of
// its own in `dir`; nothing listed yet.
CProject ClassicProject(const QTemporaryDir& dir, bool backup)
{
    const QString templatePath = dir.filePath(QStringLiteral("template.htm"));
    EXPECT_TRUE(WriteFile(templatePath,
                          "<html><head></head>\n<body>\n<form id=\"vxpform\"></form>\n</body></html>\n"));
    CProject data;
    data.m_strTemplatePath = templatePath;
    data.m_strPassword = QStringLiteral("pw");
    data.m_nCipher = CProject::kCipherClassic;
    data.m_bBackup = backup;
    return data;
}
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
    CProject data = ClassicProject(dir, false);
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
        CProtectSession session(data);
        session.SetThreads(threads);
        const CProtectSession::Summary outcome = session.Run(rows);
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

namespace {

// Answers the restore-first question from a thread of its own, a moment
// later, as the window does; the script's answers in turn, then No.
class ScriptedAnswers final : public IRunQuestions
{
public:
    explicit ScriptedAnswers(QList<Answer> script) : m_script(std::move(script)) {}
    ~ScriptedAnswers() override
    {
        for (std::thread& t : m_threads) {
            t.join();
        }
    }
    void AskRestoreFirst(const QString& path, Reply reply) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        asked.append(path);
        if (m_bNeverAnswer) {
            m_unanswered.append(reply);
            return;
        }
        const Answer answer = m_script.isEmpty() ? Answer::No : m_script.takeFirst();
        m_threads.emplace_back([reply, answer] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            reply(answer);
        });
    }
    // Questions stay open until the run is cancelled.
    void NeverAnswer() { m_bNeverAnswer = true; }
    void AnswerLate(Answer answer)
    {
        for (const Reply& reply : m_unanswered) {
            reply(answer);
        }
    }
    int Asked()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return int(asked.size());
    }
    QStringList asked;

private:
    std::mutex m_mutex;
    QList<Answer> m_script;
    std::vector<std::thread> m_threads;
    bool m_bNeverAnswer = false;
    QList<Reply> m_unanswered;
};

class OutcomeRows final : public IResultList
{
public:
    void DeleteAllItems() override { rows.clear(); }
    void AddResultRow(const QString& path, const QString& result) override
    {
        AddResult(path, ProtectOutcome::Protected, result);
    }
    void AddResult(const QString& path, ProtectOutcome outcome, const QString&) override
    {
        rows.append({path, outcome});
    }
    QList<QPair<QString, ProtectOutcome>> rows;
};

} // namespace

// Pages protected before, in three folders that three workers protect at
// once: the questions come one at a time, their answers (given later, from
// another thread) are followed, an answer "to All" ends the asking, and
// Cancel ends the run with the pages not reached reported as such, in list
// order and untouched. Cancel() from outside answers an open question.
TEST(ProtectSession, answersFromTheQuestionInterface_cancelEndsTheRunInListOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CProject data = ClassicProject(dir, true);
    for (int i = 0; i < 96; ++i) {
        const QString folder = dir.filePath(QStringLiteral("f%1").arg(i / 32));
        ASSERT_TRUE(QDir().mkpath(folder));
        data.m_listFiles.append(folder + QStringLiteral("/p%1.htm").arg(i));
        ASSERT_TRUE(WriteFile(data.m_listFiles.last(),
                              "<html><head></head><body>page " + QByteArray::number(i) + "</body></html>\n"));
    }
    const auto protectAll = [&](IRunQuestions* questions, bool reportNotProcessed, OutcomeRows& rows) {
        CProtectSession session(data);
        session.SetThreads(3);
        session.SetQuestions(questions);
        session.SetReportNotProcessed(reportNotProcessed);
        return session.Run(rows);
    };
    OutcomeRows rows;
    ASSERT_EQ(protectAll(nullptr, false, rows).protectedCount, 96);

    // No, Yes, then Yes to All: three questions, one page left as it was.
    ScriptedAnswers toAll({IRunQuestions::Answer::No, IRunQuestions::Answer::Yes,
                           IRunQuestions::Answer::YesToAll, IRunQuestions::Answer::No});
    CProtectSession::Summary summary = protectAll(&toAll, true, rows);
    EXPECT_EQ(toAll.Asked(), 3);
    EXPECT_EQ(summary.protectedCount, 95);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_FALSE(summary.cancelled);
    ASSERT_EQ(rows.rows.size(), 96);
    for (int i = 0; i < 96; ++i) {
        EXPECT_EQ(rows.rows[i].first, data.m_listFiles[i]);
        EXPECT_EQ(ReadFile(data.m_listFiles[i]).count(CClassicPageFormat::Marker()), 1);
    }
    EXPECT_EQ(rows.rows[data.m_listFiles.indexOf(toAll.asked.first())].second,
              ProtectOutcome::ProtectedBefore);

    // Yes four times, then Cancel: the workers stop, the page asked about
    // and the rest are not processed, and every row stands in list order.
    ScriptedAnswers cancel({IRunQuestions::Answer::Yes, IRunQuestions::Answer::Yes,
                            IRunQuestions::Answer::Yes, IRunQuestions::Answer::Yes,
                            IRunQuestions::Answer::Cancel});
    QHash<QString, QByteArray> before;
    for (const QString& path : data.m_listFiles) {
        before.insert(path, ReadFile(path));
    }
    summary = protectAll(&cancel, true, rows);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(cancel.Asked(), 5);
    EXPECT_EQ(summary.protectedCount, 4);
    EXPECT_EQ(summary.protectedCount + summary.notProcessed, 96);
    ASSERT_EQ(rows.rows.size(), 96);
    for (int i = 0; i < 96; ++i) {
        const QString& path = data.m_listFiles[i];
        EXPECT_EQ(rows.rows[i].first, path);
        if (rows.rows[i].second == ProtectOutcome::NotProcessed) {
            EXPECT_EQ(ReadFile(path), before.value(path)) << path.toStdString();
        } else {
            EXPECT_EQ(rows.rows[i].second, ProtectOutcome::Protected) << path.toStdString();
        }
    }
    EXPECT_EQ(rows.rows[data.m_listFiles.indexOf(cancel.asked.last())].second, ProtectOutcome::NotProcessed);

    // A question nobody answers: Cancel() from another thread ends the run.
    ScriptedAnswers silent({});
    silent.NeverAnswer();
    CProtectSession session(data);
    session.SetThreads(2);
    session.SetQuestions(&silent);
    std::thread canceller([&] {
        while (silent.Asked() == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        session.Cancel();
    });
    summary = session.Run(rows);
    canceller.join();
    silent.AnswerLate(IRunQuestions::Answer::Yes);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.protectedCount, 0);
    EXPECT_EQ(silent.Asked(), 1);
    EXPECT_TRUE(rows.rows.isEmpty());
    EXPECT_EQ(summary.notProcessed, 96);
}

// Restore on three workers: the results come in list order and every page
// gets its text back; cancelled during the run, each page is either
// restored and told, or still protected with its backup in place.
TEST(RestoreSession, listOrderOnSeveralWorkers_cancelLeavesTheRestProtected)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CProject data = ClassicProject(dir, true);
    QHash<QString, QByteArray> original;
    for (int i = 0; i < 96; ++i) {
        const QString folder = dir.filePath(QStringLiteral("f%1").arg(i / 32));
        ASSERT_TRUE(QDir().mkpath(folder));
        data.m_listFiles.append(folder + QStringLiteral("/p%1.htm").arg(i));
        original.insert(data.m_listFiles.last(),
                        "<html><head></head><body>page " + QByteArray::number(i) + "</body></html>\n");
        ASSERT_TRUE(WriteFile(data.m_listFiles.last(), original.value(data.m_listFiles.last())));
    }
    const auto protectAll = [&] {
        OutcomeRows rows;
        CProtectSession session(data);
        session.SetThreads(3);
        ASSERT_EQ(session.Run(rows).protectedCount, 96);
    };
    protectAll();
    QStringList told;
    {
        CRestoreSession session(data.m_listFiles);
        session.SetThreads(3);
        const CRestoreSession::Summary summary =
            session.Run([&told](const QString& path, const CBackupRestore::Result& result) {
                EXPECT_EQ(result.outcome, CBackupRestore::Outcome::Restored) << path.toStdString();
                told.append(path);
            });
        EXPECT_EQ(summary.restored, 96);
        EXPECT_EQ(told, data.m_listFiles);
        for (const QString& path : data.m_listFiles) {
            EXPECT_EQ(ReadFile(path), original.value(path));
        }
    }

    protectAll();
    told.clear();
    CRestoreSession session(data.m_listFiles);
    session.SetThreads(3);
    // Cancelled from a worker, at its 40th look before a page.
    std::atomic<int> looks{0};
    session.SetInterruption([&] {
        if (++looks == 40) {
            session.Cancel();
        }
        return false;
    });
    const CRestoreSession::Summary summary =
        session.Run([&](const QString& path, const CBackupRestore::Result&) { told.append(path); });
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.failed, 0);
    EXPECT_GT(summary.notProcessed, 0);
    EXPECT_EQ(summary.restored + summary.notProcessed, 96);
    EXPECT_EQ(told.size(), summary.restored);
    for (const QString& path : data.m_listFiles) {
        const bool restored = told.contains(path);
        EXPECT_EQ(ReadFile(path) == original.value(path), restored) << path.toStdString();
        EXPECT_EQ(QFileInfo::exists(path + QStringLiteral(".original")), !restored) << path.toStdString();
    }
    // Told in list order, also when the workers finished out of order.
    for (qsizetype i = 1; i < told.size(); ++i) {
        EXPECT_LT(data.m_listFiles.indexOf(told[i - 1]), data.m_listFiles.indexOf(told[i]));
    }
}

// A site written into another folder by the batched workers: each page's
// protected text lands at its target, the sources stay as they were and get
// no backup (backups on), a page protected before is never put back first
// even when every question would say Yes, a link planted at a target is
// replaced rather than written through, and no temporary is left behind.
TEST(ProtectSession, targetMapWritesTheBatchesIntoAnotherFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("site"));
    const QString out = dir.filePath(QStringLiteral("pub"));
    CProject data = ClassicProject(dir, true);
    QHash<QString, QByteArray> texts;
    for (int i = 0; i < 90; ++i) {
        const QString folder = QStringLiteral("/f%1").arg(i % 3);
        ASSERT_TRUE(QDir().mkpath(src + folder) && QDir().mkpath(out + folder));
        const QString path = src + folder + QStringLiteral("/p%1.htm").arg(i);
        const QByteArray text = "<html><head></head><body>page " + QByteArray::number(i) + "</body></html>\n";
        ASSERT_TRUE(WriteFile(path, text));
        texts.insert(path, text);
        data.m_listFiles.append(path);
    }
    const auto target = [&src, &out](const QString& path) -> QString { return out + path.mid(src.size()); };
    // A page protected before: left as it is, and no question.
    {
        CProject one = data;
        one.m_bBackup = false;
        one.m_listFiles = {data.m_listFiles.at(4)};
        Rows rows;
        CProtectSession first(one);
        ASSERT_EQ(first.Run(rows).protectedCount, 1);
        texts.insert(data.m_listFiles.at(4), ReadFile(data.m_listFiles.at(4)));
    }
    // A link planted where a page goes, pointing at another source.
    const QString planted = target(data.m_listFiles.at(7));
    ASSERT_EQ(::symlink(QFile::encodeName(data.m_listFiles.at(8)).constData(),
                        QFile::encodeName(planted).constData()),
              0);

    ScriptedAnswers answers({IRunQuestions::Answer::YesToAll});
    OutcomeRows rows;
    CProtectSession session(data);
    session.SetThreads(3);
    session.SetQuestions(&answers);
    session.SetTargetMap(target);
    const CProtectSession::Summary summary = session.Run(rows);
    EXPECT_EQ(summary.protectedCount, 89);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_EQ(answers.Asked(), 0);
    ASSERT_EQ(rows.rows.size(), 90);
    for (int i = 0; i < 90; ++i) {
        const QString& path = data.m_listFiles.at(i);
        EXPECT_EQ(rows.rows[i].first.toStdString(), path.toStdString());
        EXPECT_EQ(rows.rows[i].second, i == 4 ? ProtectOutcome::ProtectedBefore : ProtectOutcome::Protected)
            << i;
        EXPECT_EQ(ReadFile(path), texts.value(path)) << i;
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".original"))) << i;
        if (i != 4) {
            EXPECT_TRUE(ReadFile(target(path)).contains(CClassicPageFormat::Marker())) << i;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(target(data.m_listFiles.at(4))));
    EXPECT_FALSE(QFileInfo(planted).isSymLink());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_EQ(CPageUnlocker::Unlock(planted, QString(), QStringLiteral("pw"), &buffer),
              CPageUnlocker::Status::Ok);
    EXPECT_EQ(buffer.data(), texts.value(data.m_listFiles.at(7)));
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(QDir(out + QStringLiteral("/f%1").arg(f)).entryList(QDir::Files | QDir::Hidden).size(),
                  30 - (f == 1))
            << f;
        EXPECT_EQ(QDir(src + QStringLiteral("/f%1").arg(f)).entryList(QDir::Files | QDir::Hidden).size(), 30)
            << f;
    }
}
