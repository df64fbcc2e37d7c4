#include "gui/pages/result/PageResult.h"

#include "gui/frame/FrameServices.h"
#include "gui/frame/ShellOperations.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/IconButton.h"
#include "gui/widgets/MessageBox.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QAction* AddEntry(QMenu* menu, const QString& text, const QString& prompt, bool enabled)
{
    QAction* action = menu->addAction(text);
    action->setStatusTip(prompt);
    action->setEnabled(enabled);
    return action;
}

} // namespace

CPageResult::CPageResult(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, tr("Result"), parent)
{
    auto* description = new QLabel(tr("Click \"Protect\" button or \"Protect\" toolbar button to password "
                                      "protect files, the protected files will be listed in the "
                                      "following list."),
                                   this);
    description->setWordWrap(true);

    m_pProtectButton = new CIconButton(CAppIcons::Icon(CAppIcons::Role::Protect), tr("&Protect"), this);
    m_pProtectButton->setObjectName(QStringLiteral("protectButton"));
    m_pTestButton = new CIconButton(CAppIcons::Icon(CAppIcons::Role::Browser), tr("&Test"), this);
    m_pTestButton->setObjectName(QStringLiteral("testButton"));
    m_pEditButton = new CIconButton(CAppIcons::Icon(CAppIcons::Role::Edit), tr("&Edit"), this);
    m_pEditButton->setObjectName(QStringLiteral("editButton"));
    m_pShareButton =
        new CIconButton(CAppIcons::Icon(CAppIcons::Role::Browser), tr("Copy share &link..."), this);
    m_pShareButton->setObjectName(QStringLiteral("shareLinkButton"));

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("resultList"));
    m_pList->setHeaderLabels({tr("File Name"), tr("Size"), tr("Result"), tr("Path")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setItemsExpandable(false);
    m_pList->setSortingEnabled(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setIconSize(QSize(16, 16));
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionsMovable(false);
    m_pList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pList->header()->resizeSection(NameColumn, 200);
    m_pList->header()->resizeSection(SizeColumn, 100);
    m_pList->header()->resizeSection(ResultColumn, 120);
    m_pList->header()->resizeSection(PathColumn, 320);
    m_pList->viewport()->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pProtectButton);
    buttons->addWidget(m_pTestButton);
    buttons->addWidget(m_pEditButton);
    buttons->addWidget(m_pShareButton);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(description);
    layout->addLayout(buttons);
    layout->addWidget(m_pList, 1);

    connect(m_pProtectButton, &QPushButton::clicked, this, &CPageResult::protectRequested);
    connect(m_pTestButton, &QPushButton::clicked, this, &CPageResult::OnTest);
    connect(m_pEditButton, &QPushButton::clicked, this, &CPageResult::OnEdit);
    connect(m_pShareButton, &QPushButton::clicked, this, &CPageResult::OnShareLink);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, &CPageResult::OnShellOpen);
    SetToolTips({
        {"protectButton",
         tr("Rewrites every listed page so that a browser shows it only after the password.")},
        {"testButton", tr("Opens the selected page in your web browser to try the login.")},
        {"editButton", tr("Opens the selected page in an editor.")},
        {"shareLinkButton", tr("Copies a link that opens the selected page as the password does, for anyone "
                               "holding it, until \"Sign everyone out\" on the Protect page revokes it.")},
        {"resultList", tr("What the last run did with each page.")},
    });
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, &CPageResult::OnContextMenuRequested);
}

void CPageResult::SetProtectEnabled(bool enabled)
{
    m_pProtectButton->setEnabled(enabled);
}

void CPageResult::DeleteAllItems()
{
    m_pList->clear();
}

