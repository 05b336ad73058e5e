#include "app/Lumivo.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ServicioConsulta.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "search/IndiceCatalogo.h"
#include "speech/Voz.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/speech/ServicioVoz.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

class TestConsulta : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
        // The catalogue file and the search window's columns go to a test location, never the user's.
        QStandardPaths::setTestModeEnabled(true);
    }
    void init();
    void cleanup();

    void frame();
    void stationStyleShows();
    void menu();
    void conexionShowsPathAndUser();
    void conexionFailureIsReported();
    void foundKeyFillsTheDisplay_data();
    void foundKeyFillsTheDisplay();
    void unknownKeyBeepsAndHides();
    void designModeRefusesTheLookup();
    void keyIsSelectedAfterEveryLookup();
    void enterInLastPurchaseBoxLooksUpTheKey();
    void keyFieldTakesTwentyCharacters();
    void hostileKeys_data();
    void hostileKeys();
    void failingDatabaseObjectReachesTheErrorReport();
    void failedLookupShowsNoMixedArticle();
    void escapeClears();
    void speaksFoundArticles();
    void hungSpeechServiceNeverHoldsAScan();
    void salirEndsTheProgram();
    void acercaDeAndTheWebAddress();
    void startUpWithoutLoginEndsTheProgram();
    void equivalentFormShowsTheStoredKey_data();
    void equivalentFormShowsTheStoredKey();
    void misreadShowsTheMessageUntilTheNextScan();
    void scaleLabelShowsWhatItSays();
    void twoLabelFormatsOnOnePrefix_data();
    void twoLabelFormatsOnOnePrefix();
    void scannerTerminatorsAndAffixes();
    void scanLongerThanTheKeyBox_data();
    void scanLongerThanTheKeyBox();
    void fastScannerIsNeverSplit();

private:
    template <typename T> T* el(const char* name) { return elemento<T>(app().frmConsulta, name); }
    void connect();
    void scan(const QString& key);
    // Transactions open on attachments other than the data module's.
    // The transactions other attachments hold, read-only or read-write.
    int transaccionesDeOtros(bool soloLectura);

    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    const QTemporaryDir& carpeta() const { return m_estacion->carpeta(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

void TestConsulta::init()
{
    m_estacion = std::make_unique<testsupport::EstacionPrueba>();
    QVERIFY(m_estacion->valida());
    m_estacion->crear();
}

void TestConsulta::cleanup()
{
    m_estacion.reset();
}

void TestConsulta::connect()
{
    // The start-up leaves design mode off and the display cleared; the settings stay as built.
    testsupport::EstacionPrueba::Apertura apertura;
    apertura.cargarInfo = false;
    QVERIFY(m_estacion->abrir(apertura));
}

// The program applies its style sheet at start; a sheet that fails to load is silently missing,
// and one that blocks the display's palette turns its captions dark on the dark background.
void TestConsulta::stationStyleShows()
{
    QVERIFY(platform::applyStyle(*qApp, QStringLiteral("Zantor 2022")));
    const auto restore = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    m_estacion->crear();
    connect();
    scan(QStringLiteral("7501055300075"));

    const QImage boton = el<QPushButton>("pbsLimpiar")->grab().toImage();
    QCOMPARE(boton.pixelColor(20, boton.height() / 2), QColor(249, 125, 49));

    // The brightest pixel of each caption is its text: white, as on the rest of the display.
    for (const char* name : {"lblLinea", "lblTexto"}) {
        auto* label = el<QLabel>(name);
        QVERIFY2(label->isVisible(), name);
        const QImage img = label->grab().toImage();
        int brightest = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                brightest = std::max(brightest, qGray(img.pixel(x, y)));
        QVERIFY2(brightest > 200, name);
    }
}

int TestConsulta::transaccionesDeOtros(bool soloLectura)
{
    fb::Transaction t(app().dm.fdConexion);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("select count(*) from mon$transactions t join mon$attachments a"
                            " on a.mon$attachment_id = t.mon$attachment_id"
                            " where a.mon$system_flag = 0 and a.mon$attachment_id <> current_connection"
                            " and t.mon$read_only = :solo_lectura"));
    q.setParam(QStringLiteral("solo_lectura"), soloLectura ? 1 : 0);
    q.open();
    q.next();
    const int n = static_cast<int>(q.value(0).toInt64());
    t.commit();
    return n;
}

void TestConsulta::scan(const QString& key)
{
    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, key);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
}

