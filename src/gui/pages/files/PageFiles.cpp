#include "gui/pages/files/PageFiles.h"

#include "engine/ProtectEngine.h"
#include "engine/ProtectJob.h"
#include "files/FolderHistory.h"
#include "files/ListFile.h"
#include "files/WebFileFilter.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/FrameServices.h"
#include "gui/pages/files/AddFolderDlg.h"
#include "gui/pages/files/AddProgress.h"
#include "gui/pages/files/FileRowItem.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/CurrentRowSelector.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/IconButton.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "session/RestoreSession.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace {

QString ListFilter()
{
    return QCoreApplication::translate("CPageFiles", "List Files (*.lst)");
}

// Below this many rows a deletion takes the rows out one by one; above
// it the list is rebuilt in one pass, which stays linear in its length.
constexpr int RowByRowLimit = 32;

} // namespace

CPageFiles::CPageFiles(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent)
    : CPropertyViewPage(frame, tr("Files"), parent), m_preferences(preferences)
{
    setObjectName(QStringLiteral("PageFiles"));
    // F1 inside the page opens the page's own help, not the frame's.
    SetHelpTopic(kHelpTopic);

    auto* description = new QLabel(tr("Add files or folder to protect, or click \"Restore\" button to "
                                      "restore the files from backup files."),
                                   this);
    description->setWordWrap(true);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(6);
    buttonRow->addWidget(AddButton(tr("&Add Files"), QStringLiteral("addFilesButton"),
                                   CAppIcons::Role::AddFiles, &CPageFiles::OnAddFiles));
    buttonRow->addWidget(AddButton(tr("Add &Folder"), QStringLiteral("addFolderButton"),
                                   CAppIcons::Role::AddFolder, &CPageFiles::OnAddFolder));
    buttonRow->addWidget(AddButton(tr("&Delete"), QStringLiteral("deleteButton"), CAppIcons::Role::Remove,
                                   &CPageFiles::OnDelete));
    buttonRow->addWidget(AddButton(tr("De&lete All"), QStringLiteral("deleteAllButton"),
                                   CAppIcons::Role::RemoveAll, &CPageFiles::OnDeleteAll));
    buttonRow->addWidget(AddButton(tr("&Import"), QStringLiteral("importButton"), CAppIcons::Role::Import,
                                   &CPageFiles::OnImport));
    buttonRow->addWidget(AddButton(tr("&Export"), QStringLiteral("exportButton"), CAppIcons::Role::Export,
                                   &CPageFiles::OnExport));
    buttonRow->addStretch(1);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("filesList"));
    // Delete on the list does what the Delete button does, question included.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_pList);
    deleteKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CPageFiles::OnDelete);
    CCurrentRowSelector::Install(m_pList);
    // Ctrl+Z brings back what Delete or Delete All took off the list.
    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoKey, &QShortcut::activated, this, &CPageFiles::OnUndo);
    m_pList->setColumnCount(5);
    m_pList->setHeaderLabels({tr("File Name"), tr("Size"), tr("Type"), tr("Path"), tr("State")});
    m_pList->setRootIsDecorated(false);
    m_pList->setItemsExpandable(false);
    m_pList->setExpandsOnDoubleClick(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setSortingEnabled(false);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setIconSize(QSize(16, 16));
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = m_pList->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(CFileRowItem::ColumnName, 200);
    header->resizeSection(CFileRowItem::ColumnSize, 100);
    header->resizeSection(CFileRowItem::ColumnType, 100);
    header->resizeSection(CFileRowItem::ColumnPath, 340);
    header->resizeSection(CFileRowItem::ColumnState, 80);
    m_pList->viewport()->installEventFilter(this);
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, &CPageFiles::ShowContextMenu);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { OnShell(CShellOperations::Operation::Open); });

    m_pBackup = new QCheckBox(tr("&Backup files as \"*.original\" at the same directory"), this);
    m_pBackup->setObjectName(QStringLiteral("backupCheck"));
    connect(m_pBackup, &QCheckBox::clicked, this, [this] { SetProjectModified(); });
    QPushButton* restore = AddButton(tr("&Restore"), QStringLiteral("restoreButton"),
                                     CAppIcons::Role::Restore, &CPageFiles::OnRestore);
    m_pRestoreButton = restore;

    // How many files are listed, counted once the rows have settled (an
    // import adds many at once).
    m_pCount = new QLabel(this);
    m_pCount->setObjectName(QStringLiteral("filesCount"));
    auto* countTimer = new QTimer(this);
    countTimer->setSingleShot(true);
    countTimer->setInterval(0);
    connect(countTimer, &QTimer::timeout, this,
            [this] { m_pCount->setText(tr("%n file(s) listed", nullptr, m_pList->topLevelItemCount())); });
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(m_pList->model(), signal, countTimer, qOverload<>(&QTimer::start));
    }
    connect(m_pList->model(), &QAbstractItemModel::modelReset, countTimer, qOverload<>(&QTimer::start));
    countTimer->start();

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_pBackup);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_pCount);
    bottomRow->addSpacing(12);
    bottomRow->addWidget(restore);

    // The list takes every extra pixel; the check box and Restore stay
    // just under it, Restore aligned with its right edge.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 11, 15, 12);
    layout->setSpacing(8);
    layout->addWidget(description);
    layout->addLayout(buttonRow);
    layout->addWidget(m_pList, 1);
    layout->addLayout(bottomRow);

    SetToolTips({
        {"addFilesButton", tr("Adds web pages you pick to the list of pages to protect.")},
        {"addFolderButton", tr("Adds every web page of a folder (and its sub-folders if you choose).")},
        {"deleteButton", tr("Takes the selected pages off the list; the files themselves stay as they are.")},
        {"deleteAllButton", tr("Empties the list; the files themselves stay as they are.")},
        {"importButton", tr("Adds the pages named in a list file.")},
        {"exportButton", tr("Writes the list of pages to a list file.")},
        {"filesList", tr("The pages that Protect rewrites in place; each is opened by the password in the "
                         "visitor's browser.")},
        {"backupCheck", tr("Keeps a copy of each page as it was, so that Restore can bring it back.")},
        {"restoreButton", tr("Puts the kept copies back over the selected protected pages.")},
    });

    PushToControls();
}

