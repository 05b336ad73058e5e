#include "ServicioConsulta.h"

#include "data/uDM.h"
#include "firebird/Error.h"
#include "lookup/BusquedaCodigo.h"
#include "lookup/CargarInfo.h"
#include "lookup/ConsultaUnica.h"
#include "platform/Registro.h"
#include "rules/EtiquetaBascula.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <limits>

// Runs the service's calls, one at a time, on its own thread and its own data module (attachment,
// transaction, prepared statements). Lives on that thread and is deleted there when it ends.
class TrabajadorConsulta : public QObject {
    Q_OBJECT
public:
    TrabajadorConsulta(const QString& rutaConfig, std::shared_ptr<std::atomic<std::uint64_t>> enCurso)
        : m_dm(std::make_unique<Tdm>(rutaConfig))
        , m_enCurso(std::move(enCurso))
    {
    }

    Tdm& dm() { return *m_dm; }

    // The data module's goodbye (its transactions, its attachment) may wait on a server that
    // holds still: it is said here, while the thread still runs. Said in the thread's finish,
    // after QThread::finished, it would make the window thread's deletion of the QThread wait
    // on that server too.
    void terminar()
    {
        m_dm.reset();
        QThread::currentThread()->quit();
    }

    void ejecutar(const std::shared_ptr<ServicioConsulta::Tarea>& tarea)
    {
        // A call the service already answered (a newer scan, a deadline) is not run at all.
        if (tarea->cancelada.load() || !m_dm)
            return;
        std::exception_ptr fallo;
        m_enCurso->store(tarea->id);
        try {
            tarea->trabajo(*m_dm);
        } catch (...) {
            fallo = std::current_exception();
        }
        m_enCurso->store(0);
        emit hecho(tarea->id, fallo);
    }

signals:
    void hecho(quint64 id, std::exception_ptr fallo);

private:
    std::unique_ptr<Tdm> m_dm;
    std::shared_ptr<std::atomic<std::uint64_t>> m_enCurso; // the call running now; 0 between calls
};

