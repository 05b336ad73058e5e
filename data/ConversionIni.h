#pragma once

#include <QStringView>
#include <optional>

// How the local settings file's old-style values read as numbers and booleans.

// Decimal digits after optional leading blanks (space, tab) and a sign, or hexadecimal digits after
// "$", "x" or "0x" (a 32-bit pattern: "$FFFFFFFF" is -1). Any other text, or a number out of range,
// reads as 0.
int EnteroIni(QStringView texto);

// "true"/"false" in any ASCII letter case, or a number in the forms EnteroIni takes or a decimal
// fraction with an optional exponent ("0.0", "1e3"), whatever its range: 0 is false, any other
// number true. Nothing for any other text.
std::optional<bool> LogicoIni(QStringView texto);
