#pragma once
#include "gui/app/web_page.h"

namespace kestrin::test {
// The program's own web pages, prepared before the application was made.
extern WebPageFactory webPages;
}
