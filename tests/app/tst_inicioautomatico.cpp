// The station's automatic start: stored from the menu after a normal start, the next run reaches
// the price display with no window and no key; a server that is not up yet is waited for with a
// status line and no message box; a password file others could read, or that belongs to someone
// else, is refused with one line on the login window; a stored password that no longer works says
// so once and leaves the login to the user, without trying again.

#include "app/EsperaServidor.h"
#include "app/Lumivo.h"
#include "connections/CatalogoConexiones.h"
#include "data/ConfigIni.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::AlAbrirse;

constexpr int kTermino = 0;
constexpr int kSigue = 7;
constexpr int kGuardia = 99;

const QString kClave = QStringLiteral("7501055300075");
const QString kArticulo = QStringLiteral("COCA COLA LIGHT 600ML");

int correr(int limite = 30000)
{
    QTimer guardia; // a guard against a run that hangs, not a measurement
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(kGuardia); });
    guardia.start(limite);
    return QCoreApplication::exec();
}

template <typename T> T* el(QWidget& ventana, const char* nombre)
{
    return elemento<T>(ventana, nombre);
}

// Counts the paint events a widget gets.
class Pintadas : public QObject {
public:
    explicit Pintadas(QWidget& w)
        : QObject(&w)
    {
        w.installEventFilter(this);
    }
    int veces = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++veces;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestInicioAutomatico : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pausasCrecientes_data();
    void pausasCrecientes();
    void elMenuLoGuardaYElSiguienteArranqueLlegaSolo();
    void esperaAlServidorSinMensajes();
    void servidorColgadoAlArrancar();
    void servidorPerdidoDuranteElDia();
    void archivoDeContrasenaRechazado_data();
    void archivoDeContrasenaRechazado();
    void contrasenaEquivocadaUnMensajeYElLogin();
    void inicioQueYaNoSirve_data();
    void inicioQueYaNoSirve();

private:
    QString pass() const { return m_dir->filePath(QStringLiteral("privado/inicio-automatico")); }
    QString catalogo() const { return m_dir->filePath(QStringLiteral("ProgramData.xml")); }
    QString config() const { return m_dir->filePath(QStringLiteral("config.xml")); }
    // config.xml's stored start and the password file, written as the menu item writes them.
    void guardarInicio(const QString& conexion, const QString& usuario, const QString& contrasena);
    // The system and the company databases in a server of the test's own, built by the embedded
    // engine with no server attached, and the stored start pointing at it; `arrancado` starts the
    // server again. False when the server did not start.
    bool inicioEnServidor(testsupport::PrivateServer& servidor, bool arrancado);
    QString mensajes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_notifier;
    std::unique_ptr<Lumivo> m_app;
};

void TestInicioAutomatico::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestInicioAutomatico::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    QDir().mkpath(m_dir->filePath(QStringLiteral("privado")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("usuario")));
    m_notifier = std::make_unique<platform::RecordingNotifier>();
    catalogo::CrearArchivo(catalogo());
}

