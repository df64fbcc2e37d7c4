#include "gui/pages/files/AddProgress.h"

#include "common/AppInfo.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QProgressDialog>
#include <QWidget>
#include <algorithm>

namespace {
// The clock is read once per this many steps: reading it per row would
// cost more than adding the row.
constexpr int StepsPerCheck = 128;
// Interval between dialog updates once it is shown.
constexpr qint64 UpdateIntervalMs = 60;
} // namespace

CAddProgress::CAddProgress(QWidget* owner, QWidget* list, const QString& label, int total, bool cancellable)
    : m_pOwner(owner), m_pList(list), m_strLabel(label), m_nTotal(total), m_bCancellable(cancellable)
{
    m_timer.start();
}

CAddProgress::~CAddProgress() = default;

bool CAddProgress::Step(bool added)
{
    ++m_nDone;
    if (added) {
        ++m_nAdded;
        if (m_nAdded == FirstPaintRow && m_pList) {
            m_pList->repaint();
        }
    }
    if (m_nDone % StepsPerCheck != 0) {
        return !m_bCancelled;
    }
    return Update();
}

bool CAddProgress::Poll(const QString& detail)
{
    m_strDetail = detail;
    return Update();
}

bool CAddProgress::Update()
{
    if (m_pDialog && m_pDialog->wasCanceled()) {
        m_bCancelled = true;
    }
    if (m_bCancelled) {
        return false;
    }
    const qint64 elapsed = m_timer.elapsed();
    if (!m_pDialog) {
        if (elapsed < DialogDelayMs) {
            return true;
        }
        m_pDialog = std::make_unique<QProgressDialog>(m_pOwner);
        m_pDialog->setWindowTitle(AppInfo::DisplayName());
        m_pDialog->setWindowModality(Qt::WindowModal);
        m_pDialog->setAutoClose(false);
        m_pDialog->setAutoReset(false);
        m_pDialog->setMinimumDuration(0);
        m_pDialog->setRange(0, m_nTotal);
        if (!m_bCancellable) {
            m_pDialog->setCancelButton(nullptr);
        }
        m_pDialog->setMinimumWidth(420);
        m_pDialog->show();
    } else if (elapsed - m_nLastUpdateMs < UpdateIntervalMs) {
        return true;
    }
    m_nLastUpdateMs = elapsed;
    // Always three lines, and long folder names cut in the middle, so the
    // dialog keeps its size while the text changes.
    const QFontMetrics metrics(m_pDialog->font());
    const QString detail =
        m_strDetail.isEmpty() ? QStringLiteral(" ") : metrics.elidedText(m_strDetail, Qt::ElideMiddle, 400);
    m_pDialog->setLabelText(m_strLabel + QLatin1Char('\n') + tr("%1 files added").arg(m_nAdded) +
                            QLatin1Char('\n') + detail);
    if (m_nTotal > 0) {
        m_pDialog->setValue(std::min(m_nDone, m_nTotal));
    }
    // The list grows while the dialog is up; let both paint.
    QCoreApplication::processEvents();
    if (m_pDialog->wasCanceled()) {
        m_bCancelled = true;
    }
    return !m_bCancelled;
}
