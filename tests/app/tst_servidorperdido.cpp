// The station when its Firebird server goes away: the lookup, the catalogue search, the settings
// load and the configuration save against a private server that each test kills and starts again.
// "Returns" rows restart the server before the operation: the station's attachment is dead, and
// the operation must reconnect once and succeed without a word. "Away" rows leave it down: one
// clear message, the windows stay usable, and the same operation works once the server is back.
#include "app/Escaparate.h"
#include "app/Lumivo.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/ServicioConsulta.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <thread>

namespace {

const QString kPerdida = QStringLiteral("Se perdió la conexión con el servidor de la base de datos.");
const QString kClave = QStringLiteral("7501055300075");
const QString kNombre = QStringLiteral("COCA COLA LIGHT 600ML");
const QString kOtra = QStringLiteral("CCL355");
const QString kNombreOtra = QStringLiteral("Coca Cola Light 355 ml");
const QString kSinRespuesta = QStringLiteral("Sin respuesta del servidor, intente en unos momentos");

// The settings rows a save writes, "KEY|int|chr".
QStringList filasConfig(fb::Connection& c)
{
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("select configuracion, valor_int, valor_chr from ZANTOR_LMV_CONFIG "
                            "where configuracion in ('MOSTRAR_EXISTENCIA', 'SEGUNDOS_ESPERA', 'MOSTRAR_CLAVE') "
                            "order by configuracion"));
    q.open();
    QStringList filas;
    auto texto = [](const fb::Value& v) { return v.isNull() ? QStringLiteral("NULL") : v.toString(); };
    while (q.next())
        filas << texto(q.value(0)) + u'|' + texto(q.value(1)) + u'|' + texto(q.value(2));
    t.commit();
    return filas;
}

const QStringList kViejas{QStringLiteral("MOSTRAR_CLAVE|NULL|S"), QStringLiteral("MOSTRAR_EXISTENCIA|NULL|S"),
                          QStringLiteral("SEGUNDOS_ESPERA|30|NULL")};
const QStringList kNuevas{QStringLiteral("MOSTRAR_CLAVE|NULL|N"), QStringLiteral("MOSTRAR_EXISTENCIA|NULL|N"),
                          QStringLiteral("SEGUNDOS_ESPERA|77|NULL")};

} // namespace

class TestServidorPerdido : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void consulta_data() { filasRegreso(); }
    void consulta();
    void limpiezaConServidorCaido();
    void buscador_data() { filasRegreso(); }
    void buscador();
    void cargarInfo_data() { filasRegreso(); }
    void cargarInfo();
    void guardar_data() { filasRegreso(); }
    void guardar();
    void guardarInterrumpidoNoDejaNadaAMedias();
    void servidorColgado_data();
    void servidorColgado();
    void buscadorServidorColgado();
    void vigiaServidorColgado();

private:
    template <typename T> T* el(QWidget& ventana, const char* nombre) { return elemento<T>(ventana, nombre); }
    static void filasRegreso();
    // Kills the server; with `regresa`, starts it again, so only the attachment is dead. False
    // when the station's attachment survived (then the test would prove nothing).
    bool perderServidor(bool regresa);
    bool regresar();
    // Exactly one message, the lost connection's; clears the record.
    bool unAvisoDePerdida();
    // A scan's lost connection: said on the display, where the article's name goes, and no box.
    bool perdidaEnPantalla();
    QString avisos() const;
    void escanear(const QString& clave);
    // A second attachment of the test's own, to read and change what the station sees.
    fb::Connection& propia();
    void abrirConfiguracion();
    void elegirNuevosAjustes();
    // Locks the SEGUNDOS_ESPERA row from another attachment, runs `escritura` (which must block
    // on that row) and kills the server the moment it blocks; then starts it again.
    void matarAlBloquearse(const std::function<void()>& escritura);

    std::unique_ptr<testsupport::PrivateServer> m_servidor;
    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
    std::unique_ptr<fb::Connection> m_propia;
    QString m_ruta;
};

