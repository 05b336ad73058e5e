// The company's scan log as its writer leaves it in a real database: the station's heartbeat row,
// the daily clean-up that one station claims, and rows that wait in memory while the server is
// away (killed, or stopped without a word) and reach it once it is back.

#include "bitacora/Bitacora.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {

// Nothing happens by the clock in these tests: every batch and heartbeat is asked for.
Bitacora::Opciones aMano(int limite = 10000, int loteDepuracion = 1000)
{
    Bitacora::Opciones o;
    o.limite = limite;
    o.escrituraMs = 3600000;
    o.latidoMs = 3600000;
    o.loteDepuracion = loteDepuracion;
    return o;
}

Bitacora::Estacion estacion(const QStringList& parametros, const QString& nombre)
{
    Bitacora::Estacion e;
    e.parametros = parametros;
    e.nombre = nombre;
    e.host = QStringLiteral("pc-") + nombre.toLower().remove(u' ');
    e.version = QStringLiteral("3.3.0.0");
    e.empresa = QStringLiteral("DEMO");
    return e;
}

} // namespace

class TestBitacora : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void latido_data();
    void latido();
    void depuracion_data();
    void depuracion();
    void unaEstacionDepuraPorDia();
    void servidorCaido_data();
    void servidorCaido();
    void servidorCallado();
    void porSuReloj();
    void apagadoYEncendido();

private:
    QStringList filas(const QString& sql, const testsupport::QueryParams& p = {})
    {
        return testsupport::queryRows(m_parametros, sql, p);
    }
    void sql(const QString& texto) { testsupport::runSql(m_parametros, texto); }
    QDateTime leerHora(const QString& sql) { return QDateTime::fromString(filas(sql).value(0), Qt::ISODateWithMs); }
    // Old and recent rows, by the server's clock: `viejas` of 100 days, one of 89 and two of 10.
    void filasConEdad(int viejas);

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_parametros;
};

void TestBitacora::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_parametros = testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path()));
}

void TestBitacora::cleanup()
{
    m_dir.reset();
}

void TestBitacora::filasConEdad(int viejas)
{
    QString texto;
    const auto fila = [&](int dias, const QString& clave) {
        texto += QStringLiteral("INSERT INTO ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO) VALUES "
                                "(CURRENT_TIMESTAMP - %1, 'CAJA 9', '%2', 'N');\n")
                     .arg(dias)
                     .arg(clave);
    };
    for (int i = 0; i < viejas; ++i)
        fila(100, QStringLiteral("VIEJA-%1").arg(i));
    fila(89, QStringLiteral("CASI"));
    fila(10, QStringLiteral("RECIENTE-1"));
    fila(10, QStringLiteral("RECIENTE-2"));
    sql(texto);
}

void TestBitacora::latido_data()
{
    QTest::addColumn<bool>("kiosco");
    QTest::addColumn<bool>("indice");
    QTest::newRow("kiosk, index ready") << true << true;
    QTest::newRow("window, index building") << false << false;
}

