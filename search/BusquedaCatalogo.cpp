#include "BusquedaCatalogo.h"

#include "firebird/Query.h"
#include "rules/AjustesConsulta.h"

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

// In the block's body a variable is written ": name": the firebird layer takes ":name" for a
// parameter of the statement. The name and the key take the type of the ERP's own columns: a
// width written here would fail the whole result with a string truncation on the first longer
// value (the ERP's keys are longer than the station's key box).
const QString kSqlPorArticulos = QStringLiteral(
    "execute block (c_ids varchar(32000) character set ISO8859_1 = :c_ids,\n"
    "  n_cliente_id integer = :n_cliente_id, n_precio_id integer = :n_precio_id,\n"
    "  n_almacen_id integer = :n_almacen_id)\n"
    "returns (articulo_id integer, nombre type of column articulos.nombre,\n"
    "  clave type of column claves_articulos.clave_articulo, precion numeric(18,6), existencia numeric(18,5))\n"
    "as\n"
    "declare pos integer = 1;\n"
    "declare fin integer;\n"
    "declare id integer;\n"
    "begin\n"
    "  while (pos <= char_length(c_ids)) do\n"
    "  begin\n"
    "    fin = position(',', c_ids, pos);\n"
    "    id = cast(substring(c_ids from pos for fin - pos) as integer);\n"
    "    pos = fin + 1;\n"
    "    for select a.articulo_id, a.nombre,\n"
    "        (select first 1 k.clave_articulo from claves_articulos k\n"
    "         where k.articulo_id = a.articulo_id),\n"
    "        p.precion, coalesce(e.existencia, 0)\n"
    "      from articulos a\n"
    "      left join ZANTOR_LMV_LISTA(a.articulo_id, : n_cliente_id) p on (p.precio_empresa_id = : n_precio_id)\n"
    "      left join exival_art(a.articulo_id, : n_almacen_id, 'today', 'N') e on (e.articulo_id = a.articulo_id)\n"
    "      where a.articulo_id = : id\n"
    "      into : articulo_id, : nombre, : clave, : precion, : existencia\n"
    "    do suspend;\n"
    "  end\n"
    "end");

QString listaArticulos(const std::vector<std::int32_t>& articulos)
{
    QString lista;
    lista.reserve(qsizetype(articulos.size()) * 8);
    for (const std::int32_t id : articulos)
        lista += QString::number(id) + u',';
    return lista;
}

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

void abrirPorArticulos(fb::Query& consulta, const AjustesConsulta& ajustes, const std::vector<std::int32_t>& articulos)
{
    abrir(consulta, kSqlPorArticulos, ajustes, QStringLiteral("c_ids"), listaArticulos(articulos));
}

} // namespace catalogo
