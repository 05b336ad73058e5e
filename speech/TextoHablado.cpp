#include "TextoHablado.h"

#include "firebird/values/Decimal.h"

#include <memory>
#include <stdexcept>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

namespace hablado {

namespace {

const icu::RuleBasedNumberFormat& formato()
{
    // Built once: loading the rules is the slow part.
    static const std::unique_ptr<icu::RuleBasedNumberFormat> f = [] {
        UErrorCode estado = U_ZERO_ERROR;
        auto nuevo = std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, icu::Locale("es"), estado);
        if (U_FAILURE(estado))
            throw std::runtime_error("ICU no tiene las reglas para decir números en español.");
        // The masculine cardinal shortens "uno" before a noun, as "pesos" and "centavos" need.
        nuevo->setDefaultRuleSet(icu::UnicodeString(u"%spellout-cardinal-masculine"), estado);
        if (U_FAILURE(estado))
            throw std::runtime_error("ICU no tiene los números masculinos en español.");
        return nuevo;
    }();
    return *f;
}

QString palabras(long long n)
{
    icu::UnicodeString texto;
    formato().format(static_cast<int64_t>(n), texto);
    QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(texto.getBuffer()), texto.length());
    // ICU marks hyphenation points ("sete\u00ADcientos") that a voice must not hear.
    s.remove(QChar(0x00AD));
    // Older rule sets end in the full form; before a noun it is always the short one.
    if (s.endsWith(QStringLiteral("veintiuno")))
        s.replace(s.size() - 9, 9, QStringLiteral("veintiún"));
    else if (s == QStringLiteral("uno") || s.endsWith(QStringLiteral(" uno")))
        s.chop(1);
    return s;
}

} // namespace

QString cantidad(long long n)
{
    return palabras(n);
}

QString precio(const fb::Decimal& valor)
{
    const fb::Decimal centavosTotales = valor.rescaled(2);
    const bool negativo = centavosTotales.mantissa < 0;
    const long long total = negativo ? -centavosTotales.mantissa : centavosTotales.mantissa;
    const long long pesos = total / 100;
    const long long centavos = total % 100;

    QString texto = palabras(pesos);
    if (pesos == 1)
        texto += QStringLiteral(" peso");
    // "millón" and "millones" are nouns themselves: a round million takes "de".
    else if (pesos != 0 && pesos % 1000000 == 0)
        texto += QStringLiteral(" de pesos");
    else
        texto += QStringLiteral(" pesos");
    if (centavos != 0)
        texto += QStringLiteral(" con ") + palabras(centavos) +
                 (centavos == 1 ? QStringLiteral(" centavo") : QStringLiteral(" centavos"));
    return negativo ? QStringLiteral("menos ") + texto : texto;
}

QString articulo(const QString& nombre, const fb::Decimal& precioNeto)
{
    return nombre.trimmed() + QStringLiteral(", ") + precio(precioNeto);
}

} // namespace hablado
