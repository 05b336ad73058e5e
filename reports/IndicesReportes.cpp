#include "IndicesReportes.h"

#include <QFile>
#include <stdexcept>

// Outside any namespace: the resource sits in a static library, and this reference is what keeps
// its initialiser in the program.
static void iniciarRecursosReportes()
{
    static const bool iniciados = [] {
        Q_INIT_RESOURCE(reportes);
        return true;
    }();
    Q_UNUSED(iniciados);
}

QString scriptIndicesReportes()
{
    iniciarRecursosReportes();
    QFile archivo(QStringLiteral(":/reportes/sql/Indices.sql"));
    if (!archivo.open(QIODevice::ReadOnly))
        throw std::runtime_error("No se puede leer el script de índices de los reportes");
    return QString::fromUtf8(archivo.readAll());
}
