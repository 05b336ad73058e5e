#include "VentanasConexion.h"
#include "connections/CatalogoConexiones.h"
#include "connections/uEmpresa.h"
#include "connections/uLogear.h"
#include "connections/uNewConexion.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class Tdm;
class TfrmLogear;
class TfrmNewConexion;

class TestLogear : public QObject {
    Q_OBJECT
public:
    TestLogear();
    ~TestLogear() override;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void forma();
    void versionMostrada_data();
    void versionMostrada();
    void usuarioRecordado_data();
    void usuarioRecordado();
    void posicionRecordada_data();
    void posicionRecordada();
    void loginConTeclado();
    void inicioModal();
    void carpetaSinSeparadorFinal();
    void conexionFallida_data();
    void conexionFallida();
    void falloYLuegoExito();
    void errorAntesDeConectar_data();
    void errorAntesDeConectar();
    void cancelar_data();
    void cancelar();
    void primerInicioAbreElEditor();
    void editorCanceladoNoSeReabre();
    void editorRecargaLaLista();
    void abrirEliminarYCancelar();
    void servidorUsuarioDelErp();

private:
    void crear();
    void mostrar();
    void escribirConfig(const QString& atributos);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_ruta;
    QString m_datos; // data folder with System/Config.fdb, ending in "/"
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<Sesion> m_sesion;
    std::unique_ptr<TfrmNewConexion> m_editor;
    std::unique_ptr<TfrmLogear> m_login;
};

namespace {

using prueba::clic;
using prueba::el;
using prueba::reemplazar;

QString linea(const QString& texto, int n)
{
    return texto.split(QLatin1Char('\n')).value(n);
}

} // namespace

TestLogear::TestLogear() = default;
TestLogear::~TestLogear() = default;

void TestLogear::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
}

void TestLogear::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = m_dir->filePath(QStringLiteral("Microsip/ProgramData.xml"));
    m_datos = m_dir->filePath(QStringLiteral("datos")) + QLatin1Char('/');
    testsupport::systemDatabase(m_dir->filePath(QStringLiteral("datos")));
    m_avisos = std::make_unique<platform::RecordingNotifier>();
    crear();
}

void TestLogear::crear()
{
    m_login.reset();
    m_editor.reset();
    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    m_sesion = std::make_unique<Sesion>();
    m_editor = std::make_unique<TfrmNewConexion>(m_ruta);
    m_login = std::make_unique<TfrmLogear>(*m_dm, *m_sesion, *m_editor, m_ruta);
}

void TestLogear::cleanup()
{
    m_login.reset();
    m_editor.reset();
    m_dm.reset();
    m_sesion.reset();
    m_avisos.reset();
    m_dir.reset();
}

void TestLogear::mostrar()
{
    m_login->show();
    QVERIFY(QTest::qWaitForWindowActive(m_login.get()));
}

