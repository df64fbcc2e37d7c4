#include "gui/pages/template/PageTemplate.h"

#include "engine/ProtectJob.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/FrameServices.h"
#include "gui/frame/ShellOperations.h"
#include "gui/pages/template/CreateTemplateDlg.h"
#include "gui/pages/template/TemplatePreview.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/GridLineDelegate.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "templates/TemplateStore.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr HelpTopic kHelpTopic = HelpTopic::Template;
// The columns' starting widths; on resizing they keep this proportion.
constexpr int kNameWidth = 140;
constexpr int kPathWidth = 600;

QString NoItemSelected()
{
    return CPageTemplate::tr("No item is selected!");
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QString& name, CAppIcons::Role icon)
{
    auto* button = new QPushButton(CAppIcons::Icon(icon), text, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

CPageTemplate::CPageTemplate(IFrameServices* frame, const CAppPreferences& preferences, QWidget* parent)
    : CPropertyViewPage(frame, tr("Template"), parent), m_preferences(preferences)
{
    // F1 inside the page opens the page's own help topic, ahead of the
    // frame's shortcut for the contents.
    SetHelpTopic(kHelpTopic);
    m_pDescription = new QLabel(
        tr("Select a template to customize the login page, or create your own template here."), this);
    m_pDescription->setWordWrap(true);

    m_pCreate =
        MakeButton(this, tr("&Create"), QStringLiteral("createButton"), CAppIcons::Role::CreateTemplate);
    m_pEdit = MakeButton(this, tr("&Edit"), QStringLiteral("editButton"), CAppIcons::Role::Edit);
    m_pDelete = MakeButton(this, tr("&Delete"), QStringLiteral("deleteButton"), CAppIcons::Role::Delete);
    m_pBrowser = MakeButton(this, tr("&Browser"), QStringLiteral("browserButton"), CAppIcons::Role::Browser);
    m_pPreviewCheck = new QCheckBox(tr("&Preview"), this);
    m_pPreviewCheck->setObjectName(QStringLiteral("previewCheck"));

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("templateList"));
    // Delete on the list does what the Delete button does, question included.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_pList);
    deleteKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CPageTemplate::OnDelete);
    m_pList->setHeaderLabels({tr("Name"), tr("File Path")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setItemsExpandable(false);
    m_pList->setSortingEnabled(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setTextElideMode(Qt::ElideMiddle);
    m_pList->setItemDelegate(new CGridLineDelegate(m_pList));
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionsMovable(false);
    m_pList->header()->resizeSection(NameColumn, kNameWidth);
    m_pList->header()->resizeSection(PathColumn, kPathWidth);
    // Room for the header and about five rows; the preview takes the rest.
    m_pList->setFixedHeight(fontMetrics().height() * 9);
    m_pList->installEventFilter(this);

    m_pPreview = new CTemplatePreview(this);
    m_pPreview->setObjectName(QStringLiteral("templatePreview"));
    m_pPreview->setMinimumHeight(fontMetrics().height() * 12);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pCreate);
    buttons->addWidget(m_pEdit);
    buttons->addWidget(m_pDelete);
    buttons->addWidget(m_pBrowser);
    buttons->addStretch(1);
    buttons->addWidget(m_pPreviewCheck);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pDescription);
    layout->addLayout(buttons);
    layout->addWidget(m_pList);
    layout->addWidget(m_pPreview, 1);

    connect(m_pCreate, &QPushButton::clicked, this, &CPageTemplate::OnCreate);
    connect(m_pEdit, &QPushButton::clicked, this, &CPageTemplate::OnEdit);
    connect(m_pDelete, &QPushButton::clicked, this, &CPageTemplate::OnDelete);
    connect(m_pBrowser, &QPushButton::clicked, this, &CPageTemplate::OnBrowser);
    connect(m_pPreviewCheck, &QCheckBox::clicked, this, &CPageTemplate::OnPreviewClicked);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CPageTemplate::OnSelectionChanged);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CPageTemplate::UpdateFileButtons);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, &CPageTemplate::OnShellOpen);
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, &CPageTemplate::OnContextMenuRequested);

    SetToolTips({
        {"templateList",
         tr("The login pages to choose from; the one selected is what visitors see before the "
            "password.")},
        {"createButton", tr("Makes a new login page from a copy of the selected one.")},
        {"editButton", tr("Opens your own login page in an editor.")},
        {"deleteButton", tr("Deletes your own login page.")},
        {"browserButton", tr("Opens the selected login page in your web browser.")},
        {"previewCheck", tr("Shows the selected login page below the list.")},
    });
    PushToControls();
    m_pPreview->ShowBlank();
}

void CPageTemplate::PushToControls()
{
    m_pPreviewCheck->setChecked(m_bPreview);
}

bool CPageTemplate::PullFromControls()
{
    m_bPreview = m_pPreviewCheck->isChecked();
    return true;
}