void TestServidorPerdido::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestServidorPerdido::init()
{
    m_servidor = std::make_unique<testsupport::PrivateServer>();
    LUMIVO_REQUIRE_PRIVATE_SERVER(*m_servidor);
    m_estacion = std::make_unique<testsupport::EstacionPrueba>(*m_servidor);
    QVERIFY(m_estacion->valida());
    m_ruta = m_estacion->rutaEmpresa();
    QVERIFY(m_estacion->abrir());
    QCOMPARE(app().dm.fdConexion.params(), m_servidor->params(m_ruta));
    QVERIFY(notificador().messages.empty());
}

void TestServidorPerdido::cleanup()
{
    m_propia.reset();
    m_estacion.reset();
    m_servidor.reset(); // kills the server, whatever the test left behind
}

void TestServidorPerdido::filasRegreso()
{
    QTest::addColumn<bool>("regresa");
    QTest::newRow("returns") << true;
    QTest::newRow("away") << false;
}

bool TestServidorPerdido::perderServidor(bool regresa)
{
    m_propia.reset();
    m_servidor->kill();
    if (regresa && !regresar())
        return false;
    fb::Transaction t(app().dm.fdConexion);
    try {
        t.start();
        qWarning("the station's attachment survived the server");
        return false;
    } catch (const fb::Error& e) {
        if (!e.isConnectionLost())
            qWarning("not a lost connection: %s", e.what());
        return e.isConnectionLost();
    }
}

bool TestServidorPerdido::regresar()
{
    if (m_servidor->start())
        return true;
    qWarning("%s", qPrintable(m_servidor->why()));
    return false;
}

bool TestServidorPerdido::unAvisoDePerdida()
{
    const bool uno = notificador().messages.size() == 1 && notificador().messages.front().text.startsWith(kPerdida) &&
                     notificador().messages.front().title == QLatin1String("Lumivo") &&
                     notificador().messages.front().icon == platform::Icon::Error;
    if (!uno)
        qWarning("expected one lost-connection message, got %zu: %s", notificador().messages.size(),
                 qPrintable(avisos()));
    notificador().clear();
    return uno;
}

QString TestServidorPerdido::avisos() const
{
    QStringList textos;
    for (const auto& m : notificador().messages)
        textos << m.text;
    return textos.join(QStringLiteral(" | "));
}

void TestServidorPerdido::escanear(const QString& clave)
{
    auto* ed = el<QLineEdit>(app().frmConsulta, "edClave");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, clave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
}

bool TestServidorPerdido::perdidaEnPantalla()
{
    auto* aviso = el<QLabel>(app().frmConsulta, "lblCodigoNoValido");
    const bool dicha = notificador().messages.empty() && aviso->isVisible() && aviso->text().startsWith(kPerdida);
    if (!dicha)
        qWarning("display: %s (%s); messages: %s", qPrintable(aviso->text()), aviso->isVisible() ? "shown" : "hidden",
                 qPrintable(avisos()));
    return dicha;
}

fb::Connection& TestServidorPerdido::propia()
{
    if (!m_propia) {
        m_propia = std::make_unique<fb::Connection>();
        m_propia->setParams(m_servidor->params(m_ruta));
        m_propia->open();
    }
    return *m_propia;
}

