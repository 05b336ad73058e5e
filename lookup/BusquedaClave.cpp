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

    ArticuloEncontrado a;
    a.clave = q.value(QStringLiteral("clave_articulo")).toString();
    a.nombre = q.value(QStringLiteral("nombre")).toString();
    a.articuloId = q.value(QStringLiteral("articulo_id")).toInt();
    a.linea = q.value(QStringLiteral("Linea")).toString();
    const fb::Value& fecha = q.value(QStringLiteral("fecha_ultima_compra"));
    if (!fecha.isNull())
        a.fechaUltimaCompra = fecha.toDate();
    return a;
}

QString textoFecha(const QDate& fecha)
{
    return fecha.isValid() ? QLocale::system().toString(fecha, QLocale::ShortFormat) : QString();
}