CPageFiles::~CPageFiles()
{
    // The rows read their types from m_types, which goes before the list.
    m_pList->clear();
}

QSize CPageFiles::sizeHint() const
{
    return QSize(566, 413).expandedTo(minimumSizeHint());
}

QPushButton* CPageFiles::AddButton(const QString& text, const QString& objectName, CAppIcons::Role icon,
                                   void (CPageFiles::*command)())
{
    auto* button = new CIconButton(CAppIcons::Icon(icon), text, this);
    button->setObjectName(objectName);
    connect(button, &QPushButton::clicked, this, command);
    return button;
}

QString CPageFiles::AddFilesFilter()
{
    // The patterns go inside the parentheses: that is where the file
    // dialog reads them from.
    QStringList patterns;
    for (const QString& extension : CWebFileFilter::WebExtensionList()) {
        patterns.append(QStringLiteral("*.") + extension);
    }
    const QString separator = QStringLiteral(";;");
    return tr("Possible Web Files (%1)").arg(patterns.join(QLatin1Char(' '))) + separator +
           tr("HTML Files (*.htm *.html)") + separator + tr("PHP Files (*.php)") + separator +
           tr("ASP Files (*.asp *.aspx)") + separator + tr("ALL Files (*)");
}

void CPageFiles::PushToControls()
{
    m_pBackup->setChecked(m_bBackup);
}

bool CPageFiles::PullFromControls()
{
    m_bBackup = m_pBackup->isChecked();
    return true;
}

bool CPageFiles::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList->viewport() && event->type() == QEvent::Resize) {
        ApplyColumnWidths();
    }
    return false;
}

void CPageFiles::ApplyColumnWidths()
{
    // The columns share the visible width as 200 : 100 : 100 : 340 : 80,
    // less a small margin, so that no horizontal scroll bar appears.
    const int width = m_pList->viewport()->width();
    if (width <= 0) {
        return;
    }
    QHeaderView* header = m_pList->header();
    header->resizeSection(CFileRowItem::ColumnName, width * 200 / 820);
    header->resizeSection(CFileRowItem::ColumnSize, width * 100 / 820);
    header->resizeSection(CFileRowItem::ColumnType, width * 100 / 820);
    header->resizeSection(CFileRowItem::ColumnPath, std::max(width * 340 / 820 - 10, 20));
    header->resizeSection(CFileRowItem::ColumnState, width * 80 / 820);
}

