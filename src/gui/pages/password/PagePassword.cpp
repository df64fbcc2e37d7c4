#include "gui/pages/password/PagePassword.h"

#include "common/RandomString.h"
#include "engine/ProtectJob.h"
#include "gui/frame/FrameServices.h"
#include "gui/pages/password/AddUserDlg.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/CurrentRowSelector.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/GridLineDelegate.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "users/PasswordStrength.h"
#include "users/UserListFile.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum Column
{
    UserNameColumn,
    PasswordColumn,
    FullNameColumn,
    EmailColumn,
    DescriptionColumn,
    ColumnCount
};

// Initial widths; on resizing they keep these proportions of the list's width.
constexpr int kColumnWidths[ColumnCount] = {120, 120, 120, 150, 210};
constexpr int kColumnWidthTotal = 720;

const QString& CsvFilter()
{
    static const QString filter = CPagePassword::tr("CSV Files (*.csv)");
    return filter;
}

QStringList RowTexts(const CUserListNode& user)
{
    return {user.m_strUserName, user.m_strPassword, user.m_strFullName, user.m_strEmail,
            user.m_strDescription};
}

CUserListNode RowUser(const QTreeWidgetItem* item)
{
    CUserListNode user;
    user.m_strUserName = item->text(UserNameColumn);
    user.m_strPassword = item->text(PasswordColumn);
    user.m_strFullName = item->text(FullNameColumn);
    user.m_strEmail = item->text(EmailColumn);
    user.m_strDescription = item->text(DescriptionColumn);
    return user;
}

void SetRowUser(QTreeWidgetItem* item, const CUserListNode& user)
{
    const QStringList texts = RowTexts(user);
    for (int column = 0; column < ColumnCount; ++column) {
        item->setText(column, texts.at(column));
    }
}

} // namespace

