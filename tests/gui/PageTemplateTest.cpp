#include "gui/pages/template/PageTemplate.h"

#include "gui/GuiTestUtil.h"
#include "gui/frame/AppPreferences.h"
#include "gui/frame/ShellOperations.h"
#include "gui/pages/template/CreateTemplateDlg.h"
#include "gui/pages/template/PreviewBackend.h"
#include "gui/pages/template/TemplatePreview.h"
#include "gui/widgets/MessageBox.h"
#include "model/Project.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// A template whose title is its name, so the preview shows which one it has.
QByteArray TemplateText(const QString& title)
{
    return QStringLiteral("<!DOCTYPE html><html><head><title>%1</title></head>"
                          "<body><form><input type=\"password\"></form></body></html>")
        .arg(title)
        .toUtf8();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Column(const QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts.append(list->topLevelItem(i)->text(column));
    }
    return texts;
}

QStringList ActionTexts(const QMenu* menu, bool enabledOnly = false)
{
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!enabledOnly || action->isEnabled()) {
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        }
    }
    return texts;
}

QAction* FindAction(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

class PageTemplateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newProject_choosesAndPreviewsFirstTemplate_withoutBeingModified();
    void unlistedPath_staysChosenWithoutRow_andPassesValidation();
    void listedPath_selectsItsRow_andSavesBack();
    void modeChange_listsOtherFolder_sameModeKeepsList_emptyFolderKeepsPath();
    void clickOnEmptySpace_emptiesChosenPath_andProtectStops();
    void previewOff_selectionChangesChoiceNotPreview_onWithoutRowSaysSo();
    void create_refusesBadNames_thenCopiesBasedOnTemplate_andAppendsRow();
    void create_startsFromTheChosenTemplate_orTheFirstWithoutOne();
    void create_existingFile_reportsCopyFailure_andAddsNoRow();
    void create_readOnlyInstall_usesTheUsersOwnFolder();
    void delete_chosenTemplate_leavesNoneChosen();
    void delete_missingFile_reportsFailure_andKeepsRow();
    void refresh_picksUpNewFiles_andChoosesFirst();
    void contextMenu_withoutShellEdit_rowEntriesNeedARow();
    void buttonsDoubleClickAndF1_actOnSelectedFile();
    void resizing_keepsColumnProportions();
    void preview_autofocusedFieldLowOnThePage_stillOpensAtTheTop();
    void preview_placeholderUntilTheBrowserHasLoaded();

private:
    void Load(int mode = 0, const QString& path = QString());
    QString SingleFolder() const { return m_app->path() + QLatin1String("/Templates/SinglePassword/"); }
    QString MultiFolder() const { return m_app->path() + QLatin1String("/Templates/MultiUsers/"); }
    // Runs `fill` on the Create Template dialog once the page has opened it.
    void WhenCreateDialogOpens(std::function<void(CCreateTemplateDlg*)> fill);
    QTreeWidgetItem* Row(const QString& path) const;

    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<CFrameRecorder> m_frame;
    CAppPreferences m_preferences;
    std::unique_ptr<CPageTemplate> m_page;
    QList<QPair<QString, QString>> m_shell;
    bool m_dialogSeen = false;
};

void PageTemplateTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CMessageBox::SetTestMode(true);
    CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
        m_shell.append({action, target});
    });
}

