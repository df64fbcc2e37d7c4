#pragma once

#include "gui/frame/DesktopApplications.h"

#include <QDialog>
#include <QList>

class QListWidget;

// Lets the user choose the program that opens a file: the applications the
// desktop has registered for the file's type, and "Other program..." for
// any executable. The chosen program is started when the dialog is
// accepted.
class COpenWithDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(COpenWithDialog)

public:
    explicit COpenWithDialog(const QString& path, QWidget* parent = nullptr);

    QListWidget* ApplicationList() const { return m_pList; }
    // The row of "Other program...", always the last one.
    int OtherProgramRow() const;
    // Starts the selected program on the file; false when nothing was
    // started (no row, "Other program..." cancelled, a failed start).
    bool LaunchSelected();

    void accept() override;

private:
    QString m_strPath;
    QList<CDesktopApplications::Entry> m_entries;
    QListWidget* m_pList = nullptr;
};
