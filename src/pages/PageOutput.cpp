#include "pages/PageOutput.h"

#include "model/AppGlobalData.h"
#include "model/CharsetTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CPageOutput::CPageOutput(IFrameServices* frame, QWidget* parent)
    : CPropertyViewPage(frame, QStringLiteral("Protect"), parent)
{
    auto* charsetLabel =
        new QLabel(QStringLiteral("&Specify charset of the files which will be protected."), this);
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
    m_pCopyHeadCheck = AddCheck(
        QStringLiteral("&Copy HEAD section of the files which will be proteced to their login pages"),
        QStringLiteral("copyHeadCheck"), &m_bCopyHead);
    QCheckBox* noRightClick = AddCheck(QStringLiteral("Disable &right mouse click"),
                                       QStringLiteral("noRightClickCheck"), &m_bNoRightClick);
    QCheckBox* noTextSelect = AddCheck(QStringLiteral("Disable &text select"),
                                       QStringLiteral("noTextSelectCheck"), &m_bNoTextSelect);
    QCheckBox* noPrint =
        AddCheck(QStringLiteral("Disable &page printing"), QStringLiteral("noPrintCheck"), &m_bNoPrint);
    QCheckBox* noOffline = AddCheck(QStringLiteral("Disable &off-line page viewing"),
                                    QStringLiteral("noOfflineCheck"), &m_bNoOffline);
    QCheckBox* noStatusLinks = AddCheck(QStringLiteral("&Don't display links in status bar"),
                                        QStringLiteral("noStatusLinksCheck"), &m_bNoStatusLinks);
    m_pLocationLockCheck =
        AddCheck(QStringLiteral("Locatio&n lock:"), QStringLiteral("locationLockCheck"), &m_bLocationLock);
    m_pRefreshCheck = AddCheck(QStringLiteral("R&efresh page after login with Microsoft Internet Explore"),
                               QStringLiteral("refreshCheck"), &m_bRefreshIE);
    QCheckBox* killFrame =
        AddCheck(QStringLiteral("&Kill frame"), QStringLiteral("killFrameCheck"), &m_bKillFrame);
    m_pReferrerLockCheck =
        AddCheck(QStringLiteral("Re&ferrer lock:"), QStringLiteral("referrerLockCheck"), &m_bReferrerLock);
    QCheckBox* noMozilla =
        AddCheck(QStringLiteral("Disable mo&zilla user"), QStringLiteral("noMozillaCheck"), &m_bNoMozilla);
    QCheckBox* noOpera =
        AddCheck(QStringLiteral("Disable opera &user"), QStringLiteral("noOperaCheck"), &m_bNoOpera);
    QCheckBox* noPrintScreen = AddCheck(QStringLiteral("Disable pr&intscreen"),
                                        QStringLiteral("noPrintScreenCheck"), &m_bNoPrintScreen);
    QCheckBox* noDragDrop =
        AddCheck(QStringLiteral("Disable dra&g and drop"), QStringLiteral("noDragDropCheck"), &m_bNoDragDrop);
    m_pProtectLoginCheck = AddCheck(QStringLiteral("Protect &login pages with following scripts"),
                                    QStringLiteral("protectLoginCheck"), &m_bProtectLoginPages);
    m_pProtectAfterCheck = AddCheck(QStringLiteral("Protect pages &after login with following scripts"),
                                    QStringLiteral("protectAfterCheck"), &m_bProtectAfterLogin);
    m_hardening = {noRightClick, noTextSelect, noPrint, noOffline,     noStatusLinks,
                   killFrame,    noMozilla,    noOpera, noPrintScreen, noDragDrop};

    m_pLocationLockEdit = new QLineEdit(this);
    m_pLocationLockEdit->setObjectName(QStringLiteral("locationLockEdit"));
    m_pReferrerLockEdit = new QLineEdit(this);
    m_pReferrerLockEdit->setObjectName(QStringLiteral("referrerLockEdit"));

    auto* scriptGroup = new QGroupBox(QStringLiteral("Script"), this);
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
    grid->setRowStretch(lockRow + 2, 1);
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
    layout->addSpacing(6);
    layout->addLayout(scriptChecks);
    layout->addWidget(scriptGroup, 1);

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

    // As the page's template has them: all enabled but the two lock edits.
    PushToControls();
    m_pLocationLockEdit->setEnabled(false);
    m_pReferrerLockEdit->setEnabled(false);
}

QCheckBox* CPageOutput::AddCheck(const QString& text, const QString& name, int* member)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    m_checks.append({box, member});
    return box;
}

void CPageOutput::PushToControls()
{
    m_pCharsetCombo->setCurrentIndex(m_nCharset);
    for (const CheckBinding& check : m_checks) {
        check.box->setChecked(*check.member != 0);
    }
    m_pLocationLockEdit->setText(m_strLocationLock);
    m_pReferrerLockEdit->setText(m_strReferrerLock);
}

bool CPageOutput::PullFromControls()
{
    m_nCharset = m_pCharsetCombo->currentIndex();
    for (const CheckBinding& check : m_checks) {
        *check.member = check.box->isChecked() ? 1 : 0;
    }
    m_strLocationLock = m_pLocationLockEdit->text();
    m_strReferrerLock = m_pReferrerLockEdit->text();
    return true;
}

void CPageOutput::LoadFromProject(const CAppGlobalData& data)
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
    PushToControls();
    ApplyEnablingRule();
}

void CPageOutput::SaveToProject(CAppGlobalData& data)
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
}

bool CPageOutput::ValidateForProtect()
{
    PullFromControls();
    return true;
}

void CPageOutput::ApplyEnablingRule()
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