void CPageTemplate::LoadFromProject(const CProject& data)
{
    m_nPasswordMode = data.m_nPasswordMode;
    m_strTemplatePath = data.m_strTemplatePath;
    m_bPreview = data.m_bPreview;
    PushToControls();

    RebuildTemplateList(m_nPasswordMode);
    if (m_strTemplatePath.isEmpty()) {
        ApplyFirstRowRule();
    } else {
        QTreeWidgetItem* match = nullptr;
        for (int i = 0; i < m_pList->topLevelItemCount() && !match; ++i) {
            if (m_pList->topLevelItem(i)->text(PathColumn) == m_strTemplatePath) {
                match = m_pList->topLevelItem(i);
            }
        }
        if (match) {
            // The selection handler previews it.
            SelectRow(match);
        } else {
            // Not listed (deleted, or of the other mode's folder): it stays
            // chosen without a row, and the preview still shows it.
            ShowPreview(m_strTemplatePath);
        }
    }
    // Loading is no user change, whatever the selection handler marked.
    if (Frame()) {
        Frame()->SetProjectModified(false);
    }
}

void CPageTemplate::SaveToProject(CProject& data)
{
    PullFromControls();
    data.m_strTemplatePath = m_strTemplatePath;
    data.m_bPreview = m_bPreview;
}

bool CPageTemplate::ValidateForProtect()
{
    const QString problem = CProtectJob::CheckTemplate(m_strTemplatePath);
    if (!problem.isEmpty()) {
        CMessageBox::Warning(this, problem);
        return false;
    }
    return true;
}

void CPageTemplate::OnPasswordModeChanged(int mode)
{
    if (mode == m_nPasswordMode) {
        return;
    }
    m_nPasswordMode = mode;
    RebuildTemplateList(mode);
    ApplyFirstRowRule();
}

void CPageTemplate::RebuildTemplateList(int mode)
{
    if (mode < 0) {
        return;
    }
    m_bListing = true;
    m_pList->clear();
    m_bListing = false;
    ShowPreview(QString());
    for (const CTemplateStore::Entry& entry : CTemplateStore::List(mode, DataFolder())) {
        AppendRow(entry.name, entry.path);
    }
}

bool CPageTemplate::ShowPreview(const QString& path)
{
    PullFromControls();
    if (!m_bPreview) {
        return false;
    }
    if (path.isEmpty()) {
        m_pPreview->ShowBlank();
        return false;
    }
    m_pPreview->Navigate(path);
    return true;
}

void CPageTemplate::ApplyFirstRowRule()
{
    QTreeWidgetItem* first = m_pList->topLevelItem(0);
    if (!first) {
        return;
    }
    m_strTemplatePath = first->text(PathColumn);
    const bool alreadySelected = first->isSelected();
    SelectRow(first);
    // A newly selected row was previewed by the selection handler.
    if (alreadySelected) {
        ShowPreview(m_strTemplatePath);
    }
}

void CPageTemplate::OnSelectionChanged()
{
    if (m_bListing) {
        return;
    }
    const QTreeWidgetItem* row = SelectedRow();
    m_strTemplatePath = row ? row->text(PathColumn) : QString();
    ShowPreview(m_strTemplatePath);
    SetProjectModified();
}

void CPageTemplate::OnPreviewClicked()
{
    PullFromControls();
    if (m_bPreview) {
        if (const QTreeWidgetItem* row = SelectedRow()) {
            ShowPreview(row->text(PathColumn));
        } else {
            CMessageBox::Warning(this, NoItemSelected());
        }
    } else {
        m_pPreview->ShowBlank();
    }
    SetProjectModified();
}

