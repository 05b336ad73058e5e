#pragma once

#include "firebird/values/Decimal.h"
#include "rules/FormatoEtiqueta.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

// Labels printed by the shop's scale: which configured format a scanned code follows, the key of
// its article, what the label says, and how the display words it. Pure rules: no database.
namespace etiqueta {

// The GS1 price/weight verifier digit of a 4- or 5-digit value field (weighting factors 2-, 2-, 3,
// 5- for four digits; 5+, 2-, 5-, 5+, 2- for five). -1 for any other text.
int digitoVerificador(QStringView valor);

struct Lectura {
    FormatoEtiqueta formato;
    QString plu;
    QString claveErp;          // the key the article is looked up by
    fb::Decimal valor;         // pesos for a price label, kilograms for a weight label
    bool verificadorOk = true; // false: the value is a misread
};

// The code read by every format it follows, in the formats' order: a shop may print labels of
// two kinds on one prefix, and only the lookup can tell which kind a label is. A code of another
// length or prefix, or whose own check digit is wrong, follows none. A UPC-A label read as 13
// digits (a leading 0) is read as its 12.
std::vector<Lectura> leer(QStringView codigo, const std::vector<FormatoEtiqueta>& formatos);

// weight x price, rounded to the cent once, half away from zero.
fb::Decimal importe(const fb::Decimal& kilos, const fb::Decimal& precioKilo);
// amount / price, in kilograms to the gram; nothing for a price of zero or less.
std::optional<fb::Decimal> kilosDe(const fb::Decimal& importe, const fb::Decimal& precioKilo);

// What the display shows for the label at today's net price per kilogram: "0.750 kg · $58.99" for a
// weight, "$58.99 · 0.750 kg" for a price (the weight left out when the price is not above zero).
QString texto(const Lectura& lectura, const fb::Decimal& precioKilo, const QLocale& locale = QLocale::system());

} // namespace etiqueta
