#include "gui/mainwindow/ProtectRun.h"

#include "common/AppInfo.h"
#include "engine/ProtectEngine.h"
#include "engine/ResultList.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QMessageBox>
#include <QProgressDialog>
#include <QWidget>

namespace {

IRunQuestions::Answer ToAnswer(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes:
        return IRunQuestions::Answer::Yes;
    case QMessageBox::YesToAll:
        return IRunQuestions::Answer::YesToAll;
    case QMessageBox::No:
        return IRunQuestions::Answer::No;
    case QMessageBox::NoToAll:
        return IRunQuestions::Answer::NoToAll;
    default:
        return IRunQuestions::Answer::Cancel;
    }
}

} // namespace

CProtectRun::CProtectRun(const CProject& data, IResultList* results, QWidget* window)
    : m_pResults(results), m_pWindow(window), m_session(data)
{
    m_session.SetQuestions(this);
    m_session.SetReportNotProcessed(true);
    // The session's signals come from its threads: queued to this one.
    connect(&m_session, &CProtectSession::fileDone, this,
            [this](const QString& path, int outcome, const QString& text) {
                if (m_pResults) {
                    m_pResults->AddResult(path, ProtectOutcome(outcome), text);
                }
            });
    connect(&m_session, &CProtectSession::progress, this, &CProtectRun::OnProgress);
    connect(&m_session, &CProtectSession::keysProgress, this, [this](int done, int total) {
        if (m_pProgress) {
            m_pProgress->setLabelText(tr("Deriving the keys of %1 user(s)...").arg(total));
            m_pProgress->setRange(0, total);
            m_pProgress->setValue(done);
        }
    });
    connect(&m_session, &CProtectSession::finished, this, &CProtectRun::OnFinished);
}

CProtectRun::~CProtectRun()
{
    Cancel();
}

void CProtectRun::Start()
{
    if (m_bRunning) {
        return;
    }
    if (m_pResults) {
        m_pResults->DeleteAllItems();
    }
    // The progress window appears only for runs that take a while; it
    // leaves the window usable.
    m_pProgress = std::make_unique<QProgressDialog>(m_pWindow);
    m_pProgress->setWindowTitle(AppInfo::DisplayName());
    m_pProgress->setWindowModality(Qt::NonModal);
    m_pProgress->setMinimumDuration(700);
    m_pProgress->setAutoReset(false);
    m_pProgress->setAutoClose(false);
    m_pProgress->setMinimumWidth(420);
    m_pProgress->setLabelText(tr("Protecting..."));
    connect(m_pProgress.get(), &QProgressDialog::canceled, this, &CProtectRun::Cancel);
    m_bRunning = true;
    m_session.Start();
}

void CProtectRun::Cancel()
{
    m_session.Cancel();
    if (m_pQuestion) {
        m_pQuestion->reject();
    }
    if (m_pProgress && m_bRunning) {
        m_pProgress->setLabelText(tr("Cancelling: the pages in hand are finished..."));
    }
}

void CProtectRun::AskRestoreFirst(const QString& path, Reply reply)
{
    QMetaObject::invokeMethod(
        this, [this, path, reply] { ShowQuestion(path, reply); }, Qt::QueuedConnection);
}

void CProtectRun::ShowQuestion(const QString& path, const Reply& reply)
{
    if (m_session.IsCancelled()) {
        reply(Answer::Cancel);
        return;
    }
    m_pQuestion = CMessageBox::Ask(m_pWindow, CProtectEngine::RestoreQuestionText(path),
                                   QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                       QMessageBox::NoToAll | QMessageBox::Cancel,
                                   [reply](QMessageBox::StandardButton button) { reply(ToAnswer(button)); });
}

void CProtectRun::OnProgress(int done, int total)
{
    if (!m_pProgress || m_session.IsCancelled()) {
        return;
    }
    m_pProgress->setRange(0, total);
    m_pProgress->setLabelText(tr("Protecting: %1 of %2 file(s) done").arg(done).arg(total));
    m_pProgress->setValue(done);
}

void CProtectRun::OnFinished()
{
    m_session.Wait();
    m_bRunning = false;
    if (m_pQuestion) {
        m_pQuestion->reject();
    }
    m_pProgress.reset();
    emit finished();
}
