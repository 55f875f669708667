#pragma once

#include "app/TVeldrisApplication.h"

#include <QTest>

// Like QTEST_MAIN, but with the program's own application object, so that exceptions that
// escape a handler are caught as in the program.
#define VELDRIS_GUI_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char** argv)                                                           \
    {                                                                                         \
        TVeldrisApplication application(argc, argv);                                          \
        application.setAttribute(Qt::AA_Use96Dpi, true);                                      \
        TestClass test;                                                                       \
        return QTest::qExec(&test, argc, argv);                                               \
    }