void TestInicioAutomatico::cleanup()
{
    m_app.reset();
    m_notifier.reset();
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

QString TestInicioAutomatico::mensajes() const
{
    QStringList textos;
    for (const auto& m : m_notifier->messages)
        textos << QStringLiteral("[%1] %2").arg(m.title, m.text);
    return textos.join(u'\n');
}

void TestInicioAutomatico::guardarInicio(const QString& conexion, const QString& usuario, const QString& contrasena)
{
    Tdm dm(config());
    InicioAutomatico inicio(dm, pass(), catalogo());
    Sesion s;
    s.Conexion = conexion;
    s.datos.Usuario = usuario;
    s.datos.Empresa = QStringLiteral("DEMO");
    s.datos.Contrasena = contrasena;
    inicio.guardar(s);
}

bool TestInicioAutomatico::inicioEnServidor(testsupport::PrivateServer& servidor, bool arrancado)
{
    const QString datos = servidor.dataFolder();
    servidor.kill();
    testsupport::systemDatabase(datos);
    empresaConObjetos(datos);
    if (arrancado && !servidor.start()) {
        qWarning("%s", qPrintable(servidor.why()));
        return false;
    }
    catalogo::GrabarXmlConexion(catalogo(), QStringLiteral("Servidor"), {0, servidor.serverName(), 0, datos + u'/'});
    guardarInicio(QStringLiteral("Servidor"), QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    return true;
}

void TestInicioAutomatico::pausasCrecientes_data()
{
    QTest::addColumn<int>("intento");
    QTest::addColumn<int>("ms");
    QTest::newRow("1") << 1 << 1000;
    QTest::newRow("2") << 2 << 2000;
    QTest::newRow("3") << 3 << 4000;
    QTest::newRow("5") << 5 << 16000;
    QTest::newRow("6 reaches the ceiling") << 6 << 30000;
    QTest::newRow("40 stays there") << 40 << 30000;
}

void TestInicioAutomatico::pausasCrecientes()
{
    QFETCH(int, intento);
    QFETCH(int, ms);
    QCOMPARE(InicioAutomatico::pausaCreciente(intento), ms);
}

// Run 1 starts as an operator does and ticks the menu item; run 2 reaches the display by itself.
void TestInicioAutomatico::elMenuLoGuardaYElSiguienteArranqueLlegaSolo()
{
    const QString datos = m_dir->filePath(QStringLiteral("datos"));
    testsupport::systemDatabase(datos);
    const QString empresa = empresaConObjetos(datos);
    catalogo::GrabarXmlConexion(catalogo(), QStringLiteral("Local"), {1, QString(), 0, datos + QLatin1Char('/')});

    // Run 1: the login and the company choice taken as done.
    m_app = std::make_unique<Lumivo>(ArranqueManual::llave(), pass(), catalogo());
    new VentanaOmitida(m_app->frmLogear);
    new VentanaOmitida(m_app->frmEmpresa);
    Sesion& s = m_app->sesion;
    s.LoginCorrecto = s.EmpresaSeleccionada = true;
    s.Conexion = QStringLiteral("Local");
    s.datos.TipoAcceso = QStringLiteral("1");
    s.datos.CarpetaDatos = datos + QLatin1Char('/');
    s.datos.Empresa = QStringLiteral("DEMO");
    s.datos.Usuario = QStringLiteral("sysdba");
    s.datos.Contrasena = QStringLiteral("secreto-de-prueba");
    TfrmConsulta& w1 = m_app->frmConsulta;
    auto* item = el<QAction>(w1, "InicioAutomatico1");
    QVERIFY(!item->isEnabled());
    w1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w1));
    w1.FormShow();
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QVERIFY(item->isEnabled());
    QVERIFY(!item->isChecked());
    item->trigger();
    QVERIFY(item->isChecked());
    QCOMPARE(m_notifier->messages.size(), size_t{1});
    QVERIFY(!m_notifier->messages[0].text.contains(QStringLiteral("secreto")));
    m_notifier->clear();
    m_app.reset();

    // The password is in its own file, its owner's alone, and nowhere in config.xml.
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(pass()).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0600);
    QCOMPARE(st.st_uid, ::geteuid());
    QFile archivo(pass());
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    QCOMPARE(archivo.readAll(), QByteArray("secreto-de-prueba"));
    QFile cfg(config());
    QVERIFY(cfg.open(QIODevice::ReadOnly));
    const QByteArray textoConfig = cfg.readAll();
    QVERIFY(!textoConfig.contains("secreto"));
    QVERIFY(textoConfig.contains("InicioAutomatico"));

    // Run 2: as main() runs it, and no key or window on the way.
    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    TfrmConsulta& w = m_app->frmConsulta;
    AlAbrirse login(m_app->frmLogear);
    AlAbrirse empresas(m_app->frmEmpresa);
    AlAbrirse configuracion(m_app->frmConfiguracion);
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        if (m_app->dm.fdConexion.isOpen() && m_app->frmConsulta.ajustes().ClienteEventualId == 465 &&
            !el<QAction>(w, "Disear1")->isChecked() && !QApplication::activeModalWidget())
            QCoreApplication::exit(kSigue);
    });
    vigia.start(20);
    w.show();
    QCOMPARE(correr(), kSigue);
    vigia.stop();
    QCOMPARE(login.veces(), 0);
    QCOMPARE(empresas.veces(), 0);
    QCOMPARE(configuracion.veces(), 0);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_app->dm.fdConexion.params().value(0), QStringLiteral("Database=") + empresa);
    QCOMPARE(el<QLabel>(w, "estBarraPanel1")->text(), QStringLiteral("Usuario: SYSDBA"));
    QVERIFY(el<QAction>(w, "InicioAutomatico1")->isChecked());

    // The display works: a scan shows the article.
    auto* ed = el<QLineEdit>(w, "edClave");
    QTest::keyClicks(ed, kClave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QLabel>(w, "lblNombreArticulo")->text(), kArticulo);

    // The same item removes it.
    el<QAction>(w, "InicioAutomatico1")->trigger();
    QVERIFY(!QFile::exists(pass()));
    QVERIFY(!m_app->inicio.guardado());
    QVERIFY(!m_app->inicio.leer().inicio);
}

