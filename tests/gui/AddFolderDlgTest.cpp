#include "gui/pages/files/AddFolderDlg.h"

#include "files/ListFile.h"
#include "gui/GuiTestUtil.h"
#include "gui/frame/AppPreferences.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QStringList Numbered(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i) {
        lines.append(QStringLiteral("/srv/folder%1").arg(i));
    }
    return lines;
}

QStringList Entries(const QComboBox* combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries.append(combo->itemText(i));
    }
    return entries;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class AddFolderDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void history_showsEveryLineAndOkKeepsTheFirstTwenty();
    void history_missingIsEmptyAndUnreadableIsReported();
    void ok_withoutFolderLeavesTheHistory_wideFolderIsRemembered();
    void browse_setsTheFolderAndRemembersIt();
    void help_buttonAndF1OpenTheDialogsTopic();

private:
    std::unique_ptr<CAddFolderDlg> Open(const QString& historyFile, bool recursive = true);

    std::unique_ptr<QTemporaryDir> m_dir;
    CFrameRecorder m_frame;
    CAppPreferences m_preferences;
};

void AddFolderDlgTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CMessageBox::SetTestMode(true);
    CFileDialog::SetTestMode(true);
}

void AddFolderDlgTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({});
    CFileDialog::SetNextFileNames({});
    m_frame.Reset();
    m_preferences = CAppPreferences();
}

std::unique_ptr<CAddFolderDlg> AddFolderDlgTest::Open(const QString& historyFile, bool recursive)
{
    auto dialog = std::make_unique<CAddFolderDlg>(&m_frame, m_preferences);
    dialog->m_strHistoryFile = historyFile;
    dialog->m_bRecursive = recursive;
    dialog->show();
    return dialog;
}

void AddFolderDlgTest::history_showsEveryLineAndOkKeepsTheFirstTwenty()
{
    const QString history = m_dir->filePath(QStringLiteral("filesaddfolder.lst"));
    QStringList thirty = Numbered(30);
    thirty[20] = thirty[9]; // a folder written twice is listed twice
    QVERIFY(CListFile::Write(history, thirty));

    auto dialog = Open(history, false);
    QComboBox* combo = dialog->FolderCombo();
    QCOMPARE(combo->count(), 30);
    QCOMPARE(Entries(combo), thirty);
    // Nothing is chosen: the folder field starts empty.
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->currentText(), QString());
    QVERIFY(!dialog->RecursiveCheck()->isChecked());

    // Choosing the tenth entry moves it (and drops its copy) to the top.
    combo->setCurrentIndex(9);
    dialog->RecursiveCheck()->setChecked(true);
    dialog->accept();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->m_strFolder, thirty[9]);
    QCOMPARE(dialog->m_bRecursive, true);
    QStringList expected = thirty;
    expected.removeAll(thirty[9]);
    expected.prepend(thirty[9]);
    QStringList saved;
    QVERIFY(CListFile::Read(history, saved));
    QCOMPARE(saved, expected.mid(0, 20));
    QVERIFY(CMessageBox::ShownTexts().isEmpty());

    // A new folder, typed, goes first; the history is still 20 lines.
    auto again = Open(history);
    QCOMPARE(again->FolderCombo()->count(), 20);
    again->FolderCombo()->setEditText(QStringLiteral("/srv/new folder/"));
    again->accept();
    QVERIFY(CListFile::Read(history, saved));
    QCOMPARE(saved.size(), 20);
    QCOMPARE(saved.first(), QStringLiteral("/srv/new folder/"));
    QCOMPARE(saved.at(1), thirty[9]);
}