void TestConsulta::frame()
{
    TfrmConsulta& w = app().frmConsulta;
    QCOMPARE(w.windowTitle(), QStringLiteral("Lumivo 2026 v3.3"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The elements are placed for a client area (display plus status bar) of 1012 x 668; the
    // window is as large as showing all of them takes (see the start-up's tests), and the user
    // cannot resize it. The side panel's lower part keeps its distance to the display's bottom,
    // and the article name stretches with the display's width.
    const QSize disenado(1012, 668);
    const int dx = w.centralWidget()->width() - disenado.width();
    const int dy = w.centralWidget()->height() + w.statusBar()->height() - disenado.height();
    QVERIFY(dx >= 0);
    QVERIFY(dy >= 0);
    QCOMPARE(w.minimumSize(), w.maximumSize());

    const struct {
        const char* name;
        QRect geometry;
    } fixed[] = {
        {"Image1", {0, 0, 178, 57}},
        {"edClave", {8, 106, 165, 27}},
        {"pbsLimpiar", {10, 149, 163, 73}},
        {"sUnidaCompra", {0, 408, 178, 89}},
        {"lblLinea", {8, 503 + dy, 165, 55}},
        {"edUltimaCompra", {8, 589 + dy, 165, 27}},
        {"lblNombreArticulo", {216, 139, 778 + dx, 135}},
        {"dbPrecios", {583, 459, 440, 101}},
        {"dbExiste", {215, 566, 362, 101}},
        {"dbListaClaves", {216, 8, 258, 105}},
        {"Imagen", {583, 8, 426, 113}},
    };
    for (const auto& f : fixed) {
        // A grid may be wider than designed: its columns and its vertical scroll bar side by side.
        const QRect g = el<QWidget>(f.name)->geometry();
        if (QByteArray(f.name).startsWith("db")) {
            QCOMPARE(g.topLeft(), f.geometry.topLeft());
            QCOMPARE(g.height(), f.geometry.height());
            QVERIFY(g.width() >= f.geometry.width());
        } else {
            QCOMPARE(g, f.geometry);
        }
    }
    QCOMPARE(el<QWidget>("Label1")->pos(), QPoint(8, 81));
    QCOMPARE(el<QWidget>("Shape1")->geometry().left(), 195);
    QCOMPARE(el<QWidget>("Shape1")->height(), w.centralWidget()->height());
    QCOMPARE(el<QLabel>("Label1")->text(), QStringLiteral("&Clave/Artículo"));
    QCOMPARE(el<QLabel>("Label1")->buddy(), el<QWidget>("edClave"));
    QCOMPARE(el<QWidget>("pbsLimpiar")->property("text").toString(), QStringLiteral("Limpiar"));
    QCOMPARE(el<QLabel>("lblTexto")->text(), QStringLiteral("Ultima Compra"));
    for (const char* hinted : {"Label1", "edClave", "lblLinea", "lblTexto", "edUltimaCompra"})
        QCOMPARE(el<QWidget>(hinted)->toolTip(),
                 QStringLiteral("Buscaque en el catálogo de artículos con la tecla F4"));
    QCOMPARE(el<QWidget>("dbPrecios")->focusPolicy(), Qt::ClickFocus);
    QCOMPARE(el<QLabel>("estBarraPanel0")->width(), 170);
    QCOMPARE(el<QLabel>("estBarraPanel1")->width(), 120);
}

void TestConsulta::menu()
{
    const struct {
        const char* name;
        const char* caption;
    } items[] = {
        {"Configuracin1", "Configuración"}, {"Disear1", "Diseñar"}, {"Restaurar1", "Restaurar"},
        {"smLimpiar", "Limpiar"},           {"Salir1", "Salir"},    {"Reportes1", "Reportes"},
        {"Acercade1", "Acerca de"},
    };
    for (const auto& i : items)
        QCOMPARE(el<QAction>(i.name)->text(), QString::fromUtf8(i.caption));
    QVERIFY(el<QAction>("Disear1")->isCheckable());
    QVERIFY(el<QAction>("Disear1")->isChecked()); // built-in state; the start-up clears it
    QStringList menus;
    for (QAction* a : app().frmConsulta.menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{QStringLiteral("Archivo"), QStringLiteral("Información")}));
}

void TestConsulta::conexionShowsPathAndUser()
{
    connect();
    QCOMPARE(el<QLabel>("estBarraPanel0")->text(), carpeta().path() + QStringLiteral("/DEMO.fdb"));
    QCOMPARE(el<QLabel>("estBarraPanel0")->toolTip(), carpeta().path() + QStringLiteral("/DEMO.fdb"));
    QCOMPARE(el<QLabel>("estBarraPanel1")->text(), QStringLiteral("Usuario: SYSDBA"));
    QCOMPARE(app().sesion.datos.Usuario, QStringLiteral("SYSDBA"));
    QVERIFY(app().dm.fdConexion.isOpen());
    QVERIFY(!app().dm.fdConexion.params().contains(QStringLiteral("RoleName=USUARIO_MICROSIP")));
}

void TestConsulta::conexionFailureIsReported()
{
    DatosConexion& d = app().sesion.datos;
    d.CarpetaDatos = carpeta().path() + QStringLiteral("/falta/"); // no database there
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("SYSDBA");
    QVERIFY_THROWS_EXCEPTION(std::exception, app().frmConsulta.Conexion());
    QCOMPARE(notificador().messages.size(), size_t{1});
    QCOMPARE(notificador().messages[0].text, QStringLiteral("Error al tratar de realizar la conexión"));
    QCOMPARE(notificador().messages[0].title, QStringLiteral("Zantor"));
    QCOMPARE(notificador().messages[0].icon, platform::Icon::Error);
    QCOMPARE(el<QLabel>("estBarraPanel0")->text(), carpeta().path() + QStringLiteral("/falta/DEMO.fdb"));
    QVERIFY(!app().dm.fdConexion.isOpen());
}

void TestConsulta::foundKeyFillsTheDisplay_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("articulo");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("linea");
    QTest::addColumn<QDate>("compra"); // the latest purchase; null when never bought

    const QDate coca(2024, 3, 15);
    QTest::newRow("barcode") << "7501055300075" << 1001 << "COCA COLA LIGHT 600ML"
                             << "Bebidas" << coca;
    QTest::newRow("role-less key") << "coca600" << 1001 << "COCA COLA LIGHT 600ML"
                                   << "Bebidas" << coca;
    QTest::newRow("never bought") << "CUAD-PRO" << 1013 << "Cuaderno profesional 100 hojas"
                                  << "Papelería" << QDate();
    QTest::newRow("article without a line") << "TORN-14X2" << 1012 << "Tornillo 1/4 x 2 pulgadas"
                                            << "" << QDate(2022, 10, 10);
    QTest::newRow("quote in key and name") << "O'HARA" << 1010 << "Galletas O'Hara surtidas"
                                           << "Abarrotes" << QDate(2024, 1, 5);
    QTest::newRow("accented key and name") << "JALAPEÑO-GR" << 1006 << "Jalapeño en rajas granel"
                                           << "Abarrotes" << QDate(2023, 12, 31);
    QTest::newRow("accented line") << "PINATA-EST" << 1007 << "Piñata estrella grande"
                                   << "Fiestas y piñatas" << QDate(2024, 4, 5);
}

void TestConsulta::foundKeyFillsTheDisplay()
{
    QFETCH(QString, key);
    QFETCH(int, articulo);
    QFETCH(QString, nombre);
    QFETCH(QString, linea);
    QFETCH(QDate, compra);
    connect();
    scan(key);

    QVERIFY2(notificador().messages.empty(),
             qPrintable(notificador().messages.empty() ? QString() : notificador().messages[0].text));
    QCOMPARE(notificador().beeps, 0);
    QCOMPARE(el<QLineEdit>("edClave")->text(), key);
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), nombre);
    QCOMPARE(el<QLabel>("lblLinea")->text(), linea);
    QCOMPARE(app().frmConsulta.articuloId(), articulo);
    QCOMPARE(el<QLineEdit>("edUltimaCompra")->text(),
             compra.isValid() ? QLocale::system().toString(compra, QLocale::ShortFormat) : QString());
    for (const char* shown : {"lblNombreArticulo", "lblLinea", "dbPrecio", "edUltimaCompra", "lblTexto"})
        QVERIFY2(el<QWidget>(shown)->isVisible(), shown);
    // Every setting still reads as off: no grid is shown.
    for (const char* hidden : {"dbListaClaves", "dbPrecios", "dbVolumen", "dbExiste", "dbCombos"})
        QVERIFY2(!el<QWidget>(hidden)->isVisible(), hidden);
}

