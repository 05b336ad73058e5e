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
// The lists the lookup's price grid can show a customer: those that the ERP's price procedure (the
// one ZANTOR_LMV_LISTA reads, with the same flag) gives for some active article. A list the ERP
// keeps from customers never comes out of it.
const QString kSqlPreciosCliente = QStringLiteral("select l.precio_empresa_id, l.nombre\n"
                                                  "from precios_empresa l\n"
                                                  "join (select distinct p.precio_empresa_id\n"
                                                  "      from articulos a\n"
                                                  "      join ORSP_VE_PRECIOS_ART(a.articulo_id, 'N') p on 1 = 1\n"
                                                  "      where a.estatus = 'A') v\n"
                                                  "on v.precio_empresa_id = l.precio_empresa_id\n"
                                                  "order by l.nombre");
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
    case Lista::ListasPreciosCliente:
        return kSqlPreciosCliente;
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
