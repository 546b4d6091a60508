#pragma once

#include "support/TestEnv.h"

#include <QApplication>

// Main of a window test program: the QApplication is created inside an isolated environment.
#define LEXITALLY_GUI_TEST_MAIN(TestClass)                                                                             \
    int main(int argc, char** argv) {                                                                                  \
        IsolatedEnvironment environment;                                                                               \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