// The station's own row: written at once and again at each heartbeat (one row, updated), with the
// server's time, the last scan, the last failure the display showed; no other station's row moves.
void TestBitacora::latido()
{
    QFETCH(bool, kiosco);
    QFETCH(bool, indice);
    sql(QStringLiteral("INSERT INTO ZANTOR_LMV_ESTACIONES (ESTACION, HOST, LATIDO, KIOSCO) VALUES "
                       "('CAJA 1', 'pc-caja1', '2026-01-01 08:00:00', 'N');"));
    const QStringList otra = filas(QStringLiteral("SELECT * FROM ZANTOR_LMV_ESTACIONES"));
    const QDateTime antes = leerHora(QStringLiteral("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE"));

    Bitacora bitacora(aMano());
    QSignalSpy latidos(&bitacora, &Bitacora::latido);
    bool listo = indice;
    bitacora.setIndiceListo([&] { return listo; });
    bitacora.setUltimoError(QStringLiteral("Sin respuesta del servidor, intente en unos momentos"));
    Bitacora::Estacion e = estacion(m_parametros, QStringLiteral("CAJA 7"));
    e.kiosco = kiosco;
    bitacora.activar(e, 90);
    QTRY_COMPARE(latidos.size(), 1);

    const QString sn = kiosco ? QStringLiteral("S") : QStringLiteral("N");
    const QString listoSn = indice ? QStringLiteral("S") : QStringLiteral("N");
    const QString columnas = QStringLiteral("SELECT ESTACION, HOST, VERSION_PROGRAMA, EMPRESA, KIOSCO, INDICE_LISTO, "
                                            "ULTIMO_ERROR, ULTIMA_CONSULTA IS NULL, INICIO IS NULL, LATIDO >= :antes "
                                            "FROM ZANTOR_LMV_ESTACIONES WHERE ESTACION = 'CAJA 7'");
    const testsupport::QueryParams p{{QStringLiteral("antes"), antes}};
    QCOMPARE(filas(columnas, p),
             QStringList{QStringLiteral("CAJA 7|pc-caja7|3.3.0.0|DEMO|%1|%2|Sin respuesta del servidor, intente en "
                                        "unos momentos|true|false|true")
                             .arg(sn, listoSn)});
    const QDateTime primerLatido =
        leerHora(QStringLiteral("SELECT LATIDO FROM ZANTOR_LMV_ESTACIONES WHERE ESTACION = 'CAJA 7'"));
    QVERIFY(primerLatido.isValid());

    // A scan and a change of the index's state: the next heartbeat carries them, on the same row.
    const QDateTime escaneo = QDateTime::currentDateTime();
    bitacora.registrar(Bitacora::kExacta, QStringLiteral("7501055300075"), 1001);
    listo = !indice;
    bitacora.latirAhora();
    QTRY_COMPARE(latidos.size(), 2);
    QCOMPARE(filas(QStringLiteral("SELECT COUNT(*), MAX(INDICE_LISTO), MAX(LATIDO) >= :primero, "
                                  "MAX(ULTIMA_CONSULTA) BETWEEN :a AND :b FROM ZANTOR_LMV_ESTACIONES WHERE "
                                  "ESTACION = 'CAJA 7'"),
                   {{QStringLiteral("primero"), primerLatido},
                    {QStringLiteral("a"), escaneo.addMSecs(-1)},
                    {QStringLiteral("b"), QDateTime::currentDateTime()}}),
             QStringList{QStringLiteral("1|%1|true|true").arg(indice ? QStringLiteral("N") : QStringLiteral("S"))});
    QCOMPARE(filas(QStringLiteral("SELECT * FROM ZANTOR_LMV_ESTACIONES WHERE ESTACION = 'CAJA 1'")), otra);
}

void TestBitacora::depuracion_data()
{
    // What the claim row holds when the station comes: SQL run first ("" leaves it missing).
    QTest::addColumn<QString>("antes");
    QTest::addColumn<bool>("reclamada");
    QTest::newRow("never cleaned") << QString() << true;
    QTest::newRow("cleaned yesterday")
        << QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('REGISTRO_DEPURADO', "
                          "CURRENT_DATE - DATE '2000-01-01' - 1);")
        << true;
    QTest::newRow("a row without a day")
        << QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION) VALUES ('REGISTRO_DEPURADO');") << true;
    QTest::newRow("already cleaned today")
        << QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('REGISTRO_DEPURADO', "
                          "CURRENT_DATE - DATE '2000-01-01');")
        << false;
}

// Rows older than the retention go, in small batches; younger ones stay. The day is claimed in the
// settings table, so a day already claimed deletes nothing.
void TestBitacora::depuracion()
{
    QFETCH(QString, antes);
    QFETCH(bool, reclamada);
    if (!antes.isEmpty())
        sql(antes);
    filasConEdad(7);

    Bitacora bitacora(aMano(10000, 3)); // three batches and a last one that finds one row
    QSignalSpy depuraciones(&bitacora, &Bitacora::depuracion);
    if (reclamada)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("7 filas de más de 90 días borradas")));
    bitacora.activar(estacion(m_parametros, QStringLiteral("CAJA 7")), 90);
    QTRY_COMPARE(depuraciones.size(), 1);
    QCOMPARE(depuraciones.front().at(0).toBool(), reclamada);
    QCOMPARE(depuraciones.front().at(1).toInt(), reclamada ? 7 : 0);

    QStringList quedan = filas(QStringLiteral("SELECT CLAVE FROM ZANTOR_LMV_CONSULTAS"));
    quedan.sort();
    QStringList esperadas{"CASI", "RECIENTE-1", "RECIENTE-2"};
    if (!reclamada)
        for (int i = 0; i < 7; ++i)
            esperadas << QStringLiteral("VIEJA-%1").arg(i);
    esperadas.sort();
    QCOMPARE(quedan, esperadas);
    QCOMPARE(filas(QStringLiteral("SELECT COUNT(*), MIN(VALOR_INT) = CURRENT_DATE - DATE '2000-01-01' FROM "
                                  "ZANTOR_LMV_CONFIG WHERE CONFIGURACION = 'REGISTRO_DEPURADO'")),
             QStringList{"1|true"});
    // Once a day per station: its next heartbeats leave the day alone.
    filasConEdad(2);
    QSignalSpy latidos(&bitacora, &Bitacora::latido);
    bitacora.latirAhora();
    QTRY_COMPARE(latidos.size(), 1);
    QCOMPARE(depuraciones.size(), 1);
}