// (a) Enter in the key field.
void TestServidorPerdido::consulta()
{
    QFETCH(bool, regresa);
    TfrmConsulta& w = app().frmConsulta;
    auto* nombre = el<QLabel>(w, "lblNombreArticulo");
    QVERIFY(perderServidor(regresa));

    escanear(kClave);
    if (!regresa) {
        QVERIFY(perdidaEnPantalla());
        QVERIFY(nombre->isHidden());
        // Still usable: Escape clears, and the next scans try again, each saying it.
        QTest::keyClick(el<QLineEdit>(w, "edClave"), Qt::Key_Escape);
        QVERIFY(el<QLineEdit>(w, "edClave")->text().isEmpty());
        QVERIFY(el<QLabel>(w, "lblCodigoNoValido")->isHidden());
        escanear(kClave);
        QVERIFY(perdidaEnPantalla());
        QVERIFY(regresar());
        escanear(kClave);
    }
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(w.isVisible());
    QCOMPARE(nombre->text(), kNombre);
    QVERIFY(!nombre->isHidden());
    QVERIFY(!el<QLabel>(w, "dbPrecio")->text().isEmpty());
    QCOMPARE(el<QLineEdit>(w, "edClave")->selectedText(), kClave);
}

// The idle clear commits the transaction a lookup left open. With the server gone that commit
// fails with nobody to tell (the log has it) and the display clears all the same; the next round
// is silent too, and the next scan reconnects on its own once the server is back.
void TestServidorPerdido::limpiezaConServidorCaido()
{
    TfrmConsulta& w = app().frmConsulta;
    auto* nombre = el<QLabel>(w, "lblNombreArticulo");
    escanear(kClave);
    QVERIFY(!nombre->isHidden());
    QVERIFY(perderServidor(false));

    for (int tic = 0; tic <= w.ajustes().SegundosEspera; ++tic) // the timer's ticks, guarded as it is
        platform::guarded(&w, [&] { w.TiempoInactivoTimer(); });
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(nombre->isHidden());
    // The dead transaction went with the failed commit: the next round clears without a message.
    for (int tic = 0; tic <= w.ajustes().SegundosEspera; ++tic)
        platform::guarded(&w, [&] { w.TiempoInactivoTimer(); });
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(nombre->isHidden());

    QVERIFY(regresar());
    escanear(kClave);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(nombre->text(), kNombre);
    QCOMPARE(w.articuloId(), 1001);
}

// (b) The catalogue search's own attachment: a server that is away is said in the window itself.
void TestServidorPerdido::buscador()
{
    QFETCH(bool, regresa);
    TfrmBuscarEnCatalogo& b = app().frmBuscarEnCatalogo;
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    auto* ed = el<QLineEdit>(b, "edNombre");
    auto* tabla = el<QTableView>(b, "wdbTabla");
    const auto buscar = [&] {
        ed->setFocus();
        ed->selectAll();
        QTest::keyClicks(ed, QStringLiteral("cafe"));
        QTest::keyClick(ed, Qt::Key_Return);
    };
    buscar();
    QCOMPARE(tabla->model()->rowCount(), 2);
    QVERIFY(perderServidor(regresa));

    buscar();
    auto* aviso = el<QLabel>(b, "lblAviso");
    if (!regresa) {
        QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
        QVERIFY(aviso->isVisible());
        QVERIFY2(aviso->text().startsWith(kPerdida), qPrintable(aviso->text()));
        // The engine's own words are for the operator.
        QVERIFY(aviso->toolTip().size() > aviso->text().size());
        QVERIFY(b.isVisible());
        QCOMPARE(tabla->model()->rowCount(), 0);
        QVERIFY(regresar());
        buscar();
    }
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(b.isVisible());
    QCOMPARE(tabla->model()->rowCount(), 2);
    QVERIFY(aviso->isHidden());
}

// (c) The settings load, from the menu (the configuration window left out).
void TestServidorPerdido::cargarInfo()
{
    QFETCH(bool, regresa);
    new VentanaOmitida(app().frmConfiguracion);
    QCOMPARE(app().frmConsulta.ajustes().SegundosEspera, 30);
    QVERIFY(perderServidor(regresa));
    const auto cambiar = [&] {
        testsupport::runSql(m_servidor->params(m_ruta), QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 45 "
                                                                       "WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';"));
    };
    auto* configurar = el<QAction>(app().frmConsulta, "Configuracin1");
    if (regresa) {
        cambiar();
    } else {
        configurar->trigger();
        QVERIFY(unAvisoDePerdida());
        QCOMPARE(app().frmConsulta.ajustes().SegundosEspera, 30);
        QVERIFY(regresar());
        cambiar();
    }
    configurar->trigger();
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(app().frmConsulta.ajustes().SegundosEspera, 45);
}