void TestConsulta::unknownKeyBeepsAndHides()
{
    connect();
    scan(QStringLiteral("7501055300075"));
    QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    scan(QStringLiteral("NO-EXISTE"));
    QCOMPARE(notificador().beeps, 1);
    QVERIFY(notificador().messages.empty());
    for (const char* hidden : {"lblNombreArticulo", "lblLinea", "dbPrecio", "edUltimaCompra", "lblTexto"})
        QVERIFY2(!el<QWidget>(hidden)->isVisible(), hidden);
    QCOMPARE(el<QLineEdit>("edClave")->text(), QStringLiteral("NO-EXISTE"));

    // A key in another letter case is another key.
    scan(QStringLiteral("COCA600"));
    QCOMPARE(notificador().beeps, 2);
}

void TestConsulta::designModeRefusesTheLookup()
{
    connect();
    el<QAction>("Disear1")->trigger();
    QVERIFY(app().frmConsulta.modoDiseno());
    scan(QStringLiteral("7501055300075"));
    // Said on the display and the status line, never in a box.
    QVERIFY(notificador().messages.empty());
    QCOMPARE(el<QLabel>("lblCodigoNoValido")->text(),
             QStringLiteral("No es posible buscar cuando esta en modo diseño"));
    QVERIFY(el<QLabel>("lblCodigoNoValido")->isVisible());
    QCOMPARE(app().frmConsulta.statusBar()->currentMessage(),
             QStringLiteral("No es posible buscar cuando esta en modo diseño"));
    QCOMPARE(app().frmConsulta.articuloId(), 0);
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QString());
    QCOMPARE(notificador().beeps, 0);
}

