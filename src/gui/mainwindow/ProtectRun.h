#pragma once

#include "session/ProtectSession.h"
#include "session/RunQuestions.h"

#include <QObject>
#include <QPointer>
#include <memory>

class CProject;
class IResultList;
class QMessageBox;
class QProgressDialog;
class QWidget;

// One protect run of the window: a CProtectSession works beside the window,
// which stays responsive. Its rows reach the Result page as they come, a
// progress window (shown once the run takes a while) offers Cancel, and a
// page protected before is asked about with Yes, Yes to All, No, No to All
// and Cancel; only the worker that met the page waits for the answer.
class CProtectRun final : public QObject, public IRunQuestions
{
    Q_OBJECT
    Q_DISABLE_COPY(CProtectRun)

public:
    // `results` and `window` must outlive the run.
    CProtectRun(const CProject& data, IResultList* results, QWidget* window);
    ~CProtectRun() override;

    void SetThreads(int threads) { m_session.SetThreads(threads); }
    // The project file, never enciphered with the site's other files.
    void SetProjectPath(const QString& path) { m_session.SetProjectPath(path); }

    // Empties the result list and starts; finished tells the end.
    void Start();
    // Stops before the next pages; an open question is answered Cancel.
    void Cancel();
    bool IsRunning() const { return m_bRunning; }
    CProtectSession::Summary Summary() const { return m_session.Result(); }

    // IRunQuestions, called on a worker: the question is shown on the
    // window's thread.
    void AskRestoreFirst(const QString& path, Reply reply) override;

signals:
    void finished();

private:
    void ShowQuestion(const QString& path, const Reply& reply);
    void OnProgress(int done, int total);
    void OnFinished();

    IResultList* m_pResults;
    QPointer<QWidget> m_pWindow;
    std::unique_ptr<QProgressDialog> m_pProgress;
    QPointer<QMessageBox> m_pQuestion;
    bool m_bRunning = false;
    // Last, so that it is cancelled and joined before the rest goes.
    CProtectSession m_session;
};
