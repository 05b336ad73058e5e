#pragma once

#include <QString>

// The two statements of the catalogue search and the LIKE patterns they are given.
namespace catalogo {

// Longest text the search boxes take. No name or key is longer, so a longer text could
// never match anything but through wildcards.
inline constexpr int kLargoTexto = 200;

// Rows of ARTICULOS whose name matches :c_nombre; parameters n_cliente_id, n_precio_id,
// n_almacen_id. Columns ARTICULO_ID, NOMBRE, CLAVE, PRECION, EXISTENCIA.
extern const QString kSqlBuscarNombre;
// One row per key of CLAVES_ARTICULOS matching :c_clave; same parameters and columns.
extern const QString kSqlBuscarClave;

// The name pattern: the first blank, and only the first, becomes "%"; then "%" after it, and
// before it too when the word may stand anywhere. Typed "%" and "_" stay wildcards.
QString patronNombre(const QString& texto, bool cualquierPosicion);
// The key pattern: blanks are kept.
QString patronClave(const QString& texto, bool cualquierPosicion);

} // namespace catalogo
