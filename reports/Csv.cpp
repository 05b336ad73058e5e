#include "Csv.h"

#include "rules/Formato.h"

namespace reportes {

namespace {

const QString kFormatoFecha = QStringLiteral("dd/MM/yyyy HH:mm:ss");

template <typename... F> struct Visitas : F... {
    using F::operator()...;
};

QString campo(const QString& texto, QChar separador)
{
    const bool comillas =
        texto.contains(separador) || texto.contains(u'"') || texto.contains(u'\r') || texto.contains(u'\n');
    if (!comillas)
        return texto;
    QString doblado = texto;
    doblado.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + doblado + u'"';
}

QString texto(const Tabla& tabla, QChar separador)
{
    QString salida;
    auto linea = [&](const QStringList& campos) {
        for (qsizetype i = 0; i < campos.size(); ++i) {
            if (i > 0)
                salida += separador;
            salida += campo(campos[i], separador);
        }
        salida += QStringLiteral("\r\n");
    };
    linea(tabla.titulos);
    for (const std::vector<Celda>& fila : tabla.filas) {
        QStringList campos;
        campos.reserve(qsizetype(fila.size()));
        for (const Celda& c : fila)
            campos.append(textoArchivo(c));
        linea(campos);
    }
    return salida;
}

// The locale's short date with the year whole (a log spans years) and the time to the second.
QString formatoPantalla(const QLocale& locale)
{
    QString fecha = locale.dateFormat(QLocale::ShortFormat);
    if (!fecha.contains(QStringLiteral("yyyy")))
        fecha.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return fecha + QStringLiteral(" HH:mm:ss");
}

} // namespace

QString textoArchivo(const Celda& celda)
{
    return std::visit(Visitas{[](std::monostate) { return QString(); }, [](const QString& t) { return t; },
                              [](std::int64_t n) { return QString::number(n); },
                              [](const fb::Decimal& d) { return d.toString(); },
                              [](const QDateTime& f) { return f.isValid() ? f.toString(kFormatoFecha) : QString(); }},
                      celda);
}

QByteArray csv(const Tabla& tabla)
{
    return QByteArrayLiteral("\xEF\xBB\xBF") + texto(tabla, u',').toUtf8();
}

QString textoPortapapeles(const Tabla& tabla)
{
    return texto(tabla, u'\t');
}

QString textoPantalla(const Celda& celda, const QLocale& locale)
{
    return std::visit(Visitas{[](std::monostate) { return QString(); }, [](const QString& t) { return t; },
                              [&](std::int64_t n) { return locale.toString(qlonglong(n)); },
                              [&](const fb::Decimal& d) { return formato::moneda(d, locale); },
                              [&](const QDateTime& f) {
                                  return f.isValid() ? locale.toString(f, formatoPantalla(locale)) : QString();
                              }},
                      celda);
}

} // namespace reportes
