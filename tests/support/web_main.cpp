#include "gui/app/web_module.h"
#include "web_factory.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace kestrin::test {
WebPages webPages;
}

int main(int argc, char **argv)
{
    // As the program does it: before the application exists.
    kestrin::test::webPages = kestrin::prepareWebPages();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
