#include "pages/PageOutput.h"

#include "GuiTestUtil.h"
#include "model/AppGlobalData.h"
#include "model/CharsetTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>

class PageOutputTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;
    std::unique_ptr<CPageOutput> m_page;

    QCheckBox* Check(const char* name) const { return m_page->findChild<QCheckBox*>(QLatin1String(name)); }
    QLineEdit* Edit(const char* name) const { return m_page->findChild<QLineEdit*>(QLatin1String(name)); }
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
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_frame.Reset();
        m_page = std::make_unique<CPageOutput>(&m_frame);
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

        m_page->LoadFromProject(CAppGlobalData());
        QCOMPARE(combo->currentText(), QStringLiteral("default"));
        combo->setFocus();
        while (combo->currentText() != QLatin1String("utf-8")) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
        QVERIFY(m_frame.WasModified());
        CAppGlobalData saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nCharset, 32);
    }

    void newProject_scriptGroupDisabled_locksPreset()
    {
        m_page->LoadFromProject(CAppGlobalData());
        QVERIFY(Check("copyHeadCheck")->isChecked());
        QVERIFY(Check("refreshCheck")->isChecked());
        QVERIFY(!Check("protectLoginCheck")->isChecked());
        QVERIFY(!Check("protectAfterCheck")->isChecked());
        for (QCheckBox* box : Hardening()) {
            QVERIFY2(!box->isEnabled(), qPrintable(box->objectName()));
        }
        QVERIFY(!Check("locationLockCheck")->isEnabled());
        QVERIFY(!Check("referrerLockCheck")->isEnabled());
        QVERIFY(!Edit("locationLockEdit")->isEnabled());
        QCOMPARE(Edit("locationLockEdit")->text(), CAppGlobalData::DefaultLockURL());
        QCOMPARE(Edit("referrerLockEdit")->text(), CAppGlobalData::DefaultLockURL());
        for (const char* always :
             {"copyHeadCheck", "refreshCheck", "protectLoginCheck", "protectAfterCheck"}) {
            QVERIFY(Check(always)->isEnabled());
        }
        QVERIFY(!m_frame.WasModified());
    }

    void scriptCheck_enablesGroup_lockEditsFollowTheirOwnCheck()
    {
        m_page->LoadFromProject(CAppGlobalData());
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
        CAppGlobalData data;
        data.m_bNoPrint = 1;
        data.m_bKillFrame = 1;
        data.m_bLocationLock = 1;
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
        CAppGlobalData saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, data);
    }

    void everyField_roundTrips()
    {
        CAppGlobalData data;
        data.m_nCharset = 42;
        data.m_bCopyHead = 0;
        data.m_bRefreshIE = 0;
        data.m_bProtectLoginPages = 1;
        data.m_bProtectAfterLogin = 1;
        data.m_bNoRightClick = data.m_bNoTextSelect = data.m_bNoOffline = data.m_bNoStatusLinks = 1;
        data.m_bNoMozilla = data.m_bNoOpera = data.m_bNoPrintScreen = data.m_bNoDragDrop = 1;
        data.m_bReferrerLock = 1;
        data.m_strReferrerLock = QStringLiteral("https://ref.example/");
        m_page->LoadFromProject(data);
        QVERIFY(Edit("referrerLockEdit")->isEnabled());
        CAppGlobalData saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved, data);
    }
};

QTEST_MAIN(PageOutputTest)
#include "PageOutputTest.moc"
