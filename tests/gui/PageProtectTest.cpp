#include "gui/pages/protect/PageProtect.h"

#include "GuiTestUtil.h"
#include "gui/frame/AppPreferences.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/pages/files/PageFiles.h"
#include "gui/widgets/MessageBox.h"
#include "model/CharsetTable.h"
#include "model/Project.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class PageProtectTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;
    std::unique_ptr<CPageProtect> m_page;

    QCheckBox* Check(const char* name) const { return m_page->findChild<QCheckBox*>(QLatin1String(name)); }
    QLineEdit* Edit(const char* name) const { return m_page->findChild<QLineEdit*>(QLatin1String(name)); }
    QComboBox* CipherCombo() const { return m_page->findChild<QComboBox*>(QStringLiteral("cipherCombo")); }
    QSpinBox* IterationsSpin() const
    {
        return m_page->findChild<QSpinBox*>(QStringLiteral("iterationsSpin"));
    }
    QPushButton* SignOutButton() const
    {
        return m_page->findChild<QPushButton*>(QStringLiteral("signOutButton"));
    }
    QLabel* ClassicWarning() const { return m_page->findChild<QLabel*>(QStringLiteral("classicWarning")); }

    static CProject WithFormat(int cipher, int iterations, char saltByte)
    {
        CProject data;
        data.m_nCipher = cipher;
        data.m_nKdfIterations = iterations;
        data.m_baSalt = QByteArray(16, saltByte);
        return data;
    }

    // Moves the combo one row by keyboard, as a user would.
    static void Step(QComboBox* combo, Qt::Key key)
    {
        combo->setFocus();
        QTest::keyClick(combo, key);
    }

    QList<QCheckBox*> Hardening() const
    {
        QList<QCheckBox*> boxes;
        for (const char* name : {"noRightClickCheck", "noTextSelectCheck", "noPrintCheck", "noOfflineCheck",
                                 "noStatusLinksCheck", "killFrameCheck", "noMozillaCheck", "noOperaCheck",
                                 "noPrintScreenCheck", "noDragDropCheck"}) {
            boxes.append(Check(name));
        }
        return boxes;
    }

    // On the box itself: a stretched check box takes clicks only there.
    static void Click(QCheckBox* box)
    {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
    }

    void init()
    {
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({});
        m_frame.Reset();
        m_page = std::make_unique<CPageProtect>(&m_frame);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    void cleanup() { m_page.reset(); }

    void charsetCombo_listsTableInOrder_positionIsRow()
    {
        auto* combo = m_page->findChild<QComboBox*>(QStringLiteral("charsetCombo"));
        const CCharsetTable& table = CCharsetTable::Instance();
        QCOMPARE(combo->count(), table.GetCount());
        for (int row = 0; row < table.GetCount(); ++row) {
            QCOMPARE(combo->itemText(row), table.GetAt(row).m_strName);
        }
        QCOMPARE(combo->itemText(15), QStringLiteral("iso-2022-jp (JIS-Allow 1 byte Kana)"));
        QCOMPARE(combo->itemText(18), QStringLiteral("iso-8859-1 (ISO)"));

        m_page->LoadFromProject(CProject());
        QCOMPARE(combo->currentText(), QStringLiteral("default"));
        combo->setFocus();
        while (combo->currentText() != QLatin1String("utf-8")) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
        QVERIFY(m_frame.WasModified());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nCharset, 32);
    }

    void newProject_scriptGroupDisabled_locksPreset()
    {
        m_page->LoadFromProject(CProject());
        QVERIFY(Check("copyHeadCheck")->isChecked());
        // Kept in the project file, not offered (no Internet Explorer here).
        QVERIFY(Check("refreshCheck")->isChecked());
        QVERIFY(Check("refreshCheck")->isHidden());
        QVERIFY(!Check("protectLoginCheck")->isChecked());
        QVERIFY(!Check("protectAfterCheck")->isChecked());
        for (QCheckBox* box : Hardening()) {
            QVERIFY2(!box->isEnabled(), qPrintable(box->objectName()));
        }
        QVERIFY(!Check("locationLockCheck")->isEnabled());
        QVERIFY(!Check("referrerLockCheck")->isEnabled());
        QVERIFY(!Edit("locationLockEdit")->isEnabled());
        QCOMPARE(Edit("locationLockEdit")->text(), CProject::DefaultLockURL());
        QCOMPARE(Edit("referrerLockEdit")->text(), CProject::DefaultLockURL());
        for (const char* always :
             {"copyHeadCheck", "refreshCheck", "protectLoginCheck", "protectAfterCheck"}) {
            QVERIFY(Check(always)->isEnabled());
        }
        QVERIFY(!m_frame.WasModified());
    }

    void scriptCheck_enablesGroup_lockEditsFollowTheirOwnCheck()
    {
        m_page->LoadFromProject(CProject());
        Click(Check("protectLoginCheck"));
        QVERIFY(m_frame.WasModified());
        for (QCheckBox* box : Hardening()) {
            QVERIFY(box->isEnabled());
        }
        QVERIFY(Check("locationLockCheck")->isEnabled());
        QVERIFY(!Edit("locationLockEdit")->isEnabled());
        QVERIFY(!Edit("referrerLockEdit")->isEnabled());
        Click(Check("referrerLockCheck"));
        QVERIFY(Edit("referrerLockEdit")->isEnabled());
        QVERIFY(!Edit("locationLockEdit")->isEnabled());
        // The second script check keeps the group on when the first goes off.
        Click(Check("protectAfterCheck"));
        Click(Check("protectLoginCheck"));
        QVERIFY(Check("noPrintCheck")->isEnabled());
        QVERIFY(Edit("referrerLockEdit")->isEnabled());
    }

    void groupOff_keepsHiddenValues_andSavesThem()
    {
        CProject data;
        data.m_bNoPrint = true;
        data.m_bKillFrame = true;
        data.m_bLocationLock = true;
        data.m_strLocationLock = QString();
        m_page->LoadFromProject(data);
        QVERIFY(Check("noPrintCheck")->isChecked());
        QVERIFY(!Check("noPrintCheck")->isEnabled());
        QVERIFY(!Edit("locationLockEdit")->isEnabled());

        Click(Check("protectAfterCheck"));
        QVERIFY(Edit("locationLockEdit")->isEnabled());
        Click(Check("protectAfterCheck"));
        QVERIFY(!Check("noPrintCheck")->isEnabled());
        // An empty lock text does not block a run.
        QVERIFY(m_page->ValidateForProtect());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, data);
    }

    void everyField_roundTrips()
    {
        CProject data;
        data.m_nCharset = 42;
        data.m_bCopyHead = false;
        data.m_bRefreshIE = false;
        data.m_bProtectLoginPages = true;
        data.m_bProtectAfterLogin = true;
        data.m_bNoRightClick = data.m_bNoTextSelect = data.m_bNoOffline = data.m_bNoStatusLinks = true;
        data.m_bNoMozilla = data.m_bNoOpera = data.m_bNoPrintScreen = data.m_bNoDragDrop = true;
        data.m_bReferrerLock = true;
        data.m_strReferrerLock = QStringLiteral("https://ref.example/");
        m_page->LoadFromProject(data);
        QVERIFY(Edit("referrerLockEdit")->isEnabled());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, data);
    }

    void formatValues_roundTrip_andIterationEditIsSaved()
    {
        const CProject classic = WithFormat(CProject::kCipherClassic, 2300000, char(0x5a));
        m_page->LoadFromProject(classic);
        QCOMPARE(CipherCombo()->currentText(), QStringLiteral("Compatible (classic)"));
        QCOMPARE(IterationsSpin()->value(), 2300000);
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, classic);

        // A second project replaces every value the first one left behind.
        const CProject strong = WithFormat(CProject::kCipherStrong, 100000, char(0x11));
        m_page->LoadFromProject(strong);
        QCOMPARE(CipherCombo()->currentText(), QStringLiteral("Strong encryption (AES-256)"));
        QVERIFY(!m_frame.WasModified());
        m_page->SaveToProject(saved);
        QCOMPARE(saved, strong);

        IterationsSpin()->setFocus();
        QTest::keyClick(IterationsSpin(), Qt::Key_Up);
        QVERIFY(m_frame.WasModified());
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nKdfIterations, 200000);
        QCOMPARE(saved.m_baSalt, strong.m_baSalt);
        QVERIFY(m_page->ValidateForProtect());
    }

    void classic_showsWarning_disablesIterationsAndSignOut()
    {
        m_page->LoadFromProject(WithFormat(CProject::kCipherClassic, 600000, 'a'));
        QVERIFY(ClassicWarning()->isVisible());
        QVERIFY(!IterationsSpin()->isEnabled());
        QVERIFY(!SignOutButton()->isEnabled());

        m_page->LoadFromProject(CProject());
        QVERIFY(!ClassicWarning()->isVisible());
        QVERIFY(IterationsSpin()->isEnabled());
        QVERIFY(SignOutButton()->isEnabled());
        QCOMPARE(IterationsSpin()->minimum(), CProject::kMinKdfIterations);
        QCOMPARE(IterationsSpin()->maximum(), CProject::kMaxKdfIterations);

        // The user's own switch follows the same rule.
        Step(CipherCombo(), Qt::Key_Down);
        QVERIFY(ClassicWarning()->isVisible());
        QVERIFY(!SignOutButton()->isEnabled());
    }

    void signOut_asksFirst_onlyYesDrawsNewSalt()
    {
        const CProject data = WithFormat(CProject::kCipherStrong, 600000, char(0x42));
        m_page->LoadFromProject(data);

        CMessageBox::SetNextAnswers({QMessageBox::No});
        QTest::mouseClick(SignOutButton(), Qt::LeftButton);
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().first().contains(QStringLiteral("password again")));
        QVERIFY(!m_frame.WasModified());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_baSalt, data.m_baSalt);

        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        QTest::mouseClick(SignOutButton(), Qt::LeftButton);
        QCOMPARE(CMessageBox::ShownTexts().size(), 2);
        QVERIFY(m_frame.WasModified());
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_baSalt.size(), 16);
        QVERIFY(saved.m_baSalt != data.m_baSalt);
        const QByteArray first = saved.m_baSalt;
        const QByteArray firstKey = saved.m_baContentKey;
        QCOMPARE(firstKey.size(), 32);
        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        QTest::mouseClick(SignOutButton(), Qt::LeftButton);
        m_page->SaveToProject(saved);
        QVERIFY(saved.m_baSalt != first);
        // The key the site's files are enciphered under goes with the salt.
        QVERIFY(saved.m_baContentKey != firstKey);
    }

    void wholeSite_strongOnly_roundTripsAndMarksModified()
    {
        CProject data = WithFormat(CProject::kCipherStrong, 600000, 'w');
        data.m_bProtectAssets = true;
        data.m_strSiteRoot = QStringLiteral("/srv/site");
        data.m_strAssetExclude = QStringLiteral("drafts/ *.psd");
        m_page->LoadFromProject(data);
        QCheckBox* assets = Check("assetsCheck");
        QVERIFY(assets->isChecked() && assets->isEnabled());
        QCOMPARE(Edit("siteRootEdit")->text(), QStringLiteral("/srv/site"));
        QVERIFY(Edit("excludeEdit")->isEnabled());

        // Off: the root and the patterns have nothing to say.
        Click(assets);
        QVERIFY(m_frame.WasModified());
        QVERIFY(!Edit("siteRootEdit")->isEnabled());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_bProtectAssets, false);
        QCOMPARE(saved.m_strAssetExclude, data.m_strAssetExclude);

        // Classic pages can't carry it.
        Click(assets);
        Step(CipherCombo(), Qt::Key_Down);
        QVERIFY(!assets->isEnabled());
        QVERIFY(!Edit("excludeEdit")->isEnabled());
    }

    // The Protect page of the wizard shows the root that an empty edit
    // stands for: the deepest folder of the Files page's list, as it
    // changes; saving keeps the edit empty, so the root follows the list.
    void defaultSiteRoot_followsTheFilesList()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString site = QDir(dir.path()).filePath(QStringLiteral("site"));
        for (const char* name : {"site/index.html", "site/guide/a.html", "site/guide/deep/b.html"}) {
            const QString path = QDir(dir.path()).filePath(QLatin1String(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<html><body>x</body></html>\n");
        }
        CAppPreferences preferences;
        CWendlockView view(&m_frame, preferences);
        CPageProtect* page = view.PageProtect();
        auto* edit = page->findChild<QLineEdit*>(QStringLiteral("siteRootEdit"));
        auto* label = page->findChild<QLabel*>(QStringLiteral("defaultRootLabel"));
        const auto shows = [&](const QString& root) {
            const QString native = QDir::toNativeSeparators(root + QLatin1Char('/'));
            return edit->placeholderText() == native && label->text().contains(native);
        };
        QVERIFY(!label->text().isEmpty());
        QVERIFY(!label->text().contains(dir.path()));

        view.PageFiles()->AddFolder(site + QStringLiteral("/guide"), true);
        QVERIFY2(shows(site + QStringLiteral("/guide")), qPrintable(label->text()));
        view.PageFiles()->AddFolder(site, false);
        QVERIFY2(shows(site), qPrintable(label->text()));

        // A project loaded with other pages; then one with none.
        CProject data;
        data.m_listFiles = {site + QStringLiteral("/guide/deep/b.html")};
        view.LoadPages(data);
        QVERIFY2(shows(site + QStringLiteral("/guide/deep")), qPrintable(label->text()));
        CProject saved;
        view.SavePages(saved);
        QVERIFY(saved.m_strSiteRoot.isEmpty());
        view.LoadPages(CProject());
        QVERIFY(!label->text().contains(dir.path()));
        QVERIFY(!edit->placeholderText().contains(dir.path()));
    }

    void outputFolder_roundTrips_emptyFolderRefused_toldToTheFilesPage()
    {
        CProject data;
        data.m_strOutputFolder = QStringLiteral("/srv/public-protected");
        QSignalSpy told(m_page.get(), &CPageProtect::OutputElsewhereChanged);
        m_page->LoadFromProject(data);
        auto* inPlace = m_page->findChild<QRadioButton*>(QStringLiteral("inPlaceRadio"));
        auto* elsewhere = m_page->findChild<QRadioButton*>(QStringLiteral("outputRadio"));
        QVERIFY(elsewhere->isChecked() && Edit("outputEdit")->isEnabled());
        QVERIFY(!told.isEmpty() && told.last().at(0).toBool());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_strOutputFolder, data.m_strOutputFolder);

        // Back in place: the folder is dropped, and the Files page told.
        QTest::mouseClick(inPlace, Qt::LeftButton, {}, QPoint(8, inPlace->height() / 2));
        QVERIFY(m_frame.WasModified());
        QVERIFY(!Edit("outputEdit")->isEnabled());
        QVERIFY(!told.last().at(0).toBool());
        m_page->SaveToProject(saved);
        QVERIFY(saved.m_strOutputFolder.isEmpty());

        // Elsewhere without a folder: Protect is refused with a reason.
        QTest::mouseClick(elsewhere, Qt::LeftButton, {}, QPoint(8, elsewhere->height() / 2));
        Edit("outputEdit")->clear();
        QVERIFY(!m_page->ValidateForProtect());
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().first().contains(QStringLiteral("folder")));
    }

    // Every control the user can work on says what it does; the Files
    // page's Restore and backup controls say why they are off while the
    // site is written elsewhere, and get their own tips back after.
    void everyControl_hasATooltip_filesPageTipsComeBack()
    {
        for (QWidget* control : m_page->findChildren<QWidget*>()) {
            const bool interactive = qobject_cast<QAbstractButton*>(control) ||
                                     qobject_cast<QComboBox*>(control) ||
                                     qobject_cast<QAbstractSpinBox*>(control) ||
                                     (qobject_cast<QLineEdit*>(control) &&
                                      !qobject_cast<QAbstractSpinBox*>(control->parentWidget()));
            if (interactive) {
                QVERIFY2(!control->toolTip().isEmpty(), qPrintable(control->objectName()));
            }
        }

        CAppPreferences preferences;
        CWendlockView view(&m_frame, preferences);
        auto* restore = view.PageFiles()->findChild<QPushButton*>(QStringLiteral("restoreButton"));
        auto* backup = view.PageFiles()->findChild<QCheckBox*>(QStringLiteral("backupCheck"));
        const QString restoreTip = restore->toolTip();
        const QString backupTip = backup->toolTip();
        QVERIFY(!restoreTip.isEmpty() && !backupTip.isEmpty());
        CProject data;
        data.m_strOutputFolder = QStringLiteral("/srv/public-protected");
        view.LoadPages(data);
        QVERIFY(!restore->isEnabled());
        QVERIFY(restore->toolTip() != restoreTip && backup->toolTip() != backupTip);
        view.LoadPages(CProject());
        QVERIFY(restore->isEnabled());
        QCOMPARE(restore->toolTip(), restoreTip);
        QCOMPARE(backup->toolTip(), backupTip);
    }

    void classicToStrong_warnsOnce_andMarksModified()
    {
        m_page->LoadFromProject(WithFormat(CProject::kCipherClassic, 600000, 'c'));
        Step(CipherCombo(), Qt::Key_Up);
        QVERIFY(m_frame.WasModified());
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().first().contains(QStringLiteral("new password")));
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nCipher, CProject::kCipherStrong);

        // Back and forth again: no second warning.
        Step(CipherCombo(), Qt::Key_Down);
        Step(CipherCombo(), Qt::Key_Up);
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nCipher, CProject::kCipherStrong);

        // A project that was strong when loaded has no classic pages to warn about.
        CMessageBox::ClearShownTexts();
        m_frame.Reset();
        m_page->LoadFromProject(CProject());
        Step(CipherCombo(), Qt::Key_Down);
        QVERIFY(m_frame.WasModified());
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nCipher, CProject::kCipherClassic);
        Step(CipherCombo(), Qt::Key_Up);
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
    }
};

QTEST_MAIN(PageProtectTest)
#include "PageProtectTest.moc"
