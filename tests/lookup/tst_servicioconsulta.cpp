// The lookup service without a window: answers of each state from a real company database, only
// the newest of several scans answered, and a server stopped with SIGSTOP met by the deadline, the
// service then attaching again in the background once the server continues.
#include "data/uDM.h"
#include "firebird/Query.h"
#include "lookup/ServicioConsulta.h"
#include "rules/AjustesConsulta.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Estado = RespuestaConsulta::Estado;

// The answers a service gives, in order.
struct Respuestas {
    std::vector<RespuestaConsulta> lista;
    std::vector<int> intentos; // conexionServidor's attempt numbers
    explicit Respuestas(ServicioConsulta& s)
    {
        QObject::connect(&s, &ServicioConsulta::respuesta, [this](const RespuestaConsulta& r) { lista.push_back(r); });
        QObject::connect(&s, &ServicioConsulta::conexionServidor, [this](int n) { intentos.push_back(n); });
    }
};

} // namespace

class TestServicioConsulta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void estados_data();
    void estados();
    void ganaLaMasNueva();
    void servidorColgado();
    void cerrarConServidorColgado();
    void trabajoPropio_data();
    void trabajoPropio();

private:
    void abrir(const QStringList& parametros);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<ServicioConsulta> m_servicio;
    AjustesConsulta m_ajustes;
};

void TestServicioConsulta::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    m_dm = std::make_unique<Tdm>();
    m_ajustes = {};
    m_ajustes.ClienteEventualId = 465;
}

void TestServicioConsulta::cleanup()
{
    m_servicio.reset();
    m_dm.reset();
    m_dir.reset();
}

void TestServicioConsulta::abrir(const QStringList& parametros)
{
    m_dm->conectarEmpresa(parametros);
    m_servicio = std::make_unique<ServicioConsulta>(*m_dm, [](int) { return 50; });
    m_servicio->abrir();
}

void TestServicioConsulta::estados_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("nombre");
    QTest::newRow("found, with its grids") << "7501055300075" << int(Estado::Encontrado) << "COCA COLA LIGHT 600ML";
    QTest::newRow("equivalent form") << "07501055300075" << int(Estado::Encontrado) << "COCA COLA LIGHT 600ML";
    QTest::newRow("unknown") << "NO-EXISTE" << int(Estado::NoEncontrado) << "";
    QTest::newRow("misread check digit") << "7501055300076" << int(Estado::CodigoNoValido) << "";
    QTest::newRow("text the connection cannot carry") << "CCL600€" << int(Estado::Fallo) << "";
}

void TestServicioConsulta::estados()
{
    QFETCH(QString, clave);
    QFETCH(int, estado);
    QFETCH(QString, nombre);
    abrir(testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path())));
    Respuestas r(*m_servicio);
    const int secuencia = m_servicio->buscar(clave, m_ajustes);
    QTRY_COMPARE(r.lista.size(), size_t{1});
    const RespuestaConsulta& a = r.lista.front();
    QCOMPARE(a.secuencia, secuencia);
    QCOMPARE(int(a.estado), estado);
    QCOMPARE(a.articulo.nombre, nombre);
    QCOMPARE(a.clave, clave);
    if (a.estado == Estado::Encontrado) {
        // The grids' rows travel as plain copies, with their column names.
        QVERIFY(!a.precios.filas.empty());
        QVERIFY(a.precios.columnas.contains(QStringLiteral("PRECION"), Qt::CaseInsensitive));
        QVERIFY(!a.claves.filas.empty());
        QVERIFY(a.filaPrecio >= 0);
        QVERIFY(a.precioNeto != (fb::Decimal{0, 0}));
    }
    if (a.estado == Estado::Fallo)
        QVERIFY2(a.mensaje.contains(QStringLiteral("ISO8859_1")), qPrintable(a.mensaje));
    QVERIFY(!m_servicio->sinRespuesta());
}

// Two scans asked back to back: only the second is answered, and with its own article.
void TestServicioConsulta::ganaLaMasNueva()
{
    abrir(testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path())));
    Respuestas r(*m_servicio);
    m_servicio->buscar(QStringLiteral("7501055300075"), m_ajustes);
    const int segunda = m_servicio->buscar(QStringLiteral("CCL355"), m_ajustes);
    QTRY_VERIFY(!m_servicio->ocupado());
    QCOMPARE(r.lista.size(), size_t{1});
    QCOMPARE(r.lista.front().secuencia, segunda);
    QCOMPARE(r.lista.front().articulo.nombre, QStringLiteral("Coca Cola Light 355 ml"));
}

