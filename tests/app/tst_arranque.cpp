// The main window's start-up and what it hands over to: installation, configuration dialog,
// stored layout, settings, catalogue search and design mode, driven through the real windows
// against stand-in company databases. The login and the company choice are taken as done.

#include "data/ConfigIni.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/DisenoPantalla.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/ArchivosPrueba.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

using testsupport::AlAbrirse;

// What the event loop returned with: the start-up ended the program, it finished and left the
// program running, or the guard had to stop a start-up that hung.
constexpr int kTermino = 0;
constexpr int kSigue = 7;
constexpr int kGuardia = 99;

const QString kInstalado = QStringLiteral("Metadatos cargado, el sistema se cerrara para aplicar el cambio.");
const QString kSoloSysdba = QStringLiteral("Es necesario entrar con el usuario SYSDBA antes.");
const QString kVersion = QStringLiteral("Versión no compatible con esta versión.");
const QString kEnDiseno = QStringLiteral("No es posible buscar cuando esta en modo diseño");

// The six positions that closing the main window saves, at their built-in places.
const struct {
    const char* prefijo;
    QPoint posicion;
} kPosicionesAlCerrar[] = {
    {"NombreArticulo", {216, 139}}, {"Precios", {392, 316}},      {"Existencia", {215, 566}},
    {"ListaPrecios", {583, 459}},   {"ListaVolumen", {583, 566}}, {"Imagen", {583, 8}},
};

// A local setting as the file holds it, read without the store (whose reads write their
// defaults); nothing when the file, the section or the key is missing.
std::optional<QString> guardado(const QString& archivo, const QString& seccion, const QString& clave)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml(&f);
    int profundidad = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            ++profundidad;
            if (profundidad == 2 && xml.name() == seccion) {
                if (xml.attributes().hasAttribute(clave))
                    return xml.attributes().value(clave).toString();
                return std::nullopt; // the first section of a name is the one used
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --profundidad;
        }
    }
    return std::nullopt;
}

void pulsarEscape(QWidget* dialogo)
{
    QWidget* foco = dialogo->focusWidget();
    QTest::keyClick(foco ? foco : dialogo, Qt::Key_Escape);
}

} // namespace

class TestArranque : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void primerArranqueInstalaYElSegundoQuedaListo();
    void arranqueRechazado_data();
    void arranqueRechazado();
    void sinClienteEventualAbreLaConfiguracion_data();
    void sinClienteEventualAbreLaConfiguracion();
    void empresaSinClientesTermina();
    void estacionNuevaYDisenoGuardado();
    void marcoEnteroDentroDeLaPantalla_data();
    void marcoEnteroDentroDeLaPantalla();
    void ajustesDeEstacionIlegibles();
    void fuentesDeLaBaseLleganAlNombre();
    void interruptoresDeLaBase_data();
    void interruptoresDeLaBase();
    void claveNoEncontradaPasaAlBuscador();
    void claveNoEncontradaSinBuscadorSuena();
    void f4AbreElBuscador();
    void arrastrarEnLaVentana_data();
    void arrastrarEnLaVentana();
    void salirNoGuardaElDiseno();
    void falloEnUnPaso_data();
    void falloEnUnPaso();

private:
    template <typename T> T* el(const char* name) { return elemento<T>(m_app->frmConsulta, name); }
    QString base() const { return m_dir->filePath(QStringLiteral("DEMO.fdb")); }
    QString archivo() const { return m_dir->filePath(QStringLiteral("config.xml")); }
    std::optional<QString> ventana(const QString& clave) const
    {
        return guardado(archivo(), QStringLiteral("Ventana"), clave);
    }
    void sql(const QString& script) { testsupport::runSql(testsupport::embeddedParams(base()), script); }
    void fijarSwitch(const QString& clave, const QString& valor);
    QStringList filas(const QString& consulta);
    void nuevaCorrida(const QString& usuario = QStringLiteral("sysdba"));
    int arrancar();
    void escanear(const QString& clave);
    QString mensajes() const;
    void verificarPantallaLimpia();
    // Every element of the display (hidden ones too) inside the client area, between the menu and
    // the status bar.
    void verificarMarcoEntero();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_notifier;
    std::unique_ptr<Lumivo> m_app;
};

void TestArranque::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestArranque::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("usuario")));
    m_notifier = std::make_unique<platform::RecordingNotifier>();
}