void AddFolderDlgTest::history_missingIsEmptyAndUnreadableIsReported()
{
    auto first = Open(m_dir->filePath(QStringLiteral("missing.lst")));
    QCOMPARE(first->FolderCombo()->count(), 0);
    QVERIFY(first->RecursiveCheck()->isChecked());
    QVERIFY(CMessageBox::ShownTexts().isEmpty());

    // A folder where the file should be: neither readable nor writable.
    const QString blocked = m_dir->path();
    auto dialog = Open(blocked);
    QCOMPARE(CMessageBox::ShownTexts(),
             QStringList{
                 QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(blocked)});
    QCOMPARE(dialog->FolderCombo()->count(), 0);
    CMessageBox::ClearShownTexts();
    dialog->FolderCombo()->setEditText(QStringLiteral("/srv/site"));
    dialog->accept();
    // The dialog still closes with OK; the failure was said once.
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->m_strFolder, QStringLiteral("/srv/site"));
    QCOMPARE(CMessageBox::ShownTexts().size(), 1);
    QVERIFY(CMessageBox::ShownTexts().first().startsWith(QStringLiteral("Create file")));
}

void AddFolderDlgTest::ok_withoutFolderLeavesTheHistory_wideFolderIsRemembered()
{
    const QString history = m_dir->filePath(QStringLiteral("filesaddfolder.lst"));
    QVERIFY(CListFile::Write(history, Numbered(3)));
    const QByteArray before = ReadBytes(history);

    auto empty = Open(history);
    empty->accept();
    QCOMPARE(empty->result(), int(QDialog::Accepted));
    QCOMPARE(empty->m_strFolder, QString());
    QCOMPARE(ReadBytes(history), before);

    auto cyrillic = Open(history);
    cyrillic->FolderCombo()->setEditText(QStringLiteral("/srv/\u0441\u0430\u0439\u0442"));
    cyrillic->accept();
    QCOMPARE(cyrillic->result(), int(QDialog::Accepted));
    QCOMPARE(cyrillic->m_strFolder, QStringLiteral("/srv/\u0441\u0430\u0439\u0442"));
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
    // The history no longer fits in Latin-1, so it is kept in UTF-8.
    QVERIFY(ReadBytes(history).startsWith("\xEF\xBB\xBF/srv/\xD1\x81"));
    QStringList saved;
    QVERIFY(CListFile::Read(history, saved));
    QCOMPARE(saved, QStringList({QStringLiteral("/srv/\u0441\u0430\u0439\u0442")}) + Numbered(3));
}

void AddFolderDlgTest::browse_setsTheFolderAndRemembersIt()
{
    CAppPreferences& preferences = m_preferences;
    preferences.m_strAddFolderInit = QStringLiteral("/srv/before/");
    auto dialog = Open(QString());

    CFileDialog::SetNextFileNames({QString()});
    dialog->OnBrowse();
    QCOMPARE(dialog->FolderCombo()->currentText(), QString());
    QCOMPARE(preferences.m_strAddFolderInit, QStringLiteral("/srv/before/"));

    CFileDialog::SetNextFileNames({QStringLiteral("/srv/picked//")});
    QPushButton* browse = dialog->findChild<QPushButton*>(QStringLiteral("browseButton"));
    QVERIFY(browse);
    browse->click();
    QCOMPARE(dialog->FolderCombo()->currentText(), QStringLiteral("/srv/picked/"));
    QCOMPARE(preferences.m_strAddFolderInit, QStringLiteral("/srv/picked/"));
    QCOMPARE(CAddFolderDlg::BrowseForFolder(nullptr, QString(), QString()), QString());
}

void AddFolderDlgTest::help_buttonAndF1OpenTheDialogsTopic()
{
    auto dialog = Open(QString());
    QPushButton* help = dialog->findChild<QPushButton*>(QStringLiteral("helpButton"));
    QVERIFY(help);
    help->click();
    QTest::keyClick(dialog->FolderCombo(), Qt::Key_F1);
    QCOMPARE(m_frame.helpTopics, (QList<HelpTopic>{HelpTopic::AddFolder, HelpTopic::AddFolder}));
    QVERIFY(dialog->isVisible());
}

QTEST_MAIN(AddFolderDlgTest)
#include "AddFolderDlgTest.moc"
