#include "CodigoBarras.h"

#include <array>

namespace gtin {

namespace {

int digito(QChar c)
{
    return c.unicode() - u'0';
}

// The lengths a GTIN is written in, in the order its other forms are tried.
constexpr std::array kLargosEquivalentes{13, 12, 14, 8};

bool largoGtin(qsizetype n)
{
    return n == 8 || n == 12 || n == 13 || n == 14;
}

// The same GTIN written with n digits, when its leading zeros allow it.
std::optional<QString> conLargo(const QString& codigo, int n)
{
    if (codigo.size() <= n)
        return QString(codigo).rightJustified(n, u'0');
    const qsizetype sobra = codigo.size() - n;
    for (qsizetype i = 0; i < sobra; ++i) {
        if (codigo[i] != u'0')
            return std::nullopt;
    }
    return codigo.mid(sobra);
}

void agregar(QStringList& lista, const QString& candidato, QStringView clave)
{
    if (candidato != clave && !lista.contains(candidato))
        lista.append(candidato);
}

} // namespace

bool soloDigitos(QStringView texto)
{
    if (texto.isEmpty())
        return false;
    for (QChar c : texto) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int digitoControl(QStringView cuerpo)
{
    int suma = 0;
    int peso = 3;
    for (qsizetype i = cuerpo.size() - 1; i >= 0; --i) {
        suma += digito(cuerpo[i]) * peso;
        peso = 4 - peso;
    }
    return (10 - suma % 10) % 10;
}

bool gtinValido(QStringView codigo)
{
    return largoGtin(codigo.size()) && soloDigitos(codigo) &&
           digitoControl(codigo.first(codigo.size() - 1)) == digito(codigo.back());
}

std::optional<QString> expandirUpcE(QStringView codigo)
{
    if (codigo.size() != 8 || !soloDigitos(codigo) || (codigo[0] != u'0' && codigo[0] != u'1'))
        return std::nullopt;
    const QString d = codigo.mid(1, 6).toString();
    QString cuerpo = codigo.first(1).toString();
    switch (digito(d[5])) {
    case 0:
    case 1:
    case 2:
        cuerpo += d.left(2) + d[5] + QStringLiteral("0000") + d.mid(2, 3);
        break;
    case 3:
        cuerpo += d.left(3) + QStringLiteral("00000") + d.mid(3, 2);
        break;
    case 4:
        cuerpo += d.left(4) + QStringLiteral("00000") + d[4];
        break;
    default:
        cuerpo += d.left(5) + QStringLiteral("0000") + d[5];
        break;
    }
    return cuerpo + QChar(u'0' + digitoControl(cuerpo));
}

bool upcEValido(QStringView codigo)
{
    const std::optional<QString> upcA = expandirUpcE(codigo);
    return upcA && upcA->back() == codigo.back();
}

Lectura leer(QStringView clave)
{
    if (!largoGtin(clave.size()) || !soloDigitos(clave))
        return Lectura::NoEsCodigo;
    return gtinValido(clave) || upcEValido(clave) ? Lectura::Valido : Lectura::DigitoErroneo;
}

QStringList formasEquivalentes(QStringView clave)
{
    QStringList formas;
    if (!soloDigitos(clave))
        return formas;
    const QString codigo = clave.toString();
    const qsizetype n = codigo.size();

    QStringList completas; // every complete form, the scanned one first
    if (gtinValido(codigo)) {
        completas.append(codigo);
        for (int largo : kLargosEquivalentes) {
            if (std::optional<QString> forma = conLargo(codigo, largo))
                agregar(completas, *forma, QStringView());
        }
    }
    if (upcEValido(codigo)) {
        if (completas.isEmpty())
            completas.append(codigo);
        const QString upcA = *expandirUpcE(codigo);
        for (int largo : {12, 13, 14})
            agregar(completas, *conLargo(upcA, largo), QStringView());
    }
    for (const QString& forma : completas)
        agregar(formas, forma, clave);
    for (const QString& forma : completas) {
        const QString sinControl = forma.left(forma.size() - 1);
        if (!gtinValido(sinControl) && !upcEValido(sinControl))
            agregar(formas, sinControl, clave);
    }
    if (n == 7 || n == 11 || (n == 12 && !gtinValido(codigo)))
        agregar(formas, codigo + QChar(u'0' + digitoControl(codigo)), clave);
    Q_ASSERT(formas.size() <= kMaxFormas);
    return formas;
}

} // namespace gtin
