#include "Decimal.h"

#include "../Error.h" // header only: Decimal needs no client library

#include <limits>

namespace fb {

namespace {

// Firebird's NUMERIC/DECIMAL hold at most 18 decimals.
constexpr int kMaxScale = 18;

__extension__ typedef __int128 Wide;

constexpr std::int64_t pow10(int n)
{
    std::int64_t result = 1;
    while (n-- > 0)
        result *= 10;
    return result;
}

void checkScale(int scale)
{
    if (scale < 0 || scale > kMaxScale)
        throw Error("Escala decimal fuera de rango: " + std::to_string(scale));
}

std::int64_t narrow(Wide value)
{
    if (value > std::numeric_limits<std::int64_t>::max() || value < std::numeric_limits<std::int64_t>::min())
        throw Error("Desbordamiento del valor decimal");
    return static_cast<std::int64_t>(value);
}

} // namespace

Decimal Decimal::fromString(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < t.size() && t[i] == u'-';
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        ++i;

    Wide mantissa = 0;
    int scale = 0;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            if (mantissa > std::numeric_limits<std::int64_t>::max())
                throw Error("Desbordamiento del valor decimal: " + t.toString().toStdString());
            ++digits;
            if (point)
                ++scale;
        } else {
            break;
        }
    }
    if (digits == 0 || i != t.size() || scale > kMaxScale)
        throw Error("Valor decimal no válido: \"" + text.toString().toStdString() + "\"");
    return Decimal{static_cast<std::int64_t>(negative ? -mantissa : mantissa), scale};
}

QString Decimal::toString() const
{
    checkScale(scale);
    // Unsigned magnitude, so that INT64_MIN prints too.
    const std::uint64_t magnitude =
        mantissa < 0 ? 0 - static_cast<std::uint64_t>(mantissa) : static_cast<std::uint64_t>(mantissa);
    QString digits = QString::number(magnitude).rightJustified(scale + 1, u'0');
    if (scale > 0)
        digits.insert(digits.size() - scale, u'.');
    return mantissa < 0 ? u'-' + digits : digits;
}

Decimal Decimal::rescaled(int newScale) const
{
    checkScale(scale);
    checkScale(newScale);
    if (newScale >= scale)
        return Decimal{narrow(Wide{mantissa} * pow10(newScale - scale)), newScale};

    const std::int64_t divisor = pow10(scale - newScale);
    std::int64_t quotient = mantissa / divisor;
    const std::int64_t remainder = mantissa % divisor;
    // Half away from zero; remainder * 2 cannot overflow since |remainder| < divisor <= 10^18.
    if (remainder * 2 >= divisor)
        ++quotient;
    else if (remainder * 2 <= -divisor)
        --quotient;
    return Decimal{quotient, newScale};
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const
{
    checkScale(scale);
    checkScale(other.scale);
    const int common = std::max(scale, other.scale);
    const Wide a = Wide{mantissa} * pow10(common - scale);
    const Wide b = Wide{other.mantissa} * pow10(common - other.scale);
    return a <=> b;
}

bool Decimal::operator==(const Decimal& other) const
{
    return (*this <=> other) == std::strong_ordering::equal;
}

} // namespace fb
