#include "gui/app/web_module.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QOpenGLContext>
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
// shared OpenGL context made then costs nothing to a program that never shows a page.
void shareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto *context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

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
    if (!QFileInfo::exists(path)) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return {};
    }
    chooseProcesses();
    shareOpenGLContexts();
    QLibrary module(path);
    const auto make = reinterpret_cast<MakePage>(module.resolve("kestrinMakeEngineWebPage"));
    if (!make) {
        *error = module.errorString();
        return {};
    }
    return make; // the module stays loaded for the rest of the run
}

WebPageFactory prepareWebPages()
{
    if (qEnvironmentVariableIsSet("KESTRIN_NO_WEBENGINE"))
        return makePlainPage;
    // Without its helper process the web engine stops the whole program at the first page.
    QString helper = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
    if (helper.isEmpty())
        helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess");
    if (!QFileInfo(helper).isExecutable())
        return makePlainPage;
    // Chromium's sandbox refuses to run as root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    auto loaded = std::make_shared<WebPageFactory>();
    return [loaded](QWidget *parent) -> WebPage * {
        if (!*loaded) {
            QString error;
            *loaded = loadWebModule(webModulePath(), &error);
            if (!*loaded) {
                qWarning("web pages are shown as plain text: %s", qPrintable(error));
                *loaded = makePlainPage;
            }
        }
        return (*loaded)(parent);
    };
}

} // namespace kestrin
