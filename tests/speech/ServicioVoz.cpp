#include "ServicioVoz.h"

#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QThread>
#include <utility>

// Lives on the service's thread; what the test reads is guarded by the mutex.
class ServicioVoz::Atencion final : public QObject {
public:
    Atencion(ServicioVoz::Modo modo, bool conEspanol)
        : m_modo(modo)
        , m_conEspanol(conEspanol)
    {
    }

    void escuchar(const QString& ruta)
    {
        m_servidor = new QLocalServer(this);
        escucha = m_servidor->listen(ruta);
        nombre = m_servidor->fullServerName();
        connect(m_servidor, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = m_servidor->nextPendingConnection())
                connect(s, &QLocalSocket::readyRead, this, [this, s] { leer(s); });
        });
    }

    void soltar()
    {
        QMutexLocker bloqueo(&mutex);
        retener = false;
        if (QLocalSocket* s = std::exchange(retenido, nullptr))
            s->write("230 OK RECEIVING DATA\r\n");
    }

    QMutex mutex;
    // Set once, before the constructor returns.
    bool escucha = false;
    QString nombre;

    QStringList dichos;
    QStringList ordenes;
    bool retener = false;
    QLocalSocket* retenido = nullptr;

private:
    void leer(QLocalSocket* s)
    {
        QByteArray& pendiente = m_pendiente[s];
        pendiente += s->readAll();
        qsizetype fin;
        while ((fin = pendiente.indexOf("\r\n")) >= 0) {
            const QByteArray linea = pendiente.left(fin);
            pendiente.remove(0, fin + 2);
            QMutexLocker bloqueo(&mutex);
            if (m_modo == Modo::Mudo)
                ordenes << QString::fromUtf8(linea);
            else
                responder(s, linea);
        }
    }

    void responder(QLocalSocket* s, const QByteArray& linea)
    {
        auto datos = m_datos.find(s);
        if (datos != m_datos.end()) {
            if (linea != ".") {
                // A line of the text; one that begins with a dot comes with it doubled.
                datos->append(QString::fromUtf8(linea.startsWith("..") ? linea.mid(1) : linea));
                return;
            }
            dichos << datos->join(QLatin1Char('\n'));
            m_datos.erase(datos);
            const QByteArray id = QByteArray::number(++m_mensajes);
            s->write("225-" + id + "\r\n225 OK MESSAGE QUEUED\r\n");
            s->write("701-" + id + "\r\n701-1\r\n701 BEGIN\r\n");
            return;
        }
        ordenes << QString::fromUtf8(linea);
        const QByteArray orden = linea.toUpper();
        if (orden == "LIST OUTPUT_MODULES") {
            s->write("250-espeak-ng\r\n250 OK MODULE LIST SENT\r\n");
        } else if (orden == "LIST SYNTHESIS_VOICES") {
            s->write("249-English (America)\ten-US\tnone\r\n");
            if (m_conEspanol)
                s->write("249-Spanish (Spain)\tes\tnone\r\n249-Spanish (Latin America)\tes-419\tnone\r\n");
            s->write("249 OK VOICE LIST SENT\r\n");
        } else if (orden == "GET OUTPUT_MODULE") {
            s->write("251-espeak-ng\r\n251 OK GET RETURNED\r\n");
        } else if (orden == "SPEAK") {
            m_datos.insert(s, {});
            if (retener)
                retenido = s;
            else
                s->write("230 OK RECEIVING DATA\r\n");
        } else if (orden.startsWith("CANCEL")) {
            s->write("210 OK CANCELED\r\n");
            s->write("703-" + QByteArray::number(m_mensajes) + "\r\n703-1\r\n703 CANCELED\r\n");
        } else if (orden == "QUIT") {
            s->write("231 HAPPY HACKING\r\n");
        } else {
            // Every setting the client makes is taken.
            s->write("200 OK\r\n");
        }
    }

    QLocalServer* m_servidor = nullptr;
    ServicioVoz::Modo m_modo;
    bool m_conEspanol;
    QHash<QLocalSocket*, QByteArray> m_pendiente;
    QHash<QLocalSocket*, QStringList> m_datos; // lines of a text being received, per client
    int m_mensajes = 0;
};

ServicioVoz::ServicioVoz(Modo modo, bool conEspanol)
    : m_hilo(new QThread)
    , m_atencion(new Atencion(modo, conEspanol))
{
    m_atencion->moveToThread(m_hilo);
    m_hilo->start();
    const QString ruta = m_dir.filePath(QStringLiteral("speechd.sock"));
    QMetaObject::invokeMethod(
        m_atencion, [this, ruta] { m_atencion->escuchar(ruta); }, Qt::BlockingQueuedConnection);
}

ServicioVoz::~ServicioVoz()
{
    // Closing the connections wakes a client still waiting for an answer.
    QMetaObject::invokeMethod(
        m_atencion, [this] { delete m_atencion; }, Qt::BlockingQueuedConnection);
    m_hilo->quit();
    m_hilo->wait();
    delete m_hilo;
}

bool ServicioVoz::escuchando() const
{
    return m_atencion->escucha;
}

QByteArray ServicioVoz::direccion() const
{
    return "unix_socket:" + m_atencion->nombre.toUtf8();
}

QStringList ServicioVoz::dichos() const
{
    QMutexLocker bloqueo(&m_atencion->mutex);
    return m_atencion->dichos;
}

QStringList ServicioVoz::ordenes() const
{
    QMutexLocker bloqueo(&m_atencion->mutex);
    return m_atencion->ordenes;
}

void ServicioVoz::retenerHabla()
{
    QMutexLocker bloqueo(&m_atencion->mutex);
    m_atencion->retener = true;
}

bool ServicioVoz::esperandoHabla() const
{
    QMutexLocker bloqueo(&m_atencion->mutex);
    return m_atencion->retenido != nullptr;
}

void ServicioVoz::soltar()
{
    QMetaObject::invokeMethod(
        m_atencion, [this] { m_atencion->soltar(); }, Qt::BlockingQueuedConnection);
}
