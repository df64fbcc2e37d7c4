#pragma once

#include "gui/frame/PropertyViewPage.h"

#include <QString>
#include <QStringList>
#include <memory>

class CAppPreferences;
class CTemplatePreview;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Template page: chooses the login-page template a protect run uses,
// previews it and manages the store (Create, Delete, Refresh, Edit, Browser).
//
// The chosen template path is normally the "File Path" of the selected row,
// but a path loaded from a project that names no listed file, or one kept
// while the list was rebuilt for the other mode, stays chosen with no row
// selected. Only the selection handler, LoadFromProject and the first-row
// rule change it.
class CPageTemplate final : public CPropertyViewPage
{
    Q_OBJECT
    Q_DISABLE_COPY(CPageTemplate)

public:
    enum Column
    {
        NameColumn = 0,
        PathColumn = 1
    };

    // The templates are listed from the data folder of `preferences`.
    CPageTemplate(IFrameServices* frame, const CAppPreferences& preferences, QWidget* parent = nullptr);

    void LoadFromProject(const CProject& data) override;
    void SaveToProject(CProject& data) override;
    // False, after saying so, while no template is chosen.
    bool ValidateForProtect() override;

    // The Password page picked a mode: list that mode's templates and choose
    // the first; the same mode changes nothing.
    void OnPasswordModeChanged(int mode);

    // Empties the list and lists the mode's templates (the shipped folder,
    // then the user's own); keeps the chosen path and selects nothing.
    void RebuildTemplateList(int mode);
    // Shows the file in the preview (an empty path shows a blank page) while
    // the preview is on; true when it navigated to a file.
    bool ShowPreview(const QString& path);

    // The page's commands; the buttons, the context menu and the main frame
    // (which routes menu commands to the page) all call these.
    void OnCreate();
    void OnDelete();
    void OnEdit();
    void OnBrowser();
    void OnRefresh();
    void OnShellOpen();

    // The "TemplatesListPop" menu as shown for a right click on a row
    // (onRow) or on empty space, where the row entries are disabled.
    std::unique_ptr<QMenu> CreateContextMenu(bool onRow);

    QString ChosenTemplatePath() const { return m_strTemplatePath; }
    int PasswordMode() const { return m_nPasswordMode; }
    QTreeWidget* TemplateList() const { return m_pList; }
    CTemplatePreview* Preview() const { return m_pPreview; }

protected:
    void PushToControls() override;
    bool PullFromControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSelectionChanged();
    // Edit and Delete follow whether the selected template can be changed.
    void UpdateFileButtons();
    void OnPreviewClicked();
    void OnContextMenuRequested(const QPoint& pos);
    void ApplyFirstRowRule();
    QTreeWidgetItem* AppendRow(const QString& name, const QString& path);
    void SelectRow(QTreeWidgetItem* item);
    QTreeWidgetItem* SelectedRow() const;
    QStringList ListedNames() const;
    void ResizeColumns();
    QString DataFolder() const;

    const CAppPreferences& m_preferences;
    // The mode whose templates are listed.
    int m_nPasswordMode = 0;
    // The template a protect run will use.
    QString m_strTemplatePath;
    // Exchanged with the Preview check box.
    bool m_bPreview = true;
    // Set while the page itself empties or fills the list: those changes are
    // not selection changes and leave the chosen path alone.
    bool m_bListing = false;

    QLabel* m_pDescription = nullptr;
    QPushButton* m_pCreate = nullptr;
    QPushButton* m_pEdit = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pBrowser = nullptr;
    QCheckBox* m_pPreviewCheck = nullptr;
    QTreeWidget* m_pList = nullptr;
    CTemplatePreview* m_pPreview = nullptr;
};
