#include "EsperaServidor.h"

#include "data/uDM.h"

#include <QEventLoop>
#include <QStatusBar>
#include <QTimer>

QString textoConectando(int intento, const fb::Error& causa)
{
    // The server's text without its line breaks: the status line is one line.
    const QString motivo = QString::fromUtf8(causa.what()).simplified();
    return QStringLiteral("Conectando con el servidor… (intento %1) %2").arg(intento).arg(motivo);
}

bool esperarServidor(QStatusBar& linea, const std::function<int(int)>& pausas, const std::function<void()>& conectar)
{
    for (int intento = 1;; ++intento) {
        try {
            conectar();
            linea.clearMessage();
            return true;
        } catch (const fb::Error& e) {
            if (!e.isConnectionLost())
                throw;
            linea.showMessage(textoConectando(intento, e));
        }
        // QCoreApplication::exit() ends every running loop, this one too: then the timer has not fired.
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

VigiaServidor::VigiaServidor(Tdm& dm, QStatusBar& linea, std::function<int(int)> pausas, QObject* parent)
    : QObject(parent)
    , m_dm(dm)
    , m_linea(linea)
    , m_pausas(std::move(pausas))
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("VigiaServidor"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &VigiaServidor::revisar);
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
