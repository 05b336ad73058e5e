#include "ConversionIni.h"

#include <QString>

namespace {

bool esBlanco(QChar c)
{
    return c == u' ' || c == u'\t';
}

int valorDigito(QChar c, int base)
{
    const char16_t u = c.unicode();
    int valor = 99;
    if (u >= u'0' && u <= u'9')
        valor = u - u'0';
    else if (u >= u'a' && u <= u'f')
        valor = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        valor = u - u'A' + 10;
    return valor < base ? valor : -1;
}

// Leading blanks, a sign and a hexadecimal prefix, as the integer and boolean readers share them.
struct Prefijo {
    bool negativo = false;
    int base = 10;
    QStringView resto;
};

Prefijo partirPrefijo(QStringView texto)
{
    Prefijo p;
    qsizetype i = 0;
    while (i < texto.size() && esBlanco(texto[i]))
        ++i;
    if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-')) {
        p.negativo = texto[i] == u'-';
        ++i;
    }
    p.resto = texto.mid(i);
    if (p.resto.startsWith(u'$') || p.resto.startsWith(u'x', Qt::CaseInsensitive)) {
        p.base = 16;
        p.resto = p.resto.mid(1);
    } else if (p.resto.startsWith(u"0x", Qt::CaseInsensitive)) {
        p.base = 16;
        p.resto = p.resto.mid(2);
    }
    return p;
}

int enteroDeTexto(QStringView texto)
{
    const Prefijo p = partirPrefijo(texto);
    if (p.resto.isEmpty())
        return 0;
    quint64 valor = 0;
    for (const QChar c : p.resto) {
        const int digito = valorDigito(c, p.base);
        if (digito < 0)
            return 0;
        valor = valor * static_cast<quint64>(p.base) + static_cast<quint64>(digito);
        if (valor > 0xFFFFFFFFu)
            return 0;
    }
    if (p.base == 16) {
        // A 32-bit pattern, as colour values are written.
        const quint32 patron = static_cast<quint32>(valor);
        return static_cast<int>(p.negativo ? 0u - patron : patron);
    }
    if (p.negativo)
        return valor <= 2147483648u ? static_cast<int>(-static_cast<qint64>(valor)) : 0;
    return valor <= 2147483647u ? static_cast<int>(valor) : 0;
}

bool igualSinMayusculas(QStringView texto, QLatin1StringView ascii)
{
    if (texto.size() != ascii.size())
        return false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        char16_t c = texto[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(ascii[i].unicode()))
            return false;
    }
    return true;
}

// A number in the forms the integer reader takes, or a decimal fraction with an optional exponent
// ("0.0", "1e3"); range does not matter. Nothing when the text is no number.
std::optional<bool> numeroDistintoDeCero(QStringView texto)
{
    const Prefijo p = partirPrefijo(texto);
    bool hayDigitos = false;
    bool distintoDeCero = false;
    qsizetype i = 0;
    auto leerDigitos = [&](int base) {
        for (; i < p.resto.size() && valorDigito(p.resto[i], base) >= 0; ++i) {
            hayDigitos = true;
            distintoDeCero = distintoDeCero || p.resto[i] != u'0';
        }
    };
    leerDigitos(p.base);
    if (p.base == 10) {
        if (i < p.resto.size() && p.resto[i] == u'.') {
            ++i;
            leerDigitos(10);
        }
        if (hayDigitos && i < p.resto.size() && (p.resto[i] == u'e' || p.resto[i] == u'E')) {
            ++i;
            if (i < p.resto.size() && (p.resto[i] == u'+' || p.resto[i] == u'-'))
                ++i;
            const qsizetype inicio = i;
            while (i < p.resto.size() && valorDigito(p.resto[i], 10) >= 0)
                ++i;
            if (i == inicio)
                return std::nullopt;
        }
    }
    if (!hayDigitos || i != p.resto.size())
        return std::nullopt;
    return distintoDeCero;
}

} // namespace

int EnteroIni(QStringView texto)
{
    return enteroDeTexto(texto);
}

std::optional<bool> LogicoIni(QStringView texto)
{
    if (igualSinMayusculas(texto, QLatin1StringView("true")))
        return true;
    if (igualSinMayusculas(texto, QLatin1StringView("false")))
        return false;
    return numeroDistintoDeCero(texto);
}
