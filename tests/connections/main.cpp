#include "TestCatalogoConexiones.h"
#include "TestParametrosConexion.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include <cstring>
#include <vector>

// One executable for the folder: every test class runs, and any failure fails the whole.
// "test_connections TestCatalogoConexiones [Qt Test options]" runs one class only, so that
// test function names and options reach the class they belong to.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    TestParametrosConexion parametros;
    TestCatalogoConexiones catalogoConexiones;
    std::vector<QObject*> clases = {&parametros, &catalogoConexiones};

    std::vector<char*> argumentos(argv, argv + argc);
    if (argc > 1) {
        for (QObject* clase : clases) {
            if (std::strcmp(argv[1], clase->metaObject()->className()) == 0) {
                clases = {clase};
                argumentos.erase(argumentos.begin() + 1);
                break;
            }
        }
    }

    int fallos = 0;
    for (QObject* clase : clases)
        fallos += QTest::qExec(clase, int(argumentos.size()), argumentos.data());
    return fallos == 0 ? 0 : 1;
}