void PageTemplateTest::init()
{
    m_app = std::make_unique<QTemporaryDir>();
    QVERIFY(m_app->isValid());
    qputenv("WENDLOCK_APP_DIR", QFile::encodeName(m_app->path()));
    QVERIFY(QDir().mkpath(SingleFolder()));
    QVERIFY(QDir().mkpath(MultiFolder()));
    QVERIFY(WriteFile(SingleFolder() + QLatin1String("Alpha.htm"), TemplateText(QStringLiteral("Alpha"))));
    QVERIFY(WriteFile(SingleFolder() + QLatin1String("Beta.html"), TemplateText(QStringLiteral("Beta"))));
    QVERIFY(WriteFile(SingleFolder() + QLatin1String("readme.txt"), "not a template"));
    QVERIFY(WriteFile(MultiFolder() + QLatin1String("Gamma.htm"), TemplateText(QStringLiteral("Gamma"))));
    QVERIFY(WriteFile(MultiFolder() + QLatin1String("Delta.htm"), TemplateText(QStringLiteral("Delta"))));
    m_preferences.m_strDataFolder = m_app->path() + QLatin1String("/data/");

    CMessageBox::ClearShownTexts();
    CMessageBox::SetNextAnswers({});
    m_shell.clear();
    m_frame = std::make_unique<CFrameRecorder>();
    m_page = std::make_unique<CPageTemplate>(m_frame.get(), m_preferences);
    m_page->resize(740, 520);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void PageTemplateTest::cleanup()
{
    m_page.reset();
    m_frame.reset();
    m_app.reset();
}

void PageTemplateTest::Load(int mode, const QString& path)
{
    CProject data;
    data.m_nPasswordMode = mode;
    data.m_strTemplatePath = path;
    m_page->LoadFromProject(data);
}

QTreeWidgetItem* PageTemplateTest::Row(const QString& path) const
{
    const QTreeWidget* list = m_page->TemplateList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(CPageTemplate::PathColumn) == path) {
            return list->topLevelItem(i);
        }
    }
    return nullptr;
}

void PageTemplateTest::WhenCreateDialogOpens(std::function<void(CCreateTemplateDlg*)> fill)
{
    m_dialogSeen = false;
    QTimer::singleShot(0, this, [this, fill] {
        auto* dialog = qobject_cast<CCreateTemplateDlg*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        m_dialogSeen = true;
        fill(dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

void PageTemplateTest::newProject_choosesAndPreviewsFirstTemplate_withoutBeingModified()
{
    Load();
    const QTreeWidget* list = m_page->TemplateList();
    QCOMPARE(list->topLevelItemCount(), 2);
    QStringList names = Column(list, CPageTemplate::NameColumn);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));

    const QString first = list->topLevelItem(0)->text(CPageTemplate::PathColumn);
    QCOMPARE(m_page->ChosenTemplatePath(), first);
    QVERIFY(list->topLevelItem(0)->isSelected());
    QCOMPARE(m_page->Preview()->Target(), first);
    const QString title = QFileInfo(first).completeBaseName();
    QTRY_COMPARE_WITH_TIMEOUT(m_page->Preview()->Title(), title, 20000);
#ifdef WENDLOCK_HAVE_WEBPREVIEW
    // That title came from the web engine in its module, loaded beside the
    // program, not from the text browser that stands in without it.
    QVERIFY(m_page->Preview()->View()->inherits("QWebEngineView"));
#endif

    QVERIFY(!m_frame->modifiedCalls.isEmpty());
    QCOMPARE(m_frame->modifiedCalls.last(), false);

    CProject saved;
    m_page->SaveToProject(saved);
    QCOMPARE(saved.m_strTemplatePath, first);
    QCOMPARE(saved.m_bPreview, true);
    QVERIFY(m_page->ValidateForProtect());
}

void PageTemplateTest::unlistedPath_staysChosenWithoutRow_andPassesValidation()
{
    const QString gone = SingleFolder() + QLatin1String("Gone.htm");
    const QString otherMode = MultiFolder() + QLatin1String("Gamma.htm");
    for (const QString& path : {gone, otherMode}) {
        m_frame->Reset();
        Load(0, path);
        QCOMPARE(m_page->TemplateList()->topLevelItemCount(), 2);
        QVERIFY(m_page->TemplateList()->selectedItems().isEmpty());
        QCOMPARE(m_page->ChosenTemplatePath(), path);
        QCOMPARE(m_frame->modifiedCalls.last(), false);
        QVERIFY(m_page->ValidateForProtect());
        CProject saved;
        m_page->SaveToProject(saved);
        QCOMPARE(saved.m_strTemplatePath, path);
    }
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
}

void PageTemplateTest::listedPath_selectsItsRow_andSavesBack()
{
    const QString beta = SingleFolder() + QLatin1String("Beta.html");
    CProject data;
    data.m_strTemplatePath = beta;
    data.m_bPreview = false;
    m_page->LoadFromProject(data);
    QVERIFY(Row(beta)->isSelected());
    QCOMPARE(m_page->TemplateList()->selectedItems().size(), 1);
    QCOMPARE(m_page->ChosenTemplatePath(), beta);
    QCOMPARE(m_frame->modifiedCalls.last(), false);
    // With the preview off, loading leaves the blank page.
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());
    QVERIFY(!m_page->findChild<QCheckBox*>(QStringLiteral("previewCheck"))->isChecked());

    CProject saved;
    m_page->SaveToProject(saved);
    QCOMPARE(saved.m_strTemplatePath, beta);
    QCOMPARE(saved.m_bPreview, false);
}

void PageTemplateTest::modeChange_listsOtherFolder_sameModeKeepsList_emptyFolderKeepsPath()
{
    Load(0);
    m_frame->Reset();
    m_page->OnPasswordModeChanged(1);
    QTreeWidget* list = m_page->TemplateList();
    QCOMPARE(m_page->PasswordMode(), 1);
    QCOMPARE(list->topLevelItemCount(), 2);
    for (const QString& path : Column(list, CPageTemplate::PathColumn)) {
        QVERIFY2(path.startsWith(MultiFolder()), qPrintable(path));
    }
    const QString first = list->topLevelItem(0)->text(CPageTemplate::PathColumn);
    QCOMPARE(m_page->ChosenTemplatePath(), first);
    QVERIFY(list->topLevelItem(0)->isSelected());
    QCOMPARE(m_page->Preview()->Target(), first);

    // The mode in force: no rebuild, the user's choice stays.
    list->setCurrentItem(list->topLevelItem(1));
    const QString second = list->topLevelItem(1)->text(CPageTemplate::PathColumn);
    QCOMPARE(m_page->ChosenTemplatePath(), second);
    m_page->OnPasswordModeChanged(1);
    QVERIFY(list->topLevelItem(1)->isSelected());
    QCOMPARE(m_page->ChosenTemplatePath(), second);

    // A mode whose folder lists nothing keeps the previous choice.
    QVERIFY(QDir(SingleFolder()).removeRecursively());
    m_page->OnPasswordModeChanged(0);
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(m_page->ChosenTemplatePath(), second);
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());
    QVERIFY(m_page->ValidateForProtect());
}

