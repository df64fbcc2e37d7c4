#include "cli/CliApp.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // A closed pipe or a file-size limit behind the output must come back
    // as a write error with a message, not kill the run silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Wendlock"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CCliApp cli(out, err);
    cli.SetProgress(isatty(STDERR_FILENO) == 1);
    const int code = cli.Run(QCoreApplication::arguments().mid(1));
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
