#include "EjecutarClases.h"
#include "TestCatalogoConexiones.h"
#include "TestParametrosConexion.h"

#include <QApplication>
#include <QStandardPaths>

// One executable for the folder; "test_connections TestCatalogoConexiones [Qt Test options]" runs
// one class only.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    TestParametrosConexion parametros;
    TestCatalogoConexiones catalogoConexiones;
    return prueba::ejecutarClases(argc, argv, {&parametros, &catalogoConexiones});
}
