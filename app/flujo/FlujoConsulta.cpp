#include "FlujoConsulta.h"

#include "data/AjustesEstacion.h"
#include "data/uDM.h"
#include "lookup/CargarInfo.h"

FlujoConsulta::FlujoConsulta(ServicioConsulta& servicio, AjustesConsulta& ajustes, std::function<bool()> modoDiseno,
                             QObject* parent)
    : QObject(parent)
    , m_servicio(servicio)
    , m_ajustes(ajustes)
    , m_modoDiseno(std::move(modoDiseno))
{
    connect(&m_servicio, &ServicioConsulta::respuesta, this, &FlujoConsulta::recibir);
    connect(&m_servicio, &ServicioConsulta::ronda, this, &FlujoConsulta::ronda);
    connect(&m_servicio, &ServicioConsulta::ajustesCargados, this, &FlujoConsulta::recibirAjustes);
}

void FlujoConsulta::leerEstacion(Tdm& dm)
{
    const AjustesEstacion& estacion = dm.estacion();
    m_escaner.prefijo = estacion.prefijoEscaner();
    m_escaner.sufijo = estacion.sufijoEscaner();
    m_servicio.setPlazo(estacion.plazoMs());
}

std::optional<flujo::Pantalla> FlujoConsulta::rechazo() const
{
    return flujo::rechazoDeBusqueda(m_conectando, m_empresaAbierta && m_servicio.abierto(), m_modoDiseno());
}

void FlujoConsulta::buscar(const QString& clave)
{
    m_segundosInactivo = 0;
    m_secuencia = m_servicio.buscar(clave, m_ajustes);
}

void FlujoConsulta::buscarPorId(int articuloId, const QString& clave)
{
    m_segundosInactivo = 0;
    m_secuencia = m_servicio.buscarPorId(articuloId, clave, m_ajustes);
}

void FlujoConsulta::recibir(const RespuestaConsulta& r)
{
    if (r.secuencia != m_secuencia || m_secuencia == 0)
        return;
    m_secuencia = 0;
    emit respuestaLista(r, flujo::pantallaDeRespuesta(r, m_ajustes.MostrarBuscador));
}

FlujoConsulta::Tic FlujoConsulta::tic(bool modificado, bool vacio)
{
    // Typing that began after the last tick is a scan under way (a scanner sends a code in a few
    // milliseconds): the clearing keeps it. Typing already under way at the last tick is not.
    const bool escaneo = modificado && !vacio && !m_tecleoAlTic;
    m_tecleoAlTic = modificado;
    // A lookup under way keeps the display: its answer (or the deadline's message) comes first.
    if (m_secuencia != 0)
        return {};
    if (m_segundosInactivo < m_ajustes.SegundosEspera) {
        ++m_segundosInactivo;
        return {};
    }
    m_segundosInactivo = 1;
    return {true, escaneo};
}

bool FlujoConsulta::limpiar()
{
    // A lookup still under way is not shown once the display has been cleared.
    m_secuencia = 0;
    // The idle station holds no transaction open: the service commits its own, in the background.
    if (m_servicio.abierto())
        m_servicio.confirmar();
    return m_empresaAbierta && !m_modoDiseno();
}

void FlujoConsulta::pedirRonda()
{
    if (!m_servicio.abierto() || m_modoDiseno()) {
        emit ronda({});
        return;
    }
    m_servicio.pedirRonda(m_ajustes, m_listaEscaparate);
}

ConfigEmpresa::Escaparate FlujoConsulta::cargarAjustes(Tdm& dm, FuenteConColor& nombre, FuenteConColor& precio,
                                                       const ConfigEmpresa::Tabla* leida)
{
    // What a reload under way would bring is older than this.
    m_recarga = 0;
    const ConfigEmpresa::Escaparate escaparate = cargarAjustesPantalla(dm, m_ajustes, nombre, precio, leida);
    m_listaEscaparate = escaparate.listaPrecios;
    return escaparate;
}

void FlujoConsulta::recargarAjustes(const FuenteConColor& nombre, const FuenteConColor& precio)
{
    // Without an attachment there is nothing to read: the settings stay as they are.
    if (!m_servicio.abierto())
        return;
    m_recarga = m_servicio.cargarAjustes(m_ajustes, nombre, precio);
}

void FlujoConsulta::recibirAjustes(const AjustesCargados& cargados)
{
    if (cargados.secuencia != m_recarga || m_recarga == 0)
        return;
    m_recarga = 0;
    if (!cargados.fallo.isEmpty())
        return;
    m_ajustes = cargados.ajustes;
    m_listaEscaparate = cargados.escaparate.listaPrecios;
    emit ajustesListos(cargados);
}
