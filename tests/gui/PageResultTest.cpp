#include "gui/pages/result/PageResult.h"

#include "GuiTestUtil.h"
#include "gui/frame/ShellOperations.h"
#include "gui/widgets/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class PageResultTest : public QObject
{
    Q_OBJECT

private:
    CFrameRecorder m_frame;
    std::unique_ptr<CPageResult> m_page;
    QTemporaryDir m_dir;
    QStringList m_calls;

    QString MakeFile(const QString& name, int bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        file.write(QByteArray(bytes, 'x'));
        return path;
    }

    static QStringList EntryStates(const QMenu* menu)
    {
        QStringList states;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                states.append(QStringLiteral("-"));
                continue;
            }
            states.append(action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (grey)")));
            if (action->menu()) {
                for (QAction* sub : action->menu()->actions()) {
                    states.append(sub->isSeparator()
                                      ? QStringLiteral(" -")
                                      : QStringLiteral(" ") + sub->text() +
                                            (sub->isEnabled() ? QString() : QStringLiteral(" (grey)")));
                }
            }
        }
        return states;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        QVERIFY(m_dir.isValid());
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_calls.append(action + QLatin1Char(' ') + target);
        });
        // No desktop applications: Open falls back to Open with.
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("nodata")).toUtf8());
        qputenv("XDG_DATA_DIRS", m_dir.filePath(QStringLiteral("nodata")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("noconfig")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_dir.filePath(QStringLiteral("noconfig")).toUtf8());
        QDir().mkpath(m_dir.filePath(QStringLiteral("nodata")));
        QFile::link(QStringLiteral("/usr/share/mime"), m_dir.filePath(QStringLiteral("nodata/mime")));
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    void init()
    {
        m_calls.clear();
        CMessageBox::ClearShownTexts();
        m_page = std::make_unique<CPageResult>(&m_frame);
        m_page->resize(760, 400);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    void cleanup() { m_page.reset(); }

    void rows_showNameSizeResultPath_sizesInThousands()
    {
        const QString small = MakeFile(QStringLiteral("small.html"), 999);
        const QString mid = MakeFile(QStringLiteral("mid.htm"), 2500);
        const QString missing = m_dir.filePath(QStringLiteral("gone.html"));
        m_page->AddResultRow(small, QStringLiteral("Protected"));
        m_page->AddResultRow(mid, QStringLiteral("Protected before"));
        m_page->AddResultRow(missing, QStringLiteral("File not exists!"));
        m_page->AddResultRow(QString(), QStringLiteral("ignored"));

        QTreeWidget* list = m_page->List();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("File Name"));
        QCOMPARE(list->headerItem()->text(3), QStringLiteral("Path"));
        QCOMPARE(list->topLevelItem(0)->text(CPageResult::NameColumn), QStringLiteral("small.html"));
        QCOMPARE(list->topLevelItem(0)->text(CPageResult::SizeColumn), QStringLiteral("1 KB"));
        QCOMPARE(list->topLevelItem(1)->text(CPageResult::SizeColumn), QStringLiteral("2 KB"));
        QCOMPARE(list->topLevelItem(2)->text(CPageResult::SizeColumn), QStringLiteral("12 KB"));
        QCOMPARE(list->topLevelItem(2)->text(CPageResult::ResultColumn), QStringLiteral("File not exists!"));
        // A missing file still gets the icon of its type.
        QVERIFY(!list->topLevelItem(2)->icon(CPageResult::NameColumn).isNull());
        QCOMPARE(list->topLevelItem(2)->text(CPageResult::PathColumn), missing);
        QCOMPARE(CPageResult::SizeText(MakeFile(QStringLiteral("empty.html"), 0)), QStringLiteral("1 KB"));

        m_page->DeleteAllItems();
        QCOMPARE(list->topLevelItemCount(), 0);
    }

    void resizing_keepsColumnProportions()
    {
        m_page->resize(1000, 400);
        QTreeWidget* list = m_page->List();
        QTRY_COMPARE(list->header()->sectionSize(0), list->viewport()->width() * 200 / 740);
        const int w = list->viewport()->width();
        QCOMPARE(list->header()->sectionSize(1), w * 100 / 740);
        QCOMPARE(list->header()->sectionSize(2), w * 120 / 740);
        QCOMPARE(list->header()->sectionSize(3), w * 320 / 740 - 10);
    }

    void contextMenu_onEmptySpace_onlyProtectEnabled()
    {
        const std::unique_ptr<QMenu> off = m_page->CreateContextMenu(false);
        QCOMPARE(off->objectName(), QStringLiteral("ResultListPop"));
        QCOMPARE(
            EntryStates(off.get()),
            QStringList({QStringLiteral("&Protect"), QStringLiteral("&Test (grey)"),
                         QStringLiteral("&Edit (grey)"), QStringLiteral("-"), QStringLiteral("&Shell (grey)"),
                         QStringLiteral(" &Open (grey)"), QStringLiteral(" -"),
                         QStringLiteral(" Open &with... (grey)"), QStringLiteral(" Open &Folder (grey)"),
                         QStringLiteral(" -"), QStringLiteral(" &Property... (grey)")}));
        const std::unique_ptr<QMenu> on = m_page->CreateContextMenu(true);
        QVERIFY(!EntryStates(on.get()).join(QLatin1Char('|')).contains(QLatin1String("grey")));
        QCOMPARE(on->actions().value(1)->statusTip(),
                 QStringLiteral("Open the selected protected file for test"));
    }

    void commands_actOnSelectedRow_orSayNothingSelected()
    {
        const QString page = MakeFile(QStringLiteral("page.html"), 100);
        m_page->AddResultRow(page, QStringLiteral("Protected"));
        m_page->OnTest();
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No item is selected!")});
        QVERIFY(m_calls.isEmpty());

        QTreeWidget* list = m_page->List();
        list->topLevelItem(0)->setSelected(true);
        m_page->OnShellOpenFolder();
        m_page->OnShellProperty();
        m_page->OnShellOpenWith();
        QCOMPARE(m_calls,
                 QStringList({QStringLiteral("folder ") + m_dir.path() + QLatin1Char('/'),
                              QStringLiteral("properties ") + page, QStringLiteral("openwith ") + page}));

        // Nothing handles web pages here, so Test and double click offer
        // Open with.
        m_calls.clear();
        m_page->OnTest();
        const QRect rect = list->visualItemRect(list->topLevelItem(0));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(m_calls,
                 QStringList({QStringLiteral("openwith ") + page, QStringLiteral("openwith ") + page}));
    }

    void protectButtonAndEntry_askTheFrame()
    {
        QSignalSpy spy(m_page.get(), &CPageResult::protectRequested);
        QTest::mouseClick(m_page->findChild<QPushButton*>(QStringLiteral("protectButton")), Qt::LeftButton);
        const std::unique_ptr<QMenu> menu = m_page->CreateContextMenu(false);
        menu->actions().first()->trigger();
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_MAIN(PageResultTest)
#include "PageResultTest.moc"
