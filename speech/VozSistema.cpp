#include "VozSistema.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QTextToSpeech>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString kNoResponde = QStringLiteral("Voz desactivada: el servicio de voz no responde");

// A Mexican voice first, then a Latin American one (espeak-ng has "es-419"), then any Spanish one.
std::optional<QLocale> vozEspanola(const QTextToSpeech& motor)
{
    std::optional<QLocale> elegida;
    int mejor = 0;
    for (const QLocale& l : motor.availableLocales()) {
        if (l.language() != QLocale::Spanish)
            continue;
        const int puntos = l.territory() == QLocale::Mexico ? 3 : l.territory() == QLocale::LatinAmerica ? 2 : 1;
        if (puntos > mejor) {
            mejor = puntos;
            elegida = l;
        }
    }
    return elegida;
}

std::atomic<bool> g_hiloSuelto{false};

} // namespace

// What the window thread and the voice's thread share. Either end may outlive the other.
struct VozSistema::Estado {
    QMutex mutex;
    // Guarded by the mutex, which is never held across a service call.
    VozSistema* voz = nullptr;    // null once the window's end is gone
    QObject* receptor = nullptr;  // where reports to the window are posted
    std::optional<QString> texto; // the newest text not yet handed to the service
    bool callar = false;
    bool avisado = false; // the thread already has a turn posted
    bool abriendo = true;
    bool abierta = false;
    QLocale idioma;

    std::atomic<unsigned long long> enCurso{0}; // the service call under way, 0 when none
    std::atomic<bool> desactivada{false};
    std::atomic<bool> hablando{false};
    std::chrono::milliseconds plazoLlamada{0};
    std::chrono::milliseconds plazoApertura{0};

    // Runs f(voz) on the window thread, unless the window's end is gone by then.
    template <typename F> void aVentana(F f)
    {
        QMutexLocker bloqueo(&mutex);
        if (receptor)
            QMetaObject::invokeMethod(
                receptor, [v = voz, f = std::move(f)] { f(*v); }, Qt::QueuedConnection);
    }
};

// Lives on the voice's thread and owns the engine there.
class VozSistema::Trabajador final : public QObject {
public:
    explicit Trabajador(std::shared_ptr<Estado> estado)
        : m_estado(std::move(estado))
    {
    }

    void abrir()
    {
        QString motivo;
        std::optional<QLocale> idioma;
        llamada(m_estado->plazoApertura, [&] {
            if (QTextToSpeech::availableEngines().isEmpty()) {
                motivo = QStringLiteral("Voz desactivada: no hay servicio de voz instalado.");
                return;
            }
            auto motor = std::make_unique<QTextToSpeech>();
            idioma = vozEspanola(*motor);
            // An engine that lists voices but none in Spanish fails to open under a Spanish locale.
            if (!idioma && !motor->availableLocales().isEmpty()) {
                motivo = QStringLiteral("Voz desactivada: el servicio de voz no tiene voz en español.");
                return;
            }
            if (idioma)
                motor->setLocale(*idioma);
            if (!idioma || motor->state() == QTextToSpeech::Error) {
                const QString detalle = motor->errorString();
                motivo =
                    detalle.isEmpty()
                        ? QStringLiteral("Voz desactivada: no se pudo abrir el servicio de voz.")
                        : QStringLiteral("Voz desactivada: no se pudo abrir el servicio de voz (%1).").arg(detalle);
                return;
            }
            m_motor = std::move(motor);
        });
        if (!m_motor) {
            {
                QMutexLocker bloqueo(&m_estado->mutex);
                m_estado->abriendo = false;
            }
            informar(motivo);
            return;
        }
        connect(m_motor.get(), &QTextToSpeech::errorOccurred, this,
                [this](QTextToSpeech::ErrorReason, const QString& t) {
                    informar(QStringLiteral("Voz desactivada: %1").arg(t));
                });
        connect(m_motor.get(), &QTextToSpeech::stateChanged, this,
                [this](QTextToSpeech::State s) { m_estado->hablando = s == QTextToSpeech::Speaking; });
        {
            QMutexLocker bloqueo(&m_estado->mutex);
            m_estado->abriendo = false;
            m_estado->abierta = true;
            m_estado->idioma = *idioma;
        }
        procesar();
    }

    // Hands the service the newest text, or the silencing, posted since the last turn.
    void procesar()
    {
        std::optional<QString> texto;
        bool callar = false;
        {
            QMutexLocker bloqueo(&m_estado->mutex);
            m_estado->avisado = false;
            if (!m_motor) // still opening: the turn after the opening takes it
                return;
            texto.swap(m_estado->texto);
            callar = std::exchange(m_estado->callar, false);
        }
        if (m_estado->desactivada)
            return;
        if (texto) {
            // say() itself drops whatever was being said.
            llamada(m_estado->plazoLlamada, [&] { m_motor->say(*texto); });
            m_dicho = true;
        } else if (callar && m_dicho) {
            // Not by the engine's state: the service reports it on its own thread, maybe late.
            llamada(m_estado->plazoLlamada, [&] { m_motor->stop(QTextToSpeech::BoundaryHint::Immediate); });
            m_dicho = false;
        }
    }

