#pragma once

#include "gui/frame/PropertyViewPage.h"
#include "model/Project.h"
#include "model/UserListNode.h"

#include <QList>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Password page: single password mode (one password for every visitor)
// or multiple user mode (a list of user names and passwords). Between
// loading and saving, the list control is the working copy of the
// project's user list; user names in it are unique (case-sensitive).
class CPagePassword final : public CPropertyViewPage
{
    Q_OBJECT
    Q_DISABLE_COPY(CPagePassword)

public:
    static constexpr int kPasswordMaxLength = 200;

    explicit CPagePassword(IFrameServices* frame, QWidget* parent = nullptr);

    void LoadFromProject(const CProject& data) override;
    void SaveToProject(CProject& data) override;
    bool ValidateForProtect() override;

    // The page's commands, from its buttons, its context menu and the frame.
    void OnRandomPassword();
    void OnAddUser();
    void OnEditUser();
    void OnDeleteUser();
    void OnDeleteAll();
    // Brings back the users as they were before the last deletion.
    void OnUndo();
    void OnImport();
    void OnExport();

    // The list rows as users, top to bottom.
    QList<CUserListNode> Users() const;
    int PasswordMode() const { return m_nPasswordMode; }
    QString Password() const { return m_strPassword; }

    // The "UsersListPop" context menu; "Edit User" and "Delete" are greyed
    // when the click was not on a row.
    std::unique_ptr<QMenu> CreateListMenu(bool onRow);

protected:
    void PushToControls() override;
    bool PullFromControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnModeClicked(int mode);
    void ApplyEnablingRule(int mode);
    void OnListContextMenu(const QPoint& pos);
    // Appends rows for users[from...]; a long batch repaints once after the
    // first rows so the user sees the list filling.
    void AppendRows(const QList<CUserListNode>& users, qsizetype from = 0);
    // The first row whose user name is exactly `name`, or null.
    QTreeWidgetItem* FindUser(const QString& name) const;
    void FitColumns();
    void RememberForUndo();
    // Runs the Add/Edit User dialog; false when cancelled.
    bool RunUserDialog(const QString& title, CUserListNode& user);

    int m_nPasswordMode = CProject::kSinglePassword;
    QString m_strPassword;

    QRadioButton* m_pSingleRadio;
    QRadioButton* m_pMultipleRadio;
    QLabel* m_pPasswordLabel;
    QLineEdit* m_pPasswordEdit;
    QPushButton* m_pRandomButton;
    QLabel* m_pStrengthLabel;
    QTreeWidget* m_pList;
    QList<QPushButton*> m_listButtons;
    // The user list before each of the last twenty deletions.
    QList<QList<CUserListNode>> m_listUndo;
};
