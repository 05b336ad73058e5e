#pragma once

#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/values/Decimal.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace fb {
class Connection;
class Transaction;
} // namespace fb

// What the demo company and the benchmarks' large companies are built with: stand-in ERP
// databases on the embedded engine, the station's objects and settings, and the rows of
// generated articles.
namespace demo {

// The parameter list the station builds for a local connection to a database file, as SYSDBA.
QStringList ParametrosEmbebidos(const QString& ruta);

// The failures of a script, one statement and its message each, for an error message.
QString DescribirFallas(const std::vector<fb::ScriptFailure>& fallas);

// Runs a stand-in script whose "COMMIT;" lines end its phases, each phase in a transaction of its
// own: Firebird cannot insert into a table that the same transaction created. Throws
// std::runtime_error with the failures.
void EjecutarFases(fb::Connection& conexion, const QString& script, fb::ScriptDdl ddl = fb::ScriptDdl::InTransaction);

// Installs the station's settings table and procedures and commits them. Throws
// std::runtime_error with the failures.
void InstalarObjetosEstacion(fb::Connection& conexion);

// The settings a first visit to the configuration dialog leaves: walk-in customer 465, list 450,
// warehouse 19, ten idle seconds, the first volume policy and every display switch on; the
// catalogue search as asked.
void AjustarConfiguracion(fb::Transaction& t, bool mostrarBuscador);

// One INSERT a kind of row, each prepared on its first use and kept for the next rows. The
// transaction may be committed and started again between rows.
class EscritorArticulos {
public:
    explicit EscritorArticulos(fb::Transaction& t);

    void linea(int id, const QString& nombre);
    void almacen(int id, const QString& nombre, const QString& abreviatura);
    void listaPrecios(int id, const QString& nombre, int posicion);
    // An enabled combo offer.
    void oferta(int id, const QString& nombre);

    void articulo(int id, const QString& nombre, int linea, const QString& unidadVenta, const QString& unidadCompra,
                  const fb::Decimal& contenido);
    void clave(int id, const QString& clave, int articulo, int rol);
    void precio(int articulo, int lista, const fb::Decimal& precioConImpuesto);
    void existencia(int articulo, int almacen, const fb::Decimal& cantidad);
    // The shelf location of the article in a warehouse.
    void localizacion(int id, int articulo, int almacen, const QString& localizacion);
    void compra(int articulo, QDate fecha);
    void pasoVolumen(int politica, int articulo, int unidades, int descuento);
    // A special price from `unidadesMinimas` pieces in a combo offer, as a price ('P').
    void combo(int id, int oferta, int articulo, int unidadesMinimas, const fb::Decimal& precio);

private:
    fb::Query m_linea, m_almacen, m_listaPrecios, m_oferta;
    fb::Query m_articulo, m_clave, m_precio, m_existencia, m_localizacion, m_compra, m_pasoVolumen, m_combo;
};

} // namespace demo
