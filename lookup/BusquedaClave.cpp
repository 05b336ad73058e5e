#include "BusquedaClave.h"

#include "data/uDM.h"
#include "lookup/BusquedaCodigo.h"
#include "rules/CodigoBarras.h"

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

namespace {

QString listaFormas()
{
    QStringList marcas;
    for (int i = 1; i <= gtin::kMaxFormas; ++i)
        marcas.append(QStringLiteral(":C%1").arg(i));
    return marcas.join(u',');
}

} // namespace

// The exact statement with a list of keys; the order of the candidates is chosen in C++ below, so
// the server needs no ordering expression built from the parameters.
const QString kSqlBuscarFormas =
    QString(kSqlBuscarClave).replace(QStringLiteral("= :C_clave"), QStringLiteral("IN (") + listaFormas() + u')');

std::optional<ArticuloEncontrado> buscarPrimeraForma(Tdm& dm, const QStringList& candidatos)
{
    const QStringList utiles = candidatosUtiles(candidatos);
    if (utiles.isEmpty())
        return std::nullopt;
    fb::Query& q = dm.fdQFormas;
    q.close();
    q.setSql(kSqlBuscarFormas);
    int n = 0;
    for (const QString& c : utiles)
        q.setParam(QStringLiteral("C%1").arg(++n), c);
    while (n < gtin::kMaxFormas)
        q.setParam(QStringLiteral("C%1").arg(++n), fb::Value());
    q.open();
    std::optional<ArticuloEncontrado> mejor;
    qsizetype posicionMejor = candidatos.size();
    while (q.next()) {
        ArticuloEncontrado a = leerArticulo(q);
        a.clave = q.value(QStringLiteral("clave_articulo")).toString();
        // Rows of one key come in the server's order; the first of them wins, as in the exact lookup.
        const qsizetype posicion = candidatos.indexOf(a.clave);
        if (posicion >= 0 && posicion < posicionMejor) {
            posicionMejor = posicion;
            mejor = std::move(a);
        }
    }
    q.close();
    return mejor;
}

QString textoFecha(const QDate& fecha)
{
    return fecha.isValid() ? QLocale::system().toString(fecha, QLocale::ShortFormat) : QString();
}
