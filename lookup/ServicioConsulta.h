#pragma once

#include "data/ConfigEmpresa.h"
#include "firebird/values/Decimal.h"
#include "layout/FuenteConColor.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ConsultasEscaparate.h"
#include "lookup/FilasLeidas.h"
#include "rules/AjustesConsulta.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

class QThread;
class Tdm;
class TrabajadorConsulta;

// What the display shows for one scan, read whole on the service's thread.
struct RespuestaConsulta {
    enum class Estado {
        Encontrado,
        NoEncontrado,   // the usual beep or catalogue search
        CodigoNoValido, // a misread code or scale label
        SinRespuesta,   // the server did not answer within the deadline
        SinServidor,    // the connection is lost and could not be opened again
        Fallo,          // any other failure; its text is in `detalle`
    };
    int secuencia = 0;
    Estado estado = Estado::NoEncontrado;
    QString clave; // the text that was looked up (the catalogue search takes it on a miss)
    ArticuloEncontrado articulo;
    QString etiqueta;             // a scale label's reading ("0.750 kg · $58.99"); empty for any other key
    fb::Decimal precioNeto{0, 0}; // of the chosen price row; 0 without one
    int filaPrecio = -1;          // the configured price list's row, else the first; -1 without rows
    FilasLeidas precios, volumen, combos, existe, claves;
    QString detalle; // the failure's own text, for the log and the operator's tool tip
    QString mensaje; // a failure the customer can act on, in Spanish (a key the database cannot take)
};

// The company's settings as a reload on the service's thread read them: the lookup settings, the
// fonts of the article name and the net price, and the showcase's rows. A failed reload hands
// back nothing of what it read: `fallo` holds the failure's text and the rest is as it was asked.
struct AjustesCargados {
    int secuencia = 0;
    AjustesConsulta ajustes;
    FuenteConColor nombre;
    FuenteConColor precio;
    ConfigEmpresa::Escaparate escaparate;
    QString fallo;
};

// The service's deadline passed: the call is abandoned with its attachment.
class SinRespuestaServidor : public std::runtime_error {
public:
    SinRespuestaServidor();
};

// What a failure that reached a caller was: the deadline passed (SinRespuestaServidor), or the
// attachment itself is gone (server down, network lost).
bool esSinRespuesta(const std::exception_ptr& fallo);
bool conexionPerdida(const std::exception_ptr& fallo);

// The station's work on the company database during operation: the lookup of a scan with the
// grids' rows (one statement through a read-only transaction kept open, so one round trip), the
// idle clearing's commit and the showcase's rounds. It runs on a thread of its
// own, on an attachment of its own opened with the data module's company parameters, so the
// window thread never waits on the server. Each call has a deadline: a call the server leaves
// unanswered is abandoned together with its thread and attachment (the thread is never joined;
// it ends by itself if the server ever answers), the caller hears "no answer", and a new
// attachment is opened in the background, one attempt at a time, with growing pauses between
// failed ones. Results arrive as signals on the window's thread; of several scans only the
// newest is answered.
class ServicioConsulta : public QObject {
    Q_OBJECT
public:
    // `pausas` gives the milliseconds to wait after failed attempt n (1, 2, …).
    ServicioConsulta(Tdm& dm, std::function<int(int)> pausas, QObject* parent = nullptr);
    // Never waits on a worker the server holds; an idle one is ended and its attachment detached.
    ~ServicioConsulta() override;

    // Opens the service's attachment in the background with the data module's company parameters
    // as they are now (after the company database was opened); drops any previous one.
    void abrir();
    // Closes the attachment and forgets every pending call (the company was closed).
    void cerrar();
    bool abierto() const noexcept { return m_trabajador != nullptr; }

    void setPlazo(int milisegundos) { m_plazoMs = milisegundos; }
    int plazo() const noexcept { return m_plazoMs; }

    // A scan: the key as typed (exact key, then its equivalent forms and scale labels), or an
    // article chosen by id with the key to show. Returns the scan's sequence number; the answer
    // comes through respuesta() unless a newer scan is asked first.
    int buscar(const QString& clave, const AjustesConsulta& ajustes);
    int buscarPorId(int articuloId, const QString& clave, const AjustesConsulta& ajustes);
    // The idle clearing: commits the service's read-write transaction when one is open (a settings
    // reload leaves one), so the idle station holds none open. The lookups' read-only transaction
    // is kept: it holds back no garbage collection and sees every commit.
    void confirmar();
    // One showcase round; the cards arrive through ronda(), an empty round on any failure.
    void pedirRonda(const AjustesConsulta& ajustes, int listaPrecios);

