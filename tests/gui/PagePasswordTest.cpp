#include "gui/pages/password/PagePassword.h"

#include "gui/GuiTestUtil.h"
#include "gui/pages/password/AddUserDlg.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

namespace {

CUserListNode User(const QString& name, const QString& password, const QString& fullName = QString())
{
    CUserListNode user;
    user.m_strUserName = name;
    user.m_strPassword = password;
    user.m_strFullName = fullName;
    return user;
}

QStringList Names(const QList<CUserListNode>& users)
{
    QStringList names;
    for (const CUserListNode& user : users) {
        names.append(user.m_strUserName);
    }
    return names;
}

QStringList Split(const char* names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Acts on the Add/Edit User dialog once the page has opened it. The timer
// belongs to this object, so an answer that met no dialog never fires into a
// later test.
class CDialogAnswer
{
public:
    explicit CDialogAnswer(std::function<void(CAddUserDlg&)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<CAddUserDlg*>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            m_timer.stop();
            ++m_nSeen;
            m_strTitle = dialog->windowTitle();
            m_shown = dialog->User();
            m_act(*dialog);
        });
        m_timer.start();
    }

    // OK with the given values.
    static CDialogAnswer Accept(const CUserListNode& user)
    {
        return CDialogAnswer([user](CAddUserDlg& dialog) {
            dialog.SetUser(user);
            dialog.accept();
        });
    }
    static CDialogAnswer Cancel()
    {
        return CDialogAnswer([](CAddUserDlg& dialog) { dialog.reject(); });
    }

    int Seen() const { return m_nSeen; }
    QString Title() const { return m_strTitle; }
    // The values the dialog opened with.
    CUserListNode Shown() const { return m_shown; }

private:
    std::function<void(CAddUserDlg&)> m_act;
    QTimer m_timer;
    int m_nSeen = 0;
    QString m_strTitle;
    CUserListNode m_shown;
};

} // namespace

class PagePasswordTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;
    std::unique_ptr<CPagePassword> m_page;
    QTreeWidget* m_list = nullptr;
    QTemporaryDir m_dir;

    // A fresh page in multiple user mode holding `users`; the recorder is cleared.
    void Load(const QList<CUserListNode>& users, int mode = CProject::kMultipleUsers,
              const QString& password = QString())
    {
        CProject data;
        data.m_nPasswordMode = mode;
        data.m_strPassword = password;
        data.m_listUsers = users;
        m_page->LoadFromProject(data);
        m_frame.Reset();
        CMessageBox::ClearShownTexts();
    }
    void Select(const QList<int>& rows)
    {
        m_list->clearSelection();
        for (const int row : rows) {
            m_list->topLevelItem(row)->setSelected(true);
        }
    }
    template <typename T>
    T* Child(const char* name) const
    {
        return m_page->findChild<T*>(QLatin1String(name));
    }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
    }
    void init()
    {
        m_frame.Reset();
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({});
        CFileDialog::SetNextFileNames({});
        m_page = std::make_unique<CPagePassword>(&m_frame);
        m_page->resize(700, 480);
        m_list = Child<QTreeWidget>("userList");
        QVERIFY(m_list);
    }
    void cleanup() { m_page.reset(); }

    void radioClicks_applyEnablingRuleNotifyAndMarkModified()
    {
        auto* single = Child<QRadioButton>("singleModeRadio");
        auto* multiple = Child<QRadioButton>("multipleModeRadio");
        auto* edit = Child<QLineEdit>("passwordEdit");
        auto* random = Child<QPushButton>("randomPasswordButton");
        auto* add = Child<QPushButton>("addUserButton");
        QVERIFY(single->isChecked());
        QVERIFY(edit->isEnabled() && random->isEnabled());
        QVERIFY(!m_list->isEnabled() && !add->isEnabled());

        multiple->click();
        QVERIFY(!edit->isEnabled() && !random->isEnabled());
        QVERIFY(m_list->isEnabled());
        for (const char* name : {"addUserButton", "editUserButton", "deleteButton", "deleteAllButton",
                                 "importButton", "exportButton"}) {
            QVERIFY2(Child<QPushButton>(name)->isEnabled(), name);
        }
        QVERIFY(single->isEnabled() && multiple->isEnabled());
        // The member follows the radios only when the controls are pulled.
        QCOMPARE(m_page->PasswordMode(), CProject::kSinglePassword);

        multiple->click();
        single->click();
        QCOMPARE(m_frame.passwordModes, (QList<int>{1, 1, 0}));
        QCOMPARE(m_frame.modifiedCalls, (QList<bool>{true, true, true}));
        QVERIFY(edit->isEnabled() && !m_list->isEnabled());
    }

    void passwordBox_limitsLengthAndMarksModifiedOnTyping()
    {
        auto* edit = Child<QLineEdit>("passwordEdit");
        QCOMPARE(edit->maxLength(), 200);
        QTest::keyClicks(edit, QStringLiteral("ab"));
        QVERIFY(m_frame.WasModified());

        m_frame.Reset();
        Child<QPushButton>("randomPasswordButton")->click();
        QCOMPARE(edit->text().size(), 8);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-zA-Z]{8}$")).match(edit->text()).hasMatch());
        QVERIFY(m_frame.WasModified());

        // The strength hint follows every change, typed or generated.
        auto* hint = Child<QLabel>("passwordStrengthLabel");
        QVERIFY(hint);
        QVERIFY2(hint->text().contains(QStringLiteral("8 characters")), qPrintable(hint->text()));
        edit->clear();
        QCOMPARE(hint->text(), QString());
        QTest::keyClicks(edit, QStringLiteral("12345"));
        QVERIFY2(hint->text().startsWith(QStringLiteral("Weak: 5 characters, 1 kind (digits).")),
                 qPrintable(hint->text()));
        Child<QRadioButton>("multipleModeRadio")->click();
        QVERIFY(!hint->isEnabled());
    }

    void loadFromProject_keepsFirstOfDuplicateNamesWithoutMarkingModified()
    {
        CProject data;
        data.m_nPasswordMode = 1;
        data.m_strPassword = QStringLiteral("shared");
        data.m_listUsers = {User(QStringLiteral("ann"), QStringLiteral("first")),
                            User(QStringLiteral("bob"), {}),
                            User(QStringLiteral("ann"), QStringLiteral("second")),
                            User(QStringLiteral("Ann"), QStringLiteral("case"))};
        m_frame.Reset();
        m_page->LoadFromProject(data);
        QVERIFY(m_frame.modifiedCalls.isEmpty());
        QVERIFY(m_frame.passwordModes.isEmpty());
        QVERIFY(m_list->isEnabled());
        QCOMPARE(Child<QLineEdit>("passwordEdit")->text(), QStringLiteral("shared"));

        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_nPasswordMode, 1);
        QCOMPARE(saved.m_strPassword, QStringLiteral("shared"));
        QCOMPARE(Names(saved.m_listUsers), Split("ann bob Ann"));
        QCOMPARE(saved.m_listUsers.first().m_strPassword, QStringLiteral("first"));
        // Passwords are shown in clear.
        QCOMPARE(m_list->topLevelItem(0)->text(1), QStringLiteral("first"));

        // Loading again replaces the rows.
        data.m_listUsers = {User(QStringLiteral("zed"), QStringLiteral("z"))};
        m_page->LoadFromProject(data);
        QCOMPARE(Names(m_page->Users()), Split("zed"));
    }

    void addUser_caseDifferingNamesAreTwoUsersAndExactDuplicateIsRefused()
    {
        Load({User(QStringLiteral("jdoe"), QStringLiteral("1"))});
        {
            const CDialogAnswer answer =
                CDialogAnswer::Accept(User(QStringLiteral("JDoe"), QStringLiteral("2")));
            m_page->OnAddUser();
            QCOMPARE(answer.Title(), QStringLiteral("Add User"));
            QCOMPARE(answer.Shown(), CUserListNode());
        }
        QCOMPARE(Names(m_page->Users()), Split("jdoe JDoe"));
        QVERIFY(m_frame.WasModified());

        m_frame.Reset();
        {
            const CDialogAnswer answer =
                CDialogAnswer::Accept(User(QStringLiteral("jdoe"), QStringLiteral("3")));
            m_page->OnAddUser();
        }
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QStringLiteral("Add user failure! The user \"jdoe\" already existed.")});
        QCOMPARE(m_page->Users().first().m_strPassword, QStringLiteral("1"));
        QCOMPARE(m_list->topLevelItemCount(), 2);
        QVERIFY(m_frame.modifiedCalls.isEmpty());

        {
            const CDialogAnswer answer = CDialogAnswer::Cancel();
            m_page->OnAddUser();
            QCOMPARE(answer.Seen(), 1);
        }
        QCOMPARE(m_list->topLevelItemCount(), 2);
        QVERIFY(m_frame.modifiedCalls.isEmpty());
    }

    void editUser_keepingTheNameNeverConflictsAndOkMarksModified()
    {
        const CUserListNode ann = User(QStringLiteral("ann"), QStringLiteral("a"), QStringLiteral("Ann A."));
        Load({ann, User(QStringLiteral("bob"), QStringLiteral("b"))});
        Select({0});
        {
            // OK on unchanged values.
            const CDialogAnswer answer([](CAddUserDlg& dialog) { dialog.accept(); });
            m_page->OnEditUser();
            QCOMPARE(answer.Title(), QStringLiteral("Edit User"));
            QCOMPARE(answer.Shown(), ann);
        }
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QVERIFY(m_frame.WasModified());
        QCOMPARE(m_page->Users().first(), ann);

        // A change of letter case only is a new name, and no other row has it.
        {
            const CDialogAnswer answer =
                CDialogAnswer::Accept(User(QStringLiteral("Ann"), QStringLiteral("new")));
            m_page->OnEditUser();
        }
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QCOMPARE(m_page->Users().first(), User(QStringLiteral("Ann"), QStringLiteral("new")));
        QCOMPARE(m_list->topLevelItemCount(), 2);
    }

    void editUser_renameToExistingNameIsRefusedAndRowKeepsItsValues()
    {
        const CUserListNode bob = User(QStringLiteral("bob"), QStringLiteral("b"), QStringLiteral("Bob B."));
        Load({User(QStringLiteral("ann"), QStringLiteral("a")), bob});
        Select({1});
        {
            const CDialogAnswer answer =
                CDialogAnswer::Accept(User(QStringLiteral("ann"), QStringLiteral("x")));
            m_page->OnEditUser();
        }
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QStringLiteral("Change user name failure! The user \"ann\" already existed.")});
        QCOMPARE(m_page->Users().at(1), bob);
        QVERIFY(m_frame.modifiedCalls.isEmpty());
    }

    void editUser_needsExactlyOneSelectedRow()
    {
        Load(
            {User(QStringLiteral("a"), QStringLiteral("1")), User(QStringLiteral("b"), QStringLiteral("2"))});
        const CDialogAnswer answer = CDialogAnswer::Cancel();
        Select({});
        m_page->OnEditUser();
        Select({0, 1});
        m_page->OnEditUser();
        QCOMPARE(CMessageBox::ShownTexts(),
                 (QStringList{QStringLiteral("No item is selected!"),
                              QStringLiteral("Please select only one item to edit!")}));
        QCOMPARE(answer.Seen(), 0);
    }

    void doubleClick_editsTheRowAndEmptySpaceDoesNothing()
    {
        Load(
            {User(QStringLiteral("a"), QStringLiteral("1")), User(QStringLiteral("b"), QStringLiteral("2"))});
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        const CDialogAnswer answer = CDialogAnswer::Cancel();
        const QRect row = m_list->visualItemRect(m_list->topLevelItem(1));
        // A real double click starts with a click; the view wants the press.
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(answer.Seen(), 1);
        QCOMPARE(answer.Shown().m_strUserName, QStringLiteral("b"));

        const CDialogAnswer none = CDialogAnswer::Cancel();
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {},
                           QPoint(5, m_list->viewport()->height() - 5));
        QCOMPARE(none.Seen(), 0);
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
    }

    void delete_removesEverySelectedRow()
    {
        Load({User(QStringLiteral("r0"), {}), User(QStringLiteral("r1"), {}), User(QStringLiteral("r2"), {}),
              User(QStringLiteral("r3"), {}), User(QStringLiteral("r4"), {}),
              User(QStringLiteral("r5"), {})});
        Select({});
        m_page->OnDeleteUser();
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
        QVERIFY(m_frame.modifiedCalls.isEmpty());

        Select({4, 1, 3});
        m_page->OnDeleteUser();
        QCOMPARE(Names(m_page->Users()), Split("r0 r2 r5"));
        QVERIFY(m_frame.WasModified());

        // A large selection takes the one-pass route; the order of the rest holds.
        QList<CUserListNode> many;
        QList<int> odd;
        for (int i = 0; i < 2000; ++i) {
            many.append(User(QString::number(i), {}));
            if (i % 2) {
                odd.append(i);
            }
        }
        Load(many);
        Select(odd);
        m_page->OnDeleteUser();
        QCOMPARE(m_list->topLevelItemCount(), 1000);
        QCOMPARE(m_list->topLevelItem(0)->text(0), QStringLiteral("0"));
        QCOMPARE(m_list->topLevelItem(999)->text(0), QStringLiteral("1998"));
    }

    void deleteAll_asksFirstAndOnlyYesClears()
    {
        Load({});
        m_page->OnDeleteAll();
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QVERIFY(m_frame.modifiedCalls.isEmpty());

        Load({User(QStringLiteral("a"), {}), User(QStringLiteral("b"), {})});
        CMessageBox::SetNextAnswers({QMessageBox::No, QMessageBox::Cancel, QMessageBox::Yes});
        m_page->OnDeleteAll();
        m_page->OnDeleteAll();
        QCOMPARE(m_list->topLevelItemCount(), 2);
        QVERIFY(m_frame.modifiedCalls.isEmpty());
        m_page->OnDeleteAll();
        QCOMPARE(m_list->topLevelItemCount(), 0);
        QVERIFY(m_frame.WasModified());
        QCOMPARE(CMessageBox::ShownTexts().last(), QStringLiteral("Are you sure to delete all items?"));
    }

    // Keyboard only: the list takes the focus with its current row selected,
    // Delete removes that row, Ctrl+Z brings the users back, also after
    // Delete All; a freshly loaded project has nothing to undo.
    void deleteKeyActsOnTheOutlinedRow_andCtrlZUndoes()
    {
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        Load({User(QStringLiteral("a"), {}), User(QStringLiteral("b"), {}), User(QStringLiteral("c"), {})});
        m_list->clearSelection();
        m_list->setCurrentItem(m_list->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
        m_list->clearSelection();
        m_page->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setFocus();
        m_list->setFocus(Qt::TabFocusReason);
        QCOMPARE(m_list->selectedItems().size(), 1);
        QTest::keyClick(m_list, Qt::Key_Delete);
        QCOMPARE(Names(m_page->Users()), Split("a c"));
        QVERIFY(CMessageBox::ShownTexts().isEmpty());

        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        m_page->OnDeleteAll();
        QCOMPARE(m_list->topLevelItemCount(), 0);
        m_frame.Reset();
        QTest::keySequence(m_list, QKeySequence::Undo);
        QCOMPARE(Names(m_page->Users()), Split("a c"));
        QVERIFY(m_frame.WasModified());
        QTest::keySequence(m_list, QKeySequence::Undo);
        QCOMPARE(Names(m_page->Users()), Split("a b c"));
        QTest::keySequence(m_list, QKeySequence::Undo);
        QCOMPARE(Names(m_page->Users()), Split("a b c"));

        Select({0});
        m_page->OnDeleteUser();
        Load({User(QStringLiteral("x"), {})});
        QTest::keySequence(m_list, QKeySequence::Undo);
        QCOMPARE(Names(m_page->Users()), Split("x"));
    }

    void validateForProtect_checksTheChosenModeOnly()
    {
        const QString emptyPassword =
            QStringLiteral("You select to use single password mode, but the password is empty! Please input "
                           "a password before protect.");
        const QString emptyList =
            QStringLiteral("You select to use multiple user name and password mode, but the "
                           "users list is empty! Please add at least an user before protect.");
        // A password of blanks counts; an empty list does not matter here.
        Load({}, CProject::kSinglePassword, QStringLiteral("   "));
        QVERIFY(m_page->ValidateForProtect());
        Load({}, CProject::kSinglePassword, QString());
        QVERIFY(!m_page->ValidateForProtect());
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{emptyPassword});

        // In multiple user mode the single password does not help.
        Load({}, CProject::kMultipleUsers, QStringLiteral("set"));
        QVERIFY(!m_page->ValidateForProtect());
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{emptyList});
        Load({User(QStringLiteral("a"), QStringLiteral("1"))}, CProject::kMultipleUsers, QString());
        QVERIFY(m_page->ValidateForProtect());

        // The radio clicked last decides, without leaving the page.
        Load({}, CProject::kMultipleUsers, QStringLiteral("set"));
        Child<QRadioButton>("singleModeRadio")->click();
        QVERIFY(m_page->ValidateForProtect());
        QCOMPARE(m_page->PasswordMode(), CProject::kSinglePassword);
    }

    void import_appendsAfterExistingRowsKeepingFirstOfEachName()
    {
        Load({User(QStringLiteral("bob"), QStringLiteral("mine"))});
        QFile file(Path("in.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"carol\",\"c\"\r\n\"bob\",\"theirs\"\r\ndave,d,Dave\r\n");
        file.close();
        CFileDialog::SetNextFileNames({Path("in.csv")});
        m_page->OnImport();
        QCOMPARE(Names(m_page->Users()), Split("bob carol dave"));
        QCOMPARE(m_page->Users().at(0).m_strPassword, QStringLiteral("mine"));
        QCOMPARE(m_page->Users().at(2),
                 User(QStringLiteral("dave"), QStringLiteral("d"), QStringLiteral("Dave")));
        QVERIFY(m_frame.WasModified());

        // Nothing new: not modified. A cancelled dialog: nothing at all.
        m_frame.Reset();
        CFileDialog::SetNextFileNames({Path("in.csv"), QString()});
        m_page->OnImport();
        m_page->OnImport();
        QVERIFY(m_frame.modifiedCalls.isEmpty());
        QVERIFY(CMessageBox::ShownTexts().isEmpty());

        CFileDialog::SetNextFileNames({Path("missing.csv")});
        m_page->OnImport();
        QCOMPARE(CMessageBox::ShownTexts(),
                 QStringList{QStringLiteral("Open file \"%1\" for read failure! Please try again later.")
                                 .arg(Path("missing.csv"))});
        QCOMPARE(m_list->topLevelItemCount(), 3);
    }

    void export_writesTheRowsInLatin1OrUtf8AndKeepsTheFileOnFailure()
    {
        Load({User(QStringLiteral("a\"b"), QStringLiteral("1"), QStringLiteral("Full")),
              User(QStringLiteral("c"), QStringLiteral("2"))});
        CFileDialog::SetNextFileNames({Path("out.csv")});
        m_page->OnExport();
        QFile file(Path("out.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        file.close();
        QCOMPARE(written,
                 QByteArray("\"a\"\"b\",\"1\",\"Full\",\"\",\"\"\r\n\"c\",\"2\",\"\",\"\",\"\"\r\n"));
        QVERIFY(m_frame.modifiedCalls.isEmpty());

        // A failed write says so and leaves the old file.
        CFileDialog::SetNextFileNames({Path("out.csv/no")});
        m_page->OnExport();
        QCOMPARE(CMessageBox::ShownTexts().size(), 1);
        QVERIFY(CMessageBox::ShownTexts().first().startsWith(QStringLiteral("Create file")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), written);
        file.close();

        // An unsaved edit is exported as shown; a value beyond Latin-1
        // makes the file UTF-8.
        CMessageBox::ClearShownTexts();
        Load({User(QString::fromUtf8("\xE6\x97\xA5"), QStringLiteral("1"))});
        CFileDialog::SetNextFileNames({Path("out.csv")});
        m_page->OnExport();
        QVERIFY(CMessageBox::ShownTexts().isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF\"\xE6\x97\xA5\",\"1\",\"\",\"\",\"\"\r\n"));
    }

    void contextMenu_greysRowCommandsOffRowsAndShowsPrompts()
    {
        Load({User(QStringLiteral("a"), QStringLiteral("1"))});
        const auto texts = [](const QMenu& menu, bool enabledOnly) {
            QStringList result;
            for (const QAction* action : menu.actions()) {
                if (!enabledOnly || action->isEnabled()) {
                    result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
                }
            }
            return result;
        };
        const auto offRow = m_page->CreateListMenu(false);
        QCOMPARE(offRow->objectName(), QStringLiteral("UsersListPop"));
        QCOMPARE(
            texts(*offRow, false),
            (QStringList{QStringLiteral("&Add User..."), QStringLiteral("&Edit User..."), QStringLiteral("-"),
                         QStringLiteral("&Delete"), QStringLiteral("De&lete All..."), QStringLiteral("-"),
                         QStringLiteral("&Import..."), QStringLiteral("E&xport...")}));
        QCOMPARE(texts(*offRow, true),
                 (QStringList{QStringLiteral("&Add User..."), QStringLiteral("-"),
                              QStringLiteral("De&lete All..."), QStringLiteral("-"),
                              QStringLiteral("&Import..."), QStringLiteral("E&xport...")}));
        const auto onRow = m_page->CreateListMenu(true);
        QCOMPARE(texts(*onRow, true), texts(*onRow, false));

        onRow->actions().at(3)->hover();
        QCOMPARE(m_frame.prompts, QStringList{QStringLiteral("Delete selected users in list")});
        // The entries run the page's commands.
        Select({0});
        onRow->actions().at(3)->trigger();
        QCOMPARE(m_list->topLevelItemCount(), 0);
    }

    void resizing_keepsColumnProportions()
    {
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        for (const int pageWidth : {640, 1000}) {
            m_page->resize(pageWidth, 480);
            QCoreApplication::processEvents();
            const int w = m_list->viewport()->width();
            QCOMPARE(m_list->columnWidth(0), w * 120 / 720);
            QCOMPARE(m_list->columnWidth(2), w * 120 / 720);
            QCOMPARE(m_list->columnWidth(3), w * 150 / 720);
            QCOMPARE(m_list->columnWidth(4), w * 210 / 720 - 10);
            QVERIFY(m_list->header()->length() <= w);
        }
    }
};

QTEST_MAIN(PagePasswordTest)
#include "PagePasswordTest.moc"