    void cerrar()
    {
        m_motor.reset();
        thread()->quit();
    }

private:
    // Every use of the engine goes through here, so the window's watchdog sees it.
    template <typename F> void llamada(std::chrono::milliseconds plazo, F f)
    {
        const unsigned long long n = ++m_llamadas;
        m_estado->enCurso = n;
        m_estado->aVentana([n, plazo](VozSistema& v) { v.vigilar(n, plazo); });
        f();
        m_estado->enCurso = 0;
    }

    void informar(const QString& texto)
    {
        m_estado->aVentana([texto](VozSistema& v) { v.desactivar(texto); });
    }

    std::shared_ptr<Estado> m_estado;
    std::unique_ptr<QTextToSpeech> m_motor;
    unsigned long long m_llamadas = 0;
    bool m_dicho = false; // something was said since the last silencing
};

namespace {

// Threads left running when their voice ended, with their workers, kept reachable on purpose:
// a running QThread must not be destroyed, and one stuck in the service may never end.
struct Suelto {
    QThread* hilo;
    QObject* trabajador;
};
std::vector<Suelto>& sueltos()
{
    static auto* lista = new std::vector<Suelto>;
    return *lista;
}

} // namespace

VozSistema::VozSistema(std::function<void(const QString&)> alEstado, Plazos plazos)
    : m_alEstado(std::move(alEstado))
    , m_plazos(plazos)
    , m_estado(std::make_shared<Estado>())
    , m_receptor(std::make_unique<QObject>())
    , m_hilo(new QThread)
    , m_trabajador(new Trabajador(m_estado))
{
    m_estado->voz = this;
    m_estado->plazoLlamada = m_plazos.llamada;
    m_estado->plazoApertura = m_plazos.apertura;
    m_estado->receptor = m_receptor.get();
    m_hilo->setObjectName(QStringLiteral("Voz"));
    m_trabajador->moveToThread(m_hilo);
    m_hilo->start();
    QMetaObject::invokeMethod(
        m_trabajador, [t = m_trabajador] { t->abrir(); }, Qt::QueuedConnection);
}

VozSistema::~VozSistema()
{
    bool ocupado = false;
    {
        QMutexLocker bloqueo(&m_estado->mutex);
        m_estado->voz = nullptr;
        m_estado->receptor = nullptr;
        m_estado->texto.reset();
        ocupado = m_estado->abriendo || m_estado->enCurso != 0;
    }
    m_receptor.reset();
    // A thread still opening the engine or inside a service call is not waited for; an idle one
    // gets the watchdog's time to close the engine.
    QMetaObject::invokeMethod(
        m_trabajador, [t = m_trabajador] { t->cerrar(); }, Qt::QueuedConnection);
    if (!ocupado && m_hilo->wait(QDeadlineTimer(m_plazos.llamada))) {
        delete m_trabajador;
        delete m_hilo;
        return;
    }
    sueltos().push_back({m_hilo, m_trabajador});
    g_hiloSuelto = true;
}

void VozSistema::decir(const QString& texto)
{
    if (m_estado->desactivada)
        return;
    QMutexLocker bloqueo(&m_estado->mutex);
    m_estado->texto = texto;
    m_estado->callar = false;
    if (!std::exchange(m_estado->avisado, true))
        QMetaObject::invokeMethod(
            m_trabajador, [t = m_trabajador] { t->procesar(); }, Qt::QueuedConnection);
}

void VozSistema::callar()
{
    if (m_estado->desactivada)
        return;
    QMutexLocker bloqueo(&m_estado->mutex);
    m_estado->texto.reset();
    m_estado->callar = true;
    if (!std::exchange(m_estado->avisado, true))
        QMetaObject::invokeMethod(
            m_trabajador, [t = m_trabajador] { t->procesar(); }, Qt::QueuedConnection);
}

bool VozSistema::abierta() const
{
    QMutexLocker bloqueo(&m_estado->mutex);
    return m_estado->abierta && !m_estado->desactivada;
}

bool VozSistema::desactivada() const
{
    return m_estado->desactivada;
}

QLocale VozSistema::idioma() const
{
    QMutexLocker bloqueo(&m_estado->mutex);
    return m_estado->idioma;
}

bool VozSistema::hablando() const
{
    return m_estado->hablando;
}

bool VozSistema::hiloSuelto()
{
    return g_hiloSuelto;
}

void VozSistema::vigilar(unsigned long long llamada, std::chrono::milliseconds plazo)
{
    QTimer::singleShot(plazo, m_receptor.get(), [this, llamada] {
        if (m_estado->enCurso == llamada)
            desactivar(kNoResponde);
    });
}

void VozSistema::desactivar(const QString& texto)
{
    if (m_estado->desactivada.exchange(true))
        return;
    {
        QMutexLocker bloqueo(&m_estado->mutex);
        m_estado->texto.reset();
    }
    if (m_alEstado)
        m_alEstado(texto);
}
