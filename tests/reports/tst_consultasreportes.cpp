// The reports' statements on a company whose scan log holds a small log with known counts: each
// period's figures, the periods' edges, keys and station names that carry commas and quotes, the
// articles' main keys and net prices, the hours, the stations' health and a company without the
// log's tables.

#include "firebird/Connection.h"
#include "firebird/Transaction.h"
#include "reports/ConsultasReportes.h"
#include "reports/Csv.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/RegistroConsultas.h"
#include "tests/support/TestDatabases.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using reportes::OpcionPeriodo;

namespace {

const QDate kHoy(2026, 3, 10);

// Every row as text, cells joined by '|', in the file's own formats.
QStringList filas(const reportes::Tabla& t)
{
    QStringList r;
    for (const auto& fila : t.filas) {
        QStringList celdas;
        for (const reportes::Celda& c : fila)
            celdas.append(reportes::textoArchivo(c));
        r.append(celdas.join(u'|'));
    }
    return r;
}

} // namespace

class TestConsultasReportes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void periodos_data();
    void periodos();
    void noEncontrados_data();
    void noEncontrados();
    void masConsultados_data();
    void masConsultados();
    void porHora();
    void estaciones();
    void sinTablas();

private:
    fb::Transaction& transaccion();
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_parametros;
    std::unique_ptr<fb::Connection> m_conexion;
    std::unique_ptr<fb::Transaction> m_transaccion;
};

void TestConsultasReportes::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_parametros = testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path()));
    pruebas::crearRegistro(m_parametros);
    pruebas::escribirRegistro(m_parametros, pruebas::registroConocido(kHoy), pruebas::estacionesConocidas(kHoy));
    m_conexion = std::make_unique<fb::Connection>();
    m_conexion->setParams(m_parametros);
    m_conexion->open();
    m_transaccion = std::make_unique<fb::Transaction>(*m_conexion, fb::Isolation::ReadCommitted, fb::Access::ReadOnly);
    m_transaccion->start();
}

void TestConsultasReportes::cleanupTestCase()
{
    m_transaccion.reset();
    m_conexion.reset();
    m_dir.reset();
}

fb::Transaction& TestConsultasReportes::transaccion()
{
    return *m_transaccion;
}

void TestConsultasReportes::periodos_data()
{
    QTest::addColumn<int>("opcion");
    QTest::addColumn<QDate>("inicio");
    QTest::addColumn<QDate>("fin");
    QTest::addColumn<QDateTime>("desde");
    QTest::addColumn<QDateTime>("hasta");
    const QTime cero(0, 0);
    QTest::newRow("today") << int(OpcionPeriodo::Hoy) << QDate() << QDate() << QDateTime(kHoy, cero)
                           << QDateTime(kHoy.addDays(1), cero);
    QTest::newRow("7 days, today included") << int(OpcionPeriodo::Semana) << QDate() << QDate()
                                            << QDateTime(kHoy.addDays(-6), cero) << QDateTime(kHoy.addDays(1), cero);
    QTest::newRow("30 days, today included") << int(OpcionPeriodo::Mes) << QDate() << QDate()
                                             << QDateTime(kHoy.addDays(-29), cero) << QDateTime(kHoy.addDays(1), cero);
    QTest::newRow("range, both days whole")
        << int(OpcionPeriodo::Rango) << QDate(2026, 2, 27) << QDate(2026, 3, 1) << QDateTime(QDate(2026, 2, 27), cero)
        << QDateTime(QDate(2026, 3, 2), cero);
    QTest::newRow("range given backwards") << int(OpcionPeriodo::Rango) << QDate(2026, 3, 1) << QDate(2026, 2, 27)
                                           << QDateTime(QDate(2026, 2, 27), cero) << QDateTime(QDate(2026, 3, 2), cero);
    QTest::newRow("range of one day") << int(OpcionPeriodo::Rango) << QDate(2026, 12, 31) << QDate(2026, 12, 31)
                                      << QDateTime(QDate(2026, 12, 31), cero) << QDateTime(QDate(2027, 1, 1), cero);
}

void TestConsultasReportes::periodos()
{
    QFETCH(int, opcion);
    QFETCH(QDate, inicio);
    QFETCH(QDate, fin);
    QFETCH(QDateTime, desde);
    QFETCH(QDateTime, hasta);
    const reportes::Periodo p = reportes::periodo(OpcionPeriodo(opcion), kHoy, inicio, fin);
    QCOMPARE(p.desde, desde);
    QCOMPARE(p.hasta, hasta);
}