void TestArranque::cleanup()
{
    m_app.reset();
    m_notifier.reset();
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

void TestArranque::fijarSwitch(const QString& clave, const QString& valor)
{
    sql(QStringLiteral("UPDATE OR INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('%1', '%2') "
                       "MATCHING (CONFIGURACION);")
            .arg(clave, valor));
}

// Every row of a query as "a|b|c", read as SYSDBA on a connection of its own.
QStringList TestArranque::filas(const QString& consulta)
{
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(base()));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(consulta);
    q.open();
    QStringList out;
    while (q.next()) {
        QStringList fila;
        for (int i = 0; i < q.columnCount(); ++i)
            fila << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
        out << fila.join(u'|');
    }
    t.commit();
    return out;
}

// A run of the program whose login and company choice have succeeded.
void TestArranque::nuevaCorrida(const QString& usuario)
{
    m_app.reset();
    m_app = std::make_unique<Lumivo>(ArranqueManual::llave());
    new VentanaOmitida(m_app->frmLogear);
    new VentanaOmitida(m_app->frmEmpresa);
    Sesion& s = m_app->sesion;
    s.LoginCorrecto = s.EmpresaSeleccionada = true;
    s.datos.TipoAcceso = QStringLiteral("1");
    s.datos.CarpetaDatos = m_dir->path() + QLatin1Char('/');
    s.datos.Empresa = QStringLiteral("DEMO");
    s.datos.Usuario = usuario;
}

// Shows the main window and runs the start-up inside the event loop, as the first showing does.
int TestArranque::arrancar()
{
    TfrmConsulta& w = m_app->frmConsulta;
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return -1;
    QObject contexto; // cancels whatever of this run is still pending when it returns
    QTimer::singleShot(0, &contexto, [&w, &contexto] {
        platform::guarded(&w, [&w] { w.FormShow(); });
        // Queued, so that an end requested by the start-up wins.
        QTimer::singleShot(0, &contexto, [] { QCoreApplication::exit(kSigue); });
    });
    QTimer guardia; // a guard against a start-up that hangs, not a measurement
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(kGuardia); });
    guardia.start(10000);
    return QCoreApplication::exec();
}

void TestArranque::escanear(const QString& clave)
{
    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, clave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(m_app->frmConsulta));
}

QString TestArranque::mensajes() const
{
    QStringList textos;
    for (const auto& m : m_notifier->messages)
        textos << QStringLiteral("[%1] %2").arg(m.title, m.text);
    return textos.join(u'\n');
}

void TestArranque::verificarPantallaLimpia()
{
    QVERIFY(!m_app->frmConsulta.modoDiseno());
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
    // The focus widget of the window: after a modal dialog the window system may hand the
    // activation back only later.
    QCOMPARE(m_app->frmConsulta.focusWidget(), el<QWidget>("edClave"));
    QVERIFY(!el<QTimer>("TiempoInactivo")->isActive());
    QCOMPARE(m_app->frmConsulta.articuloId(), 0);
    for (const char* oculto : {"lblNombreArticulo", "dbPrecio", "dbPrecios", "dbExiste", "dbCombos", "edUltimaCompra"})
        QVERIFY2(!el<QWidget>(oculto)->isVisible(), oculto);
    QVERIFY(m_app->dm.fdConexion.isOpen());
}

// ---- installation and version -------------------------------------------------------------

