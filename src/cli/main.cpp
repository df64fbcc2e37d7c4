#include "cli/CliApp.h"
#include "cli/Interruption.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // A closed pipe or a file-size limit behind the output must come back
    // as a write error with a message, not kill the run silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // SIGINT and SIGTERM end a run between two pages, with its summary.
    CInterruption::Install();
    // A run allocates and frees a few buffers of up to some megabytes per
    // page. By default glibc maps the larger ones afresh and hands freed
    // memory back at once, so every page pays for new zeroed memory (a
    // fifth of the kernel time on a doc site); kept in the heap they are
    // reused. Memory stays bounded by the largest buffers in flight.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Wendlock"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CCliApp cli(out, err);
    cli.SetProgress(isatty(STDERR_FILENO) == 1);
    // The raw bytes: QCoreApplication's decoded arguments can't tell a name
    // that is not valid in the locale's encoding from the one it turns into.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    const int code = cli.RunRaw(arguments);
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << "wendlock-cli: cannot write the output: "
            << (out.device() ? out.device()->errorString() : QStringLiteral("write error")) << "\n";
        err.flush();
        return code == 0 || code == 1 ? 1 : code;
    }
    err.flush();
    return code;
}
