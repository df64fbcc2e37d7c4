#include "gui/widgets/AppIcons.h"

#include "NewProjectWindow.h"
#include "gui/pages/password/AddUserDlg.h"
#include "gui/widgets/MessageBox.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QSet>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <cmath>

namespace {

// True when the pixmap has some visible pixel, i.e. the drawing was read.
bool HasInk(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class AppIconsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_themes;

    // No theme anywhere: every icon is the program's own drawing.
    void UseNoTheme()
    {
        QIcon::setThemeSearchPaths({m_themes.path() + QStringLiteral("/none")});
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName(QString());
        QIcon::setThemeName(QString());
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        QVERIFY(m_themes.isValid());
    }
    void init() { UseNoTheme(); }

    // Without a theme every role has a drawing of its own that loads and
    // shows something, every drawing shipped belongs to a role, and a
    // theme that has the name is preferred to the drawing.
    void everyRole_hasADrawing_andTheThemeComesFirst()
    {
        QSet<QString> used;
        for (const CAppIcons::Role role : CAppIcons::AllRoles()) {
            const QString path = CAppIcons::FallbackPath(role);
            QVERIFY2(QFile::exists(path), qPrintable(path));
            QVERIFY2(HasInk(QIcon(path).pixmap(16, 16)), qPrintable(path));
            QVERIFY2(HasInk(QIcon(path).pixmap(48, 48)), qPrintable(path));
            const QIcon icon = CAppIcons::Icon(role);
            QVERIFY2(!icon.isNull() && HasInk(icon.pixmap(22, 22)), qPrintable(path));
            // Every control of a role shares one icon.
            QCOMPARE(CAppIcons::Icon(role).cacheKey(), icon.cacheKey());
            used.insert(QFileInfo(path).fileName());
        }
        QDirIterator shipped(QStringLiteral(":/icons"), {QStringLiteral("*.svg")});
        while (shipped.hasNext()) {
            const QString name = QFileInfo(shipped.next()).fileName();
            QVERIFY2(used.contains(name), qPrintable(name));
        }
        for (const char* name : {"page.html", "page.jsp", "notes.txt", "archive.unknownkind", "README"}) {
            QVERIFY2(HasInk(CAppIcons::ForFileName(QLatin1String(name)).pixmap(16, 16)), name);
        }
        QVERIFY(HasInk(CAppIcons::Application().pixmap(48, 48)));

        // A theme with one of the names: that one comes from the theme,
        // the others still from the drawings.
        const QString theme = m_themes.path() + QStringLiteral("/themes/probe");
        QVERIFY(QDir().mkpath(theme + QStringLiteral("/16x16/actions")));
        QFile index(theme + QStringLiteral("/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=probe\nDirectories=16x16/actions\n\n"
                    "[16x16/actions]\nSize=16\nType=Fixed\n");
        index.close();
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(theme + QStringLiteral("/16x16/actions/document-open.png")));
        const qint64 drawnOpen = CAppIcons::Icon(CAppIcons::Role::OpenProject).cacheKey();
        QIcon::setThemeSearchPaths({m_themes.path() + QStringLiteral("/themes")});
        QIcon::setThemeName(QStringLiteral("probe"));
        const QIcon open = CAppIcons::Icon(CAppIcons::Role::OpenProject);
        QVERIFY(open.cacheKey() != drawnOpen);
        QCOMPARE(open.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(CAppIcons::Icon(CAppIcons::Role::SaveProject).cacheKey(),
                 CAppIcons::Icon(CAppIcons::Role::SaveProject).cacheKey());
        QVERIFY(CAppIcons::Icon(CAppIcons::Role::SaveProject).pixmap(16, 16).toImage().pixelColor(8, 8) !=
                QColor(Qt::red));
    }

    // On a dark palette every toolbar icon stands out from the bar it sits
    // on (the drawings once kept a dark grey ink whatever the theme), and a
    // light palette brings the dark ink back.
    void drawingsFollowThePalette_onLightAndDarkBars()
    {
        const QPalette original = QGuiApplication::palette();
        const auto inkContrast = [](const QIcon& icon, const QColor& bar) {
            const QImage image = icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
            double sum = 0;
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qAlpha(p) > 128) {
                        sum += qGray(p);
                        ++count;
                    }
                }
            }
            return count == 0 ? 0.0 : std::abs(sum / count - qGray(bar.rgb()));
        };
        for (const bool dark : {true, false}) {
            QPalette palette;
            const QColor bar = dark ? QColor(0x2a, 0x2a, 0x2e) : QColor(0xef, 0xef, 0xef);
            palette.setColor(QPalette::Window, bar);
            palette.setColor(QPalette::WindowText,
                             dark ? QColor(0xee, 0xee, 0xee) : QColor(0x20, 0x20, 0x20));
            QGuiApplication::setPalette(palette);
            for (const CAppIcons::Role role : CAppIcons::AllRoles()) {
                const double contrast = inkContrast(CAppIcons::Icon(role), bar);
                QVERIFY2(contrast > 100, qPrintable(CAppIcons::ThemeName(role) + QStringLiteral(": ") +
                                                    QString::number(contrast)));
            }
        }
        QGuiApplication::setPalette(original);
    }

    // The window's toolbar, menus and page buttons and the user dialog's
    // buttons all show icons of the one set.
    void windowAndDialogs_takeTheirIconsFromTheOneSet()
    {
        QSet<qint64> set;
        for (const CAppIcons::Role role : CAppIcons::AllRoles()) {
            set.insert(CAppIcons::Icon(role).cacheKey());
        }
        CNewProjectWindow window;
        CMainFrame& frame = window.frame;

        auto* toolBar = frame.findChild<QToolBar*>(QStringLiteral("toolBar"));
        QVERIFY(toolBar);
        int toolButtons = 0;
        for (QAction* action : toolBar->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            ++toolButtons;
            QVERIFY2(set.contains(action->icon().cacheKey()), qPrintable(action->text()));
        }
        QCOMPARE(toolButtons, 5);
        int menuIcons = 0;
        for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                if (!action->icon().isNull()) {
                    ++menuIcons;
                    QVERIFY2(set.contains(action->icon().cacheKey()), qPrintable(action->text()));
                }
            }
        }
        QVERIFY(menuIcons >= 10);

        CAddUserDlg dialog(nullptr);
        for (QWidget* owner : std::initializer_list<QWidget*>{&frame, &dialog}) {
            for (QAbstractButton* button : owner->findChildren<QAbstractButton*>()) {
                // Qt's own arrows and standard dialog buttons are the style's.
                const bool qtOwn = button->objectName().startsWith(QLatin1String("qt_")) ||
                                   qobject_cast<QTabBar*>(button->parentWidget()) ||
                                   qobject_cast<QDialogButtonBox*>(button->parentWidget());
                if (!qtOwn && !button->icon().isNull()) {
                    QVERIFY2(set.contains(button->icon().cacheKey()), qPrintable(button->objectName()));
                }
            }
        }
        for (const char* name : {"addFilesButton", "restoreButton", "addUserButton", "exportButton",
                                 "createButton", "browserButton", "protectButton", "testButton"}) {
            auto* button = frame.findChild<QAbstractButton*>(QLatin1String(name));
            QVERIFY2(button && set.contains(button->icon().cacheKey()), name);
        }
        for (const char* name : {"randomPasswordButton", "mailButton"}) {
            auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(name));
            QVERIFY2(button && set.contains(button->icon().cacheKey()), name);
        }
    }
};

QTEST_MAIN(AppIconsTest)
#include "AppIconsTest.moc"
