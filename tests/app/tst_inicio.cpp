// The whole start-up of the program object, from the login window through the company window to
// a found key on the display, driven by key and mouse events against real databases: embedded
// for a local connection, through the server for a remote one.

#include "connections/CatalogoConexiones.h"
#include "data/ConfigIni.h"
#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "search/IndiceCatalogo.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace {

using testsupport::AlAbrirse;

// What the event loop returned with: the program ended (closing the main window or a start-up
// that gave up), the start-up finished and left the program running, a check inside the loop
// failed, or the guard had to stop a run that hung.
constexpr int kTermino = 0;
constexpr int kSigue = 7;
constexpr int kFallo = 98;
constexpr int kGuardia = 99;

const QString kClave = QStringLiteral("7501055300075");
const QString kArticulo = QStringLiteral("COCA COLA LIGHT 600ML");

template <typename T> T* el(QWidget& ventana, const char* nombre)
{
    return elemento<T>(ventana, nombre);
}

// Replaces a line edit's text as a user does: select all, type over it.
void escribir(QLineEdit* caja, const QString& texto)
{
    QTest::mouseClick(caja, Qt::LeftButton);
    caja->selectAll();
    QTest::keyClicks(caja, texto);
}

QString linea(const QString& texto, int n)
{
    return texto.split(QLatin1Char('\n')).value(n);
}

} // namespace

class TestInicio : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void localConSysdbaHastaElArticuloYCierre();
    void remotoConUsuarioDelErp();
    void archivoRotoNoImpideArrancar_data();
    void archivoRotoNoImpideArrancar();

private:
    // Runs the event loop under the guard and returns its exit code.
    static int correr();
    // Scans the key into the display's key field and checks the article with its price.
    void escanearYVerificar();
    // Starts the program, lets `enElLogin` look at the login window, then cancels the login,
    // which ends the program.
    void arrancarHastaElLogin(const std::function<void()>& enElLogin);
    QString mensajes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_notifier;
    std::unique_ptr<Lumivo> m_app;
};

void TestInicio::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestInicio::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("usuario")));
    m_notifier = std::make_unique<platform::RecordingNotifier>();
    // The catalogue lives in the common folder of the test mode: start from an empty one.
    QFile::remove(catalogo::RutaCatalogo());
    catalogo::CrearArchivo(catalogo::RutaCatalogo());
}

void TestInicio::cleanup()
{
    m_app.reset();
    m_notifier.reset();
    QFile::remove(catalogo::RutaCatalogo());
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

int TestInicio::correr()
{
    QTimer guardia; // a guard against a run that hangs, not a measurement
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(kGuardia); });
    guardia.start(20000);
    return QCoreApplication::exec();
}

void TestInicio::escanearYVerificar()
{
    TfrmConsulta& w = m_app->frmConsulta;
    auto* ed = el<QLineEdit>(w, "edClave");
    QCOMPARE(w.focusWidget(), ed);
    const size_t antes = m_notifier->messages.size();
    QTest::keyClicks(ed, kClave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));
    QVERIFY2(m_notifier->messages.size() == antes, qPrintable(mensajes()));
    QCOMPARE(m_notifier->beeps, 0);
    auto* nombre = el<QLabel>(w, "lblNombreArticulo");
    QCOMPARE(nombre->text(), kArticulo);
    QVERIFY(nombre->isVisible());
    QVERIFY(w.articuloId() != 0);
    // The default price list of the installed settings (450) gives 16.00.
    auto* precio = el<QLabel>(w, "dbPrecio");
    QVERIFY(precio->isVisible());
    QCOMPARE(precio->text(), QLocale::system().toCurrencyString(16.0));
    QVERIFY(el<QWidget>(w, "dbPrecios")->isVisible());
}

QString TestInicio::mensajes() const
{
    QStringList textos;
    for (const auto& m : m_notifier->messages)
        textos << QStringLiteral("[%1] %2").arg(m.title, m.text);
    return textos.join(u'\n');
}