    // Reloads the company's settings (cargarAjustesPantalla) on the service's attachment, starting
    // from the ones given; they arrive through ajustesCargados(), as they were with `fallo` set
    // when the reload fails or the deadline passes. Returns the reload's sequence number.
    int cargarAjustes(const AjustesConsulta& ajustes, const FuenteConColor& nombre, const FuenteConColor& precio);
    // Called by a long piece of work as it goes (rows arriving): each call gives it the whole
    // deadline again, so only a server that stops answering makes it expire.
    using Latido = std::function<void()>;
    // Work of the caller's own on the service's attachment (opened first when the last attempt
    // failed; run again whole after a lost connection, so it starts its own transactions). `fin`
    // always comes, on this thread: with no failure, with SinRespuestaServidor once the deadline
    // passed, or with the failure itself; a lost connection is opened again in the background.
    void ejecutar(std::function<void(Tdm&, const Latido&)> trabajo, std::function<void(std::exception_ptr)> fin);
    // The company parameters the attachment was opened with (empty before abrir()).
    const QStringList& parametros() const noexcept { return m_parametros; }

    // Calls asked and not answered yet (an attempt to attach included).
    bool ocupado() const noexcept { return !m_pendientes.empty(); }
    // The server has not answered the last call within the deadline and has not answered since.
    bool sinRespuesta() const noexcept { return m_sinRespuesta; }

signals:
    void respuesta(const RespuestaConsulta& respuesta);
    void ronda(const std::vector<TarjetaEscaparate>& tarjetas);
    void ajustesCargados(const AjustesCargados& cargados);
    // The attachment is being opened again: attempt n failed (or the server went silent), with the
    // engine's own text; `intento` 0 says the server answers again.
    void conexionServidor(int intento, const QString& detalle);

private:
    friend class TrabajadorConsulta;
    // The tests read the worker's statements and transaction while it is idle.
    friend class TestPresentacion;
    friend class TestServicioConsulta;
    friend class TestConsultaUnica;
    Tdm* datosTrabajador() const;
    struct Tarea {
        std::uint64_t id = 0;
        std::function<void(Tdm&)> trabajo; // on the worker's thread
        std::atomic<bool> cancelada{false};
        bool conexion = false; // an attempt to open the attachment
    };
    struct Pendiente {
        std::shared_ptr<Tarea> tarea;
        std::function<void(std::exception_ptr)> fin; // on this thread
        qint64 vence = 0;                            // ms since the service's clock started
        // The work's last sign of life (same clock; 0 none): the deadline runs from there.
        std::shared_ptr<std::atomic<qint64>> latido;
    };

    void encolar(std::function<void(Tdm&)> trabajo, std::function<void(std::exception_ptr)> fin, bool conexion = false,
                 std::shared_ptr<std::atomic<qint64>> latido = {});
    void hecho(std::uint64_t generacion, std::uint64_t id, std::exception_ptr fallo);
    void revisarPlazos();
    void programarRevision();
    // Leaves the current worker to its fate and starts a new one with an attempt to attach.
    void abandonar();
    void nuevoTrabajador();
    void intentarConexion();
    void conexionLista(std::exception_ptr fallo);
    void soltar(bool esperar);

    Tdm& m_dm;
    std::function<int(int)> m_pausas;
    QStringList m_parametros;
    int m_plazoMs = 2000;
    int m_secuencia = 0;
    int m_secuenciaAjustes = 0;
    std::uint64_t m_siguienteId = 0;
    std::uint64_t m_generacion = 0;
    QThread* m_hilo = nullptr;
    TrabajadorConsulta* m_trabajador = nullptr;
    std::map<std::uint64_t, Pendiente> m_pendientes;
    QTimer m_plazos;
    QTimer m_reintento;
    qint64 m_reloj0 = 0;
    std::uint64_t m_ultimaTarea = 0;
    std::uint64_t m_consulta = 0;                          // the newest scan's call while it is pending
    int m_intento = 0;                                     // failed attempts since the server last answered
    bool m_intentando = false;                             // an attempt to attach is queued or running
    std::uint64_t m_idIntento = 0;                         // that attempt's call
    std::shared_ptr<std::atomic<std::uint64_t>> m_enCurso; // the worker's running call
    bool m_sinRespuesta = false;
};

Q_DECLARE_METATYPE(RespuestaConsulta)
Q_DECLARE_METATYPE(AjustesCargados)