// The server comes up after three attempts: the status line counts them with the server's own
// text, and the start-up then finishes with no message box at all.
void TestInicioAutomatico::esperaAlServidorSinMensajes()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    QVERIFY(inicioEnServidor(servidor, false));

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    std::vector<int> pedidas;
    m_app->inicio.pausas = [&](int intento) {
        pedidas.push_back(intento);
        return 30;
    };
    TfrmConsulta& w = m_app->frmConsulta;
    AlAbrirse login(m_app->frmLogear);
    QStringList lineas;
    bool arrancado = false;
    QString enPantalla;
    bool modal = false;
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        const QString linea = w.statusBar()->currentMessage();
        if (!linea.isEmpty() && !lineas.contains(linea))
            lineas << linea;
        if (lineas.size() == 1 && enPantalla.isEmpty()) {
            // A customer scans while the station waits: the display itself says so, no box.
            auto* ed = el<QLineEdit>(w, "edClave");
            ed->setText(kClave);
            QTest::keyClick(ed, Qt::Key_Return);
            auto* aviso = el<QLabel>(w, "lblCodigoNoValido");
            enPantalla = aviso->isVisible() ? aviso->text() : QStringLiteral("(oculto)");
            modal = QApplication::activeModalWidget() != nullptr;
        }
        if (!arrancado && lineas.size() >= 3) {
            arrancado = true;
            if (!servidor.start())
                QCoreApplication::exit(kGuardia);
        }
        if (arrancado && m_app->dm.fdConexion.isOpen() && !el<QAction>(w, "Disear1")->isChecked())
            QCoreApplication::exit(kSigue);
    });
    vigia.start(5);
    w.show();
    QCOMPARE(correr(), kSigue);
    vigia.stop();

    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(login.veces(), 0);
    QCOMPARE(enPantalla, QStringLiteral("Conectando con el servidor…"));
    QVERIFY(!modal);
    QVERIFY(lineas.size() >= 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(lineas[i].startsWith(QStringLiteral("Conectando con el servidor… (intento %1) ").arg(i + 1)),
                 qPrintable(lineas[i]));
        // The server's own message follows the count.
        QVERIFY2(lineas[i].size() > 45, qPrintable(lineas[i]));
    }
    QCOMPARE(pedidas.front(), 1);
    QCOMPARE(w.statusBar()->currentMessage(), QString()); // cleared once through
    QCOMPARE(w.ajustes().ClienteEventualId, 465);
    QCOMPARE(w.focusWidget(), el<QWidget>(w, "edClave"));
    // The scan refused while the station waited is looked up once it is ready.
    QVERIFY(esperarRespuesta(w));
    QCOMPARE(el<QLabel>(w, "lblNombreArticulo")->text(), kArticulo);
    QCOMPARE(el<QLineEdit>(w, "edClave")->selectedText(), kClave);
}