void TestLogear::escribirConfig(const QString& atributos)
{
    QFile f(m_dir->filePath(QStringLiteral("config.xml")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("<Config><Conexion %1/></Config>").arg(atributos).toUtf8());
}

void TestLogear::forma()
{
    TfrmLogear& w = *m_login;
    QCOMPARE(w.windowTitle(), QStringLiteral("Bienvenido"));
    QCOMPARE(w.size(), QSize(410, 203));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));

    const struct {
        const char* nombre;
        QRect geometria;
    } controles[] = {
        {"pTitulo", {0, 0, 410, 73}},    {"edUsuario", {126, 99, 160, 21}}, {"cboConexion", {126, 129, 160, 21}},
        {"edPass", {126, 156, 160, 21}}, {"btnAceptar", {303, 87, 91, 31}}, {"btnCancel", {303, 124, 91, 31}},
    };
    for (const auto& c : controles)
        QCOMPARE(el<QWidget>(w, c.nombre)->geometry(), c.geometria);
    QCOMPARE(el<QWidget>(w, "pTitulo")->palette().color(QPalette::Window), QColor(42, 63, 84));
    QCOMPARE(el<QLabel>(w, "Label5")->text(), QStringLiteral("Escriba los datos de accesos para iniciar la sesiòn"));
    QCOMPARE(el<QLabel>(w, "Label1")->buddy(), el<QWidget>(w, "edUsuario"));
    QCOMPARE(el<QLabel>(w, "Label2")->text(), QStringLiteral("Cone&xión:"));
    QCOMPARE(el<QLabel>(w, "Label2")->buddy(), el<QWidget>(w, "cboConexion"));
    QCOMPARE(el<QLabel>(w, "Label3")->buddy(), el<QWidget>(w, "edPass"));
    QCOMPARE(el<QLineEdit>(w, "edPass")->echoMode(), QLineEdit::Password);
    QCOMPARE(prueba::ordenDeTabulacion(w, QStringLiteral("edUsuario"), 5),
             (QStringList{QStringLiteral("edUsuario"), QStringLiteral("cboConexion"), QStringLiteral("edPass"),
                          QStringLiteral("btnAceptar"), QStringLiteral("btnCancel")}));

    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    mostrar();
    QCOMPARE(el<QLabel>(w, "lblVersion")->text(), QStringLiteral("Zantor Lumivo 2026 v3.3.0"));
    QVERIFY(el<QLabel>(w, "lblVersion")->font().bold());
    QCOMPARE(el<QLabel>(w, "lblVersion")->pos(), QPoint(8, 183));

    // A right click on the connection box opens its menu, not the line edit's own.
    auto* menu = el<QMenu>(w, "PopupMenu1");
    QStringList acciones;
    for (QAction* a : menu->actions()) {
        acciones << a->text();
        QVERIFY(!a->icon().isNull());
    }
    QCOMPARE(acciones, (QStringList{QStringLiteral("Nueva Conexión"), QStringLiteral("Abrir Conexión")}));
    QLineEdit* texto = el<QComboBox>(w, "cboConexion")->lineEdit();
    QContextMenuEvent clicDerecho(QContextMenuEvent::Mouse, QPoint(5, 5), texto->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(texto, &clicDerecho);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

void TestLogear::versionMostrada_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("mostrada");
    QTest::newRow("four numbers") << "3.3.0.0"
                                  << "3.3.0";
    QTest::newRow("build number dropped") << "10.2.7.123"
                                          << "10.2.7";
    QTest::newRow("leading zeros") << "03.03.00.0"
                                   << "3.3.0";
    QTest::newRow("no version information") << ""
                                            << "0.0.0";
    QTest::newRow("two numbers") << "3.3"
                                 << "3.3.0";
    QTest::newRow("unreadable number") << "3.x.1.0"
                                       << "3.0.1";
}

void TestLogear::versionMostrada()
{
    QFETCH(QString, archivo);
    QFETCH(QString, mostrada);
    QCOMPARE(VersionMostrada(archivo), mostrada);
}

void TestLogear::usuarioRecordado_data()
{
    QTest::addColumn<QString>("config"); // attributes of <Conexion>; empty: no file
    QTest::addColumn<QString>("usuario");
    QTest::newRow("first start") << ""
                                 << "SYSDBA";
    QTest::newRow("remembered as typed") << R"(Usuario="cajero")"
                                         << "cajero";
    QTest::newRow("remembered empty") << R"(Usuario="")"
                                      << "";
}

void TestLogear::usuarioRecordado()
{
    QFETCH(QString, config);
    QFETCH(QString, usuario);
    if (!config.isEmpty())
        escribirConfig(config);
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    mostrar();
    QCOMPARE(el<QLineEdit>(*m_login, "edUsuario")->text(), usuario);
    QCOMPARE(QApplication::focusWidget(), el<QWidget>(*m_login, "edPass"));
    QCOMPARE(m_dm->ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QStringLiteral("?")), usuario);
}

void TestLogear::posicionRecordada_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("indice");
    QTest::addColumn<QString>("texto");
    QTest::newRow("first start") << "" << 0 << "Uno";
    QTest::newRow("last entry") << R"(Conexion="2")" << 2 << "Tres";
    QTest::newRow("past the end") << R"(Conexion="5")" << -1 << "";
    QTest::newRow("typed text that was no entry") << R"(Conexion="-1")" << -1 << "";
}

void TestLogear::posicionRecordada()
{
    QFETCH(QString, config);
    QFETCH(int, indice);
    QFETCH(QString, texto);
    if (!config.isEmpty())
        escribirConfig(config);
    for (const char* nombre : {"Uno", "Dos", "Tres"})
        prueba::agregarConexion(m_ruta, QString::fromLatin1(nombre), prueba::local(m_datos));
    mostrar();
    auto* cbo = el<QComboBox>(*m_login, "cboConexion");
    QCOMPARE(cbo->count(), 3);
    QCOMPARE(cbo->currentIndex(), indice);
    QCOMPARE(cbo->currentText(), texto);
}

