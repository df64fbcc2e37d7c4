#pragma once

#include <QString>
#include <QStringList>

class CAppGlobalData;
class QIODevice;
class QTextStream;

// The commands of wendlock-cli. Output goes to the given streams so the
// tests can run a command in-process and read what it printed.
class CCliApp
{
public:
    enum ExitCode { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

    CCliApp(QTextStream& out, QTextStream& err);

    // arguments without the program name.
    int Run(const QStringList& arguments);
    // Where "--password -" reads its line; standard input when not set.
    void SetInput(QIODevice* in) { m_in = in; }
    // protect and restore draw a progress line on the error stream (main
    // turns it on when that is a terminal).
    void SetProgress(bool show) { m_bProgress = show; }

private:
    int RunShow(const QStringList& args);
    int RunConvert(const QStringList& args);
    int RunProtect(const QStringList& args);
    int RunRestore(const QStringList& args);
    int RunUnlock(const QStringList& args);
    int RunTemplates(const QStringList& args);
    int Usage(const QString& message);
    // The password of --password VALUE ("-": one line of the input) or of
    // --password-file FILE (its first line); false after saying why.
    bool ReadPassword(const QString& file, const QString& value, QString* password);
    void PrintHelp();
    // Keeps a salt drawn for this run: written back into the project, or
    // printed with the option that reuses it.
    bool SaveDrawnSalt(const QString& projectPath, const CAppGlobalData& data);


    QTextStream& m_out;
    QTextStream& m_err;
    QIODevice* m_in = nullptr;
    bool m_bProgress = false;
};
