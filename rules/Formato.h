#pragma once

#include "firebird/values/Decimal.h"

#include <QLocale>
#include <QString>
#include <cstdint>

// How the display turns database values into text. Money never goes through binary
// floating point: every function works on the exact decimal and takes from the locale only
// its symbols (digits, separators, signs, the currency pattern and number of decimals).
// The locale defaults to the workstation's regional settings; tests pass a fixed one.
namespace formato {

// How a grid column shows its values.
enum class Tipo {
    Texto,    // text as is; a number in a text column still follows the plain-number rule
    Moneda,   // numbers in the regional currency format
    Numero,   // numbers in the shortest decimal form
    ComoEsta, // the value's own text, unformatted (a decimal with all its digits)
};

// The regional currency format: the locale's symbol, pattern (also for negative amounts),
// grouping, decimal separator and number of currency decimals. The value is rounded to
// those decimals half away from zero.
QString moneda(const fb::Decimal& valor, const QLocale& locale = QLocale::system());

// The shortest decimal form: trailing zeros after the separator dropped, the separator too
// when nothing follows it (35.000000 -> 35, 12.500000 -> 12.5); the regional decimal
// separator and no thousands separator.
QString numero(const fb::Decimal& valor, const QLocale& locale = QLocale::system());
QString numero(std::int64_t valor, const QLocale& locale = QLocale::system());

// The pattern "#,##0.00": a thousands separator every three digits, exactly two decimals
// (rounded half away from zero), the regional separators. No currency symbol.
QString miles2(const fb::Decimal& valor, const QLocale& locale = QLocale::system());

} // namespace formato
