#include "NewProjectWindow.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/mainwindow/AppTranslations.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <utility>

namespace {

QString WithoutAccelerator(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The accelerator texts that share a key with another one: two controls of
// one page (or two entries of one menu) under the same Alt key make the key
// reach only one of them.
QStringList ClashingAccelerators(const QStringList& texts)
{
    QMap<QKeySequence, QStringList> byKey;
    for (const QString& text : texts) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) {
            byKey[key].append(text);
        }
    }
    QStringList clashes;
    for (const QStringList& sharing : std::as_const(byKey)) {
        if (sharing.size() > 1) {
            clashes.append(sharing.join(QLatin1String(" / ")));
        }
    }
    return clashes;
}

QStringList AcceleratorTextsOf(const QWidget* page)
{
    QStringList texts;
    for (const QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(page)) {
            texts.append(button->text());
        }
    }
    for (const QLabel* label : page->findChildren<QLabel*>()) {
        if (label->buddy() && label->isVisibleTo(page)) {
            texts.append(label->text());
        }
    }
    return texts;
}

QStringList MenuTexts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* action : actions) {
        if (!action->isSeparator() && action->isVisible()) {
            texts.append(action->text());
        }
    }
    return texts;
}

} // namespace

// The wizard in German: the translators installed the way the program
// installs them at start, then a window made as the program makes it.
class TranslationTest : public QObject
{
    Q_OBJECT

private:
    AppTranslations::Loaded m_loaded;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
        const QLocale german(QLocale::German, QLocale::Germany);
        QLocale::setDefault(german);
        m_loaded = AppTranslations::Install(german);
    }

    void germanLocale_windowPagesAndStandardButtonsSpeakGerman()
    {
        QVERIFY2(m_loaded.program, qPrintable(QStringLiteral("wendlock_de.qm not loaded from ") +
                                              AppTranslations::ProgramFolder()));
        // English is the source language: nothing is loaded for it.
        QVERIFY(!AppTranslations::Install(QLocale(QLocale::English, QLocale::UnitedStates)).program);

        CNewProjectWindow window;
        CMainFrame& frame = window.frame;
        frame.resize(800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        // The pages' tabs.
        const auto* tabs = frame.findChild<QTabWidget*>(QStringLiteral("pageTabs"));
        QVERIFY(tabs);
        QCOMPARE(tabs->tabText(CWendlockView::PasswordPage), QStringLiteral("Passwort"));
        QCOMPARE(tabs->tabText(CWendlockView::LoginPage), QStringLiteral("Anmeldung"));
        QCOMPARE(tabs->tabText(CWendlockView::TemplatePage), QStringLiteral("Vorlage"));
        QCOMPARE(tabs->tabText(CWendlockView::FilesPage), QStringLiteral("Dateien"));
        QCOMPARE(tabs->tabText(CWendlockView::ProtectPage), QString::fromUtf8("Schützen"));
        QCOMPARE(tabs->tabText(CWendlockView::ResultPage), QStringLiteral("Ergebnis"));

        // The German accelerators stay apart on the pages and in the menus.
        for (int index = 0; index < tabs->count(); ++index) {
            QVERIFY(frame.View()->SetActivePage(index));
            const QWidget* page = frame.View()->GetActivePage();
            QVERIFY(page);
            const QStringList clashes = ClashingAccelerators(AcceleratorTextsOf(page));
            QVERIFY2(clashes.isEmpty(), qPrintable(tabs->tabText(index) + QStringLiteral(": ") +
                                                   clashes.join(QLatin1String("; "))));
        }
        const QStringList menuClashes = ClashingAccelerators(MenuTexts(frame.menuBar()->actions()));
        QVERIFY2(menuClashes.isEmpty(), qPrintable(menuClashes.join(QLatin1String("; "))));
        for (const QAction* entry : frame.menuBar()->actions()) {
            QVERIFY(entry->menu());
            const QStringList clashes = ClashingAccelerators(MenuTexts(entry->menu()->actions()));
            QVERIFY2(clashes.isEmpty(),
                     qPrintable(entry->text() + QStringLiteral(": ") + clashes.join(QLatin1String("; "))));
        }
        QCOMPARE(frame.menuBar()->actions().first()->text(), QStringLiteral("&Projekt"));

        // The Login page's group titles and a control with its own accelerator.
        QVERIFY(frame.View()->SetActivePage(CWendlockView::LoginPage));
        QStringList groups;
        for (const QGroupBox* group : frame.findChildren<QGroupBox*>()) {
            groups.append(group->title());
        }
        for (const char* title : {"Ablauf der Anmeldung", "Falsche Anmeldung", "Erweitert"}) {
            QVERIFY2(groups.contains(QString::fromUtf8(title)), qPrintable(groups.join(QLatin1String(", "))));
        }
        const auto* alert = frame.findChild<QRadioButton*>(QStringLiteral("alertRadio"));
        QVERIFY(alert);
        QCOMPARE(alert->text(), QStringLiteral("&Meldung mit Text"));

        // The Password page's buttons, labelled from a table of texts.
        QVERIFY(frame.View()->SetActivePage(CWendlockView::PasswordPage));
        const auto* addUser = frame.findChild<QPushButton*>(QStringLiteral("addUserButton"));
        QVERIFY(addUser);
        QCOMPARE(addUser->text(), QString::fromUtf8("Benutzer &hinzufügen"));

        // Qt's standard buttons come from Qt's own translation.
        if (!QFile::exists(AppTranslations::QtFolder() + QStringLiteral("/qtbase_de.qm"))) {
            QVERIFY(!m_loaded.qt);
            QSKIP("qtbase_de.qm is not installed (Debian package qt6-translations-l10n): "
                  "the standard buttons stay English");
        }
        QVERIFY(m_loaded.qt);
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(WithoutAccelerator(box.button(QDialogButtonBox::Cancel)->text()),
                 QStringLiteral("Abbrechen"));
        QMessageBox question(QMessageBox::Question, QStringLiteral("Wendlock"), QStringLiteral("?"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(WithoutAccelerator(question.button(QMessageBox::Cancel)->text()),
                 QStringLiteral("Abbrechen"));
        QCOMPARE(WithoutAccelerator(question.button(QMessageBox::Yes)->text()), QStringLiteral("Ja"));
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