namespace {

QElapsedTimer& reloj()
{
    static QElapsedTimer r = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return r;
}

int columna(const FilasLeidas& f, const QString& nombre)
{
    for (int i = 0; i < f.columnas.size(); ++i)
        if (f.columnas[i].compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The configured price list's row, else the first one; -1 without rows.
int filaPrecio(const FilasLeidas& precios, int precioEmpresaId)
{
    const int c = columna(precios, QStringLiteral("PRECIO_EMPRESA_ID"));
    if (c >= 0) {
        for (size_t i = 0; i < precios.filas.size(); ++i) {
            const fb::Value& v = precios.filas[i][static_cast<size_t>(c)];
            if (!v.isNull() && std::holds_alternative<std::int64_t>(v.storage()) && v.toInt64() == precioEmpresaId)
                return static_cast<int>(i);
        }
    }
    return precios.filas.empty() ? -1 : 0;
}

fb::Decimal precioNeto(const FilasLeidas& precios, int fila)
{
    const int c = columna(precios, QStringLiteral("PRECION"));
    if (fila < 0 || c < 0)
        return fb::Decimal{0, 0};
    const fb::Value& v = precios.filas[static_cast<size_t>(fila)][static_cast<size_t>(c)];
    return v.isNull() ? fb::Decimal{0, 0} : v.toDecimal();
}

// The whole lookup of one scan, as one operation: after a lost connection it runs again from its start.
void consultar(Tdm& dm, const QStringList& parametros, int articuloId, const AjustesConsulta& ajustes,
               RespuestaConsulta& r)
{
    // A worker whose last attempt failed opens its attachment first; a refusal is quick.
    if (!dm.fdConexion.isOpen())
        dm.conectarEmpresa(parametros);
    // The exact key wins; only then the code's other forms and the scale labels, which travel with
    // it in the same statement. A code whose every label reading is a misread has none.
    const PlanCodigo plan = articuloId == 0 ? planCodigo(r.clave, ajustes.Etiquetas) : PlanCodigo{};
    dm.conReconexion([&] {
        // Kept from one scan to the next: no commit and start around each lookup.
        if (!dm.fdLectura.isActive())
            dm.fdLectura.start();
        FilasArticulo f = consultarArticulo(dm.fdConsulta, articuloId, r.clave, plan.candidatos, ajustes);
        std::optional<etiqueta::Lectura> lectura;
        if (articuloId == 0 && (!f.articulo || f.porCandidato)) {
            ResultadoCodigo c = resolverCodigo(plan, r.clave, std::move(f.articulo));
            if (c.tipo == ResultadoCodigo::Tipo::CodigoNoValido) {
                r.estado = RespuestaConsulta::Estado::CodigoNoValido;
                return;
            }
            f.articulo = std::move(c.articulo);
            lectura = std::move(c.etiqueta);
        }
        if (!f.articulo) {
            r.estado = RespuestaConsulta::Estado::NoEncontrado;
            return;
        }
        r.precios = std::move(f.precios);
        r.filaPrecio = filaPrecio(r.precios, ajustes.PrecioEmpresaId);
        r.precioNeto = precioNeto(r.precios, r.filaPrecio);
        r.existe = std::move(f.existe);
        r.volumen = std::move(f.volumen);
        r.claves = std::move(f.claves);
        r.combos = std::move(f.combos);
        r.etiqueta = lectura ? etiqueta::texto(*lectura, r.precioNeto) : QString();
        r.articulo = std::move(*f.articulo);
        r.estado = RespuestaConsulta::Estado::Encontrado;
    });
}

// The Firebird layer's own refusals (no engine code) are Spanish and about the input.
QString mensajePropio(const std::exception_ptr& fallo)
{
    try {
        std::rethrow_exception(fallo);
    } catch (const fb::Error& e) {
        return e.gdsCode() == 0 ? QString::fromUtf8(e.what()) : QString();
    } catch (...) {
        return QString();
    }
}

} // namespace

bool conexionPerdida(const std::exception_ptr& fallo)
{
    try {
        std::rethrow_exception(fallo);
    } catch (const fb::Error& e) {
        return e.isConnectionLost();
    } catch (...) {
        return false;
    }
}

bool esSinRespuesta(const std::exception_ptr& fallo)
{
    try {
        std::rethrow_exception(fallo);
    } catch (const SinRespuestaServidor&) {
        return true;
    } catch (...) {
        return false;
    }
}

SinRespuestaServidor::SinRespuestaServidor()
    : std::runtime_error("El servidor de la base de datos no respondió a tiempo.")
{
}

ServicioConsulta::ServicioConsulta(Tdm& dm, std::function<int(int)> pausas, QObject* parent)
    : QObject(parent)
    , m_dm(dm)
    , m_pausas(std::move(pausas))
{
    qRegisterMetaType<std::exception_ptr>("std::exception_ptr");
    qRegisterMetaType<RespuestaConsulta>();
    qRegisterMetaType<AjustesCargados>();
    m_plazos.setSingleShot(true);
    connect(&m_plazos, &QTimer::timeout, this, &ServicioConsulta::revisarPlazos);
    m_reintento.setSingleShot(true);
    connect(&m_reintento, &QTimer::timeout, this, &ServicioConsulta::intentarConexion);
    reloj();
}

ServicioConsulta::~ServicioConsulta()
{
    soltar(true);
    // A server that holds a call would hold the data module's detaching too: its attachment is
    // let go without a word, and the client library's shutdown (with its time limit) does the rest.
    if (m_sinRespuesta)
        m_dm.fdConexion.abandon();
}

Tdm* ServicioConsulta::datosTrabajador() const
{
    return m_trabajador ? &m_trabajador->dm() : nullptr;
}

void ServicioConsulta::abrir()
{
    soltar(true);
    m_parametros = m_dm.fdConexion.params();
    m_intento = 0;
    m_sinRespuesta = false;
    nuevoTrabajador();
    intentarConexion();
}

void ServicioConsulta::cerrar()
{
    soltar(true);
}

void ServicioConsulta::soltar(bool esperar)
{
    m_plazos.stop();
    m_reintento.stop();
    m_intentando = false;
    for (auto& [id, p] : m_pendientes)
        p.tarea->cancelada = true;
    m_pendientes.clear();
    if (!m_trabajador)
        return;
    disconnect(m_trabajador, nullptr, this, nullptr);
    QThread* hilo = std::exchange(m_hilo, nullptr);
    TrabajadorConsulta* t = std::exchange(m_trabajador, nullptr);
    QMetaObject::invokeMethod(t, &TrabajadorConsulta::terminar, Qt::QueuedConnection);
    // A worker the server holds is never waited for; it ends by itself if the server ever
    // answers. Any other finishes its call within the deadline and detaches; one that does not
    // has met a silent server.
    if (esperar && !m_sinRespuesta) {
        if (hilo->wait(QDeadlineTimer(m_plazoMs)))
            delete hilo;
        else
            m_sinRespuesta = true;
    }
}

void ServicioConsulta::nuevoTrabajador()
{
    ++m_generacion;
    // No parent: an abandoned thread outlives the service, and deletes itself once it ends.
    auto* hilo = new QThread;
    hilo->setObjectName(QStringLiteral("ServicioConsulta"));
    m_enCurso = std::make_shared<std::atomic<std::uint64_t>>(0);
    auto* trabajador = new TrabajadorConsulta(m_dm.config().ruta(), m_enCurso);
    trabajador->moveToThread(hilo);
    // Its data module too (not a child): every call and its deletion happen on that thread.
    trabajador->dm().moveToThread(hilo);
    connect(hilo, &QThread::finished, trabajador, &QObject::deleteLater);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    const std::uint64_t generacion = m_generacion;
    connect(trabajador, &TrabajadorConsulta::hecho, this,
            [this, generacion](quint64 id, std::exception_ptr fallo) { hecho(generacion, id, std::move(fallo)); });
    hilo->start();
    m_hilo = hilo;
    m_trabajador = trabajador;
}

void ServicioConsulta::encolar(std::function<void(Tdm&)> trabajo, std::function<void(std::exception_ptr)> fin,
                               bool conexion, std::shared_ptr<std::atomic<qint64>> latido)
{
    if (!m_trabajador) {
        fin(std::make_exception_ptr(fb::Error("No hay una empresa abierta.")));
        return;
    }
    auto tarea = std::make_shared<Tarea>();
    tarea->id = ++m_siguienteId;
    tarea->trabajo = std::move(trabajo);
    tarea->conexion = conexion;
    const qint64 vence = conexion ? std::numeric_limits<qint64>::max() : reloj().elapsed() + m_plazoMs;
    m_pendientes.emplace(tarea->id, Pendiente{tarea, std::move(fin), vence, std::move(latido)});
    m_ultimaTarea = tarea->id;
    TrabajadorConsulta* t = m_trabajador;
    QMetaObject::invokeMethod(
        t, [t, tarea] { t->ejecutar(tarea); }, Qt::QueuedConnection);
    programarRevision();
}

void ServicioConsulta::programarRevision()
{
    qint64 proximo = std::numeric_limits<qint64>::max();
    for (auto& [id, p] : m_pendientes) {
        if (p.latido && p.latido->load() > 0)
            p.vence = std::max(p.vence, p.latido->load() + m_plazoMs);
        proximo = std::min(proximo, p.vence);
    }
    if (proximo == std::numeric_limits<qint64>::max()) {
        m_plazos.stop();
        return;
    }
    m_plazos.start(static_cast<int>(std::max<qint64>(0, proximo - reloj().elapsed())));
}

void ServicioConsulta::hecho(std::uint64_t generacion, std::uint64_t id, std::exception_ptr fallo)
{
    if (generacion != m_generacion)
        return;
    const auto it = m_pendientes.find(id);
    if (it == m_pendientes.end())
        return;
    Pendiente p = std::move(it->second);
    m_pendientes.erase(it);
    programarRevision();
    if (!p.tarea->conexion && !(fallo && conexionPerdida(fallo)))
        m_sinRespuesta = false;
    p.fin(std::move(fallo));
}

void ServicioConsulta::revisarPlazos()
{
    const qint64 ahora = reloj().elapsed();
    std::vector<Pendiente> vencidas;
    for (auto it = m_pendientes.begin(); it != m_pendientes.end();) {
        if (const auto& latido = it->second.latido; latido && latido->load() > 0)
            it->second.vence = std::max(it->second.vence, latido->load() + m_plazoMs);
        if (it->second.vence <= ahora) {
            it->second.tarea->cancelada = true;
            vencidas.push_back(std::move(it->second));
            it = m_pendientes.erase(it);
        } else {
            ++it;
        }
    }
    if (vencidas.empty()) {
        programarRevision();
        return;
    }
    m_sinRespuesta = true;
    platform::logLine(QStringLiteral("El servidor no respondió en %1 ms; la consulta se abandona.").arg(m_plazoMs));
    // An attempt to attach that hangs is left to finish: the calls queued behind it are answered
    // now and skipped when their turn comes. Any other call holds the worker for good, an attempt
    // queued behind it too.
    if (!(m_intentando && m_enCurso && m_enCurso->load() == m_idIntento))
        abandonar();
    programarRevision();
    emit conexionServidor(m_intento + 1, QStringLiteral("El servidor no respondió en %1 ms.").arg(m_plazoMs));
    for (Pendiente& p : vencidas)
        p.fin(std::make_exception_ptr(SinRespuestaServidor()));
}

void ServicioConsulta::abandonar()
{
    std::vector<Pendiente> resto;
    for (auto& [id, p] : m_pendientes) {
        p.tarea->cancelada = true;
        resto.push_back(std::move(p));
    }
    m_pendientes.clear();
    soltar(false);
    nuevoTrabajador();
    intentarConexion();
    for (Pendiente& p : resto)
        p.fin(std::make_exception_ptr(SinRespuestaServidor()));
}

void ServicioConsulta::intentarConexion()
{
    if (m_intentando || !m_trabajador)
        return;
    m_intentando = true;
    const QStringList parametros = m_parametros;
    encolar(
        [parametros](Tdm& dm) {
            dm.conectarEmpresa(parametros);
            // The lookups' transaction, ready before the first scan.
            dm.fdLectura.start();
        },
        [this](std::exception_ptr fallo) { conexionLista(std::move(fallo)); }, true);
    m_idIntento = m_ultimaTarea;
}

void ServicioConsulta::conexionLista(std::exception_ptr fallo)
{
    m_intentando = false;
    if (!fallo) {
        const bool avisado = m_intento > 0 || m_sinRespuesta;
        m_intento = 0;
        m_sinRespuesta = false;
        if (avisado)
            emit conexionServidor(0, QString());
        return;
    }
    ++m_intento;
    const QString detalle = platform::describe(fallo);
    platform::logLine(QStringLiteral("Conexión con el servidor, intento %1: %2").arg(m_intento).arg(detalle));
    emit conexionServidor(m_intento, detalle);
    m_reintento.start(m_pausas ? m_pausas(m_intento) : 1000);
}

int ServicioConsulta::buscar(const QString& clave, const AjustesConsulta& ajustes)
{
    return buscarPorId(0, clave, ajustes);
}

int ServicioConsulta::buscarPorId(int articuloId, const QString& clave, const AjustesConsulta& ajustes)
{
    const int secuencia = ++m_secuencia;
    auto r = std::make_shared<RespuestaConsulta>();
    r->secuencia = secuencia;
    r->clave = clave;
    // An older scan not yet under way is not run; one under way keeps its place (and the
    // worker) until it answers or the newer scan's deadline passes.
    if (const auto it = m_pendientes.find(m_consulta); it != m_pendientes.end()) {
        it->second.tarea->cancelada = true;
        m_pendientes.erase(it);
    }
    const QStringList parametros = m_parametros;
    encolar([r, parametros, articuloId, ajustes](Tdm& dm) { consultar(dm, parametros, articuloId, ajustes, *r); },
            [this, r, secuencia, clave](std::exception_ptr fallo) {
                // Of several scans only the newest is shown.
                if (secuencia != m_secuencia)
                    return;
                if (!fallo) {
                    emit respuesta(*r);
                    return;
                }
                // A fresh answer: past a deadline the abandoned worker may still be filling `r`.
                RespuestaConsulta f;
                f.secuencia = secuencia;
                f.clave = clave;
                f.detalle = platform::describe(fallo);
                if (esSinRespuesta(fallo)) {
                    f.estado = RespuestaConsulta::Estado::SinRespuesta;
                } else if (conexionPerdida(fallo)) {
                    f.estado = RespuestaConsulta::Estado::SinServidor;
                    platform::logLine(f.detalle);
                    // The attachment is gone: it is opened again in the background.
                    m_sinRespuesta = false;
                    intentarConexion();
                } else {
                    f.estado = RespuestaConsulta::Estado::Fallo;
                    f.mensaje = mensajePropio(fallo);
                    platform::logLine(f.detalle);
                }
                emit respuesta(f);
            });
    m_consulta = m_ultimaTarea;
    return secuencia;
}

void ServicioConsulta::confirmar()
{
    encolar([](Tdm& dm) { dm.confirmarTransaccion(); },
            [](std::exception_ptr fallo) {
                // The idle clearing has nobody to tell; the next scan finds out for itself.
                if (fallo && !esSinRespuesta(fallo))
                    platform::logLine(platform::describe(fallo));
            });
}

void ServicioConsulta::pedirRonda(const AjustesConsulta& ajustes, int listaPrecios)
{
    auto tarjetas = std::make_shared<std::vector<TarjetaEscaparate>>();
    encolar(
        [tarjetas, ajustes, listaPrecios](Tdm& dm) {
            if (!dm.fdConexion.isOpen())
                return;
            // The idle station holds no transaction open between rounds.
            dm.asegurarTransaccion();
            const auto confirmar = [&] {
                try {
                    dm.confirmarTransaccion();
                } catch (...) {
                }
            };
            try {
                *tarjetas = escaparate::leerCombos(dm.fdVarios);
                for (TarjetaEscaparate& t : escaparate::leerLista(dm.fdVarios, ajustes, listaPrecios))
                    tarjetas->push_back(std::move(t));
            } catch (...) {
                confirmar();
                throw;
            }
            confirmar();
        },
        [this, tarjetas](std::exception_ptr fallo) {
            if (fallo) {
                if (!esSinRespuesta(fallo))
                    platform::logLine(platform::describe(fallo));
                // Not `tarjetas`: past a deadline the abandoned worker may still be filling it.
                emit ronda({});
                return;
            }
            emit ronda(*tarjetas);
        });
}

int ServicioConsulta::cargarAjustes(const AjustesConsulta& ajustes, const FuenteConColor& nombre,
                                    const FuenteConColor& precio)
{
    const int secuencia = ++m_secuenciaAjustes;
    auto pedidos = std::make_shared<AjustesCargados>(AjustesCargados{secuencia, ajustes, nombre, precio, {}, {}});
    auto leidos = std::make_shared<AjustesCargados>(*pedidos);
    const QStringList parametros = m_parametros;
    encolar(
        [leidos, parametros](Tdm& dm) {
            if (!dm.fdConexion.isOpen())
                dm.conectarEmpresa(parametros);
            leidos->escaparate = cargarAjustesPantalla(dm, leidos->ajustes, leidos->nombre, leidos->precio);
        },
        [this, pedidos, leidos](std::exception_ptr fallo) {
            if (!fallo) {
                emit ajustesCargados(*leidos);
                return;
            }
            // Half a load is never applied: the settings stay as they were.
            pedidos->fallo = platform::describe(fallo);
            if (conexionPerdida(fallo)) {
                m_sinRespuesta = false;
                intentarConexion();
            }
            platform::logLine(pedidos->fallo);
            emit ajustesCargados(*pedidos);
        });
    return secuencia;
}

void ServicioConsulta::ejecutar(std::function<void(Tdm&, const Latido&)> trabajo,
                                std::function<void(std::exception_ptr)> fin)
{
    auto latido = std::make_shared<std::atomic<qint64>>(0);
    const QStringList parametros = m_parametros;
    encolar(
        [trabajo = std::move(trabajo), latido, parametros](Tdm& dm) {
            // Its deadline runs from its start, not from the calls queued before it.
            const Latido latir = [latido] { latido->store(std::max<qint64>(1, reloj().elapsed())); };
            latir();
            if (!dm.fdConexion.isOpen())
                dm.conectarEmpresa(parametros);
            dm.conReconexion([&] { trabajo(dm, latir); });
        },
        [this, fin = std::move(fin)](std::exception_ptr fallo) {
            if (fallo && !esSinRespuesta(fallo) && conexionPerdida(fallo)) {
                platform::logLine(platform::describe(fallo));
                m_sinRespuesta = false;
                intentarConexion();
            }
            fin(std::move(fallo));
        },
        false, latido);
}

#include "ServicioConsulta.moc"
