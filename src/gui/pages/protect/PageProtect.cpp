#include "gui/pages/protect/PageProtect.h"

#include "files/SiteFiles.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/CharsetTable.h"
#include "model/Project.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// Combo position of each format: strong first, as it is the default.
constexpr int kStrongRow = 0;
constexpr int kClassicRow = 1;

int CipherForRow(int row)
{
    return row == kClassicRow ? CProject::kCipherClassic : CProject::kCipherStrong;
}

int RowForCipher(int cipher)
{
    return cipher == CProject::kCipherClassic ? kClassicRow : kStrongRow;
}
} // namespace

CPageProtect::CPageProtect(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, tr("Protect"), parent)
{
    auto* charsetLabel = new QLabel(tr("&Specify charset of the files which will be protected."), this);
    m_pCharsetCombo = new QComboBox(this);
    m_pCharsetCombo->setObjectName(QStringLiteral("charsetCombo"));
    // Position equals row: a project stores the row index.
    const CCharsetTable& table = CCharsetTable::Instance();
    for (int row = 0; row < table.GetCount(); ++row) {
        m_pCharsetCombo->addItem(table.GetAt(row).m_strName);
    }
    m_pCharsetCombo->setMaxVisibleItems(16);
    charsetLabel->setBuddy(m_pCharsetCombo);

    // The exchange order of the members follows the order of these calls.
    m_pCopyHeadCheck =
        AddCheck(tr("&Copy HEAD section of the files which will be protected to their login pages"),
                 QStringLiteral("copyHeadCheck"), &m_bCopyHead);
    QCheckBox* noRightClick =
        AddCheck(tr("Disable &right mouse click"), QStringLiteral("noRightClickCheck"), &m_bNoRightClick);
    QCheckBox* noTextSelect =
        AddCheck(tr("Disable &text select"), QStringLiteral("noTextSelectCheck"), &m_bNoTextSelect);
    QCheckBox* noPrint = AddCheck(tr("Disable &page printing"), QStringLiteral("noPrintCheck"), &m_bNoPrint);
    QCheckBox* noOffline =
        AddCheck(tr("Disable &off-line page viewing"), QStringLiteral("noOfflineCheck"), &m_bNoOffline);
    QCheckBox* noStatusLinks = AddCheck(tr("&Don't display links in status bar"),
                                        QStringLiteral("noStatusLinksCheck"), &m_bNoStatusLinks);
    m_pLocationLockCheck =
        AddCheck(tr("Locatio&n lock:"), QStringLiteral("locationLockCheck"), &m_bLocationLock);
    m_pRefreshCheck = AddCheck(tr("R&efresh page after login with Microsoft Internet Explorer"),
                               QStringLiteral("refreshCheck"), &m_bRefreshIE);
    QCheckBox* killFrame = AddCheck(tr("&Kill frame"), QStringLiteral("killFrameCheck"), &m_bKillFrame);
    m_pReferrerLockCheck =
        AddCheck(tr("Re&ferrer lock:"), QStringLiteral("referrerLockCheck"), &m_bReferrerLock);
    QCheckBox* noMozilla =
        AddCheck(tr("Disable mo&zilla user"), QStringLiteral("noMozillaCheck"), &m_bNoMozilla);
    QCheckBox* noOpera = AddCheck(tr("Disable opera &user"), QStringLiteral("noOperaCheck"), &m_bNoOpera);
    QCheckBox* noPrintScreen =
        AddCheck(tr("Disable pr&intscreen"), QStringLiteral("noPrintScreenCheck"), &m_bNoPrintScreen);
    QCheckBox* noDragDrop =
        AddCheck(tr("Disable dra&g and drop"), QStringLiteral("noDragDropCheck"), &m_bNoDragDrop);
    m_pProtectLoginCheck = AddCheck(tr("Protect &login pages with following scripts"),
                                    QStringLiteral("protectLoginCheck"), &m_bProtectLoginPages);
    m_pProtectAfterCheck = AddCheck(tr("Protect pages &after login with following scripts"),
                                    QStringLiteral("protectAfterCheck"), &m_bProtectAfterLogin);
    m_hardening = {noRightClick, noTextSelect, noPrint, noOffline,     noStatusLinks,
                   killFrame,    noMozilla,    noOpera, noPrintScreen, noDragDrop};

    m_pLocationLockEdit = new QLineEdit(this);
    m_pLocationLockEdit->setObjectName(QStringLiteral("locationLockEdit"));
    m_pReferrerLockEdit = new QLineEdit(this);
    m_pReferrerLockEdit->setObjectName(QStringLiteral("referrerLockEdit"));
    // An address is a line of text, not the width of the screen.
    const int editWidth = fontMetrics().averageCharWidth() * 60;
    m_pLocationLockEdit->setMaximumWidth(editWidth);
    m_pReferrerLockEdit->setMaximumWidth(editWidth);

    auto* formatGroup = new QGroupBox(tr("Page format"), this);
    auto* cipherLabel = new QLabel(tr("Page for&mat:"), formatGroup);
    m_pCipherCombo = new QComboBox(formatGroup);
    m_pCipherCombo->setObjectName(QStringLiteral("cipherCombo"));
    m_pCipherCombo->insertItem(kStrongRow, tr("Strong encryption (AES-256)"));
    m_pCipherCombo->insertItem(kClassicRow, tr("Compatible (classic)"));
    cipherLabel->setBuddy(m_pCipherCombo);
    m_pClassicWarning = new QLabel(
        tr("Classic pages can be read without the password: it only obscures the content."), formatGroup);
    m_pClassicWarning->setObjectName(QStringLiteral("classicWarning"));
    auto* iterationsLabel = new QLabel(tr("Ke&y iterations:"), formatGroup);
    m_pIterationsSpin = new QSpinBox(formatGroup);
    m_pIterationsSpin->setObjectName(QStringLiteral("iterationsSpin"));
    m_pIterationsSpin->setRange(CProject::kMinKdfIterations, CProject::kMaxKdfIterations);
    m_pIterationsSpin->setSingleStep(100000);
    m_pIterationsSpin->setGroupSeparatorShown(true);
    iterationsLabel->setBuddy(m_pIterationsSpin);
    m_pSignOutButton = new QPushButton(tr("Sign e&veryone out"), formatGroup);
    m_pSignOutButton->setObjectName(QStringLiteral("signOutButton"));

    auto* formatGrid = new QGridLayout(formatGroup);
    formatGrid->addWidget(cipherLabel, 0, 0);
    formatGrid->addWidget(m_pCipherCombo, 0, 1);
    formatGrid->addWidget(m_pClassicWarning, 1, 0, 1, 4);
    formatGrid->addWidget(iterationsLabel, 2, 0);
    formatGrid->addWidget(m_pIterationsSpin, 2, 1);
    formatGrid->addWidget(m_pSignOutButton, 2, 3);
    formatGrid->setColumnStretch(2, 1);

    // The whole site: the site's other files enciphered too.
    auto* siteGroup = new QGroupBox(tr("Whole site"), this);
    m_pAssetsCheck =
        new QCheckBox(tr("Also encipher the site's other &files (images, scripts, styles, data)"), siteGroup);
    m_pAssetsCheck->setObjectName(QStringLiteral("assetsCheck"));
    m_pAssetsNote =
        new QLabel(tr("Visitors must open the site over https or on this computer's localhost."), siteGroup);
    m_pAssetsNote->setObjectName(QStringLiteral("assetsNote"));
    auto* rootLabel = new QLabel(tr("Site r&oot:"), siteGroup);
    m_pSiteRootEdit = new QLineEdit(siteGroup);
    m_pSiteRootEdit->setObjectName(QStringLiteral("siteRootEdit"));
    rootLabel->setBuddy(m_pSiteRootEdit);
    // What an empty root stands for, from the Files page's list.
    m_pDefaultRootLabel = new QLabel(siteGroup);
    m_pDefaultRootLabel->setObjectName(QStringLiteral("defaultRootLabel"));
    m_pDefaultRootLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pDefaultRootLabel->setMaximumWidth(editWidth);
    m_pDefaultRootLabel->setWordWrap(true);
    auto* excludeLabel = new QLabel(tr("&Leave out:"), siteGroup);
    m_pExcludeEdit = new QLineEdit(siteGroup);
    m_pExcludeEdit->setObjectName(QStringLiteral("excludeEdit"));
    m_pExcludeEdit->setPlaceholderText(tr("patterns such as drafts/ *.psd"));
    excludeLabel->setBuddy(m_pExcludeEdit);
    // A folder and a few patterns are a line of text, not the screen's width.
    m_pSiteRootEdit->setMaximumWidth(editWidth);
    m_pExcludeEdit->setMaximumWidth(editWidth);
    auto* siteGrid = new QGridLayout(siteGroup);
    siteGrid->addWidget(m_pAssetsCheck, 0, 0, 1, 2);
    siteGrid->addWidget(m_pAssetsNote, 1, 0, 1, 2);
    siteGrid->addWidget(rootLabel, 2, 0);
    siteGrid->addWidget(m_pSiteRootEdit, 2, 1);
    siteGrid->addWidget(m_pDefaultRootLabel, 3, 1);
    siteGrid->addWidget(excludeLabel, 4, 0);
    siteGrid->addWidget(m_pExcludeEdit, 4, 1);

    // Where the protected pages go: over the pages, or into a copy of the
    // site in another folder (a generator's output stays as it built it).
    auto* whereGroup = new QGroupBox(tr("Where"), this);
    m_pInPlaceRadio = new QRadioButton(tr("Protect the pages in &place, keeping backups"), whereGroup);
    m_pInPlaceRadio->setObjectName(QStringLiteral("inPlaceRadio"));
    m_pOutputRadio = new QRadioButton(tr("&Write the protected site to:"), whereGroup);
    m_pOutputRadio->setObjectName(QStringLiteral("outputRadio"));
    m_pOutputEdit = new QLineEdit(whereGroup);
    m_pOutputEdit->setObjectName(QStringLiteral("outputEdit"));
    m_pOutputEdit->setPlaceholderText(tr("a folder outside the site, e.g. public-protected"));
    m_pOutputEdit->setMaximumWidth(editWidth);
    m_pBrowseOutputButton = new QPushButton(tr("B&rowse..."), whereGroup);
    m_pBrowseOutputButton->setObjectName(QStringLiteral("browseOutputButton"));
    m_pOutputNote =
        new QLabel(tr("The site root is copied there with its pages protected; the pages themselves "
                      "are never changed, so there are no backups and nothing to restore. Later "
                      "runs write only what changed."),
                   whereGroup);
    m_pOutputNote->setObjectName(QStringLiteral("outputNote"));
    m_pOutputNote->setWordWrap(true);
    auto* whereGrid = new QGridLayout(whereGroup);
    whereGrid->addWidget(m_pInPlaceRadio, 0, 0, 1, 3);
    whereGrid->addWidget(m_pOutputRadio, 1, 0);
    whereGrid->addWidget(m_pOutputEdit, 1, 1);
    whereGrid->addWidget(m_pBrowseOutputButton, 1, 2);
    whereGrid->addWidget(m_pOutputNote, 2, 0, 1, 3);
    whereGrid->setColumnStretch(1, 1);

    auto* scriptGroup = new QGroupBox(tr("Script"), this);
    auto* grid = new QGridLayout(scriptGroup);
    const QList<QCheckBox*> left = {noRightClick, noPrint, noStatusLinks, noMozilla, noPrintScreen};
    const QList<QCheckBox*> right = {noTextSelect, noOffline, killFrame, noOpera, noDragDrop};
    for (int i = 0; i < left.size(); ++i) {
        grid->addWidget(left.at(i), i, 0);
        grid->addWidget(right.at(i), i, 1, 1, 2);
    }
    const int lockRow = int(left.size());
    grid->addWidget(m_pLocationLockCheck, lockRow, 0);
    grid->addWidget(m_pLocationLockEdit, lockRow, 1, 1, 2);
    grid->addWidget(m_pReferrerLockCheck, lockRow + 1, 0);
    grid->addWidget(m_pReferrerLockEdit, lockRow + 1, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    auto* charsetRow = new QHBoxLayout;
    charsetRow->addWidget(m_pCharsetCombo);
    charsetRow->addStretch(1);
    auto* scriptChecks = new QHBoxLayout;
    scriptChecks->addWidget(m_pProtectLoginCheck);
    scriptChecks->addStretch(1);
    scriptChecks->addWidget(m_pProtectAfterCheck);
    scriptChecks->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(charsetLabel);
    layout->addLayout(charsetRow);
    layout->addWidget(m_pCopyHeadCheck);
    layout->addWidget(m_pRefreshCheck);
    // Internet Explorer does not run here: the option stays in the project
    // file for projects shared with Windows, but is not offered.
    m_pRefreshCheck->setVisible(false);
    layout->addWidget(formatGroup);
    layout->addWidget(siteGroup);
    layout->addWidget(whereGroup);
    layout->addSpacing(6);
    layout->addLayout(scriptChecks);
    layout->addWidget(scriptGroup);
    // The page has no list to grow: a taller window leaves the room below
    // the groups empty rather than stretch them.
    layout->addStretch(1);

    const auto pullAndApply = [this] {
        PullFromControls();
        ApplyEnablingRule();
        SetProjectModified();
    };
    connect(m_pProtectLoginCheck, &QCheckBox::clicked, this, pullAndApply);
    connect(m_pProtectAfterCheck, &QCheckBox::clicked, this, pullAndApply);
    connect(m_pLocationLockCheck, &QCheckBox::clicked, this, [this] {
        PullFromControls();
        m_pLocationLockEdit->setEnabled(m_pLocationLockCheck->isChecked());
        SetProjectModified();
    });
    connect(m_pReferrerLockCheck, &QCheckBox::clicked, this, [this] {
        PullFromControls();
        m_pReferrerLockEdit->setEnabled(m_pReferrerLockCheck->isChecked());
        SetProjectModified();
    });
    for (QCheckBox* box : m_hardening + QList<QCheckBox*>{m_pCopyHeadCheck, m_pRefreshCheck}) {
        connect(box, &QCheckBox::clicked, this, [this] { SetProjectModified(); });
    }
    connect(m_pCharsetCombo, &QComboBox::activated, this, [this] { SetProjectModified(); });
    connect(m_pLocationLockEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pReferrerLockEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pCipherCombo, &QComboBox::activated, this, [this] { OnCipherActivated(); });
    // PushToControls blocks this signal, so only the user's edits mark the project.
    connect(m_pIterationsSpin, &QSpinBox::valueChanged, this, [this] { SetProjectModified(); });
    connect(m_pSignOutButton, &QPushButton::clicked, this, [this] { OnSignOut(); });
    connect(m_pAssetsCheck, &QCheckBox::clicked, this, [this] {
        PullFromControls();
        ApplyFormatRule();
        SetProjectModified();
    });
    connect(m_pSiteRootEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pExcludeEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pOutputEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pBrowseOutputButton, &QPushButton::clicked, this, [this] { OnBrowseOutput(); });
    for (QRadioButton* radio : {m_pInPlaceRadio, m_pOutputRadio}) {
        connect(radio, &QRadioButton::clicked, this, [this] {
            ApplyOutputRule();
            SetProjectModified();
        });
    }

    SetToolTips({
        {"charsetCombo", tr("The character set the pages are written in, so that the login page shows "
                            "their text right.")},
        {"copyHeadCheck", tr("Gives each login page the title, styles and meta lines of the page it opens.")},
        {"refreshCheck", tr("Reloads the page once after the login in Internet Explorer, which may show it "
                            "blank otherwise.")},
        {"cipherCombo", tr("Strong pages can only be read with the password; classic ones only obscure "
                           "their text.")},
        {"iterationsSpin", tr("More iterations make each login slower and each password guess costlier.")},
        {"signOutButton", tr("Draws a new salt, so every visitor must log in again and every share link "
                             "stops working.")},
        {"assetsCheck", tr("Search indexes, images and data stay unreadable without the password; a "
                           "service worker deciphers them in the visitor's browser after login.")},
        {"siteRootEdit", tr("Only files below this folder are enciphered; nothing outside it is touched.")},
        {"excludeEdit", tr("Files matching these patterns (separated by spaces) stay as they are.")},
        {"inPlaceRadio", tr("Rewrites the listed pages themselves, keeping a backup of each.")},
        {"outputRadio", tr("Writes a protected copy of the site into another folder and leaves the pages "
                           "as they are.")},
        {"outputEdit", tr("The folder that receives the protected copy of the site; it must lie outside "
                          "the site.")},
        {"browseOutputButton", tr("Chooses the folder that receives the protected copy of the site.")},
        {"protectLoginCheck", tr("Puts the scripts ticked below into the login pages, in the visitor's "
                                 "browser.")},
        {"protectAfterCheck", tr("Keeps the scripts ticked below running in the pages once the visitor "
                                 "has logged in.")},
        {"noRightClickCheck",
         tr("Stops the context menu from opening on the page in the visitor's browser.")},
        {"noTextSelectCheck", tr("Stops the visitor from selecting the page's text.")},
        {"noPrintCheck", tr("Hides the page from the visitor's printouts.")},
        {"noOfflineCheck", tr("Stops the page from working once saved and opened from the visitor's disk.")},
        {"noStatusLinksCheck", tr("Hides the addresses of links from the visitor's status bar.")},
        {"killFrameCheck", tr("Makes the page leave any frame another site puts it in.")},
        {"noMozillaCheck", tr("Turns away visitors whose browser calls itself Mozilla.")},
        {"noOperaCheck", tr("Turns away visitors whose browser calls itself Opera.")},
        {"noPrintScreenCheck", tr("Clears the clipboard when the visitor presses Print Screen.")},
        {"noDragDropCheck", tr("Stops the visitor from dragging the page's text and images out of it.")},
        {"locationLockCheck", tr("Opens the page only at the address given beside it.")},
        {"locationLockEdit",
         tr("The address the page must be opened at, as the visitor's browser shows it.")},
        {"referrerLockCheck", tr("Opens the page only when the visitor comes from the address given beside "
                                 "it.")},
        {"referrerLockEdit", tr("The address the visitor must come from to open the page.")},
    });

    SetListedPages({});

    // As the page's template has them: all enabled but the two lock edits.
    PushToControls();
    m_pLocationLockEdit->setEnabled(false);
    m_pReferrerLockEdit->setEnabled(false);
    ApplyFormatRule();
}

QCheckBox* CPageProtect::AddCheck(const QString& text, const QString& name, bool* member)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    m_checks.append({box, member});
    return box;
}

