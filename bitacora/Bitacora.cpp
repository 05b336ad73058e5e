#include "Bitacora.h"

#include "data/ConfigEmpresa.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/Registro.h"

#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

// What the window thread and the writer's thread share. It outlives the log when a writer held by
// a silent server is let go.
struct Bitacora::Compartido {
    struct Fila {
        quint64 id = 0;
        QDateTime fechaHora;
        QString clave;
        char resultado = 'N';
        std::optional<int> articuloId;
    };
    explicit Compartido(int limite)
        : limite(limite)
    {
    }
    mutable std::mutex m;
    std::deque<Fila> cola;
    quint64 siguiente = 1;
    qint64 descartadas = 0;
    qint64 descartadasDichas = 0; // already in the log
    const int limite;
    std::atomic<bool> ocupado{false};         // the writer is inside a call
    std::atomic<bool> escrituraPedida{false}; // a batch is posted and has not started
    std::atomic<bool> latidoPedido{false};
    // The writer that may take rows: one let go (the log turned off) finishes its batch and stops.
    std::atomic<quint64> generacion{0};
};

namespace {

constexpr int kFilasPorLote = 1000;
constexpr int kEsperaFinalMs = 2000;

const QString kSqlInsertar =
    QStringLiteral("INSERT INTO ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO, ARTICULO_ID) "
                   "VALUES (:fecha, :estacion, :clave, :resultado, :articulo)");
// LATIDO is the server's time, so stations whose clocks differ still compare.
const QString kSqlLatido = QStringLiteral(
    "UPDATE OR INSERT INTO ZANTOR_LMV_ESTACIONES (ESTACION, HOST, VERSION_PROGRAMA, EMPRESA, INICIO, LATIDO, "
    "ULTIMA_CONSULTA, ULTIMO_ERROR, KIOSCO, INDICE_LISTO) VALUES (:estacion, :host, :version, :empresa, :inicio, "
    "CURRENT_TIMESTAMP, :ultima, :error, :kiosco, :indice) MATCHING (ESTACION)");
// Small deletes, each committed, so the clean-up never holds a long transaction on a shop's server.
const QString kSqlDepurar = QStringLiteral("EXECUTE BLOCK RETURNS (BORRADAS INTEGER) AS BEGIN "
                                           "DELETE FROM ZANTOR_LMV_CONSULTAS WHERE FECHA_HORA < CURRENT_TIMESTAMP - %1 "
                                           "ROWS %2; BORRADAS = ROW_COUNT; SUSPEND; END");

// The connection speaks ISO8859_1: what it cannot carry becomes '?', cut to the column's length.
QString texto(const QString& t, int largo)
{
    QString r = t.left(largo);
    for (QChar& c : r)
        if (c.unicode() > 0xFF)
            c = u'?';
    return r;
}

fb::Value textoONulo(const QString& t, int largo)
{
    return t.isEmpty() ? fb::Value() : fb::Value(texto(t, largo));
}

} // namespace

// The heartbeat's content, taken on the window thread.
struct EstadoLatido {
    Bitacora::Estacion estacion;
    int dias = 0;
    QDateTime inicio;
    QDateTime ultimaConsulta;
    QString ultimoError;
    bool indiceListo = false;
};

// Lives on the log's thread with its attachment; every call runs there, one at a time.
class EscritorBitacora : public QObject {
    Q_OBJECT
public:
    EscritorBitacora(std::shared_ptr<Bitacora::Compartido> c, int loteDepuracion)
        : m_c(std::move(c))
        , m_loteDepuracion(loteDepuracion)
        , m_generacion(m_c->generacion.load())
    {
    }

