#pragma once

#include "ModeloConsulta.h"

#include <QLocale>
#include <QString>

namespace fb {
class Value;
}

// How the price, stock and key side of the display shows what it reads (lookup/ConsultasArticulo):
// the five grids and the unit-of-purchase box.
namespace presentacion {

DescripcionRejilla rejillaPrecios();
DescripcionRejilla rejillaVolumen();
DescripcionRejilla rejillaCombos();
DescripcionRejilla rejillaExiste();
DescripcionRejilla rejillaListaClaves();

// The widest values that the money and quantity columns of the grids (these and the catalogue
// search's) show whole at their default widths; a column narrower than its widest value is widened.
// The range is what a shop's price checker meets, not what the column types could hold:
// - money (list and net prices, volume unit prices and amounts, combo prices and totals): up to
//   999,999.99, six integer digits, formatted as the column shows it; where the column shows every
//   stored decimal (the volume texts, the combo numbers) with six decimals;
// - quantities (volume steps, combo units): up to 99,999 to the thousandth (kilos to the gram);
//   stock: to the five decimals it is stored with, and negative, as stock sold without stock is;
// - discounts: percentages up to 100 with two decimals.
QStringList muestrasMoneda(const QLocale& locale = QLocale::system());
QStringList muestrasExistencia(const QLocale& locale = QLocale::system());

// The unit-of-purchase box is hidden exactly when the content is 1; a NULL content (or no
// price row at all) reads as 0.
bool ocultarUnidadCompra(const fb::Value& contenido);

// UNIDAD_COMPRA " c/" CONTENIDO " " UNIDAD_VENTA, a line break, then "$" and PRECIO_UC in
// the pattern "#,##0.00". NULL texts and a NULL content add nothing; a NULL price is 0.
// The line break is "\n": a label breaks its line there (the original's carriage return
// does not break a Qt label).
QString textoUnidadCompra(const fb::Value& unidadCompra, const fb::Value& contenido, const fb::Value& unidadVenta,
                          const fb::Value& precioUc, const QLocale& locale = QLocale::system());

} // namespace presentacion