void TestConsultasReportes::noEncontrados_data()
{
    QTest::addColumn<int>("opcion");
    QTest::addColumn<QDate>("inicio");
    QTest::addColumn<QDate>("fin");
    QTest::addColumn<QStringList>("esperadas");
    // Midnight today starts today; midnight tomorrow is left out; the last instant of yesterday is
    // only in the longer periods.
    QTest::newRow("today") << int(OpcionPeriodo::Hoy) << QDate() << QDate()
                           << QStringList{"7500000000001|2|10/03/2026 09:15:00|10/03/2026 11:40:00|Caja 1, Caja 2",
                                          "ABC,\"12\"|1|10/03/2026 00:00:00|10/03/2026 00:00:00|Caja 1"};
    QTest::newRow("7 days: from midnight six days ago")
        << int(OpcionPeriodo::Semana) << QDate() << QDate()
        << QStringList{"7500000000001|3|09/03/2026 23:59:59|10/03/2026 11:40:00|Caja 1, Caja 2",
                       "999|1|04/03/2026 00:00:00|04/03/2026 00:00:00|Pasillo, norte",
                       "ABC,\"12\"|1|10/03/2026 00:00:00|10/03/2026 00:00:00|Caja 1"};
    QTest::newRow("30 days: the misread key seen by two stations")
        << int(OpcionPeriodo::Mes) << QDate() << QDate()
        << QStringList{"7500000000001|3|09/03/2026 23:59:59|10/03/2026 11:40:00|Caja 1, Caja 2",
                       "999|2|03/03/2026 23:59:59|04/03/2026 00:00:00|Caja 2, Pasillo, norte",
                       "ABC,\"12\"|1|10/03/2026 00:00:00|10/03/2026 00:00:00|Caja 1",
                       "OLD|1|09/02/2026 00:00:00|09/02/2026 00:00:00|Caja 1"};
    QTest::newRow("range before the 30 days") << int(OpcionPeriodo::Rango) << QDate(2026, 2, 8) << QDate(2026, 2, 9)
                                              << QStringList{"OLD|1|09/02/2026 00:00:00|09/02/2026 00:00:00|Caja 1",
                                                             "OLDER|1|08/02/2026 12:00:00|08/02/2026 12:00:00|Caja 1"};
    QTest::newRow("tomorrow's midnight belongs to tomorrow")
        << int(OpcionPeriodo::Rango) << QDate(2026, 3, 11) << QDate(2026, 3, 11)
        << QStringList{"MAÑANA|1|11/03/2026 00:00:00|11/03/2026 00:00:00|Caja 1"};
    QTest::newRow("nothing in the period")
        << int(OpcionPeriodo::Rango) << QDate(2025, 1, 1) << QDate(2025, 1, 31) << QStringList{};
}

void TestConsultasReportes::noEncontrados()
{
    QFETCH(int, opcion);
    QFETCH(QDate, inicio);
    QFETCH(QDate, fin);
    QFETCH(QStringList, esperadas);
    const reportes::Tabla t =
        reportes::noEncontrados(transaccion(), reportes::periodo(OpcionPeriodo(opcion), kHoy, inicio, fin));
    QCOMPARE(t.titulos, (QStringList{"Clave", "Veces", "Primera vez", "Última vez", "Estaciones"}));
    QCOMPARE(filas(t), esperadas);
}

void TestConsultasReportes::masConsultados_data()
{
    QTest::addColumn<int>("opcion");
    QTest::addColumn<int>("limite");
    QTest::addColumn<QStringList>("esperadas");
    // The main key even when another was scanned; a key without a role when it is the only one; the
    // walk-in discount in the net price (12.5 % on 1006); no price where the list has none.
    QTest::newRow("today") << int(OpcionPeriodo::Hoy) << 100
                           << QStringList{"CCL600|COCA COLA LIGHT 600ML|3|16.00",
                                          "JALAPEÑO-GR|Jalapeño en rajas granel|2|50.75"};
    QTest::newRow("7 days") << int(OpcionPeriodo::Semana) << 100
                            << QStringList{"CCL600|COCA COLA LIGHT 600ML|3|16.00",
                                           "JALAPEÑO-GR|Jalapeño en rajas granel|2|50.75",
                                           "CAFE-OLLA|Café de olla 500 g|1|79.00",
                                           "BOLSA-ECO|Bolsa ecológica reutilizable|1|",
                                           "TORN-14X2|Tornillo 1/4 x 2 pulgadas|1|0.95"};
    QTest::newRow("the first rows only") << int(OpcionPeriodo::Semana) << 2
                                         << QStringList{"CCL600|COCA COLA LIGHT 600ML|3|16.00",
                                                        "JALAPEÑO-GR|Jalapeño en rajas granel|2|50.75"};
}

