#include "gui/frame/AppPreferences.h"
#include "gui/frame/PropertyViewPage.h"
#include "gui/frame/ShellOperations.h"
#include "gui/mainwindow/AboutDialog.h"
#include "gui/mainwindow/MainFrame.h"
#include "gui/mainwindow/RecentFileList.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/pages/files/PageFiles.h"
#include "gui/pages/password/PagePassword.h"
#include "gui/pages/template/PageTemplate.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>
#include <vector>

class KeyboardTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<CProject> m_data;
    std::unique_ptr<CWendlockDoc> m_doc;
    std::unique_ptr<CRecentFileList> m_recent;
    CAppPreferences m_preferences;
    std::unique_ptr<CMainFrame> m_frame;

    static QString Name(QWidget* w)
    {
        if (!w) {
            return QStringLiteral("(none)");
        }
        QString text = QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(':') + w->objectName();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text += QLatin1Char('"') + b->text() + QLatin1Char('"');
        }
        return text;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
    }
    void init()
    {
        m_data = std::make_unique<CProject>();
        m_doc = std::make_unique<CWendlockDoc>(m_data.get());
        m_recent = std::make_unique<CRecentFileList>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_recent.get(), m_preferences);
        m_doc->OnNewDocument();
        m_frame->resize(800, 600);
        m_frame->show();
        QApplication::setActiveWindow(m_frame.get());
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_data.reset();
        m_recent.reset();
    }

    // From the first control, Tab visits every control of the page once
    // and comes back to the first; Shift+Tab walks the same round backwards.
    void tabChain_visitsEveryControlOfEachPageOnce()
    {
        const std::vector<std::vector<const char*>> expected = {
            {"addFilesButton", "addFolderButton", "deleteButton", "deleteAllButton", "importButton",
             "exportButton", "filesList", "backupCheck", "restoreButton"},
            {"singleModeRadio", "passwordEdit", "randomPasswordButton"},
            {"expireCombo", "alertRadio", "alertEdit", "userCaseCheck", "passwordCaseCheck"},
            {"createButton", "editButton", "deleteButton", "browserButton", "previewCheck", "templateList"},
            // The Internet Explorer refresh option is not offered here.
            {"charsetCombo", "copyHeadCheck", "protectLoginCheck", "protectAfterCheck", "cipherCombo",
             "iterationsSpin", "signOutButton"},
            {"protectButton", "testButton", "editButton", "resultList"},
        };
        CWendlockView* view = m_frame->View();
        QCOMPARE(view->GetPageCount(), int(expected.size()));
        for (int i = 0; i < view->GetPageCount(); ++i) {
            QVERIFY(view->SetActivePage(i));
            QWidget* page = view->GetPage(i);
            const QList<QWidget*> stops = CPropertyView::PageTabStops(page);
            QVERIFY(!stops.isEmpty());
            stops.first()->setFocus(Qt::TabFocusReason);
            QList<QWidget*> visited{QApplication::focusWidget()};
            for (qsizetype k = 0; k < stops.size(); ++k) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited.append(QApplication::focusWidget());
            }
            QCOMPARE(visited.last(), visited.first());
            visited.removeLast();
            QStringList names;
            for (QWidget* w : visited) {
                QVERIFY2(w && page->isAncestorOf(w), qPrintable(QStringLiteral("page %1 left").arg(i)));
                QVERIFY2(visited.count(w) == 1, qPrintable(Name(w)));
                names.append(w->objectName());
            }
            for (const char* name : expected[i]) {
                QVERIFY2(names.contains(QLatin1String(name)),
                         qPrintable(QStringLiteral("page %1 misses %2 in %3")
                                        .arg(i)
                                        .arg(QLatin1String(name), names.join(QLatin1Char(' ')))));
            }
            QList<QWidget*> back{QApplication::focusWidget()};
            for (qsizetype k = 0; k < stops.size(); ++k) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                back.prepend(QApplication::focusWidget());
            }
            back.removeLast();
            QCOMPARE(back, visited);
        }

        // A control that becomes enabled joins the round in its place.
        QVERIFY(view->SetActivePage(CWendlockView::LoginPage));
        auto* expire =
            view->GetPage(CWendlockView::LoginPage)->findChild<QComboBox*>(QStringLiteral("expireCombo"));
        expire->setFocus(Qt::TabFocusReason);
        expire->setCurrentIndex(2);
        emit expire->activated(2);
        QTest::keyClick(expire, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("daysEdit"));
    }

    void deleteKey_asksLikeTheButtonOnEachList()
    {
        CWendlockView* view = m_frame->View();
        // Files: the same question as the button; Yes removes the selection.
        QVERIFY(view->SetActivePage(CWendlockView::FilesPage));
        CPageFiles* files = view->PageFiles();
        for (const char* name : {"/srv/a.html", "/srv/b.html", "/srv/c.html"}) {
            QVERIFY(files->AddFileToList(QString::fromLatin1(name)));
        }
        auto* list = files->findChild<QTreeWidget*>(QStringLiteral("filesList"));
        const auto select = [](QTreeWidget* tree, std::initializer_list<int> rows) {
            tree->clearSelection();
            for (int row : rows) {
                tree->topLevelItem(row)->setSelected(true);
            }
            tree->setFocus();
        };
        // Without a selection the key says what the button says; with one
        // it removes the selected rows, as the button does (without asking).
        const auto deleteLikeTheButton = [&](QWidget* page, QTreeWidget* tree,
                                             std::initializer_list<int> rows) {
            // Taking the focus selects the current row; with that
            // selection cleared again nothing is selected.
            tree->setFocus();
            tree->clearSelection();
            CMessageBox::ClearShownTexts();
            page->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
            const QStringList said = CMessageBox::ShownTexts();
            QCOMPARE(said, QStringList{QStringLiteral("No item is selected!")});
            CMessageBox::ClearShownTexts();
            QTest::keyClick(tree, Qt::Key_Delete);
            QCOMPARE(CMessageBox::ShownTexts(), said);
            CMessageBox::ClearShownTexts();
            select(tree, rows);
            QTest::keyClick(tree, Qt::Key_Delete);
            QVERIFY(CMessageBox::ShownTexts().isEmpty());
        };
        deleteLikeTheButton(files, list, {0, 2});
        QCOMPARE(files->Paths(), QStringList{QStringLiteral("/srv/b.html")});

        // Password: the user list, in multiple user mode.
        QVERIFY(view->SetActivePage(CWendlockView::PasswordPage));
        CProject data;
        data.m_nPasswordMode = 1;
        for (const char* name : {"ann", "bob"}) {
            CUserListNode user;
            user.m_strUserName = QString::fromLatin1(name);
            user.m_strPassword = QStringLiteral("pw");
            data.m_listUsers.append(user);
        }
        view->PagePassword()->LoadFromProject(data);
        auto* users = view->PagePassword()->findChild<QTreeWidget*>(QStringLiteral("userList"));
        QVERIFY(users->isEnabled());
        deleteLikeTheButton(view->PagePassword(), users, {1});
        QCOMPARE(users->topLevelItemCount(), 1);
        QCOMPARE(users->topLevelItem(0)->text(0), QStringLiteral("ann"));

        // Template: asked like the button; nothing is deleted on No.
        QVERIFY(view->SetActivePage(CWendlockView::TemplatePage));
        auto* templates = view->PageTemplate()->findChild<QTreeWidget*>(QStringLiteral("templateList"));
        QVERIFY(templates->topLevelItemCount() > 0);
        select(templates, {0});
        const int count = templates->topLevelItemCount();
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::No});
        view->PageTemplate()->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
        const QStringList asked = CMessageBox::ShownTexts();
        QCOMPARE(asked.size(), 1);
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::No});
        QTest::keyClick(templates, Qt::Key_Delete);
        QCOMPARE(CMessageBox::ShownTexts(), asked);
        QCOMPARE(templates->topLevelItemCount(), count);
    }

    void ctrlQ_quitsAndAboutTakesEnterAsOk()
    {
        // The menus show each command's key beside it: the key sits on the
        // menu's own action.
        QStringList shown;
        for (QAction* menu : m_frame->menuBar()->actions()) {
            for (QAction* entry : menu->menu()->actions()) {
                if (!entry->shortcut().isEmpty()) {
                    shown.append(entry->shortcut().toString());
                }
            }
        }
        for (const char* key : {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+T", "Ctrl+Q"}) {
            QVERIFY2(shown.contains(QLatin1String(key)), key);
        }

        QStringList opened;
        CShellOperations::SetRecorderForTests([&opened](const QString& action, const QString& target) {
            opened.append(action + QLatin1Char(' ') + target);
        });
        CAboutDialog about(m_frame.get());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* ok = qobject_cast<QPushButton*>(QApplication::focusWidget());
        QVERIFY(ok && ok->isDefault());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(opened.isEmpty());
        CShellOperations::SetRecorderForTests({});

        QVERIFY(m_frame->isVisible());
        QApplication::setActiveWindow(m_frame.get());
        QTest::keyClick(m_frame.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m_frame->isVisible());
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
