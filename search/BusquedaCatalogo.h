#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct AjustesConsulta;

namespace fb {
class Query;
}

// The two statements of the catalogue search, each beside the function that binds its
// parameters and opens it on the query it is given (closing it first). The caller owns the
// query and its transaction; a failure propagates.
namespace catalogo {

// The widest LIKE pattern the statements take; a longer one fails with a string truncation.
inline constexpr int kLargoPatron = 202;

// Rows of ARTICULOS whose name matches :c_nombre; parameters n_cliente_id, n_precio_id,
// n_almacen_id. Columns ARTICULO_ID, NOMBRE, CLAVE, PRECION, EXISTENCIA.
extern const QString kSqlBuscarNombre;
// One row per key of CLAVES_ARTICULOS matching :c_clave; same parameters and columns.
extern const QString kSqlBuscarClave;

// The articles whose name / whose keys match the LIKE pattern, with the net price in the
// configured price list for the walk-in customer and the stock in the configured warehouse.
void abrirPorNombre(fb::Query& consulta, const AjustesConsulta& ajustes, const QString& patron);
void abrirPorClave(fb::Query& consulta, const AjustesConsulta& ajustes, const QString& patron);

// The same rows for a list of articles (what the search index found), in the list's order, one
// row per entry: an article the database no longer has gives none. Same columns.
extern const QString kSqlPorArticulos;
// The value of its parameter c_ids.
QString listaArticulos(const std::vector<std::int32_t>& articulos);
void abrirPorArticulos(fb::Query& consulta, const AjustesConsulta& ajustes, const std::vector<std::int32_t>& articulos);

} // namespace catalogo
