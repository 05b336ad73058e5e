#include "FormatoEtiqueta.h"

#include <algorithm>

namespace {

bool prefijoEan(const QString& p)
{
    return p.size() == 2 && p[0] == u'2' && p[1] >= u'0' && p[1] <= u'9';
}

// "20-22,25" -> 20, 21, 22, 25; empty on anything else.
QStringList expandirPrefijos(const QString& texto)
{
    if (texto == QLatin1String("2"))
        return {texto};
    QStringList prefijos;
    for (const QString& parte : texto.split(u',')) {
        const QStringList extremos = parte.trimmed().split(u'-');
        if (extremos.size() > 2 || !prefijoEan(extremos.front()) || !prefijoEan(extremos.back()))
            return {};
        const int desde = extremos.front().toInt();
        const int hasta = extremos.back().toInt();
        if (hasta < desde)
            return {};
        for (int p = desde; p <= hasta; ++p) {
            if (!prefijos.contains(QString::number(p)))
                prefijos.append(QString::number(p));
        }
    }
    return prefijos;
}

// 20, 21, 22, 25 -> "20-22,25".
QString comprimirPrefijos(const QStringList& prefijos)
{
    if (prefijos == QStringList{QStringLiteral("2")})
        return prefijos.front();
    QStringList partes;
    for (qsizetype i = 0; i < prefijos.size();) {
        qsizetype j = i;
        while (j + 1 < prefijos.size() && prefijos[j + 1].toInt() == prefijos[j].toInt() + 1)
            ++j;
        partes.append(j == i ? prefijos[i] : prefijos[i] + u'-' + prefijos[j]);
        i = j + 1;
    }
    return partes.join(u',');
}

} // namespace

QString FormatoEtiqueta::aTexto() const
{
    const QChar c = clave == Clave::TalCual ? u'T' : clave == Clave::SinCeros ? u'S' : u'C';
    return QStringList{comprimirPrefijos(prefijos),
                       QString::number(posicionPlu),
                       QString::number(digitosPlu),
                       QString(c),
                       valor == Valor::Precio ? QStringLiteral("P") : QStringLiteral("K"),
                       QString::number(decimales),
                       verificador ? QStringLiteral("V") : QStringLiteral("N")}
        .join(u';');
}

QString FormatoEtiqueta::problema() const
{
    if (prefijos.isEmpty())
        return QStringLiteral("Los prefijos deben ser 2 (UPC-A) o de 20 a 29, por ejemplo \"20-29\" o \"21,23\".");
    if (posicionPlu < 2 || posicionPlu > largoCodigo() - 1)
        return QStringLiteral("La posición del PLU debe quedar después del prefijo.");
    const int largoPrefijo = largoCodigo() == 12 ? 1 : 2;
    if (posicionPlu <= largoPrefijo)
        return QStringLiteral("La posición del PLU debe quedar después del prefijo.");
    if (digitosPlu < 1)
        return QStringLiteral("El PLU debe tener al menos un dígito.");
    if (decimales < 0 || decimales > 5)
        return QStringLiteral("Los decimales deben estar entre 0 y 5.");
    if (digitosValor() < 1)
        return QStringLiteral("No queda lugar para el valor después del PLU.");
    if (verificador && digitosValor() != 4 && digitosValor() != 5)
        return QStringLiteral("El dígito verificador del valor sólo existe para valores de 4 o 5 dígitos.");
    return {};
}

bool FormatoEtiqueta::tapadoPor(const FormatoEtiqueta& anterior) const
{
    // The key depends on the PLU's place and the key rule only (the zeroed value of C starts right
    // after the PLU); the value field's reading does not change which article is found.
    if (largoCodigo() != anterior.largoCodigo() || posicionPlu != anterior.posicionPlu ||
        digitosPlu != anterior.digitosPlu || clave != anterior.clave || verificador != anterior.verificador)
        return false;
    return std::ranges::all_of(prefijos, [&](const QString& p) { return anterior.prefijos.contains(p); });
}

std::optional<FormatoEtiqueta> FormatoEtiqueta::deTexto(const QString& texto, QString* error)
{
    const auto falla = [error](const QString& motivo) -> std::optional<FormatoEtiqueta> {
        if (error)
            *error = motivo;
        return std::nullopt;
    };
    const QStringList campos = texto.trimmed().split(u';');
    if (campos.size() != 7)
        return falla(QStringLiteral("El formato de etiqueta \"%1\" no tiene sus siete campos.").arg(texto));
    FormatoEtiqueta f;
    f.prefijos = expandirPrefijos(campos[0].trimmed());
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    f.posicionPlu = campos[1].toInt(&ok1);
    f.digitosPlu = campos[2].toInt(&ok2);
    f.decimales = campos[5].toInt(&ok3);
    const QString c = campos[3].trimmed();
    const QString v = campos[4].trimmed();
    const QString r = campos[6].trimmed();
    if (!ok1 || !ok2 || !ok3 || (c != u"T" && c != u"S" && c != u"C") || (v != u"P" && v != u"K") ||
        (r != u"V" && r != u"N"))
        return falla(QStringLiteral("El formato de etiqueta \"%1\" no se puede leer.").arg(texto));
    f.clave = c == u"T" ? Clave::TalCual : c == u"S" ? Clave::SinCeros : Clave::CodigoEnCeros;
    f.valor = v == u"P" ? Valor::Precio : Valor::Peso;
    f.verificador = r == u"V";
    if (const QString p = f.problema(); !p.isEmpty())
        return falla(p);
    return f;
}
