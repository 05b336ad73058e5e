#include "EtiquetaBascula.h"

#include "CodigoBarras.h"
#include "Formato.h"

#include <array>

namespace etiqueta {

namespace {

__extension__ typedef __int128 Ancho;

// Products of a digit by GS1's weighting factors for price and weight fields.
constexpr std::array<int, 10> kDosMenos{0, 2, 4, 6, 8, 9, 1, 3, 5, 7};
constexpr std::array<int, 10> kTres{0, 3, 6, 9, 2, 5, 8, 1, 4, 7};
constexpr std::array<int, 10> kCincoMas{0, 5, 1, 6, 2, 7, 3, 8, 4, 9};
constexpr std::array<int, 10> kCincoMenos{0, 5, 9, 4, 8, 3, 7, 2, 6, 1};

// A digit as an index into the tables above (the caller checked that every character is a digit).
std::size_t d(QStringView t, int i)
{
    return static_cast<std::size_t>(t[i].unicode() - u'0');
}

Ancho potencia10(int n)
{
    Ancho r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// numerador / denominador (denominador > 0), half away from zero.
std::int64_t dividirRedondeando(Ancho numerador, Ancho denominador)
{
    const bool negativo = numerador < 0;
    const Ancho magnitud = negativo ? -numerador : numerador;
    Ancho q = magnitud / denominador;
    if ((magnitud % denominador) * 2 >= denominador)
        ++q;
    return static_cast<std::int64_t>(negativo ? -q : q);
}

} // namespace

int digitoVerificador(QStringView valor)
{
    if (!gtin::soloDigitos(valor))
        return -1;
    if (valor.size() == 4) {
        const int suma =
            kDosMenos[d(valor, 0)] + kDosMenos[d(valor, 1)] + kTres[d(valor, 2)] + kCincoMenos[d(valor, 3)];
        return suma * 3 % 10;
    }
    if (valor.size() == 5) {
        const int suma = kCincoMas[d(valor, 0)] + kDosMenos[d(valor, 1)] + kCincoMenos[d(valor, 2)] +
                         kCincoMas[d(valor, 3)] + kDosMenos[d(valor, 4)];
        // The digit whose 5- product brings the sum to a multiple of ten.
        const int buscado = (10 - suma % 10) % 10;
        for (std::size_t digito = 0; digito < kCincoMenos.size(); ++digito) {
            if (kCincoMenos[digito] == buscado)
                return static_cast<int>(digito);
        }
    }
    return -1;
}

std::vector<Lectura> leer(QStringView entrada, const std::vector<FormatoEtiqueta>& formatos)
{
    std::vector<Lectura> lecturas;
    if (!gtin::gtinValido(entrada))
        return lecturas;
    QString codigo = entrada.toString();
    if (codigo.size() == 13 && codigo[0] == u'0')
        codigo.remove(0, 1);
    for (const FormatoEtiqueta& f : formatos) {
        if (codigo.size() != f.largoCodigo() || !f.problema().isEmpty())
            continue;
        const qsizetype largoPrefijo = codigo.size() == 12 ? 1 : 2;
        if (!f.prefijos.contains(codigo.left(largoPrefijo)))
            continue;
        Lectura l;
        l.formato = f;
        l.plu = codigo.mid(f.posicionPlu - 1, f.digitosPlu);
        const QString digitosValor = codigo.mid(f.posicionValor() - 1, f.digitosValor());
        if (f.verificador)
            l.verificadorOk = digitoVerificador(digitosValor) == static_cast<int>(d(codigo, f.posicionValor() - 2));
        l.valor = fb::Decimal{digitosValor.toLongLong(), f.decimales};
        switch (f.clave) {
        case FormatoEtiqueta::Clave::TalCual:
            l.claveErp = l.plu;
            break;
        case FormatoEtiqueta::Clave::SinCeros: {
            qsizetype i = 0;
            while (i < l.plu.size() - 1 && l.plu[i] == u'0')
                ++i;
            l.claveErp = l.plu.mid(i);
            break;
        }
        case FormatoEtiqueta::Clave::CodigoEnCeros: {
            const int desde = f.posicionValor() - 1 - (f.verificador ? 1 : 0);
            QString cuerpo = codigo.left(codigo.size() - 1);
            for (qsizetype i = desde; i < cuerpo.size(); ++i)
                cuerpo[i] = u'0';
            l.claveErp = cuerpo + QChar(u'0' + gtin::digitoControl(cuerpo));
            break;
        }
        }
        lecturas.push_back(std::move(l));
    }
    return lecturas;
}

fb::Decimal importe(const fb::Decimal& kilos, const fb::Decimal& precioKilo)
{
    const Ancho producto = Ancho{kilos.mantissa} * precioKilo.mantissa;
    const int escala = kilos.scale + precioKilo.scale;
    if (escala <= 2)
        return fb::Decimal{static_cast<std::int64_t>(producto * potencia10(2 - escala)), 2};
    return fb::Decimal{dividirRedondeando(producto, potencia10(escala - 2)), 2};
}

std::optional<fb::Decimal> kilosDe(const fb::Decimal& importe, const fb::Decimal& precioKilo)
{
    if (precioKilo.mantissa <= 0)
        return std::nullopt;
    // (a / 10^sa) / (p / 10^sp) in thousandths: a * 10^(3 + sp) / (p * 10^sa).
    return fb::Decimal{dividirRedondeando(Ancho{importe.mantissa} * potencia10(3 + precioKilo.scale),
                                          Ancho{precioKilo.mantissa} * potencia10(importe.scale)),
                       3};
}

QString texto(const Lectura& lectura, const fb::Decimal& precioKilo, const QLocale& locale)
{
    const QString punto = QStringLiteral(" · ");
    const auto kilos = [](const fb::Decimal& k) { return k.rescaled(3).toString() + QStringLiteral(" kg"); };
    const auto pesos = [&locale](const fb::Decimal& p) { return u'$' + formato::miles2(p, locale); };
    if (lectura.formato.valor == FormatoEtiqueta::Valor::Peso)
        return kilos(lectura.valor) + punto + pesos(importe(lectura.valor, precioKilo));
    const fb::Decimal monto = lectura.valor.rescaled(2);
    if (const std::optional<fb::Decimal> k = kilosDe(monto, precioKilo))
        return pesos(monto) + punto + kilos(*k);
    return pesos(monto);
}

} // namespace etiqueta