void CPageProtect::PushToControls()
{
    m_pCharsetCombo->setCurrentIndex(m_nCharset);
    for (const CheckBinding& check : m_checks) {
        check.box->setChecked(*check.member);
    }
    m_pLocationLockEdit->setText(m_strLocationLock);
    m_pReferrerLockEdit->setText(m_strReferrerLock);
    m_pCipherCombo->setCurrentIndex(RowForCipher(m_nCipher));
    const QSignalBlocker blocker(m_pIterationsSpin);
    m_pIterationsSpin->setValue(m_nKdfIterations);
    m_pAssetsCheck->setChecked(m_bProtectAssets);
    m_pSiteRootEdit->setText(m_strSiteRoot);
    m_pExcludeEdit->setText(m_strAssetExclude);
    m_pOutputRadio->setChecked(!m_strOutputFolder.isEmpty());
    m_pInPlaceRadio->setChecked(m_strOutputFolder.isEmpty());
    m_pOutputEdit->setText(m_strOutputFolder);
    ApplyOutputRule();
}

bool CPageProtect::PullFromControls()
{
    m_nCharset = m_pCharsetCombo->currentIndex();
    for (const CheckBinding& check : m_checks) {
        *check.member = check.box->isChecked();
    }
    m_strLocationLock = m_pLocationLockEdit->text();
    m_strReferrerLock = m_pReferrerLockEdit->text();
    m_nCipher = CipherForRow(m_pCipherCombo->currentIndex());
    m_nKdfIterations = m_pIterationsSpin->value();
    m_bProtectAssets = m_pAssetsCheck->isChecked();
    m_strSiteRoot = m_pSiteRootEdit->text().trimmed();
    m_strAssetExclude = m_pExcludeEdit->text().trimmed();
    // The choice is the radio's; a folder typed while in place is dropped.
    m_strOutputFolder = m_pOutputRadio->isChecked() ? m_pOutputEdit->text().trimmed() : QString();
    return true;
}

