#include "BusquedaClave.h"

#include "data/uDM.h"

#include <QLocale>

const QString kSqlBuscarClave =
    QStringLiteral("SELECT a.articulo_id, a.nombre,c.clave_articulo,\n"
                   "uc.fecha_ultima_compra, l.nombre AS Linea\n"
                   "FROM claves_articulos c\n"
                   "left join articulos a on (a.articulo_id =c.articulo_id)\n"
                   "left join lineas_articulos l on (l.linea_articulo_id =a.linea_articulo_id)\n"
                   "left join GET_ULTCOM_ART(a.articulo_id) UC\n"
                   "on c.articulo_id = a.articulo_id\n"
                   "WHERE c.clave_articulo = :C_clave");

const QString kSqlBuscarId =
    QStringLiteral("SELECT a.articulo_id, a.nombre,\n"
                   "uc.fecha_ultima_compra, l.nombre AS Linea\n"
                   "FROM articulos a\n"
                   "left join lineas_articulos l on (l.linea_articulo_id =a.linea_articulo_id)\n"
                   "left join GET_ULTCOM_ART(a.articulo_id) UC on (1 = 1)\n"
                   "WHERE a.articulo_id = :N_ARTICULO_ID");

namespace {

// The columns both statements share; the key is the caller's.
ArticuloEncontrado leerArticulo(fb::Query& q)
{
    ArticuloEncontrado a;
    a.nombre = q.value(QStringLiteral("nombre")).toString();
    a.articuloId = q.value(QStringLiteral("articulo_id")).toInt();
    a.linea = q.value(QStringLiteral("Linea")).toString();
    const fb::Value& fecha = q.value(QStringLiteral("fecha_ultima_compra"));
    if (!fecha.isNull())
        a.fechaUltimaCompra = fecha.toDate();
    return a;
}

} // namespace

std::optional<ArticuloEncontrado> buscarArticulo(Tdm& dm, const QString& clave)
{
    dm.reiniciarTransaccion();

    fb::Query& q = dm.fdQVarios;
    q.close();
    q.setSql(kSqlBuscarClave);
    q.setParam(QStringLiteral("C_CLAVE"), clave.left(kLongitudClave));
    q.open();
    if (!q.next())
        return std::nullopt;

    ArticuloEncontrado a = leerArticulo(q);
    a.clave = q.value(QStringLiteral("clave_articulo")).toString();
    return a;
}

std::optional<ArticuloEncontrado> buscarArticuloPorId(Tdm& dm, int articuloId, const QString& clave)
{
    dm.reiniciarTransaccion();

    fb::Query& q = dm.fdQVarios;
    q.close();
    q.setSql(kSqlBuscarId);
    q.setParam(QStringLiteral("N_ARTICULO_ID"), articuloId);
    q.open();
    if (!q.next())
        return std::nullopt;

    ArticuloEncontrado a = leerArticulo(q);
    a.clave = clave;
    return a;
}

QString textoFecha(const QDate& fecha)
{
    return fecha.isValid() ? QLocale::system().toString(fecha, QLocale::ShortFormat) : QString();
}
