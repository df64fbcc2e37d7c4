#pragma once

#include "gui/frame/HelpDialog.h"

#include <QString>

class CAppPreferences;
class IFrameServices;
class QCheckBox;
class QComboBox;

// The Add Folder dialog: a folder typed or picked (with the folders used
// before in the drop-down, most recent first) and whether to take in the
// subfolders too. The caller sets the three members before running the
// dialog and reads them after OK. The browse button starts in the folder
// last picked, which the preferences keep.
class CAddFolderDlg final : public CHelpDialog
{
    Q_OBJECT

public:
    CAddFolderDlg(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent = nullptr);

    // Full path of the history file; empty means no history.
    QString m_strHistoryFile;
    QString m_strFolder;
    bool m_bRecursive = true;

    // The drop-down from the history file (a missing file is an empty
    // history; an unreadable one says so and leaves it empty).
    void LoadFolderHistory();
    // The first entries of the drop-down back into the history file.
    bool SaveFolderHistory();

    // The picker for the browse button: the chosen folder with one
    // trailing "/", or an empty string on Cancel.
    static QString BrowseForFolder(QWidget* owner, const QString& initialFolder, const QString& title);

    QComboBox* FolderCombo() const { return m_pFolder; }
    QCheckBox* RecursiveCheck() const { return m_pRecursive; }

    void OnBrowse();
    void accept() override;

    // The help page of this dialog.
    static constexpr HelpTopic kHelpTopic = HelpTopic::AddFolder;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PushToControls();
    void PullFromControls();

    CAppPreferences& m_preferences;
    QComboBox* m_pFolder = nullptr;
    QCheckBox* m_pRecursive = nullptr;
    bool m_bInitialised = false;
};