void CPageProtect::LoadFromProject(const CProject& data)
{
    m_nCharset = data.m_nCharset;
    m_bCopyHead = data.m_bCopyHead;
    m_bRefreshIE = data.m_bRefreshIE;
    m_bProtectLoginPages = data.m_bProtectLoginPages;
    m_bProtectAfterLogin = data.m_bProtectAfterLogin;
    m_bNoRightClick = data.m_bNoRightClick;
    m_bNoTextSelect = data.m_bNoTextSelect;
    m_bNoPrint = data.m_bNoPrint;
    m_bNoOffline = data.m_bNoOffline;
    m_bNoStatusLinks = data.m_bNoStatusLinks;
    m_bKillFrame = data.m_bKillFrame;
    m_bNoMozilla = data.m_bNoMozilla;
    m_bNoOpera = data.m_bNoOpera;
    m_bNoPrintScreen = data.m_bNoPrintScreen;
    m_bNoDragDrop = data.m_bNoDragDrop;
    m_bLocationLock = data.m_bLocationLock;
    m_strLocationLock = data.m_strLocationLock;
    m_bReferrerLock = data.m_bReferrerLock;
    m_strReferrerLock = data.m_strReferrerLock;
    m_nCipher = data.m_nCipher;
    m_nKdfIterations = data.m_nKdfIterations;
    m_baSalt = data.m_baSalt;
    m_baContentKey = data.m_baContentKey;
    m_bProtectAssets = data.m_bProtectAssets;
    m_strSiteRoot = data.m_strSiteRoot;
    m_strAssetExclude = data.m_strAssetExclude;
    m_strOutputFolder = data.m_strOutputFolder;
    m_bLoadedClassic = m_nCipher == CProject::kCipherClassic;
    m_bUpgradeWarned = false;
    PushToControls();
    ApplyEnablingRule();
    ApplyFormatRule();
}

