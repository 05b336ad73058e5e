#pragma once

#include <QObject>
#include <QTest>
#include <cstring>
#include <vector>

namespace prueba {

// Runs every class, and any failure fails the whole. "<program> <ClassName> [Qt Test options]"
// runs that class only, so that test function names and options reach the class they belong to.
inline int ejecutarClases(int argc, char** argv, std::vector<QObject*> clases)
{
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

} // namespace prueba
