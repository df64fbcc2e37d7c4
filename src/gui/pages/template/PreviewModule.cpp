#include "gui/pages/template/PreviewModule.h"

#include "gui/pages/template/PreviewBackendFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>

// QtGui's setter of the context every other one shares with. Qt declares
// it only in a private header; QtGui exports it for its own modules, the
// web engine among them.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

QOpenGLContext* g_pShareContext = nullptr;

void DeleteShareContext()
{
    qt_gl_set_global_share_context(nullptr);
    delete g_pShareContext;
    g_pShareContext = nullptr;
}

// The web engine hands its pages to the window as textures of an OpenGL
// context that the window's contexts share with; without that context it
// crashes. Qt::AA_ShareOpenGLContexts set before the application object
// makes that context at start, loading the OpenGL driver into every session
// (some 55 MB with a software driver); made here, only a session that shows
// the preview loads it, and before the engine is loaded, as it requires.
void ShareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext() ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return;
    }
    g_pShareContext = new QOpenGLContext;
    if (!g_pShareContext->create()) {
        qWarning("Template preview: no OpenGL context to share; the web engine renders without one");
    }
    qt_gl_set_global_share_context(g_pShareContext);
    // Widgets that render through OpenGL share with it only when asked to.
    // Qt warns that the attribute belongs before the application object,
    // which holds for the context it would make there, made just above.
    static QtMessageHandler previous = nullptr;
    previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (previous && !text.contains(QLatin1String("AA_ShareOpenGLContexts"))) {
                previous(type, context, text);
            }
        });
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previous);
    // Before the window system goes away with the application object.
    qAddPostRoutine(DeleteShareContext);
}

IPreviewBackendFactory* LoadFactory()
{
    const QStringList candidates = CPreviewModule::Candidates();
    if (candidates.isEmpty()) {
        return nullptr; // built without the web engine: the stand-in is the preview
    }
    QString path;
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        qWarning("Template preview: no web engine module at %s; a text browser stands in",
                 qUtf8Printable(candidates.join(QLatin1String(" or "))));
        return nullptr;
    }
    ShareOpenGLContexts();
    // Kept for the whole process: the browsers it makes run its code.
    static QPluginLoader loader;
    loader.setFileName(path);
    QObject* root = loader.instance();
    if (!root) {
        qWarning("Template preview: cannot load %s (%s); a text browser stands in", qUtf8Printable(path),
                 qUtf8Printable(loader.errorString()));
        return nullptr;
    }
    auto* factory = qobject_cast<IPreviewBackendFactory*>(root);
    if (!factory) {
        qWarning("Template preview: %s is not this version's preview module; a text browser stands in",
                 qUtf8Printable(path));
    }
    return factory;
}

} // namespace

IPreviewBackendFactory* CPreviewModule::Factory()
{
    static IPreviewBackendFactory* const factory = LoadFactory();
    return factory;
}

QStringList CPreviewModule::Candidates()
{
    QStringList candidates;
#ifdef WENDLOCK_PREVIEW_MODULE
    const QString name = QStringLiteral(WENDLOCK_PREVIEW_MODULE);
    candidates << QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString installed = QDir(QStringLiteral(WENDLOCK_PREVIEW_MODULE_DIR)).filePath(name);
    if (QDir::cleanPath(installed) != QDir::cleanPath(candidates.constFirst())) {
        candidates << installed;
    }
#endif
    return candidates;
}