void TestArranque::primerArranqueInstalaYElSegundoQuedaListo()
{
    testsupport::companyDatabase(m_dir->path());
    nuevaCorrida(QStringLiteral("sysdba"));
    QCOMPARE(arrancar(), kTermino);

    QCOMPARE(m_notifier->messages.size(), size_t{1});
    QCOMPARE(m_notifier->messages[0].text, kInstalado);
    QCOMPARE(m_notifier->messages[0].title, QString());
    QCOMPARE(m_notifier->messages[0].icon, platform::Icon::Information);
    // The run ended before any later step: nothing of the station was read or saved.
    QVERIFY(el<QAction>("Disear1")->isChecked());
    QVERIFY(!QFile::exists(archivo()));
    m_app.reset();

    QCOMPARE(filas(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG")), QStringList{QStringLiteral("17")});
    QCOMPARE(filas(QStringLiteral("SELECT TRIM(RDB$PROCEDURE_NAME) FROM RDB$PROCEDURES "
                                  "WHERE RDB$PROCEDURE_NAME STARTING WITH 'ZANTOR_' ORDER BY 1")),
             (QStringList{QStringLiteral("ZANTOR_LMV_LISTA"), QStringLiteral("ZANTOR_LMV_POL_VOL")}));

    m_notifier->clear();
    nuevaCorrida(QStringLiteral("sysdba"));
    QCOMPARE(arrancar(), kSigue);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    verificarPantallaLimpia();
    QCOMPARE(el<QLabel>("estBarraPanel1")->text(), QStringLiteral("Usuario: SYSDBA"));
    QCOMPARE(m_app->frmConsulta.ajustes().ClienteEventualId, 465);

    // The installed objects work: a scan shows the article with its prices.
    escanear(QStringLiteral("CCL600"));
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QVERIFY(el<QWidget>("dbPrecios")->isVisible());
    QVERIFY(el<QTimer>("TiempoInactivo")->isActive());
}

void TestArranque::arranqueRechazado_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<platform::Icon>("icono");

    QTest::newRow("another user may not install") << "CAJERO"
                                                  << "" << kSoloSysdba << platform::Icon::Information;
    QTest::newRow("version 1255") << "sysdba"
                                  << "UPDATE VERSIONES_DB SET VERSION_DB = 1255;" << kVersion
                                  << platform::Icon::Warning;
    QTest::newRow("version 1261") << "sysdba"
                                  << "UPDATE VERSIONES_DB SET VERSION_DB = 1261;" << kVersion
                                  << platform::Icon::Warning;
    QTest::newRow("no version at all") << "sysdba"
                                       << "DELETE FROM VERSIONES_DB;" << kVersion << platform::Icon::Warning;
    QTest::newRow("another user, old version checked first")
        << "CAJERO"
        << "UPDATE VERSIONES_DB SET VERSION_DB = 1255;" << kVersion << platform::Icon::Warning;
}

// A refused database ends the program after one message and is left as it was.
void TestArranque::arranqueRechazado()
{
    QFETCH(QString, usuario);
    QFETCH(QString, preparar);
    QFETCH(QString, mensaje);
    QFETCH(platform::Icon, icono);

    testsupport::companyDatabase(m_dir->path());
    testsupport::grantMicrosipRole(testsupport::embeddedParams(base()), QStringLiteral("CAJERO"));
    if (!preparar.isEmpty())
        sql(preparar);
    const QString objetos = QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH "
                                           "'ZANTOR_' UNION ALL SELECT COUNT(*) FROM RDB$PROCEDURES WHERE "
                                           "RDB$PROCEDURE_NAME STARTING WITH 'ZANTOR_'");

    nuevaCorrida(usuario);
    QCOMPARE(arrancar(), kTermino);
    QCOMPARE(m_notifier->messages.size(), size_t{1});
    QCOMPARE(m_notifier->messages[0].text, mensaje);
    QCOMPARE(m_notifier->messages[0].title, QString());
    QCOMPARE(m_notifier->messages[0].icon, icono);
    QCOMPARE(el<QLabel>("estBarraPanel1")->text(), QStringLiteral("Usuario: ") + usuario.toUpper());
    QVERIFY(!QFile::exists(archivo()));
    m_app.reset();
    QCOMPARE(filas(objetos), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
}

// ---- configuration dialog at start ---------------------------------------------------------

void TestArranque::sinClienteEventualAbreLaConfiguracion_data()
{
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<int>("aperturas");
    QTest::addColumn<int>("cliente");

    QTest::newRow("walk-in customer 0")
        << "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 0 WHERE CONFIGURACION = 'CLIENTE_EVENTUAL_ID';" << 1 << 0;
    // The dialog inserts the missing row with 0, so the start-up goes on with customer 0.
    QTest::newRow("walk-in customer row missing")
        << "DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = 'CLIENTE_EVENTUAL_ID';" << 1 << 0;
    QTest::newRow("walk-in customer configured") << "" << 0 << 465;
    QTest::newRow("walk-in customer that does not exist")
        << "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 4242 WHERE CONFIGURACION = 'CLIENTE_EVENTUAL_ID';" << 0 << 4242;
}

void TestArranque::sinClienteEventualAbreLaConfiguracion()
{
    QFETCH(QString, preparar);
    QFETCH(int, aperturas);
    QFETCH(int, cliente);

    empresaConObjetos(m_dir->path());
    if (!preparar.isEmpty())
        sql(preparar);
    nuevaCorrida();
    bool conectadaDurante = false;
    AlAbrirse configuracion(m_app->frmConfiguracion, [this, &conectadaDurante](QWidget* d) {
        conectadaDurante = m_app->dm.fdConexion.isOpen();
        pulsarEscape(d);
    });
    QCOMPARE(arrancar(), kSigue);
    QCOMPARE(configuracion.veces(), aperturas);
    if (aperturas > 0) {
        QVERIFY(configuracion.modal());
        QVERIFY(conectadaDurante);
        QVERIFY(!m_app->frmConfiguracion.isVisible());
    }
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_app->frmConsulta.ajustes().ClienteEventualId, cliente);
    // The start-up finished after the dialog, on a fresh connection.
    verificarPantallaLimpia();
    QCOMPARE(filas(QStringLiteral("SELECT VALOR_INT FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = "
                                  "'CLIENTE_EVENTUAL_ID'")),
             QStringList{QString::number(cliente)});
}