void TestLogear::loginConTeclado()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    mostrar();
    TfrmLogear& w = *m_login;
    auto* usuario = el<QLineEdit>(w, "edUsuario");
    auto* cbo = el<QComboBox>(w, "cboConexion");
    auto* pass = el<QLineEdit>(w, "edPass");

    QTest::mouseClick(usuario, Qt::LeftButton);
    usuario->selectAll();
    QTest::keyClicks(usuario, QStringLiteral("sysdba"));
    QTest::keyClick(usuario, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), cbo);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), pass);
    QCOMPARE(cbo->count(), 1); // Enter never adds the typed text as an entry
    QTest::keyClicks(pass, QStringLiteral("cualquiera"));
    QTest::keyClick(pass, Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), el<QWidget>(w, "btnAceptar"));
    QCOMPARE(m_sesion->LoginCorrecto, false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(m_avisos->messages.size(), size_t{0});
    QVERIFY(m_sesion->LoginCorrecto);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(m_dm->fdConexion.isOpen());
    const DatosConexion& d = m_sesion->datos;
    QCOMPARE(d.Usuario, QStringLiteral("SYSDBA"));
    QCOMPARE(d.Contrasena, QStringLiteral("cualquiera"));
    QCOMPARE(d.CarpetaDatos, m_datos);
    QCOMPARE(d.RutaMostrada, m_datos);
    QCOMPARE(d.RutaSistema, m_datos + QStringLiteral("System/Config.fdb"));
    // Typed in lower case, it is still SYSDBA: no role entry.
    QCOMPARE(m_dm->fdConexion.params(),
             (QStringList{QStringLiteral("Database=") + d.RutaSistema, QStringLiteral("user_name=SYSDBA"),
                          QStringLiteral("password=cualquiera"), QStringLiteral("CharacterSet= ISO8859_1"),
                          QStringLiteral("SQLDialect= 3"), QStringLiteral("DriverID=FB")}));
    QCOMPARE(m_dm->ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
             QStringLiteral("sysdba"));
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), 99), 0);
}

// As the start-up runs it: modal, with the list filled once the window is up.
void TestLogear::inicioModal()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    testsupport::AlAbrirse login(*m_login, [this] {
        QTRY_COMPARE(el<QComboBox>(*m_login, "cboConexion")->count(), 1);
        QTest::keyClicks(el<QLineEdit>(*m_login, "edPass"), QStringLiteral("x"));
        clic(*m_login, "btnAceptar");
    });
    QCOMPARE(m_login->exec(), int(QDialog::Accepted));
    QVERIFY(m_sesion->LoginCorrecto);
    QCOMPARE(m_sesion->datos.RutaSistema, m_datos + QStringLiteral("System/Config.fdb"));
}

// A folder typed without its final separator still reaches the system database.
void TestLogear::carpetaSinSeparadorFinal()
{
    const QString carpeta = m_datos.chopped(1);
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(carpeta));
    testsupport::AlAbrirse login(*m_login, [this] {
        QTRY_COMPARE(el<QComboBox>(*m_login, "cboConexion")->count(), 1);
        QTest::keyClicks(el<QLineEdit>(*m_login, "edPass"), QStringLiteral("x"));
        clic(*m_login, "btnAceptar");
    });
    QCOMPARE(m_login->exec(), int(QDialog::Accepted));
    QCOMPARE(m_avisos->messages.size(), size_t{0});
    QVERIFY(m_sesion->LoginCorrecto);
    QCOMPARE(m_sesion->datos.CarpetaDatos, carpeta);
    QCOMPARE(m_sesion->datos.RutaSistema, m_datos + QStringLiteral("System/Config.fdb"));
    QVERIFY(m_dm->fdConexion.isOpen());
}