void PageTemplateTest::clickOnEmptySpace_emptiesChosenPath_andProtectStops()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    m_frame->Reset();

    const QTreeWidgetItem* second = list->topLevelItem(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(second).center());
    QCOMPARE(m_page->ChosenTemplatePath(), second->text(CPageTemplate::PathColumn));
    QVERIFY(m_frame->WasModified());

    m_frame->Reset();
    const QPoint below(list->viewport()->width() / 2, list->visualItemRect(second).bottom() + 20);
    QVERIFY(below.y() < list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(list->selectedItems().isEmpty());
    QVERIFY(m_page->ChosenTemplatePath().isEmpty());
    QVERIFY(m_frame->WasModified());
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());

    QVERIFY(!m_page->ValidateForProtect());
    QCOMPARE(
        CMessageBox::ShownTexts(),
        QStringList{QStringLiteral("No template is selected! Please select a template before protect.")});
    CProject saved;
    saved.m_strTemplatePath = QStringLiteral("stale");
    m_page->SaveToProject(saved);
    QVERIFY(saved.m_strTemplatePath.isEmpty());
}

void PageTemplateTest::previewOff_selectionChangesChoiceNotPreview_onWithoutRowSaysSo()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    auto* check = m_page->findChild<QCheckBox*>(QStringLiteral("previewCheck"));
    const QString second = list->topLevelItem(1)->text(CPageTemplate::PathColumn);

    m_frame->Reset();
    check->click();
    QVERIFY(m_frame->WasModified());
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());

    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(m_page->ChosenTemplatePath(), second);
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());

    check->click();
    QCOMPARE(m_page->Preview()->Target(), second);

    list->clearSelection();
    check->click();
    check->click();
    QVERIFY(check->isChecked());
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
}

