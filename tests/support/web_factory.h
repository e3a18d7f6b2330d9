#pragma once
#include "gui/app/web_module.h"

namespace kestrin::test {
// The program's own web pages, prepared before the application was made.
extern WebPages webPages;
}
