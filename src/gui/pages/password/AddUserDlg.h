#pragma once

#include "gui/frame/HelpDialog.h"
#include "model/UserListNode.h"

#include <QUrl>
#include <functional>

class IFrameServices;
class QLineEdit;
class QPushButton;

// The modal dialog in which one user of the multi-user list is entered or
// changed. The caller sets the title and the values, runs it and reads the
// values back after OK; whether the user name is unique is the caller's
// test. Values are taken exactly as typed, nothing is trimmed.
class CAddUserDlg final : public CHelpDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(CAddUserDlg)

public:
    // Help context of the dialog.
    static constexpr HelpTopic kHelpTopic = HelpTopic::AddUser;

    explicit CAddUserDlg(IFrameServices* frame, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const { return m_strTitle; }
    // Fills the five edit boxes.
    void SetUser(const CUserListNode& user);
    // The values as pulled by OK (or by the mail button).
    CUserListNode User() const { return m_user; }

    // The address handed to the mail program: "mailto:" + e-mail address,
    // the subject "Your account information" and a body with the user name
    // and password. Subject and body are percent-encoded, so a value holding
    // '&', '#' or '%' reaches the mail intact.
    static QUrl MailAddress(const QString& email, const QString& userName, const QString& password);

    // How the mail address is handed over (QDesktopServices::openUrl unless
    // replaced); false means no program took it.
    using UrlOpener = std::function<bool(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    // Keeps the dialog open, with a message, while the user name or the
    // password is empty.
    void accept() override;

protected:
private:
    void PullFromControls();
    void OnRandomPassword();
    void OnMail();

    QString m_strTitle;
    CUserListNode m_user;
    UrlOpener m_openUrl;

    QLineEdit* m_pUserNameEdit;
    QLineEdit* m_pPasswordEdit;
    QLineEdit* m_pFullNameEdit;
    QLineEdit* m_pEmailEdit;
    QLineEdit* m_pDescriptionEdit;
};