void PageTemplateTest::create_refusesBadNames_thenCopiesBasedOnTemplate_andAppendsRow()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    const QString chosen = m_page->ChosenTemplatePath();
    const QString basedOn = list->topLevelItem(1)->text(CPageTemplate::PathColumn);
    m_frame->Reset();

    QStringList stillOpen;
    WhenCreateDialogOpens([&](CCreateTemplateDlg* dialog) {
        QCOMPARE(dialog->m_listNames, Column(list, CPageTemplate::NameColumn));
        const QString existing = list->topLevelItem(0)->text(CPageTemplate::NameColumn);
        for (const QString& name : {QStringLiteral("a/b"), existing}) {
            dialog->NameEdit()->setText(name);
            dialog->accept();
            if (dialog->isVisible()) {
                stillOpen.append(name);
            }
        }
        dialog->NameEdit()->setText(QStringLiteral("  Blue  "));
        dialog->BasedOnCombo()->setCurrentIndex(1);
        dialog->accept();
    });
    m_page->OnCreate();
    QVERIFY(m_dialogSeen);

    const QString existing = list->topLevelItem(0)->text(CPageTemplate::NameColumn);
    QCOMPARE(stillOpen, (QStringList{QStringLiteral("a/b"), existing}));
    QCOMPARE(
        CMessageBox::ShownTexts(),
        (QStringList{QStringLiteral("Template name can't include \\/:*?\"<>|"),
                     QStringLiteral("The template name '%1' already existed! Please input another name to "
                                    "continue.")
                         .arg(existing)}));

    const QString target = SingleFolder() + QLatin1String("  Blue  .html");
    QCOMPARE(ReadFile(target), ReadFile(basedOn));
    QCOMPARE(list->topLevelItemCount(), 3);
    const QTreeWidgetItem* added = list->topLevelItem(2);
    QCOMPARE(added->text(CPageTemplate::NameColumn), QStringLiteral("  Blue  "));
    QCOMPARE(added->text(CPageTemplate::PathColumn), target);
    // The new template is chosen and shown in place of the one before.
    QVERIFY(added->isSelected());
    QCOMPARE(list->selectedItems().size(), 1);
    QVERIFY(chosen != target);
    QCOMPARE(m_page->ChosenTemplatePath(), target);
    QCOMPARE(m_page->Preview()->Target(), target);
    QVERIFY(m_frame->WasModified());

    // Cancel creates nothing.
    WhenCreateDialogOpens([](CCreateTemplateDlg* dialog) {
        dialog->NameEdit()->setText(QStringLiteral("Never"));
        dialog->reject();
    });
    m_page->OnCreate();
    QVERIFY(m_dialogSeen);
    QCOMPARE(list->topLevelItemCount(), 3);
    QVERIFY(!QFileInfo::exists(SingleFolder() + QLatin1String("Never.html")));
}

void PageTemplateTest::create_startsFromTheChosenTemplate_orTheFirstWithoutOne()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    QTreeWidgetItem* second = list->topLevelItem(1);
    const QString secondPath = second->text(CPageTemplate::PathColumn);
    list->setCurrentItem(second);
    QCOMPARE(m_page->ChosenTemplatePath(), secondPath);

    QString offered;
    WhenCreateDialogOpens([&](CCreateTemplateDlg* dialog) {
        offered = dialog->BasedOnCombo()->currentText();
        dialog->NameEdit()->setText(QStringLiteral("Copy"));
        dialog->accept();
    });
    m_page->OnCreate();
    QVERIFY(m_dialogSeen);
    QCOMPARE(offered, second->text(CPageTemplate::NameColumn));
    const QString copy = SingleFolder() + QLatin1String("Copy.html");
    QCOMPARE(ReadFile(copy), ReadFile(secondPath));
    QCOMPARE(m_page->ChosenTemplatePath(), copy);

    // The copy is now chosen, so the next one starts from it; with no row
    // chosen, from the first.
    WhenCreateDialogOpens(
        [&](CCreateTemplateDlg* dialog) { offered = dialog->BasedOnCombo()->currentText(); });
    m_page->OnCreate();
    QCOMPARE(offered, QStringLiteral("Copy"));
    Load(0, m_app->path() + QLatin1String("/elsewhere.html"));
    QVERIFY(list->selectedItems().isEmpty());
    WhenCreateDialogOpens(
        [&](CCreateTemplateDlg* dialog) { offered = dialog->BasedOnCombo()->currentText(); });
    m_page->OnCreate();
    QCOMPARE(offered, list->topLevelItem(0)->text(CPageTemplate::NameColumn));
}

