#pragma once
#include "gui/app/web_page.h"

class QObject;

namespace kestrin {

// The web views live in a module of their own (libkestrin_web.so in lib/kestrin/ beside the program's
// folder, or the file named by KESTRIN_WEB_MODULE), loaded when the first page is wanted: the program
// starts and draws its window without the web engine's libraries. Where the module cannot be loaded,
// plain pages stand in.

// The module the program would load.
QString webModulePath();
// Loads the module at path here and now; an empty factory and why when it cannot be loaded.
WebPageFactory loadWebModule(const QString &path, QString *error);

struct WebPages
{
    // Makes a page; the first call loads the module (waiting for a warm-up under way).
    WebPageFactory make;
    // Loads the module on another thread and then calls ready() on this one (as long as context
    // lives), so the window's thread is not held while the engine's libraries come in. ready() is
    // called at once when there is nothing to load.
    std::function<void(QObject *context, std::function<void()> ready)> warmUp;
    // The pages are the engine's (which draw through OpenGL), not plain stand-ins.
    bool engine = false;
};

// Call before QApplication is made. Plain pages when KESTRIN_NO_WEBENGINE is set or the engine's
// helper process is missing; otherwise pages of the module.
WebPages prepareWebPages();

} // namespace kestrin