bool CPageFiles::AddFileToList(const QString& path)
{
    if (!m_files.Append(path)) {
        return false;
    }
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty()) {
        name = path;
    }
    // The size is taken now, once; the row is complete before it joins
    // the list, so the view hears of it once.
    m_pList->addTopLevelItem(new CFileRowItem(&m_types, name, CFilesList::SizeText(path), path));
    return true;
}

int CPageFiles::AddPaths(const QStringList& paths, const QString& label, bool cancellable)
{
    CAddProgress progress(this, m_pList->viewport(), label, static_cast<int>(paths.size()), cancellable);
    for (const QString& path : paths) {
        if (!progress.Step(AddFileToList(path))) {
            break;
        }
    }
    if (progress.Added() > 0) {
        emit PathsChanged();
    }
    return progress.Added();
}

int CPageFiles::AddFolder(const QString& folder, bool recursive)
{
    CAddProgress progress(this, m_pList->viewport(), tr("Adding the web files of %1").arg(folder), 0, true);
    CWebFileFilter::ScanFolder(
        folder, recursive,
        [this, &progress](const QString& path) { return progress.Step(AddFileToList(path)); },
        [&progress](const QString& subfolder) { return progress.Poll(subfolder); });
    if (progress.Added() > 0) {
        SetProjectModified();
        emit PathsChanged();
    }
    return progress.Added();
}

void CPageFiles::RemoveRows(const QList<int>& rows)
{
    RemoveListRows(rows);
    emit PathsChanged();
}

void CPageFiles::RemoveListRows(const QList<int>& rows)
{
    m_files.RemoveRows(rows);
    QTreeWidgetItem* root = m_pList->invisibleRootItem();
    if (rows.size() <= RowByRowLimit) {
        QList<int> sorted = rows;
        std::sort(sorted.begin(), sorted.end(), std::greater<int>());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        for (const int row : sorted) {
            std::unique_ptr<QTreeWidgetItem> removed(root->takeChild(row));
        }
        return;
    }
    QList<bool> removed(root->childCount(), false);
    for (const int row : rows) {
        if (row >= 0 && row < removed.size()) {
            removed[row] = true;
        }
    }
    const QList<QTreeWidgetItem*> all = root->takeChildren();
    QList<QTreeWidgetItem*> kept;
    kept.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (removed.at(i)) {
            delete all.at(i);
        } else {
            kept.append(all.at(i));
        }
    }
    m_pList->addTopLevelItems(kept);
}

void CPageFiles::ClearRows()
{
    m_pList->clear();
    m_files.Clear();
    emit PathsChanged();
}

void CPageFiles::LoadFromProject(const CProject& data)
{
    m_bBackup = data.m_bBackup;
    PushToControls();
    ClearRows();
    m_listUndo.clear();
    m_files.Reserve(static_cast<int>(data.m_listFiles.size()));
    // A half-loaded project would lose its other files on the next save,
    // so loading cannot be cancelled.
    AddPaths(data.m_listFiles, tr("Loading the files list"), false);
}

void CPageFiles::SaveToProject(CProject& data)
{
    PullFromControls();
    data.m_bBackup = m_bBackup;
    data.m_listFiles = m_files.Paths();
}

bool CPageFiles::ValidateForProtect()
{
    const QString problem = CProtectJob::CheckFiles(m_files.Paths());
    if (!problem.isEmpty()) {
        CMessageBox::Warning(this, problem);
        return false;
    }
    return true;
}

void CPageFiles::OnAddFiles()
{
    const QStringList files = CFileDialog::GetOpenFileNames(this, tr("Add Files"), AddFilesFilter());
    if (files.isEmpty()) {
        return;
    }
    if (AddPaths(files, tr("Adding files"), true) > 0) {
        SetProjectModified();
    }
}

void CPageFiles::OnAddFolder()
{
    CAddFolderDlg dialog(Frame(), m_preferences, this);
    if (!m_preferences.m_strPreferencesFolder.isEmpty()) {
        dialog.m_strHistoryFile = m_preferences.m_strPreferencesFolder + CFolderHistory::FileName();
    }
    dialog.m_bRecursive = m_preferences.m_bAddFolderRecursive;
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_preferences.m_bAddFolderRecursive = dialog.m_bRecursive;
    if (dialog.m_strFolder.isEmpty()) {
        return;
    }
    AddFolder(dialog.m_strFolder, m_preferences.m_bAddFolderRecursive);
}

