#include "EjecutarClases.h"
#include "TestEmpresa.h"
#include "TestLogear.h"
#include "TestNewConexion.h"

#include <QApplication>

// The three windows of the login; "test_login TestEmpresa [Qt Test options]" runs one class only.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TestNewConexion editor;
    TestLogear login;
    TestEmpresa empresa;
    return prueba::ejecutarClases(argc, argv, {&editor, &login, &empresa});
}
