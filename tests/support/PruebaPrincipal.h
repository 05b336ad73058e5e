#pragma once

// The main function of every test: Qt Test's own, then the Firebird client shut down before the
// process exits, as the program does, so the exit is the same under any runner (the embedded
// engine's threads would otherwise race the static finalizers and the leak checker's tracer).

#include "firebird/Shutdown.h"
#include "tests/support/PruebaPrincipal.h"

#include <QtTest>
#include <chrono>
#include <cstdlib>

#define LUMIVO_TEST_MAIN_WRAPPER(TestObject, ...)                                                                      \
    static int lumivoEjecutarPrueba(int argc, char* argv[])                                                            \
    {                                                                                                                  \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                             \
        __VA_ARGS__                                                                                                    \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }                                                                                                                  \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        const int estado = lumivoEjecutarPrueba(argc, argv);                                                           \
        if (!fb::shutdownClient(std::chrono::seconds(10)))                                                             \
            std::_Exit(estado == 0 ? 1 : estado);                                                                      \
        return estado;                                                                                                 \
    }

#define LUMIVO_TEST_MAIN(TestObject) LUMIVO_TEST_MAIN_WRAPPER(TestObject, QTEST_MAIN_SETUP())
#define LUMIVO_TEST_GUILESS_MAIN(TestObject) LUMIVO_TEST_MAIN_WRAPPER(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