void CPageFiles::OnDelete()
{
    const QModelIndexList selected = m_pList->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        CMessageBox::Warning(this, tr("No item is selected!"));
        return;
    }
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected) {
        rows.append(index.row());
    }
    RememberForUndo();
    RemoveRows(rows);
    SetProjectModified();
}

void CPageFiles::OnDeleteAll()
{
    if (m_files.IsEmpty()) {
        return;
    }
    if (CMessageBox::Question(this, tr("Are you sure to delete all items?")) != QMessageBox::Yes) {
        return;
    }
    RememberForUndo();
    ClearRows();
    SetProjectModified();
}

void CPageFiles::RememberForUndo()
{
    constexpr qsizetype kUndoDepth = 20;
    if (m_listUndo.size() == kUndoDepth) {
        m_listUndo.removeFirst();
    }
    m_listUndo.append(m_files.Paths());
}

void CPageFiles::OnUndo()
{
    if (m_listUndo.isEmpty()) {
        return;
    }
    const QStringList paths = m_listUndo.takeLast();
    ClearRows();
    AddPaths(paths, tr("Restoring the files list"), false);
    SetProjectModified();
}

void CPageFiles::OnImport()
{
    const QString path = CFileDialog::GetOpenFileName(this, tr("Import"), ListFilter());
    if (path.isEmpty()) {
        return;
    }
    QStringList lines;
    QString error;
    if (!CListFile::Read(path, lines, &error)) {
        CMessageBox::Warning(this, error);
        return;
    }
    if (AddPaths(lines, tr("Importing %1").arg(path), true) > 0) {
        SetProjectModified();
    }
}

