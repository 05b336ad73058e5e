#include "TestEmpresa.h"
#include "TestLogear.h"
#include "TestNewConexion.h"

#include <QApplication>
#include <QTest>
#include <cstring>
#include <vector>

// The three windows of the login: every class runs, and any failure fails the whole.
// "test_login TestEmpresa [Qt Test options]" runs one class only.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TestNewConexion editor;
    TestLogear login;
    TestEmpresa empresa;
    std::vector<QObject*> clases = {&editor, &login, &empresa};

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
