#include "gui/app/web_module.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QOpenGLContext>
#include <QPointer>
#include <future>
#include <memory>
#include <unistd.h>

// Qt's own hook for the context that every OpenGL context of the application shares with; the web
// engine needs one, and sets it up itself only when linked into the program from its start.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace kestrin {

namespace {

using MakePage = WebPage *(*)(QWidget *parent);

WebPage *makePlainPage(QWidget *parent) { return new PlainWebPage(parent); }

// One renderer process for all pages of one site instead of one per page; and, where the sandbox is
// off anyway, no zygote process to start renderers from. Flags the user set stay.
void chooseProcesses()
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").trimmed();
    QList<QByteArray> wanted{"--process-per-site"};
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        wanted << "--no-zygote";
    for (const QByteArray &flag : wanted) {
        if (!flags.split(' ').contains(flag))
            flags = (flags + ' ' + flag).trimmed();
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

// What the web engine would have done at the application's start, done when it is first needed: a
// shared OpenGL context made then costs nothing to a program that never shows a page. Made on any
// thread where the platform allows it; it then belongs to the window's thread and lives as long as the
// program.
void shareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto *context = new QOpenGLContext;
    context->create();
    context->moveToThread(qApp->thread());
    qt_gl_set_global_share_context(context);
}

// The slow half of loading the module, which may run on another thread; why it failed, or nothing.
QString loadLibraries(const QString &path)
{
    if (!QFileInfo::exists(path))
        return QStringLiteral("%1: no such file").arg(path);
    shareOpenGLContexts();
    QLibrary module(path);
    return module.load() ? QString() : module.errorString();
}

struct ModuleLoad
{
    std::shared_future<QString> libraries; // valid once started
    WebPageFactory make;                  // set once finished

    void finish()
    {
        if (make)
            return;
        const QString path = webModulePath();
        if (!libraries.valid()) {
            chooseProcesses();
            libraries = std::async(std::launch::deferred, loadLibraries, path).share();
        }
        QString error = libraries.get();
        if (error.isEmpty())
            make = loadWebModule(path, &error);
        if (!make) {
            qWarning("web pages are shown as plain text: %s", qPrintable(error));
            make = makePlainPage;
        }
    }
};

} // namespace

QString webModulePath()
{
    const QString given = qEnvironmentVariable("KESTRIN_WEB_MODULE");
    if (!given.isEmpty())
        return given;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/kestrin/libkestrin_web.so");
}

WebPageFactory loadWebModule(const QString &path, QString *error)
{
    chooseProcesses();
    if (const QString failed = loadLibraries(path); !failed.isEmpty()) {
        *error = failed;
        return {};
    }
    QLibrary module(path);
    const auto make = reinterpret_cast<MakePage>(module.resolve("kestrinMakeEngineWebPage"));
    if (!make) {
        *error = module.errorString();
        return {};
    }
    return make; // the module stays loaded for the rest of the run
}

WebPages prepareWebPages()
{
    const auto atOnce = [](QObject *, std::function<void()> ready) { ready(); };
    if (qEnvironmentVariableIsSet("KESTRIN_NO_WEBENGINE"))
        return {makePlainPage, atOnce};
    // Without its helper process the web engine stops the whole program at the first page.
    QString helper = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
    if (helper.isEmpty())
        helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess");
    if (!QFileInfo(helper).isExecutable())
        return {makePlainPage, atOnce};
    // Chromium's sandbox refuses to run as root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    auto load = std::make_shared<ModuleLoad>();
    const auto make = [load](QWidget *parent) -> WebPage * {
        load->finish();
        return load->make(parent);
    };
    const auto warmUp = [load](QObject *context, std::function<void()> ready) {
        if (load->make || load->libraries.valid()) {
            ready();
            return;
        }
        chooseProcesses();
        if (!QOpenGLContext::supportsThreadedOpenGL())
            shareOpenGLContexts();
        const QString path = webModulePath();
        QPointer<QObject> guard(context);
        load->libraries = std::async(std::launch::async, [path, guard, ready] {
                              const QString error = loadLibraries(path);
                              // Back on the window's thread, unless the context has gone meanwhile.
                              QMetaObject::invokeMethod(qApp, [guard, ready] {
                                  if (guard)
                                      ready();
                              }, Qt::QueuedConnection);
                              return error;
                          }).share();
    };
    return {make, warmUp, true};
}

} // namespace kestrin