void PageTemplateTest::create_existingFile_reportsCopyFailure_andAddsNoRow()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    // "alpha" differs from the listed "Alpha" only in case, so the dialog
    // lets it pass; the file exists already and is not replaced.
    const QString target = SingleFolder() + QLatin1String("alpha.html");
    QVERIFY(WriteFile(target, "mine"));
    const QString source = list->topLevelItem(0)->text(CPageTemplate::PathColumn);
    WhenCreateDialogOpens([](CCreateTemplateDlg* dialog) {
        dialog->NameEdit()->setText(QStringLiteral("alpha"));
        dialog->accept();
    });
    m_page->OnCreate();
    QVERIFY(m_dialogSeen);
    QCOMPARE(
        CMessageBox::ShownTexts(),
        QStringList{QStringLiteral("Copy file '%1' to '%2' failure! \nFile exists").arg(source, target)});
    QCOMPARE(ReadFile(target), QByteArray("mine"));
    QCOMPARE(list->topLevelItemCount(), 2);
}

void PageTemplateTest::create_readOnlyInstall_usesTheUsersOwnFolder()
{
    // An install whose MultiUsers folder is absent cannot take new files; the
    // user's own folder under the data folder does, and is listed after it.
    QVERIFY(QDir(MultiFolder()).removeRecursively());
    const QString own = m_app->path() + QLatin1String("/data/Templates/MultiUsers/");
    QVERIFY(QDir().mkpath(own));
    QVERIFY(WriteFile(own + QLatin1String("Mine.htm"), TemplateText(QStringLiteral("Mine"))));
    Load(1);
    QTreeWidget* list = m_page->TemplateList();
    QCOMPARE(Column(list, CPageTemplate::PathColumn), QStringList{own + QLatin1String("Mine.htm")});
    QCOMPARE(m_page->ChosenTemplatePath(), own + QLatin1String("Mine.htm"));

    WhenCreateDialogOpens([](CCreateTemplateDlg* dialog) {
        dialog->NameEdit()->setText(QStringLiteral("Copy"));
        dialog->accept();
    });
    m_page->OnCreate();
    QVERIFY(m_dialogSeen);
    QVERIFY(CMessageBox::ShownTexts().isEmpty());
    QCOMPARE(Column(list, CPageTemplate::PathColumn),
             (QStringList{own + QLatin1String("Mine.htm"), own + QLatin1String("Copy.html")}));
    QCOMPARE(ReadFile(own + QLatin1String("Copy.html")), TemplateText(QStringLiteral("Mine")));
    QVERIFY(!QFileInfo::exists(MultiFolder()));
}

void PageTemplateTest::delete_chosenTemplate_leavesNoneChosen()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    const QString chosen = m_page->ChosenTemplatePath();
    const QString question =
        QStringLiteral("Are you sure to delete file \"%1\"? It can't be restored after deleted.").arg(chosen);

    CMessageBox::SetNextAnswers({QMessageBox::No});
    m_page->OnDelete();
    CMessageBox::SetNextAnswers({QMessageBox::Cancel});
    m_page->OnDelete();
    QCOMPARE(CMessageBox::ShownTexts(), (QStringList{question, question}));
    QVERIFY(QFileInfo::exists(chosen));
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(m_page->ChosenTemplatePath(), chosen);

    m_frame->Reset();
    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnDelete();
    QVERIFY(!QFileInfo::exists(chosen));
    QCOMPARE(list->topLevelItemCount(), 1);
    QVERIFY(!Row(chosen));
    QVERIFY(list->selectedItems().isEmpty());
    QVERIFY(m_page->ChosenTemplatePath().isEmpty());
    QVERIFY(m_frame->WasModified());
    QCOMPARE(m_page->Preview()->Target(), CTemplatePreview::BlankPage());

    CMessageBox::ClearShownTexts();
    QVERIFY(!m_page->ValidateForProtect());
    m_page->OnDelete();
    QCOMPARE(CMessageBox::ShownTexts(),
             (QStringList{QStringLiteral("No template is selected! Please select a template before protect."),
                          QStringLiteral("No item is selected!")}));
}

