#include "gui/pages/login/PageLogin.h"

#include "GuiTestUtil.h"
#include "gui/widgets/DigitSpinBox.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

class PageLoginTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;
    std::unique_ptr<CPageLogin> m_page;

    template <typename T>
    T* Control(const char* name) const
    {
        T* control = m_page->findChild<T*>(QLatin1String(name));
        if (!control) {
            qFatal("missing control %s", name);
        }
        return control;
    }
    CDigitSpinBox* Days() const { return Control<CDigitSpinBox>("daysEdit"); }
    QComboBox* Expire() const { return Control<QComboBox>("expireCombo"); }
    QComboBox* Target() const { return Control<QComboBox>("targetCombo"); }

    // Picks an entry as the user does, through the keyboard.
    void ChooseExpire(int index)
    {
        Expire()->setFocus();
        while (Expire()->currentIndex() < index) {
            QTest::keyClick(Expire(), Qt::Key_Down);
        }
        while (Expire()->currentIndex() > index) {
            QTest::keyClick(Expire(), Qt::Key_Up);
        }
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
        m_page = std::make_unique<CPageLogin>(&m_frame);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    void cleanup() { m_page.reset(); }

    void newProject_showsDefaults()
    {
        m_page->LoadFromProject(CProject());
        QCOMPARE(Expire()->currentText(), QStringLiteral("Web browser close"));
        QCOMPARE(Expire()->count(), 3);
        QCOMPARE(Days()->Text(), QStringLiteral("365"));
        QVERIFY(!Days()->isEnabled());
        QVERIFY(!Control<QLabel>("daysLabel")->isEnabled());
        QVERIFY(Control<QRadioButton>("alertRadio")->isChecked());
        QCOMPARE(Control<QLineEdit>("alertEdit")->text(), QStringLiteral("Invalid Password!"));
        QVERIFY(Control<QLineEdit>("alertEdit")->isEnabled());
        QVERIFY(!Control<QLineEdit>("urlEdit")->isEnabled());
        QVERIFY(!Target()->isEnabled());
        QVERIFY(!Control<QLabel>("targetLabel")->isEnabled());
        QVERIFY(Control<QCheckBox>("userCaseCheck")->isChecked());
        QVERIFY(Control<QCheckBox>("passwordCaseCheck")->isChecked());
        // Sharing file:// logins between tabs is off, and says what it costs.
        QVERIFY(!Control<QCheckBox>("shareFileCheck")->isChecked());
        QVERIFY(Control<QLabel>("shareFileWarning")
                    ->text()
                    .contains(QStringLiteral("any local page open in this browser can then read this site")));
        QCOMPARE(Target()->count(), 5);
        QCOMPARE(Target()->itemText(1), QStringLiteral("_blank"));
        // Loading is no change of the user's.
        QVERIFY(!m_frame.WasModified());
    }

    void expireChoice_enablesDaysOnlyForSpecifiedDays_keepsNumber()
    {
        m_page->LoadFromProject(CProject());
        ChooseExpire(2);
        QVERIFY(Days()->isEnabled());
        QVERIFY(m_frame.WasModified());
        ChooseExpire(0);
        QVERIFY(!Days()->isEnabled());
        QCOMPARE(Days()->Text(), QStringLiteral("365"));
    }

    void daysSpin_staysWithinRange_typedNumbersKept()
    {
        CProject data;
        data.m_nLoginExpire = 2;
        data.m_nExpireDays = 9998;
        m_page->LoadFromProject(data);
        Days()->stepBy(5);
        QCOMPARE(Days()->Text(), QStringLiteral("9999"));
        Days()->SetText(QStringLiteral("0"));
        Days()->stepBy(-1);
        QCOMPARE(Days()->Text(), QStringLiteral("0"));
        // Digits only are typed; a larger number than the arrows reach is kept.
        Days()->SetText(QString());
        Days()->setFocus();
        QTest::keyClicks(Days(), QStringLiteral("12a345"));
        QCOMPARE(Days()->Text(), QStringLiteral("12345"));
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nExpireDays, 12345);
        QVERIFY(m_frame.WasModified());
    }

    void emptyDays_failsWithEnterAnInteger_laterMembersKeepOldValues()
    {
        m_page->LoadFromProject(CProject());
        ChooseExpire(2);
        Days()->SetText(QString());
        QTest::mouseClick(Control<QRadioButton>("redirectRadio"), Qt::LeftButton);
        Control<QLineEdit>("urlEdit")->setText(QStringLiteral("http://new.example/"));
        Control<QCheckBox>("userCaseCheck")->setChecked(false);

        QVERIFY(!m_page->OnKillActive());
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("Enter an integer.")});

        CProject saved;
        saved.m_nLoginExpire = 0;
        m_page->SaveToProject(saved);
        // Taken before the days box: the expiry mode. After it: nothing.
        QCOMPARE(saved.m_nLoginExpire, 2);
        QCOMPARE(saved.m_nExpireDays, 365);
        QCOMPARE(saved.m_nIncorrectAction, 0);
        QCOMPARE(saved.m_strRedirectURL, CProject::DefaultRedirectURL());
        QCOMPARE(saved.m_bUserNameCase, true);
    }

    void reactionSwitch_keepsAlertText_andEnablesUrlControls()
    {
        m_page->LoadFromProject(CProject());
        QTest::mouseClick(Control<QRadioButton>("redirectRadio"), Qt::LeftButton);
        QVERIFY(!Control<QLineEdit>("alertEdit")->isEnabled());
        QVERIFY(Control<QLineEdit>("urlEdit")->isEnabled());
        QVERIFY(Target()->isEnabled());
        QVERIFY(m_frame.WasModified());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nIncorrectAction, 1);
        QCOMPARE(saved.m_strAlertText, QStringLiteral("Invalid Password!"));
    }

    void validate_messagesForEmptyAlertOrUrl()
    {
        CProject data;
        data.m_strAlertText.clear();
        m_page->LoadFromProject(data);
        QVERIFY(!m_page->ValidateForProtect());
        QVERIFY(CMessageBox::ShownTexts().value(0).startsWith(QStringLiteral(
            "You select to use alert with text if login incorrect, but the alert text is empty!")));

        CMessageBox::ClearShownTexts();
        data.m_nIncorrectAction = 1;
        data.m_strRedirectURL.clear();
        m_page->LoadFromProject(data);
        QVERIFY(!m_page->ValidateForProtect());
        QCOMPARE(
            CMessageBox::ShownTexts(),
            QStringList{QStringLiteral("You select to use redirect to URL if login incorrect, but the URL is "
                                       "empty! Please input an URL before protect.")});

        // Blanks are text.
        CMessageBox::ClearShownTexts();
        Control<QLineEdit>("urlEdit")->setText(QStringLiteral(" "));
        QVERIFY(m_page->ValidateForProtect());
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
    }

    void target_typedAsIs_loadedByPrefix()
    {
        CProject data;
        data.m_nIncorrectAction = 1;
        m_page->LoadFromProject(data);
        Target()->lineEdit()->clear();
        Target()->setFocus();
        QTest::keyClicks(Target(), QStringLiteral("_b"));
        QVERIFY(m_frame.WasModified());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_strRedirectTarget, QStringLiteral("_b"));

        m_page->LoadFromProject(saved);
        QCOMPARE(Target()->currentText(), QStringLiteral("_blank"));
        data.m_strRedirectTarget = QStringLiteral("_PA");
        m_page->LoadFromProject(data);
        QCOMPARE(Target()->currentText(), QStringLiteral("_parent"));
        data.m_strRedirectTarget = QStringLiteral("mainFrame");
        m_page->LoadFromProject(data);
        QCOMPARE(Target()->currentText(), QStringLiteral("mainFrame"));
    }

    void saveAndLoad_roundTripEveryField()
    {
        CProject data;
        data.m_nLoginExpire = 2;
        data.m_nExpireDays = 30;
        data.m_nIncorrectAction = 1;
        data.m_strAlertText = QStringLiteral("No.");
        data.m_strRedirectURL = QStringLiteral("https://site.example/denied");
        data.m_strRedirectTarget = QStringLiteral("_top");
        data.m_bUserNameCase = false;
        data.m_bPasswordCase = false;
        data.m_bShareFileLogins = true;
        m_page->LoadFromProject(data);
        QVERIFY(Control<QCheckBox>("shareFileCheck")->isChecked());
        QVERIFY(Days()->isEnabled());
        QVERIFY(Control<QLineEdit>("urlEdit")->isEnabled());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, data);
        // A click is a change of the user's that the next save keeps.
        QVERIFY(!m_frame.WasModified());
        Control<QCheckBox>("shareFileCheck")->click();
        QVERIFY(m_frame.WasModified());
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_bShareFileLogins, false);
    }
};

QTEST_MAIN(PageLoginTest)
#include "PageLoginTest.moc"