void CPageResult::AddResultRow(const QString& path, const QString& result)
{
    if (path.isEmpty()) {
        return;
    }
    // Name and icon come from the name alone, so a missing file gets them too.
    const QFileInfo info(path);
    // The row is filled before it joins the list: each change to a row in
    // the list would make the view lay out all its rows again.
    auto* item = new QTreeWidgetItem;
    item->setText(NameColumn, info.fileName());
    const QString suffix = info.suffix().toLower();
    auto icon = m_icons.constFind(suffix);
    if (icon == m_icons.cend()) {
        icon = m_icons.insert(suffix, CAppIcons::ForFileName(info.fileName()));
    }
    item->setIcon(NameColumn, *icon);
    item->setText(SizeColumn, SizeText(path));
    item->setText(ResultColumn, result);
    item->setText(PathColumn, path);
    item->setToolTip(ResultColumn, result);
    item->setToolTip(PathColumn, path);
    m_pList->addTopLevelItem(item);
}

QString CPageResult::SizeText(const QString& path)
{
    const QFileInfo info(path);
    const quint32 bytes = info.exists() ? quint32(info.size()) : 12000u;
    return tr("%1 KB").arg(qMax<quint32>(1, bytes / 1000));
}

std::unique_ptr<QMenu> CPageResult::CreateContextMenu(bool onRow)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("ResultListPop"));
    QAction* protect =
        AddEntry(menu.get(), tr("&Protect", "context menu"), tr("Protect files with password"), true);
    QAction* test = AddEntry(menu.get(), tr("&Test"), tr("Open the selected protected file for test"), onRow);
    QAction* edit = AddEntry(menu.get(), tr("&Edit"), tr("Edit the selected protected file"), onRow);
    menu->addSeparator();
    QMenu* shell = CShellOperations::AddShellMenu(menu.get(), this, m_pList, PathColumn, onRow, false);
    shell->setEnabled(onRow);

    connect(protect, &QAction::triggered, this, &CPageResult::protectRequested);
    connect(test, &QAction::triggered, this, &CPageResult::OnTest);
    connect(edit, &QAction::triggered, this, &CPageResult::OnEdit);

    // The prompts of the hovered entries go to the frame's status bar.
    ShowStatusTipsOf(menu.get());
    ShowStatusTipsOf(shell);
    ClearPromptOnHide(menu.get());
    return menu;
}

void CPageResult::OnTest()
{
    CShellOperations::Run(CShellOperations::Operation::Open, this, m_pList, PathColumn);
}

void CPageResult::OnShareLink()
{
    const QTreeWidgetItem* item = m_pList->currentItem();
    if (!item) {
        CMessageBox::Warning(this, tr("No item is selected!"));
        return;
    }
    emit shareLinkRequested(item->text(PathColumn));
}

void CPageResult::OnEdit()
{
    CShellOperations::Run(CShellOperations::Operation::Edit, this, m_pList, PathColumn);
}

void CPageResult::OnShellOpen()
{
    CShellOperations::Run(CShellOperations::Operation::Open, this, m_pList, PathColumn);
}

void CPageResult::OnShellOpenWith()
{
    CShellOperations::Run(CShellOperations::Operation::OpenWith, this, m_pList, PathColumn);
}

void CPageResult::OnShellOpenFolder()
{
    CShellOperations::Run(CShellOperations::Operation::OpenFolder, this, m_pList, PathColumn);
}

void CPageResult::OnShellProperty()
{
    CShellOperations::Run(CShellOperations::Operation::Properties, this, m_pList, PathColumn);
}

bool CPageResult::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList->viewport() && event->type() == QEvent::Resize) {
        ResizeColumns();
    }
    return CPropertyViewPage::eventFilter(watched, event);
}

void CPageResult::ResizeColumns()
{
    // The columns keep their starting proportions 200 : 100 : 120 : 320.
    const int width = m_pList->viewport()->width();
    QHeaderView* header = m_pList->header();
    header->resizeSection(NameColumn, width * 200 / 740);
    header->resizeSection(SizeColumn, width * 100 / 740);
    header->resizeSection(ResultColumn, width * 120 / 740);
    header->resizeSection(PathColumn, width * 320 / 740 - 10);
}

void CPageResult::OnContextMenuRequested(const QPoint& pos)
{
    QTreeWidgetItem* item = m_pList->itemAt(pos);
    if (item) {
        m_pList->setCurrentItem(item);
    }
    const std::unique_ptr<QMenu> menu = CreateContextMenu(item != nullptr);
    menu->exec(m_pList->viewport()->mapToGlobal(pos));
}