// Two stations of one company on the same day: the first cleans up, the second finds the day taken.
void TestBitacora::unaEstacionDepuraPorDia()
{
    filasConEdad(4);
    Bitacora primera(aMano());
    QSignalSpy dePrimera(&primera, &Bitacora::depuracion);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("5 filas de más de 30 días borradas")));
    primera.activar(estacion(m_parametros, QStringLiteral("CAJA 1")), 30);
    QTRY_COMPARE(dePrimera.size(), 1);
    QCOMPARE(dePrimera.front().at(0).toBool(), true);
    QCOMPARE(dePrimera.front().at(1).toInt(), 5); // and the one of 89 days

    filasConEdad(4);
    Bitacora segunda(aMano());
    QSignalSpy deSegunda(&segunda, &Bitacora::depuracion);
    segunda.activar(estacion(m_parametros, QStringLiteral("CAJA 2")), 30);
    QTRY_COMPARE(deSegunda.size(), 1);
    QCOMPARE(deSegunda.front().at(0).toBool(), false);
    QCOMPARE(filas(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONSULTAS WHERE CLAVE STARTING WITH 'VIEJA'")),
             QStringList{"4"});
    // Each station wrote its own heartbeat row, none the other's.
    QCOMPARE(filas(QStringLiteral("SELECT ESTACION, HOST FROM ZANTOR_LMV_ESTACIONES ORDER BY ESTACION")),
             (QStringList{"CAJA 1|pc-caja1", "CAJA 2|pc-caja2"}));
}

void TestBitacora::servidorCaido_data()
{
    QTest::addColumn<int>("limite");
    QTest::addColumn<int>("escaneos"); // while the server is away
    QTest::newRow("within the bound: nothing lost") << 10000 << 25;
    QTest::newRow("beyond the bound: the oldest dropped and counted") << 20 << 25;
}

// The server is killed: each batch fails without losing its rows, the newest rows keep queuing up
// to the bound, and all that waited is written once the server is back.
void TestBitacora::servidorCaido()
{
    QFETCH(int, limite);
    QFETCH(int, escaneos);
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString ruta = pruebas::empresaInstalada(servidor.dataFolder());
    m_parametros = servidor.params(ruta);

    Bitacora bitacora(aMano(limite));
    QSignalSpy latidos(&bitacora, &Bitacora::latido);
    QSignalSpy escritas(&bitacora, &Bitacora::escritas);
    QSignalSpy fallas(&bitacora, &Bitacora::falla);
    bitacora.activar(estacion(m_parametros, QStringLiteral("CAJA 3")), 90);
    QTRY_COMPARE(latidos.size(), 1);
    bitacora.registrar(Bitacora::kExacta, QStringLiteral("ANTES"), 1001);
    bitacora.escribirAhora();
    QTRY_COMPARE(escritas.size(), 1);

    servidor.kill();
    for (int i = 0; i < escaneos; ++i)
        bitacora.registrar(Bitacora::kNoExiste, QStringLiteral("CAIDO-%1").arg(i, 2, 10, QLatin1Char('0')));
    const int guardadas = std::min(escaneos, limite);
    const int descartadas = escaneos - guardadas;
    QCOMPARE(bitacora.enEspera(), guardadas);
    QCOMPARE(bitacora.descartadas(), qint64(descartadas));
    // The rows dropped are counted in the log at the next attempt, written or not.
    if (descartadas > 0)
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(
                QStringLiteral("límite de %1 filas; se descartaron las %2 más antiguas").arg(limite).arg(descartadas)));
    bitacora.escribirAhora();
    QTRY_VERIFY(!fallas.isEmpty());
    QCOMPARE(bitacora.enEspera(), guardadas);
    // A second failed attempt loses nothing either.
    bitacora.escribirAhora();
    QTRY_COMPARE(fallas.size(), 2);
    QCOMPARE(bitacora.enEspera(), guardadas);

    QVERIFY2(servidor.start(), qPrintable(servidor.why()));
    bitacora.escribirAhora();
    QTRY_COMPARE(bitacora.enEspera(), 0);
    QStringList esperadas{QStringLiteral("ANTES")};
    for (int i = descartadas; i < escaneos; ++i)
        esperadas << QStringLiteral("CAIDO-%1").arg(i, 2, 10, QLatin1Char('0'));
    QCOMPARE(filas(QStringLiteral("SELECT CLAVE FROM ZANTOR_LMV_CONSULTAS ORDER BY FECHA_HORA, CLAVE")), esperadas);
    QCOMPARE(filas(QStringLiteral("SELECT COUNT(DISTINCT ESTACION), MIN(ESTACION) FROM ZANTOR_LMV_CONSULTAS")),
             QStringList{"1|CAJA 3"});
}

