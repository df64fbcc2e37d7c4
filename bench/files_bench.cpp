// Time to fill the files list with 100,000 paths: a list file imported
// and a folder tree scanned, once through the core alone and once through
// the Files page (rows with icon, type and size). Prints figures; never
// fails on speed.
//   files_bench [PATHS]
#include "files/FilesList.h"
#include "files/ListFile.h"
#include "files/WebFileFilter.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/FrameServices.h"
#include "gui/pages/files/PageFiles.h"
#include "gui/widgets/FileDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <sys/resource.h>

namespace {

class CNoFrame final : public IFrameServices
{
public:
    void SetProjectModified(bool) override {}
    void NotifyPasswordMode(int) override {}
    void ShowStatusPrompt(const QString&) override {}
    void ShowHelp(HelpTopic) override {}
};

// Processor time of this process (user + system), in seconds: unlike the
// wall clock it hardly moves when other work shares the machine.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class CStopwatch final
{
public:
    CStopwatch() { Restart(); }
    void Restart()
    {
        m_wall.restart();
        m_cpu = CpuSeconds();
    }
    void Print(const char* what, int rows) const
    {
        std::printf("%-44s %7d rows  %7.3f s wall  %7.3f s cpu\n", what, rows,
                    static_cast<double>(m_wall.elapsed()) / 1000.0, CpuSeconds() - m_cpu);
    }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int perFolder = 1000;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "files_bench: no temporary folder\n");
        return 1;
    }
    const QString site = dir.path() + QStringLiteral("/site");
    QStringList paths;
    paths.reserve(count);
    CStopwatch timer;
    for (int i = 0; i < count; ++i) {
        const QString folder =
            site + QStringLiteral("/section%1").arg(i / perFolder, 3, 10, QLatin1Char('0'));
        if (i % perFolder == 0) {
            QDir().mkpath(folder);
        }
        paths.append(folder + QStringLiteral("/page%1.html").arg(i, 6, 10, QLatin1Char('0')));
        QFile file(paths.last());
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "files_bench: cannot create %s\n", qPrintable(paths.last()));
            return 1;
        }
        // Every tenth folder also holds a file the scan must pass over.
        if (i % 10 == 0) {
            QFile other(folder + QStringLiteral("/style%1.css").arg(i));
            other.open(QIODevice::WriteOnly);
        }
    }
    timer.Print("made the files (not part of the figures)", count);

    // The list file repeats every tenth path, so the duplicate test works.
    QStringList lines = paths;
    for (int i = 0; i < count; i += 10) {
        lines.append(paths.at(i));
    }
    const QString listFile = dir.path() + QStringLiteral("/all.lst");
    if (!CListFile::Write(listFile, lines)) {
        std::fprintf(stderr, "files_bench: cannot write the list file\n");
        return 1;
    }

    {
        timer.Restart();
        QStringList read;
        CListFile::Read(listFile, read);
        CFilesList list;
        for (const QString& line : read) {
            list.Append(line);
        }
        timer.Print("core: read list file + duplicate test", list.Count());
    }
    {
        timer.Restart();
        CFilesList list;
        CWebFileFilter::ScanFolder(site, true,
                                   [&list](const QString& path) { return list.Append(path) || true; });
        timer.Print("core: scan folder tree + duplicate test", list.Count());
    }

    CNoFrame frame;
    CAppPreferences preferences;
    CFileDialog::SetTestMode(true);
    {
        CPageFiles page(&frame, preferences);
        page.resize(800, 500);
        page.show();
        CFileDialog::SetNextFileNames({listFile});
        timer.Restart();
        page.OnImport();
        timer.Print("page: Import (rows with name, size, type)", page.List()->topLevelItemCount());
        // Importing the same file again finds every path listed.
        CFileDialog::SetNextFileNames({listFile});
        timer.Restart();
        page.OnImport();
        timer.Print("page: Import again (all duplicates)", page.List()->topLevelItemCount());
    }
    {
        CPageFiles page(&frame, preferences);
        page.resize(800, 500);
        page.show();
        timer.Restart();
        const int added = page.AddFolder(site, true);
        timer.Print("page: Add Folder scan (recursive)", added);
    }
    return 0;
}