// The server hangs (SIGSTOP) as the station starts by itself: no attempt to attach runs on the window
// thread, so the window goes on painting and a scan says "Conectando con el servidor…" on the
// display; an attempt that takes too long is given up and counted on the status line, and once the
// server answers again the station starts with no box and no key.
void TestInicioAutomatico::servidorColgadoAlArrancar()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    QVERIFY(inicioEnServidor(servidor, true));

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    m_app->inicio.pausas = [](int) { return 30; };
    m_app->inicio.plazoConexion = 300;
    // Two attempts given up take longer: the scan made at the first is too old to look up.
    m_app->inicio.vigenciaEscaneo = 500;
    TfrmConsulta& w = m_app->frmConsulta;
    AlAbrirse login(m_app->frmLogear);
    auto* pintadas = new Pintadas(*w.statusBar());
    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    // Should the window thread hang on the server after all, the server answers again after a while
    // and the test fails rather than hang.
    std::promise<void> continuadoPorLaPrueba;
    std::thread salvaguarda([pid, hecho = continuadoPorLaPrueba.get_future()] {
        if (hecho.wait_for(std::chrono::seconds(20)) == std::future_status::timeout)
            ::kill(pid, SIGCONT);
    });
    const auto soltar = [&] {
        ::kill(pid, SIGCONT);
        continuadoPorLaPrueba.set_value();
        salvaguarda.join();
    };
    auto continuar = qScopeGuard(soltar);

    QStringList lineas;
    int pintadasAlColgarse = -1;
    bool continuado = false;
    QString enPantalla;
    bool modal = false;
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        const QString linea = w.statusBar()->currentMessage();
        if (!linea.isEmpty() && !lineas.contains(linea))
            lineas << linea;
        if (!modal)
            modal = QApplication::activeModalWidget() != nullptr;
        if (lineas.size() == 1 && pintadasAlColgarse < 0) {
            pintadasAlColgarse = pintadas->veces;
            // A customer scans while the server holds the attempt.
            auto* ed = el<QLineEdit>(w, "edClave");
            ed->setText(kClave);
            QTest::keyClick(ed, Qt::Key_Return);
            auto* aviso = el<QLabel>(w, "lblCodigoNoValido");
            enPantalla = aviso->isVisible() ? aviso->text() : QStringLiteral("(oculto)");
        }
        // Two attempts given up (the status line painted in between): the server answers again.
        if (!continuado && lineas.size() >= 2 && pintadas->veces > pintadasAlColgarse) {
            continuado = true;
            ::kill(pid, SIGCONT);
        }
        if (continuado && m_app->dm.fdConexion.isOpen() && !el<QAction>(w, "Disear1")->isChecked())
            QCoreApplication::exit(kSigue);
    });
    vigia.start(5);
    w.show();
    QCOMPARE(correr(), kSigue);
    vigia.stop();
    continuar.dismiss();
    soltar();

    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(login.veces(), 0);
    QVERIFY(!modal);
    QCOMPARE(enPantalla, QStringLiteral("Conectando con el servidor…"));
    QVERIFY(lineas.size() >= 2);
    for (int i = 0; i < 2; ++i)
        QVERIFY2(lineas[i] ==
                     QStringLiteral("Conectando con el servidor… (intento %1) El servidor no respondió en 300 ms.")
                         .arg(i + 1),
                 qPrintable(lineas[i]));
    QCOMPARE(w.statusBar()->currentMessage(), QString());
    QCOMPARE(w.ajustes().ClienteEventualId, 465);
    QCOMPARE(w.focusWidget(), el<QWidget>(w, "edClave"));
    QVERIFY(!w.consultaPendiente());
    QVERIFY(!el<QLabel>(w, "lblNombreArticulo")->isVisible());
    QCOMPARE(el<QLineEdit>(w, "edClave")->text(), QString());
}