void CPageTemplate::OnCreate()
{
    PullFromControls();
    if (CTemplateStore::ShippedFolder(m_nPasswordMode).isEmpty()) {
        return; // only a damaged project brings an unknown mode
    }
    CCreateTemplateDlg dialog(Frame(), this);
    dialog.m_listNames = ListedNames();
    // The copy starts from the chosen template (the first without a row).
    if (QTreeWidgetItem* chosen = SelectedRow()) {
        dialog.m_nBasedOn = m_pList->indexOfTopLevelItem(chosen);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QString source;
    if (const QTreeWidgetItem* basedOn = m_pList->topLevelItem(dialog.m_nBasedOn)) {
        source = basedOn->text(PathColumn);
    }
    const QString target = CTemplateStore::PrepareCreateFolder(m_nPasswordMode, DataFolder()) +
                           dialog.m_strTemplateName + QLatin1String(".html");
    QString message;
    if (!CTemplateStore::CopyTemplate(source, target, &message)) {
        CMessageBox::Warning(this, message);
        return;
    }
    // The new template becomes the chosen one (the selection handler
    // previews it and marks the project changed).
    SelectRow(AppendRow(dialog.m_strTemplateName, target));
}

void CPageTemplate::OnDelete()
{
    QTreeWidgetItem* row = SelectedRow();
    if (!row) {
        CMessageBox::Warning(this, NoItemSelected());
        return;
    }
    const QString path = row->text(PathColumn);
    if (CMessageBox::QuestionDefaultNo(
            this, tr("Are you sure to delete file \"%1\"? It can't be restored after deleted.").arg(path)) !=
        QMessageBox::Yes) {
        return;
    }
    QString message;
    if (!CTemplateStore::DeleteTemplate(path, &message)) {
        CMessageBox::Warning(this, message);
        return;
    }
    // Losing the selected row is a selection change: report it once, after
    // the row is gone. The view would otherwise move the selection to a
    // neighbour; the deleted template must leave none chosen.
    m_bListing = true;
    m_pList->selectionModel()->clear();
    delete row;
    m_bListing = false;
    OnSelectionChanged();
}

void CPageTemplate::OnEdit()
{
    CShellOperations::Run(CShellOperations::Operation::Edit, this, m_pList, PathColumn);
}

void CPageTemplate::OnBrowser()
{
    CShellOperations::Run(CShellOperations::Operation::Open, this, m_pList, PathColumn);
}

void CPageTemplate::OnRefresh()
{
    RebuildTemplateList(m_nPasswordMode);
    ApplyFirstRowRule();
}

void CPageTemplate::OnShellOpen()
{
    CShellOperations::Run(CShellOperations::Operation::Open, this, m_pList, PathColumn);
}

std::unique_ptr<QMenu> CPageTemplate::CreateContextMenu(bool onRow)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("TemplatesListPop"));
    const auto add = [this, onRow](QMenu* to, const QString& text, const QString& prompt,
                                   void (CPageTemplate::*command)(), bool needsRow) {
        QAction* action = to->addAction(text);
        action->setEnabled(onRow || !needsRow);
        connect(action, &QAction::triggered, this, command);
        connect(action, &QAction::hovered, this, [this, prompt] { ShowStatusPrompt(prompt); });
    };
    add(menu.get(), tr("&Create..."), tr("Create your own template file"), &CPageTemplate::OnCreate, false);
    add(menu.get(), tr("&Edit"), tr("Edit selected template file"), &CPageTemplate::OnEdit, true);
    add(menu.get(), tr("&Delete..."), tr("Delete selected template file"), &CPageTemplate::OnDelete, true);
    add(menu.get(), tr("&Browser"), tr("Preview selected template file with web browser"),
        &CPageTemplate::OnBrowser, true);
    menu->addSeparator();
    add(menu.get(), tr("&Refresh"), tr("Refresh the templates list"), &CPageTemplate::OnRefresh, false);
    menu->addSeparator();
    // The shell submenu has no "Edit": the page's own Edit entry and button
    // do the editing.
    QMenu* shell = CShellOperations::AddShellMenu(menu.get(), this, m_pList, PathColumn, onRow, false);
    ShowStatusTipsOf(shell);
    ClearPromptOnHide(menu.get());
    return menu;
}

void CPageTemplate::OnContextMenuRequested(const QPoint& pos)
{
    const std::unique_ptr<QMenu> menu = CreateContextMenu(m_pList->itemAt(pos) != nullptr);
    menu->exec(m_pList->viewport()->mapToGlobal(pos));
}

bool CPageTemplate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList && event->type() == QEvent::Resize) {
        ResizeColumns();
    }
    return CPropertyViewPage::eventFilter(watched, event);
}

void CPageTemplate::ResizeColumns()
{
    const int width = m_pList->width();
    m_pList->header()->resizeSection(NameColumn, width * kNameWidth / (kNameWidth + kPathWidth));
    m_pList->header()->resizeSection(PathColumn, width * kPathWidth / (kNameWidth + kPathWidth) - 10);
}

QTreeWidgetItem* CPageTemplate::AppendRow(const QString& name, const QString& path)
{
    m_bListing = true;
    auto* item = new QTreeWidgetItem(m_pList, {name, path});
    item->setToolTip(PathColumn, path);
    m_bListing = false;
    return item;
}

void CPageTemplate::SelectRow(QTreeWidgetItem* item)
{
    m_pList->setCurrentItem(item);
    m_pList->scrollToItem(item);
}

QTreeWidgetItem* CPageTemplate::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QStringList CPageTemplate::ListedNames() const
{
    QStringList names;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        names.append(m_pList->topLevelItem(i)->text(NameColumn));
    }
    return names;
}

QString CPageTemplate::DataFolder() const
{
    return m_preferences.m_strDataFolder;
}

void CPageTemplate::UpdateFileButtons()
{
    // The shipped templates sit in a system folder the user cannot write:
    // Edit and Delete are offered for the user's own templates only.
    const QTreeWidgetItem* row = SelectedRow();
    const QFileInfo file(row ? row->text(PathColumn) : QString());
    m_pEdit->setEnabled(!row || file.isWritable());
    m_pDelete->setEnabled(!row || QFileInfo(file.absolutePath()).isWritable());
}
