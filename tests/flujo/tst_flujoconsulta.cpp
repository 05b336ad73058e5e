// The price display's flow without a window, on a real company database: a scan from the key
// box's text to the display state of its answer, only the newest scan shown, a clearing that
// forgets the scan under way, the idle count, and the settings' reload on the service's thread.

#include "app/flujo/FlujoConsulta.h"
#include "data/uDM.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QDir>
#include <QFont>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

using Pantalla = flujo::Pantalla;
using Vista = Pantalla::Vista;
using Sonido = Pantalla::Sonido;

} // namespace

class TestFlujoConsulta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void escaneo_data();
    void escaneo();
    void ganaLaMasNueva();
    void limpiarOlvidaLaConsulta();
    void sinAtadura();
    void inactividad_data();
    void inactividad();
    void consultaDetieneLaCuenta();
    void recargaPorElServicio();
    void recargaAnteriorSeDescarta();
    void recargaFallidaNoCambiaNada();
    void leerEstacion();

private:
    void abrir();
    void sql(const QString& script) { testsupport::runSql(testsupport::embeddedParams(m_ruta), script); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<ServicioConsulta> m_servicio;
    std::unique_ptr<FlujoConsulta> m_flujo;
    AjustesConsulta m_ajustes;
    bool m_diseno = false;
};

void TestFlujoConsulta::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    m_dm = std::make_unique<Tdm>();
    m_servicio = std::make_unique<ServicioConsulta>(*m_dm, [](int) { return 50; });
    m_ajustes = {};
    m_ajustes.ClienteEventualId = 465;
    m_diseno = false;
    m_flujo = std::make_unique<FlujoConsulta>(*m_servicio, m_ajustes, [this] { return m_diseno; });
}

void TestFlujoConsulta::cleanup()
{
    m_flujo.reset();
    m_servicio.reset();
    m_dm.reset();
    m_dir.reset();
}

void TestFlujoConsulta::abrir()
{
    m_ruta = pruebas::empresaInstalada(m_dir->path());
    m_dm->conectarEmpresa(testsupport::embeddedParams(m_ruta));
    m_servicio->abrir();
    m_flujo->setEmpresaAbierta(true);
}

void TestFlujoConsulta::escaneo_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("buscador");
    QTest::addColumn<int>("vista");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<int>("sonido");
    QTest::addColumn<QString>("nombre");

    const QString nada;
    QTest::newRow("found, through the scanner's prefix and suffix")
        << "]E07501055300075#\r" << true << int(Vista::Articulo) << nada << int(Sonido::Ninguno)
        << "COCA COLA LIGHT 600ML";
    QTest::newRow("unknown, catalogue search on")
        << "NO-EXISTE" << true << int(Vista::Buscador) << nada << int(Sonido::Ninguno) << nada;
    QTest::newRow("unknown, catalogue search off")
        << "NO-EXISTE" << false << int(Vista::Vacia) << nada << int(Sonido::Pitido) << nada;
    QTest::newRow("misread check digit") << "7501055300076" << true << int(Vista::Mensaje)
                                         << "Código no válido, escanee de nuevo" << int(Sonido::DoblePitido) << nada;
}

void TestFlujoConsulta::escaneo()
{
    QFETCH(QString, texto);
    QFETCH(bool, buscador);
    QFETCH(int, vista);
    QFETCH(QString, mensaje);
    QFETCH(int, sonido);
    QFETCH(QString, nombre);

    abrir();
    m_flujo->setEscaner({QStringLiteral("]E0"), QStringLiteral("#")});
    m_ajustes.MostrarBuscador = buscador;
    QSignalSpy respuestas(m_flujo.get(), &FlujoConsulta::respuestaLista);
    QVERIFY(!m_flujo->rechazo());
    const QString clave = m_flujo->claveEscaneada(texto);
    m_flujo->buscar(clave);
    QVERIFY(m_flujo->consultaPendiente());
    QTRY_COMPARE(respuestas.size(), 1);
    QVERIFY(!m_flujo->consultaPendiente());

    const auto r = respuestas.front().at(0).value<RespuestaConsulta>();
    const auto p = respuestas.front().at(1).value<Pantalla>();
    QCOMPARE(r.articulo.nombre, nombre);
    QCOMPARE(int(p.vista), vista);
    QCOMPARE(p.mensaje, mensaje);
    QCOMPARE(int(p.sonido), sonido);
    // The catalogue search gets the key as looked up, without what the scanner sent around it.
    QCOMPARE(p.clave, p.vista == Vista::Buscador ? texto : QString());
    QVERIFY(!r.clave.contains(QStringLiteral("]E0")) && !r.clave.contains(u'#') && !r.clave.contains(u'\r'));
}

