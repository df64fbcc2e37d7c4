#include "gui/mainwindow/WendlockApp.h"

#include "common/AppFolders.h"
#include "common/AppInfo.h"
#include "common/SystemError.h"
#include "gui/mainwindow/MainFrame.h"
#include "gui/mainwindow/WendlockView.h"
#include "gui/widgets/MessageBox.h"
#include "model/CharsetTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

// Creates a folder that does not exist yet; says so when that fails.
void CreateFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir()) {
        return;
    }
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST) {
        const int error = errno;
        CMessageBox::Warning(
            nullptr, QCoreApplication::translate("CWendlockApp", "Create directory '%1' failure! \n%2")
                         .arg(folder, GetSystemErrorText(error)));
    }
}

} // namespace

CWendlockApp::CWendlockApp() : m_doc(&m_data) {}

CWendlockApp::~CWendlockApp() = default;

void CWendlockApp::InitDataFolders(const QString& dataHome, CAppPreferences& preferences)
{
    QString dataFolder;
    if (dataHome.isEmpty()) {
        dataFolder = AppFolders::ApplicationFolder() + QLatin1String("AppData/");
    } else {
        // The company folder (and a data home that a fresh account may
        // not have yet) is made quietly; the program's own folders say so
        // when they fail.
        const QString company = QDir::cleanPath(dataHome) + QLatin1Char('/') + AppInfo::CompanyName();
        QDir().mkpath(company);
        dataFolder = company + QLatin1Char('/') + AppInfo::DisplayName() + QLatin1Char('/');
    }
    CreateFolder(dataFolder);
    const QString preferencesFolder = dataFolder + QLatin1String("Preferences/");
    CreateFolder(preferencesFolder);

    preferences.m_strDataFolder = dataFolder;
    preferences.m_strPreferencesFolder = preferencesFolder;
}

bool CWendlockApp::InitInstance(const QStringList& arguments)
{
    m_recentFiles.Load();
    CCharsetTable::Instance();
    InitDataFolders(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), m_preferences);
    m_preferences.Load();

    m_pFrame = std::make_unique<CMainFrame>(&m_doc, &m_recentFiles, m_preferences);
    QString project;
    for (int i = 1; i < arguments.size(); ++i) {
        if (!arguments.at(i).startsWith(QLatin1Char('-'))) {
            project = arguments.at(i);
            break;
        }
    }
    if (project.isEmpty()) {
        m_doc.OnNewDocument();
        m_pFrame->UpdateTitle();
    } else if (!m_pFrame->OpenDocumentFile(project)) {
        return false;
    }

    // The window comes back where and as large as it was left, on the page
    // last shown; the first start takes the standard size.
    QSettings settings(QStringLiteral("Marrowind"), QStringLiteral("Wendlock"));
    const QByteArray geometry = settings.value(QStringLiteral("Window/Geometry")).toByteArray();
    if (!geometry.isEmpty() && m_pFrame->restoreGeometry(geometry)) {
        QScreen* screen = m_pFrame->screen() ? m_pFrame->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            m_pFrame->setGeometry(FitToScreen(m_pFrame->geometry(), screen->availableGeometry()));
        }
    } else {
        bool placeAtOrigin = false;
        QScreen* screen = QGuiApplication::primaryScreen();
        const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
        m_pFrame->resize(CMainFrame::InitialSize(screenSize, &placeAtOrigin));
        if (placeAtOrigin && screen) {
            m_pFrame->move(screen->geometry().topLeft());
        }
    }
    m_pFrame->show();
    m_pFrame->LoadPages();
    m_doc.SetModifiedFlag(false);
    m_pFrame->UpdateTitle();
    const int page = settings.value(QStringLiteral("Window/Page"), 0).toInt();
    if (page > 0 && page < m_pFrame->View()->GetPageCount()) {
        m_pFrame->View()->SetActivePage(page);
    }
    if (qEnvironmentVariableIsSet("WENDLOCK_TEST_PROTECT_AND_QUIT")) {
        ProtectAndQuit();
    }
    return true;
}

QRect CWendlockApp::FitToScreen(const QRect& window, const QRect& available)
{
    if (!available.isValid()) {
        return window;
    }
    QRect fitted(window.topLeft(), window.size().boundedTo(available.size()));
    fitted.moveLeft(qBound(available.left(), fitted.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(qBound(available.top(), fitted.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

void CWendlockApp::ProtectAndQuit()
{
    // The messages are not shown but written to standard error, with the
    // time from pressing Protect to the end of the run and the longest
    // time the window's event loop did not come round (a timer asks every
    // 10 ms): how responsive the window stayed.
    CMessageBox::SetTestMode(true);
    CMainFrame* frame = m_pFrame.get();
    auto clock = std::make_shared<QElapsedTimer>();
    auto sinceTick = std::make_shared<QElapsedTimer>();
    auto longestStall = std::make_shared<qint64>(0);
    auto* ticker = new QTimer(frame);
    ticker->setInterval(10);
    QObject::connect(ticker, &QTimer::timeout, frame, [sinceTick, longestStall] {
        *longestStall = qMax(*longestStall, sinceTick->restart());
    });
    QObject::connect(frame, &CMainFrame::protectFinished, frame, [clock, longestStall, ticker] {
        ticker->stop();
        const QStringList shown = CMessageBox::ShownTexts();
        std::fprintf(stderr, "protect run: %.3f s, longest event-loop stall %lld ms\n%s\n",
                     double(clock->nsecsElapsed()) / 1e9, static_cast<long long>(*longestStall),
                     qPrintable(shown.isEmpty() ? QString() : shown.last()));
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(0, frame, [frame, clock, sinceTick, ticker] {
        clock->start();
        sinceTick->start();
        ticker->start();
        frame->OnProtect();
        if (!frame->IsProtecting()) {
            std::fprintf(stderr, "protect did not start: %s\n",
                         qPrintable(CMessageBox::ShownTexts().join(QLatin1Char('\n'))));
            QCoreApplication::exit(1);
        }
    });
}

void CWendlockApp::ExitInstance()
{
    if (m_pFrame) {
        QSettings settings(QStringLiteral("Marrowind"), QStringLiteral("Wendlock"));
        settings.setValue(QStringLiteral("Window/Geometry"), m_pFrame->saveGeometry());
        settings.setValue(QStringLiteral("Window/Page"), m_pFrame->View()->GetActiveIndex());
    }
    m_preferences.Save();
    m_recentFiles.Save();
}