void TestConsulta::keyIsSelectedAfterEveryLookup()
{
    connect();
    auto* ed = el<QLineEdit>("edClave");
    for (const QString& key : {QStringLiteral("CCL600"), QStringLiteral("NADA"), QStringLiteral("AGUA750")}) {
        scan(key);
        QCOMPARE(ed->selectedText(), key);
        QVERIFY(ed->hasFocus());
    }
    // The next scan replaces the whole key.
    QTest::keyClicks(ed, QStringLiteral("CCL355"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Coca Cola Light 355 ml"));
}

void TestConsulta::enterInLastPurchaseBoxLooksUpTheKey()
{
    connect();
    el<QLineEdit>("edClave")->setText(QStringLiteral("CCL355"));
    scan(QStringLiteral("CCL600"));
    el<QLineEdit>("edClave")->setText(QStringLiteral("CCL355"));
    auto* ultima = el<QLineEdit>("edUltimaCompra");
    ultima->setFocus();
    QTest::keyClick(ultima, Qt::Key_Enter);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Coca Cola Light 355 ml"));
}

void TestConsulta::keyFieldTakesTwentyCharacters()
{
    connect();
    auto* ed = el<QLineEdit>("edClave");
    ed->clear();
    QTest::keyClicks(ed, QStringLiteral("ABCDEFGHIJ0123456789XYZ"));
    QCOMPARE(ed->text(), QStringLiteral("ABCDEFGHIJ0123456789"));

    // A paste keeps what fits at the cursor; the text around it stays.
    ed->setText(QStringLiteral("ABCDE"));
    ed->setCursorPosition(2);
    QGuiApplication::clipboard()->setText(QStringLiteral("0123456789012345678999"));
    QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ed->text(), QStringLiteral("AB012345678901234CDE"));
    QCOMPARE(ed->cursorPosition(), 17);
    // A selection it replaces makes room.
    ed->setSelection(0, 5);
    QGuiApplication::clipboard()->setText(QStringLiteral("XXXXXXXXXXXX"));
    QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ed->text(), QStringLiteral("XXXXX345678901234CDE"));

    // Longer text put there by code is looked up by its first 20 characters.
    ed->setText(QStringLiteral("ABCDEFGHIJ0123456789XYZ"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Agua 750 ml"));
    QCOMPARE(ed->text(), QStringLiteral("ABCDEFGHIJ0123456789"));
}

namespace {

// Sends the text as a keyboard or a scanner does, one key press and release per character to the
// widget that has the focus: carriage return, tab and escape as their keys, anything else (a
// control character, an accent, a character outside the basic plane) as the text of a key.
void teclear(QWidget* inicial, const QString& texto)
{
    for (qsizetype i = 0; i < texto.size(); ++i) {
        QWidget* destino = QApplication::focusWidget() ? QApplication::focusWidget() : inicial;
        const char16_t c = texto.at(i).unicode();
        if (c == u'\r') {
            QTest::keyClick(destino, Qt::Key_Return);
            if (auto* ventana = qobject_cast<TfrmConsulta*>(destino->window()))
                QVERIFY(esperarRespuesta(*ventana));
        } else if (c == u'\t') {
            QTest::keyClick(destino, Qt::Key_Tab);
        } else if (c == 0x1B) {
            QTest::keyClick(destino, Qt::Key_Escape);
        } else {
            const qsizetype ancho = texto.at(i).isHighSurrogate() && i + 1 < texto.size() ? 2 : 1;
            const QString letra = texto.mid(i, ancho);
            i += ancho - 1;
            QKeyEvent pulsada(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, letra);
            QKeyEvent soltada(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, letra);
            QApplication::sendEvent(destino, &pulsada);
            QApplication::sendEvent(destino, &soltada);
        }
    }
}

} // namespace

void TestConsulta::hostileKeys_data()
{
    QTest::addColumn<QString>("enviado"); // as keys, or pasted when pegado is true
    QTest::addColumn<bool>("pegado");
    QTest::addColumn<QString>("enCampo");  // the key field before Enter
    QTest::addColumn<QString>("articulo"); // the name shown; empty: not found
    QTest::addColumn<QString>("mensaje");  // part of the one message; empty: a beep instead

    const QString noEncontrado;
    const QString ninguno;
    const QString latin1 = QStringLiteral("no se pueden enviar a la base de datos (ISO8859_1)");
    const QString agua = QStringLiteral("Agua 750 ml");

    // A key with a quote is found exactly; statements and comments in a key are only text.
    QTest::newRow("quote, a stored key") << "O'HARA" << false << "O'HARA"
                                         << "Galletas O'Hara surtidas" << ninguno;
    QTest::newRow("always-true condition") << "' OR '1'='1" << false << "' OR '1'='1" << noEncontrado << ninguno;
    QTest::newRow("stored key, then a comment") << "O'HARA'--" << false << "O'HARA'--" << noEncontrado << ninguno;
    QTest::newRow("statement, cut at 20")
        << "x'; DROP TABLE articulos; --" << false << "x'; DROP TABLE artic" << noEncontrado << ninguno;
    QTest::newRow("block comment") << "CCL600/* */" << false << "CCL600/* */" << noEncontrado << ninguno;
    QTest::newRow("semicolons") << "CCL600;;" << false << "CCL600;;" << noEncontrado << ninguno;
    // The lookup compares keys exactly: "%" and "_" are no wildcards there.
    QTest::newRow("% and _ in a stored key") << "DULCE_100%" << false << "DULCE_100%"
                                             << "Dulce 100% natural de nuez" << ninguno;
    QTest::newRow("% as a wildcard") << "DULCE%" << false << "DULCE%" << noEncontrado << ninguno;
    QTest::newRow("_ as a wildcard") << "CCL_00" << false << "CCL_00" << noEncontrado << ninguno;
    // The field takes 20 characters from the keyboard; of a longer paste it keeps the first 20.
    QTest::newRow("10,000 characters typed") << QStringLiteral("ABCDEFGHIJ0123456789") + QString(9980, u'Z') << false
                                             << "ABCDEFGHIJ0123456789" << agua << ninguno;
    QTest::newRow("20 characters pasted")
        << "ABCDEFGHIJ0123456789" << true << "ABCDEFGHIJ0123456789" << agua << ninguno;
    QTest::newRow("10,000 characters pasted") << QStringLiteral("ABCDEFGHIJ0123456789") + QString(9980, u'Z') << true
                                              << "ABCDEFGHIJ0123456789" << agua << ninguno;
    QTest::newRow("10,000 quotes pasted")
        << QString(10000, u'\'') << true << QString(20, u'\'') << noEncontrado << ninguno;
    // The connection's character set cannot carry these: a message says so, nothing is looked up.
    QTest::newRow("euro sign") << "CCL600€" << false << "CCL600€" << noEncontrado << latin1;
    QTest::newRow("emoji") << QStringLiteral("AGUA750\U0001F600") << false << QStringLiteral("AGUA750\U0001F600")
                           << noEncontrado << latin1;
    QTest::newRow("euro sign pasted") << "€€€" << true << "€€€" << noEncontrado << latin1;
    // What a scanner may send around a key: the field takes no control character, escape clears
    // the display first, and a carriage return is the Enter that runs the lookup.
    QTest::newRow("NUL and DEL") << QStringLiteral("AGUA\u0000750\u007F") << false << "AGUA750" << agua << ninguno;
    QTest::newRow("escape sequence before")
        << QStringLiteral("\u001B[2~AGUA750") << false << "[2~AGUA750" << noEncontrado << ninguno;
    QTest::newRow("carriage return suffix") << "AGUA750\r" << false << "AGUA750" << agua << ninguno;
    // A scanner's Tab ends the scan as Enter does and keeps the focus in the key field.
    QTest::newRow("tab and carriage return suffix") << "AGUA750\t\r" << false << "AGUA750" << agua << ninguno;
    // A paste keeps them in the field, but they never reach the lookup.
    QTest::newRow("pasted with a carriage return") << "AGUA750\r\n" << true << "AGUA750\r\n" << agua << ninguno;
}

// No key text becomes part of a statement: each outcome is a found article, the not-found beep or
// a message that the text cannot be sent, and the database is intact afterwards.
void TestConsulta::hostileKeys()
{
    QFETCH(QString, enviado);
    QFETCH(bool, pegado);
    QFETCH(QString, enCampo);
    QFETCH(QString, articulo);
    QFETCH(QString, mensaje);

    connect();
    // The control: spliced into the lookup's statement, the always-true condition would match
    // every key; bound as a parameter it matches none.
    if (QByteArray(QTest::currentDataTag()) == "always-true condition") {
        fb::Transaction t(app().dm.fdConexion);
        t.start();
        fb::Query empalmada(t);
        empalmada.setSql(QString(kSqlBuscarClave).replace(QStringLiteral(":C_clave"), u'\'' + enviado + u'\''));
        empalmada.open();
        int filas = 0;
        while (empalmada.next())
            ++filas;
        QVERIFY2(filas > 20, qPrintable(QString::number(filas)));
        t.commit();
    }

    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    ed->clear();
    if (pegado) {
        QGuiApplication::clipboard()->setText(enviado);
        QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    } else {
        teclear(ed, enviado);
    }
    const bool yaBuscada = enviado.endsWith(u'\r') && !pegado;
    const bool tabulador = enviado.contains(u'\t') && !pegado;
    QCOMPARE(ed->text(), enCampo);
    if (!yaBuscada)
        QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));

    auto* nombre = el<QLabel>("lblNombreArticulo");
    if (mensaje.isEmpty()) {
        QVERIFY2(notificador().messages.empty(),
                 qPrintable(notificador().messages.empty() ? QString() : notificador().messages.front().text));
    } else {
        // Said on the display, where the article's name goes: a customer's scan opens no box.
        QVERIFY(notificador().messages.empty());
        auto* aviso = el<QLabel>("lblCodigoNoValido");
        QVERIFY(aviso->isVisible());
        QVERIFY2(aviso->text().contains(mensaje), qPrintable(aviso->text()));
        QCOMPARE(ed->text(), enCampo);
    }
    if (!articulo.isEmpty()) {
        QCOMPARE(nombre->text(), articulo);
        QVERIFY(nombre->isVisible());
        QCOMPARE(notificador().beeps, 0);
    } else {
        QVERIFY(!nombre->isVisible());
        QCOMPARE(app().frmConsulta.articuloId(), 0);
        QCOMPARE(notificador().beeps, mensaje.isEmpty() && !tabulador ? 1 : 0);
    }
    if (tabulador) {
        QVERIFY(ed->hasFocus());
        QCOMPARE(ed->text(), enCampo);
    }

    // Nothing was changed or dropped.
    notificador().messages.clear();
    scan(QStringLiteral("7501055300075"));
    QCOMPARE(nombre->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QVERIFY(notificador().messages.empty());
}

void TestConsulta::failingDatabaseObjectReachesTheErrorReport()
{
    connect();
    {
        fb::Transaction ddl(app().dm.fdConexion);
        ddl.start();
        fb::Query drop(ddl);
        drop.setSql(QStringLiteral("DROP PROCEDURE GET_ULTCOM_ART"));
        drop.execute();
        ddl.commit();
    }
    scan(QStringLiteral("7501055300075"));
    // The customer reads a Spanish line on the display; the engine's text is for the operator,
    // in the status line's tool tip (and the log), never in a box.
    QVERIFY(notificador().messages.empty());
    auto* aviso = el<QLabel>("lblCodigoNoValido");
    QVERIFY(aviso->isVisible());
    QCOMPARE(aviso->text(), QStringLiteral("No fue posible consultar el artículo, intente de nuevo"));
    const QString detalle = app().frmConsulta.statusBar()->toolTip();
    QVERIFY2(detalle.contains(QStringLiteral("GET_ULTCOM_ART"), Qt::CaseInsensitive), qPrintable(detalle));
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());

    // The program keeps running: the display still clears and reports the next failure the same way.
    QTest::keyClick(el<QLineEdit>("edClave"), Qt::Key_Escape);
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
    QVERIFY(!aviso->isVisible());
    scan(QStringLiteral("CCL600"));
    QVERIFY(notificador().messages.empty());
    QVERIFY(aviso->isVisible());
}

