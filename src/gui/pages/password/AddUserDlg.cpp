#include "gui/pages/password/AddUserDlg.h"

#include "common/RandomString.h"
#include "gui/frame/FrameServices.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/MessageBox.h"
#include "users/PasswordStrength.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* objectName, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(objectName));
    edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* MakeIconButton(QWidget* parent, const char* objectName, const QIcon& icon, const QString& tip)
{
    auto* button = new QPushButton(icon, QString(), parent);
    button->setObjectName(QLatin1String(objectName));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CAddUserDlg::CAddUserDlg(IFrameServices* frame, QWidget* parent)
    : CHelpDialog(frame, kHelpTopic, parent),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_pUserNameEdit(MakeEdit(this, "userNameEdit", 200)),
      m_pPasswordEdit(MakeEdit(this, "passwordEdit", 200)),
      m_pFullNameEdit(MakeEdit(this, "fullNameEdit", 300)), m_pEmailEdit(MakeEdit(this, "emailEdit", 200)),
      m_pDescriptionEdit(MakeEdit(this, "descriptionEdit", 2000))
{
    auto* intro =
        new QLabel(tr("Input information of the user here, user name and password is required."), this);
    intro->setWordWrap(true);

    auto* randomButton =
        MakeIconButton(this, "randomPasswordButton", CAppIcons::Icon(CAppIcons::Role::RandomPassword),
                       tr("Generate a random password"));
    auto* mailButton = MakeIconButton(this, "mailButton", CAppIcons::Icon(CAppIcons::Role::Mail),
                                      tr("Mail the account information to this address"));

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    const std::pair<const char*, QLineEdit*> rows[] = {
        {QT_TR_NOOP("&User Name:"), m_pUserNameEdit},      {QT_TR_NOOP("&Password:"), m_pPasswordEdit},
        {QT_TR_NOOP("&Full Name:"), m_pFullNameEdit},      {QT_TR_NOOP("&Email:"), m_pEmailEdit},
        {QT_TR_NOOP("&Description:"), m_pDescriptionEdit},
    };
    // The strength hint sits right under the password.
    auto* strengthLabel = new QLabel(this);
    strengthLabel->setObjectName(QStringLiteral("passwordStrengthLabel"));
    strengthLabel->setWordWrap(true);
    // Room for the longest hint is kept from the start, so the rows below
    // do not move while the password is typed.
    strengthLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    strengthLabel->setMinimumHeight(strengthLabel->fontMetrics().lineSpacing() * 2);
    int row = 0;
    for (const auto& [text, edit] : rows) {
        auto* label = new QLabel(tr(text), this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        if (edit == m_pPasswordEdit) {
            grid->addWidget(randomButton, row, 2);
            grid->addWidget(strengthLabel, ++row, 1);
        } else if (edit == m_pEmailEdit) {
            grid->addWidget(mailButton, row, 2);
        }
        ++row;
    }
    connect(m_pPasswordEdit, &QLineEdit::textChanged, strengthLabel,
            [strengthLabel](const QString& text) { strengthLabel->setText(PasswordStrength::Hint(text)); });

    auto* buttons = new QDialogButtonBox(this);
    auto* okButton = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    auto* helpButton = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    helpButton->setAutoDefault(false);
    okButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(4);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addSpacing(8);
    layout->addWidget(buttons);

    connect(randomButton, &QPushButton::clicked, this, &CAddUserDlg::OnRandomPassword);
    connect(mailButton, &QPushButton::clicked, this, &CAddUserDlg::OnMail);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddUserDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddUserDlg::reject);
    ConnectHelpButton(buttons);

    SetTitle(tr("Add User"));
    // Room for a typical value in every box without stretching the dialog.
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    m_pUserNameEdit->setFocus();
}

void CAddUserDlg::SetTitle(const QString& title)
{
    m_strTitle = title;
    setWindowTitle(title);
}

void CAddUserDlg::SetUser(const CUserListNode& user)
{
    m_user = user;
    m_pUserNameEdit->setText(user.m_strUserName);
    m_pPasswordEdit->setText(user.m_strPassword);
    m_pFullNameEdit->setText(user.m_strFullName);
    m_pEmailEdit->setText(user.m_strEmail);
    m_pDescriptionEdit->setText(user.m_strDescription);
}

void CAddUserDlg::PullFromControls()
{
    m_user.m_strUserName = m_pUserNameEdit->text();
    m_user.m_strPassword = m_pPasswordEdit->text();
    m_user.m_strFullName = m_pFullNameEdit->text();
    m_user.m_strEmail = m_pEmailEdit->text();
    m_user.m_strDescription = m_pDescriptionEdit->text();
}

void CAddUserDlg::accept()
{
    PullFromControls();
    if (m_user.m_strUserName.isEmpty() || m_user.m_strPassword.isEmpty()) {
        CMessageBox::Warning(this, tr("The user name and password can't be empty!"));
        return;
    }
    QDialog::accept();
}

QUrl CAddUserDlg::MailAddress(const QString& email, const QString& userName, const QString& password)
{
    const auto encode = [](const QString& value) {
        return QString::fromLatin1(QUrl::toPercentEncoding(value));
    };
    const QString subject = tr("Your account information");
    const QString body = tr("User Name: %1 Password: %2").arg(userName, password);
    return QUrl(QStringLiteral("mailto:%1?subject=%2&body=%3").arg(email, encode(subject), encode(body)));
}

void CAddUserDlg::OnRandomPassword()
{
    m_pPasswordEdit->setText(RandomString(8));
}

void CAddUserDlg::OnMail()
{
    PullFromControls();
    if (!m_openUrl(MailAddress(m_user.m_strEmail, m_user.m_strUserName, m_user.m_strPassword))) {
        CMessageBox::Warning(this, tr("Send mail failure!\nNo mail program or no default mail program on "
                                      "your operation system."));
    }
}