void TestLogear::conexionFallida_data()
{
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("elegida"); // typed into the connection box; empty: the listed one
    QTest::addColumn<QString>("ultimaLinea");
    QTest::addColumn<int>("recordada");

    QTest::newRow("local Windows folder") << 1 << ""
                                          << "D:\\Datos\\"
                                          << ""
                                          << "D:\\Datos\\System\\Config.fdb" << 0;
    QTest::newRow("remote") << 0 << "127.0.0.1"
                            << "D:\\Datos\\"
                            << ""
                            << "127.0.0.1:D:\\Datos\\System\\Config.fdb" << 0;
    QTest::newRow("folder without separator") << 1 << ""
                                              << "D:\\Datos"
                                              << ""
                                              << "D:\\DatosSystem\\Config.fdb" << 0;
    QTest::newRow("no type chosen reads as local") << -1 << "SRV1"
                                                   << "/no/existe/"
                                                   << ""
                                                   << "/no/existe/System/Config.fdb" << 0;
    QTest::newRow("connection not in the catalogue") << 1 << ""
                                                     << "D:\\Datos\\"
                                                     << "Fantasma"
                                                     << "System\\Config.fdb" << -1;
}

void TestLogear::conexionFallida()
{
    QFETCH(int, tipo);
    QFETCH(QString, servidor);
    QFETCH(QString, carpeta);
    QFETCH(QString, elegida);
    QFETCH(QString, ultimaLinea);
    QFETCH(int, recordada);
    prueba::agregarConexion(m_ruta, QStringLiteral("Datos"), {tipo, servidor, 0, carpeta});
    mostrar();
    TfrmLogear& w = *m_login;
    reemplazar(el<QLineEdit>(w, "edUsuario"), QStringLiteral("Cajero"));
    if (!elegida.isEmpty()) {
        auto* cbo = el<QComboBox>(w, "cboConexion");
        cbo->setFocus();
        cbo->lineEdit()->selectAll();
        QTest::keyClicks(cbo, elegida);
    }
    QTest::keyClicks(el<QLineEdit>(w, "edPass"), QStringLiteral("secreto"));
    clic(w, "btnAceptar");

    QCOMPARE(m_avisos->messages.size(), size_t{1});
    const auto& aviso = m_avisos->messages[0];
    QCOMPARE(aviso.title, QString());
    QCOMPARE(aviso.icon, platform::Icon::Error);
    QCOMPARE(aviso.text.count(QLatin1Char('\n')), 2);
    QCOMPARE(linea(aviso.text, 0), QStringLiteral("Error al tratar de realizar la conexión"));
    QCOMPARE(linea(aviso.text, 1), QStringLiteral("Verifique su conexion,Nombre de usuario y contraseña."));
    QCOMPARE(linea(aviso.text, 2), ultimaLinea);

    // The window stays for another attempt; the shared connection is closed and emptied, and
    // the choices were remembered before connecting.
    QVERIFY(w.isVisible());
    QVERIFY(!m_sesion->LoginCorrecto);
    QVERIFY(!m_dm->fdConexion.isOpen());
    QVERIFY(m_dm->fdConexion.params().isEmpty());
    QCOMPARE(m_sesion->datos.Usuario, QStringLiteral("CAJERO"));
    QCOMPARE(m_sesion->datos.Contrasena, QStringLiteral("secreto"));
    QCOMPARE(m_dm->ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
             QStringLiteral("Cajero"));
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), 99), recordada);
}

void TestLogear::falloYLuegoExito()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Roto"), prueba::local(m_dir->filePath(QStringLiteral("vacio/"))));
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    mostrar();
    TfrmLogear& w = *m_login;
    reemplazar(el<QLineEdit>(w, "edUsuario"), QStringLiteral("cajero"));
    QTest::keyClicks(el<QLineEdit>(w, "edPass"), QStringLiteral("uno"));
    clic(w, "btnAceptar");
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY(m_dm->fdConexion.params().isEmpty());

    auto* cbo = el<QComboBox>(w, "cboConexion");
    cbo->setFocus();
    QTest::keyClick(cbo, Qt::Key_Down);
    QCOMPARE(cbo->currentText(), QStringLiteral("Local"));
    reemplazar(el<QLineEdit>(w, "edPass"), QStringLiteral("dos"));
    clic(w, "btnAceptar");

    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY(m_sesion->LoginCorrecto);
    QVERIFY(m_dm->fdConexion.isOpen());
    // The whole list is built again: nothing of the failed attempt is left.
    QCOMPARE(m_dm->fdConexion.params(),
             (QStringList{QStringLiteral("Database=") + m_datos + QStringLiteral("System/Config.fdb"),
                          QStringLiteral("user_name=CAJERO"), QStringLiteral("password=dos"),
                          QStringLiteral("RoleName=USUARIO_MICROSIP"), QStringLiteral("CharacterSet= ISO8859_1"),
                          QStringLiteral("SQLDialect= 3"), QStringLiteral("DriverID=FB")}));
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), 99), 1);
}

