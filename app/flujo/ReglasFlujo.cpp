#include "ReglasFlujo.h"

namespace flujo {

const QString kCodigoNoValido = QStringLiteral("Código no válido, escanee de nuevo");
const QString kSinRespuesta = QStringLiteral("Sin respuesta del servidor, intente en unos momentos");
const QString kSinServidor =
    QStringLiteral("Se perdió la conexión con el servidor de la base de datos. Intente de nuevo en unos momentos.");
const QString kFalloConsulta = QStringLiteral("No fue posible consultar el artículo, intente de nuevo");
const QString kNoBuscarEnDiseno = QStringLiteral("No es posible buscar cuando esta en modo diseño");
const QString kConectando = QStringLiteral("Conectando con el servidor…");
const QString kSinEmpresa = QStringLiteral("No hay una empresa abierta: no es posible buscar artículos. Para abrir "
                                           "una, salga con Archivo › Salir e inicie el programa de nuevo.");

namespace {

// The built-in deadline of a lookup, in seconds.
constexpr double kSegundosRespuesta = 2;

Pantalla mensaje(const QString& texto, const QString& detalle = QString())
{
    Pantalla p;
    p.vista = Pantalla::Vista::Mensaje;
    p.mensaje = texto;
    p.detalle = detalle;
    return p;
}

} // namespace

Pantalla pantallaDeRespuesta(const RespuestaConsulta& r, bool mostrarBuscador)
{
    using Estado = RespuestaConsulta::Estado;
    Pantalla p;
    switch (r.estado) {
    case Estado::Encontrado:
        p.vista = Pantalla::Vista::Articulo;
        break;
    case Estado::CodigoNoValido:
        p = mensaje(kCodigoNoValido);
        p.sonido = Pantalla::Sonido::DoblePitido;
        break;
    case Estado::NoEncontrado:
        if (mostrarBuscador) {
            // The catalogue search takes over with the whole text.
            p.vista = Pantalla::Vista::Buscador;
            p.clave = r.clave;
        } else {
            p.vista = Pantalla::Vista::Vacia;
            p.sonido = Pantalla::Sonido::Pitido;
        }
        break;
    case Estado::SinRespuesta:
        p = mensaje(kSinRespuesta, r.detalle);
        break;
    case Estado::SinServidor:
        p = mensaje(kSinServidor, r.detalle);
        break;
    case Estado::Fallo:
        p = mensaje(r.mensaje.isEmpty() ? kFalloConsulta : r.mensaje, r.detalle);
        break;
    }
    return p;
}

std::optional<Pantalla> rechazoDeBusqueda(bool conectando, bool empresaAbierta, bool modoDiseno)
{
    if (conectando)
        return mensaje(kConectando);
    if (!empresaAbierta) {
        Pantalla p = mensaje(kSinEmpresa);
        p.barraEstado = kSinEmpresa;
        return p;
    }
    if (modoDiseno) {
        Pantalla p = mensaje(kNoBuscarEnDiseno);
        p.barraEstado = kNoBuscarEnDiseno;
        return p;
    }
    return std::nullopt;
}

std::optional<Pantalla> lecturaCortada(const QString& clave, bool cortada)
{
    if (!cortada || clave.isEmpty())
        return std::nullopt;
    for (const QChar c : clave)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    Pantalla p = mensaje(kCodigoNoValido);
    p.sonido = Pantalla::Sonido::DoblePitido;
    return p;
}

std::optional<TextoRecortado> recortarInsercion(const QString& antes, const QString& despues, qsizetype limite)
{
    qsizetype inicio = 0;
    while (inicio < antes.size() && inicio < despues.size() && antes[inicio] == despues[inicio])
        ++inicio;
    qsizetype fin = 0;
    while (fin < antes.size() - inicio && fin < despues.size() - inicio &&
           antes[antes.size() - 1 - fin] == despues[despues.size() - 1 - fin])
        ++fin;
    const qsizetype cabe = limite - inicio - fin;
    if (cabe < 0)
        return std::nullopt;
    return TextoRecortado{despues.left(inicio + cabe) + despues.right(fin), static_cast<int>(inicio + cabe)};
}

int plazoRespuestaMs(const std::optional<QString>& texto)
{
    double segundos = kSegundosRespuesta;
    if (texto) {
        bool ok = false;
        const double leido = texto->trimmed().toDouble(&ok);
        if (ok && leido > 0 && leido <= 600)
            segundos = leido;
    }
    return static_cast<int>(segundos * 1000);
}

} // namespace flujo
