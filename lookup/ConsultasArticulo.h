#pragma once

#include <QString>

struct AjustesConsulta;

namespace fb {
struct Decimal;
class Query;
} // namespace fb

// The statements of the price, stock and key grids, each beside the function that binds its
// parameters and opens it on the query it is given (closing it first). The caller owns the
// query and its transaction; a failure propagates.
namespace consultas {

// The price lists of an article for a customer, in the order of the setting ORDEN_PRECIO:
// 0 net price ascending, 1 net price descending, 2 list name, anything else the procedure's.
extern const QString kSqlPrecios;
const QString& sqlPrecios(int ordenPrecio);
extern const QString kSqlVolumen;
extern const QString kSqlCombos;
extern const QString kSqlAlmacen;
extern const QString kSqlClaves;

// The prices of the article for the walk-in customer, in the configured order.
void abrirPrecios(fb::Query& consulta, int articuloId, const AjustesConsulta& ajustes);
// The volume discounts of the article under the configured policy, priced from a net price.
void abrirVolumen(fb::Query& consulta, int articuloId, const AjustesConsulta& ajustes, const fb::Decimal& precioNeto);
// The article's offer lines.
void abrirCombos(fb::Query& consulta, int articuloId);
// The article's stock per warehouse.
void abrirAlmacen(fb::Query& consulta, int articuloId);
// The article's keys.
void abrirClaves(fb::Query& consulta, int articuloId);

} // namespace consultas