// The dialog ends the program when the company has no customer; the start-up's own steps do
// not save the layout on that way out either.
void TestArranque::empresaSinClientesTermina()
{
    empresaConObjetos(m_dir->path());
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 0 WHERE CONFIGURACION = 'CLIENTE_EVENTUAL_ID';"
                       "DELETE FROM CLIENTES;"));
    nuevaCorrida();
    AlAbrirse configuracion(m_app->frmConfiguracion, [](QWidget* d) {
        if (d->isVisible())
            pulsarEscape(d);
    });
    QCOMPARE(arrancar(), kTermino);
    QCOMPARE(configuracion.veces(), 1);
    QVERIFY(!m_notifier->messages.empty());
    QCOMPARE(m_notifier->messages[0].text, QStringLiteral("Necesita crear un cliente en Microsip."));
    for (const auto& m : m_notifier->messages)
        QVERIFY2(m.title != QStringLiteral("Lumivo"), qPrintable(mensajes()));
    QVERIFY(!ventana(QStringLiteral("NombreArticulo_X")));
}

// ---- fonts and stored layout ---------------------------------------------------------------

void TestArranque::estacionNuevaYDisenoGuardado()
{
    empresaConObjetos(m_dir->path());
    const QString fuentes = QStringLiteral("SELECT CONFIGURACION, VALOR_INT, VALOR_STR FROM ZANTOR_LMV_CONFIG "
                                           "WHERE CONFIGURACION IN ('FONT_NOM_ART', 'COLOR_NOM_ART', "
                                           "'ESTILO_NOM_ART', 'FONT_PRE_ART', 'COLOR_PRE_ART', 'ESTILO_PRE_ART') "
                                           "ORDER BY 1");
    const QStringList instaladas = filas(fuentes);
    QCOMPARE(instaladas.size(), 6);
    QVERIFY(!QFile::exists(archivo()));

    // First start: the restore flag reads true, so the fonts are reset and the built-in layout stays.
    nuevaCorrida();
    const QSize integrado = m_app->frmConsulta.size();
    QCOMPARE(arrancar(), kSigue);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(ventana(QStringLiteral("Restaurada")), std::optional<QString>(QStringLiteral("false")));
    // The window's built-in fonts are the installed ones.
    QCOMPARE(filas(fuentes), instaladas);
    QCOMPARE(el<QWidget>("dbListaClaves")->pos(), QPoint(216, 8));
    QCOMPARE(m_app->frmConsulta.size(), integrado);
    const QSize primera = tamanoExterior(m_app->frmConsulta);
    QVERIFY(!ventana(QStringLiteral("Ancho")));
    QVERIFY(!ventana(QStringLiteral("Claves_X")));

    // Closing the window saves six positions, and neither the key list nor the size.
    m_app->frmConsulta.close();
    QVERIFY(!m_app->dm.fdConexion.isOpen());
    for (const auto& p : kPosicionesAlCerrar) {
        const QString prefijo = QString::fromLatin1(p.prefijo);
        QCOMPARE(ventana(prefijo + QStringLiteral("_X")), std::optional<QString>(QString::number(p.posicion.x())));
        QCOMPARE(ventana(prefijo + QStringLiteral("_Y")), std::optional<QString>(QString::number(p.posicion.y())));
    }
    QVERIFY(!ventana(QStringLiteral("Claves_X")));
    QVERIFY(!ventana(QStringLiteral("Ancho")));

    // Second start: the stored layout applies, with its defaults written into the file.
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QWidget>("dbListaClaves")->pos(), QPoint(215, 8));
    QCOMPARE(ventana(QStringLiteral("Claves_X")), std::optional<QString>(QStringLiteral("215")));
    // The stored size applies, widened to the first window's when that is what the whole frame
    // needs; the file keeps what it stores.
    QCOMPARE(tamanoExterior(m_app->frmConsulta), QSize(std::max(1024, primera.width()), 746));
    QCOMPARE(ventana(QStringLiteral("Ancho")), std::optional<QString>(QStringLiteral("1024")));
    QCOMPARE(ventana(QStringLiteral("Alto")), std::optional<QString>(QStringLiteral("746")));
    QCOMPARE(el<QWidget>("lblNombreArticulo")->pos(), QPoint(216, 139));
    QCOMPARE(ventana(QStringLiteral("Restaurada")), std::optional<QString>(QStringLiteral("false")));
    verificarPantallaLimpia();
}