void TestServidorPerdido::abrirConfiguracion()
{
    app().frmConfiguracion.show();
    QVERIFY(QTest::qWaitForWindowExposed(&app().frmConfiguracion));
    QCOMPARE(filasConfig(propia()), kViejas);
}

void TestServidorPerdido::elegirNuevosAjustes()
{
    TfrmConfiguracion& c = app().frmConfiguracion;
    QTest::mouseClick(el<QCheckBox>(c, "cheExistencia"), Qt::LeftButton);
    QTest::mouseClick(el<QCheckBox>(c, "cheClaves"), Qt::LeftButton);
    auto* ed = el<QLineEdit>(c, "edSegundos");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, QStringLiteral("77"));
}

// (d) "Guardar" in the configuration window: one transaction, all rows or none.
void TestServidorPerdido::guardar()
{
    QFETCH(bool, regresa);
    TfrmConfiguracion& c = app().frmConfiguracion;
    abrirConfiguracion();
    elegirNuevosAjustes();
    QVERIFY(perderServidor(regresa));
    auto* guardar = el<QPushButton>(c, "pbsGuardar");

    QTest::mouseClick(guardar, Qt::LeftButton);
    if (!regresa) {
        QVERIFY(unAvisoDePerdida());
        QVERIFY(c.isVisible());
        QVERIFY(!el<QCheckBox>(c, "cheExistencia")->isChecked()); // the choices wait to be saved
        QCOMPARE(el<QLineEdit>(c, "edSegundos")->text(), QStringLiteral("77"));
        QVERIFY(regresar());
        QCOMPARE(filasConfig(propia()), kViejas);
        QTest::mouseClick(guardar, Qt::LeftButton);
    }
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(!c.isVisible());
    QCOMPARE(filasConfig(propia()), kNuevas);
    // The main window reloaded what was saved.
    QCOMPARE(app().frmConsulta.ajustes().SegundosEspera, 77);
}

void TestServidorPerdido::matarAlBloquearse(const std::function<void()>& escritura)
{
    fb::Transaction bloqueo(propia());
    bloqueo.start();
    fb::Query q(bloqueo);
    q.setSql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = VALOR_INT "
                            "WHERE CONFIGURACION = 'SEGUNDOS_ESPERA'"));
    q.execute();

    // Watches from its own attachment for another one's update waiting on the locked row.
    std::atomic<bool> bloqueada{false};
    const qint64 pid = m_servidor->pid();
    const QStringList params = m_servidor->params(m_ruta);
    std::thread vigia([&bloqueada, pid, params] {
        const QDeadlineTimer limite(20000);
        try {
            fb::Connection c;
            c.setParams(params);
            c.open();
            fb::Transaction t(c);
            fb::Query espera(t);
            espera.setSql(QStringLiteral("select count(*) from MON$STATEMENTS s "
                                         "where s.MON$ATTACHMENT_ID <> CURRENT_CONNECTION and s.MON$STATE = 1 "
                                         "and s.MON$SQL_TEXT containing 'UPDATE ZANTOR_LMV_CONFIG'"));
            while (!bloqueada && !limite.hasExpired()) {
                t.start(); // a fresh snapshot of the monitoring tables each time
                espera.open();
                bloqueada = espera.next() && espera.value(0).toInt() > 0;
                t.commit();
            }
        } catch (const std::exception&) {
        }
        ::kill(static_cast<pid_t>(pid), SIGKILL); // on time or not, the writer must not wait forever
    });
    try {
        escritura();
    } catch (const std::exception&) {
    }
    vigia.join();
    m_propia.reset();
    m_servidor->kill();
    QVERIFY2(bloqueada, "the write never waited on the locked row");
    QVERIFY(regresar());
}

