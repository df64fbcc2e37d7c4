#pragma once

#include "files/FilesList.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/frame/ShellOperations.h"
#include "gui/pages/files/FileRowItem.h"
#include "gui/pages/files/FileTypes.h"
#include "gui/widgets/AppIcons.h"

#include <QStringList>
#include <memory>

class CAddProgress;
class CRestoreSession;
class QProgressDialog;
class CAppPreferences;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

// The Files page: the list of web files a protect run rewrites, the ways
// to fill it (pick files, scan a folder, import a list file), Delete,
// Export, the backup choice and Restore of the backups. While the page
// lives, its list is the working copy of the project's files list; each
// row's "Path" is its identity.
class CPageFiles final : public CPropertyViewPage
{
    Q_OBJECT

public:
    // The Add Folder command reads and keeps its choices in `preferences`.
    CPageFiles(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent = nullptr);
    ~CPageFiles() override;

    void LoadFromProject(const CProject& data) override;
    void SaveToProject(CProject& data) override;
    // True when the list has at least one row; otherwise says so.
    bool ValidateForProtect() override;

    // Appends one row; false when the path is empty or already listed.
    // Neither repaints nor marks the project modified: callers do.
    bool AddFileToList(const QString& path);
    // Adds the web files of a folder (with its subfolders when asked),
    // with progress; marks the project modified when a row was added.
    // Returns the number of rows added.
    int AddFolder(const QString& folder, bool recursive);

    // The page's commands, from its buttons and its context menu.
    void OnAddFiles();
    void OnAddFolder();
    void OnDelete();
    void OnDeleteAll();
    void OnImport();
    void OnExport();
    // Starts putting the backups back beside the window; restoreFinished
    // tells the end, after the message with the count.
    void OnRestore();
    bool IsRestoring() const { return m_pRestore != nullptr; }
    // A project that writes its site to another folder never changes its
    // pages: no backups to make or put back.
    void SetOutputElsewhere(bool elsewhere);
    // Takes every row's size afresh (after a protect or a restore changed
    // the files).
    void RefreshSizes();
    void OnShell(CShellOperations::Operation operation);

    // The context menu "FilesListPop" as a right click shows it: on empty
    // space Delete and the Shell entries are greyed.
    std::unique_ptr<QMenu> CreateContextMenu(bool onRow);

    QTreeWidget* List() const { return m_pList; }
    QCheckBox* BackupCheck() const { return m_pBackup; }
    const QStringList& Paths() const { return m_files.Paths(); }

    // The Add Files dialog's filter: the web file extensions, then HTML,
    // PHP, ASP and all files.
    static QString AddFilesFilter();

    static constexpr HelpTopic kHelpTopic = HelpTopic::Files;

    QSize sizeHint() const override;

signals:
    // The list gained or lost rows (once per command, not per row).
    void PathsChanged();

protected:
    void PushToControls() override;
    bool PullFromControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void restoreFinished();

private:
    void OnRestoreFinished();
    QPushButton* AddButton(const QString& text, const QString& objectName, CAppIcons::Role icon,
                           void (CPageFiles::*command)());
    // Adds every path through AddFileToList with progress; returns the
    // number of rows added.
    int AddPaths(const QStringList& paths, const QString& label, bool cancellable);
    void RemoveRows(const QList<int>& rows);
    // The list as it is, kept so that Ctrl+Z can bring it back (the last
    // twenty deletions).
    void RememberForUndo();
    void OnUndo();
    void RemoveListRows(const QList<int>& rows);
    void ClearRows();
    void ApplyColumnWidths();
    void ShowContextMenu(const QPoint& position);

    CAppPreferences& m_preferences;
    bool m_bBackup = true;
    CFilesList m_files;
    QList<QStringList> m_listUndo;

    QTreeWidget* m_pList = nullptr;
    QCheckBox* m_pBackup = nullptr;
    QLabel* m_pCount = nullptr;

    CFileTypes m_types;
    std::unique_ptr<CRestoreSession> m_pRestore;
    std::unique_ptr<QProgressDialog> m_pRestoreProgress;
    QStringList m_notRestored;
    bool m_bOutputElsewhere = false;
    QPushButton* m_pRestoreButton = nullptr;
    // The tooltips of Restore and of the backup check box while the site
    // is written in place.
    QString m_strRestoreTip;
    QString m_strBackupTip;
};
