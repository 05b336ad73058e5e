#pragma once

#include <QString>

// The statements of the price, stock, volume, key and combo grids. The lookup runs them inside its
// one statement (ConsultaUnica), each as it is, its parameters named as the block's variables.
namespace consultas {

// The price lists of an article for a customer, in the order of the setting ORDEN_PRECIO:
// 0 net price ascending, 1 net price descending, 2 list name, anything else the procedure's.
extern const QString kSqlPrecios;
const QString& sqlPrecios(int ordenPrecio);
// The volume discounts of the article under the configured policy, priced from a net price.
extern const QString kSqlVolumen;
// The article's offer lines whose offer is enabled and whose discount is a special price per piece.
extern const QString kSqlCombos;
// The article's stock per warehouse, with the shelf location.
extern const QString kSqlAlmacen;
// The article's keys, by role name.
extern const QString kSqlClaves;

} // namespace consultas
