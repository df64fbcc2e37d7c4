#include "engine/ProtectJob.h"

#include "common/AsciiText.h"
#include "model/Project.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// A browser's login field turns a line break into a space, so a credential
// with one could never be typed.
bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QList<CProtectJob::Problem> CProtectJob::Check(const CProject& data)
{
    QList<Problem> problems;
    const auto add = [&problems](Page page, const QString& message) {
        if (!message.isEmpty()) {
            problems.append({page, message});
        }
    };
    add(Page::Files, CheckFiles(data.m_listFiles));
    add(Page::Password,
        CheckPassword(data.m_nPasswordMode, data.m_strPassword, data.m_listUsers, data.m_bUserNameCase));
    add(Page::Login, CheckLogin(data.m_nIncorrectAction, data.m_strAlertText, data.m_strRedirectURL));
    add(Page::Template, CheckTemplate(data.m_strTemplatePath));
    if (data.UsesSiteKeys()) {
        add(Page::Protect, CheckProtect(data.m_nCipher, data.m_nKdfIterations, data.m_baSalt));
    }
    add(Page::Protect,
        CheckSiteFiles(data.m_nCipher, data.m_bProtectAssets, data.m_strSiteRoot, data.m_listFiles));
    return problems;
}

QString CProtectJob::CheckFiles(const QStringList& files)
{
    if (files.isEmpty()) {
        return QStringLiteral(
            "No files have been added to protect! Please add files to list before protect.");
    }
    return {};
}

QString CProtectJob::CheckPassword(int passwordMode, const QString& password,
                                   const QList<CUserListNode>& users, bool userNameCase)
{
    // A password of blanks is a password: no trimming.
    if (passwordMode == CProject::kSinglePassword && password.isEmpty()) {
        return QStringLiteral("You select to use single password mode, but the password is empty! "
                              "Please input a password before protect.");
    }
    if (passwordMode == CProject::kSinglePassword && HasLineBreak(password)) {
        return QStringLiteral("The password holds a line break, which nobody could type into a login page.");
    }
    if (passwordMode != CProject::kMultipleUsers) {
        return {};
    }
    if (users.isEmpty()) {
        return QStringLiteral("You select to use multiple user name and password mode, but the users list is "
                              "empty! Please add at least an user before protect.");
    }
    QSet<QString> names;
    for (const CUserListNode& user : users) {
        if (HasLineBreak(user.m_strUserName) || HasLineBreak(user.m_strPassword)) {
            return QStringLiteral(
                       "The user \"%1\" has a line break in the name or password, which nobody could "
                       "type into a login page.")
                .arg(user.m_strUserName.simplified());
        }
        // Two users whose names the login can't tell apart: the second
        // could never log in with a password of its own.
        const QString key = userNameCase ? user.m_strUserName : AsciiText::Fold(user.m_strUserName);
        if (names.contains(key)) {
            return QStringLiteral("The user name \"%1\" is in the list twice.").arg(user.m_strUserName);
        }
        names.insert(key);
    }
    return {};
}

QString CProtectJob::CheckLogin(int incorrectAction, const QString& alertText, const QString& redirectUrl)
{
    if (incorrectAction == CProject::kIncorrectAlert && alertText.isEmpty()) {
        return QStringLiteral(
            "You select to use alert with text if login incorrect, but the alert text is empty! "
            "Please input an alert text before protect.");
    }
    if (incorrectAction == CProject::kIncorrectRedirect && redirectUrl.isEmpty()) {
        return QStringLiteral(
            "You select to use redirect to URL if login incorrect, but the URL is empty! Please "
            "input an URL before protect.");
    }
    return {};
}

QString CProtectJob::CheckTemplate(const QString& templatePath)
{
    if (templatePath.isEmpty()) {
        return QStringLiteral("No template is selected! Please select a template before protect.");
    }
    return {};
}

QString CProtectJob::CheckProtect(int cipher, int iterations, const QByteArray& salt)
{
    if (cipher != CProject::kCipherStrong) {
        return {};
    }
    if (iterations < CProject::kMinKdfIterations || iterations > CProject::kMaxKdfIterations) {
        return QStringLiteral("The number of key iterations must lie between %1 and %2.")
            .arg(CProject::kMinKdfIterations)
            .arg(CProject::kMaxKdfIterations);
    }
    if (!salt.isEmpty() && salt.size() != 16) {
        return QStringLiteral("The project's salt must be 16 bytes (32 hex digits).");
    }
    return {};
}

QString CProtectJob::CheckSiteFiles(int cipher, bool protectAssets, const QString& siteRoot,
                                    const QStringList& files)
{
    if (!protectAssets) {
        return {};
    }
    if (cipher != CProject::kCipherStrong) {
        return QStringLiteral(
            "Only the strong page format can encipher the site's other files: choose the strong "
            "format or turn the option off.");
    }
    const QString root = siteRoot.trimmed();
    if (root.isEmpty()) {
        return {};
    }
    const QString folder = QDir::cleanPath(QDir(root).absolutePath()) + QLatin1Char('/');
    if (!QFileInfo(folder).isDir()) {
        return QStringLiteral("The site root %1 is not a folder.").arg(root);
    }
    for (const QString& file : files) {
        if (!QDir::cleanPath(QFileInfo(file).absoluteFilePath()).startsWith(folder)) {
            return QStringLiteral("The page %1 lies outside the site root %2.").arg(file, root);
        }
    }
    return {};
}
