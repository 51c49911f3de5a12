#pragma once

#include "panes/PaneScheme.h"

#include <QApplication>
#include <QtTest>

// QTEST_MAIN for suites on the real panes: the panes' scheme is registered before
// the application object exists, as the program does it.
#define KESTROVA_PANE_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        PaneScheme::registerScheme();                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
