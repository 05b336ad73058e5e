// The benchmarks' delay forwarder: what it passes on must be exactly what it was given, in order,
// no sooner than the delay, on every connection at once; an end on one side ends the other; its
// counts are what the slow-network figures are made of. Plain sockets on loopback, and a real
// Firebird attachment through it to a private server.
#include "bench/Retardo.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kEspera = 10000; // ms: only a broken forwarder takes this long

sockaddr_in loopback(quint16 puerto)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(puerto);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A socket closed with its owner.
class Socket {
public:
    explicit Socket(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Socket() { cerrar(); }
    Socket(Socket&& otro) noexcept
        : m_fd(std::exchange(otro.m_fd, -1))
    {
    }
    Socket& operator=(Socket&&) = delete;
    int fd() const { return m_fd; }
    void cerrar()
    {
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
    }

    static Socket conectar(quint16 puerto)
    {
        Socket s(::socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in a = loopback(puerto);
        if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
            s.cerrar();
        return s;
    }

    bool enviar(const QByteArray& datos) const
    {
        for (qsizetype hecho = 0; hecho < datos.size();) {
            const ssize_t n = ::send(m_fd, datos.constData() + hecho, size_t(datos.size() - hecho), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            hecho += n;
        }
        return true;
    }

    // Up to n bytes; fewer when the other side ended or nothing came for a long while.
    QByteArray recibir(qsizetype n) const
    {
        QByteArray r;
        char buffer[65536];
        while (r.size() < n) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, kEspera) <= 0)
                break;
            const ssize_t leidos = ::recv(m_fd, buffer, size_t(std::min<qsizetype>(n - r.size(), sizeof buffer)), 0);
            if (leidos <= 0)
                break;
            r.append(buffer, leidos);
        }
        return r;
    }

    // The other side ended: the next read finds the end (or a reset) rather than data.
    bool terminado() const
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, kEspera) <= 0)
            return false;
        char c;
        return ::recv(m_fd, &c, 1, 0) <= 0;
    }

private:
    int m_fd;
};

// What the forwarder connects its clients to: a listening socket on a free loopback port.
class Destino {
public:
    Destino()
        : m_escucha(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in a = loopback(0);
        socklen_t largo = sizeof a;
        if (::bind(m_escucha.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::listen(m_escucha.fd(), 64) == 0 &&
            ::getsockname(m_escucha.fd(), reinterpret_cast<sockaddr*>(&a), &largo) == 0)
            m_puerto = ntohs(a.sin_port);
    }
    quint16 puerto() const { return m_puerto; }
    Socket aceptar() const
    {
        pollfd p{m_escucha.fd(), POLLIN, 0};
        if (::poll(&p, 1, kEspera) <= 0)
            return Socket();
        return Socket(::accept(m_escucha.fd(), nullptr, nullptr));
    }

private:
    Socket m_escucha;
    quint16 m_puerto = 0;
};

// Bytes no two connections or directions share, so a mix-up or a lost chunk shows.
QByteArray patron(int conexion, char sentido, qsizetype largo)
{
    QByteArray r;
    r.reserve(largo);
    r.append(char('0' + conexion)).append(sentido);
    quint32 x = quint32(conexion) * 2654435761u + quint32(sentido);
    while (r.size() < largo) {
        x = x * 1664525u + 1013904223u;
        r.append(char(x >> 24));
    }
    return r;
}

// The forwarder's clock for its turns.
double ahoraMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

class TestRetardo : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void muchasConexionesIntactas();
    void unFinCierraElOtroLado_data();
    void unFinCierraElOtroLado();
    void retieneCadaSentidoEnOrden();
    void cuentaLosTurnosDelCliente();
    void firebirdAtraves();

private:
    std::unique_ptr<Destino> m_destino;
};

void TestRetardo::init()
{
    m_destino = std::make_unique<Destino>();
    QVERIFY(m_destino->puerto() != 0);
}

void TestRetardo::cleanup()
{
    m_destino.reset();
}

