#include "cli/CliApp.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Wendlock"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CCliApp cli(out, err);
    const int code = cli.Run(QCoreApplication::arguments().mid(1));
    out.flush();
    err.flush();
    return code;
}