// The program as main() runs it: the start-up follows the first showing of the main window.
// A remembered connection that is not the wanted one is changed in the box, the user is typed
// in lower case, and the company is picked with the mouse and the keyboard.
void TestInicio::localConSysdbaHastaElArticuloYCierre()
{
    const QString datos = m_dir->filePath(QStringLiteral("datos"));
    const QString sistema = testsupport::systemDatabase(datos);
    const QString empresa = empresaConObjetos(datos);
    // Listed first, so it is the remembered position 0: a login through it fails.
    catalogo::GrabarXmlConexion(catalogo::RutaCatalogo(), QStringLiteral("Anterior"),
                                {1, QString(), 0, m_dir->filePath(QStringLiteral("vacio")) + QLatin1Char('/')});
    catalogo::GrabarXmlConexion(catalogo::RutaCatalogo(), QStringLiteral("Local"),
                                {1, QString(), 0, datos + QLatin1Char('/')});

    m_app = std::make_unique<Lumivo>();
    TfrmLogear& login = m_app->frmLogear;
    TfrmEmpresa& empresas = m_app->frmEmpresa;
    TfrmConsulta& w = m_app->frmConsulta;
    // The catalogue search's index, asked to look at the connection at each step.
    auto* indice = m_app->frmBuscarEnCatalogo.findChild<catalogo::IndiceCatalogo*>();
    QVERIFY(indice);
    bool enElVisor = false;
    bool cerrada = false;

    // Everything after the company window runs in the main window once the start-up returns.
    const auto enPantalla = [&] {
        enElVisor = true;
        [&] {
            QVERIFY(!QApplication::activeModalWidget());
            QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
            QCOMPARE(el<QLabel>(w, "estBarraPanel0")->text(), empresa);
            QCOMPARE(el<QLabel>(w, "estBarraPanel1")->text(), QStringLiteral("Usuario: SYSDBA"));
            QVERIFY(m_app->dm.fdConexion.isOpen());
            QCOMPARE(m_app->dm.fdConexion.params().value(0), QStringLiteral("Database=") + empresa);
            indice->revisar();
            QCOMPARE(indice->indexada().value(0), QStringLiteral("Database=") + empresa);
            QCOMPARE(m_app->frmConsulta.ajustes().ClienteEventualId, 465);
            QVERIFY(!el<QWidget>(w, "lblNombreArticulo")->isVisible());
            escanearYVerificar();
            QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
        }();
        if (QTest::currentTestFailed()) {
            QCoreApplication::exit(kFallo);
            return;
        }
        cerrada = true;
        w.close();
    };

    AlAbrirse alLogin(login, [&] {
        auto* usuario = el<QLineEdit>(login, "edUsuario");
        auto* cbo = el<QComboBox>(login, "cboConexion");
        auto* pass = el<QLineEdit>(login, "edPass");
        QCOMPARE(cbo->count(), 2);
        QCOMPARE(cbo->currentText(), QStringLiteral("Anterior"));
        QCOMPARE(usuario->text(), QStringLiteral("SYSDBA"));
        QCOMPARE(login.focusWidget(), pass);

        escribir(usuario, QStringLiteral("sysdba"));
        QTest::keyClick(usuario, Qt::Key_Return);
        QCOMPARE(login.focusWidget(), cbo);
        QTest::keyClick(cbo, Qt::Key_Down);
        QCOMPARE(cbo->currentText(), QStringLiteral("Local"));
        QTest::keyClick(cbo, Qt::Key_Return);
        QCOMPARE(login.focusWidget(), pass);
        QTest::keyClicks(pass, QStringLiteral("cualquiera"));
        QTest::keyClick(pass, Qt::Key_Return);
        QCOMPARE(login.focusWidget(), el<QWidget>(login, "btnAceptar"));
        QTest::keyClick(login.focusWidget(), Qt::Key_Return);
        QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
        QVERIFY(!login.isVisible());
    });
    AlAbrirse alEmpresa(empresas, [&] {
        // The login left the connection on the system database, which has no catalogue.
        QVERIFY(m_app->dm.fdConexion.isOpen());
        QCOMPARE(m_app->dm.fdConexion.params().value(0), QStringLiteral("Database=") + sistema);
        indice->revisar();
        QVERIFY(indice->indexada().isEmpty());
        auto* lista = el<QListWidget>(empresas, "LT");
        QStringList nombres;
        for (int i = 0; i < lista->count(); ++i)
            nombres << lista->item(i)->text();
        // SYSDBA sees every company of the system database, sorted by name.
        QCOMPARE(nombres, (QStringList{QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"), QStringLiteral("SUCURSAL")}));
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, lista->visualItemRect(lista->item(1)).center());
        QCOMPARE(lista->currentItem()->text(), QStringLiteral("EJEMPLO"));
        QTest::keyClick(lista, Qt::Key_Up);
        QCOMPARE(lista->currentItem()->text(), QStringLiteral("DEMO"));
        QTest::keyClick(lista, Qt::Key_Return);
        QVERIFY(!empresas.isVisible());
        // Runs once the start-up that this dialog's loop interrupted has returned.
        QTimer::singleShot(0, this, enPantalla);
    });
    AlAbrirse configuracion(m_app->frmConfiguracion);

    w.show();
    QCOMPARE(correr(), kTermino);
    QVERIFY(enElVisor);
    QVERIFY(cerrada);
    QCOMPARE(alLogin.veces(), 1);
    QVERIFY(alLogin.modal());
    QCOMPARE(alEmpresa.veces(), 1);
    QVERIFY(alEmpresa.modal());
    QCOMPARE(configuracion.veces(), 0);
    QVERIFY(!w.isVisible());
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));

    // What the run leaves for the next one: the choices of both windows and, from the closing,
    // the layout and a closed connection.
    const Sesion& s = m_app->sesion;
    QCOMPARE(s.datos.Usuario, QStringLiteral("SYSDBA"));
    QCOMPARE(s.datos.Empresa, QStringLiteral("DEMO"));
    QVERIFY(!m_app->dm.fdConexion.isOpen());
    m_app.reset();
    ConfigIni config(m_dir->filePath(QStringLiteral("config.xml")));
    QCOMPARE(config.ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
             QStringLiteral("sysdba"));
    QCOMPARE(config.ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), -9), 1);
    QCOMPARE(config.ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Empresa"), -9), 0);
    QCOMPARE(config.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_X"), -9), 216);
}

// An ERP user through the server: the first attempt with a wrong password keeps the login
// open with its error box, the second one goes on through the company window (only the
// user's own company) to the display, all under the user's own login and the ERP role.
void TestInicio::remotoConUsuarioDelErp()
{
    LUMIVO_REQUIRE_SERVER();
    QTemporaryDir servidor; // directly under the temporary folder, so the server can reach it
    QVERIFY(servidor.isValid());
    const QString sistema = testsupport::serverSystemDatabase(servidor.path());
    const QString empresa = testsupport::serverCompanyDatabase(servidor.path());
    {
        // The station's objects, installed through the server as SYSDBA.
        fb::Connection c;
        c.setParams(testsupport::serverParams(empresa));
        c.open();
        fb::Transaction t(c);
        t.start();
        const std::vector<fb::ScriptFailure> fallas = InstalarObjetos(t);
        QVERIFY(fallas.empty());
        t.commit();
        c.close();
    }
    const QString usuario = QStringLiteral("LUMIVO_INICIO_ERP");
    const QString clave = QStringLiteral("Inicio-42");
    testsupport::ServerUser cuenta(usuario, clave);
    testsupport::runSql(
        testsupport::serverParams(sistema),
        QStringLiteral("INSERT INTO USUARIOS (USUARIO_ID, NOMBRE, ACCESO_EMPRESAS) VALUES (8, '%1', 'N');\n"
                       "INSERT INTO EMPRESAS_USUARIOS (USUARIO_ID, EMPRESA_ID) VALUES (8, 2);\n")
            .arg(usuario));
    testsupport::grantMicrosipRole(testsupport::serverParams(sistema), usuario);
    testsupport::grantMicrosipRole(testsupport::serverParams(empresa), usuario);

    const QString carpeta = servidor.path() + QLatin1Char('/');
    catalogo::GrabarXmlConexion(catalogo::RutaCatalogo(), QStringLiteral("Local"),
                                {1, QString(), 0, m_dir->filePath(QStringLiteral("vacio")) + QLatin1Char('/')});
    catalogo::GrabarXmlConexion(catalogo::RutaCatalogo(), QStringLiteral("Servidor"),
                                {0, QStringLiteral("localhost"), 0, carpeta});

    m_app = std::make_unique<Lumivo>(ArranqueManual::llave());
    // Declared after the server files and the login, so the program lets go of them first.
    const auto soltar = qScopeGuard([this] { m_app.reset(); });
    TfrmLogear& login = m_app->frmLogear;
    TfrmEmpresa& empresas = m_app->frmEmpresa;
    TfrmConsulta& w = m_app->frmConsulta;

    AlAbrirse alLogin(login, [&] {
        auto* cbo = el<QComboBox>(login, "cboConexion");
        auto* pass = el<QLineEdit>(login, "edPass");
        auto* edUsuario = el<QLineEdit>(login, "edUsuario");
        escribir(edUsuario, usuario.toLower());
        QTest::keyClick(edUsuario, Qt::Key_Return);
        QCOMPARE(login.focusWidget(), cbo);
        QTest::keyClick(cbo, Qt::Key_Down);
        QCOMPARE(cbo->currentText(), QStringLiteral("Servidor"));
        QTest::keyClick(cbo, Qt::Key_Return);
        QCOMPARE(login.focusWidget(), pass);
        QTest::keyClicks(pass, QStringLiteral("equivocada"));
        QTest::keyClick(pass, Qt::Key_Return);
        QTest::keyClick(login.focusWidget(), Qt::Key_Return);

        QCOMPARE(m_notifier->messages.size(), size_t{1});
        const auto& aviso = m_notifier->messages[0];
        QCOMPARE(aviso.icon, platform::Icon::Error);
        QCOMPARE(linea(aviso.text, 0), QStringLiteral("Error al tratar de realizar la conexión"));
        QCOMPARE(linea(aviso.text, 2), QStringLiteral("localhost:") + carpeta + QStringLiteral("System/Config.fdb"));
        QVERIFY(login.isVisible());
        QCOMPARE(QApplication::activeModalWidget(), &login);
        QVERIFY(!m_app->sesion.LoginCorrecto);
        QVERIFY(!m_app->dm.fdConexion.isOpen());

        escribir(pass, clave);
        QTest::keyClick(pass, Qt::Key_Return);
        QTest::keyClick(login.focusWidget(), Qt::Key_Return);
        QCOMPARE(m_notifier->messages.size(), size_t{1});
        QVERIFY(!login.isVisible());
    });
    AlAbrirse alEmpresa(empresas, [&] {
        auto* lista = el<QListWidget>(empresas, "LT");
        QCOMPARE(lista->count(), 1); // the user's only company
        QCOMPARE(lista->item(0)->text(), QStringLiteral("DEMO"));
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, lista->visualItemRect(lista->item(0)).center());
        QVERIFY(!empresas.isVisible());
    });
    AlAbrirse configuracion(m_app->frmConfiguracion);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QObject contexto; // cancels whatever of this run is still pending when it returns
    QTimer::singleShot(0, &contexto, [&w, &contexto] {
        platform::guarded(&w, [&w] { w.FormShow(); });
        // Queued, so that an end requested by the start-up wins.
        QTimer::singleShot(0, &contexto, [] { QCoreApplication::exit(kSigue); });
    });
    QCOMPARE(correr(), kSigue);
    QCOMPARE(alLogin.veces(), 1);
    QVERIFY(alLogin.modal());
    QCOMPARE(alEmpresa.veces(), 1);
    QCOMPARE(configuracion.veces(), 0);
    QCOMPARE(m_notifier->messages.size(), size_t{1}); // only the failed attempt's box
    QVERIFY(m_app->sesion.LoginCorrecto);
    QVERIFY(m_app->sesion.EmpresaSeleccionada);
    QCOMPARE(el<QLabel>(w, "estBarraPanel0")->text(), carpeta + QStringLiteral("DEMO.fdb"));
    QCOMPARE(el<QLabel>(w, "estBarraPanel1")->text(), QStringLiteral("Usuario: ") + usuario);
    QCOMPARE(m_app->frmConsulta.ajustes().ClienteEventualId, 465);

    // The display's connection is the user's own, with the role, on the company through the server.
    {
        fb::Transaction t(m_app->dm.fdConexion);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("select current_user as U, current_role as R, mon$remote_protocol as P "
                                "from mon$attachments where mon$attachment_id = current_connection"));
        q.open();
        QVERIFY(q.next());
        QCOMPARE(q.value(QStringLiteral("U")).toString().trimmed(), usuario);
        QCOMPARE(q.value(QStringLiteral("R")).toString().trimmed(), QStringLiteral("USUARIO_MICROSIP"));
        QVERIFY(q.value(QStringLiteral("P")).toString().startsWith(QLatin1String("TCP")));
        t.commit();
    }

    escanearYVerificar();
    QCOMPARE(m_notifier->messages.size(), size_t{1});
}