// Eight connections at once, a megabyte each way on each: every byte arrives on its own
// connection, in order, and is counted once.
void TestRetardo::muchasConexionesIntactas()
{
    constexpr int kConexiones = 8;
    constexpr qsizetype kLargo = 1 << 20;
    bench::Retardo retardo(m_destino->puerto(), 5);
    QVERIFY2(retardo.iniciar(), qPrintable(retardo.porque()));

    std::vector<Socket> clientes, servidores;
    for (int i = 0; i < kConexiones; ++i) {
        clientes.push_back(Socket::conectar(retardo.puerto()));
        QVERIFY(clientes.back().fd() >= 0);
        QVERIFY(clientes.back().enviar(patron(i, 's', kLargo)));
    }
    // The forwarder holds what the server side has not read yet; the accepted sockets come in
    // any order, so each tells its client by its first byte.
    std::vector<int> deQuien(kConexiones, -1);
    for (int i = 0; i < kConexiones; ++i) {
        servidores.push_back(m_destino->aceptar());
        QVERIFY(servidores.back().fd() >= 0);
        const QByteArray llegado = servidores.back().recibir(kLargo);
        QVERIFY(!llegado.isEmpty());
        const int cliente = llegado.front() - '0';
        QVERIFY(cliente >= 0 && cliente < kConexiones);
        QVERIFY2(llegado == patron(cliente, 's', kLargo), qPrintable(QStringLiteral("conexión %1").arg(cliente)));
        deQuien[size_t(i)] = cliente;
        QVERIFY(servidores.back().enviar(patron(cliente, 'b', kLargo)));
    }
    for (int i = 0; i < kConexiones; ++i)
        QVERIFY2(clientes[size_t(i)].recibir(kLargo) == patron(i, 'b', kLargo),
                 qPrintable(QStringLiteral("conexión %1").arg(i)));

    const std::vector<bench::Retardo::Conexion> cuentas = retardo.conexiones();
    QCOMPARE(cuentas.size(), size_t(kConexiones));
    for (const bench::Retardo::Conexion& c : cuentas) {
        QCOMPARE(c.subida, quint64(kLargo));
        QCOMPARE(c.bajada, quint64(kLargo));
        QVERIFY(c.abierta);
    }
    QCOMPARE(retardo.abiertas(), kConexiones);
}

// Either side ends after a last message: the other side gets the message, then the end, and
// the forwarder drops the connection.
void TestRetardo::unFinCierraElOtroLado_data()
{
    QTest::addColumn<bool>("cierraElCliente");
    QTest::addColumn<int>("ms");
    QTest::newRow("el cliente cierra") << true << 20;
    QTest::newRow("el servidor cierra") << false << 20;
    // Without delay the end is always due by the next turn, with no socket event to wake for.
    QTest::newRow("el cliente cierra, sin retardo") << true << 0;
    QTest::newRow("el servidor cierra, sin retardo") << false << 0;
}

void TestRetardo::unFinCierraElOtroLado()
{
    QFETCH(bool, cierraElCliente);
    QFETCH(int, ms);
    bench::Retardo retardo(m_destino->puerto(), ms);
    QVERIFY2(retardo.iniciar(), qPrintable(retardo.porque()));
    Socket cliente = Socket::conectar(retardo.puerto());
    QVERIFY(cliente.fd() >= 0);
    QVERIFY(cliente.enviar("hola"));
    Socket servidor = m_destino->aceptar();
    QCOMPARE(servidor.recibir(4), QByteArray("hola"));

    Socket& cierra = cierraElCliente ? cliente : servidor;
    Socket& otro = cierraElCliente ? servidor : cliente;
    QVERIFY(cierra.enviar("adiós"));
    cierra.cerrar();
    QCOMPARE(otro.recibir(QByteArray("adiós").size()), QByteArray("adiós"));
    QVERIFY(otro.terminado());
    QTRY_COMPARE(retardo.abiertas(), 0);
}

// Every chunk waits at least the delay each way; chunks written at different moments arrive
// in their order.
void TestRetardo::retieneCadaSentidoEnOrden()
{
    constexpr int kMs = 40;
    bench::Retardo retardo(m_destino->puerto(), kMs);
    QVERIFY2(retardo.iniciar(), qPrintable(retardo.porque()));
    Socket cliente = Socket::conectar(retardo.puerto());
    QVERIFY(cliente.fd() >= 0);
    QElapsedTimer reloj;
    reloj.start();
    QVERIFY(cliente.enviar("uno"));
    Socket servidor = m_destino->aceptar();
    QCOMPARE(servidor.recibir(3), QByteArray("uno"));
    // The connection's handshake round trip, then the way there.
    QVERIFY2(reloj.elapsed() >= 3 * kMs, qPrintable(QString::number(reloj.elapsed())));

    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        reloj.restart();
        QVERIFY(cliente.enviar("a"));
        QThread::msleep(5);
        QVERIFY(cliente.enviar("bc"));
        QThread::msleep(5);
        QVERIFY(cliente.enviar("d"));
        QCOMPARE(servidor.recibir(4), QByteArray("abcd"));
        QVERIFY2(reloj.elapsed() >= kMs, qPrintable(QString::number(reloj.elapsed())));
        QVERIFY(servidor.enviar("x"));
        QVERIFY(servidor.enviar("yz"));
        QCOMPARE(cliente.recibir(3), QByteArray("xyz"));
        QVERIFY2(reloj.elapsed() >= 2 * kMs, qPrintable(QString::number(reloj.elapsed())));
    }
}

