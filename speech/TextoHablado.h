#pragma once

#include <QString>

namespace fb {
struct Decimal;
}

// What the station says aloud after a found lookup, in Spanish. The number words come from
// ICU's rule-based spell-out; the peso and centavo grammar is ours.
namespace hablado {

// A whole number of pesos or centavos in words, in the form that goes before a masculine noun
// ("un", "veintiún", "ciento un"; never "uno" or "una"). Negative numbers start with "menos".
QString cantidad(long long n);

// A price rounded to centavos (half away from zero, as the display rounds it): "un peso",
// "veintiún pesos", "un millón de pesos", "cien pesos con un centavo"; zero centavos are not
// said, and a price under one peso still says "cero pesos".
QString precio(const fb::Decimal& valor);

// The article's name, a comma, then its price.
QString articulo(const QString& nombre, const fb::Decimal& precioNeto);

} // namespace hablado