CPagePassword::CPagePassword(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, tr("Password"), parent),
      m_pSingleRadio(new QRadioButton(tr("&Single password mode"), this)),
      m_pMultipleRadio(new QRadioButton(tr("&Multiple user name and password mode"), this)),
      m_pPasswordLabel(new QLabel(tr("&Password:"), this)), m_pPasswordEdit(new QLineEdit(this)),
      m_pRandomButton(new QPushButton(CAppIcons::Icon(CAppIcons::Role::RandomPassword), QString(), this)),
      m_pStrengthLabel(new QLabel(this)), m_pList(new QTreeWidget(this))
{
    auto* intro = new QLabel(tr("Using single password or multiple user name and password to protect the "
                                "files, visitors need to login before enter the protected files."),
                             this);
    intro->setWordWrap(true);

    m_pSingleRadio->setObjectName(QStringLiteral("singleModeRadio"));
    m_pMultipleRadio->setObjectName(QStringLiteral("multipleModeRadio"));
    m_pPasswordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_pPasswordEdit->setMaxLength(kPasswordMaxLength);
    m_pPasswordEdit->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    m_pPasswordLabel->setBuddy(m_pPasswordEdit);
    m_pRandomButton->setObjectName(QStringLiteral("randomPasswordButton"));
    m_pRandomButton->setToolTip(tr("Generate a random password"));
    m_pStrengthLabel->setObjectName(QStringLiteral("passwordStrengthLabel"));
    m_pStrengthLabel->setWordWrap(true);

    m_pList->setObjectName(QStringLiteral("userList"));
    // Delete on the list does what the Delete button does, question included.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_pList);
    deleteKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CPagePassword::OnDeleteUser);
    CCurrentRowSelector::Install(m_pList);
    // Ctrl+Z brings back the users Delete or Delete All removed.
    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoKey, &QShortcut::activated, this, &CPagePassword::OnUndo);
    m_pList->setColumnCount(ColumnCount);
    m_pList->setHeaderLabels(
        {tr("User Name"), tr("Password"), tr("Full Name"), tr("Email"), tr("Description")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSortingEnabled(false);
    m_pList->setItemDelegate(new CGridLineDelegate(m_pList));
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionsMovable(false);
    for (int column = 0; column < ColumnCount; ++column) {
        m_pList->setColumnWidth(column, kColumnWidths[column]);
    }
    // The selection stays visible while the focus is elsewhere.
    QPalette listPalette = m_pList->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    }
    m_pList->setPalette(listPalette);
    m_pList->viewport()->installEventFilter(this);

    struct ButtonSpec
    {
        const char* text;
        const char* objectName;
        QIcon icon;
        void (CPagePassword::*command)();
    };
    const ButtonSpec buttonSpecs[] = {
        {QT_TR_NOOP("&Add User"), "addUserButton", CAppIcons::Icon(CAppIcons::Role::AddUser),
         &CPagePassword::OnAddUser},
        {QT_TR_NOOP("&Edit User"), "editUserButton", CAppIcons::Icon(CAppIcons::Role::EditUser),
         &CPagePassword::OnEditUser},
        {QT_TR_NOOP("&Delete"), "deleteButton", CAppIcons::Icon(CAppIcons::Role::Remove),
         &CPagePassword::OnDeleteUser},
        {QT_TR_NOOP("De&lete All"), "deleteAllButton", CAppIcons::Icon(CAppIcons::Role::RemoveAll),
         &CPagePassword::OnDeleteAll},
        {QT_TR_NOOP("&Import"), "importButton", CAppIcons::Icon(CAppIcons::Role::Import),
         &CPagePassword::OnImport},
        {QT_TR_NOOP("E&xport"), "exportButton", CAppIcons::Icon(CAppIcons::Role::Export),
         &CPagePassword::OnExport},
    };
    auto* buttonRow = new QHBoxLayout;
    for (const ButtonSpec& spec : buttonSpecs) {
        auto* button = new QPushButton(spec.icon, tr(spec.text), this);
        button->setObjectName(QLatin1String(spec.objectName));
        connect(button, &QPushButton::clicked, this, spec.command);
        buttonRow->addWidget(button);
        m_listButtons.append(button);
    }
    buttonRow->addStretch(1);

    // The password row and the list sit under their radio buttons.
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->setContentsMargins(indent, 0, 0, 0);
    passwordRow->addWidget(m_pPasswordLabel);
    passwordRow->addWidget(m_pPasswordEdit);
    passwordRow->addWidget(m_pRandomButton);
    passwordRow->addStretch(1);
    auto* strengthRow = new QHBoxLayout;
    strengthRow->setContentsMargins(indent, 0, 0, 0);
    strengthRow->addWidget(m_pStrengthLabel);

    auto* usersBox = new QVBoxLayout;
    usersBox->setContentsMargins(indent, 0, 0, 0);
    usersBox->addWidget(m_pList, 1);
    usersBox->addSpacing(2);
    usersBox->addLayout(buttonRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(6);
    layout->addWidget(m_pSingleRadio);
    layout->addLayout(passwordRow);
    layout->addLayout(strengthRow);
    layout->addSpacing(6);
    layout->addWidget(m_pMultipleRadio);
    layout->addLayout(usersBox, 1);

    connect(m_pSingleRadio, &QRadioButton::clicked, this,
            [this] { OnModeClicked(CProject::kSinglePassword); });
    connect(m_pMultipleRadio, &QRadioButton::clicked, this,
            [this] { OnModeClicked(CProject::kMultipleUsers); });
    connect(m_pPasswordEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pPasswordEdit, &QLineEdit::textChanged, m_pStrengthLabel,
            [this](const QString& text) { m_pStrengthLabel->setText(PasswordStrength::Hint(text)); });
    connect(m_pRandomButton, &QPushButton::clicked, this, &CPagePassword::OnRandomPassword);
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, &CPagePassword::OnListContextMenu);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditUser(); });

    SetToolTips({
        {"singleModeRadio", tr("Every visitor opens the pages with the one password below.")},
        {"multipleModeRadio", tr("Each visitor logs in with a user name and password of the list below.")},
        {"passwordEdit", tr("The password visitors type on the login page.")},
        {"randomPasswordButton", tr("Puts a new random password in the box.")},
        {"userList", tr("The visitors who may log in; double-click one to edit it.")},
        {"addUserButton", tr("Adds a visitor with a user name and password.")},
        {"editUserButton", tr("Changes the selected visitor's user name, password or details.")},
        {"deleteButton", tr("Removes the selected visitors; they can no longer log in once the pages are "
                            "protected again.")},
        {"deleteAllButton", tr("Removes every visitor from the list.")},
        {"importButton", tr("Adds the visitors of a CSV file (user name, password, ...).")},
        {"exportButton", tr("Writes the visitors to a CSV file, passwords included.")},
    });

    PushToControls();
}