// The server goes away after a finished start and comes back: the lookup that finds it gone says
// so on the display (no box), the status line then counts the background attempts and clears by itself once the
// server answers, and the next scan shows the article; no key, no other message, no login.
void TestInicioAutomatico::servidorPerdidoDuranteElDia()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    QVERIFY(inicioEnServidor(servidor, true));

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    m_app->inicio.pausas = [](int) { return 30; };
    TfrmConsulta& w = m_app->frmConsulta;
    auto* edClave = el<QLineEdit>(w, "edClave");
    AlAbrirse login(m_app->frmLogear);
    enum class Paso { arranque, caido, reconectando, fin } paso = Paso::arranque;
    QStringList lineas;
    bool perdidaEnPantalla = false;
    QString detalleParaElOperador;
    auto* aviso = el<QLabel>(w, "lblCodigoNoValido");
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        const QString linea = w.statusBar()->currentMessage();
        if (!linea.isEmpty() && !lineas.contains(linea))
            lineas << linea;
        switch (paso) {
        case Paso::arranque:
            if (m_app->dm.fdConexion.isOpen() && !el<QAction>(w, "Disear1")->isChecked()) {
                QVERIFY(lineas.isEmpty()); // nothing to wait for at the start
                servidor.kill();
                edClave->setText(kClave);
                QTest::keyClick(edClave, Qt::Key_Return);
                paso = Paso::caido;
            }
            break;
        case Paso::caido:
            perdidaEnPantalla =
                perdidaEnPantalla ||
                (aviso->isVisible() && aviso->text().startsWith(QStringLiteral("Se perdió la conexión")));
            if (!linea.isEmpty())
                detalleParaElOperador = w.statusBar()->toolTip();
            // Two background attempts seen, then the server is back.
            if (lineas.size() >= 2) {
                if (!servidor.start())
                    QCoreApplication::exit(kGuardia);
                paso = Paso::reconectando;
            }
            break;
        case Paso::reconectando:
            if (m_app->dm.fdConexion.isOpen() && linea.isEmpty()) {
                paso = Paso::fin;
                QCoreApplication::exit(kSigue);
            }
            break;
        case Paso::fin:
            break;
        }
    });
    vigia.start(5);
    w.show();
    QCOMPARE(correr(), kSigue);
    vigia.stop();

    QCOMPARE(login.veces(), 0);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QVERIFY(perdidaEnPantalla);
    QVERIFY(lineas.size() >= 2);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(lineas[i], QStringLiteral("Conectando con el servidor… (intento %1)").arg(i + 1));
    // The engine's own words are only in the operator's tool tip.
    QVERIFY(!detalleParaElOperador.isEmpty());
    QCOMPARE(w.statusBar()->currentMessage(), QString());

    // Back to work with no key pressed in between: the next scan shows the article.
    edClave->setText(kClave);
    QTest::keyClick(edClave, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));
    QCOMPARE(el<QLabel>(w, "lblNombreArticulo")->text(), kArticulo);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(w.statusBar()->currentMessage(), QString());
}

void TestInicioAutomatico::archivoDeContrasenaRechazado_data()
{
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("readable by others (0644)") << QStringLiteral("0644") << QStringLiteral("permisos 644");
    QTest::newRow("owned by another user") << QStringLiteral("dueno") << QStringLiteral("pertenece a otro usuario");
    QTest::newRow("a symbolic link") << QStringLiteral("enlace") << QStringLiteral("enlace simbólico");
}

