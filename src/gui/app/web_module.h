#pragma once
#include "gui/app/web_page.h"

namespace kestrin {

// The web views live in a module of their own (libkestrin_web.so in lib/kestrin/ beside the program's
// folder, or the file named by KESTRIN_WEB_MODULE), loaded when the first page is made: the program
// starts and draws its window without the web engine's libraries. Where the module cannot be loaded,
// plain pages stand in.

// The module the program would load.
QString webModulePath();
// Loads the module at path; an empty factory and why when it cannot be loaded.
WebPageFactory loadWebModule(const QString &path, QString *error);

// Call before QApplication is made. Plain pages when KESTRIN_NO_WEBENGINE is set or the engine's
// helper process is missing; otherwise pages of the module, which is loaded by the first call.
WebPageFactory prepareWebPages();

} // namespace kestrin
