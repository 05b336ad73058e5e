#include "Presentacion.h"

#include "Celda.h"
#include "firebird/Value.h"
#include "layout/Estilo.h"
#include "platform/Platform.h"

#include <QGuiApplication>
#include <QPalette>

namespace presentacion {

namespace {

using estilo::kAzul;
using platform::tahomaPixels;
const QColor kPlata(192, 192, 192);     // silver
const QColor kFondoClaves(62, 75, 123); // 8080190

DescripcionRejilla base(int pixeles, int pixelesTitulo)
{
    DescripcionRejilla d;
    d.fondo = Qt::white;
    d.fuente = tahomaPixels(pixeles);
    d.colorTexto = estilo::kNaranjaPrecio;
    d.fuenteTitulo = tahomaPixels(pixelesTitulo, true);
    d.colorTitulo = kAzul;
    d.fondoTitulo = kPlata;
    return d;
}

ColumnaConsulta columna(const char* campo, const QString& titulo, int ancho, Qt::Alignment alineacion,
                        Qt::Alignment alineacionTitulo, formato::Tipo tipo = formato::Tipo::Texto)
{
    ColumnaConsulta c;
    c.campo = QString::fromLatin1(campo);
    c.titulo = titulo;
    c.ancho = ancho;
    c.alineacion = alineacion;
    c.alineacionTitulo = alineacionTitulo;
    c.formato = tipo;
    return c;
}

QString numero(std::int64_t mantisa, int escala)
{
    return formato::numero(fb::Decimal{mantisa, escala});
}

QStringList muestrasCantidad()
{
    return {numero(99999999, 3)};
}

QStringList muestrasDescuento()
{
    return {numero(100, 0), numero(9999, 2)};
}

// The database's own text of a NUMERIC(18,6) after a "$", as the volume statement builds it.
QStringList muestrasTextoMoneda()
{
    return {QStringLiteral("$") + fb::Decimal{999999999999, 6}.toString()};
}

QStringList muestrasNumeroMoneda()
{
    return {numero(999999999999, 6)};
}

ColumnaConsulta conMuestras(ColumnaConsulta c, QStringList muestras)
{
    c.muestras = std::move(muestras);
    return c;
}

// Text columns sit on the left and numbers on the right unless a grid says otherwise;
// titles sit on the left unless centred.
constexpr Qt::Alignment kIzq = Qt::AlignLeft;
constexpr Qt::Alignment kDer = Qt::AlignRight;
constexpr Qt::Alignment kCentro = Qt::AlignHCenter;

} // namespace

DescripcionRejilla rejillaPrecios()
{
    using formato::Tipo;
    DescripcionRejilla d = base(12, 12);
    d.columnas = {
        columna("NOMBRE", QStringLiteral("Lista de precio"), 154, kIzq, kCentro),
        conMuestras(columna("PRECIO", QString(), 88, kDer, kCentro, Tipo::Moneda), muestrasMoneda()),
        conMuestras(columna("DSCTO", QString(), 56, kDer, kCentro, Tipo::Numero), muestrasDescuento()),
        conMuestras(columna("PRECION", QStringLiteral("Precio Neto"), 97, kDer, kCentro, Tipo::Moneda),
                    muestrasMoneda()),
    };
    return d;
}

DescripcionRejilla rejillaVolumen()
{
    using formato::Tipo;
    DescripcionRejilla d = base(13, 13);
    ColumnaConsulta unitario = columna("PRE_UNIT", QStringLiteral("P. Unitario"), 78, kIzq, kIzq);
    unitario.fuente = tahomaPixels(11, true);
    unitario.color = QGuiApplication::palette().color(QPalette::WindowText);
    ColumnaConsulta monto = columna("MONTO", QStringLiteral("Monto"), 79, kIzq, kIzq);
    monto.fuente = tahomaPixels(11, true);
    monto.color = QColor(255, 0, 0);
    unitario.muestras = monto.muestras = muestrasTextoMoneda();
    d.columnas = {
        conMuestras(columna("CANTIDAD", QStringLiteral("Cantidad"), 69, kDer, kIzq, Tipo::Numero), muestrasCantidad()),
        conMuestras(columna("DESCUENTO", QStringLiteral("% Dscto"), 62, kDer, kIzq, Tipo::Numero), muestrasDescuento()),
        unitario,
        monto,
    };
    return d;
}

DescripcionRejilla rejillaCombos()
{
    using formato::Tipo;
    DescripcionRejilla d = base(12, 12);
    d.columnas = {
        columna("CONCEPTO", QStringLiteral("Concepto"), 74, kIzq, kIzq),
        conMuestras(columna("UNIDADES_MINIMAS", QStringLiteral("Unidades"), 69, kDer, kIzq, Tipo::Numero),
                    muestrasCantidad()),
        conMuestras(columna("PRECIO_POR_PZ", QStringLiteral("Precio PZ"), 102, kDer, kIzq, Tipo::Numero),
                    muestrasNumeroMoneda()),
        conMuestras(columna("IMPORTE", QStringLiteral("Importe"), 91, kDer, kIzq, Tipo::Numero),
                    muestrasNumeroMoneda()),
    };
    return d;
}

DescripcionRejilla rejillaExiste()
{
    using formato::Tipo;
    DescripcionRejilla d = base(12, 12);
    d.columnas = {
        columna("nombre", QStringLiteral("Almacén"), 146, kIzq, kIzq),
        conMuestras(columna("existencia", QStringLiteral("Existen"), 86, kCentro, kCentro, Tipo::Numero),
                    muestrasExistencia()),
        columna("localizacion", QStringLiteral("Localización"), 115, kCentro, kCentro),
    };
    return d;
}

DescripcionRejilla rejillaListaClaves()
{
    DescripcionRejilla d = base(12, 13);
    d.fondo = kFondoClaves;
    d.columnas = {columna("CLAVE", QString(), 222, kIzq, kCentro)};
    return d;
}

QStringList muestrasMoneda(const QLocale& locale)
{
    return {formato::moneda(fb::Decimal{99999999, 2}, locale)};
}

QStringList muestrasExistencia(const QLocale& locale)
{
    return {formato::numero(fb::Decimal{-9999999999, 5}, locale)};
}

bool ocultarUnidadCompra(const fb::Value& contenido)
{
    // NULL reads as 0, which is not 1.
    return !contenido.isNull() && contenido.toDecimal() == fb::Decimal{1, 0};
}

QString textoUnidadCompra(const fb::Value& unidadCompra, const fb::Value& contenido, const fb::Value& unidadVenta,
                          const fb::Value& precioUc, const QLocale& locale)
{
    return unidadCompra.toString() + QStringLiteral(" c/") + formato::celda(contenido, formato::Tipo::Numero, locale) +
           u' ' + unidadVenta.toString() + u'\n' + u'$' + formato::miles2(precioUc.toDecimal(), locale);
}

} // namespace presentacion