void CPagePassword::PushToControls()
{
    m_pSingleRadio->setChecked(m_nPasswordMode == CProject::kSinglePassword);
    m_pMultipleRadio->setChecked(m_nPasswordMode == CProject::kMultipleUsers);
    m_pPasswordEdit->setText(m_strPassword);
    ApplyEnablingRule(m_nPasswordMode);
}

bool CPagePassword::PullFromControls()
{
    m_nPasswordMode = m_pMultipleRadio->isChecked() ? CProject::kMultipleUsers : CProject::kSinglePassword;
    m_strPassword = m_pPasswordEdit->text();
    return true;
}

void CPagePassword::ApplyEnablingRule(int mode)
{
    const bool single = mode == CProject::kSinglePassword;
    m_pPasswordLabel->setEnabled(single);
    m_pPasswordEdit->setEnabled(single);
    m_pRandomButton->setEnabled(single);
    m_pStrengthLabel->setEnabled(single);
    m_pList->setEnabled(!single);
    for (QPushButton* button : std::as_const(m_listButtons)) {
        button->setEnabled(!single);
    }
}

void CPagePassword::OnModeClicked(int mode)
{
    // The mode member follows the radio buttons only when the controls are
    // next pulled; the Template page learns of the choice at once.
    ApplyEnablingRule(mode);
    if (Frame()) {
        Frame()->NotifyPasswordMode(mode);
    }
    SetProjectModified();
}

void CPagePassword::LoadFromProject(const CProject& data)
{
    m_nPasswordMode = data.m_nPasswordMode;
    m_strPassword = data.m_strPassword;
    PushToControls();

    // A record holding a name twice loads its first user only.
    m_pList->clear();
    m_listUndo.clear();
    QList<CUserListNode> users;
    users.reserve(data.m_listUsers.size());
    QSet<QString> names;
    names.reserve(data.m_listUsers.size());
    for (const CUserListNode& user : data.m_listUsers) {
        if (!names.contains(user.m_strUserName)) {
            names.insert(user.m_strUserName);
            users.append(user);
        }
    }
    AppendRows(users);
    ApplyEnablingRule(m_nPasswordMode);
}

void CPagePassword::SaveToProject(CProject& data)
{
    PullFromControls();
    data.m_nPasswordMode = m_nPasswordMode;
    data.m_strPassword = m_strPassword;
    data.m_listUsers = Users();
}

bool CPagePassword::ValidateForProtect()
{
    PullFromControls();
    const QString problem = CProtectJob::CheckPassword(m_nPasswordMode, m_strPassword, Users(), true);
    if (!problem.isEmpty()) {
        CMessageBox::Warning(this, problem);
        return false;
    }
    return true;
}

QList<CUserListNode> CPagePassword::Users() const
{
    QList<CUserListNode> users;
    const int count = m_pList->topLevelItemCount();
    users.reserve(count);
    for (int row = 0; row < count; ++row) {
        users.append(RowUser(m_pList->topLevelItem(row)));
    }
    return users;
}

void CPagePassword::AppendRows(const QList<CUserListNode>& users, qsizetype from)
{
    // The first screenful is shown before a long batch goes on.
    constexpr qsizetype kFirstBatch = 51;
    qsizetype next = from;
    const auto appendUpTo = [&](qsizetype end) {
        QList<QTreeWidgetItem*> items;
        items.reserve(end - next);
        for (; next < end; ++next) {
            items.append(new QTreeWidgetItem(RowTexts(users.at(next))));
        }
        m_pList->addTopLevelItems(items);
    };
    if (users.size() - from > kFirstBatch) {
        appendUpTo(from + kFirstBatch);
        m_pList->viewport()->repaint();
    }
    appendUpTo(users.size());
}