// A lookup that fails after it has put the new name up hides the display: the name of one
// article beside another's price is the one thing a price checker must never show.
void TestConsulta::failedLookupShowsNoMixedArticle()
{
    connect();
    scan(QStringLiteral("CCL600"));
    auto* nombre = el<QLabel>("lblNombreArticulo");
    QVERIFY(nombre->isVisible());
    const QString nombreAnterior = nombre->text();
    // A price list name longer than the price procedure's output makes that procedure fail, so the
    // lookup stops at its prices, right after the name.
    for (const char* sentencia : {"ALTER TABLE PRECIOS_EMPRESA ALTER NOMBRE TYPE VARCHAR(60)",
                                  "UPDATE PRECIOS_EMPRESA SET NOMBRE = 'Lista de precios con un nombre muy largo'"}) {
        fb::Transaction t(app().dm.fdConexion);
        t.start();
        fb::Query q(t);
        q.setSql(QString::fromLatin1(sentencia));
        q.execute();
        t.commit();
    }
    scan(QStringLiteral("CCL355"));
    QVERIFY(notificador().messages.empty());
    const QString detalle = app().frmConsulta.statusBar()->toolTip();
    QVERIFY2(detalle.contains(QStringLiteral("truncat"), Qt::CaseInsensitive), qPrintable(detalle));
    QVERIFY(el<QLabel>("lblCodigoNoValido")->isVisible());
    // The whole answer is read before anything is shown: the previous article's name is not
    // replaced by half an answer, and it is hidden with the rest.
    QCOMPARE(nombre->text(), nombreAnterior);
    for (const char* elemento : {"lblNombreArticulo", "dbPrecio", "dbPrecios", "dbExiste", "dbVolumen", "dbCombos"})
        QVERIFY2(el<QWidget>(elemento)->isHidden(), elemento);
    // The idle clearing still runs, so the failed key does not stay in the box.
    QVERIFY(el<QTimer>("TiempoInactivo")->isActive());
}

void TestConsulta::escapeClears()
{
    connect();
    // The catalogue index reads on attachments of its own right after the company opens: counted
    // here only once it is done with them.
    auto* indice = app().frmBuscarEnCatalogo.findChild<catalogo::IndiceCatalogo*>();
    QVERIFY(indice);
    QTRY_VERIFY_WITH_TIMEOUT(indice->listo(), 30000);
    scan(QStringLiteral("CCL600"));
    // The lookup's, on the service's attachment: read-only, kept from scan to scan, holding back no
    // garbage collection; nothing read-write stays open.
    QCOMPARE(transaccionesDeOtros(true), 1);
    QCOMPARE(transaccionesDeOtros(false), 0);
    QTest::keyClick(el<QLineEdit>("edClave"), Qt::Key_Escape);
    QCOMPARE(app().frmConsulta.articuloId(), 0);
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
    QCOMPARE(el<QLineEdit>("edUltimaCompra")->text(), QString());
    // The clearing's commit runs on the service's thread and leaves the read-only one be.
    QTRY_VERIFY(!app().frmConsulta.servicio().ocupado());
    QCOMPARE(transaccionesDeOtros(false), 0);
    QCOMPARE(transaccionesDeOtros(true), 1);
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
    QVERIFY(!el<QTimer>("TiempoInactivo")->isActive());
}

// Found, shared and unknown keys: each found article is said with the price on display, a key
// that matches nothing says nothing, and the first key of every scan cuts the voice off.
void TestConsulta::speaksFoundArticles()
{
    VozGrabadora voz;
    app().frmConsulta.setVoz(&voz);
    connect();
    scan(QStringLiteral("7501055300075"));
    QCOMPARE(el<QLabel>("dbPrecio")->text(), QLocale::system().toCurrencyString(16.0));
    scan(QStringLiteral("NO-EXISTE"));
    scan(QStringLiteral("7502223330001")); // one barcode on two articles: the one on display is said
    const QString compartido = el<QLabel>("lblNombreArticulo")->text();
    QCOMPARE(compartido, QStringLiteral("Paleta de tamarindo"));
    QCOMPARE(voz.dichos(), (QStringList{QStringLiteral("COCA COLA LIGHT 600ML, dieciséis pesos"),
                                        compartido + QStringLiteral(", tres pesos")}));
    // Every scan began by silencing the voice before anything was said about it.
    QCOMPARE(voz.registro.value(0), QStringLiteral("callar"));
    QCOMPARE(voz.registro.indexOf(QStringLiteral("decir: COCA COLA LIGHT 600ML, dieciséis pesos")),
             qsizetype{QStringLiteral("7501055300075\r").size()});
    // Without a voice the station stays silent and says nothing in its status bar.
    QVERIFY(el<QLabel>("estBarraVoz")->text().isEmpty());
}

