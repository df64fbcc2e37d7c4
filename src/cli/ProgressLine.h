#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

class QTextStream;

// A one-line count of the files done and their rate on standard error,
// redrawn in place. Draws nothing without a stream (the error stream is
// not a terminal).
class CProgressLine final
{
public:
    CProgressLine(QTextStream* err, const char* verb, qsizetype total);
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    void Draw(qsizetype done);
    // Erases the line, so that other output can take its place.
    void Clear();

private:
    QTextStream* m_err;
    const char* m_verb;
    qsizetype m_total;
    QElapsedTimer m_clock;
    bool m_shown = false;
};