QTreeWidgetItem* CPagePassword::FindUser(const QString& name) const
{
    const int count = m_pList->topLevelItemCount();
    for (int row = 0; row < count; ++row) {
        QTreeWidgetItem* item = m_pList->topLevelItem(row);
        if (item->text(UserNameColumn) == name) {
            return item;
        }
    }
    return nullptr;
}

bool CPagePassword::RunUserDialog(const QString& title, CUserListNode& user)
{
    CAddUserDlg dialog(Frame(), this);
    dialog.SetTitle(title);
    dialog.SetUser(user);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    user = dialog.User();
    return true;
}

void CPagePassword::OnRandomPassword()
{
    m_pPasswordEdit->setText(RandomString(8));
    SetProjectModified();
}

void CPagePassword::OnAddUser()
{
    CUserListNode user;
    if (!RunUserDialog(tr("Add User"), user)) {
        return;
    }
    if (FindUser(user.m_strUserName)) {
        CMessageBox::Warning(
            this, tr("Add user failure! The user \"%1\" already existed.").arg(user.m_strUserName));
        return;
    }
    AppendRows({user});
    m_pList->scrollToItem(m_pList->topLevelItem(m_pList->topLevelItemCount() - 1));
    SetProjectModified();
}

void CPagePassword::OnEditUser()
{
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.size() >= 2) {
        CMessageBox::Warning(this, tr("Please select only one item to edit!"));
        return;
    }
    if (selected.isEmpty()) {
        CMessageBox::Warning(this, tr("No item is selected!"));
        return;
    }
    QTreeWidgetItem* item = selected.first();
    CUserListNode user = RowUser(item);
    const QString oldName = user.m_strUserName;
    if (!RunUserDialog(tr("Edit User"), user)) {
        return;
    }
    // Keeping the name never conflicts; a new name (a change of letter case
    // included) must not be another row's.
    if (user.m_strUserName != oldName && FindUser(user.m_strUserName)) {
        CMessageBox::Warning(
            this, tr("Change user name failure! The user \"%1\" already existed.").arg(user.m_strUserName));
        return;
    }
    SetRowUser(item, user);
    SetProjectModified();
}

void CPagePassword::OnDeleteUser()
{
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) {
        CMessageBox::Warning(this, tr("No item is selected!"));
        return;
    }
    // A few rows go one by one, from the last to the first, which keeps the
    // list's scroll position; a large selection is removed in one pass, as
    // removing rows one at a time costs the whole list each time.
    constexpr qsizetype kOneByOneLimit = 256;
    RememberForUndo();
    if (selected.size() == m_pList->topLevelItemCount()) {
        m_pList->clear();
    } else if (selected.size() <= kOneByOneLimit) {
        QList<int> rows;
        rows.reserve(selected.size());
        for (QTreeWidgetItem* item : selected) {
            rows.append(m_pList->indexOfTopLevelItem(item));
        }
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (const int row : std::as_const(rows)) {
            delete m_pList->takeTopLevelItem(row);
        }
    } else {
        const QSet<QTreeWidgetItem*> doomed(selected.cbegin(), selected.cend());
        QList<QTreeWidgetItem*> kept;
        for (QTreeWidgetItem* item : m_pList->invisibleRootItem()->takeChildren()) {
            if (doomed.contains(item)) {
                delete item;
            } else {
                kept.append(item);
            }
        }
        m_pList->addTopLevelItems(kept);
    }
    SetProjectModified();
}

void CPagePassword::OnDeleteAll()
{
    if (m_pList->topLevelItemCount() == 0) {
        return;
    }
    if (CMessageBox::Question(this, tr("Are you sure to delete all items?")) != QMessageBox::Yes) {
        return;
    }
    RememberForUndo();
    m_pList->clear();
    SetProjectModified();
}