void TestArranque::verificarMarcoEntero()
{
    TfrmConsulta& w = m_app->frmConsulta;
    const QRect cliente = w.centralWidget()->geometry();
    const int menu = w.menuBar()->geometry().bottom();
    const int barra = w.statusBar()->geometry().top();
    QVERIFY(w.statusBar()->isVisible());
    QVERIFY2(
        cliente.top() > menu && cliente.bottom() < barra,
        qPrintable(
            QStringLiteral("%1..%2 between %3 and %4").arg(cliente.top()).arg(cliente.bottom()).arg(menu).arg(barra)));
    const QList<QWidget*> elementos = w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QVERIFY(elementos.size() > 20);
    for (const QWidget* e : elementos) {
        const QRect r(e->mapTo(&w, QPoint(0, 0)), e->size());
        QVERIFY2(cliente.contains(r), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 outside %6,%7 %8x%9")
                                                     .arg(e->objectName())
                                                     .arg(r.x())
                                                     .arg(r.y())
                                                     .arg(r.width())
                                                     .arg(r.height())
                                                     .arg(cliente.x())
                                                     .arg(cliente.y())
                                                     .arg(cliente.width())
                                                     .arg(cliente.height())));
    }
}

void TestArranque::marcoEnteroDentroDeLaPantalla_data()
{
    QTest::addColumn<int>("pantalla"); // of QGuiApplication::screens()
    QTest::addColumn<bool>("cabe");    // whether its available area holds the whole window
    QTest::newRow("1280 x 1024") << 0 << true;
    QTest::newRow("800 x 600") << 1 << false;
}

// A fresh station's first window shows the whole display, and so does the next start on the size
// it stores; neither lies beyond the screen's available area, which wins over both. The stored size
// stays as the file has it.
void TestArranque::marcoEnteroDentroDeLaPantalla()
{
    QFETCH(int, pantalla);
    QFETCH(bool, cabe);
    const QList<QScreen*> pantallas = QGuiApplication::screens();
    QVERIFY2(pantalla < pantallas.size(), "the tests' offscreen screens are missing (tests/support/pantallas.json)");
    QScreen* const donde = pantallas[pantalla];
    const QRect disponible = donde->availableGeometry();
    empresaConObjetos(m_dir->path());

    for (const char* corrida : {"primera", "segunda"}) {
        nuevaCorrida();
        TfrmConsulta& w = m_app->frmConsulta;
        // As a desktop opens a window where it is: on that screen.
        w.setScreen(donde);
        w.move(disponible.topLeft());
        QCOMPARE(arrancar(), kSigue);
        QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
        QCOMPARE(w.screen(), donde);
        QVERIFY2(disponible.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1: %2,%3 %4x%5 in %6,%7 %8x%9")
                                                                        .arg(QString::fromLatin1(corrida))
                                                                        .arg(w.frameGeometry().x())
                                                                        .arg(w.frameGeometry().y())
                                                                        .arg(w.frameGeometry().width())
                                                                        .arg(w.frameGeometry().height())
                                                                        .arg(disponible.x())
                                                                        .arg(disponible.y())
                                                                        .arg(disponible.width())
                                                                        .arg(disponible.height())));
        QCOMPARE(w.minimumSize(), w.maximumSize()); // still not resizable
        if (cabe) {
            verificarMarcoEntero();
            if (QTest::currentTestFailed())
                return;
        } else {
            QCOMPARE(w.frameGeometry().size(), disponible.size());
        }
        if (qstrcmp(corrida, "primera") == 0) {
            QVERIFY(!ventana(QStringLiteral("Ancho")));
            w.close();
        }
    }
    QCOMPARE(ventana(QStringLiteral("Ancho")), std::optional<QString>(QStringLiteral("1024")));
    QCOMPARE(ventana(QStringLiteral("Alto")), std::optional<QString>(QStringLiteral("746")));
}

// Station values written by hand that do not read: the start-up goes on with their defaults and
// says which, in the log and on the status line, never in a box; the file keeps them.
void TestArranque::ajustesDeEstacionIlegibles()
{
    empresaConObjetos(m_dir->path());
    pruebas::escribirArchivo(archivo(), "<Config><Estacion SegundosRespuesta=\"dos\" HablarPrecio=\"sí\"/></Config>");
    nuevaCorrida();
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("Valores no válidos .*config\\.xml.*Estacion/HablarPrecio, "
                                                           "Estacion/SegundosRespuesta.*predeterminados")));
    QCOMPARE(arrancar(), kSigue);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_app->dm.estacion().plazoMs(), AjustesEstacion::kPlazoPorDefectoMs);
    QVERIFY(!m_app->dm.estacion().hablarPrecio());
    QVERIFY(pruebas::contenido(archivo()).contains("SegundosRespuesta=\"dos\""));
}

