#include "common/AppInfo.h"
#include "gui/mainwindow/AppTranslations.h"
#include "gui/mainwindow/WendlockApp.h"
#include "gui/widgets/AppIcons.h"

#include <QApplication>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // The template preview's browser engine (a module loaded when the
    // preview is first shown) refuses to start its sandbox for root; run it
    // without one there rather than show no preview.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // Not Qt::AA_ShareOpenGLContexts here: it would load the OpenGL driver
    // at start; the preview sets up the shared context when it loads the
    // engine (gui/pages/template/PreviewModule).
    QApplication application(argc, argv);
    QApplication::setOrganizationName(AppInfo::CompanyName());
    QApplication::setApplicationName(AppInfo::DisplayName());
    QApplication::setApplicationVersion(AppInfo::ProgramVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("wendlock"));
    QApplication::setWindowIcon(CAppIcons::Application());
    // The system's language for the windows; the command line stays English.
    AppTranslations::Install(QLocale::system());

    CWendlockApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        return 1;
    }
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