void CPagePassword::RememberForUndo()
{
    constexpr qsizetype kUndoDepth = 20;
    if (m_listUndo.size() == kUndoDepth) {
        m_listUndo.removeFirst();
    }
    m_listUndo.append(Users());
}

void CPagePassword::OnUndo()
{
    if (m_listUndo.isEmpty()) {
        return;
    }
    const QList<CUserListNode> users = m_listUndo.takeLast();
    m_pList->clear();
    AppendRows(users);
    SetProjectModified();
}

void CPagePassword::OnImport()
{
    const QString path = CFileDialog::GetOpenFileName(this, QString(), CsvFilter());
    if (path.isEmpty()) {
        return;
    }
    QList<CUserListNode> users = Users();
    const qsizetype before = users.size();
    QString error;
    const int added = CUserListFile::ImportUsers(path, users, &error);
    if (added < 0) {
        CMessageBox::Warning(this, error);
        return;
    }
    if (added > 0) {
        AppendRows(users, before);
        SetProjectModified();
    }
}

void CPagePassword::OnExport()
{
    const QString path =
        CFileDialog::GetSaveFileName(this, QString(), CsvFilter(), QString(), QStringLiteral("csv"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!CUserListFile::ExportUsers(path, Users(), &error)) {
        CMessageBox::Warning(this, error);
    }
}

std::unique_ptr<QMenu> CPagePassword::CreateListMenu(bool onRow)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("UsersListPop"));
    struct Entry
    {
        const char* text;
        const char* prompt;
        void (CPagePassword::*command)();
        bool needsRow;
    };
    const Entry entries[] = {
        {QT_TR_NOOP("&Add User..."), QT_TR_NOOP("Add an user to list"), &CPagePassword::OnAddUser, false},
        {QT_TR_NOOP("&Edit User..."), QT_TR_NOOP("Edit selected user in list"), &CPagePassword::OnEditUser,
         true},
        {nullptr, nullptr, nullptr, false},
        {QT_TR_NOOP("&Delete"), QT_TR_NOOP("Delete selected users in list"), &CPagePassword::OnDeleteUser,
         true},
        {QT_TR_NOOP("De&lete All..."), QT_TR_NOOP("Delete all users in list"), &CPagePassword::OnDeleteAll,
         false},
        {nullptr, nullptr, nullptr, false},
        {QT_TR_NOOP("&Import..."), QT_TR_NOOP("Import users list from file"), &CPagePassword::OnImport,
         false},
        {QT_TR_NOOP("E&xport..."), QT_TR_NOOP("Export users list to file"), &CPagePassword::OnExport, false},
    };
    for (const Entry& entry : entries) {
        if (!entry.text) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(tr(entry.text));
        action->setEnabled(onRow || !entry.needsRow);
        const QString prompt = tr(entry.prompt);
        connect(action, &QAction::hovered, this, [this, prompt] { ShowStatusPrompt(prompt); });
        connect(action, &QAction::triggered, this, entry.command);
    }
    ClearPromptOnHide(menu.get());
    return menu;
}

void CPagePassword::OnListContextMenu(const QPoint& pos)
{
    const std::unique_ptr<QMenu> menu = CreateListMenu(m_pList->itemAt(pos) != nullptr);
    menu->exec(m_pList->viewport()->mapToGlobal(pos));
}

void CPagePassword::FitColumns()
{
    // Proportional to the visible width, so a vertical scroll bar never
    // pushes the last column out of sight.
    const int width = m_pList->viewport()->width();
    if (width <= 0) {
        return;
    }
    for (int column = 0; column < ColumnCount; ++column) {
        int columnWidth = width * kColumnWidths[column] / kColumnWidthTotal;
        if (column == DescriptionColumn) {
            columnWidth -= 10;
        }
        m_pList->setColumnWidth(column, columnWidth);
    }
}

bool CPagePassword::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList->viewport() && event->type() == QEvent::Resize) {
        FitColumns();
    }
    return CPropertyViewPage::eventFilter(watched, event);
}