void PageTemplateTest::delete_missingFile_reportsFailure_andKeepsRow()
{
    Load();
    const QString chosen = m_page->ChosenTemplatePath();
    QVERIFY(QFile::remove(chosen));
    CMessageBox::SetNextAnswers({QMessageBox::Yes});
    m_page->OnDelete();
    QCOMPARE(CMessageBox::ShownTexts().last(),
             QStringLiteral("Delete file '%1' failure! \nNo such file or directory").arg(chosen));
    QVERIFY(Row(chosen) && Row(chosen)->isSelected());
    QCOMPARE(m_page->ChosenTemplatePath(), chosen);
}

void PageTemplateTest::refresh_picksUpNewFiles_andChoosesFirst()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(WriteFile(SingleFolder() + QLatin1String("Gamma.shtml"), TemplateText(QStringLiteral("Gamma"))));
    QVERIFY(QFile::remove(SingleFolder() + QLatin1String("Alpha.htm")));
    m_page->OnRefresh();
    QStringList names = Column(list, CPageTemplate::NameColumn);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("Beta"), QStringLiteral("Gamma")}));
    QCOMPARE(m_page->ChosenTemplatePath(), list->topLevelItem(0)->text(CPageTemplate::PathColumn));
    QVERIFY(list->topLevelItem(0)->isSelected());
}

void PageTemplateTest::contextMenu_withoutShellEdit_rowEntriesNeedARow()
{
    Load();
    const std::unique_ptr<QMenu> onEmpty = m_page->CreateContextMenu(false);
    QCOMPARE(onEmpty->objectName(), QStringLiteral("TemplatesListPop"));
    QCOMPARE(ActionTexts(onEmpty.get()),
             (QStringList{QStringLiteral("&Create..."), QStringLiteral("&Edit"), QStringLiteral("&Delete..."),
                          QStringLiteral("&Browser"), QStringLiteral("-"), QStringLiteral("&Refresh"),
                          QStringLiteral("-"), QStringLiteral("&Shell")}));
    const QMenu* shell = FindAction(onEmpty.get(), QStringLiteral("&Shell"))->menu();
    QVERIFY(shell);
    QCOMPARE(ActionTexts(shell), (QStringList{QStringLiteral("&Open"), QStringLiteral("-"),
                                              QStringLiteral("Open &with..."), QStringLiteral("Open &Folder"),
                                              QStringLiteral("-"), QStringLiteral("&Property...")}));
    QCOMPARE(ActionTexts(onEmpty.get(), true),
             (QStringList{QStringLiteral("&Create..."), QStringLiteral("-"), QStringLiteral("&Refresh"),
                          QStringLiteral("-"), QStringLiteral("&Shell")}));
    QCOMPARE(ActionTexts(shell, true), (QStringList{QStringLiteral("-"), QStringLiteral("-")}));

    const std::unique_ptr<QMenu> onRow = m_page->CreateContextMenu(true);
    QCOMPARE(ActionTexts(onRow.get(), true), ActionTexts(onRow.get()));
    emit FindAction(onRow.get(), QStringLiteral("&Delete..."))->hovered();
    QCOMPARE(m_frame->prompts.last(), QStringLiteral("Delete selected template file"));

    // The entries run the page's commands on the selected row.
    const QString chosen = m_page->ChosenTemplatePath();
    FindAction(FindAction(onRow.get(), QStringLiteral("&Shell"))->menu(), QStringLiteral("Open &Folder"))
        ->trigger();
    FindAction(FindAction(onRow.get(), QStringLiteral("&Shell"))->menu(), QStringLiteral("&Property..."))
        ->trigger();
    QCOMPARE(m_shell, (QList<QPair<QString, QString>>{
                          {QStringLiteral("folder"), QFileInfo(chosen).path() + QLatin1Char('/')},
                          {QStringLiteral("properties"), chosen}}));
}