// The server dies while the save waits on a row in the middle of it. A control writer that
// commits row by row is caught the same way and leaves the settings half-written; the window's
// save leaves every row as it was.
void TestServidorPerdido::guardarInterrumpidoNoDejaNadaAMedias()
{
    const QStringList params = m_servidor->params(m_ruta);
    matarAlBloquearse([&] {
        fb::Connection c; // not the locking attachment: its own wait would be a deadlock
        c.setParams(params);
        c.open();
        fb::Transaction t(c);
        fb::Query q(t);
        for (const char* sql : {"UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = 'N' "
                                "WHERE CONFIGURACION = 'MOSTRAR_EXISTENCIA'",
                                "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 77 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA'",
                                "UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = 'N' WHERE CONFIGURACION = 'MOSTRAR_CLAVE'"}) {
            t.start();
            q.setSql(QString::fromLatin1(sql));
            q.execute();
            t.commit();
        }
    });
    const QStringList aMedias = filasConfig(propia());
    QVERIFY(aMedias != kViejas && aMedias != kNuevas);
    testsupport::runSql(m_servidor->params(m_ruta), QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = 'S' "
                                                                   "WHERE CONFIGURACION = 'MOSTRAR_EXISTENCIA';"));

    // The station reconnects before the window opens, so the save starts on a live attachment.
    app().frmConsulta.Conexion();
    TfrmConfiguracion& dlg = app().frmConfiguracion;
    abrirConfiguracion();
    elegirNuevosAjustes();
    matarAlBloquearse([&] { QTest::mouseClick(el<QPushButton>(dlg, "pbsGuardar"), Qt::LeftButton); });
    QVERIFY(unAvisoDePerdida());
    QVERIFY(dlg.isVisible());
    QCOMPARE(filasConfig(propia()), kViejas);

    QTest::mouseClick(el<QPushButton>(dlg, "pbsGuardar"), Qt::LeftButton);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(filasConfig(propia()), kNuevas);
}

void TestServidorPerdido::servidorColgado_data()
{
    QTest::addColumn<bool>("reinicia"); // the stopped server is killed and started again
    QTest::newRow("continues (SIGCONT)") << false;
    QTest::newRow("killed and restarted") << true;
}

