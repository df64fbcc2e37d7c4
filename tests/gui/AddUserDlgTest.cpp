#include "gui/pages/password/AddUserDlg.h"

#include "gui/GuiTestUtil.h"
#include "gui/widgets/MessageBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrlQuery>
#include <QtTest>

namespace {

CUserListNode User(const char* name, const char* password, const char* fullName = "", const char* email = "",
                   const char* description = "")
{
    CUserListNode user;
    user.m_strUserName = QString::fromUtf8(name);
    user.m_strPassword = QString::fromUtf8(password);
    user.m_strFullName = QString::fromUtf8(fullName);
    user.m_strEmail = QString::fromUtf8(email);
    user.m_strDescription = QString::fromUtf8(description);
    return user;
}

} // namespace

class AddUserDlgTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;

    static QLineEdit* Edit(const CAddUserDlg& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QLatin1String(name));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
    }
    void init()
    {
        m_frame.Reset();
        CMessageBox::ClearShownTexts();
    }

    void fields_haveTheirLimitsAndTheTitleIsSet()
    {
        CAddUserDlg dialog(&m_frame);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add User"));
        dialog.SetTitle(QStringLiteral("Edit User"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit User"));
        const std::pair<const char*, int> limits[] = {{"userNameEdit", 200},
                                                      {"passwordEdit", 200},
                                                      {"fullNameEdit", 300},
                                                      {"emailEdit", 200},
                                                      {"descriptionEdit", 2000}};
        for (const auto& [name, limit] : limits) {
            QVERIFY2(Edit(dialog, name), name);
            QCOMPARE(Edit(dialog, name)->maxLength(), limit);
        }
    }

    void ok_needsUserNameAndPasswordButAcceptsBlanks()
    {
        const QString message = QStringLiteral("The user name and password can't be empty!");
        for (const CUserListNode& incomplete : {User("jdoe", ""), User("", "pw"), User("", "")}) {
            CAddUserDlg dialog(&m_frame);
            dialog.show();
            dialog.SetUser(incomplete);
            dialog.accept();
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(CMessageBox::ShownTexts(), (QStringList{message, message, message}));

        // Values are taken as typed: a password of blanks, untrimmed names.
        CMessageBox::ClearShownTexts();
        CAddUserDlg dialog(&m_frame);
        dialog.show();
        Edit(dialog, "userNameEdit")->setText(QStringLiteral(" jdoe "));
        Edit(dialog, "passwordEdit")->setText(QStringLiteral("   "));
        dialog.accept();
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.User(), User(" jdoe ", "   "));
    }

    void strengthHint_followsThePasswordWithoutBlockingOk()
    {
        CAddUserDlg dialog(&m_frame);
        dialog.show();
        auto* hint = dialog.findChild<QLabel*>(QStringLiteral("passwordStrengthLabel"));
        QVERIFY(hint);
        QCOMPARE(hint->text(), QString());
        // The rows under the hint stay where they are while it fills in.
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const int fullNameTop = Edit(dialog, "fullNameEdit")->mapTo(&dialog, QPoint()).y();
        QTest::keyClicks(Edit(dialog, "passwordEdit"), QStringLiteral("abc"));
        QVERIFY2(hint->text().startsWith(QStringLiteral("Weak: 3 characters")), qPrintable(hint->text()));
        QApplication::processEvents();
        QCOMPARE(Edit(dialog, "fullNameEdit")->mapTo(&dialog, QPoint()).y(), fullNameTop);
        dialog.SetUser(User("jdoe", "Correct-Horse-9"));
        QVERIFY2(hint->text().startsWith(QStringLiteral("Strong: 15 characters, 4 kinds")),
                 qPrintable(hint->text()));
        Edit(dialog, "passwordEdit")->setText(QStringLiteral("x"));
        dialog.accept();
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void editWithUnchangedValues_returnsTheSameFive()
    {
        const CUserListNode user = User("jdoe", "pw", "John Doe", "jdoe@example.com", "Sales");
        CAddUserDlg dialog(&m_frame);
        dialog.SetUser(user);
        QCOMPARE(Edit(dialog, "fullNameEdit")->text(), QStringLiteral("John Doe"));
        dialog.accept();
        QCOMPARE(dialog.User(), user);
    }

    void randomPassword_fillsEightLettersOrDigits()
    {
        CAddUserDlg dialog(&m_frame);
        dialog.findChild<QPushButton*>(QStringLiteral("randomPasswordButton"))->click();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-zA-Z]{8}$"))
                    .match(Edit(dialog, "passwordEdit")->text())
                    .hasMatch());
    }

    void mailAddress_carriesSubjectAndBodyIntact()
    {
        const QUrl noAddress =
            CAddUserDlg::MailAddress(QString(), QStringLiteral("jdoe"), QStringLiteral("a&b #c%"));
        QVERIFY(noAddress.isValid());
        QVERIFY(noAddress.toString().startsWith(QStringLiteral("mailto:?subject=")));
        const QUrlQuery query(noAddress);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Your account information"));
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("User Name: jdoe Password: a&b #c%"));

        const QUrl address = CAddUserDlg::MailAddress(QStringLiteral("jdoe@example.com"),
                                                      QStringLiteral("jdoe"), QStringLiteral("pw"));
        QCOMPARE(address.scheme(), QStringLiteral("mailto"));
        QCOMPARE(address.path(), QStringLiteral("jdoe@example.com"));
    }

    void mailButton_handsOverTheAddressAndReportsFailure()
    {
        CAddUserDlg dialog(&m_frame);
        dialog.show();
        QList<QUrl> opened;
        bool succeed = true;
        dialog.SetUrlOpener([&](const QUrl& url) {
            opened.append(url);
            return succeed;
        });
        dialog.SetUser(User("jdoe", "pw", "", "jdoe@example.com"));
        auto* mail = dialog.findChild<QPushButton*>(QStringLiteral("mailButton"));
        mail->click();
        QCOMPARE(opened,
                 (QList<QUrl>{CAddUserDlg::MailAddress(QStringLiteral("jdoe@example.com"),
                                                       QStringLiteral("jdoe"), QStringLiteral("pw"))}));
        QVERIFY(CMessageBox::ShownTexts().isEmpty());

        succeed = false;
        mail->click();
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QStringLiteral("Send mail failure!\nNo mail program or no default "
                                            "mail program on your operation system.")});
        QVERIFY(dialog.isVisible());
    }

    void helpButtonAndF1_openTopicTwo()
    {
        CAddUserDlg dialog(&m_frame);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
            if (button->text() == QStringLiteral("&Help")) {
                button->click();
            }
        }
        QTest::keyClick(Edit(dialog, "emailEdit"), Qt::Key_F1);
        QCOMPARE(m_frame.helpTopics, (QList<HelpTopic>{HelpTopic::AddUser, HelpTopic::AddUser}));
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(AddUserDlgTest)
#include "AddUserDlgTest.moc"
