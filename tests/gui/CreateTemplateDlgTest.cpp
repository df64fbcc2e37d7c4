#include "gui/pages/template/CreateTemplateDlg.h"

#include "gui/GuiTestUtil.h"
#include "gui/widgets/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

// The name rules themselves are tested in the core; here: what the dialog
// shows, that a refusal keeps it open, and what it hands back.
class CreateTemplateDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void start_offersListedNames_presetChosen_okHandsBackNameAndIndex();
    void refusal_keepsDialogOpen_untilANameIsAccepted();
    void help_opensTheDialogsTopic();
};

void CreateTemplateDlgTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CMessageBox::SetTestMode(true);
}

void CreateTemplateDlgTest::start_offersListedNames_presetChosen_okHandsBackNameAndIndex()
{
    CCreateTemplateDlg dialog(nullptr);
    dialog.m_listNames = {QStringLiteral("Classic"), QStringLiteral("Dark"), QStringLiteral("Classic")};
    dialog.m_nBasedOn = 2;
    dialog.show();
    QComboBox* combo = dialog.BasedOnCombo();
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(1), QStringLiteral("Dark"));
    QCOMPARE(combo->currentIndex(), 2);

    combo->setCurrentIndex(1);
    QTest::keyClicks(dialog.NameEdit(), QStringLiteral("  Blue  "));
    QTest::keyClick(dialog.NameEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strTemplateName, QStringLiteral("  Blue  "));
    QCOMPARE(dialog.m_nBasedOn, 1);

    // A preset past the list falls back to the first entry.
    CCreateTemplateDlg past(nullptr);
    past.m_listNames = {QStringLiteral("Classic"), QStringLiteral("Dark")};
    past.m_nBasedOn = 2;
    past.show();
    QCOMPARE(past.BasedOnCombo()->currentIndex(), 0);
    past.NameEdit()->setText(QStringLiteral("Mine"));
    past.accept();
    QCOMPARE(past.m_nBasedOn, 0);

    CCreateTemplateDlg empty(nullptr);
    empty.show();
    QCOMPARE(empty.BasedOnCombo()->count(), 0);
    empty.NameEdit()->setText(QStringLiteral("Mine"));
    empty.accept();
    QCOMPARE(empty.m_nBasedOn, -1);
}

void CreateTemplateDlgTest::refusal_keepsDialogOpen_untilANameIsAccepted()
{
    CMessageBox::ClearShownTexts();
    CCreateTemplateDlg dialog(nullptr);
    dialog.m_listNames = {QStringLiteral("Classic"), QStringLiteral("Dark")};
    dialog.show();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    for (const QString& name : {QString(), QStringLiteral("a/b"), QStringLiteral("Dark")}) {
        dialog.NameEdit()->setText(name);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY2(dialog.isVisible(), qPrintable(name));
    }
    QCOMPARE(
        CMessageBox::ShownTexts(),
        (QStringList{QStringLiteral("Template name can't be empty!"),
                     QStringLiteral("Template name can't include \\/:*?\"<>|"),
                     QStringLiteral("The template name 'Dark' already existed! Please input another name to "
                                    "continue.")}));
    dialog.NameEdit()->setText(QStringLiteral("dark"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(CMessageBox::ShownTexts().size(), 3);
}

void CreateTemplateDlgTest::help_opensTheDialogsTopic()
{
    CFrameRecorder frame;
    CCreateTemplateDlg dialog(&frame);
    dialog.show();
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
    QTest::keyClick(dialog.NameEdit(), Qt::Key_F1);
    QCOMPARE(frame.helpTopics, (QList<HelpTopic>{HelpTopic::CreateTemplate, HelpTopic::CreateTemplate}));
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(CreateTemplateDlgTest)
#include "CreateTemplateDlgTest.moc"
