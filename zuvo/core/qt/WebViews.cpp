#include "core/qt/WebViews.h"

#include "jotter/Jotter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QOpenGLContext>
#include <QPluginLoader>

#include <memory>

#include <unistd.h>

// Qt Gui's setter of the context that every later OpenGL context shares
// with (exported in its public symbol set; Qt's own modules declare it the
// same way, the getter is QOpenGLContext::globalShareContext).
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

#ifdef ZUVO_WITH_WEBENGINE
std::unique_ptr<QOpenGLContext>& ShareContext()
{
    static std::unique_ptr<QOpenGLContext> context;
    return context;
}

// Runs as the application object goes, after the engine's own clean-up
// (registered later, run earlier), while the window system is still there.
void ForgetShareContext()
{
    qt_gl_set_global_share_context(nullptr);
    ShareContext().reset();
}

// The engine draws its pages in OpenGL contexts of its own whose textures
// Qt's contexts show, so they must all share one context, made before any of
// them. A program that links the engine has it made with its application
// object; this one makes it here, before the first view, and only for the
// first view: no other part of the program draws with OpenGL.
void ShareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto context = std::make_unique<QOpenGLContext>();
    // One that could not be made is set all the same, as Qt does: the engine
    // then draws without OpenGL (it looks at the context's format whenever
    // one is set, and expects one to be).
    if (!context->create())
        cpLog(kLogTrace, "WebViewModule: no OpenGL context; the embedded browser draws without it");
    qt_gl_set_global_share_context(context.get());
    ShareContext() = std::move(context);
    qAddPostRoutine(ForgetShareContext);
}

WebViewMaker* LoadModule()
{
    // The browser engine refuses to start its sandbox for the root user; the
    // program then runs its web views without it rather than not at all.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Before the module: loading it runs the engine's start-up check of the
    // shared context.
    ShareOpenGLContexts();
    static QPluginLoader loader(WebViewModulePath(QCoreApplication::applicationDirPath()));
    auto* maker = qobject_cast<WebViewMaker*>(loader.instance());
    if (!maker)
        cpLog(kLogFailure, "WebViewModule: no embedded browser: %s", loader.errorString().toUtf8().constData());
    return maker;
}
#endif

} // namespace

QString WebViewModulePath(const QString& programDirectory)
{
    const QString name = QStringLiteral("zuvo_webviews.so");
    const QDir program(programDirectory);
    const QString beside = program.filePath(name);
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral(ZUVO_PRIVATE_LIBDIR_FROM_BINDIR "/") + name));
    if (!QFile::exists(beside) && QFile::exists(installed))
        return installed;
    return beside;
}

WebViewMaker* WebViewModule()
{
#ifdef ZUVO_WITH_WEBENGINE
    static WebViewMaker* const maker = LoadModule();
    return maker;
#else
    return nullptr;
#endif
}
