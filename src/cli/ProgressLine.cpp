#include "cli/ProgressLine.h"

#include <QString>
#include <QTextStream>

CProgressLine::CProgressLine(QTextStream* err, const char* verb, qsizetype total)
    : m_err(err), m_verb(verb), m_total(total)
{
    m_clock.start();
    Draw(0);
}

CProgressLine::~CProgressLine()
{
    Clear();
}

void CProgressLine::Draw(qsizetype done)
{
    if (!m_err) {
        return;
    }
    const double seconds = qMax<qint64>(m_clock.elapsed(), 1) / 1000.0;
    const double rate = double(done) / seconds;
    // \033[K erases what a longer line before left at the end.
    *m_err << '\r' << m_verb << ' ' << done << '/' << m_total << " pages, "
           << QString::number(rate, 'f', rate < 10 ? 1 : 0) << " pages/s\033[K";
    m_err->flush();
    m_shown = true;
}

void CProgressLine::Clear()
{
    if (m_err && m_shown) {
        *m_err << "\r\033[K";
        m_err->flush();
        m_shown = false;
    }
}
