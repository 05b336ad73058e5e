#pragma once

#include "app/flujo/ReglasFlujo.h"
#include "app/flujo/TeclasEscaneo.h"
#include "data/ConfigEmpresa.h"
#include "layout/FuenteConColor.h"
#include "lookup/ConsultasEscaparate.h"
#include "lookup/ServicioConsulta.h"
#include "rules/AjustesConsulta.h"
#include "rules/EntradaEscaner.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

class Tdm;

// The price display's flow without its widgets: the scan from the key box's text to the service
// and back (only the newest scan's answer is shown, as a display state), the scanner's keys, the
// idle clearing's count and what the clearing does, the showcase's rounds and the settings'
// loads. The window owns the widgets and maps what this decides onto them.
class FlujoConsulta : public QObject {
    Q_OBJECT
public:
    // `ajustes` is the window's record, which the catalogue search reads too; `modoDiseno` says
    // whether the operator is arranging the display.
    FlujoConsulta(ServicioConsulta& servicio, AjustesConsulta& ajustes, std::function<bool()> modoDiseno,
                  QObject* parent = nullptr);

    // The last start-up opened the company database; a scan needs it and the service's attachment.
    void setEmpresaAbierta(bool abierta) { m_empresaAbierta = abierta; }
    bool empresaAbierta() const noexcept { return m_empresaAbierta; }
    // An automatic start waits for the server.
    void setConectando(bool conectando) { m_conectando = conectando; }
    bool conectando() const noexcept { return m_conectando; }

    // The station's scanner prefix and suffix and the lookup's deadline, from config.xml.
    void leerEstacion(Tdm& dm);
    const EntradaEscaner& escaner() const noexcept { return m_escaner; }
    void setEscaner(const EntradaEscaner& escaner) { m_escaner = escaner; }

    // A key pressed in the key box (campoClave) or in the last purchase's box.
    TeclasEscaneo::Accion tecla(int tecla, const QString& texto, Qt::KeyboardModifiers modificadores, bool campoClave)
    {
        return m_teclas.pulsada(tecla, texto, modificadores, campoClave);
    }

    // A scan or a search refused before any lookup, with what the display says; else none.
    std::optional<flujo::Pantalla> rechazo() const;
    // The key a scan of the key box's text looks up: what the scanner sends around it removed.
    QString claveEscaneada(const QString& texto) const { return m_escaner.limpiar(texto); }
    // Posts a scan (by key, or the article chosen in the catalogue search by its id); its answer
    // comes through respuestaLista() unless a newer scan or a clearing comes first.
    void buscar(const QString& clave);
    void buscarPorId(int articuloId, const QString& clave);
    // The display answered the scan itself: an earlier scan's answer is not shown after it.
    void descartarConsulta() noexcept { m_secuencia = 0; }
    // A scan was asked and its answer is not on the display yet.
    bool consultaPendiente() const noexcept { return m_secuencia != 0; }

    // The idle clearing, ticked once a second by the window's timer.
    struct Tic {
        bool limpiar = false;       // the display is cleared now
        bool devolverClave = false; // the key box's text is a scan under way: put it back after
    };
    // `modificado`: the key box holds typed text (not one the program set); `vacio`: it is empty.
    Tic tic(bool modificado, bool vacio);
    int segundosInactivo() const noexcept { return m_segundosInactivo; }
    // The display changed (an article, a message, a clearing): the idle count starts again.
    void reiniciarInactividad() { m_segundosInactivo = 0; }
    // The key box's text was selected whole: what is typed from here on is the next scan.
    void claveSeleccionada() { m_tecleoAlTic = false; }

    // The clearing: a scan under way is no longer shown and the service commits its transaction
    // in the background. Returns whether the showcase's idle wait may start.
    bool limpiar();

    // One showcase round through the service; an empty one (at once) without an attachment or
    // in design mode. The cards come through ronda().
    void pedirRonda();

    // The settings' load on this thread, for the start-up and the configuration dialog: from the
    // fonts given, which keep the rows read before a failure. A failure propagates.
    ConfigEmpresa::Escaparate cargarAjustes(Tdm& dm, FuenteConColor& nombre, FuenteConColor& precio,
                                            const ConfigEmpresa::Tabla* leida = nullptr);
    // The settings' reload during operation, on the service's thread: applied when it arrives
    // (ajustesListos), unless a newer load came first; a failed one changes nothing.
    void recargarAjustes(const FuenteConColor& nombre, const FuenteConColor& precio);
    bool recargaPendiente() const noexcept { return m_recarga != 0; }

signals:
    // The newest scan's answer and what the display does with it.
    void respuestaLista(const RespuestaConsulta& respuesta, const flujo::Pantalla& pantalla);
    void ronda(const std::vector<TarjetaEscaparate>& tarjetas);
    // A reload through the service was applied to the settings: the fonts and the showcase's
    // rows are the window's to apply.
    void ajustesListos(const AjustesCargados& cargados);

private:
    void recibir(const RespuestaConsulta& respuesta);
    void recibirAjustes(const AjustesCargados& cargados);

    ServicioConsulta& m_servicio;
    AjustesConsulta& m_ajustes;
    std::function<bool()> m_modoDiseno;
    EntradaEscaner m_escaner;
    TeclasEscaneo m_teclas;
    bool m_empresaAbierta = false;
    bool m_conectando = false;
    int m_secuencia = 0; // the scan whose answer the display waits for; 0 when none
    int m_recarga = 0;   // the reload whose settings are awaited; 0 when none
    int m_segundosInactivo = 0;
    bool m_tecleoAlTic = false; // the key box held typed text at the idle timer's last tick
    int m_listaEscaparate = 0;
};
