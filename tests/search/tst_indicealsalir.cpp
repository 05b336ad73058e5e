// The catalogue index stopped in the middle of a build, on a catalogue big enough that the build
// is still reading when it goes: destroyed on its own, and with the whole station on the
// program's way out ("Salir", then the program object goes). Neither crashes nor hangs, and
// nothing of the build is left: its threads are joined and its attachments detached.

#include "app/Lumivo.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "search/IndiceCatalogo.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <thread>

namespace {

// Enough articles and keys that reading them takes a good part of a second even in a Release
// build, while filling them takes a few seconds.
constexpr int kArticulos = 300000;

void llenarCatalogo(const QStringList& params)
{
    fb::Connection c;
    c.setParams(params);
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral(
                 "execute block as declare i integer = 0; begin "
                 "while (i < %1) do begin "
                 "insert into articulos (articulo_id, nombre) values (: i + 2000000, "
                 "'ARTICULO DE UN CATALOGO GRANDE CON UN NOMBRE COMO LOS DE LA TIENDA ' || : i); "
                 "insert into claves_articulos (clave_articulo_id, clave_articulo, articulo_id, rol_clave_art_id) "
                 "values (: i + 3000000, 'CLAVE-' || : i, : i + 2000000, null); "
                 "i = i + 1; end end")
                 .arg(kArticulos));
    q.execute();
    t.commit();
}

// What another attachment of this process sees of the database, through the monitoring tables;
// each question in a transaction of its own, since those tables are a snapshot per transaction.
class Monitor {
public:
    explicit Monitor(const QStringList& params)
    {
        m_conexion.setParams(params);
        m_conexion.open();
    }
    // Attachments other than this one (the engine's own are not users').
    int otras()
    {
        return numero(QStringLiteral("select count(*) from mon$attachments where mon$attachment_id <> "
                                     "current_connection and mon$system_flag = 0"));
    }
    // Statements of other attachments with an open cursor on the articles' names.
    int leyendoNombres()
    {
        return numero(QStringLiteral("select count(*) from mon$statements where mon$attachment_id <> "
                                     "current_connection and mon$state > 0 and mon$sql_text containing "
                                     "'nombre from articulos'"));
    }

private:
    int numero(const QString& sql)
    {
        fb::Transaction t(m_conexion);
        t.start();
        const int n = testsupport::queryRows(t, sql).value(0).toInt();
        t.commit();
        return n;
    }
    fb::Connection m_conexion;
};

// The names of the threads of this process, sorted.
QStringList hilos()
{
    QStringList nombres;
    const QDir tareas(QStringLiteral("/proc/self/task"));
    for (const QString& id : tareas.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tareas.filePath(id + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            nombres << QString::fromUtf8(comm.readAll().trimmed());
    }
    nombres.sort();
    return nombres;
}

} // namespace

class TestIndiceAlSalir : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void destruidoAMedias();
    void salidaDeLaEstacionAMedias();
    void servidorColgado();
    void cleanup();

private:
    QTemporaryDir m_dir;
    QString m_plantilla; // the company with its big catalogue, copied for each test
    QString m_base;
    std::unique_ptr<Monitor> m_monitor;
    QStringList m_hilos;
};

void TestIndiceAlSalir::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("plantilla")));
    m_plantilla = empresaConObjetos(m_dir.filePath(QStringLiteral("plantilla")));
    llenarCatalogo(testsupport::embeddedParams(m_plantilla));
}

void TestIndiceAlSalir::init()
{
    // The station looks for DEMO.fdb in its data folder.
    const QString carpeta = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    QVERIFY(QDir().mkpath(carpeta));
    m_base = carpeta + QStringLiteral("/DEMO.fdb");
    QVERIFY(QFile::copy(m_plantilla, m_base));
    // Open before the count: the engine's threads for this database are then running already.
    m_monitor = std::make_unique<Monitor>(testsupport::embeddedParams(m_base));
    m_hilos = hilos();
}

void TestIndiceAlSalir::cleanup()
{
    m_monitor.reset();
}

void TestIndiceAlSalir::destruidoAMedias()
{
    const QStringList params = testsupport::embeddedParams(m_base);
    auto indice = std::make_unique<catalogo::IndiceCatalogo>([params] { return params; });
    QSignalSpy construido(indice.get(), &catalogo::IndiceCatalogo::construido);
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->leyendoNombres() == 1, 20000);
    QVERIFY2(!indice->listo(), "the build ended before it could be stopped: the catalogue is too small");

    indice.reset();
    // Its two connections (the names and the keys) are gone, its threads with them (on a loaded
    // machine a worker that took too long to see the stop ends just after).
    QTRY_COMPARE(m_monitor->otras(), 0);
    QTRY_COMPARE(m_monitor->leyendoNombres(), 0);
    QTRY_COMPARE(hilos().join(u','), m_hilos.join(u','));
    QCoreApplication::processEvents();
    QCOMPARE(construido.count(), 0);
}

// The server stops answering (SIGSTOP) while the index attaches to it: destroying the index, as the
// program's end and a company change do, does not wait on it. Should the destruction wait after
// all, the server answers again after a while and the test fails rather than hang.
void TestIndiceAlSalir::servidorColgado()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString base = empresaConObjetos(servidor.dataFolder());
    const QStringList params = servidor.params(base);
    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    std::promise<void> destruido;
    std::atomic<bool> porLaSalvaguarda{false};
    std::thread salvaguarda([pid, &porLaSalvaguarda, hecho = destruido.get_future()] {
        if (hecho.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            porLaSalvaguarda = true;
            ::kill(pid, SIGCONT);
        }
    });

    auto indice = std::make_unique<catalogo::IndiceCatalogo>([params] { return params; });
    QTest::qWait(200); // the worker starts and sends its attachment to the stopped server
    indice.reset();
    destruido.set_value();
    salvaguarda.join();
    ::kill(pid, SIGCONT);
    QVERIFY(!porLaSalvaguarda);
}

void TestIndiceAlSalir::salidaDeLaEstacionAMedias()
{
    auto lumivo = std::make_unique<Lumivo>(ArranqueManual::llave());
    DatosConexion& d = lumivo->sesion.datos;
    d.CarpetaDatos = QFileInfo(m_base).path() + QLatin1Char('/');
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("SYSDBA");
    lumivo->frmConsulta.Conexion();
    lumivo->frmConsulta.show();
    auto* indice = lumivo->frmBuscarEnCatalogo.findChild<catalogo::IndiceCatalogo*>();
    QVERIFY(indice);
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->leyendoNombres() == 1, 20000);
    QVERIFY2(!indice->listo(), "the build ended before it could be stopped: the catalogue is too small");

    // The program's way out: "Salir" ends its loop, then the program object goes.
    QTimer::singleShot(0, &lumivo->frmConsulta,
                       [&lumivo] { lumivo->frmConsulta.findChild<QAction*>(QStringLiteral("Salir1"))->trigger(); });
    QTimer guardia; // a guard against a loop that does not end, not a measurement
    guardia.setSingleShot(true);
    connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guardia.start(20000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY2(!indice->listo(), "the build ended before it could be stopped: the catalogue is too small");
    lumivo.reset();

    // The station's connection and the index's two are gone.
    QCOMPARE(m_monitor->otras(), 0);
    // The station's own work on Qt's pool (not the index's) leaves idle threads there.
    QThreadPool::globalInstance()->waitForDone();
    QTRY_COMPARE(hilos().join(u','), m_hilos.join(u','));
}

LUMIVO_TEST_MAIN(TestIndiceAlSalir)
#include "tst_indicealsalir.moc"