    void escribir(const QString& estacion, const QStringList& parametros)
    {
        m_c->escrituraPedida = false;
        Ocupado ocupado(*m_c);
        if (!hayFilas())
            return decirDescartadas();
        intentar(parametros, [&] {
            while (m_c->generacion.load() == m_generacion) {
                std::vector<Bitacora::Compartido::Fila> lote;
                {
                    std::lock_guard bloqueo(m_c->m);
                    for (size_t i = 0; i < m_c->cola.size() && lote.size() < kFilasPorLote; ++i)
                        lote.push_back(m_c->cola[i]);
                }
                if (lote.empty())
                    break;
                m_transaccion.start();
                m_insertar.setSql(kSqlInsertar);
                for (const auto& f : lote) {
                    m_insertar.setParam(QStringLiteral("fecha"), f.fechaHora);
                    m_insertar.setParam(QStringLiteral("estacion"), estacion);
                    m_insertar.setParam(QStringLiteral("clave"), f.clave);
                    m_insertar.setParam(QStringLiteral("resultado"), QString(QLatin1Char(f.resultado)));
                    m_insertar.setParam(QStringLiteral("articulo"),
                                        f.articuloId ? fb::Value(*f.articuloId) : fb::Value());
                    m_insertar.execute();
                }
                m_transaccion.commit();
                // The rows written leave the queue; any the bound dropped meanwhile are gone already.
                {
                    std::lock_guard bloqueo(m_c->m);
                    const quint64 ultimo = lote.back().id;
                    while (!m_c->cola.empty() && m_c->cola.front().id <= ultimo)
                        m_c->cola.pop_front();
                }
                emit escritas(static_cast<int>(lote.size()));
            }
        });
        decirDescartadas();
    }

    void latir(const EstadoLatido& e)
    {
        m_c->latidoPedido = false;
        Ocupado ocupado(*m_c);
        const bool escrito = intentar(e.estacion.parametros, [&] {
            m_transaccion.start();
            m_latido.setSql(kSqlLatido);
            m_latido.setParam(QStringLiteral("estacion"), texto(e.estacion.nombre, Bitacora::kLargoClave));
            m_latido.setParam(QStringLiteral("host"), textoONulo(e.estacion.host, 255));
            m_latido.setParam(QStringLiteral("version"), textoONulo(e.estacion.version, 30));
            m_latido.setParam(QStringLiteral("empresa"), textoONulo(e.estacion.empresa, 100));
            m_latido.setParam(QStringLiteral("inicio"), e.inicio);
            m_latido.setParam(QStringLiteral("ultima"), e.ultimaConsulta);
            m_latido.setParam(QStringLiteral("error"), textoONulo(e.ultimoError, 200));
            m_latido.setParam(QStringLiteral("kiosco"), e.estacion.kiosco ? QStringLiteral("S") : QStringLiteral("N"));
            m_latido.setParam(QStringLiteral("indice"), e.indiceListo ? QStringLiteral("S") : QStringLiteral("N"));
            m_latido.execute();
            m_transaccion.commit();
        });
        if (!escrito)
            return;
        emit latido();
        // Once a day per station at most: the claim decides which one of them cleans up.
        const QDate hoy = QDate::currentDate();
        if (m_diaDepuracion == hoy)
            return;
        bool reclamada = false;
        int borradas = 0;
        const bool hecho = intentar(e.estacion.parametros, [&] {
            m_transaccion.start();
            try {
                reclamada = ConfigEmpresa(m_trabajo).reclamarDepuracion();
                m_transaccion.commit();
            } catch (const fb::Error& error) {
                if (error.isConnectionLost())
                    throw;
                // Another station holds the row: the day is theirs.
                m_transaccion.rollback();
                reclamada = false;
            }
            m_diaDepuracion = hoy;
            if (!reclamada)
                return;
            const QString sql = kSqlDepurar.arg(e.dias).arg(m_loteDepuracion);
            for (;;) {
                m_transaccion.start();
                m_trabajo.setSql(sql);
                m_trabajo.open();
                const int n = m_trabajo.next() ? m_trabajo.value(0).toInt() : 0;
                m_trabajo.close();
                m_transaccion.commit();
                borradas += n;
                if (n < m_loteDepuracion)
                    break;
            }
        });
        if (hecho || reclamada) {
            if (reclamada && borradas > 0)
                platform::logLine(QStringLiteral("Registro de consultas: %1 filas de más de %2 días borradas.")
                                      .arg(borradas)
                                      .arg(e.dias));
            emit depuracion(reclamada, borradas);
        }
    }

