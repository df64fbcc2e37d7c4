#include "gui/pages/files/AddFolderDlg.h"

#include "files/FolderHistory.h"
#include "files/WebFileFilter.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/FrameServices.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddFolderDlg::CAddFolderDlg(IFrameServices* frame, CAppPreferences& preferences, QWidget* parent)
    : CHelpDialog(frame, kHelpTopic, parent), m_preferences(preferences)
{
    setWindowTitle(tr("Add Folder"));

    auto* intro = new QLabel(tr("Select a folder to add all web files under it to the list"), this);

    m_pFolder = new QComboBox(this);
    m_pFolder->setObjectName(QStringLiteral("folderCombo"));
    m_pFolder->setEditable(true);
    // The drop-down changes only on OK, never while typing.
    m_pFolder->setInsertPolicy(QComboBox::NoInsert);
    m_pFolder->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pFolder->setMinimumContentsLength(36);
    m_pFolder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* folderLabel = new QLabel(tr("&Folder:"), this);
    folderLabel->setBuddy(m_pFolder);

    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setToolTip(tr("Select Folder"));
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 20);
    connect(browse, &QPushButton::clicked, this, &CAddFolderDlg::OnBrowse);

    m_pRecursive = new QCheckBox(tr("&Recursive add sub folders"), this);
    m_pRecursive->setObjectName(QStringLiteral("recursiveCheck"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("helpButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddFolderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddFolderDlg::reject);
    ConnectHelpButton(buttons);

    auto* folderRow = new QGridLayout;
    folderRow->addWidget(folderLabel, 0, 0);
    folderRow->addWidget(m_pFolder, 0, 1);
    folderRow->addWidget(browse, 0, 2);
    folderRow->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(4);
    layout->addLayout(folderRow);
    layout->addWidget(m_pRecursive);
    layout->addStretch(1);
    layout->addWidget(buttons);

    resize(460, sizeHint().height());
}

void CAddFolderDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        LoadFolderHistory();
        PushToControls();
    }
    QDialog::showEvent(event);
}

void CAddFolderDlg::PushToControls()
{
    // No history entry is chosen: the folder field shows the member.
    m_pFolder->setCurrentIndex(-1);
    m_pFolder->setEditText(m_strFolder);
    m_pRecursive->setChecked(m_bRecursive);
}

void CAddFolderDlg::PullFromControls()
{
    m_strFolder = m_pFolder->currentText();
    m_bRecursive = m_pRecursive->isChecked();
}

void CAddFolderDlg::LoadFolderHistory()
{
    m_pFolder->clear();
    if (m_strHistoryFile.isEmpty()) {
        return;
    }
    QStringList entries;
    QString error;
    if (!CFolderHistory::Load(m_strHistoryFile, entries, &error)) {
        CMessageBox::Warning(this, error);
        return;
    }
    m_pFolder->addItems(entries);
}

bool CAddFolderDlg::SaveFolderHistory()
{
    if (m_strHistoryFile.isEmpty()) {
        return false;
    }
    QStringList entries;
    const int count = m_pFolder->count();
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        entries.append(m_pFolder->itemText(i));
    }
    QString error;
    if (!CFolderHistory::Save(m_strHistoryFile, entries, &error)) {
        CMessageBox::Warning(this, error);
        return false;
    }
    return true;
}

QString CAddFolderDlg::BrowseForFolder(QWidget* owner, const QString& initialFolder, const QString& title)
{
    const QString folder = CFileDialog::GetExistingDirectory(owner, title, initialFolder);
    return folder.isEmpty() ? QString() : CWebFileFilter::NormalizeFolder(folder);
}

void CAddFolderDlg::OnBrowse()
{
    const QString folder = BrowseForFolder(this, m_preferences.m_strAddFolderInit, tr("Select Folder"));
    if (folder.isEmpty()) {
        return;
    }
    m_preferences.m_strAddFolderInit = folder;
    m_pFolder->setEditText(folder);
}

void CAddFolderDlg::accept()
{
    PullFromControls();
    if (!m_strFolder.isEmpty()) {
        QStringList entries;
        for (int i = 0; i < m_pFolder->count(); ++i) {
            entries.append(m_pFolder->itemText(i));
        }
        CFolderHistory::Promote(entries, m_strFolder);
        m_pFolder->clear();
        m_pFolder->addItems(entries);
        m_pFolder->setCurrentIndex(0);
        // A history that cannot be written has said so; the folder is
        // still added.
        SaveFolderHistory();
    }
    QDialog::accept();
}
