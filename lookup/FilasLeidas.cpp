#include "FilasLeidas.h"

#include "firebird/Query.h"

FilasLeidas leerFilas(fb::Query& consulta, int maximo)
{
    FilasLeidas r;
    for (int i = 0; i < consulta.columnCount(); ++i)
        r.columnas.append(consulta.columnName(i));
    while (static_cast<int>(r.filas.size()) < maximo && consulta.next())
        r.filas.push_back(consulta.row());
    return r;
}
