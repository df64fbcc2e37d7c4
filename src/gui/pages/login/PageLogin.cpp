#include "gui/pages/login/PageLogin.h"

#include "engine/ProtectJob.h"
#include "gui/widgets/DigitSpinBox.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Letter case is ignored for A to Z only.
QString FoldAscii(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return folded;
}

} // namespace

CPageLogin::CPageLogin(IFrameServices* frame, QWidget* parent) : CPropertyViewPage(frame, tr("Login"), parent)
{
    // Login Expire
    auto* expireGroup = new QGroupBox(tr("Login Expire"), this);
    auto* expireText =
        new QLabel(tr("Specify when the login expire after login a protected web page."), expireGroup);
    expireText->setWordWrap(true);
    auto* expireLabel = new QLabel(tr("&Login expire after:"), expireGroup);
    m_pExpireCombo = new QComboBox(expireGroup);
    m_pExpireCombo->setObjectName(QStringLiteral("expireCombo"));
    m_pExpireCombo->addItems({tr("Web page unload"), tr("Web browser close"), tr("Specified days past")});
    expireLabel->setBuddy(m_pExpireCombo);
    m_pDaysLabel = new QLabel(tr("&Days:"), expireGroup);
    m_pDaysLabel->setObjectName(QStringLiteral("daysLabel"));
    m_pDaysEdit = new CDigitSpinBox(expireGroup);
    m_pDaysEdit->setObjectName(QStringLiteral("daysEdit"));
    m_pDaysEdit->SetRange(0, 9999);
    m_pDaysEdit->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 30);
    m_pDaysLabel->setBuddy(m_pDaysEdit);
    auto* expireRow = new QHBoxLayout;
    expireRow->addWidget(expireLabel);
    expireRow->addWidget(m_pExpireCombo);
    expireRow->addSpacing(16);
    expireRow->addWidget(m_pDaysLabel);
    expireRow->addWidget(m_pDaysEdit);
    expireRow->addStretch(1);
    // In Chromium every local file is of one origin, so a login shared
    // between tabs of file:// pages is shared with every local page too.
    m_pShareFileCheck = new QCheckBox(tr("Share logins of local (file://) pages between &tabs"), expireGroup);
    m_pShareFileCheck->setObjectName(QStringLiteral("shareFileCheck"));
    auto* shareWarning =
        new QLabel(tr("Warning: any local page open in this browser can then read this site."), expireGroup);
    shareWarning->setObjectName(QStringLiteral("shareFileWarning"));
    shareWarning->setWordWrap(true);
    shareWarning->setIndent(20);
    auto* expireLayout = new QVBoxLayout(expireGroup);
    expireLayout->addWidget(expireText);
    expireLayout->addLayout(expireRow);
    expireLayout->addWidget(m_pShareFileCheck);
    expireLayout->addWidget(shareWarning);

    // Login Incorrect
    auto* incorrectGroup = new QGroupBox(tr("Login Incorrect"), this);
    auto* incorrectText = new QLabel(tr("If the login is incorrect, then"), incorrectGroup);
    m_pAlertRadio = new QRadioButton(tr("&Alert with text"), incorrectGroup);
    m_pAlertRadio->setObjectName(QStringLiteral("alertRadio"));
    m_pRedirectRadio = new QRadioButton(tr("&Redirect to URL"), incorrectGroup);
    m_pRedirectRadio->setObjectName(QStringLiteral("redirectRadio"));
    auto* reactionGroup = new QButtonGroup(this);
    reactionGroup->addButton(m_pAlertRadio, 0);
    reactionGroup->addButton(m_pRedirectRadio, 1);
    m_pAlertEdit = new QLineEdit(incorrectGroup);
    m_pAlertEdit->setObjectName(QStringLiteral("alertEdit"));
    m_pAlertEdit->setMaxLength(1000);
    m_pUrlEdit = new QLineEdit(incorrectGroup);
    m_pUrlEdit->setObjectName(QStringLiteral("urlEdit"));
    m_pUrlEdit->setMaxLength(1560);
    m_pTargetLabel = new QLabel(tr("&Target:"), incorrectGroup);
    m_pTargetLabel->setObjectName(QStringLiteral("targetLabel"));
    m_pTargetCombo = new QComboBox(incorrectGroup);
    m_pTargetCombo->setObjectName(QStringLiteral("targetCombo"));
    m_pTargetCombo->setEditable(true);
    m_pTargetCombo->setInsertPolicy(QComboBox::NoInsert);
    m_pTargetCombo->setDuplicatesEnabled(true);
    m_pTargetCombo->addItems({QString(), QStringLiteral("_blank"), QStringLiteral("_parent"),
                              QStringLiteral("_self"), QStringLiteral("_top")});
    m_pTargetCombo->lineEdit()->setMaxLength(100);
    // An editable combo box would complete "_b" to "_blank" while typing;
    // the target is taken as typed.
    m_pTargetCombo->setCompleter(nullptr);
    m_pTargetLabel->setBuddy(m_pTargetCombo);
    // The two edits grow with the window up to a comfortable line of
    // text; the controls around them keep their own widths, so a wide
    // window leaves the room on the right empty.
    const int editWidth = fontMetrics().averageCharWidth() * 60;
    m_pAlertEdit->setMaximumWidth(editWidth);
    m_pUrlEdit->setMaximumWidth(editWidth);
    for (QWidget* fixed :
         std::initializer_list<QWidget*>{m_pAlertRadio, m_pRedirectRadio, m_pTargetLabel, m_pTargetCombo}) {
        fixed->setSizePolicy(QSizePolicy::Maximum, fixed->sizePolicy().verticalPolicy());
    }
    auto* incorrectGrid = new QGridLayout;
    incorrectGrid->setContentsMargins(0, 0, 0, 0);
    incorrectGrid->addWidget(m_pAlertRadio, 0, 0);
    incorrectGrid->addWidget(m_pAlertEdit, 0, 1);
    incorrectGrid->addWidget(m_pRedirectRadio, 1, 0);
    incorrectGrid->addWidget(m_pUrlEdit, 1, 1);
    incorrectGrid->addWidget(m_pTargetLabel, 1, 2);
    incorrectGrid->addWidget(m_pTargetCombo, 1, 3);
    incorrectGrid->setColumnStretch(1, 1);
    incorrectGrid->setColumnMinimumWidth(3, fontMetrics().horizontalAdvance(QStringLiteral("_parent")) + 60);
    auto* incorrectRows = new QHBoxLayout;
    incorrectRows->addLayout(incorrectGrid, 1);
    incorrectRows->addStretch(0);
    auto* incorrectLayout = new QVBoxLayout(incorrectGroup);
    incorrectLayout->addWidget(incorrectText);
    incorrectLayout->addLayout(incorrectRows);

    // Advanced
    auto* advancedGroup = new QGroupBox(tr("Advanced"), this);
    m_pUserCaseCheck = new QCheckBox(tr("&User name case sensitive"), advancedGroup);
    m_pUserCaseCheck->setObjectName(QStringLiteral("userCaseCheck"));
    m_pPasswordCaseCheck = new QCheckBox(tr("&Password case sensitive"), advancedGroup);
    m_pPasswordCaseCheck->setObjectName(QStringLiteral("passwordCaseCheck"));
    auto* advancedLayout = new QVBoxLayout(advancedGroup);
    advancedLayout->addWidget(m_pUserCaseCheck);
    advancedLayout->addWidget(m_pPasswordCaseCheck);

    // The groups keep their natural height; a taller window leaves the
    // room below them empty.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(expireGroup);
    layout->addWidget(incorrectGroup);
    layout->addWidget(advancedGroup);
    layout->addStretch(1);

    SetToolTips({
        {"expireCombo",
         tr("How long the browser keeps a visitor logged in after the password was accepted.")},
        {"daysEdit", tr("The number of days a login is remembered in the visitor's browser.")},
        {"shareFileCheck",
         tr("Lets a login typed in one tab open the site's local pages in the browser's other "
            "tabs too.")},
        {"alertRadio", tr("After a wrong login the visitor's browser shows the text on the right.")},
        {"alertEdit", tr("The text the login page shows after a wrong password.")},
        {"redirectRadio", tr("After a wrong login the visitor's browser goes to the address on the right.")},
        {"urlEdit", tr("The address a wrong login leads to.")},
        {"targetCombo", tr("The window or frame that opens the address (empty: the page itself).")},
        {"userCaseCheck",
         tr("Whether the login page tells upper-case from lower-case letters in user names.")},
        {"passwordCaseCheck", tr("Whether the login page tells upper-case from lower-case letters in "
                                 "passwords.")},
    });

    connect(m_pExpireCombo, &QComboBox::activated, this, &CPageLogin::OnExpireActivated);
    connect(m_pDaysEdit, &CDigitSpinBox::textEditedByUser, this, [this] { SetProjectModified(); });
    connect(m_pAlertRadio, &QRadioButton::clicked, this, [this] { OnReactionClicked(0); });
    connect(m_pRedirectRadio, &QRadioButton::clicked, this, [this] { OnReactionClicked(1); });
    connect(m_pAlertEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pUrlEdit, &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pTargetCombo, &QComboBox::activated, this, [this] { SetProjectModified(); });
    connect(m_pTargetCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { SetProjectModified(); });
    connect(m_pUserCaseCheck, &QCheckBox::clicked, this, [this] { SetProjectModified(); });
    connect(m_pPasswordCaseCheck, &QCheckBox::clicked, this, [this] { SetProjectModified(); });
    connect(m_pShareFileCheck, &QCheckBox::clicked, this, [this] { SetProjectModified(); });

    // The controls start as the page's template has them: the days and
    // the redirect controls disabled.
    PushToControls();
    ApplyExpireRule(1);
    ApplyReactionRule(0);
}