void TestArranque::fuentesDeLaBaseLleganAlNombre()
{
    empresaConObjetos(m_dir->path());
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 30, VALOR_STR = 'Arial' "
                       "WHERE CONFIGURACION = 'FONT_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'clRed' WHERE CONFIGURACION = 'COLOR_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'Italic' WHERE CONFIGURACION = 'ESTILO_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 20 WHERE CONFIGURACION = 'FONT_PRE_ART';"));
    // A station that has started before: the font reset does not overwrite the rows.
    ConfigIni(archivo()).ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), false);

    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    escanear(QStringLiteral("CCL600"));
    auto* nombre = el<QLabel>("lblNombreArticulo");
    QCOMPARE(nombre->font().family(), QStringLiteral("Arial"));
    QCOMPARE(nombre->font().pointSize(), 30);
    QVERIFY(nombre->font().italic());
    QVERIFY(!nombre->font().bold());
    QCOMPARE(nombre->palette().color(QPalette::WindowText), QColor(Qt::red));
    auto* precio = el<QLabel>("dbPrecio");
    QCOMPARE(precio->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(precio->font().pointSize(), 20);
    QVERIFY(precio->font().bold());
    QCOMPARE(precio->palette().color(QPalette::WindowText), QColor(255, 128, 0));
    QCOMPARE(filas(QStringLiteral("SELECT VALOR_INT, VALOR_STR FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = "
                                  "'FONT_NOM_ART'")),
             QStringList{QStringLiteral("30|Arial")});
}

// ---- settings rows reach the display -------------------------------------------------------

void TestArranque::interruptoresDeLaBase_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QString>("elemento");
    QTest::addColumn<bool>("visible");

    const struct {
        const char* clave;
        const char* elemento;
    } interruptores[] = {
        {"MOSTRAR_EXISTENCIA", "dbExiste"}, {"MOSTRAR_LST_PRECIOS", "dbPrecios"}, {"MOSTRAR_POL_VOL", "dbVolumen"},
        {"MOSTRAR_CLAVE", "dbListaClaves"}, {"DSCTOS_COMBO", "dbCombos"},
    };
    for (const auto& i : interruptores) {
        for (const char* valor : {"S", "N", "s"}) {
            QTest::addRow("%s %s", i.clave, valor) << QString::fromLatin1(i.clave) << QString::fromLatin1(valor)
                                                   << QString::fromLatin1(i.elemento) << (valor[0] == 'S');
        }
    }
}

void TestArranque::interruptoresDeLaBase()
{
    QFETCH(QString, clave);
    QFETCH(QString, valor);
    QFETCH(QString, elemento);
    QFETCH(bool, visible);

    empresaConObjetos(m_dir->path());
    // Every other grid on, so that only this row decides.
    for (const char* otro :
         {"MOSTRAR_EXISTENCIA", "MOSTRAR_LST_PRECIOS", "MOSTRAR_POL_VOL", "MOSTRAR_CLAVE", "DSCTOS_COMBO"})
        fijarSwitch(QString::fromLatin1(otro), QStringLiteral("S"));
    fijarSwitch(clave, valor);

    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    escanear(QStringLiteral("CCL600")); // an article with rows in every grid
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QWidget>(elemento.toLatin1().constData())->isVisible(), visible);
}

// ---- catalogue search ----------------------------------------------------------------------

void TestArranque::claveNoEncontradaPasaAlBuscador()
{
    empresaConObjetos(m_dir->path()); // MOSTRAR_BUSCADOR 'S' as installed
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    escanear(QStringLiteral("CCL355"));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Coca Cola Light 355 ml"));

    QString nombreRecibido;
    QString nombreElegido;
    QString claveElegida;
    int filasEncontradas = 0;
    bool visibleAlAceptar = false;
    AlAbrirse buscador(m_app->frmBuscarEnCatalogo, [&](QWidget* d) {
        nombreRecibido = d->findChild<QLineEdit*>(QStringLiteral("edNombre"))->text();
        auto* tabla = d->findChild<QTableView*>(QStringLiteral("wdbTabla"));
        QAbstractItemModel* m = tabla->model();
        filasEncontradas = m->rowCount();
        if (filasEncontradas < 2 || d->focusWidget() != tabla) {
            pulsarEscape(d);
            return;
        }
        // Not the first row, so the accepted key is the current row's.
        QTest::keyClick(tabla, Qt::Key_Down);
        const int fila = tabla->currentIndex().row();
        nombreElegido = m->index(fila, 0).data().toString();
        claveElegida = m->index(fila, 1).data().toString();
        visibleAlAceptar = d->isVisible();
        QTest::keyClick(tabla, Qt::Key_Return);
    });

    escanear(QStringLiteral("coca cola"));
    QCOMPARE(buscador.veces(), 1);
    QVERIFY(buscador.modal());
    QCOMPARE(nombreRecibido, QStringLiteral("coca cola"));
    QVERIFY2(filasEncontradas >= 2, qPrintable(QString::number(filasEncontradas)));
    QVERIFY(visibleAlAceptar);
    QVERIFY(!claveElegida.isEmpty());
    QVERIFY(!m_app->frmBuscarEnCatalogo.isVisible());
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_notifier->beeps, 0);
    // The accepted article is on the main display as if its key had been scanned.
    QCOMPARE(el<QLineEdit>("edClave")->text(), claveElegida);
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), nombreElegido);
    QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    QVERIFY(el<QTimer>("TiempoInactivo")->isActive());
}