void CPageFiles::OnExport()
{
    const QString path =
        CFileDialog::GetSaveFileName(this, tr("Export"), ListFilter(), QString(), QStringLiteral("lst"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!CListFile::Write(path, m_files.Paths(), &error)) {
        CMessageBox::Warning(this, error);
    }
}

void CPageFiles::SetOutputElsewhere(bool elsewhere)
{
    // The controls' usual tooltips come back once the site is written in
    // place again.
    if (elsewhere && !m_bOutputElsewhere) {
        m_strRestoreTip = m_pRestoreButton->toolTip();
        m_strBackupTip = m_pBackup->toolTip();
    }
    m_bOutputElsewhere = elsewhere;
    const QString why = tr("The protected site is written to another folder (Protect page): the pages here "
                           "are never changed, so there is nothing to restore.");
    m_pRestoreButton->setEnabled(!elsewhere);
    m_pRestoreButton->setToolTip(elsewhere ? why : m_strRestoreTip);
    m_pBackup->setEnabled(!elsewhere);
    m_pBackup->setToolTip(elsewhere ? why : m_strBackupTip);
}

void CPageFiles::OnRestore()
{
    if (m_bOutputElsewhere) {
        CMessageBox::Warning(this,
                             tr("The protected site is written to another folder (Protect page): the pages "
                                "here are never changed, so there is nothing to restore."));
        return;
    }
    if (m_files.IsEmpty()) {
        CMessageBox::Warning(this, tr("Please add files to the list to be restored! Add web files instead "
                                      "of \"*.original\" backup files."));
        return;
    }
    if (CMessageBox::Question(this, tr("This will replace the files in the list with their backup files "
                                       "\"*.original\"! Do you want to continue?")) != QMessageBox::Yes) {
        return;
    }
    if (m_pRestore) {
        return;
    }
    // The pages are put back beside the window, which stays usable; the
    // list waits until they are all back.
    m_notRestored.clear();
    m_pRestore = std::make_unique<CRestoreSession>(m_files.Paths());
    m_pRestore->SetThreads(qMax(1, QThread::idealThreadCount()));
    connect(m_pRestore.get(), &CRestoreSession::fileDone, this,
            [this](const QString& path, bool failure, const QString& text) {
                if (failure) {
                    m_notRestored.append(path + QStringLiteral(": ") + text);
                }
            });
    m_pRestoreProgress = std::make_unique<QProgressDialog>(tr("Restoring..."), tr("Cancel"), 0,
                                                           int(m_files.Paths().size()), this);
    m_pRestoreProgress->setWindowModality(Qt::NonModal);
    m_pRestoreProgress->setMinimumDuration(700);
    m_pRestoreProgress->setAutoClose(false);
    m_pRestoreProgress->setAutoReset(false);
    connect(m_pRestoreProgress.get(), &QProgressDialog::canceled, m_pRestore.get(), &CRestoreSession::Cancel);
    connect(m_pRestore.get(), &CRestoreSession::progress, m_pRestoreProgress.get(),
            &QProgressDialog::setValue);
    connect(m_pRestore.get(), &CRestoreSession::finished, this, &CPageFiles::OnRestoreFinished);
    setEnabled(false);
    m_pRestore->Start();
}

void CPageFiles::OnRestoreFinished()
{
    m_pRestore->Wait();
    const CRestoreSession::Summary summary = m_pRestore->Result();
    // Deleted once this signal has returned to it.
    m_pRestore.release()->deleteLater();
    m_pRestoreProgress.reset();
    setEnabled(true);
    RefreshSizes();
    QString text = tr("%1 files have been restored!").arg(summary.restored);
    if (summary.cancelled && summary.notProcessed > 0) {
        text += QLatin1Char(' ') +
                tr("The restore was cancelled: %1 file(s) not processed.").arg(summary.notProcessed);
    }
    if (!m_notRestored.isEmpty()) {
        // Every page left protected is named, with the reason.
        text += QLatin1String("\n\n") + tr("Not restored:") + QLatin1Char('\n') +
                m_notRestored.join(QLatin1Char('\n'));
    }
    CMessageBox::Warning(this, text);
    emit restoreFinished();
}

void CPageFiles::RefreshSizes()
{
    for (int row = 0; row < m_pList->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_pList->topLevelItem(row);
        if (auto* fileRow = dynamic_cast<CFileRowItem*>(item)) {
            fileRow->ForgetState();
        }
        const QString size = CFilesList::SizeText(item->text(CFileRowItem::ColumnPath));
        if (item->text(CFileRowItem::ColumnSize) != size) {
            item->setText(CFileRowItem::ColumnSize, size);
        }
    }
    m_pList->viewport()->update();
}

void CPageFiles::OnShell(CShellOperations::Operation operation)
{
    CShellOperations::Run(operation, this, m_pList, CFileRowItem::ColumnPath);
}

std::unique_ptr<QMenu> CPageFiles::CreateContextMenu(bool onRow)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("FilesListPop"));
    const auto add = [this](QMenu* target, const QString& text, const QString& prompt, bool enabled,
                            const std::function<void()>& run) {
        QAction* action = target->addAction(text);
        action->setStatusTip(prompt);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, run);
    };
    QMenu* top = menu.get();
    add(top, tr("&Add Files..."), tr("Add files to the list to protect"), true, [this] { OnAddFiles(); });
    add(top, tr("Add &Folder..."), tr("Add folder to the list to protect"), true, [this] { OnAddFolder(); });
    add(top, tr("&Delete"), tr("Delete selected items from the list"), onRow, [this] { OnDelete(); });
    add(top, tr("De&lete All..."), tr("Delete all items from the list"), true, [this] { OnDeleteAll(); });
    top->addSeparator();
    add(top, tr("&Import..."), tr("Import items to the list from file"), true, [this] { OnImport(); });
    add(top, tr("&Export..."), tr("Export items in the list to file"), true, [this] { OnExport(); });
    top->addSeparator();
    add(top, tr("&Restore..."), tr("Restore the files in the list from backup files"), true,
        [this] { OnRestore(); });
    top->addSeparator();
    QMenu* shell = CShellOperations::AddShellMenu(top, this, m_pList, CFileRowItem::ColumnPath, onRow, true);
    shell->setObjectName(QStringLiteral("FilesListPopShell"));

    // Hovered entries put their prompt in the frame's status bar; closing
    // the menu clears it.
    ShowStatusTipsOf(top);
    ShowStatusTipsOf(shell);
    ClearPromptOnHide(top);
    return menu;
}

void CPageFiles::ShowContextMenu(const QPoint& position)
{
    const std::unique_ptr<QMenu> menu = CreateContextMenu(m_pList->itemAt(position) != nullptr);
    menu->exec(m_pList->viewport()->mapToGlobal(position));
}