// The server stops answering without closing its connections (SIGSTOP): a scan, the next scan,
// the idle clearing and a showcase round each end within the deadline with the display cleared
// and its message, the window keeps taking keys, no box opens, and once the server answers again
// the next scan shows its article with no key pressed in between.
void TestServidorPerdido::servidorColgado()
{
    QFETCH(bool, reinicia);
    TfrmConsulta& w = app().frmConsulta;
    app().inicio.pausas = [](int) { return 100; };
    auto* ed = el<QLineEdit>(w, "edClave");
    auto* nombre = el<QLabel>(w, "lblNombreArticulo");
    auto* aviso = el<QLabel>(w, "lblCodigoNoValido");
    // Any modal window, at any moment of the outage.
    QWidget* modal = nullptr;
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        if (!modal)
            modal = QApplication::activeModalWidget();
    });
    vigia.start(5);

    escanear(kClave);
    QCOMPARE(nombre->text(), kNombre);
    const auto pid = static_cast<pid_t>(m_servidor->pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto continuar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });

    // The scan the server holds. Enter returns at once and selects the key for the next scan.
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, kOtra);
    QElapsedTimer reloj;
    reloj.start();
    QTest::keyClick(ed, Qt::Key_Return);
    qInfo("Enter returned after %lld ms", static_cast<long long>(reloj.elapsed()));
    QCOMPARE(ed->selectedText(), kOtra);
    QTRY_VERIFY_WITH_TIMEOUT(aviso->isVisible() && aviso->text() == kSinRespuesta, 15000);
    qInfo("no-answer message after %lld ms", static_cast<long long>(reloj.elapsed()));
    // Cleared: nothing of the previous article stays beside the message.
    for (const char* oculto : {"lblNombreArticulo", "dbPrecio", "lblLinea", "edUltimaCompra"})
        QVERIFY2(el<QWidget>(w, oculto)->isHidden(), oculto);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(w.statusBar()->currentMessage().startsWith(QStringLiteral("Conectando con el servidor")));

    // The key box takes the next scan whole (it replaces the selected key); the new attachment's
    // attempt hangs too, so this one gets the same message by its own deadline.
    QTest::keyClicks(ed, kClave);
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(ed->text(), kClave);
    QVERIFY(w.consultaPendiente());
    QVERIFY(esperarRespuesta(w));
    QVERIFY(aviso->isVisible());
    QCOMPARE(aviso->text(), kSinRespuesta);

    // The idle clearing: its commit waits on nobody.
    for (int tic = 0; tic <= w.ajustes().SegundosEspera; ++tic)
        platform::guarded(&w, [&] { w.TiempoInactivoTimer(); });
    QVERIFY(ed->text().isEmpty());
    QVERIFY(aviso->isHidden());
    QVERIFY(nombre->isHidden());

    // A showcase round: asked of the service, answered empty by the deadline; the display stays clear.
    bool rondaRecibida = false;
    connect(&w.servicio(), &ServicioConsulta::ronda, this, [&] { rondaRecibida = true; });
    w.escaparate().configurar({true, 1, 6, 0});
    w.Limpiar();
    QTRY_VERIFY_WITH_TIMEOUT(rondaRecibida, 15000);
    QVERIFY(!w.escaparate().mostrando());
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    w.escaparate().configurar({});
    w.escaparate().detener();

    if (reinicia) {
        m_servidor->kill();
        QVERIFY(regresar());
    } else {
        ::kill(pid, SIGCONT);
    }
    continuar.dismiss();
    // The background attempt gets through and the status line clears by itself.
    QTRY_VERIFY_WITH_TIMEOUT(w.statusBar()->currentMessage().isEmpty(), 30000);
    escanear(kOtra);
    QCOMPARE(nombre->text(), kNombreOtra);
    QVERIFY(nombre->isVisible());
    QVERIFY(!el<QLabel>(w, "dbPrecio")->text().isEmpty());
    QVERIFY(aviso->isHidden());
    QCOMPARE(ed->selectedText(), kOtra);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY2(!modal, modal ? qPrintable(modal->objectName()) : "");
}