LUMIVO_TEST_MAIN(TestInicio)
#include "tst_inicio.moc"

void TestInicio::arrancarHastaElLogin(const std::function<void()>& enElLogin)
{
    m_app = std::make_unique<Lumivo>();
    AlAbrirse alLogin(m_app->frmLogear, enElLogin);
    AlAbrirse editor(m_app->frmNewConexion);
    m_app->frmConsulta.show();
    QCOMPARE(correr(), kTermino);
    QCOMPARE(alLogin.veces(), 1);
    QCOMPARE(editor.veces(), 0);
    m_app.reset();
}

void TestInicio::archivoRotoNoImpideArrancar_data()
{
    QTest::addColumn<bool>("esConfig"); // config.xml; otherwise the connection catalogue
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("motivo");

    QByteArray basura;
    for (int i = 0; i < 4096; ++i)
        basura += char((i * 131 + 7) & 0xFF);
    const QByteArray entidades = "<!DOCTYPE X [<!ENTITY e \"" + QByteArray(4000, 'x') + "\">]><X a=\"" +
                                 QByteArray("&e;").repeated(1000) + "\"/>";

    QTest::newRow("config.xml cut short")
        << true << QByteArray("<Config><Conexion Usuario=\"ana") << "no se puede leer";
    QTest::newRow("config.xml of binary garbage") << true << basura << "no se puede leer";
    QTest::newRow("config.xml declaring entities") << true << entidades << "declara entidades";
    QTest::newRow("config.xml of 10 MB") << true << "<Config><!--" + QByteArray(10 * 1024 * 1024, 'x') + "--></Config>"
                                         << "ocupa más de";
    QTest::newRow("catalogue cut short") << false << QByteArray("<?xml version=\"1.0\"?><ProgramData><LocalMachine>")
                                         << "no es un XML válido";
    QTest::newRow("catalogue declaring entities") << false << entidades << "declara entidades";
    QTest::newRow("catalogue of 10 MB") << false
                                        << "<ProgramData><!--" + QByteArray(10 * 1024 * 1024, 'x') + "--></ProgramData>"
                                        << "ocupa más de";
}