void TestArranque::claveNoEncontradaSinBuscadorSuena()
{
    empresaConObjetos(m_dir->path());
    fijarSwitch(QStringLiteral("MOSTRAR_BUSCADOR"), QStringLiteral("N"));
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    AlAbrirse buscador(m_app->frmBuscarEnCatalogo, pulsarEscape);
    escanear(QStringLiteral("CCL600"));
    escanear(QStringLiteral("coca cola"));
    QCOMPARE(buscador.veces(), 0);
    QCOMPARE(m_notifier->beeps, 1);
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
}

void TestArranque::f4AbreElBuscador()
{
    empresaConObjetos(m_dir->path());
    fijarSwitch(QStringLiteral("MOSTRAR_BUSCADOR"), QStringLiteral("N")); // F4 does not depend on it
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);

    QString nombreRecibido;
    AlAbrirse buscador(m_app->frmBuscarEnCatalogo, [&](QWidget* d) {
        nombreRecibido = d->findChild<QLineEdit*>(QStringLiteral("edNombre"))->text();
        pulsarEscape(d);
    });
    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    QTest::keyClicks(ed, QStringLiteral("cafe"));
    QTest::keyClick(ed, Qt::Key_F4);
    QCOMPARE(buscador.veces(), 1);
    QVERIFY(buscador.modal());
    QCOMPARE(nombreRecibido, QStringLiteral("cafe"));
    QVERIFY(!m_app->frmBuscarEnCatalogo.isVisible());
    QCOMPARE(ed->text(), QStringLiteral("cafe"));
    QCOMPARE(m_notifier->beeps, 0);

    // In design mode the search is refused like a scan.
    el<QAction>("Disear1")->trigger();
    QVERIFY(m_app->frmConsulta.modoDiseno());
    ed->setFocus();
    QTest::keyClick(ed, Qt::Key_F4);
    QCOMPARE(buscador.veces(), 1);
    // Said on the display and the status line, never in a box.
    QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QLabel>("lblCodigoNoValido")->text(), kEnDiseno);
    QCOMPARE(m_app->frmConsulta.statusBar()->currentMessage(), kEnDiseno);
}

// ---- design mode in the main window --------------------------------------------------------

void TestArranque::arrastrarEnLaVentana_data()
{
    QTest::addColumn<QString>("elemento");
    QTest::addColumn<QString>("prefijo");
    QTest::addColumn<bool>("enElVisor");
    QTest::addColumn<bool>("diseno");

    QTest::newRow("article name in design mode") << "lblNombreArticulo"
                                                 << "NombreArticulo" << false << true;
    QTest::newRow("stock grid in design mode") << "dbExiste"
                                               << "Existencia" << true << true;
    QTest::newRow("article name outside design mode") << "lblNombreArticulo"
                                                      << "NombreArticulo" << false << false;
    QTest::newRow("stock grid outside design mode") << "dbExiste"
                                                    << "Existencia" << true << false;
}

