#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

// Progress of a long addition of rows (import, folder scan, project
// load). The list is repainted once right after the 51st added row, so
// the first rows appear at once; when the work goes on for more than a
// moment a progress dialog comes up, keeps the window painted and offers
// Cancel where stopping half-way is harmless.
class CAddProgress final
{
    Q_DECLARE_TR_FUNCTIONS(CAddProgress)

public:
    // `total` is the number of steps when known, 0 when it is not.
    CAddProgress(QWidget* owner, QWidget* list, const QString& label, int total, bool cancellable);
    ~CAddProgress();
    Q_DISABLE_COPY(CAddProgress)

    // After each attempt to add a row; false once the user cancelled.
    bool Step(bool added);
    // While there is work but no row to add (a folder being listed).
    bool Poll(const QString& detail);
    int Added() const { return m_nAdded; }
    bool WasCancelled() const { return m_bCancelled; }

    // How long the work runs before the dialog shows.
    static constexpr int DialogDelayMs = 400;
    // The added row after which the list is painted at once.
    static constexpr int FirstPaintRow = 51;

private:
    bool Update();

    QWidget* m_pOwner;
    QPointer<QWidget> m_pList;
    QString m_strLabel;
    QString m_strDetail;
    int m_nTotal;
    bool m_bCancellable;
    int m_nDone = 0;
    int m_nAdded = 0;
    bool m_bCancelled = false;
    qint64 m_nLastUpdateMs = 0;
    QElapsedTimer m_timer;
    std::unique_ptr<QProgressDialog> m_pDialog;
};