// Two scans back to back: only the second one reaches the display.
void TestFlujoConsulta::ganaLaMasNueva()
{
    abrir();
    QSignalSpy respuestas(m_flujo.get(), &FlujoConsulta::respuestaLista);
    m_flujo->buscar(QStringLiteral("7501055300075"));
    m_flujo->buscar(QStringLiteral("CCL355"));
    QTRY_VERIFY(!m_servicio->ocupado());
    QCOMPARE(respuestas.size(), 1);
    QCOMPARE(respuestas.front().at(0).value<RespuestaConsulta>().articulo.nombre,
             QStringLiteral("Coca Cola Light 355 ml"));
}

// A scan cleared before its answer came is never shown; the clearing lets the showcase wait.
void TestFlujoConsulta::limpiarOlvidaLaConsulta()
{
    abrir();
    QSignalSpy respuestas(m_flujo.get(), &FlujoConsulta::respuestaLista);
    m_flujo->buscar(QStringLiteral("7501055300075"));
    QVERIFY(m_flujo->limpiar());
    QVERIFY(!m_flujo->consultaPendiente());
    QTRY_VERIFY(!m_servicio->ocupado());
    QCOMPARE(respuestas.size(), 0);

    // In design mode the showcase stays away.
    m_diseno = true;
    QVERIFY(!m_flujo->limpiar());
}

// The company was opened but the service has no attachment: a scan is refused, not posted.
void TestFlujoConsulta::sinAtadura()
{
    m_flujo->setEmpresaAbierta(true);
    const std::optional<Pantalla> p = m_flujo->rechazo();
    QVERIFY(p.has_value());
    QCOMPARE(p->mensaje, flujo::kSinEmpresa);
    QCOMPARE(p->barraEstado, flujo::kSinEmpresa);
    // The showcase waits only where a company is open.
    m_flujo->setEmpresaAbierta(false);
    QVERIFY(!m_flujo->limpiar());
}

void TestFlujoConsulta::inactividad_data()
{
    // One character per tick of the idle timer, for the key box at that tick: '.' as the program
    // left it, 't' holding typed text, 'e' typed empty. Out: '-' nothing, 'L' the display is
    // cleared, 'K' cleared with the typed key put back.
    QTest::addColumn<int>("segundos");
    QTest::addColumn<QString>("caja");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("two idle seconds, then again") << 2 << "......"
                                                  << "--L--L";
    QTest::newRow("no idle seconds: every tick clears") << 0 << "..."
                                                        << "LLL";
    QTest::newRow("a scan typed since the last tick is kept") << 2 << "..t"
                                                              << "--K";
    QTest::newRow("typing already under way at the last tick is not") << 2 << ".tt"
                                                                      << "--L";
    QTest::newRow("typed text deleted again") << 2 << "..e"
                                              << "--L";
    QTest::newRow("kept once, then cleared at the next clearing") << 1 << ".tttt"
                                                                  << "-K-L-";
}

void TestFlujoConsulta::inactividad()
{
    QFETCH(int, segundos);
    QFETCH(QString, caja);
    QFETCH(QString, esperado);
    m_ajustes.SegundosEspera = segundos;
    QString hecho;
    for (QChar c : caja) {
        const FlujoConsulta::Tic t = m_flujo->tic(c != u'.', c != u't');
        hecho += !t.limpiar ? u'-' : t.devolverClave ? u'K' : u'L';
        if (t.limpiar) {
            // What the window does when it clears.
            m_flujo->limpiar();
            m_flujo->reiniciarInactividad();
        }
    }
    QCOMPARE(hecho, esperado);
}

// A scan under way holds the clearing and its count: its answer comes first.
void TestFlujoConsulta::consultaDetieneLaCuenta()
{
    abrir();
    m_ajustes.SegundosEspera = 0;
    QSignalSpy respuestas(m_flujo.get(), &FlujoConsulta::respuestaLista);
    m_flujo->buscar(QStringLiteral("CCL355"));
    QVERIFY(!m_flujo->tic(false, true).limpiar);
    QCOMPARE(m_flujo->segundosInactivo(), 0);
    QTRY_COMPARE(respuestas.size(), 1);
    QVERIFY(m_flujo->tic(false, true).limpiar);
}

