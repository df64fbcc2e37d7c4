// Time to import 100,000 users from a user list file: through the core alone
// (into an empty list, and again into the list it filled, where every line
// is a duplicate name), and through the Password page (rows appended to the
// list). Also the export of the same users. Best of three runs; prints
// figures, never fails on speed.
//   users_bench [USERS]
#include "gui/frame/FrameServices.h"
#include "gui/pages/password/PagePassword.h"
#include "gui/widgets/FileDialog.h"
#include "model/Project.h"
#include "users/UserListFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

class CNoFrame final : public IFrameServices
{
public:
    void SetProjectModified(bool) override {}
    void NotifyPasswordMode(int) override {}
    void ShowStatusPrompt(const QString&) override {}
    void ShowHelp(HelpTopic) override {}
};

void Print(const char* what, qsizetype rows, qint64 ms)
{
    std::printf("%-52s %7lld rows  %8.3f s\n", what, static_cast<long long>(rows),
                static_cast<double>(ms) / 1000.0);
}

// Runs `prepare` untimed and `run` timed, three times; the best time.
qint64 BestOf3(const std::function<void()>& prepare, const std::function<void()>& run)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 3; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.elapsed());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "users_bench: no temporary folder\n");
        return 1;
    }
    QList<CUserListNode> users;
    users.reserve(count);
    for (int i = 0; i < count; ++i) {
        CUserListNode user;
        user.m_strUserName = QStringLiteral("user%1").arg(i, 6, 10, QLatin1Char('0'));
        user.m_strPassword = QStringLiteral("pw%1x").arg(i * 7919 % 1000003);
        user.m_strFullName = QStringLiteral("Full Name %1").arg(i);
        user.m_strEmail = user.m_strUserName + QStringLiteral("@example.com");
        user.m_strDescription = (i % 3) ? QStringLiteral("Sales, \"north\" region") : QString();
        users.append(user);
    }
    const QString path = dir.filePath(QStringLiteral("users.csv"));
    QString error;

    const qint64 exportMs = BestOf3([] {},
                                    [&] {
                                        if (!CUserListFile::ExportUsers(path, users, &error)) {
                                            std::fprintf(stderr, "users_bench: %s\n", qPrintable(error));
                                            std::exit(1);
                                        }
                                    });

    QList<CUserListNode> imported;
    const qint64 importMs =
        BestOf3([&] { imported.clear(); }, [&] { CUserListFile::ImportUsers(path, imported, &error); });
    if (imported != users) {
        std::fprintf(stderr, "users_bench: the import does not give back the exported users\n");
        return 1;
    }
    const qint64 duplicateMs = BestOf3([] {}, [&] { CUserListFile::ImportUsers(path, imported, &error); });
    if (imported.size() != users.size()) {
        std::fprintf(stderr, "users_bench: a second import added users\n");
        return 1;
    }

    CNoFrame frame;
    CPagePassword page(&frame);
    page.resize(720, 480);
    page.show();
    CFileDialog::SetTestMode(true);
    CProject empty;
    empty.m_nPasswordMode = CProject::kMultipleUsers;
    const qint64 pageMs = BestOf3(
        [&] {
            page.LoadFromProject(empty);
            CFileDialog::SetNextFileNames({path});
        },
        [&] {
            page.OnImport();
            app.processEvents();
        });
    if (page.Users().size() != users.size()) {
        std::fprintf(stderr, "users_bench: the page holds %lld users\n",
                     static_cast<long long>(page.Users().size()));
        return 1;
    }

    Print("export (core)", count, exportMs);
    Print("import into an empty list (core)", count, importMs);
    Print("import again, every name a duplicate (core)", count, duplicateMs);
    Print("import through the Password page (rows shown)", count, pageMs);
    return 0;
}