void CPageProtect::SaveToProject(CProject& data)
{
    PullFromControls();
    data.m_nCharset = m_nCharset;
    data.m_bCopyHead = m_bCopyHead;
    data.m_bRefreshIE = m_bRefreshIE;
    data.m_bProtectLoginPages = m_bProtectLoginPages;
    data.m_bProtectAfterLogin = m_bProtectAfterLogin;
    data.m_bNoRightClick = m_bNoRightClick;
    data.m_bNoTextSelect = m_bNoTextSelect;
    data.m_bNoPrint = m_bNoPrint;
    data.m_bNoOffline = m_bNoOffline;
    data.m_bNoStatusLinks = m_bNoStatusLinks;
    data.m_bKillFrame = m_bKillFrame;
    data.m_bNoMozilla = m_bNoMozilla;
    data.m_bNoOpera = m_bNoOpera;
    data.m_bNoPrintScreen = m_bNoPrintScreen;
    data.m_bNoDragDrop = m_bNoDragDrop;
    data.m_bLocationLock = m_bLocationLock;
    data.m_strLocationLock = m_strLocationLock;
    data.m_bReferrerLock = m_bReferrerLock;
    data.m_strReferrerLock = m_strReferrerLock;
    data.m_nCipher = m_nCipher;
    data.m_nKdfIterations = m_nKdfIterations;
    data.m_baSalt = m_baSalt;
    data.m_baContentKey = m_baContentKey;
    data.m_bProtectAssets = m_bProtectAssets;
    data.m_strSiteRoot = m_strSiteRoot;
    data.m_strAssetExclude = m_strAssetExclude;
    data.m_strOutputFolder = m_strOutputFolder;
}