void TestConsultasReportes::masConsultados()
{
    QFETCH(int, opcion);
    QFETCH(int, limite);
    QFETCH(QStringList, esperadas);
    const reportes::Tabla t =
        reportes::masConsultados(transaccion(), reportes::periodo(OpcionPeriodo(opcion), kHoy), 465, 450, limite);
    QCOMPARE(t.titulos, (QStringList{"Clave", "Artículo", "Veces", "Precio neto"}));
    QCOMPARE(filas(t), esperadas);
}

void TestConsultasReportes::porHora()
{
    const reportes::PorHora hoy = reportes::porHora(transaccion(), reportes::periodo(OpcionPeriodo::Hoy, kHoy));
    QCOMPARE(hoy.estaciones.size(), std::size_t{2});
    std::array<std::int64_t, 24> caja1{}, caja2{};
    caja1[0] = 1;  // midnight's misread key
    caja1[9] = 1;  // 09:15
    caja1[10] = 2; // 10:00 and 10:30
    caja1[13] = 1;
    caja2[10] = 1;
    caja2[11] = 1;
    caja2[12] = 1;
    QCOMPARE(hoy.estaciones.at(QStringLiteral("Caja 1")), caja1);
    QCOMPARE(hoy.estaciones.at(QStringLiteral("Caja 2")), caja2);
    std::array<std::int64_t, 24> total{};
    total[0] = 1;
    total[9] = 1;
    total[10] = 3;
    total[11] = 1;
    total[12] = 1;
    total[13] = 1;
    QCOMPARE(hoy.total(), total);

    // Over 30 days every station and hour adds up to every row in the period.
    const reportes::PorHora mes = reportes::porHora(transaccion(), reportes::periodo(OpcionPeriodo::Mes, kHoy));
    QCOMPARE(mes.estaciones.size(), std::size_t{3});
    std::int64_t suma = 0;
    for (const std::int64_t n : mes.total())
        suma += n;
    QCOMPARE(suma, std::int64_t{15}); // 17 rows, less the one before the period and tomorrow's
    QCOMPARE(mes.estaciones.at(QStringLiteral("Pasillo, norte"))[18], std::int64_t{2});
    QCOMPARE(mes.total()[23], std::int64_t{2}); // the last instants of two days
}

void TestConsultasReportes::estaciones()
{
    const reportes::Estaciones e = reportes::estaciones(transaccion());
    QCOMPARE(e.vivas, (std::vector<bool>{true, false, false}));
    QCOMPARE(e.tabla.titulos, (QStringList{"Estado", "Estación", "Equipo", "Versión", "Último latido",
                                           "Última consulta", "Último error"}));
    QCOMPARE(e.tabla.filas.size(), std::size_t{3});
    const QStringList f = filas(e.tabla);
    QCOMPARE(f[0].section(u'|', 0, 3), QStringLiteral("En línea|Caja 1|caja 1|3.3.0.0"));
    QCOMPARE(f[0].section(u'|', 5), QStringLiteral("10/03/2026 13:00:00|"));
    QCOMPARE(f[1].section(u'|', 0, 1), QStringLiteral("Sin señal|Caja 2"));
    QCOMPARE(f[1].section(u'|', 5), QStringLiteral("10/03/2026 12:00:00|Sin respuesta del servidor"));
    // Never beat: no heartbeat, red.
    QCOMPARE(f[2], QStringLiteral("Sin señal|Pasillo, norte|pasillo, norte|3.3.0.0|||"));
    // The heartbeats are the server's time: the live one is within the last 90 seconds of now.
    const auto* latido = std::get_if<QDateTime>(&e.tabla.filas[0][4]);
    QVERIFY(latido);
    QVERIFY(latido->secsTo(QDateTime::currentDateTime()) < reportes::kSegundosVivo);
}

// An older company without the log's tables: the report says which are missing before reading.
void TestConsultasReportes::sinTablas()
{
    QCOMPARE(reportes::tablasFaltantes(transaccion()), QStringList{});
    QTemporaryDir otra;
    QVERIFY(otra.isValid());
    const QStringList parametros = testsupport::embeddedParams(pruebas::empresaInstalada(otra.path()));
    fb::Connection c;
    c.setParams(parametros);
    c.open();
    fb::Transaction t(c);
    t.start();
    QCOMPARE(reportes::tablasFaltantes(t), (QStringList{"ZANTOR_LMV_CONSULTAS", "ZANTOR_LMV_ESTACIONES"}));
    t.commit();
    // Half of them (a partial installation) names only the missing one.
    testsupport::runSql(parametros,
                        scriptRegistroConsultas().section(QStringLiteral("CREATE TABLE ZANTOR_LMV_ESTACIONES"), 0, 0));
    fb::Transaction t2(c);
    t2.start();
    QCOMPARE(reportes::tablasFaltantes(t2), QStringList{"ZANTOR_LMV_ESTACIONES"});
}

LUMIVO_TEST_MAIN(TestConsultasReportes)
#include "tst_consultasreportes.moc"