void TestLogear::errorAntesDeConectar_data()
{
    QTest::addColumn<QByteArray>("conexiones"); // children of <Conexiones>
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("aviso");
    QTest::newRow("protocol code that is no number")
        << QByteArray("<Remota><Tipo_de_acceso>0</Tipo_de_acceso><Nombre_del_servidor>SRV1</Nombre_del_servidor>"
                      "<Protocolo>TCP</Protocolo><Directorio_de_datos>D:\\</Directorio_de_datos></Remota>")
        << ""
        << "TCP";
    QTest::newRow("no connection chosen")
        << QByteArray("<Local><Tipo_de_acceso>1</Tipo_de_acceso><Directorio_de_datos>/d/</Directorio_de_datos></Local>")
        << R"(Usuario="SYSDBA" Conexion="7")" << catalogo::ErrorDeNombre(QString());
}

// Failures before any connection attempt reach the general report; nothing is remembered.
void TestLogear::errorAntesDeConectar()
{
    QFETCH(QByteArray, conexiones);
    QFETCH(QString, config);
    QFETCH(QString, aviso);
    if (!config.isEmpty())
        escribirConfig(config);
    QDir().mkpath(QFileInfo(m_ruta).path());
    QFile f(m_ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<ProgramData><LocalMachine><Software><Microsip><Conexiones>" + conexiones +
            "</Conexiones></Microsip></Software></LocalMachine></ProgramData>");
    f.close();
    mostrar();
    reemplazar(el<QLineEdit>(*m_login, "edUsuario"), QStringLiteral("cajero"));
    clic(*m_login, "btnAceptar");

    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QCOMPARE(m_avisos->messages[0].title, QStringLiteral("Lumivo"));
    QVERIFY2(m_avisos->messages[0].text.contains(aviso), qPrintable(m_avisos->messages[0].text));
    QVERIFY(m_login->isVisible());
    QVERIFY(!m_sesion->LoginCorrecto);
    QCOMPARE(m_dm->ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
             QStringLiteral("SYSDBA"));
}

void TestLogear::cancelar_data()
{
    QTest::addColumn<QString>("como");
    QTest::addColumn<bool>("cierra");
    QTest::newRow("Cancelar") << "Cancelar" << true;
    QTest::newRow("close box") << "close" << true;
    QTest::newRow("Escape does nothing") << "Escape" << false;
}

void TestLogear::cancelar()
{
    QFETCH(QString, como);
    QFETCH(bool, cierra);
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    mostrar();
    if (como == QLatin1String("Cancelar"))
        clic(*m_login, "btnCancel");
    else if (como == QLatin1String("close"))
        m_login->close();
    else
        QTest::keyClick(el<QLineEdit>(*m_login, "edPass"), Qt::Key_Escape);

    QCOMPARE(m_login->isVisible(), !cierra);
    if (cierra)
        QCOMPARE(m_login->result(), int(QDialog::Rejected));
    QVERIFY(!m_sesion->LoginCorrecto);
    QVERIFY(!m_dm->fdConexion.isOpen());
    QCOMPARE(m_avisos->messages.size(), size_t{0});
}

void TestLogear::primerInicioAbreElEditor()
{
    testsupport::AlAbrirse editor(*m_editor, [this] {
        QVERIFY(m_editor->modoNuevo());
        QCOMPARE(el<QLineEdit>(*m_editor, "edNombre")->text(), QStringLiteral("Local"));
        clic(*m_editor, "btnAceptar");
    });
    m_login->show();
    auto* cbo = el<QComboBox>(*m_login, "cboConexion");
    QTRY_COMPARE(cbo->count(), 1);

    QCOMPARE(editor.veces(), 1);
    QCOMPARE(cbo->currentIndex(), 0);
    QCOMPARE(cbo->currentText(), QStringLiteral("Local"));
    QCOMPARE(m_avisos->messages.size(), size_t{0});
    DatosConexion leidos;
    catalogo::LeerXmlConexion(m_ruta, QStringLiteral("Local"), leidos);
    // The untouched boxes show "Local" and "TCP/IP", and that is what the file gets.
    QCOMPARE(leidos.TipoAcceso, QStringLiteral("1"));
    QCOMPARE(leidos.ProtocoloRed, QStringLiteral("0"));
}