// The server stops answering (SIGSTOP) under the catalogue search: the search ends by its deadline
// with the message in the window, the window processing events meanwhile and no box opening;
// Escape closes it during a search, the main window's key box takes the next scan whole, and once
// the server answers again the next search lists its rows.
void TestServidorPerdido::buscadorServidorColgado()
{
    TfrmConsulta& w = app().frmConsulta;
    TfrmBuscarEnCatalogo& b = app().frmBuscarEnCatalogo;
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    auto* ed = el<QLineEdit>(b, "edNombre");
    auto* tabla = el<QTableView>(b, "wdbTabla");
    auto* aviso = el<QLabel>(b, "lblAviso");
    const auto buscar = [&] {
        ed->setFocus();
        ed->selectAll();
        QTest::keyClicks(ed, QStringLiteral("cafe"));
        QTest::keyClick(ed, Qt::Key_Return);
    };
    // Any modal window but the search itself, and the window thread's ticks, at any moment.
    QWidget* modal = nullptr;
    int tics = 0;
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        ++tics;
        QWidget* m = QApplication::activeModalWidget();
        if (!modal && m && m != &b)
            modal = m;
    });
    vigia.start(5);

    buscar();
    QCOMPARE(tabla->model()->rowCount(), 2);
    const auto pid = static_cast<pid_t>(m_servidor->pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto continuar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });

    // Enter returns once the deadline has passed; the window ran its events all along.
    tics = 0;
    buscar();
    QVERIFY(tics > 0);
    QTRY_VERIFY_WITH_TIMEOUT(aviso->isVisible(), 15000);
    QCOMPARE(aviso->text(), kSinRespuesta);
    QVERIFY(!aviso->toolTip().isEmpty());
    QCOMPARE(tabla->model()->rowCount(), 0);
    QVERIFY(b.isVisible());
    QCOMPARE(ed->text(), QStringLiteral("cafe"));
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));

    // Escape while a search waits on the server: the window closes at once.
    bool cerradaAlEsperar = false;
    QTimer::singleShot(50, this, [&] {
        QTest::keyClick(ed, Qt::Key_Escape);
        cerradaAlEsperar = !b.isVisible();
    });
    buscar();
    QVERIFY(cerradaAlEsperar);
    QVERIFY(!b.isVisible());

    // The main window's key box takes the next scan whole.
    auto* clave = el<QLineEdit>(w, "edClave");
    clave->setFocus();
    clave->selectAll();
    QTest::keyClicks(clave, kClave);
    QCOMPARE(clave->text(), kClave);
    QTest::keyClick(clave, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));

    ::kill(pid, SIGCONT);
    continuar.dismiss();
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    buscar();
    QCOMPARE(tabla->model()->rowCount(), 2);
    QVERIFY(aviso->isHidden());

    // Enter on a new text while a search waits on the server: the new text's search runs after it,
    // so the rows shown are the new text's (none), never the old text's under the new one.
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto reanudar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    QTimer::singleShot(50, this, [&] {
        ed->selectAll();
        QTest::keyClicks(ed, QStringLiteral("zzzz"));
        QTest::keyClick(ed, Qt::Key_Return);
        ::kill(pid, SIGCONT);
    });
    buscar();
    reanudar.dismiss();
    QCOMPARE(ed->text(), QStringLiteral("zzzz"));
    QTRY_COMPARE_WITH_TIMEOUT(tabla->model()->rowCount(), 0, 15000);
    QVERIFY(aviso->isHidden());
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY2(!modal, modal ? qPrintable(modal->objectName()) : "");
}

// The shared connection lost during the day (an operator's settings load met the server away) is
// tried again in the background. With the server hung, each trial ends by its deadline on a thread
// of its own and the status line says so while the window keeps running; once the server
// continues, the connection comes back by itself and the next scan shows its article.
void TestServidorPerdido::vigiaServidorColgado()
{
    TfrmConsulta& w = app().frmConsulta;
    app().inicio.pausas = [](int) { return 100; };
    app().inicio.plazoConexion = 300;
    new VentanaOmitida(app().frmConfiguracion);
    QVERIFY(perderServidor(false));
    el<QAction>(w, "Configuracin1")->trigger();
    QVERIFY(unAvisoDePerdida());
    QVERIFY(app().dm.sinServidor());

    QVERIFY(regresar());
    const auto pid = static_cast<pid_t>(m_servidor->pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto continuar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    // Two deadlines in a row: the second try found the first trial still held and did not wait.
    QTRY_VERIFY_WITH_TIMEOUT(w.statusBar()->currentMessage().startsWith(QStringLiteral(
                                 "Conectando con el servidor… (intento 2) El servidor no respondió en 300 ms")),
                             15000);
    QVERIFY(app().dm.sinServidor());

    ::kill(pid, SIGCONT);
    continuar.dismiss();
    QTRY_VERIFY_WITH_TIMEOUT(!app().dm.sinServidor() && w.statusBar()->currentMessage().isEmpty(), 30000);
    escanear(kClave);
    QCOMPARE(el<QLabel>(w, "lblNombreArticulo")->text(), kNombre);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
}

LUMIVO_TEST_MAIN(TestServidorPerdido)
#include "tst_servidorperdido.moc"