// The reload reads on the service's attachment: it works with the window's data module closed,
// and the record changes only when it arrives.
void TestFlujoConsulta::recargaPorElServicio()
{
    abrir();
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 45 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 31 WHERE CONFIGURACION = 'FONT_NOM_ART';"));
    m_dm->desconectar();
    m_ajustes.SegundosEspera = 7;
    QSignalSpy listos(m_flujo.get(), &FlujoConsulta::ajustesListos);
    const FuenteConColor nombre{QFont(QStringLiteral("Tahoma"), 12), Qt::black};
    m_flujo->recargarAjustes(nombre, nombre);
    QVERIFY(m_flujo->recargaPendiente());
    QCOMPARE(m_ajustes.SegundosEspera, 7);
    QTRY_COMPARE(listos.size(), 1);
    QVERIFY(!m_flujo->recargaPendiente());
    QCOMPARE(m_ajustes.SegundosEspera, 45);
    const auto c = listos.front().at(0).value<AjustesCargados>();
    QCOMPARE(c.ajustes.SegundosEspera, 45);
    QCOMPARE(c.nombre.fuente.pointSize(), 31);
    QVERIFY(c.fallo.isEmpty());
    QVERIFY(!m_dm->fdConexion.isOpen());
}

// A load on this thread after a reload was asked is newer: the reload's answer is dropped.
void TestFlujoConsulta::recargaAnteriorSeDescarta()
{
    abrir();
    QSignalSpy listos(m_flujo.get(), &FlujoConsulta::ajustesListos);
    FuenteConColor nombre{QFont(QStringLiteral("Tahoma"), 12), Qt::black};
    FuenteConColor precio = nombre;
    m_flujo->recargarAjustes(nombre, precio);
    m_flujo->cargarAjustes(*m_dm, nombre, precio);
    QVERIFY(!m_flujo->recargaPendiente());
    m_ajustes.SegundosEspera = 999; // what the reload would overwrite
    QTRY_VERIFY(!m_servicio->ocupado());
    QCOMPARE(listos.size(), 0);
    QCOMPARE(m_ajustes.SegundosEspera, 999);
}

// A reload that fails half way applies nothing of what it had read.
void TestFlujoConsulta::recargaFallidaNoCambiaNada()
{
    abrir();
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 45 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'clPink' WHERE CONFIGURACION = 'COLOR_NOM_ART';"));
    m_ajustes.SegundosEspera = 7;
    QSignalSpy listos(m_flujo.get(), &FlujoConsulta::ajustesListos);
    QSignalSpy servicio(m_servicio.get(), &ServicioConsulta::ajustesCargados);
    const FuenteConColor nombre{QFont(QStringLiteral("Tahoma"), 12), Qt::black};
    m_flujo->recargarAjustes(nombre, nombre);
    QTRY_COMPARE(servicio.size(), 1);
    const auto c = servicio.front().at(0).value<AjustesCargados>();
    QVERIFY2(c.fallo.contains(QStringLiteral("clPink")), qPrintable(c.fallo));
    QCOMPARE(c.ajustes.SegundosEspera, 7);
    QCOMPARE(listos.size(), 0);
    QCOMPARE(m_ajustes.SegundosEspera, 7);
    QVERIFY(!m_flujo->recargaPendiente());
}

// The scanner's prefix and suffix and the lookup's deadline come from the station's file.
void TestFlujoConsulta::leerEstacion()
{
    m_dm->ConfigIni_strW(EntradaEscaner::kSeccion, EntradaEscaner::kPrefijo, QStringLiteral("]E0"));
    m_dm->ConfigIni_strW(EntradaEscaner::kSeccion, EntradaEscaner::kSufijo, QStringLiteral("#"));
    m_dm->ConfigIni_strW(QStringLiteral("Estacion"), QStringLiteral("SegundosRespuesta"), QStringLiteral("3.5"));
    m_flujo->leerEstacion(*m_dm);
    QCOMPARE(m_servicio->plazo(), 3500);
    QCOMPARE(m_flujo->claveEscaneada(QStringLiteral("]E0ABA-2001#\r\n")), QStringLiteral("ABA-2001"));
}

LUMIVO_TEST_MAIN(TestFlujoConsulta)
#include "tst_flujoconsulta.moc"