bool CPageProtect::ValidateForProtect()
{
    PullFromControls();
    if (m_pOutputRadio->isChecked() && m_strOutputFolder.isEmpty()) {
        CMessageBox::Warning(this, tr("Choose the folder the protected site is written to, or protect the "
                                      "pages in place."));
        m_pOutputEdit->setFocus();
        return false;
    }
    return true;
}

void CPageProtect::SetListedPages(const QStringList& pages)
{
    m_strDefaultRoot = CSiteFiles::DefaultRoot(pages);
    if (m_strDefaultRoot.isEmpty()) {
        m_pSiteRootEdit->setPlaceholderText(tr("the deepest folder that holds every listed page"));
        m_pDefaultRootLabel->setText(tr("When empty: the deepest folder that holds every listed page."));
        return;
    }
    const QString shown = QDir::toNativeSeparators(m_strDefaultRoot);
    m_pSiteRootEdit->setPlaceholderText(shown);
    m_pDefaultRootLabel->setText(
        tr("When empty: %1, the deepest folder that holds every listed page.").arg(shown));
}

void CPageProtect::OnBrowseOutput()
{
    const QString folder = CFileDialog::GetExistingDirectory(this, tr("Write the protected site to"),
                                                             m_pOutputEdit->text().trimmed());
    if (folder.isEmpty()) {
        return;
    }
    m_pOutputEdit->setText(folder);
    m_pOutputRadio->setChecked(true);
    ApplyOutputRule();
    SetProjectModified();
}