void CPageLogin::PushToControls()
{
    m_pExpireCombo->setCurrentIndex(m_nLoginExpire);
    m_pDaysEdit->SetText(QString::number(m_nExpireDays));
    m_pAlertRadio->setChecked(m_nIncorrectAction == CProject::kIncorrectAlert);
    m_pRedirectRadio->setChecked(m_nIncorrectAction == CProject::kIncorrectRedirect);
    m_pAlertEdit->setText(m_strAlertText);
    m_pUrlEdit->setText(m_strRedirectURL);
    SetTargetText(m_strRedirectTarget);
    m_pUserCaseCheck->setChecked(m_bUserNameCase);
    m_pPasswordCaseCheck->setChecked(m_bPasswordCase);
    m_pShareFileCheck->setChecked(m_bShareFileLogins);
}

bool CPageLogin::PullFromControls()
{
    m_nLoginExpire = m_pExpireCombo->currentIndex();
    bool ok = false;
    const int days = m_pDaysEdit->Text().trimmed().toInt(&ok, 10);
    if (!ok) {
        CMessageBox::Warning(this, tr("Enter an integer."));
        m_pDaysEdit->setFocus(Qt::OtherFocusReason);
        m_pDaysEdit->selectAll();
        return false;
    }
    m_nExpireDays = days;
    m_nIncorrectAction = m_pAlertRadio->isChecked()      ? CProject::kIncorrectAlert
                         : m_pRedirectRadio->isChecked() ? CProject::kIncorrectRedirect
                                                         : -1;
    m_strAlertText = m_pAlertEdit->text();
    m_strRedirectURL = m_pUrlEdit->text();
    m_strRedirectTarget = m_pTargetCombo->currentText();
    m_bUserNameCase = m_pUserCaseCheck->isChecked();
    m_bPasswordCase = m_pPasswordCaseCheck->isChecked();
    m_bShareFileLogins = m_pShareFileCheck->isChecked();
    return true;
}

