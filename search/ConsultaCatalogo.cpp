#include "ConsultaCatalogo.h"

namespace catalogo {

// The pattern is cast to a text wider than the column it is matched against: a parameter of
// a LIKE takes the column's type, so a 20-character key with "%" on both sides would fail
// with a string truncation instead of matching. The collation of the column decides the match.
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

static_assert(kLargoTexto + 2 <= 202, "the pattern cast must hold the longest text and two wildcards");

QString patronNombre(const QString& texto, bool cualquierPosicion)
{
    QString patron = texto;
    const qsizetype blanco = patron.indexOf(u' ');
    if (blanco >= 0)
        patron[blanco] = u'%';
    return cualquierPosicion ? u'%' + patron + u'%' : patron + u'%';
}

QString patronClave(const QString& texto, bool cualquierPosicion)
{
    return cualquierPosicion ? u'%' + texto + u'%' : texto + u'%';
}

} // namespace catalogo