void TestLogear::editorCanceladoNoSeReabre()
{
    testsupport::AlAbrirse editor(*m_editor, [this] { clic(*m_editor, "Button1"); });
    m_login->show();
    QTRY_COMPARE(m_avisos->messages.size(), size_t{1});
    QCOMPARE(editor.veces(), 1);
    QCOMPARE(m_avisos->messages[0].text, TfrmLogear::kSinCatalogo.arg(m_ruta));
    QCOMPARE(m_avisos->messages[0].title, QStringLiteral("Zantor"));
    QCOMPARE(m_avisos->messages[0].icon, platform::Icon::Warning);
    auto* cbo = el<QComboBox>(*m_login, "cboConexion");
    QCOMPARE(cbo->count(), 0);

    // Coming back to the window, by the window system or by a reload, neither reopens the
    // editor nor repeats the message.
    QWidget otra;
    otra.show();
    QVERIFY(QTest::qWaitForWindowActive(&otra));
    m_login->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_login.get()));
    m_login->FormActivate();
    QCOMPARE(editor.veces(), 1);
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY(m_login->isVisible());

    // "Aceptar" is the way on: the editor again, and the list once the file exists.
    editor.luego([this] { clic(*m_editor, "btnAceptar"); });
    clic(*m_login, "btnAceptar");
    QCOMPARE(editor.veces(), 2);
    QCOMPARE(cbo->count(), 1);
    QCOMPARE(cbo->currentText(), QStringLiteral("Local"));
    QVERIFY(!m_sesion->LoginCorrecto);
    QVERIFY(m_login->isVisible());
    QCOMPARE(m_avisos->messages.size(), size_t{1});
}

void TestLogear::editorRecargaLaLista()
{
    escribirConfig(QStringLiteral(R"(Conexion="1")"));
    prueba::agregarConexion(m_ruta, QStringLiteral("Uno"), prueba::local(m_datos));
    prueba::agregarConexion(m_ruta, QStringLiteral("Dos"), prueba::local(m_datos));
    mostrar();
    auto* cbo = el<QComboBox>(*m_login, "cboConexion");
    QCOMPARE(cbo->currentText(), QStringLiteral("Dos"));

    testsupport::AlAbrirse editor(*m_editor, [this] {
        QVERIFY(m_editor->modoNuevo());
        QCOMPARE(el<QLineEdit>(*m_editor, "edNombre")->text(), QString());
        QCOMPARE(el<QComboBox>(*m_editor, "TipoConexion")->currentText(), QStringLiteral("Local"));
        QTest::keyClicks(el<QLineEdit>(*m_editor, "edNombre"), QStringLiteral("Tres"));
        clic(*m_editor, "btnAceptar");
    });
    QLineEdit* texto = cbo->lineEdit();
    QContextMenuEvent clicDerecho(QContextMenuEvent::Mouse, QPoint(5, 5), texto->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(texto, &clicDerecho);
    auto* menu = el<QMenu>(*m_login, "PopupMenu1");
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->activeAction()->objectName(), QStringLiteral("NuevaConexin1"));
    QTest::keyClick(menu, Qt::Key_Return);

    QCOMPARE(editor.veces(), 1);
    QStringList lista;
    for (int i = 0; i < cbo->count(); ++i)
        lista << cbo->itemText(i);
    QCOMPARE(lista, (QStringList{QStringLiteral("Uno"), QStringLiteral("Dos"), QStringLiteral("Tres")}));
    QCOMPARE(cbo->currentIndex(), 1);
}