// The spoken price on, and a speech service (a stand-in on a Unix socket, reached through the
// real speech client) that opens the voice and says the first two articles, then never answers
// the third: every scan is still on display as soon as its key is in, and the voice switches
// itself off with one line in the status bar.
void TestConsulta::hungSpeechServiceNeverHoldsAScan()
{
    ServicioVoz servicio(ServicioVoz::Modo::Responde);
    QVERIFY(servicio.escuchando());
    qputenv("SPEECHD_ADDRESS", servicio.direccion());
    // The speech engine opens with the default locale's voice, as at a station set up in Spanish.
    const QLocale local;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    auto restaurar = qScopeGuard([local] {
        qunsetenv("SPEECHD_ADDRESS");
        QLocale::setDefault(local);
    });
    app().dm.estacion().setHablarPrecio(true);
    QElapsedTimer reloj;
    reloj.start();
    app().frmConsulta.prepararVoz();
    qInfo("opening the voice took %lld us of the start-up", reloj.nsecsElapsed() / 1000);
    connect();

    scan(QStringLiteral("7501055300075"));
    QTRY_COMPARE(servicio.dichos(), QStringList{QStringLiteral("COCA COLA LIGHT 600ML, dieciséis pesos")});
    scan(QStringLiteral("7502223330001"));
    QTRY_COMPARE(servicio.dichos().size(), 2);

    servicio.retenerHabla(); // for good
    const QList<std::pair<QString, QString>> escaneos{
        {QStringLiteral("CCL600"), QStringLiteral("COCA COLA LIGHT 600ML")},
        {QStringLiteral("7502223330001"), QStringLiteral("Paleta de tamarindo")},
        {QStringLiteral("7501055300075"), QStringLiteral("COCA COLA LIGHT 600ML")},
    };
    for (const auto& [clave, nombre] : escaneos) {
        reloj.restart();
        scan(clave);
        qInfo("scan %s took %lld ms with the speech service stuck", qPrintable(clave), reloj.elapsed());
        QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), nombre);
        QTRY_VERIFY(servicio.esperandoHabla());
    }
    QTRY_COMPARE(el<QLabel>("estBarraVoz")->text(), QStringLiteral("Voz desactivada: el servicio de voz no responde"));
    scan(QStringLiteral("7502223330001"));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Paleta de tamarindo"));
    QCOMPARE(servicio.dichos().size(), 2);
    QVERIFY(notificador().messages.empty());
}

void TestConsulta::salirEndsTheProgram()
{
    QTimer::singleShot(0, this, [this] { el<QAction>("Salir1")->trigger(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a guard, not a measurement
    QCOMPARE(QCoreApplication::exec(), 0);
}

// Receives the web addresses the desktop would open.
class ReceptorUrl : public QObject {
    Q_OBJECT
public:
    QList<QUrl> abiertas;
public slots:
    void abrir(const QUrl& url) { abiertas << url; }
};

void TestConsulta::acercaDeAndTheWebAddress()
{
    ReceptorUrl receptor;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &receptor, "abrir");
    auto* enlace = el<QLabel>("Label5");
    app().frmConsulta.show();
    QVERIFY(QTest::qWaitForWindowExposed(&app().frmConsulta));
    QTest::mouseClick(enlace, Qt::LeftButton, {}, enlace->rect().center());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(receptor.abiertas, QList<QUrl>{QUrl(TfrmConsulta::kDireccionWeb)});
    QVERIFY(enlace->font().underline());

    // "Acerca de" shows the about window modally; a click closes it.
    bool mostrada = false;
    QTimer::singleShot(0, this, [&] {
        auto* ayuda = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        mostrada = ayuda && ayuda->windowTitle() == QStringLiteral("Ayuda");
        if (ayuda)
            QTest::mouseClick(ayuda, Qt::LeftButton);
    });
    el<QAction>("Acercade1")->trigger();
    QVERIFY(mostrada);
    QVERIFY(!app().frmAyudaInfo.isVisible());
}

void TestConsulta::startUpWithoutLoginEndsTheProgram()
{
    // No catalogue file on this station: the operator cancels every window the start-up opens.
    auto app = std::make_unique<Lumivo>();
    QTimer cancelar;
    QObject::connect(&cancelar, &QTimer::timeout, [] {
        auto* dialogo = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialogo)
            return;
        if (auto* boton = dialogo->findChild<QPushButton*>(QStringLiteral("btnCancel")))
            boton->click();
        else
            dialogo->reject();
    });
    cancelar.start(20);
    app->frmConsulta.show();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a guard, not a measurement
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!app->sesion.LoginCorrecto);
    QVERIFY(!app->dm.fdConexion.isOpen());
}

void TestConsulta::equivalentFormShowsTheStoredKey_data()
{
    QTest::addColumn<QString>("escaneada");
    QTest::newRow("GTIN-14") << "07501055300075";
    QTest::newRow("without check digit") << "750105530007";
}

// The exact lookup finds nothing; a form of the code does, and the key field shows the stored key.
void TestConsulta::equivalentFormShowsTheStoredKey()
{
    QFETCH(QString, escaneada);
    connect();
    scan(escaneada);
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(app().frmConsulta.articuloId(), 1001);
    auto* ed = el<QLineEdit>("edClave");
    QCOMPARE(ed->text(), QStringLiteral("7501055300075"));
    QCOMPARE(ed->selectedText(), ed->text());
    QCOMPARE(notificador().beeps, 0);
    QVERIFY(!el<QWidget>("lblEtiqueta")->isVisible());
}

void TestConsulta::misreadShowsTheMessageUntilTheNextScan()
{
    connect();
    auto* aviso = el<QLabel>("lblCodigoNoValido");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    scan(QStringLiteral("7501055300075"));
    scan(QStringLiteral("7501055300076")); // last digit wrong
    QVERIFY(aviso->isVisible());
    QCOMPARE(aviso->text(), QStringLiteral("Código no válido, escanee de nuevo"));
    QCOMPARE(aviso->pos(), nombre->pos());
    QVERIFY(!nombre->isVisible());
    QVERIFY(!el<QWidget>("dbPrecio")->isVisible());
    QCOMPARE(notificador().doubleBeeps, 1);
    QCOMPARE(notificador().beeps, 2);
    QVERIFY(notificador().messages.empty());
    QCOMPARE(el<QLineEdit>("edClave")->selectedText(), QStringLiteral("7501055300076"));

    // The next scan takes it away.
    scan(QStringLiteral("AGUA750"));
    QVERIFY(!aviso->isVisible());
    QVERIFY(nombre->isVisible());

    // So does the idle clearing; a not-found key is no misread.
    scan(QStringLiteral("96385075"));
    QVERIFY(aviso->isVisible());
    app().frmConsulta.ajustes().SegundosEspera = 0;
    app().frmConsulta.TiempoInactivoTimer();
    QVERIFY(!aviso->isVisible());
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
    scan(QStringLiteral("96385074"));
    QVERIFY(!aviso->isVisible());
    QCOMPARE(notificador().doubleBeeps, 2);
    QCOMPARE(notificador().beeps, 5);
}