void TestArranque::arrastrarEnLaVentana()
{
    QFETCH(QString, elemento);
    QFETCH(QString, prefijo);
    QFETCH(bool, enElVisor);
    QFETCH(bool, diseno);

    empresaConObjetos(m_dir->path());
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    TfrmConsulta& w = m_app->frmConsulta;
    if (diseno) {
        el<QAction>("Disear1")->trigger();
        QVERIFY(w.modoDiseno());
    } else {
        escanear(QStringLiteral("CCL600")); // outside design mode the elements show only with an article
    }
    QWidget* e = el<QWidget>(elemento.toLatin1().constData());
    QVERIFY(e->isVisible());
    const QPoint inicio = e->pos();
    QWidget* pulsado = enElVisor ? static_cast<QTableView*>(e)->viewport() : e;
    const QPoint desde = pulsado->mapTo(&w, QPoint(20, 15));
    const QPoint desplazamiento(37, 21);

    // Through the window system, so the widget under the pointer receives the events.
    QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, desde);
    QTest::mouseMove(w.windowHandle(), desde + desplazamiento / 2);
    QTest::mouseMove(w.windowHandle(), desde + desplazamiento);
    QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, desde + desplazamiento);

    const std::optional<QString> x = ventana(prefijo + QStringLiteral("_X"));
    const std::optional<QString> y = ventana(prefijo + QStringLiteral("_Y"));
    if (diseno) {
        QCOMPARE(e->pos(), inicio + desplazamiento);
        QCOMPARE(x, std::optional<QString>(QString::number(e->x())));
        QCOMPARE(y, std::optional<QString>(QString::number(e->y())));
        // Read back through the store, as the next start reads it.
        QCOMPARE(m_app->dm.ConfigIni_int(QStringLiteral("Ventana"), prefijo + QStringLiteral("_X"), -1), e->x());
        // A scan in design mode is refused.
        escanear(QStringLiteral("CCL600"));
        QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
        QCOMPARE(el<QLabel>("lblCodigoNoValido")->text(), kEnDiseno);
        QCOMPARE(w.statusBar()->currentMessage(), kEnDiseno);
        QCOMPARE(w.articuloId(), 0);
    } else {
        QCOMPARE(e->pos(), inicio);
        QVERIFY(!x);
        QVERIFY(!y);
        QVERIFY2(m_notifier->messages.empty(), qPrintable(mensajes()));
    }
}

// "Salir" ends the program at once: the closing steps of the window do not run.
void TestArranque::salirNoGuardaElDiseno()
{
    empresaConObjetos(m_dir->path());
    nuevaCorrida();
    QCOMPARE(arrancar(), kSigue);
    QTimer::singleShot(0, this, [this] { el<QAction>("Salir1")->trigger(); });
    QTimer guardia;
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(kGuardia); });
    guardia.start(10000);
    QCOMPARE(QCoreApplication::exec(), kTermino);
    QVERIFY(!ventana(QStringLiteral("NombreArticulo_X")));
    QVERIFY(m_app->dm.fdConexion.isOpen());
}

// ---- failures during the start-up ----------------------------------------------------------

void TestArranque::falloEnUnPaso_data()
{
    QTest::addColumn<bool>("carpetaValida");
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<QStringList>("antes"); // the messages before the general error report
    QTest::addColumn<QString>("textoFallo");
    QTest::addColumn<bool>("conectada");

    QTest::newRow("connection") << false << "" << QStringList{QStringLiteral("Error al tratar de realizar la conexión")}
                                << "" << false;
    QTest::newRow("settings: a colour that is not one")
        << true << "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'rojizo' WHERE CONFIGURACION = 'COLOR_NOM_ART';"
        << QStringList{} << "rojizo" << true;
    QTest::newRow("company image: no registry table")
        << true
        << "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('MOSTRAR_IMAGEN_EMPRESA', 'S');"
           "DROP TABLE REGISTRY;"
        << QStringList{} << "REGISTRY" << true;
}

// A failing step is reported with its own text; the rest of the start-up is skipped and the
// program keeps running.
void TestArranque::falloEnUnPaso()
{
    QFETCH(bool, carpetaValida);
    QFETCH(QString, preparar);
    QFETCH(QStringList, antes);
    QFETCH(QString, textoFallo);
    QFETCH(bool, conectada);

    empresaConObjetos(m_dir->path());
    if (!preparar.isEmpty())
        sql(preparar);
    // Restore flag false: had the start-up reached its layout step, the key list would be at 215.
    ConfigIni(archivo()).ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), false);
    nuevaCorrida();
    if (!carpetaValida)
        m_app->sesion.datos.CarpetaDatos = m_dir->filePath(QStringLiteral("no-existe")) + QLatin1Char('/');

    QCOMPARE(arrancar(), kSigue);
    QCOMPARE(m_notifier->messages.size(), static_cast<size_t>(antes.size()) + 1);
    for (qsizetype i = 0; i < antes.size(); ++i)
        QCOMPARE(m_notifier->messages[static_cast<size_t>(i)].text, antes[i]);
    const auto& informe = m_notifier->messages.back();
    QCOMPARE(informe.title, QStringLiteral("Lumivo"));
    QCOMPARE(informe.icon, platform::Icon::Error);
    QVERIFY(!informe.text.isEmpty());
    QVERIFY2(informe.text.contains(textoFallo, Qt::CaseInsensitive), qPrintable(informe.text));
    QVERIFY(m_app->frmConsulta.isVisible());
    QCOMPARE(m_app->dm.fdConexion.isOpen(), conectada);
    QCOMPARE(el<QWidget>("dbListaClaves")->pos(), QPoint(216, 8));
    QVERIFY(!ventana(QStringLiteral("Claves_X")));
}

LUMIVO_TEST_MAIN(TestArranque)
#include "tst_arranque.moc"
