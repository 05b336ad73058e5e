#include "BusquedaCatalogo.h"

#include "data/AjustesConsulta.h"
#include "firebird/Query.h"

namespace catalogo {

// The pattern is cast to a text wider than the column it is matched against: a parameter of
// a LIKE takes the column's type, so a 20-character key with "%" on both sides would fail
// with a string truncation instead of matching. The collation of the column decides the match.
// The cast's width is kLargoPatron.
const QString kSqlBuscarNombre = QStringLiteral(
    "select a.articulo_id, a.nombre,\n"
    "  (select first 1 k.clave_articulo from claves_articulos k\n"
    "   where k.articulo_id = a.articulo_id) as clave,\n"
    "  p.precion, coalesce(e.existencia, 0) as existencia\n"
    "from articulos a\n"
    "left join ZANTOR_LMV_LISTA(a.articulo_id, :n_cliente_id) p on (p.precio_empresa_id = :n_precio_id)\n"
    "left join exival_art(a.articulo_id, :n_almacen_id, 'today', 'N') e on (e.articulo_id = a.articulo_id)\n"
    "where a.nombre collate ES_ES_CI_AI  LIKE cast(:c_nombre as varchar(202) character set ISO8859_1)");

const QString kSqlBuscarClave = QStringLiteral(
    "select a.articulo_id, a.nombre,\n"
    "  (select first 1 k.clave_articulo from claves_articulos k\n"
    "   where k.articulo_id = a.articulo_id) as clave,\n"
    "  p.precion, coalesce(e.existencia, 0) as existencia\n"
    "from claves_articulos c\n"
    "left join articulos a on (a.articulo_id = c.articulo_id)\n"
    "left join ZANTOR_LMV_LISTA(a.articulo_id, :n_cliente_id) p on (p.precio_empresa_id = :n_precio_id)\n"
    "left join exival_art(a.articulo_id, :n_almacen_id, 'today', 'N') e on (e.articulo_id = a.articulo_id)\n"
    "where c.clave_articulo collate ES_ES_CI_AI  LIKE cast(:c_clave as varchar(202) character set ISO8859_1)");

namespace {

void abrir(fb::Query& consulta, const QString& sql, const AjustesConsulta& ajustes, const QString& parametroPatron,
           const QString& patron)
{
    consulta.close();
    consulta.setSql(sql);
    consulta.setParam(QStringLiteral("n_cliente_id"), ajustes.ClienteEventualId);
    consulta.setParam(QStringLiteral("n_precio_id"), ajustes.PrecioEmpresaId);
    consulta.setParam(QStringLiteral("n_almacen_id"), ajustes.AlmacenId);
    consulta.setParam(parametroPatron, patron);
    consulta.open();
}

} // namespace

void abrirPorNombre(fb::Query& consulta, const AjustesConsulta& ajustes, const QString& patron)
{
    abrir(consulta, kSqlBuscarNombre, ajustes, QStringLiteral("c_nombre"), patron);
}

void abrirPorClave(fb::Query& consulta, const AjustesConsulta& ajustes, const QString& patron)
{
    abrir(consulta, kSqlBuscarClave, ajustes, QStringLiteral("c_clave"), patron);
}

} // namespace catalogo
