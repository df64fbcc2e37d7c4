#include "cli/PasswordSource.h"

#include "cli/CliContext.h"
#include "common/InputFile.h"

#include <QIODevice>
#include <QTextStream>
#include <termios.h>
#include <unistd.h>

namespace {

// One line from standard input; at a terminal it asks for it and keeps
// the typing hidden, since a password shown on screen is half given away.
bool ReadStandardInputLine(QTextStream& err, QString* line)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    const bool quieted = terminal && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quieted) {
        err << "Password: ";
        err.flush();
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray bytes;
    char ch = 0;
    bool any = false;
    while (::read(STDIN_FILENO, &ch, 1) == 1) {
        any = true;
        if (ch == '\n') {
            break;
        }
        bytes.append(ch);
    }
    if (quieted) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        err << "\n";
        err.flush();
    }
    *line = PasswordSource::FirstLine(bytes);
    return any;
}

} // namespace

QString PasswordSource::FirstLine(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0) {
        bytes.truncate(end);
    }
    if (bytes.endsWith('\r')) {
        bytes.chop(1);
    }
    return QString::fromUtf8(bytes);
}

bool PasswordSource::Read(const CCliContext& context, const QString& file, const QString& value,
                          QString* password)
{
    if (file.isEmpty() && value != QLatin1String("-")) {
        *password = value;
        return true;
    }
    if (file.isEmpty()) {
        bool read = false;
        if (QIODevice* in = context.Input()) {
            const QByteArray line = in->readLine();
            read = !line.isEmpty();
            *password = FirstLine(line);
        } else {
            read = ReadStandardInputLine(context.Err(), password);
        }
        if (!read) {
            context.Error(QStringLiteral("--password -: standard input ended before a password line"));
            return false;
        }
    } else {
        QByteArray bytes;
        QString problem;
        if (!InputFile::Read(file, &bytes, &problem)) {
            context.Error(QStringLiteral("--password-file: ") + problem);
            return false;
        }
        *password = FirstLine(bytes);
    }
    if (password->isEmpty()) {
        context.Error(
            QStringLiteral("the password %1 is empty")
                .arg(file.isEmpty() ? QStringLiteral("line") : QStringLiteral("file \"%1\"").arg(file)));
        return false;
    }
    return true;
}