    void cerrar() { m_conexion.close(); }

signals:
    void escritas(int filas);
    void latido();
    void depuracion(bool reclamada, int filas);
    void falla(const QString& detalle);

private:
    struct Ocupado {
        explicit Ocupado(Bitacora::Compartido& c)
            : c(c)
        {
            c.ocupado = true;
        }
        ~Ocupado() { c.ocupado = false; }
        Ocupado(const Ocupado&) = delete;
        Ocupado& operator=(const Ocupado&) = delete;
        Bitacora::Compartido& c;
    };

    bool hayFilas() const
    {
        std::lock_guard bloqueo(m_c->m);
        return !m_c->cola.empty();
    }

    // Runs the work on the attachment (opened first when needed). A failure rolls its transaction
    // back, is said once in the log (the same failure again is not repeated) and returns false; a
    // lost attachment is closed, to be opened again on the next call.
    template <typename F> bool intentar(const QStringList& parametros, F&& trabajo)
    {
        try {
            if (!m_conexion.isOpen() || m_conexion.params() != parametros) {
                m_conexion.setParams(parametros);
                m_conexion.open();
            }
            trabajo();
            m_ultimaFalla.clear();
            return true;
        } catch (const std::exception& error) {
            const QString detalle = QString::fromUtf8(error.what());
            const auto* fb = dynamic_cast<const fb::Error*>(&error);
            if (fb && fb->isConnectionLost()) {
                m_conexion.close();
            } else if (m_transaccion.isActive()) {
                try {
                    m_transaccion.rollback();
                } catch (const fb::Error&) {
                    m_conexion.close();
                }
            }
            if (detalle != m_ultimaFalla)
                platform::logLine(
                    QStringLiteral("Registro de consultas: no se pudo escribir; se intentará de nuevo. ") + detalle);
            m_ultimaFalla = detalle;
            emit falla(detalle);
            return false;
        }
    }

    void decirDescartadas()
    {
        qint64 nuevas = 0;
        qint64 total = 0;
        {
            std::lock_guard bloqueo(m_c->m);
            nuevas = m_c->descartadas - m_c->descartadasDichas;
            total = m_c->descartadas;
            m_c->descartadasDichas = m_c->descartadas;
        }
        if (nuevas > 0)
            platform::logLine(QStringLiteral("Registro de consultas: la cola llegó a su límite de %1 filas; se "
                                             "descartaron las %2 más antiguas (%3 desde el inicio).")
                                  .arg(m_c->limite)
                                  .arg(nuevas)
                                  .arg(total));
    }

    std::shared_ptr<Bitacora::Compartido> m_c;
    const int m_loteDepuracion;
    const quint64 m_generacion;
    fb::Connection m_conexion;
    fb::Transaction m_transaccion{m_conexion};
    // Prepared once, kept across batches and transactions (the connection's close unprepares them).
    fb::Query m_insertar{m_transaccion};
    fb::Query m_latido{m_transaccion};
    fb::Query m_trabajo{m_transaccion};
    QString m_ultimaFalla;
    QDate m_diaDepuracion; // the last day this station tried the clean-up
};

Bitacora::Bitacora(QObject* parent)
    : Bitacora(Opciones{}, parent)
{
}

Bitacora::Bitacora(const Opciones& opciones, QObject* parent)
    : QObject(parent)
    , m_opciones(opciones)
    , m_c(std::make_shared<Compartido>(std::max(1, opciones.limite)))
    , m_inicio(QDateTime::currentDateTime())
{
    m_escritura.setInterval(m_opciones.escrituraMs);
    connect(&m_escritura, &QTimer::timeout, this, &Bitacora::escribirAhora);
    m_latido.setInterval(m_opciones.latidoMs);
    connect(&m_latido, &QTimer::timeout, this, &Bitacora::latirAhora);
}

Bitacora::~Bitacora()
{
    detener(true);
}

