#include "ListasEleccion.h"

#include "firebird/Query.h"

namespace listas {

namespace {

const QString kSqlClientes = QStringLiteral("select c.cliente_id, c.nombre\n"
                                            "from clientes c\n"
                                            "order by c.nombre");
const QString kSqlPrecios = QStringLiteral("select p.precio_empresa_id, p.nombre\n"
                                           "from precios_empresa p\n"
                                           "order by p.nombre");
const QString kSqlPolitica = QStringLiteral("select p.politica_dscto_volumen_id, p.nombre\n"
                                            "from politicas_dsctos_volumen p\n"
                                            "order by p.nombre");
const QString kSqlAlmacen = QStringLiteral("select a.almacen_id, a.nombre\n"
                                           "from almacenes a\n"
                                           "order by a.nombre");

const QString& sql(Lista lista)
{
    switch (lista) {
    case Lista::Clientes:
        return kSqlClientes;
    case Lista::ListasPrecios:
        return kSqlPrecios;
    case Lista::PoliticasVolumen:
        return kSqlPolitica;
    case Lista::Almacenes:
        break;
    }
    return kSqlAlmacen;
}

} // namespace

std::vector<Opcion> leer(fb::Query& consulta, Lista lista)
{
    consulta.close();
    consulta.setSql(sql(lista));
    consulta.open();
    std::vector<Opcion> opciones;
    while (consulta.next())
        opciones.push_back({consulta.value(0).toInt(), consulta.value(1).toString()});
    consulta.close();
    return opciones;
}

} // namespace listas
