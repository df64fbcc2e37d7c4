#pragma once

#include <QString>

class QIODevice;
class QTextStream;

// What every command writes to and reads from, and how it reports a
// problem: the streams are given so that the tests can run a command
// in-process and read what it printed.
class CCliContext final
{
public:
    enum ExitCode
    {
        ExitOk = 0,
        ExitFailure = 1,
        ExitUsage = 2
    };

    CCliContext(QTextStream& out, QTextStream& err);

    QTextStream& Out() const { return m_out; }
    QTextStream& Err() const { return m_err; }
    // Where "--password -" reads its line; standard input when null.
    QIODevice* Input() const { return m_in; }
    void SetInput(QIODevice* in) { m_in = in; }
    // Whether protect and restore draw a progress line on the error stream.
    bool Progress() const { return m_bProgress; }
    void SetProgress(bool show) { m_bProgress = show; }

    // "wendlock-cli: MESSAGE" on the error stream.
    void Error(const QString& message) const;
    // A usage error: the message and where to find help; returns ExitUsage.
    int Usage(const QString& message) const;

private:
    QTextStream& m_out;
    QTextStream& m_err;
    QIODevice* m_in = nullptr;
    bool m_bProgress = false;
};