void TestConsulta::scaleLabelShowsWhatItSays()
{
    testsupport::runSql(testsupport::embeddedParams(carpeta().filePath(QStringLiteral("DEMO.fdb"))),
                        QStringLiteral("INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
                                       "VALUES (9001, '2001234000000', 1006);\n"
                                       "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) "
                                       "VALUES ('ETIQUETA_BASCULA_1', '20-29;3;5;C;K;3;N');"));
    connect();
    app().frmConsulta.CargarInfo();
    auto* lectura = el<QLabel>("lblEtiqueta");
    QVERIFY(!lectura->isVisible());
    scan(QStringLiteral("2001234007504")); // 0.750 kg of PLU 01234
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Jalapeño en rajas granel"));
    QCOMPARE(el<QLineEdit>("edClave")->text(), QStringLiteral("2001234000000"));
    QVERIFY(lectura->isVisible());
    QVERIFY2(
        QRegularExpression(QStringLiteral("^0\\.750 kg · \\$[0-9,]+\\.[0-9]{2}$")).match(lectura->text()).hasMatch(),
        qPrintable(lectura->text()));
    // An ordinary article shows no label reading, and clearing empties it.
    scan(QStringLiteral("7501055300075"));
    QVERIFY(!lectura->isVisible());
    scan(QStringLiteral("2001234007504"));
    QVERIFY(lectura->isVisible());
    app().frmConsulta.Limpiar();
    QVERIFY(!lectura->isVisible());
    QCOMPARE(lectura->text(), QString());
}

void TestConsulta::twoLabelFormatsOnOnePrefix_data()
{
    QTest::addColumn<QString>("primera");
    QTest::addColumn<QString>("segunda");
    QTest::newRow("as printed first") << "20;3;5;T;K;3;N"
                                      << "20;3;5;S;K;3;N";
    QTest::newRow("without zeros first") << "20;3;5;S;K;3;N"
                                         << "20;3;5;T;K;3;N";
}

// One scale, articles registered with the PLU as printed ("01234") and without its zeros ("5678"):
// a label of each kind shows its article and weight whichever format is listed first, and a label
// that neither finds beeps like any unknown key.
void TestConsulta::twoLabelFormatsOnOnePrefix()
{
    QFETCH(QString, primera);
    QFETCH(QString, segunda);
    testsupport::runSql(testsupport::embeddedParams(carpeta().filePath(QStringLiteral("DEMO.fdb"))),
                        QStringLiteral("INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
                                       "VALUES (9001, '01234', 1006);\n"
                                       "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
                                       "VALUES (9002, '5678', 1005);\n"
                                       "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) "
                                       "VALUES ('ETIQUETA_BASCULA_1', '%1');\n"
                                       "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) "
                                       "VALUES ('ETIQUETA_BASCULA_2', '%2');")
                            .arg(primera, segunda));
    connect();
    app().frmConsulta.CargarInfo();
    // An unknown key beeps rather than opening the catalogue search.
    app().frmConsulta.ajustes().MostrarBuscador = false;
    auto* nombre = el<QLabel>("lblNombreArticulo");
    auto* lectura = el<QLabel>("lblEtiqueta");
    scan(QStringLiteral("2001234007504")); // 0.750 kg of PLU 01234
    QCOMPARE(nombre->text(), QStringLiteral("Jalapeño en rajas granel"));
    QCOMPARE(el<QLineEdit>("edClave")->text(), QStringLiteral("01234"));
    QVERIFY2(lectura->text().startsWith(QStringLiteral("0.750 kg · $")), qPrintable(lectura->text()));
    scan(QStringLiteral("2005678012506")); // 1.250 kg of PLU 05678
    QCOMPARE(nombre->text(), QStringLiteral("Café de olla 500 g"));
    QCOMPARE(el<QLineEdit>("edClave")->text(), QStringLiteral("5678"));
    QVERIFY2(lectura->text().startsWith(QStringLiteral("1.250 kg · $")), qPrintable(lectura->text()));
    QCOMPARE(notificador().beeps, 0);

    scan(QStringLiteral("2009999007500"));
    QVERIFY(!nombre->isVisible());
    QVERIFY(!lectura->isVisible());
    QCOMPARE(notificador().beeps, 1);
    QCOMPARE(notificador().doubleBeeps, 0);
}

