#include "Colores.h"

#include <QColor>
#include <QFont>
#include <array>
#include <optional>

namespace {

struct ColorConNombre {
    quint32 valor;
    QStringView nombre;
};

constexpr std::array<ColorConNombre, 16> kColores{{
    {0x000000, u"clBlack"},
    {0x000080, u"clMaroon"},
    {0x008000, u"clGreen"},
    {0x008080, u"clOlive"},
    {0x800000, u"clNavy"},
    {0x800080, u"clPurple"},
    {0x808000, u"clTeal"},
    {0x808080, u"clGray"},
    {0xC0C0C0, u"clSilver"},
    {0x0000FF, u"clRed"},
    {0x00FF00, u"clLime"},
    {0x00FFFF, u"clYellow"},
    {0xFF0000, u"clBlue"},
    {0xFF00FF, u"clFuchsia"},
    {0xFFFF00, u"clAqua"},
    {0xFFFFFF, u"clWhite"},
}};

// Indexed by bold = 1, italic = 2, underline = 4, strike-out = 8. The spelling and word order are
// those of the stored settings and must not be "corrected". The last name is ours: all four
// effects have no name of their own.
constexpr std::array<QStringView, 16> kEstilos{
    u"",
    u"Bold",
    u"Italic",
    u"BoldItalic",
    u"UnderLine",
    u"BoldUnderLine",
    u"ItalicUnderLine",
    u"BoldItalicUnderLine",
    u"StrikeOut",
    u"BoldStrike",
    u"ItalicStrike",
    u"BoldItalicStrike",
    u"UnderLineStrike",
    u"BoldStrikeUnderLine",
    u"ItalicUnderLineStrike",
    u"BoldItalicUnderLineStrike",
};

// Only a to z change case: Unicode rules would let "ıtalic" (dotless i) or a Kelvin sign pass as a
// name.
char16_t mayusculaAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool igualesSinMayusculas(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (mayusculaAscii(a[i].unicode()) != mayusculaAscii(b[i].unicode()))
            return false;
    }
    return true;
}

std::optional<quint32> hexadecimal(QStringView digitos)
{
    if (digitos.isEmpty())
        return std::nullopt;
    quint64 valor = 0;
    for (const QChar c : digitos) {
        const char16_t u = c.unicode();
        quint64 digito = 0;
        if (u >= u'0' && u <= u'9')
            digito = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digito = u - u'a' + 10u;
        else if (u >= u'A' && u <= u'F')
            digito = u - u'A' + 10u;
        else
            return std::nullopt;
        valor = valor * 16 + digito;
        if (valor > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<quint32>(valor);
}

std::optional<quint32> decimal(QStringView digitos)
{
    if (digitos.isEmpty())
        return std::nullopt;
    quint64 valor = 0;
    for (const QChar c : digitos) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        valor = valor * 10 + (u - u'0');
        if (valor > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<quint32>(valor);
}

// "#RRGGBB" or "#RGB" (each digit doubled), red first.
std::optional<quint32> web(QStringView digitos)
{
    if (digitos.size() != 6 && digitos.size() != 3)
        return std::nullopt;
    const std::optional<quint32> valor = hexadecimal(digitos);
    if (!valor)
        return std::nullopt;
    quint32 r = 0;
    quint32 g = 0;
    quint32 b = 0;
    if (digitos.size() == 6) {
        r = (*valor >> 16) & 0xFF;
        g = (*valor >> 8) & 0xFF;
        b = *valor & 0xFF;
    } else {
        r = ((*valor >> 8) & 0xF) * 0x11;
        g = ((*valor >> 4) & 0xF) * 0x11;
        b = (*valor & 0xF) * 0x11;
    }
    return r | (g << 8) | (b << 16);
}

std::optional<quint32> leerColor(QStringView texto)
{
    for (const ColorConNombre& color : kColores) {
        if (igualesSinMayusculas(texto, color.nombre))
            return color.valor;
    }
    if (texto.startsWith(u'$'))
        return hexadecimal(texto.mid(1));
    if (texto.startsWith(u'#'))
        return web(texto.mid(1));
    return decimal(texto);
}

} // namespace

QString ColorATexto(quint32 color)
{
    for (const ColorConNombre& conNombre : kColores) {
        if (conNombre.valor == color)
            return conNombre.nombre.toString();
    }
    return QChar(u'$') + QStringLiteral("%1").arg(color, 8, 16, QChar(u'0')).toUpper();
}

quint32 TextoAColor(const QString& texto)
{
    if (const std::optional<quint32> color = leerColor(texto))
        return *color;
    throw ColorInvalido(QStringLiteral("«%1» no es un color válido").arg(texto).toStdString());
}

QString EstiloATexto(EstiloFuente estilo)
{
    const std::size_t indice = (estilo.bold ? 1u : 0u) | (estilo.italic ? 2u : 0u) | (estilo.underline ? 4u : 0u) |
                               (estilo.strikeOut ? 8u : 0u);
    return kEstilos[indice].toString();
}

EstiloFuente TextoAEstilo(const QString& texto)
{
    for (std::size_t indice = 0; indice < kEstilos.size(); ++indice) {
        if (igualesSinMayusculas(texto, kEstilos[indice])) {
            return {(indice & 1u) != 0, (indice & 2u) != 0, (indice & 4u) != 0, (indice & 8u) != 0};
        }
    }
    return {};
}

QColor aQColor(quint32 color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

quint32 deQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<quint32>(rgb.red()) | (static_cast<quint32>(rgb.green()) << 8) |
           (static_cast<quint32>(rgb.blue()) << 16);
}

void aplicarEstilo(QFont& fuente, EstiloFuente estilo)
{
    fuente.setBold(estilo.bold);
    fuente.setItalic(estilo.italic);
    fuente.setUnderline(estilo.underline);
    fuente.setStrikeOut(estilo.strikeOut);
}

EstiloFuente estiloDe(const QFont& fuente)
{
    return {fuente.bold(), fuente.italic(), fuente.underline(), fuente.strikeOut()};
}

int puntosDePixeles(int pixeles, int pixelesPorPulgada)
{
    // Halves are exact in twice the numerator over twice the denominator.
    const qint64 doble = qint64{pixeles} * 72 * 2;
    const qint64 divisor = qint64{pixelesPorPulgada} * 2;
    const qint64 puntos =
        doble >= 0 ? (doble + pixelesPorPulgada) / divisor : -((-doble + pixelesPorPulgada) / divisor);
    return static_cast<int>(puntos);
}