// A broken settings or catalogue file stops nothing but what needs it: the program starts, the
// login window opens with a message that names the file, the file keeps its bytes. Deleting a
// broken config.xml (or repairing the catalogue) brings the next start back to normal, with the
// defaults written again.
void TestInicio::archivoRotoNoImpideArrancar()
{
    QFETCH(bool, esConfig);
    QFETCH(QByteArray, contenido);
    QFETCH(QString, motivo);

    const QString config = m_dir->filePath(QStringLiteral("config.xml"));
    const QString catalogo = catalogo::RutaCatalogo();
    catalogo::GrabarXmlConexion(catalogo, QStringLiteral("Local"), {1, QString(), 0, QStringLiteral("/datos/")});
    QFile buenCatalogo(catalogo);
    QVERIFY(buenCatalogo.open(QIODevice::ReadOnly));
    const QByteArray catalogoBueno = buenCatalogo.readAll();
    buenCatalogo.close();

    const QString roto = esConfig ? config : catalogo;
    {
        QFile archivo(roto);
        QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(archivo.write(contenido), contenido.size());
    }

    arrancarHastaElLogin([&] {
        QVERIFY(m_app->frmLogear.isVisible());
        QVERIFY(!m_notifier->messages.empty());
        for (const auto& m : m_notifier->messages) {
            QVERIFY2(m.text.contains(roto) && m.text.contains(motivo), qPrintable(mensajes()));
            QCOMPARE(m.title, QStringLiteral("Lumivo"));
        }
    });
    QFile archivo(roto);
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    QVERIFY(archivo.readAll() == contenido);
    archivo.close();

    if (esConfig) {
        QVERIFY(QFile::remove(config));
    } else {
        QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(archivo.write(catalogoBueno), catalogoBueno.size());
        archivo.close();
    }
    m_notifier->messages.clear();
    arrancarHastaElLogin([&] {
        QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
        QCOMPARE(el<QComboBox>(m_app->frmLogear, "cboConexion")->currentText(), QStringLiteral("Local"));
        QCOMPARE(el<QLineEdit>(m_app->frmLogear, "edUsuario")->text(), QStringLiteral("SYSDBA"));
    });
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    if (esConfig) {
        ConfigIni nuevo(config);
        QCOMPARE(nuevo.ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
                 QStringLiteral("SYSDBA"));
        QCOMPARE(nuevo.ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), -9), 0);
    }
}
