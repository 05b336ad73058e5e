#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// GS1 article numbers (GTIN-8, -12, -13, -14, UPC-E) as shops store and scan them. Pure rules on
// digit texts: no database, no widgets.
namespace gtin {

// Only ASCII digits, at least one.
bool soloDigitos(QStringView texto);

// The GS1 mod-10 check digit of the digits before it (weights 3 and 1 from the right).
// Precondition: soloDigitos(cuerpo).
int digitoControl(QStringView cuerpo);
// A complete GTIN-8, -12, -13 or -14 whose last digit fits the ones before it.
bool gtinValido(QStringView codigo);
// An 8-digit UPC-E of number system 0 or 1 whose check digit fits its UPC-A expansion.
bool upcEValido(QStringView codigo);
// The 12-digit UPC-A expansion of an 8-digit UPC-E of number system 0 or 1 (with the check digit
// recomputed); nothing for any other text.
std::optional<QString> expandirUpcE(QStringView codigo);

// What a digits-only key of 8, 12, 13 or 14 digits says about itself: a complete code (as GTIN or
// as UPC-E), or one whose check digit is wrong (a misread). Other keys are not codes.
enum class Lectura { NoEsCodigo, Valido, DigitoErroneo };
Lectura leer(QStringView clave);

// The keys under which an ERP may have stored the article that the scanned key names, other than
// the key itself, in the order they are tried (docs/ARCHITECTURE.md, "Barcodes inside"):
//   1. the same GTIN with leading zeros added or removed: 13, 12, 14 and 8 digits;
//   2. an 8-digit UPC-E: its UPC-A expansion, then that expansion's 13- and 14-digit forms;
//   3. each form above, the scanned key first, without its check digit, unless what is left
//      would read as a complete code itself (a 13-digit code less its check digit may be some
//      other article's UPC-A);
//   4. a key of 7 or 11 digits, or of 12 that is not a valid UPC-A: the key with its check digit
//      added (it was typed or printed without it).
// No duplicates; empty for a key that is not digits only or whose check digit is wrong.
QStringList formasEquivalentes(QStringView clave);

// The most candidates formasEquivalentes can give, the size of the lookup statement's list.
constexpr int kMaxFormas = 16;

} // namespace gtin
