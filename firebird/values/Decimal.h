#pragma once

#include <QString>
#include <compare>
#include <cstdint>

namespace fb {

// An exact decimal as Firebird stores NUMERIC/DECIMAL: value = mantissa * 10^-scale.
// Money never goes through binary floating point.
struct Decimal {
    std::int64_t mantissa = 0;
    int scale = 0; // number of decimals, >= 0

    // Parses "-12.500", "35", "0.000001". Throws fb::Error on anything else or on overflow.
    static Decimal fromString(QStringView text);

    // Full-scale text with '.' as separator: {1250500000, 6} -> "1250.500000".
    QString toString() const;
    // Same value at another number of decimals, rounding half away from zero when shortened.
    // Throws fb::Error on overflow.
    Decimal rescaled(int newScale) const;
    bool isZero() const noexcept { return mantissa == 0; }

    // Numeric comparison regardless of scale (1.5 == 1.500000).
    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const;
};

} // namespace fb