// The normal login is shown with one line saying why; nothing is attempted, no message box.
void TestInicioAutomatico::archivoDeContrasenaRechazado()
{
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    const QString datos = m_dir->filePath(QStringLiteral("datos"));
    testsupport::systemDatabase(datos);
    catalogo::GrabarXmlConexion(catalogo(), QStringLiteral("Local"), {1, QString(), 0, datos + QLatin1Char('/')});
    guardarInicio(QStringLiteral("Local"), QStringLiteral("SYSDBA"), QStringLiteral("x"));
    const QByteArray ruta = QFile::encodeName(pass());
    if (caso == QLatin1String("0644")) {
        QCOMPARE(::chmod(ruta.constData(), 0644), 0);
    } else if (caso == QLatin1String("dueno")) {
        if (::geteuid() != 0)
            QSKIP("Giving the file to another user needs root");
        QCOMPARE(::chown(ruta.constData(), 65534, 65534), 0); // nobody
    } else {
        const QString real = m_dir->filePath(QStringLiteral("real"));
        QVERIFY(QFile::rename(pass(), real));
        QVERIFY(QFile::link(real, pass()));
    }

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    QString linea, mostrada;
    bool visible = false;
    QRect caja, necesaria, cliente;
    AlAbrirse login(m_app->frmLogear, [&] {
        auto* aviso = el<QLabel>(m_app->frmLogear, "lblAviso");
        visible = aviso->isVisible();
        linea = aviso->toolTip();
        mostrada = aviso->text();
        caja = aviso->geometry();
        necesaria = aviso->fontMetrics().boundingRect(QRect(0, 0, aviso->width(), 10000),
                                                      Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, mostrada);
        cliente = m_app->frmLogear.rect();
    });
    m_app->frmConsulta.show();
    QCOMPARE(correr(), kTermino); // the login cancelled ends the program
    QCOMPARE(login.veces(), 1);
    QVERIFY(visible);
    QVERIFY2(linea.contains(motivo), qPrintable(linea));
    QVERIFY(!linea.contains(u'\n'));
    // The whole line is on the dialog, wrapped inside its box, and the box inside the dialog.
    QCOMPARE(mostrada.remove(QChar(0x200B)), linea);
    QVERIFY2(necesaria.width() <= caja.width() && necesaria.height() <= caja.height(),
             qPrintable(QStringLiteral("%1x%2 en %3x%4")
                            .arg(necesaria.width())
                            .arg(necesaria.height())
                            .arg(caja.width())
                            .arg(caja.height())));
    QVERIFY(cliente.contains(caja));
    QVERIFY(!m_app->sesion.LoginCorrecto);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
}

// A stored password the server refuses: its message once, then the login; no second attempt.
void TestInicioAutomatico::contrasenaEquivocadaUnMensajeYElLogin()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QString datos = servidor.dataFolder();
    testsupport::systemDatabase(datos);
    catalogo::GrabarXmlConexion(catalogo(), QStringLiteral("Servidor"), {0, servidor.serverName(), 0, datos + u'/'});
    guardarInicio(QStringLiteral("Servidor"), QStringLiteral("SYSDBA"), QStringLiteral("equivocada"));

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    int pausas = 0;
    m_app->inicio.pausas = [&](int) {
        ++pausas;
        return 10;
    };
    size_t mensajesAlLogin = 0;
    QString avisoLogin;
    AlAbrirse login(m_app->frmLogear, [&] {
        mensajesAlLogin = m_notifier->messages.size();
        avisoLogin = el<QLabel>(m_app->frmLogear, "lblAviso")->text();
    });
    m_app->frmConsulta.show();
    QCOMPARE(correr(), kTermino);
    QCOMPARE(login.veces(), 1);
    QCOMPARE(pausas, 0);
    QCOMPARE(mensajesAlLogin, size_t{1});
    QCOMPARE(m_notifier->messages.size(), size_t{1});
    const auto& m = m_notifier->messages.front();
    QVERIFY2(m.text.startsWith(QStringLiteral("Error al tratar de realizar la conexión\nVerifique su conexion")),
             qPrintable(m.text));
    QVERIFY(!m.text.contains(QStringLiteral("equivocada")));
    QCOMPARE(m.icon, platform::Icon::Error);
    QCOMPARE(avisoLogin, QString());
    QVERIFY(!m_app->sesion.LoginCorrecto);
    QVERIFY(!m_app->dm.fdConexion.isOpen());
}