// The server stops answering without closing anything (SIGSTOP): the writer waits inside its call,
// scans keep queuing meanwhile, and everything is written when the server goes on.
void TestBitacora::servidorCallado()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString ruta = pruebas::empresaInstalada(servidor.dataFolder());
    m_parametros = servidor.params(ruta);

    auto bitacora = std::make_unique<Bitacora>(aMano());
    QSignalSpy latidos(bitacora.get(), &Bitacora::latido);
    bitacora->activar(estacion(m_parametros, QStringLiteral("CAJA 4")), 90);
    QTRY_COMPARE(latidos.size(), 1);

    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto continuar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    bitacora->registrar(Bitacora::kExacta, QStringLiteral("CALLADO-0"), 1001);
    bitacora->escribirAhora();
    QTRY_VERIFY(bitacora->ocupada());
    // The writer is held by the server; the scan flow's side never waits for it.
    for (int i = 1; i < 50; ++i)
        bitacora->registrar(Bitacora::kForma, QStringLiteral("CALLADO-%1").arg(i, 2, 10, QLatin1Char('0')), 1001);
    bitacora->latirAhora();
    QCOMPARE(bitacora->enEspera(), 50);
    QVERIFY(bitacora->ocupada());

    ::kill(pid, SIGCONT);
    continuar.dismiss();
    bitacora->escribirAhora();
    QTRY_COMPARE(bitacora->enEspera(), 0);
    QCOMPARE(filas(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT CLAVE) FROM ZANTOR_LMV_CONSULTAS")),
             QStringList{"50|50"});

    // Stopped again and the log let go: its end does not wait for the server.
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto alFinal = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    bitacora->registrar(Bitacora::kNoExiste, QStringLiteral("AL-SALIR"));
    bitacora->escribirAhora();
    QTRY_VERIFY(bitacora->ocupada());
    bitacora.reset();
}

// Left to its own timers, the log writes its batches and heartbeats with nobody asking.
void TestBitacora::porSuReloj()
{
    Bitacora::Opciones o;
    o.escrituraMs = 100;
    o.latidoMs = 150;
    Bitacora bitacora(o);
    QSignalSpy latidos(&bitacora, &Bitacora::latido);
    bitacora.activar(estacion(m_parametros, QStringLiteral("CAJA 5")), 90);
    bitacora.registrar(Bitacora::kNoExiste, QStringLiteral("SOLA"));
    QTRY_COMPARE(filas(QStringLiteral("SELECT ESTACION, CLAVE, RESULTADO, ARTICULO_ID FROM ZANTOR_LMV_CONSULTAS")),
                 QStringList{"CAJA 5|SOLA|N|NULL"});
    QTRY_VERIFY(latidos.size() >= 3);
}

// Off drops what waits and writes nothing more; on again writes what comes after, once.
void TestBitacora::apagadoYEncendido()
{
    Bitacora bitacora(aMano());
    QSignalSpy latidos(&bitacora, &Bitacora::latido);
    const Bitacora::Estacion e = estacion(m_parametros, QStringLiteral("CAJA 6"));
    bitacora.activar(e, 90);
    QTRY_COMPARE(latidos.size(), 1);
    bitacora.registrar(Bitacora::kExacta, QStringLiteral("ANTES-DE-APAGAR"), 1001);
    bitacora.desactivar();
    QCOMPARE(bitacora.enEspera(), 0);
    bitacora.registrar(Bitacora::kExacta, QStringLiteral("APAGADO"), 1001);
    QCOMPARE(bitacora.enEspera(), 0);
    bitacora.activar(e, 90);
    QTRY_COMPARE(latidos.size(), 2);
    bitacora.registrar(Bitacora::kExacta, QStringLiteral("ENCENDIDO"), 1001);
    bitacora.escribirAhora();
    QTRY_COMPARE(bitacora.enEspera(), 0);
    QTRY_COMPARE(filas(QStringLiteral("SELECT CLAVE FROM ZANTOR_LMV_CONSULTAS")), QStringList{"ENCENDIDO"});
}

LUMIVO_TEST_GUILESS_MAIN(TestBitacora)
#include "tst_bitacora.moc"