void CPageProtect::ApplyOutputRule()
{
    const bool elsewhere = m_pOutputRadio->isChecked();
    m_pOutputEdit->setEnabled(elsewhere);
    m_pOutputNote->setVisible(elsewhere);
    emit OutputElsewhereChanged(elsewhere);
}

void CPageProtect::ApplyEnablingRule()
{
    const bool group = m_pProtectLoginCheck->isChecked() || m_pProtectAfterCheck->isChecked();
    for (QCheckBox* box : m_hardening) {
        box->setEnabled(group);
    }
    m_pLocationLockCheck->setEnabled(group);
    m_pReferrerLockCheck->setEnabled(group);
    m_pLocationLockEdit->setEnabled(group && m_pLocationLockCheck->isChecked());
    m_pReferrerLockEdit->setEnabled(group && m_pReferrerLockCheck->isChecked());
}

void CPageProtect::ApplyFormatRule()
{
    const bool strong = CipherForRow(m_pCipherCombo->currentIndex()) == CProject::kCipherStrong;
    m_pClassicWarning->setVisible(!strong);
    m_pIterationsSpin->setEnabled(strong);
    m_pSignOutButton->setEnabled(strong);
    // Only the strong format enciphers the site's other files.
    m_pAssetsCheck->setEnabled(strong);
    const bool assets = strong && m_pAssetsCheck->isChecked();
    m_pAssetsNote->setEnabled(assets);
    m_pSiteRootEdit->setEnabled(assets);
    m_pDefaultRootLabel->setEnabled(assets);
    m_pExcludeEdit->setEnabled(assets);
}

