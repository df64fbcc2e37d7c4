// Big inputs to the core, without any window: a files list and a user list
// of 100,000 rows written and read back, a project file that lists them, and
// one page protected for 100,000 users. Prints time and peak memory; never
// fails on speed.
//   big_inputs_bench [ROWS]
#include "engine/ProtectEngine.h"
#include "files/FilesList.h"
#include "files/ListFile.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"
#include "users/UserListFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Processor time of this process (user + system): unlike the wall clock it
// hardly moves when other work shares the machine.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class CStopwatch final
{
public:
    CStopwatch() { Restart(); }
    void Restart()
    {
        m_wall.start();
        m_cpu = CpuSeconds();
    }
    // Prints the time since the last restart, the size of `file` if given,
    // and the peak memory so far.
    void Report(const char* what, const QString& file = QString()) const
    {
        std::printf("%-44s %7.3f s wall %7.3f s cpu", what, double(m_wall.nsecsElapsed()) / 1e9,
                    CpuSeconds() - m_cpu);
        if (!file.isEmpty()) {
            std::printf("  %6.1f MB", double(QFileInfo(file).size()) / 1048576.0);
        }
        std::printf("  peak RSS %6.1f MB\n", double(PeakRssKb()) / 1024.0);
    }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    std::printf("%d rows\n", rows);

    QStringList paths;
    paths.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        paths.append(
            QStringLiteral("/srv/www/section%1/caf\u00e9-%2/page%3.html").arg(i % 40).arg(i % 7).arg(i));
    }
    const QString lst = dir.filePath(QStringLiteral("files.lst"));
    CStopwatch timer;
    QString error;
    if (!CListFile::Write(lst, paths, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    timer.Report("files list: write", lst);
    timer.Restart();
    QStringList read;
    CListFile::Read(lst, read, &error);
    CFilesList list;
    list.Reserve(int(read.size()));
    for (const QString& path : read) {
        list.Append(path);
    }
    timer.Report("files list: read and fill (duplicate test)");
    if (list.Paths() != paths) {
        std::fprintf(stderr, "the files list did not read back\n");
        return 1;
    }

    QList<CUserListNode> users;
    users.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        CUserListNode user;
        user.m_strUserName = QStringLiteral("user%1").arg(i);
        user.m_strPassword = QStringLiteral("pw\"%1\"").arg(i * 7919);
        user.m_strFullName = QStringLiteral("User Number %1").arg(i);
        user.m_strEmail = QStringLiteral("user%1@example.com").arg(i);
        user.m_strDescription = QStringLiteral("imported, row %1").arg(i);
        users.append(user);
    }
    const QString csv = dir.filePath(QStringLiteral("users.csv"));
    timer.Restart();
    CUserListFile::ExportUsers(csv, users, &error);
    timer.Report("user list: export", csv);
    timer.Restart();
    QList<CUserListNode> imported;
    const int added = CUserListFile::ImportUsers(csv, imported, &error);
    timer.Report("user list: import (split, duplicate test)");
    if (added != rows || imported != users) {
        std::fprintf(stderr, "the user list did not read back\n");
        return 1;
    }

    CProject data;
    data.m_listFiles = paths;
    data.m_listUsers = users;
    const QString project = dir.filePath(QStringLiteral("big.vxp"));
    timer.Restart();
    CWendlockDoc::WriteProjectFile(project, data, &error);
    timer.Report("project: save (files and users)", project);
    timer.Restart();
    CProject opened;
    CWendlockDoc::ReadProjectFile(project, opened, nullptr, &error);
    timer.Report("project: open");
    if (opened != data) {
        std::fprintf(stderr, "the project did not read back\n");
        return 1;
    }

    const QString page = dir.filePath(QStringLiteral("members.html"));
    QFile file(page);
    file.open(QIODevice::WriteOnly);
    file.write("<html><head><title>Members</title></head><body><p>For every user.</p></body></html>\n");
    file.close();
    const QString templatePath = dir.filePath(QStringLiteral("login.htm"));
    QFile login(templatePath);
    login.open(QIODevice::WriteOnly);
    login.write("<html><head></head><body><form id=\"vxpform\"></form></body></html>\n");
    login.close();
    data.m_listFiles = {page};
    data.m_nPasswordMode = 1;
    data.m_bBackup = false;
    data.m_strTemplatePath = templatePath;
    timer.Restart();
    CProtectEngine engine(&data);
    QString result;
    engine.ProtectFile(page, result);
    timer.Report("one page protected for every user", page);
    if (result != QStringLiteral("Protected")) {
        std::fprintf(stderr, "protect: %s\n", qPrintable(result));
        return 1;
    }
    return 0;
}