// Tab and CR LF end a scan like Enter, once; the configured prefix and suffix are dropped.
void TestConsulta::scannerTerminatorsAndAffixes()
{
    connect();
    // Set while the window runs: it follows the change.
    app().dm.estacion().setEscaner(QStringLiteral("]E0"), QStringLiteral("#"));
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    ed->setFocus();

    QTest::keyClicks(ed, QStringLiteral("]E0AGUA750#"));
    QTest::keyClick(ed, Qt::Key_Tab);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(nombre->text(), QStringLiteral("Agua 750 ml"));
    QVERIFY(ed->hasFocus());
    QCOMPARE(ed->selectedText(), QStringLiteral("AGUA750"));

    // CR LF: one lookup, so an unknown key beeps once.
    QTest::keyClicks(ed, QStringLiteral("NO-EXISTE"));
    QTest::keyClick(ed, Qt::Key_Return);
    QKeyEvent lf(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\n"));
    QApplication::sendEvent(ed, &lf);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(notificador().beeps, 1);
    QCOMPARE(ed->text(), QStringLiteral("NO-EXISTE"));
    // A lone LF ends a scan too.
    QTest::keyClicks(ed, QStringLiteral("CCL600"));
    QApplication::sendEvent(ed, &lf);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(nombre->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
}

void TestConsulta::scanLongerThanTheKeyBox_data()
{
    QTest::addColumn<QString>("prefijo");
    QTest::addColumn<QString>("sufijo");
    QTest::addColumn<QString>("enviado"); // typed, Enter after it
    QTest::addColumn<bool>("pegado");
    QTest::addColumn<QString>("articulo"); // the name shown; empty: none
    QTest::addColumn<bool>("malLeida");    // the misread message with its double beep

    const QString digitos = QString::fromLatin1("0123456789").repeated(6);
    const QString agua = QStringLiteral("Agua 750 ml");
    // The first 20 of 60 digits are another code: a misread, not a lookup (nor the search).
    QTest::newRow("60 digits typed") << ""
                                     << "" << digitos << false << "" << true;
    QTest::newRow("60 digits pasted") << ""
                                      << "" << digitos << true << "" << true;
    QTest::newRow("digits beyond the box inside prefix and suffix")
        << "]E0"
        << "#"
        << "]E0" + digitos.left(25) + "#" << false << "" << true;
    // Controls: 20 digits fit, so an unknown one is only not found; a longer text is looked up by
    // what fits.
    QTest::newRow("20 digits, unknown") << ""
                                        << "" << digitos.left(20) << false << "" << false;
    QTest::newRow("text longer than the box") << ""
                                              << ""
                                              << "ABCDEFGHIJ0123456789-X" << false << agua << false;
    // What the scanner sends around a key does not take the key's room.
    QTest::newRow("20-character key inside prefix and suffix") << "]E0"
                                                               << "#"
                                                               << "]E0ABCDEFGHIJ0123456789#" << false << agua << false;
}

// A scan that does not fit the key box says so on the display, and the next scan replaces it whole.
void TestConsulta::scanLongerThanTheKeyBox()
{
    QFETCH(QString, prefijo);
    QFETCH(QString, sufijo);
    QFETCH(QString, enviado);
    QFETCH(bool, pegado);
    QFETCH(QString, articulo);
    QFETCH(bool, malLeida);

    connect();
    app().dm.estacion().setEscaner(prefijo, sufijo);
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    auto* aviso = el<QLabel>("lblCodigoNoValido");
    ed->setFocus();
    if (pegado) {
        QGuiApplication::clipboard()->setText(enviado);
        QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    } else {
        teclear(ed, enviado);
    }
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));

    QVERIFY(notificador().messages.empty());
    QCOMPARE(aviso->isVisible(), malLeida);
    if (malLeida) {
        QCOMPARE(aviso->text(), QStringLiteral("Código no válido, escanee de nuevo"));
        QCOMPARE(notificador().doubleBeeps, 1);
    }
    QCOMPARE(nombre->isVisible(), !articulo.isEmpty());
    if (!articulo.isEmpty())
        QCOMPARE(nombre->text(), articulo);
    QCOMPARE(ed->selectedText(), ed->text());

    // The next scan, as a scanner types it, takes the box's place whole.
    teclear(ed, prefijo + QStringLiteral("7501055300075") + sufijo + u'\r');
    QCOMPARE(ed->text(), QStringLiteral("7501055300075"));
    QCOMPARE(nombre->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QVERIFY(nombre->isVisible());
    QVERIFY(!aviso->isVisible());
}

// 13 digits in 30 ms then Enter, scan after scan, with the real idle timer ticking every second and
// clearing at each tick (0 idle seconds); one burst queued whole while a lookup runs.
void TestConsulta::fastScannerIsNeverSplit()
{
    connect();
    app().frmConsulta.ajustes().SegundosEspera = 0;
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    ed->setFocus();
    const QString claves[] = {QStringLiteral("7501055300075"), QStringLiteral("7501055310883")};
    const QString nombres[] = {QStringLiteral("COCA COLA LIGHT 600ML"), QStringLiteral("Coca Cola Light 355 ml")};
    // What the display showed when the answer came: with no idle seconds, the next tick of the
    // idle clearing may empty it before the wait below returns.
    int mostrado = 0;
    QString claveMostrada, nombreMostrado;
    const QMetaObject::Connection alMostrar =
        QObject::connect(&app().frmConsulta, &TfrmConsulta::respuestaMostrada, this, [&] {
            mostrado = app().frmConsulta.articuloId();
            claveMostrada = ed->text();
            nombreMostrado = nombre->text();
        });
    const auto desconectar = qScopeGuard([&] { QObject::disconnect(alMostrar); });
    QElapsedTimer reloj;
    reloj.start();
    int escaneos = 0;
    while (reloj.elapsed() < 2500) { // two ticks of the idle timer at least
        const QString& clave = claves[escaneos % 2];
        for (QChar c : clave) {
            QTest::keyClick(ed, c.toLatin1());
            QTest::qWait(2); // about 30 ms for the 13 digits; the timer's tick may land in between
        }
        mostrado = 0;
        QTest::keyClick(ed, Qt::Key_Return);
        QVERIFY(esperarRespuesta(app().frmConsulta));
        QVERIFY2(mostrado != 0, qPrintable(claveMostrada));
        QCOMPARE(claveMostrada, clave);
        QCOMPARE(nombreMostrado, nombres[escaneos % 2]);
        QCOMPARE(notificador().beeps, 0);
        ++escaneos;
    }
    QVERIFY(escaneos > 20);

    // The tick lands mid-scan: the digits typed so far stay and the scan completes.
    QTest::keyClicks(ed, QStringLiteral("750105"));
    app().frmConsulta.TiempoInactivoTimer();
    QTest::keyClicks(ed, QStringLiteral("5300075"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(nombreMostrado, QStringLiteral("COCA COLA LIGHT 600ML"));

    // A whole scan queued behind the Enter of the one before: it waits for that lookup to end.
    const auto encolar = [ed](const QString& texto) {
        for (QChar c : texto) {
            QCoreApplication::postEvent(ed,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c)));
            QCoreApplication::postEvent(ed,
                                        new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c)));
        }
        QCoreApplication::postEvent(
            ed, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
    };
    encolar(QStringLiteral("AGUA750"));
    encolar(QStringLiteral("7501055300075"));
    // The newer scan wins: the older one's answer is never shown over it.
    QTRY_COMPARE(claveMostrada, QStringLiteral("7501055300075"));
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(nombreMostrado, QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(claveMostrada, QStringLiteral("7501055300075"));
    QCOMPARE(notificador().beeps, 0);
}

LUMIVO_TEST_MAIN(TestConsulta)
#include "tst_consulta.moc"