void TestServicioConsulta::servidorColgado()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString ruta = pruebas::empresaInstalada(servidor.dataFolder());
    abrir(servidor.params(ruta));
    m_servicio->setPlazo(1000);
    Respuestas r(*m_servicio);
    m_servicio->buscar(QStringLiteral("CCL355"), m_ajustes);
    QTRY_COMPARE(r.lista.size(), size_t{1});
    QCOMPARE(r.lista.back().estado, Estado::Encontrado);

    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    m_servicio->buscar(QStringLiteral("7501055300075"), m_ajustes);
    QTRY_COMPARE_WITH_TIMEOUT(r.lista.size(), size_t{2}, 10000);
    QCOMPARE(r.lista.back().estado, Estado::SinRespuesta);
    QVERIFY(m_servicio->sinRespuesta());
    QVERIFY(!r.intentos.empty() && r.intentos.back() > 0);
    // A round and a commit asked meanwhile end by the deadline too.
    bool ronda = false;
    connect(m_servicio.get(), &ServicioConsulta::ronda, this, [&] { ronda = true; });
    m_servicio->pedirRonda(m_ajustes, 0);
    m_servicio->confirmar();
    QTRY_VERIFY_WITH_TIMEOUT(ronda, 10000);

    QCOMPARE(::kill(pid, SIGCONT), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!r.intentos.empty() && r.intentos.back() == 0, 30000);
    QVERIFY(!m_servicio->sinRespuesta());
    m_servicio->buscar(QStringLiteral("7501055300075"), m_ajustes);
    QTRY_COMPARE_WITH_TIMEOUT(r.lista.size(), size_t{3}, 10000);
    QCOMPARE(r.lista.back().estado, Estado::Encontrado);
    QCOMPARE(r.lista.back().articulo.nombre, QStringLiteral("COCA COLA LIGHT 600ML"));
}

// The service closed while the server holds still (SIGSTOP) after a lookup: the worker's goodbye
// (its kept transaction, its attachment) waits on the server on the worker's own thread, and this
// thread goes on. Should it wait after all, the server answers again after a while and the test
// fails rather than hang.
void TestServicioConsulta::cerrarConServidorColgado()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    abrir(servidor.params(pruebas::empresaInstalada(servidor.dataFolder())));
    m_servicio->setPlazo(300);
    Respuestas r(*m_servicio);
    m_servicio->buscar(QStringLiteral("CCL355"), m_ajustes);
    QTRY_COMPARE(r.lista.size(), size_t{1});
    QCOMPARE(r.lista.back().estado, Estado::Encontrado);

    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    std::promise<void> hecho;
    std::atomic<bool> porLaSalvaguarda{false};
    std::thread salvaguarda([pid, &porLaSalvaguarda, fin = hecho.get_future()] {
        if (fin.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            porLaSalvaguarda = true;
            ::kill(pid, SIGCONT);
        }
    });
    m_servicio->cerrar();
    // The events a finished worker thread posts here (its QThread's deletion among them).
    QTest::qWait(1000);
    hecho.set_value();
    salvaguarda.join();
    ::kill(pid, SIGCONT);
    QVERIFY(!porLaSalvaguarda);
    QVERIFY(m_servicio->sinRespuesta());
}

void TestServicioConsulta::trabajoPropio_data()
{
    QTest::addColumn<bool>("latidos");
    QTest::newRow("silent: given up at the deadline") << false;
    QTest::newRow("signs of life: outlives the deadline") << true;
}

// Work of the caller's own runs on the service's attachment; one that goes on longer than the
// deadline is given up unless it keeps giving signs of life (as rows arriving do).
void TestServicioConsulta::trabajoPropio()
{
    QFETCH(bool, latidos);
    abrir(testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path())));
    m_servicio->setPlazo(1000);
    // Written by the service's thread, which a given-up call leaves running.
    auto articulos = std::make_shared<std::atomic<int>>(-1);
    bool hecho = false;
    std::exception_ptr fallo;
    m_servicio->ejecutar(
        [articulos, latidos](Tdm& dm, const ServicioConsulta::Latido& latir) {
            dm.reiniciarTransaccion();
            fb::Query q(dm.fdTrans);
            q.setSql(QStringLiteral("select count(*) from ARTICULOS"));
            q.open();
            q.next();
            const int n = q.value(0).toInt();
            q.close();
            dm.confirmarTransaccion();
            // Twice the deadline in all.
            for (int i = 0; i < 8; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                if (latidos)
                    latir();
            }
            articulos->store(n);
        },
        [&](std::exception_ptr f) {
            hecho = true;
            fallo = std::move(f);
        });
    QTRY_VERIFY_WITH_TIMEOUT(hecho, 15000);
    if (latidos) {
        QVERIFY(!fallo);
        QVERIFY(articulos->load() > 0);
        QVERIFY(!m_servicio->sinRespuesta());
    } else {
        QVERIFY(fallo);
        bool sinRespuesta = false;
        try {
            std::rethrow_exception(fallo);
        } catch (const SinRespuestaServidor&) {
            sinRespuesta = true;
        } catch (...) {
        }
        QVERIFY(sinRespuesta);
        // The abandoned worker finishes by itself (before the next row starts its own).
        QTRY_VERIFY_WITH_TIMEOUT(articulos->load() > 0, 15000);
    }
}

LUMIVO_TEST_MAIN(TestServicioConsulta)
#include "tst_servicioconsulta.moc"