void TestInicioAutomatico::inicioQueYaNoSirve_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("sistema");
    QTest::addColumn<QString>("empresa");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<platform::Icon>("icono");

    QTest::newRow("the user lost the company")
        << QStringLiteral("CAJERO") << QStringLiteral("DELETE FROM EMPRESAS_USUARIOS WHERE USUARIO_ID = 3;")
        << QString() << QStringLiteral("El usuario CAJERO ya no puede abrir la empresa DEMO.")
        << platform::Icon::Warning;
    QTest::newRow("the company's version is refused")
        << QStringLiteral("SYSDBA") << QString() << QStringLiteral("UPDATE VERSIONES_DB SET VERSION_DB = 1255;")
        << QStringLiteral("Versión no compatible con esta versión.") << platform::Icon::Warning;
    QTest::newRow("the company needs the installation") << QStringLiteral("CAJERO") << QString() << QString()
                                                        << QStringLiteral("Es necesario entrar con el usuario "
                                                                          "SYSDBA antes.")
                                                        << platform::Icon::Information;
}

// A stored start that reaches the server but no longer fits: its message once, the connection
// dropped, then the normal login; nothing waits and nothing is tried again.
void TestInicioAutomatico::inicioQueYaNoSirve()
{
    QFETCH(QString, usuario);
    QFETCH(QString, sistema);
    QFETCH(QString, empresa);
    QFETCH(QString, mensaje);
    QFETCH(platform::Icon, icono);

    const QString datos = m_dir->filePath(QStringLiteral("datos"));
    const QString rutaSistema = testsupport::systemDatabase(datos);
    const QString rutaEmpresa = testsupport::companyDatabase(datos); // without the station's objects
    for (const QString& ruta : {rutaSistema, rutaEmpresa})
        testsupport::grantMicrosipRole(testsupport::embeddedParams(ruta), QStringLiteral("CAJERO"));
    if (!sistema.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(rutaSistema), sistema);
    if (!empresa.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(rutaEmpresa), empresa);
    catalogo::GrabarXmlConexion(catalogo(), QStringLiteral("Local"), {1, QString(), 0, datos + u'/'});
    guardarInicio(QStringLiteral("Local"), usuario, QStringLiteral("masterkey"));

    m_app = std::make_unique<Lumivo>(ArranqueManual::conArranque(), pass(), catalogo());
    int pausas = 0;
    m_app->inicio.pausas = [&](int) {
        ++pausas;
        return 10;
    };
    size_t mensajesAlLogin = 0;
    bool conectadaAlLogin = true;
    AlAbrirse login(m_app->frmLogear, [&] {
        mensajesAlLogin = m_notifier->messages.size();
        conectadaAlLogin = m_app->dm.fdConexion.isOpen();
    });
    m_app->frmConsulta.show();
    QCOMPARE(correr(), kTermino); // the login cancelled ends the program
    QCOMPARE(login.veces(), 1);
    QCOMPARE(pausas, 0);
    QCOMPARE(mensajesAlLogin, size_t{1});
    QVERIFY(!conectadaAlLogin);
    QCOMPARE(m_notifier->messages.size(), size_t{1});
    QCOMPARE(m_notifier->messages.front().text, mensaje);
    QCOMPARE(m_notifier->messages.front().icon, icono);
    QVERIFY(!m_app->sesion.LoginCorrecto);
    QVERIFY(!m_app->dm.fdConexion.isOpen());
    // The stored start stays for the operator to fix or remove; the next start tries it again.
    QVERIFY(m_app->inicio.guardado());
}

LUMIVO_TEST_MAIN(TestInicioAutomatico)
#include "tst_inicioautomatico.moc"
