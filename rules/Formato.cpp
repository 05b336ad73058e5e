#include "Formato.h"

#include <algorithm>

namespace formato {

namespace {

// A decimal split into sign and ASCII digits, at a given number of decimals (rounded half
// away from zero) or, with decimales < 0, in its shortest form.
struct Partes {
    bool negativo = false;
    QString entero;
    QString fraccion;
};

Partes partir(const fb::Decimal& valor, int decimales)
{
    const fb::Decimal d = decimales >= 0 && decimales < valor.scale ? valor.rescaled(decimales) : valor;
    QString texto = d.toString();
    Partes p;
    if (texto.startsWith(u'-')) {
        p.negativo = true;
        texto.remove(0, 1);
    }
    const qsizetype punto = texto.indexOf(u'.');
    p.entero = punto < 0 ? texto : texto.left(punto);
    p.fraccion = punto < 0 ? QString() : texto.mid(punto + 1);
    if (decimales >= 0) {
        p.fraccion = p.fraccion.leftJustified(decimales, u'0');
    } else {
        qsizetype n = p.fraccion.size();
        while (n > 0 && p.fraccion[n - 1] == u'0')
            --n;
        p.fraccion.truncate(n);
    }
    // A value that rounds to zero carries no sign.
    const auto ceros = [](const QString& s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c == u'0'; });
    };
    if (p.negativo && ceros(p.entero) && ceros(p.fraccion))
        p.negativo = false;
    return p;
}

// ASCII digits in the locale's own digits.
QString digitos(const QString& ascii, const QLocale& locale)
{
    const QString cero = locale.zeroDigit();
    if (cero == QStringLiteral("0"))
        return ascii;
    const char32_t base = cero.toUcs4().value(0, U'0');
    QString out;
    for (const QChar c : ascii) {
        if (c >= u'0' && c <= u'9') {
            const char32_t digito = base + static_cast<char32_t>(c.unicode() - u'0');
            out += QString::fromUcs4(&digito, 1);
        } else {
            out += c;
        }
    }
    return out;
}

// The number of decimals of the locale's currency. QLocale keeps it private, so it is read
// from the difference between the formats of the same whole amount as integer and as double.
constexpr qlonglong kMuestra = 987654321;

int decimalesMoneda(const QLocale& locale)
{
    const qsizetype extra =
        locale.toCurrencyString(static_cast<double>(kMuestra)).size() - locale.toCurrencyString(kMuestra).size();
    const qsizetype punto = locale.decimalPoint().size();
    return extra > punto ? static_cast<int>(extra - punto) : 0;
}

QString agrupar3(const QString& entero, const QString& separador)
{
    QString out;
    const qsizetype n = entero.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separador;
        out += entero[i];
    }
    return out;
}

} // namespace

QString moneda(const fb::Decimal& valor, const QLocale& locale)
{
    const int decimales = decimalesMoneda(locale);
    const Partes p = partir(valor, decimales);
    // The whole part goes through QLocale as an integer (exact), so the grouping is the
    // locale's own; the decimals are appended as digits.
    QString numeroTexto = locale.toString(p.entero.toULongLong());
    if (decimales > 0)
        numeroTexto += locale.decimalPoint() + digitos(p.fraccion, locale);

    // The currency pattern of the same sign, with a known amount in place of ours.
    const QString muestra = locale.toString(kMuestra);
    const QString plantilla = locale.toCurrencyString(p.negativo ? -kMuestra : kMuestra);
    const qsizetype en = plantilla.indexOf(muestra);
    if (en < 0)
        return (p.negativo ? locale.negativeSign() : QString()) + locale.currencySymbol() + numeroTexto;
    return plantilla.left(en) + numeroTexto + plantilla.mid(en + muestra.size());
}

QString numero(const fb::Decimal& valor, const QLocale& locale)
{
    const Partes p = partir(valor, -1);
    QString out = p.negativo ? locale.negativeSign() : QString();
    out += digitos(p.entero, locale);
    if (!p.fraccion.isEmpty())
        out += locale.decimalPoint() + digitos(p.fraccion, locale);
    return out;
}

QString numero(std::int64_t valor, const QLocale& locale)
{
    return numero(fb::Decimal{valor, 0}, locale);
}

QString miles2(const fb::Decimal& valor, const QLocale& locale)
{
    const Partes p = partir(valor, 2);
    return (p.negativo ? QStringLiteral("-") : QString()) + agrupar3(p.entero, locale.groupSeparator()) +
           locale.decimalPoint() + p.fraccion;
}

} // namespace formato