void Bitacora::activar(const Estacion& estacion, int dias)
{
    if (m_activa && !(estacion == m_estacion)) {
        std::lock_guard bloqueo(m_c->m);
        m_c->cola.clear();
    }
    m_estacion = estacion;
    m_estacion.nombre = texto(estacion.nombre, kLargoClave);
    m_dias = dias;
    m_activa = true;
    if (!m_hilo) {
        // No parent: a thread a silent server holds outlives the log and deletes itself once it ends.
        m_hilo = new QThread;
        m_hilo->setObjectName(QStringLiteral("Bitacora"));
        ++m_c->generacion;
        m_escritor = new EscritorBitacora(m_c, m_opciones.loteDepuracion);
        m_escritor->moveToThread(m_hilo);
        connect(m_hilo, &QThread::finished, m_escritor, &QObject::deleteLater);
        connect(m_hilo, &QThread::finished, m_hilo, &QObject::deleteLater);
        connect(m_escritor, &EscritorBitacora::escritas, this, &Bitacora::escritas);
        connect(m_escritor, &EscritorBitacora::latido, this, &Bitacora::latido);
        connect(m_escritor, &EscritorBitacora::depuracion, this, &Bitacora::depuracion);
        connect(m_escritor, &EscritorBitacora::falla, this, &Bitacora::falla);
        m_hilo->start();
    }
    m_escritura.start();
    m_latido.start();
    latirAhora();
}

void Bitacora::desactivar()
{
    m_activa = false;
    {
        std::lock_guard bloqueo(m_c->m);
        m_c->cola.clear();
    }
    // A writer held by a silent server must not take the rows of a log turned on again meanwhile.
    ++m_c->generacion;
    detener(false);
}

void Bitacora::detener(bool alSalir)
{
    m_escritura.stop();
    m_latido.stop();
    if (!m_hilo)
        return;
    disconnect(m_escritor, nullptr, this, nullptr);
    QThread* hilo = std::exchange(m_hilo, nullptr);
    EscritorBitacora* escritor = std::exchange(m_escritor, nullptr);
    // The last rows, the detach and the thread's end in one call, after whatever it is doing now.
    QMetaObject::invokeMethod(
        escritor,
        [escritor, e = m_estacion, escribir = alSalir && m_activa] {
            if (escribir)
                escritor->escribir(e.nombre, e.parametros);
            escritor->cerrar();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    // At the program's end the rows still queued are worth a short wait; a writer the server holds
    // is never waited for, and ends by itself if the server ever answers.
    if (alSalir && !m_c->ocupado.load() && hilo->wait(QDeadlineTimer(kEsperaFinalMs)))
        delete hilo;
}

void Bitacora::registrar(char resultado, const QString& clave, std::optional<int> articuloId)
{
    if (!m_activa)
        return;
    m_ultimaConsulta = QDateTime::currentDateTime();
    std::lock_guard bloqueo(m_c->m);
    m_c->cola.push_back({m_c->siguiente++, m_ultimaConsulta, texto(clave, kLargoClave), resultado, articuloId});
    while (m_c->cola.size() > static_cast<size_t>(m_c->limite)) {
        m_c->cola.pop_front();
        ++m_c->descartadas;
    }
}

void Bitacora::escribirAhora()
{
    if (!m_activa || !m_escritor || m_c->escrituraPedida.exchange(true))
        return;
    EscritorBitacora* escritor = m_escritor;
    QMetaObject::invokeMethod(
        escritor, [escritor, e = m_estacion] { escritor->escribir(e.nombre, e.parametros); }, Qt::QueuedConnection);
}

void Bitacora::latirAhora()
{
    if (!m_activa || !m_escritor || m_c->latidoPedido.exchange(true))
        return;
    const EstadoLatido estado{m_estacion,       m_dias,        m_inicio,
                              m_ultimaConsulta, m_ultimoError, m_indiceListo && m_indiceListo()};
    EscritorBitacora* escritor = m_escritor;
    QMetaObject::invokeMethod(
        escritor, [escritor, estado] { escritor->latir(estado); }, Qt::QueuedConnection);
}

int Bitacora::enEspera() const
{
    std::lock_guard bloqueo(m_c->m);
    return static_cast<int>(m_c->cola.size());
}

bool Bitacora::ocupada() const
{
    return m_c->ocupado.load();
}

qint64 Bitacora::descartadas() const
{
    std::lock_guard bloqueo(m_c->m);
    return m_c->descartadas;
}

#include "Bitacora.moc"