void CPageLogin::LoadFromProject(const CProject& data)
{
    m_nLoginExpire = data.m_nLoginExpire;
    m_nExpireDays = data.m_nExpireDays;
    m_nIncorrectAction = data.m_nIncorrectAction;
    m_strAlertText = data.m_strAlertText;
    m_strRedirectURL = data.m_strRedirectURL;
    m_strRedirectTarget = data.m_strRedirectTarget;
    m_bUserNameCase = data.m_bUserNameCase;
    m_bPasswordCase = data.m_bPasswordCase;
    m_bShareFileLogins = data.m_bShareFileLogins;
    PushToControls();
    ApplyExpireRule(m_nLoginExpire);
    ApplyReactionRule(m_nIncorrectAction);
}

void CPageLogin::SaveToProject(CProject& data)
{
    PullFromControls();
    data.m_nLoginExpire = m_nLoginExpire;
    data.m_nExpireDays = m_nExpireDays;
    data.m_nIncorrectAction = m_nIncorrectAction;
    data.m_strAlertText = m_strAlertText;
    data.m_strRedirectURL = m_strRedirectURL;
    data.m_strRedirectTarget = m_strRedirectTarget;
    data.m_bUserNameCase = m_bUserNameCase;
    data.m_bPasswordCase = m_bPasswordCase;
    data.m_bShareFileLogins = m_bShareFileLogins;
}

bool CPageLogin::ValidateForProtect()
{
    PullFromControls();
    const QString problem = CProtectJob::CheckLogin(m_nIncorrectAction, m_strAlertText, m_strRedirectURL);
    if (!problem.isEmpty()) {
        CMessageBox::Warning(this, problem);
        return false;
    }
    return true;
}

void CPageLogin::ApplyExpireRule(int loginExpire)
{
    const bool days = loginExpire == CProject::kExpireAfterDays;
    m_pDaysLabel->setEnabled(days);
    m_pDaysEdit->setEnabled(days);
}

void CPageLogin::ApplyReactionRule(int incorrectAction)
{
    const bool redirect = incorrectAction == CProject::kIncorrectRedirect;
    m_pAlertEdit->setEnabled(!redirect);
    m_pUrlEdit->setEnabled(redirect);
    m_pTargetLabel->setEnabled(redirect);
    m_pTargetCombo->setEnabled(redirect);
}

void CPageLogin::SetTargetText(const QString& target)
{
    // A stored target that begins a list entry (letter case ignored)
    // selects that entry; any other is shown as it is.
    const QString folded = FoldAscii(target);
    for (int i = 0; i < m_pTargetCombo->count(); ++i) {
        if (FoldAscii(m_pTargetCombo->itemText(i)).startsWith(folded)) {
            m_pTargetCombo->setCurrentIndex(i);
            m_pTargetCombo->setEditText(m_pTargetCombo->itemText(i));
            return;
        }
    }
    m_pTargetCombo->setCurrentIndex(-1);
    m_pTargetCombo->setEditText(target);
}

void CPageLogin::OnExpireActivated(int index)
{
    if (index < 0) {
        return;
    }
    ApplyExpireRule(index);
    SetProjectModified();
}

void CPageLogin::OnReactionClicked(int incorrectAction)
{
    ApplyReactionRule(incorrectAction);
    SetProjectModified();
}
