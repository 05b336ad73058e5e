#include "Celda.h"

#include "firebird/Value.h"

#include <variant>

namespace formato {

namespace {

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace

QString celda(const fb::Value& valor, Tipo tipo, const QLocale& locale)
{
    const auto decimal = [&](const fb::Decimal& d) {
        switch (tipo) {
        case Tipo::Moneda:
            return moneda(d, locale);
        case Tipo::ComoEsta:
            return d.toString();
        case Tipo::Texto:
        case Tipo::Numero:
            break;
        }
        return numero(d, locale);
    };
    return std::visit(Overloaded{
                          [](std::monostate) { return QString(); },
                          [&](std::int64_t v) {
                              return tipo == Tipo::ComoEsta ? QString::number(v) : decimal(fb::Decimal{v, 0});
                          },
                          [&](const fb::Decimal& v) { return decimal(v); },
                          [&](double v) {
                              if (tipo == Tipo::ComoEsta)
                                  return QString::number(v, 'g', QLocale::FloatingPointShortest);
                              if (tipo == Tipo::Moneda)
                                  return locale.toCurrencyString(v);
                              QLocale sinMiles = locale;
                              sinMiles.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
                              return sinMiles.toString(v, 'f', QLocale::FloatingPointShortest);
                          },
                          [](const QString& v) { return v; },
                          [&](QDate v) { return locale.toString(v, QLocale::ShortFormat); },
                          [&](QTime v) { return locale.toString(v, QLocale::ShortFormat); },
                          [&](const QDateTime& v) { return locale.toString(v, QLocale::ShortFormat); },
                          [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); },
                          [](const QByteArray& v) { return QString::fromLatin1(v); },
                      },
                      valor.storage());
}

} // namespace formato