void CPageProtect::OnCipherActivated()
{
    const int previous = m_nCipher;
    PullFromControls();
    ApplyFormatRule();
    if (m_nCipher == previous) {
        return;
    }
    SetProjectModified();
    if (m_nCipher == CProject::kCipherStrong && m_bLoadedClassic && !m_bUpgradeWarned) {
        m_bUpgradeWarned = true;
        CMessageBox::Warning(
            this, tr("Copies of the classic pages (old deploys, caches, backups) give away a digest "
                     "of the password that opens them without any guessing.\n\n"
                     "Choose a new password before protecting with strong encryption."));
    }
}

void CPageProtect::OnSignOut()
{
    const QString question =
        tr("Every page protected before will ask for the password again once the pages are protected and "
           "uploaded anew.\n\nSign everyone out?");
    if (CMessageBox::Question(this, question) != QMessageBox::Yes) {
        return;
    }
    // A temporary record draws the salt the same way a new project does.
    CProject fresh;
    if (!fresh.DrawSalt()) {
        CMessageBox::Warning(this, tr("No random numbers were available; the sign-out was not done."));
        return;
    }
    m_baSalt = fresh.m_baSalt;
    // The key the site's files are enciphered under goes too.
    m_baContentKey = fresh.m_baContentKey;
    SetProjectModified();
}