// A turn is the client speaking after the server has: a request in pieces is still one.
void TestRetardo::cuentaLosTurnosDelCliente()
{
    bench::Retardo retardo(m_destino->puerto(), 2);
    QVERIFY2(retardo.iniciar(), qPrintable(retardo.porque()));
    Socket cliente = Socket::conectar(retardo.puerto());
    QVERIFY(cliente.fd() >= 0);
    QVERIFY(cliente.enviar("q"));
    Socket servidor = m_destino->aceptar();
    QCOMPARE(servidor.recibir(1), QByteArray("q"));
    double desde = 0, hasta = 0;
    for (int i = 0; i < 5; ++i) {
        // A window around the middle three turns, on the clock the forwarder stamps them with.
        if (i == 1)
            desde = ahoraMs();
        if (i == 4)
            hasta = ahoraMs();
        QVERIFY(servidor.enviar("respuesta"));
        QCOMPARE(cliente.recibir(9), QByteArray("respuesta"));
        QVERIFY(cliente.enviar("pre"));
        QThread::msleep(10); // a separate read on the forwarder's side
        QVERIFY(cliente.enviar("gunta"));
        QCOMPARE(servidor.recibir(8), QByteArray("pregunta"));
    }
    const std::vector<bench::Retardo::Conexion> cuentas = retardo.conexiones();
    QCOMPARE(cuentas.size(), size_t(1));
    QCOMPARE(cuentas[0].turnos, quint64(6));
    QCOMPARE(cuentas[0].subida, quint64(1 + 5 * 8));
    QCOMPARE(cuentas[0].bajada, quint64(5 * 9));
    QCOMPARE(cuentas[0].momentos.size(), size_t(6));
    QVERIFY(std::is_sorted(cuentas[0].momentos.begin(), cuentas[0].momentos.end()));
    QCOMPARE(retardo.turnosEntre(desde, hasta), std::vector<std::uint64_t>{3});
    QCOMPARE(retardo.turnosEntre(hasta + 1e6, hasta + 2e6), std::vector<std::uint64_t>{0});
}

// The station's own client library through the forwarder, as the benchmark uses it: attach by
// its server name, read, detach; the attachment's connection closes with it.
void TestRetardo::firebirdAtraves()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString ruta = QDir(servidor.dataFolder()).filePath(QStringLiteral("retardo.fdb"));
    {
        fb::Connection directa;
        directa.setParams(servidor.params(ruta));
        directa.create();
        directa.close();
    }
    bench::Retardo retardo(servidor.port(), 10);
    QVERIFY2(retardo.iniciar(), qPrintable(retardo.porque()));
    QStringList parametros = servidor.params(ruta);
    for (QString& p : parametros) {
        if (p.startsWith(QLatin1String("Server=")))
            p = QStringLiteral("Server=") + retardo.nombreServidor();
    }
    {
        fb::Connection c;
        c.setParams(parametros);
        c.open();
        fb::Transaction t(c);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("select count(*) as n from rdb$database"));
        q.open();
        QVERIFY(q.next());
        QCOMPARE(q.value(QStringLiteral("n")).toInt(), 1);
        q.close();
        q.setSql(QStringLiteral("select rdb$relation_name as nombre from rdb$relations order by rdb$relation_id"));
        q.open();
        int filas = 0;
        while (q.next())
            ++filas;
        QVERIFY(filas > 20);
        q.close();
        t.commit();
        QCOMPARE(retardo.abiertas(), 1);
        c.close();
    }
    QTRY_COMPARE(retardo.abiertas(), 0);
    const std::vector<bench::Retardo::Conexion> cuentas = retardo.conexiones();
    QCOMPARE(cuentas.size(), size_t(1));
    QVERIFY(cuentas[0].subida > 0);
    QVERIFY(cuentas[0].bajada > 1000); // the relations' names came through it
    QVERIFY(cuentas[0].turnos >= 4);   // attach, start, open, fetch, commit, detach at the least
}

LUMIVO_TEST_GUILESS_MAIN(TestRetardo)
#include "tst_retardo.moc"
