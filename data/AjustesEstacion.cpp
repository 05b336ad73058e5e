#include "AjustesEstacion.h"

#include "data/ConfigIni.h"
#include "data/ConversionIni.h"

#include <QFileInfo>
#include <cmath>

namespace {

const QString kEstacion = QStringLiteral("Estacion");
const QString kKiosco = QStringLiteral("Kiosco");
const QString kHablarPrecio = QStringLiteral("HablarPrecio");
const QString kSegundosRespuesta = QStringLiteral("SegundosRespuesta");
const QString kEscaner = QStringLiteral("Escaner");
const QString kPrefijo = QStringLiteral("Prefijo");
const QString kSufijo = QStringLiteral("Sufijo");
const QString kVentana = QStringLiteral("Ventana");
const QString kRestaurada = QStringLiteral("Restaurada");
const QString kBusqueda = QStringLiteral("BUSQUEDA");
const QString kPosicion = QStringLiteral("X_POSICION");
const QString kAlEscribir = QStringLiteral("X_AL_ESCRIBIR");
const QString kAncho = QStringLiteral("Width");
const QString kAlto = QStringLiteral("Height");

constexpr double kSegundosMaximos = 600;

} // namespace

AjustesEstacion::AjustesEstacion(ConfigIni& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
{
    m_valores = leer();
}

AjustesEstacion::Valores AjustesEstacion::leer()
{
    m_aviso.clear();
    Valores v;
    QStringList malos;
    try {
        const auto logico = [&](const QString& seccion, const QString& clave, bool& destino) {
            if (const std::optional<QString> texto = m_config.consultar(seccion, clave)) {
                if (const std::optional<bool> valor = LogicoIni(*texto))
                    destino = *valor;
                else
                    malos << seccion + u'/' + clave;
            }
        };
        logico(kEstacion, kKiosco, v.kiosco);
        logico(kEstacion, kHablarPrecio, v.hablarPrecio);
        if (const std::optional<QString> texto = m_config.consultar(kEstacion, kSegundosRespuesta)) {
            bool ok = false;
            const double segundos = texto->trimmed().toDouble(&ok);
            if (ok && segundos > 0 && segundos <= kSegundosMaximos)
                v.plazoMs = static_cast<int>(std::lround(segundos * 1000));
            else
                malos << kEstacion + u'/' + kSegundosRespuesta;
        }
        v.prefijoEscaner = m_config.consultar(kEscaner, kPrefijo).value_or(QString());
        v.sufijoEscaner = m_config.consultar(kEscaner, kSufijo).value_or(QString());
        // The restore rewrites the company's fonts for every station: only a value that reads as
        // true asks for it, never a default taken for one that does not read.
        const qsizetype malosAntes = malos.size();
        logico(kVentana, kRestaurada, v.restaurada);
        if (malos.size() > malosAntes)
            v.restaurada = false;
        logico(kBusqueda, kPosicion, v.busquedaCualquierPosicion);
        logico(kBusqueda, kAlEscribir, v.busquedaAlEscribir);
        // As the window always read them: a text that is no number is 0 (the smallest window).
        if (const std::optional<QString> texto = m_config.consultar(kBusqueda, kAncho))
            v.busquedaAncho = EnteroIni(*texto);
        if (const std::optional<QString> texto = m_config.consultar(kBusqueda, kAlto))
            v.busquedaAlto = EnteroIni(*texto);
    } catch (const ErrorConfigIni& e) {
        m_aviso = QString::fromUtf8(e.what()) +
                  QStringLiteral("\nLa estación usa sus valores predeterminados y no modifica el archivo.");
        Valores predeterminados;
        predeterminados.restaurada = false;
        return predeterminados;
    }
    if (!malos.isEmpty())
        m_aviso = QStringLiteral("Valores no válidos en el archivo de configuración «%1» (%2): se usan los "
                                 "predeterminados.")
                      .arg(QFileInfo(m_config.ruta()).absoluteFilePath(), malos.join(QStringLiteral(", ")));
    return v;
}

void AjustesEstacion::releer()
{
    const Valores nuevos = leer();
    if (nuevos == m_valores)
        return;
    m_valores = nuevos;
    emit cambiado();
}

template <typename F> void AjustesEstacion::cambiar(const Valores& nuevos, F&& escribir)
{
    escribir();
    if (nuevos == m_valores)
        return;
    m_valores = nuevos;
    emit cambiado();
}

void AjustesEstacion::setKiosco(bool activo)
{
    Valores v = m_valores;
    v.kiosco = activo;
    cambiar(v, [&] { m_config.ConfigIni_boolW(kEstacion, kKiosco, activo); });
}

void AjustesEstacion::setHablarPrecio(bool hablar)
{
    Valores v = m_valores;
    v.hablarPrecio = hablar;
    cambiar(v, [&] { m_config.ConfigIni_boolW(kEstacion, kHablarPrecio, hablar); });
}

void AjustesEstacion::setEscaner(const QString& prefijo, const QString& sufijo)
{
    Valores v = m_valores;
    v.prefijoEscaner = prefijo;
    v.sufijoEscaner = sufijo;
    cambiar(v, [&] {
        m_config.ConfigIni_strW(kEscaner, kPrefijo, prefijo);
        m_config.ConfigIni_strW(kEscaner, kSufijo, sufijo);
    });
}

void AjustesEstacion::setRestaurada(bool restaurada)
{
    Valores v = m_valores;
    v.restaurada = restaurada;
    cambiar(v, [&] { m_config.ConfigIni_boolW(kVentana, kRestaurada, restaurada); });
}

void AjustesEstacion::setBusqueda(bool cualquierPosicion, bool alEscribir, int ancho, int alto)
{
    Valores v = m_valores;
    v.busquedaCualquierPosicion = cualquierPosicion;
    v.busquedaAlEscribir = alEscribir;
    v.busquedaAncho = ancho;
    v.busquedaAlto = alto;
    cambiar(v, [&] {
        m_config.ConfigIni_boolW(kBusqueda, kPosicion, cualquierPosicion);
        m_config.ConfigIni_boolW(kBusqueda, kAlEscribir, alEscribir);
        m_config.ConfigIni_intW(kBusqueda, kAncho, ancho);
        m_config.ConfigIni_intW(kBusqueda, kAlto, alto);
    });
}