void PageTemplateTest::buttonsDoubleClickAndF1_actOnSelectedFile()
{
    Load();
    QTreeWidget* list = m_page->TemplateList();
    const QTreeWidgetItem* second = list->topLevelItem(1);
    const QString path = second->text(CPageTemplate::PathColumn);
    const QPoint at = list->visualItemRect(second).center();
    // A real double click: the first click, then the second one.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    m_page->findChild<QPushButton*>(QStringLiteral("editButton"))->click();
    m_page->findChild<QPushButton*>(QStringLiteral("browserButton"))->click();
    // Open and Edit hand over to "Open with" where the desktop has no
    // program for the file; either way they act on the selected row.
    QCOMPARE(m_shell.size(), 3);
    const QStringList opens{QStringLiteral("open"), QStringLiteral("openwith")};
    const QStringList edits{QStringLiteral("edit"), QStringLiteral("openwith")};
    QVERIFY(opens.contains(m_shell[0].first) && edits.contains(m_shell[1].first) &&
            opens.contains(m_shell[2].first));
    for (const auto& call : m_shell) {
        QCOMPARE(call.second, path);
    }

    // F1 inside the page opens the page's help topic.
    QTest::keyClick(list, Qt::Key_F1);
    QCOMPARE(m_frame->helpTopics, QList<HelpTopic>{HelpTopic::Template});

    // Nothing selected: the shell is not asked, the user is told.
    list->clearSelection();
    m_shell.clear();
    // (Open and Edit may have said that this machine has no program set.)
    CMessageBox::ClearShownTexts();
    m_page->findChild<QPushButton*>(QStringLiteral("browserButton"))->click();
    QVERIFY(m_shell.isEmpty());
    QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
}

void PageTemplateTest::resizing_keepsColumnProportions()
{
    QTreeWidget* list = m_page->TemplateList();
    for (int width : {500, 1111}) {
        m_page->resize(width, 520);
        QTRY_COMPARE(list->header()->sectionSize(CPageTemplate::NameColumn), list->width() * 140 / 740);
        QCOMPARE(list->header()->sectionSize(CPageTemplate::PathColumn), list->width() * 600 / 740 - 10);
    }
}

void PageTemplateTest::preview_autofocusedFieldLowOnThePage_stillOpensAtTheTop()
{
#ifndef WENDLOCK_HAVE_WEBPREVIEW
    QSKIP("the text browser that stands in has no autofocus");
#else
    const QString tall = SingleFolder() + QLatin1String("Tall.htm");
    QVERIFY(WriteFile(tall,
                      "<!DOCTYPE html><html><head><title>Tall</title></head><body>"
                      "<div style=\"height: 3000px\">top</div><input id=\"field\" autofocus></body></html>"));
    Load(0, tall);
    IPreviewBackend* browser = m_page->Preview()->Browser();
    QVERIFY(browser);
    // Answers may arrive after this test has ended (a page that goes away
    // still answers), so they land in shared storage.
    const auto state = std::make_shared<QString>();
    const auto poll = [browser, state] {
        browser->RunScript(QStringLiteral("document.activeElement.id + ' ' + window.scrollY"),
                           [state](const QVariant& result) { *state = result.toString(); });
    };
    // Once the field has taken the focus, the page must still be at its top.
    QTRY_VERIFY_WITH_TIMEOUT((poll(), state->startsWith(QLatin1String("field "))), 20000);
    QTest::qWait(300);
    poll();
    QTRY_COMPARE_WITH_TIMEOUT(*state, QStringLiteral("field 0"), 5000);
#endif
}

QTEST_MAIN(PageTemplateTest)
#include "PageTemplateTest.moc"

// Showing the page does not wait for the browser: the tab paints with a
// placeholder, the browser is made right after and replaces it once it
// has loaded.
void PageTemplateTest::preview_placeholderUntilTheBrowserHasLoaded()
{
    CPageTemplate page(m_frame.get(), m_preferences);
    page.show();
    QVERIFY(!page.Preview()->HasView());
    QVERIFY(page.Preview()->Placeholder()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(page.Preview()->HasView(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!page.Preview()->Placeholder()->isVisible(), 20000);
}