void TestLogear::abrirEliminarYCancelar()
{
    escribirConfig(QStringLiteral(R"(Conexion="1")"));
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(m_datos));
    prueba::agregarConexion(m_ruta, QStringLiteral("Servidor central"),
                            {0, QStringLiteral("SRV1"), 0, QStringLiteral("D:\\Datos\\")});
    mostrar();
    auto* cbo = el<QComboBox>(*m_login, "cboConexion");
    QCOMPARE(cbo->currentText(), QStringLiteral("Servidor_central"));

    testsupport::AlAbrirse editor(*m_editor, [this] {
        auto* nombre = el<QLineEdit>(*m_editor, "edNombre");
        QCOMPARE(nombre->text(), QStringLiteral("Servidor central"));
        QVERIFY(!nombre->isEnabled());
        QCOMPARE(el<QLineEdit>(*m_editor, "edServidor")->text(), QStringLiteral("SRV1"));
        clic(*m_editor, "Button2");
        QVERIFY(m_editor->isVisible());
        clic(*m_editor, "Button1");
    });
    el<QAction>(*m_login, "AbrirConexin1")->trigger();

    QCOMPARE(editor.veces(), 1);
    QCOMPARE(catalogo::LeerXML2018(m_ruta), QStringList{QStringLiteral("Local")});
    QCOMPARE(cbo->count(), 1);
    // The remembered position 1 is now past the end.
    QCOMPARE(cbo->currentIndex(), -1);
    QCOMPARE(cbo->currentText(), QString());
}

// An ERP user with a server login of its own and the ERP role: a wrong password gives the
// login's box, the right one opens the system database with the role, and the company window
// then shows that user's companies through the server.
void TestLogear::servidorUsuarioDelErp()
{
    LUMIVO_REQUIRE_SERVER();
    QTemporaryDir servidor;
    QVERIFY(servidor.isValid());
    const QString sistema = testsupport::serverSystemDatabase(servidor.path());
    const QString usuario = QStringLiteral("LUMIVO_LOGIN_ERP");
    const QString clave = QStringLiteral("Clave-123");
    testsupport::ServerUser login(usuario, clave);
    testsupport::runSql(testsupport::serverParams(sistema),
                        QStringLiteral("INSERT INTO USUARIOS (USUARIO_ID, NOMBRE, ACCESO_EMPRESAS) "
                                       "VALUES (8, '%1', 'N');\n"
                                       "INSERT INTO EMPRESAS_USUARIOS (USUARIO_ID, EMPRESA_ID) VALUES (8, 3);\n"
                                       "GRANT USUARIO_MICROSIP TO %1;")
                            .arg(usuario));
    const QString carpeta = servidor.path() + QLatin1Char('/');
    prueba::agregarConexion(m_ruta, QStringLiteral("Servidor"), {0, QStringLiteral("localhost"), 0, carpeta});

    mostrar();
    TfrmLogear& w = *m_login;
    reemplazar(el<QLineEdit>(w, "edUsuario"), usuario.toLower());
    QTest::keyClicks(el<QLineEdit>(w, "edPass"), QStringLiteral("equivocada"));
    clic(w, "btnAceptar");
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QCOMPARE(linea(m_avisos->messages[0].text, 2),
             QStringLiteral("localhost:") + carpeta + QStringLiteral("System/Config.fdb"));
    QVERIFY(!m_dm->fdConexion.isOpen());
    QVERIFY(w.isVisible());

    reemplazar(el<QLineEdit>(w, "edPass"), clave);
    clic(w, "btnAceptar");
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY(m_sesion->LoginCorrecto);
    QVERIFY(m_dm->fdConexion.params().contains(QStringLiteral("RoleName=USUARIO_MICROSIP")));
    {
        fb::Transaction t(m_dm->fdConexion);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("select current_user as U, current_role as R from rdb$database"));
        q.open();
        QVERIFY(q.next());
        QCOMPARE(q.value(QStringLiteral("U")).toString(), usuario);
        QCOMPARE(q.value(QStringLiteral("R")).toString(), QStringLiteral("USUARIO_MICROSIP"));
    }

    TfrmEmpresa empresa(*m_dm, *m_sesion);
    empresa.show();
    auto* lt = el<QListWidget>(empresa, "LT");
    QCOMPARE(lt->count(), 1);
    QCOMPARE(lt->item(0)->text(), QStringLiteral("EJEMPLO"));
    clic(empresa, "btnAceptar");
    QVERIFY(m_sesion->EmpresaSeleccionada);
    QCOMPARE(m_sesion->datos.Empresa, QStringLiteral("EJEMPLO"));
    m_dm->fdConexion.close();
}

LUMIVO_TEST_MAIN(TestLogear)
#include "tst_logear.moc"
