#include "EsperaServidor.h"

#include "data/uDM.h"
#include "firebird/Connection.h"

#include <QEventLoop>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

QString textoConectando(int intento, const fb::Error& causa)
{
    // The server's text without its line breaks: the status line is one line.
    const QString motivo = QString::fromUtf8(causa.what()).simplified();
    return QStringLiteral("Conectando con el servidor… (intento %1) %2").arg(intento).arg(motivo);
}

namespace {

enum class Prueba { Contesta, NoContesta, Terminar };

// One attachment to `parametros` on a thread of its own, detached again at once. Any answer
// counts, a refusal too. The thread owns everything it touches, so one the server holds is simply
// left: it ends by itself, and deletes its QThread, if the server ever answers.
QThread* lanzarPrueba(const QStringList& parametros)
{
    QThread* hilo = QThread::create([parametros] {
        try {
            fb::Connection c;
            c.setParams(parametros);
            c.open();
            c.close();
        } catch (...) {
        }
    });
    hilo->setObjectName(QStringLiteral("EsperaServidor"));
    QObject::connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    return hilo;
}

// The trial attachment while the event loop runs.
Prueba probarServidor(const QStringList& parametros, int plazoMs)
{
    QThread* hilo = lanzarPrueba(parametros);
    QEventLoop espera;
    bool terminada = false;
    bool vencida = false;
    QObject::connect(hilo, &QThread::finished, &espera, [&] {
        terminada = true;
        espera.quit();
    });
    QTimer::singleShot(plazoMs, &espera, [&] {
        vencida = true;
        espera.quit();
    });
    hilo->start();
    // QCoreApplication::exit() ends every running loop, this one too: then neither has happened.
    espera.exec();
    if (terminada)
        return Prueba::Contesta;
    return vencida ? Prueba::NoContesta : Prueba::Terminar;
}

fb::Error sinRespuesta(int plazoMs)
{
    return fb::Error(QStringLiteral("El servidor no respondió en %1 ms.").arg(plazoMs).toStdString());
}

} // namespace

bool esperarServidor(QStatusBar& linea, const std::function<int(int)>& pausas, int plazoMs,
                     const std::function<QStringList()>& destino, const std::function<void()>& conectar)
{
    for (int intento = 1;; ++intento) {
        const Prueba prueba = probarServidor(destino(), plazoMs);
        if (prueba == Prueba::Terminar)
            return false;
        if (prueba == Prueba::NoContesta) {
            linea.showMessage(textoConectando(intento, sinRespuesta(plazoMs)));
        } else {
            // Whatever the trial attachment met, refused or not, `conectar` meets it too and says it
            // its own way; a server that has just answered is not waited on here.
            try {
                conectar();
                linea.clearMessage();
                return true;
            } catch (const fb::Error& e) {
                if (!e.isConnectionLost())
                    throw;
                linea.showMessage(textoConectando(intento, e));
            }
        }
        QEventLoop pausa;
        bool vencida = false;
        QTimer::singleShot(pausas(intento), &pausa, [&] {
            vencida = true;
            pausa.quit();
        });
        pausa.exec();
        if (!vencida)
            return false;
    }
}

VigiaServidor::VigiaServidor(Tdm& dm, QStatusBar& linea, std::function<int(int)> pausas, std::function<int()> plazo,
                             QObject* parent)
    : QObject(parent)
    , m_dm(dm)
    , m_linea(linea)
    , m_pausas(std::move(pausas))
    , m_plazo(std::move(plazo))
    , m_timer(new QTimer(this))
    , m_vence(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("VigiaServidor"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &VigiaServidor::revisar);
    m_vence->setSingleShot(true);
    connect(m_vence, &QTimer::timeout, this, [this] {
        m_linea.showMessage(textoConectando(m_intento, sinRespuesta(m_vence->interval())));
        m_timer->start(m_pausas(m_intento));
    });
    m_timer->start(1000);
}

void VigiaServidor::revisar()
{
    if (!m_dm.sinServidor()) {
        if (m_intento > 0)
            m_linea.clearMessage();
        m_intento = 0;
        m_timer->start(1000);
        return;
    }
    ++m_intento;
    if (m_probando) {
        // The last trial is still held by the server: one waiting thread is enough.
        m_linea.showMessage(textoConectando(m_intento, sinRespuesta(m_vence->interval())));
        m_timer->start(m_pausas(m_intento));
        return;
    }
    // The shared connection reconnects on this thread, so a server that may hang is first tried
    // on a thread of its own.
    m_probando = true;
    QThread* prueba = lanzarPrueba(m_dm.fdConexion.params());
    connect(prueba, &QThread::finished, this, &VigiaServidor::contesto);
    m_vence->start(m_plazo());
    prueba->start();
}

void VigiaServidor::contesto()
{
    m_probando = false;
    // A trial that ended after its deadline (a host that drops packets fails only when the
    // system's connect gives up, minutes later) says nothing of how fast a reconnection here would
    // be: the next try starts a new trial instead.
    if (!m_vence->isActive())
        return;
    m_vence->stop();
    m_timer->stop();
    if (!m_dm.sinServidor()) {
        m_linea.clearMessage();
        m_intento = 0;
        m_timer->start(1000);
        return;
    }
    try {
        // An empty operation: reconnects and starts the shared transaction, nothing else.
        m_dm.conReconexion([] {});
        m_linea.clearMessage();
        m_intento = 0;
        m_timer->start(1000);
    } catch (const fb::Error& e) {
        m_linea.showMessage(textoConectando(m_intento, e));
        m_timer->start(m_pausas(m_intento));
    } catch (...) {
        m_timer->start(m_pausas(m_intento));
    }
}
