// The price, stock and key side of the main window and its clearing,
// driven through the real window against a stand-in company database with the station's
// own procedures installed from data/sql.

#include "app/Lumivo.h"
#include "display/ModeloConsulta.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/AjusteTexto.h"
#include "layout/EtiquetaAjustada.h"
#include "lookup/ConsultasArticulo.h"
#include "lookup/ServicioConsulta.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "rules/Formato.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

using Filas = QList<QStringList>;

class TestPresentacion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
        platform::registerFonts(); // the face the station draws with
    }
    void init();
    void cleanup();

    void priceOrder_data();
    void priceOrder();
    void configuredListAbsent_data();
    void configuredListAbsent();
    void articleWithoutPriceLists();
    void unitOfPurchase_data();
    void unitOfPurchase();
    void largePriceFollowsTheGridsCurrentRow();
    void displayFollowsTheSystemLocale();
    void volumeSteps_data();
    void volumeSteps();
    void volumeStepsFromTheDiscountedPrice();
    void combos();
    void stock_data();
    void stock();
    void keysOrderedByRole();
    void statementTexts();
    void gridLook_data();
    void gridLook();
    void gridsAreReadOnlyWithoutLinesOrIndicator();
    void widestValuesShowWhole();
    void switches_data();
    void switches();
    void resultsSurviveTheCommit();
    void failingProcedureSkipsTheRest();

    void timerClearsOnTickNPlusOne_data();
    void timerClearsOnTickNPlusOne();
    void lookupWhileShownRestartsOnlyTheCount();
    void scansEveryFewSecondsKeepTheDisplay();
    void typingDoesNotPostponeTheClearing();
    void designModeStopsTheTimer();
    void failedClearingStillClearsTheDisplay();
    void clearingPathsLeaveTheSameState_data();
    void clearingPathsLeaveTheSameState();
    void smLimpiarShortcut();
    void settingsReloadDoesNotWait();

private:
    template <typename T> T* el(const char* name) { return elemento<T>(app().frmConsulta, name); }
    ModeloConsulta* modelo(const char* rejilla)
    {
        return qobject_cast<ModeloConsulta*>(el<QTableView>(rejilla)->model());
    }
    AjustesConsulta& ajustes() { return app().frmConsulta.ajustes(); }
    void conectar();
    void escanear(const QString& clave);
    void tick() { app().frmConsulta.TiempoInactivoTimer(); }
    static int idConexion(fb::Connection& c);
    // The lookup service's own data module (its attachment, transaction and statements), once
    // every call asked of it has been answered.
    Tdm& servicioDm()
    {
        ServicioConsulta& s = app().frmConsulta.servicio();
        if (!QTest::qWaitFor([&] { return !s.ocupado(); }, 10000))
            qFatal("the lookup service did not answer");
        return *s.datosTrabajador();
    }
    Filas filas(const char* rejilla);
    QStringList columna(const char* rejilla, int c);
    QString estado();
    void sql(const QString& texto);
    QString ruta() const { return carpeta().path() + QStringLiteral("/DEMO.fdb"); }

    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    const QTemporaryDir& carpeta() const { return m_estacion->carpeta(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

namespace {

// A number written with ',' for thousands and '.' for decimals, in the system's separators.
QString regional(const QString& texto)
{
    const QLocale l = QLocale::system();
    QString out;
    for (const QChar c : texto) {
        if (c == u',')
            out += l.groupSeparator();
        else if (c == u'.')
            out += l.decimalPoint();
        else
            out += c;
    }
    return out;
}

QString moneda(double exacto)
{
    return QLocale::system().toCurrencyString(exacto);
}

const char* const kElementos[] = {"lblNombreArticulo", "lblLinea",  "dbPrecio",     "dbListaClaves",
                                  "dbPrecios",         "dbVolumen", "dbExiste",     "dbCombos",
                                  "edUltimaCompra",    "lblTexto",  "lblUniCompra", "sUnidaCompra"};

} // namespace

void TestPresentacion::init()
{
    m_estacion = std::make_unique<testsupport::EstacionPrueba>();
    QVERIFY(m_estacion->valida());
    m_estacion->crear();
}

void TestPresentacion::cleanup()
{
    m_estacion.reset();
}

void TestPresentacion::conectar()
{
    testsupport::EstacionPrueba::Apertura apertura;
    apertura.cargarInfo = false;
    apertura.activa = true;
    // The settings as the installation writes them, with every display switch on.
    apertura.antesDeLimpiar = [this] {
        AjustesConsulta& a = ajustes();
        a.ClienteEventualId = 465;
        a.PrecioEmpresaId = 450;
        a.PoliticaVolId = 0;
        a.OrdenPrecio = 0;
        a.MostrarExistencia = a.MostrarLstPrecios = a.MostrarPolVol = a.MostrarClave = a.DsctosCombo = true;
        a.MostrarBuscador = false;
        a.SegundosEspera = 10;
    };
    QVERIFY(m_estacion->abrir(apertura));
}

void TestPresentacion::escanear(const QString& clave)
{
    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, clave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QVERIFY2(notificador().messages.empty(),
             qPrintable(notificador().messages.empty() ? QString() : notificador().messages.back().text));
}

Filas TestPresentacion::filas(const char* rejilla)
{
    ModeloConsulta* m = modelo(rejilla);
    while (m->canFetchMore({}))
        m->fetchMore({});
    Filas out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList fila;
        for (int c = 0; c < m->columnCount(); ++c)
            fila << m->index(r, c).data().toString();
        out << fila;
    }
    return out;
}

QStringList TestPresentacion::columna(const char* rejilla, int c)
{
    QStringList out;
    for (const QStringList& f : filas(rejilla))
        out << f.value(c);
    return out;
}

void TestPresentacion::sql(const QString& texto)
{
    testsupport::runSql(testsupport::embeddedParams(ruta()), texto);
}

// Everything that the cleared state names, in one comparable text.
QString TestPresentacion::estado()
{
    TfrmConsulta& w = app().frmConsulta;
    QStringList e;
    e << QStringLiteral("ArticuloId=%1").arg(w.articuloId());
    e << QStringLiteral("edClave=[%1]").arg(el<QLineEdit>("edClave")->text());
    e << QStringLiteral("edUltimaCompra=[%1]").arg(el<QLineEdit>("edUltimaCompra")->text());
    e << QStringLiteral("fdTrans activa=%1").arg(servicioDm().fdTrans.isActive());
    e << QStringLiteral("foco en edClave=%1").arg(el<QLineEdit>("edClave")->hasFocus());
    e << QStringLiteral("TiempoInactivo=%1").arg(el<QTimer>("TiempoInactivo")->isActive());
    e << QStringLiteral("SegundosInactivo=%1").arg(w.segundosInactivo());
    for (const char* nombre : kElementos)
        e << QStringLiteral("%1 visible=%2").arg(QString::fromLatin1(nombre)).arg(el<QWidget>(nombre)->isVisible());
    // Hidden elements keep their last content.
    e << QStringLiteral("nombre=[%1]").arg(el<QLabel>("lblNombreArticulo")->text());
    return e.join(u'\n');
}

// ---- prices ----------------------------------------------------------------------------

void TestPresentacion::priceOrder_data()
{
    QTest::addColumn<int>("orden");
    QTest::addColumn<QString>("clausula");
    QTest::addColumn<QStringList>("listas");
    QTest::addColumn<int>("actual"); // the row of list 450 (Mayoreo)

    const QString mayoreo = QStringLiteral("Mayoreo");
    const QString distribuidor = QStringLiteral("Distribuidor");
    const QString lista = QStringLiteral("Precio de lista");
    QTest::newRow("0 lowest net price first")
        << 0 << " Order by PRECION" << QStringList{mayoreo, distribuidor, lista} << 0;
    QTest::newRow("1 highest net price first")
        << 1 << " Order by PRECION DESC" << QStringList{lista, distribuidor, mayoreo} << 2;
    QTest::newRow("2 by list name") << 2 << " Order by NOMBRE" << QStringList{distribuidor, mayoreo, lista} << 1;
    QTest::newRow("5 the procedure's order") << 5 << "" << QStringList{lista, mayoreo, distribuidor} << 1;
    QTest::newRow("-1 the procedure's order") << -1 << "" << QStringList{lista, mayoreo, distribuidor} << 1;
}

void TestPresentacion::priceOrder()
{
    QFETCH(int, orden);
    QFETCH(QString, clausula);
    QFETCH(QStringList, listas);
    QFETCH(int, actual);
    conectar();
    ajustes().OrdenPrecio = orden;
    escanear(QStringLiteral("CCL600"));

    QCOMPARE(consultas::sqlPrecios(orden),
             QStringLiteral("SELECT * FROM ZANTOR_LMV_LISTA (:V_ARTICULO_ID,:v_CLIENTE_ID)") + clausula);
    QCOMPARE(columna("dbPrecios", 0), listas);
    QCOMPARE(el<QTableView>("dbPrecios")->currentIndex().row(), actual);
    QCOMPARE(el<QLabel>("dbPrecio")->text(), moneda(16.0));
    QVERIFY(el<QWidget>("dbPrecios")->isVisible());
}

void TestPresentacion::configuredListAbsent_data()
{
    QTest::addColumn<int>("orden");
    QTest::addColumn<double>("precio");
    // VELA-CANELA has lists 42 (55.00) and 451 (49.50), not the configured 450.
    QTest::newRow("0: the lowest") << 0 << 49.5;
    QTest::newRow("1: the highest") << 1 << 55.0;
    QTest::newRow("2: Distribuidor comes first by name") << 2 << 49.5;
    QTest::newRow("5: the procedure's first") << 5 << 55.0;
}

void TestPresentacion::configuredListAbsent()
{
    QFETCH(int, orden);
    QFETCH(double, precio);
    conectar();
    ajustes().OrdenPrecio = orden;
    escanear(QStringLiteral("VELA-CANELA"));
    QCOMPARE(el<QTableView>("dbPrecios")->currentIndex().row(), 0);
    QCOMPARE(el<QLabel>("dbPrecio")->text(), moneda(precio));
}

void TestPresentacion::articleWithoutPriceLists()
{
    conectar();
    // A volume step for the article, so that its pricing from 0 shows.
    sql(QStringLiteral("INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) "
                       "VALUES (11, 1011, 5, 10);"));
    escanear(QStringLiteral("BOLSA-ECO"));

    QCOMPARE(el<QLabel>("dbPrecio")->text(), QString());
    QVERIFY(el<QWidget>("dbPrecio")->isVisible());
    QCOMPARE(modelo("dbPrecios")->rowCount(), 0);
    QVERIFY(!el<QTableView>("dbPrecios")->currentIndex().isValid());
    QVERIFY(!el<QWidget>("dbPrecios")->isVisible()); // no rows, though MostrarLstPrecios is on
    // The content reads as 0: the box shows its fixed parts and $0.00.
    QVERIFY(el<QWidget>("lblUniCompra")->isVisible());
    QVERIFY(el<QWidget>("sUnidaCompra")->isVisible());
    QCOMPARE(el<QLabel>("lblUniCompra")->text(), QStringLiteral(" c/ \n$") + regional(QStringLiteral("0.00")));
    QCOMPARE(filas("dbVolumen"), (Filas{{QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("$0.000000"),
                                         QStringLiteral("$0.000000")}}));
}

void TestPresentacion::unitOfPurchase_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("texto"); // numbers with ',' and '.' as in en_US

    QTest::newRow("content 1 hides the box") << "AGUA750" << false << "";
    QTest::newRow("content 1.5") << "JALAPEÑO-GR" << true << "BOLSA c/1.5 KG\n$76.13";
    QTest::newRow("content 35, above one thousand, rounded") << "PINATA-EST" << true << "CAJA c/35 PZS\n$1,250.51";
    QTest::newRow("content 24") << "CCL600" << true << "CAJA c/24 PZA\n$384.00";
    QTest::newRow("NULL units and content") << "ENVIO" << true << " c/ \n$0.00";
}

void TestPresentacion::unitOfPurchase()
{
    QFETCH(QString, clave);
    QFETCH(bool, visible);
    QFETCH(QString, texto);
    conectar();
    // Shown first with another article, so that hiding is seen too.
    escanear(QStringLiteral("TORN-14X2"));
    QVERIFY(el<QWidget>("lblUniCompra")->isVisible());
    escanear(clave);
    QCOMPARE(el<QWidget>("lblUniCompra")->isVisible(), visible);
    QCOMPARE(el<QWidget>("sUnidaCompra")->isVisible(), visible);
    if (visible) {
        // Only the numbers follow the regional separators; "c/1.5" too.
        QCOMPARE(el<QLabel>("lblUniCompra")->text(), regional(texto));
        QVERIFY(el<QLabel>("lblUniCompra")->wordWrap());
    }
}

void TestPresentacion::largePriceFollowsTheGridsCurrentRow()
{
    conectar();
    escanear(QStringLiteral("CCL600")); // order 0: Mayoreo 16.00, Distribuidor 17.25, Precio de lista 18.50
    auto* rejilla = el<QTableView>("dbPrecios");
    QCOMPARE(el<QLabel>("dbPrecio")->text(), moneda(16.0));

    QTest::mouseClick(rejilla->viewport(), Qt::LeftButton, {},
                      rejilla->visualRect(modelo("dbPrecios")->index(2, 1)).center());
    QCOMPARE(rejilla->currentIndex().row(), 2);
    QCOMPARE(el<QLabel>("dbPrecio")->text(), moneda(18.5));
    QTest::keyClick(rejilla, Qt::Key_Up);
    QCOMPARE(el<QLabel>("dbPrecio")->text(), moneda(17.25));
    // The unit-of-purchase box keeps what the lookup set.
    QCOMPARE(el<QLabel>("lblUniCompra")->text(), regional(QStringLiteral("CAJA c/24 PZA\n$384.00")));
    // Not reached by tabbing.
    QCOMPARE(rejilla->focusPolicy(), Qt::ClickFocus);
}

void TestPresentacion::displayFollowsTheSystemLocale()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    const QLocale sistema = QLocale::system();
    QCOMPARE(el<QLabel>("dbPrecio")->text(), sistema.toCurrencyString(16.0));
    const Filas precios = filas("dbPrecios");
    QCOMPARE(precios[0], (QStringList{QStringLiteral("Mayoreo"), sistema.toCurrencyString(16.0), QStringLiteral("0"),
                                      sistema.toCurrencyString(16.0)}));
    // A decimal percentage in the system's decimal separator.
    escanear(QStringLiteral("JALAPEÑO-GR"));
    QCOMPARE(columna("dbPrecios", 2),
             (QStringList{regional(QStringLiteral("12.5")), regional(QStringLiteral("12.5"))}));
    QCOMPARE(el<QLabel>("dbPrecio")->text(), sistema.toCurrencyString(50.75));
}

// ---- volume, combos, stock, keys -------------------------------------------------------

void TestPresentacion::volumeSteps_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<int>("politica");
    QTest::addColumn<Filas>("pasos");

    QTest::newRow("policy 0 is the first enabled (11); steps of quantity NULL, -1 and 0 dropped")
        << "TERMO-1L" << 0
        << Filas{{"3", "0", "$100.000000", "$300.000000"},
                 {"6", "5", "$95.000000", "$570.000000"},
                 {"12", "10", "$90.000000", "$1080.000000"}};
    QTest::newRow("policy 12") << "TERMO-1L" << 12 << Filas{{"2", "50", "$50.000000", "$100.000000"}};
    QTest::newRow("unit price rounded to 2 decimals")
        << "LAPIZ-HB" << 0 << Filas{{"3", "0", "$10.010000", "$30.030000"}};
    QTest::newRow("no steps") << "AGUA750" << 0 << Filas{};
}

void TestPresentacion::volumeSteps()
{
    QFETCH(QString, clave);
    QFETCH(int, politica);
    QFETCH(Filas, pasos);
    conectar();
    ajustes().PoliticaVolId = politica;
    escanear(clave);
    QCOMPARE(filas("dbVolumen"), pasos);
    QCOMPARE(el<QWidget>("dbVolumen")->isVisible(), !pasos.isEmpty());
}

void TestPresentacion::volumeStepsFromTheDiscountedPrice()
{
    conectar();
    sql(QStringLiteral("INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) "
                       "VALUES (11, 1006, 4, 10);"));
    // List 450: 58.00 less the walk-in customer's 12.5 % is 50.75; less 10 % is 45.675 -> 45.68.
    escanear(QStringLiteral("JALAPEÑO-GR"));
    QCOMPARE(filas("dbVolumen"), (Filas{{"4", "10", "$45.680000", "$182.720000"}}));
    // Another configured list: the steps follow the row that the lookup selected.
    ajustes().PrecioEmpresaId = 42; // 64.00 -> 56.00 -> 50.40
    escanear(QStringLiteral("JALAPEÑO-GR"));
    QCOMPARE(filas("dbVolumen"), (Filas{{"4", "10", "$50.400000", "$201.600000"}}));
}

void TestPresentacion::combos()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    Filas combos = filas("dbCombos");
    std::sort(combos.begin(), combos.end()); // in no particular order
    QCOMPARE(combos,
             (Filas{{"POR CAJA", "24", regional("15.5"), "372"}, {"POR CAJA", "48", regional("14.75"), "708"}}));

    // Lines of a disabled offer or of another kind of discount do not show; the grid does.
    escanear(QStringLiteral("AGUA750"));
    QCOMPARE(modelo("dbCombos")->rowCount(), 0);
    QVERIFY(el<QWidget>("dbCombos")->isVisible());
}

void TestPresentacion::stock_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<Filas>("existencias");

    QTest::newRow("every warehouse, in the procedure's order; one without a location row")
        << "CCL600"
        << Filas{{"Matriz", "120", "A-01-03"},
                 {"Bodega norte", regional("36.5"), "N-02"},
                 {"Almacén de tránsito", "0", ""}};
    QTest::newRow("a location row holding NULL")
        << "PINATA-EST" << Filas{{"Matriz", "70", "F-01"}, {"Almacén de tránsito", "35", ""}};
    QTest::newRow("a location without stock is not listed")
        << "AGUA750" << Filas{{"Matriz", "200", "B-02"}, {"Almacén de tránsito", "12", ""}};
    QTest::newRow("decimal stock") << "AZUCAR-1K" << Filas{{"Matriz", regional("2.375"), ""}};
    QTest::newRow("no stock anywhere") << "BOLSA-ECO" << Filas{};
}

void TestPresentacion::stock()
{
    QFETCH(QString, clave);
    QFETCH(Filas, existencias);
    conectar();
    escanear(clave);
    QCOMPARE(filas("dbExiste"), existencias);
    QVERIFY(el<QWidget>("dbExiste")->isVisible()); // shown whatever its row count
}

void TestPresentacion::keysOrderedByRole()
{
    conectar();
    escanear(QStringLiteral("PROV-88123"));
    // The role-less key first, then by role name: Clave principal, Código de barras, Proveedor.
    QCOMPARE(columna("dbListaClaves", 0), (QStringList{"coca600", "CCL600", "7501055300075", "PROV-88123"}));
    QCOMPARE(modelo("dbListaClaves")->columnCount(), 1); // the role name is not shown
    QVERIFY(el<QWidget>("dbListaClaves")->isVisible());

    escanear(QStringLiteral("TORN-14X2"));
    QCOMPARE(columna("dbListaClaves", 0), QStringList{"TORN-14X2"});
}

void TestPresentacion::statementTexts()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    const Tdm& dm = servicioDm();
    // The grids' statements run inside the lookup's one statement, each as it is, its parameters
    // become the block's variables (written ": name").
    const QString bloque = dm.fdConsulta.sql();
    const auto enBloque = [](QString sentencia) {
        return sentencia.replace(QRegularExpression(QStringLiteral(":(?=[A-Za-z_])")), QStringLiteral(": "));
    };
    QVERIFY(bloque.startsWith(QStringLiteral("execute block")));
    QVERIFY(bloque.contains(enBloque(
        QStringLiteral("SELECT CANTIDAD, DESCUENTO, '$' || PRECIO_UNIT AS PRE_UNIT, '$' || MONTO AS MONTO FROM "
                       "ZANTOR_LMV_POL_VOL(:N_AID,:N_POLITICA_ID,:N_PRECIO)"))));
    QVERIFY(bloque.contains(enBloque(QStringLiteral(
        "select a.nombre, e.existencia,n.localizacion from exival_alms_art (:n_Articulo_id,'Today','N') e "
        "left join almacenes a on a.almacen_id =e.almacen_id left join niveles_articulos n on "
        "n.articulo_id =e.articulo_id and n.almacen_id =e.almacen_id"))));
    QVERIFY(bloque.contains(enBloque(
        QStringList{"select r.nombre,c.clave_articulo as Clave  from claves_articulos c",
                    "left join roles_claves_articulos r", "on r.rol_clave_art_id =c.rol_clave_art_id ",
                    "where c.articulo_id =:n_articulo_id", "/*and c.rol_clave_art_id =18*/", "order by r.nombre "}
            .join(u'\n'))));
    const QString combos = bloque.mid(bloque.indexOf(QStringLiteral("'POR CAJA'"))).simplified().toLower();
    for (const char* parte :
         {"'por caja' as concepto", "from ofertas_mm_det d", "left join ofertas_mm o on o.oferta_mm_id",
          "left join articulos", "o.habilitada = 's'", "d.tipo_dscto = 'p'", ": n_articulo_id"})
        QVERIFY2(combos.contains(QString::fromLatin1(parte)), parte);
}

// ---- grids -----------------------------------------------------------------------------

void TestPresentacion::gridLook_data()
{
    QTest::addColumn<QString>("rejilla");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<int>("ancho");
    QTest::addColumn<int>("alineacion");       // horizontal alignment of the cells
    QTest::addColumn<int>("alineacionTitulo"); // and of the title
    QTest::addColumn<int>("pixeles");
    QTest::addColumn<bool>("negrita");
    QTest::addColumn<QColor>("color");

    const int izq = Qt::AlignLeft, der = Qt::AlignRight, centro = Qt::AlignHCenter;
    const auto fila = [&](const char* r, int c, const char* t, int w, int a, int at, int px = 12, bool b = false,
                          QColor color = QColor(255, 128, 0)) {
        QTest::addRow("%s %d", r, c) << QString::fromLatin1(r) << c << QString::fromUtf8(t) << w << a << at << px << b
                                     << color;
    };
    fila("dbPrecios", 0, "Lista de precio", 154, izq, centro);
    fila("dbPrecios", 1, "PRECIO", 88, der, centro);
    fila("dbPrecios", 2, "DSCTO", 56, der, centro);
    fila("dbPrecios", 3, "Precio Neto", 97, der, centro);
    fila("dbVolumen", 0, "Cantidad", 69, der, izq, 13);
    fila("dbVolumen", 1, "% Dscto", 62, der, izq, 13);
    fila("dbVolumen", 2, "P. Unitario", 78, izq, izq, 11, true, QGuiApplication::palette().color(QPalette::WindowText));
    fila("dbVolumen", 3, "Monto", 79, izq, izq, 11, true, QColor(255, 0, 0));
    fila("dbCombos", 0, "Concepto", 74, izq, izq);
    fila("dbCombos", 1, "Unidades", 69, der, izq);
    fila("dbCombos", 2, "Precio PZ", 102, der, izq);
    fila("dbCombos", 3, "Importe", 91, der, izq);
    fila("dbExiste", 0, "Almacén", 146, izq, izq);
    fila("dbExiste", 1, "Existen", 86, centro, centro);
    fila("dbExiste", 2, "Localización", 115, centro, centro);
    fila("dbListaClaves", 0, "CLAVE", 222, izq, centro);
}

void TestPresentacion::gridLook()
{
    QFETCH(QString, rejilla);
    QFETCH(int, col);
    QFETCH(QString, titulo);
    QFETCH(int, ancho);
    QFETCH(int, alineacion);
    QFETCH(int, alineacionTitulo);
    QFETCH(int, pixeles);
    QFETCH(bool, negrita);
    QFETCH(QColor, color);
    conectar();
    escanear(QStringLiteral("CCL600")); // rows in every grid
    const QByteArray nombre = rejilla.toLatin1();
    auto* t = el<QTableView>(nombre.constData());
    ModeloConsulta* m = modelo(nombre.constData());
    QVERIFY(m->rowCount() > 0);

    QCOMPARE(m->headerData(col, Qt::Horizontal).toString(), titulo);
    // The designed width, or wider where the font needs it for the column's widest value.
    QVERIFY2(t->columnWidth(col) >= ancho, qPrintable(QString::number(t->columnWidth(col))));
    const QModelIndex celda = m->index(0, col);
    QCOMPARE(celda.data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, alineacion);
    QCOMPARE(m->headerData(col, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
             alineacionTitulo);
    const QFont fuente = celda.data(Qt::FontRole).value<QFont>();
    QCOMPARE(fuente.family(), QStringLiteral("Tahoma"));
    QCOMPARE(fuente.pixelSize(), pixeles);
    QCOMPARE(fuente.bold(), negrita);
    QCOMPARE(celda.data(Qt::ForegroundRole).value<QBrush>().color(), color);

    // The grid as a whole: body font, background, bold titles in blue on silver.
    const bool claves = rejilla == QStringLiteral("dbListaClaves");
    const bool volumen = rejilla == QStringLiteral("dbVolumen");
    QCOMPARE(t->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(t->font().pixelSize(), volumen ? 13 : 12);
    QCOMPARE(t->palette().color(QPalette::Base), claves ? QColor(62, 75, 123) : QColor(Qt::white));
    QCOMPARE(t->palette().color(QPalette::Text), QColor(255, 128, 0));
    const QFont fuenteTitulo = m->headerData(col, Qt::Horizontal, Qt::FontRole).value<QFont>();
    QCOMPARE(fuenteTitulo.family(), QStringLiteral("Tahoma"));
    QCOMPARE(fuenteTitulo.pixelSize(), claves || volumen ? 13 : 12);
    QVERIFY(fuenteTitulo.bold());
    QCOMPARE(t->horizontalHeader()->font().pixelSize(), fuenteTitulo.pixelSize());
    QVERIFY(t->horizontalHeader()->font().bold());
    QCOMPARE(m->headerData(col, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(), QColor(9, 121, 213));
    QCOMPARE(m->headerData(col, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 192, 192));
    QVERIFY(t->horizontalHeader()->styleSheet().contains(QStringLiteral("#c0c0c0")));
}

// An article at the top of the range the grids are sized for, with more rows than each grid shows,
// under the installed settings (name and price "Bold"): every cell's text fits its column, every
// column lies beside the vertical scroll bar, and the price and name are whole and drawn bold.
void TestPresentacion::widestValuesShowWhole()
{
    conectar();
    const QString nombre = QStringLiteral("Juego de sala modular esquinero de tres piezas en tela antimanchas "
                                          "color gris oxford con cojines");
    QString s = QStringLiteral("INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA, "
                               "UNIDAD_COMPRA, CONTENIDO_UNIDAD_COMPRA) VALUES (9001, '%1', 1, 'PZA', 'PZA', 1);"
                               "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID, "
                               "ROL_CLAVE_ART_ID) VALUES (99001, 'ANCHO', 9001, 18);"
                               "INSERT INTO STANDIN_PRECIOS VALUES (9001, 450, 99999.99);"
                               "INSERT INTO STANDIN_PRECIOS VALUES (9001, 42, 999999.99);"
                               "INSERT INTO STANDIN_PRECIOS VALUES (9001, 451, 999999.99);")
                    .arg(nombre);
    for (int a = 0; a < 7; ++a) {
        if (a >= 3)
            s += QStringLiteral("INSERT INTO ALMACENES (ALMACEN_ID, NOMBRE) VALUES (%1, 'Bodega %1');").arg(40 + a);
        s += QStringLiteral("INSERT INTO STANDIN_EXISTENCIAS VALUES (9001, %1, -99999.99999);")
                 .arg(a < 3 ? 19 + a : 40 + a);
    }
    for (int q = 1; q <= 9; ++q)
        s += QStringLiteral("INSERT INTO STANDIN_POL_VOL_DET VALUES (11, 9001, %1, 0);").arg(q);
    for (int o = 0; o < 6; ++o)
        s += QStringLiteral("INSERT INTO OFERTAS_MM_DET VALUES (%1, 1, 9001, %2, %3, 'P');")
                 .arg(900 + o)
                 .arg(o == 0 ? QStringLiteral("1") : QStringLiteral("99999"))
                 .arg(o == 0 ? QStringLiteral("999999.999999") : QStringLiteral("9.999999"));
    sql(s);
    app().frmConsulta.CargarInfo(); // the installed font rows
    ajustes().MostrarBuscador = false;
    escanear(QStringLiteral("ANCHO"));

    for (const char* rejilla : {"dbPrecios", "dbVolumen", "dbCombos", "dbExiste"}) {
        auto* t = el<QTableView>(rejilla);
        QVERIFY2(t->isVisible(), rejilla);
        // Three price lists fit without scrolling; the other grids scroll.
        QVERIFY2(t->verticalScrollBar()->isVisible() || QByteArray(rejilla) == "dbPrecios", rejilla);
        const int margen = t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1;
        const int ultima = t->model()->columnCount() - 1;
        QVERIFY2(t->columnViewportPosition(ultima) + t->columnWidth(ultima) <= t->viewport()->width(), rejilla);
        for (int r = 0; r < t->model()->rowCount(); ++r)
            for (int c = 0; c <= ultima; ++c) {
                const QModelIndex i = t->model()->index(r, c);
                const QString texto = i.data().toString();
                const QFontMetrics m(i.data(Qt::FontRole).value<QFont>());
                QVERIFY2(ajuste::anchoLinea(m, texto) + 2 * margen <= t->columnWidth(c),
                         qPrintable(QStringLiteral("%1 [%2] in %3")
                                        .arg(QString::fromLatin1(rejilla), texto)
                                        .arg(t->columnWidth(c))));
            }
    }

    auto* precio = static_cast<EtiquetaAjustada*>(el<QLabel>("dbPrecio"));
    QCOMPARE(precio->lineasDibujadas(), QStringList{precio->text()});
    QVERIFY(ajuste::anchoLinea(QFontMetrics(precio->fuenteDibujada()), precio->text()) <= precio->width());
    auto* articulo = static_cast<EtiquetaAjustada*>(el<QLabel>("lblNombreArticulo"));
    QCOMPARE(articulo->lineasDibujadas().join(u' '), nombre);

    // "Bold" reaches the screen: the label drawn as configured is darker than drawn regular.
    const auto tinta = [](QLabel* l) {
        const QImage im = l->grab().toImage();
        const QColor fondo = im.pixelColor(0, 0);
        qint64 n = 0;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                n += im.pixelColor(x, y) != fondo ? 1 : 0;
        return n;
    };
    for (QLabel* l : {static_cast<QLabel*>(precio), static_cast<QLabel*>(articulo)}) {
        QVERIFY(l->font().bold());
        const qint64 negrita = tinta(l);
        QFont regular = l->font();
        regular.setBold(false);
        l->setFont(regular);
        const qint64 normal = tinta(l);
        QVERIFY2(negrita * 10 > normal * 11, qPrintable(QStringLiteral("%1 vs %2").arg(negrita).arg(normal)));
    }
}

void TestPresentacion::gridsAreReadOnlyWithoutLinesOrIndicator()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    for (const char* nombre : {"dbPrecios", "dbVolumen", "dbCombos", "dbExiste", "dbListaClaves"}) {
        auto* t = el<QTableView>(nombre);
        QVERIFY2(t->verticalHeader()->isHidden(), nombre);
        QVERIFY2(!t->horizontalHeader()->isHidden(), nombre);
        QVERIFY2(!t->showGrid(), nombre);
        QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY2(!(t->model()->flags(t->model()->index(0, 0)) & Qt::ItemIsEditable), nombre);
        // Double click and typing do not open an editor.
        QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(t->model()->index(0, 0)).center());
        QTest::keyClicks(t, QStringLiteral("x"));
        QTest::keyClick(t, Qt::Key_F2);
        QVERIFY2(!t->viewport()->findChild<QLineEdit*>(), nombre); // editors are children of the viewport
    }
}

void TestPresentacion::switches_data()
{
    QTest::addColumn<QString>("interruptor");
    QTest::addColumn<bool>("encendido");
    QTest::addColumn<QString>("rejilla");

    const struct {
        const char* interruptor;
        const char* rejilla;
    } pares[] = {{"MostrarLstPrecios", "dbPrecios"},
                 {"MostrarPolVol", "dbVolumen"},
                 {"MostrarExistencia", "dbExiste"},
                 {"DsctosCombo", "dbCombos"},
                 {"MostrarClave", "dbListaClaves"}};
    for (const auto& p : pares) {
        for (bool on : {true, false})
            QTest::addRow("%s %s", p.interruptor, on ? "on" : "off")
                << QString::fromLatin1(p.interruptor) << on << QString::fromLatin1(p.rejilla);
    }
}

void TestPresentacion::switches()
{
    QFETCH(QString, interruptor);
    QFETCH(bool, encendido);
    QFETCH(QString, rejilla);
    conectar();
    AjustesConsulta& a = ajustes();
    bool* interruptores[] = {&a.MostrarLstPrecios, &a.MostrarPolVol, &a.MostrarExistencia, &a.DsctosCombo,
                             &a.MostrarClave};
    const char* nombres[] = {"MostrarLstPrecios", "MostrarPolVol", "MostrarExistencia", "DsctosCombo", "MostrarClave"};
    const char* rejillas[] = {"dbPrecios", "dbVolumen", "dbExiste", "dbCombos", "dbListaClaves"};
    for (int i = 0; i < 5; ++i) {
        if (interruptor == QLatin1String(nombres[i]))
            *interruptores[i] = encendido;
    }
    escanear(QStringLiteral("CCL600")); // rows in every grid
    for (const char* r : rejillas) {
        const bool esperado = rejilla == QLatin1String(r) ? encendido : true;
        QVERIFY2(el<QWidget>(r)->isVisible() == esperado, r);
    }
    // The settings change nothing outside the grids.
    for (const char* siempre :
         {"lblNombreArticulo", "lblLinea", "dbPrecio", "edUltimaCompra", "lblTexto", "lblUniCompra"})
        QVERIFY2(el<QWidget>(siempre)->isVisible(), siempre);

    // Cleared again, every grid is hidden.
    app().frmConsulta.Limpiar();
    for (const char* r : rejillas)
        QVERIFY2(!el<QWidget>(r)->isVisible(), r);
}

void TestPresentacion::resultsSurviveTheCommit()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    ModeloConsulta* precios = modelo("dbPrecios");
    QCOMPARE(precios->rowCount(), 3);
    // The lookup's statement is closed and its read-only transaction kept; the clearing commits
    // nothing of it, and the copied rows stay readable.
    app().frmConsulta.Limpiar();
    QVERIFY(!servicioDm().fdConsulta.isOpen());
    QVERIFY(servicioDm().fdLectura.isActive());
    QVERIFY(!servicioDm().fdTrans.isActive());
    QVERIFY(!precios->canFetchMore({}));
    QCOMPARE(precios->index(0, 0).data().toString(), QStringLiteral("Mayoreo"));
    // The next lookup reloads over the closed results.
    escanear(QStringLiteral("PINATA-EST"));
    QCOMPARE(columna("dbPrecios", 0), (QStringList{"Mayoreo", "Precio de lista"}));
    QCOMPARE(el<QLabel>("dbPrecio")->text(), formato::moneda(fb::Decimal{35728900, 6}));
    // A lookup while one is on display reloads too.
    escanear(QStringLiteral("CCL600"));
    QCOMPARE(precios->rowCount(), 3);
}

void TestPresentacion::failingProcedureSkipsTheRest()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    // Opening the company database again releases the prepared statements, so the
    // procedure can be dropped; the grids keep their copied rows meanwhile.
    app().frmConsulta.Conexion();
    QCOMPARE(modelo("dbListaClaves")->rowCount(), 4);
    sql(QStringLiteral("DROP PROCEDURE ZANTOR_LMV_POL_VOL;"));
    auto* ed = el<QLineEdit>("edClave");
    ed->setText(QStringLiteral("PINATA-EST"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    // Said on the display, the procedure's name in the operator's tool tip; no box.
    QVERIFY(notificador().messages.empty());
    QVERIFY(el<QWidget>("lblCodigoNoValido")->isVisible());
    const QString detalle = app().frmConsulta.statusBar()->toolTip();
    QVERIFY2(detalle.contains(QStringLiteral("ZANTOR_LMV_POL_VOL")), qPrintable(detalle));
    // The answer is read whole before anything is shown: the rest of the lookup is skipped and
    // nothing of it reaches the display, whose grids still hold the earlier article's rows, hidden.
    for (const char* oculto : {"lblNombreArticulo", "dbPrecio", "dbPrecios", "dbVolumen", "dbListaClaves"})
        QVERIFY2(el<QWidget>(oculto)->isHidden(), oculto);
    QCOMPARE(columna("dbListaClaves", 0).size(), 4);
    QVERIFY(!servicioDm().fdConsulta.isOpen());
}

// ---- clearing and inactivity -----------------------------------------------------------

void TestPresentacion::timerClearsOnTickNPlusOne_data()
{
    QTest::addColumn<int>("segundos");
    QTest::newRow("10") << 10;
    QTest::newRow("1") << 1;
    QTest::newRow("0 clears on the first tick") << 0;
    QTest::newRow("negative clears on the first tick") << -3;
}

void TestPresentacion::timerClearsOnTickNPlusOne()
{
    QFETCH(int, segundos);
    conectar();
    ajustes().SegundosEspera = segundos;
    auto* reloj = el<QTimer>("TiempoInactivo");
    QVERIFY(!reloj->isActive());
    escanear(QStringLiteral("CCL600"));
    QVERIFY(reloj->isActive());
    QCOMPARE(reloj->interval(), 1000);
    for (int i = 1; i <= std::max(segundos, 0); ++i) {
        tick();
        QCOMPARE(app().frmConsulta.segundosInactivo(), i);
        QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    }
    tick();
    QCOMPARE(app().frmConsulta.articuloId(), 0);
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
    QVERIFY(!reloj->isActive());
    QCOMPARE(app().frmConsulta.segundosInactivo(), 0);
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
}

void TestPresentacion::lookupWhileShownRestartsOnlyTheCount()
{
    conectar();
    auto* reloj = el<QTimer>("TiempoInactivo");
    escanear(QStringLiteral("CCL600"));
    for (int i = 0; i < 7; ++i)
        tick();
    QCOMPARE(app().frmConsulta.segundosInactivo(), 7);
    escanear(QStringLiteral("CCL355"));
    QCOMPARE(app().frmConsulta.segundosInactivo(), 0);
    QVERIFY(reloj->isActive());
    for (int i = 0; i < 10; ++i)
        tick();
    QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    tick();
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());

    // A key that is not found hides the display and stops the timer (without the catalogue search).
    escanear(QStringLiteral("CCL600"));
    QVERIFY(reloj->isActive());
    auto* ed = el<QLineEdit>("edClave");
    ed->setText(QStringLiteral("NO-EXISTE"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QVERIFY(!reloj->isActive());
    QCOMPARE(app().frmConsulta.segundosInactivo(), 0);
}

void TestPresentacion::scansEveryFewSecondsKeepTheDisplay()
{
    conectar(); // 10 seconds
    for (int scan = 0; scan < 6; ++scan) {
        escanear(scan % 2 ? QStringLiteral("CCL355") : QStringLiteral("CCL600"));
        for (int i = 0; i < 5; ++i)
            tick();
        QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    }
    for (int i = 0; i < 5; ++i)
        tick();
    QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
    tick();
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
}

void TestPresentacion::typingDoesNotPostponeTheClearing()
{
    conectar();
    ajustes().SegundosEspera = 4;
    escanear(QStringLiteral("CCL600"));
    auto* ed = el<QLineEdit>("edClave");
    for (int i = 0; i < 4; ++i) {
        tick();
        QTest::keyClicks(ed, QStringLiteral("7"));
    }
    QCOMPARE(app().frmConsulta.segundosInactivo(), 4);
    tick();
    QCOMPARE(ed->text(), QString()); // the half-typed key is wiped
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
}

void TestPresentacion::designModeStopsTheTimer()
{
    conectar();
    escanear(QStringLiteral("CCL600"));
    auto* reloj = el<QTimer>("TiempoInactivo");
    QVERIFY(reloj->isActive());
    el<QAction>("Disear1")->trigger();
    QVERIFY(!reloj->isActive());
    el<QAction>("Disear1")->trigger();
    QVERIFY(!reloj->isActive());
}

void TestPresentacion::failedClearingStillClearsTheDisplay()
{
    conectar();
    ajustes().SegundosEspera = 2;
    escanear(QStringLiteral("CCL600"));
    // The lookup keeps only its read-only transaction; a read-write one (as a settings reload
    // leaves) is what the clearing commits.
    app().frmConsulta.servicio().ejecutar([](Tdm& dm, const ServicioConsulta::Latido&) { dm.asegurarTransaccion(); },
                                          [](std::exception_ptr) {});
    QVERIFY(servicioDm().fdTrans.isActive());

    // The lookup service's connection is cut from outside, so the clearing's commit fails.
    {
        fb::Connection verdugo;
        verdugo.setParams(testsupport::embeddedParams(ruta()));
        verdugo.open();
        fb::Transaction t(verdugo);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0"
                                " AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$ATTACHMENT_ID <> :propia"));
        q.setParam(QStringLiteral("propia"), idConexion(app().dm.fdConexion));
        q.execute();
        t.commit();
    }

    auto* reloj = el<QTimer>("TiempoInactivo");
    tick();
    tick();
    QCOMPARE(app().frmConsulta.segundosInactivo(), 2);
    tick();
    // Clearing the display needs no server: it clears all the same, and the failure goes to the
    // log, never to a box (on an unattended station that would pile up one box per round).
    QCOMPARE(app().frmConsulta.articuloId(), 0);
    QCOMPARE(el<QLineEdit>("edClave")->text(), QString());
    QVERIFY(el<QWidget>("lblNombreArticulo")->isHidden());
    QVERIFY(!reloj->isActive());
    QCOMPARE(app().frmConsulta.segundosInactivo(), 0);
    QVERIFY(!servicioDm().fdTrans.isActive());
    QVERIFY(notificador().messages.empty());
    app().frmConsulta.Limpiar();
    QVERIFY(!servicioDm().fdTrans.isActive());
    QVERIFY(notificador().messages.empty());
    // The next scan reconnects on its own.
    escanear(QStringLiteral("CCL355"));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("Coca Cola Light 355 ml"));
}

int TestPresentacion::idConexion(fb::Connection& c)
{
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("SELECT CURRENT_CONNECTION FROM RDB$DATABASE"));
    q.execute();
    const int id = q.value(0).toInt();
    t.commit();
    return id;
}

void TestPresentacion::clearingPathsLeaveTheSameState_data()
{
    QTest::addColumn<QString>("via");
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("button") << "button";
    QTest::newRow("menu item") << "menu";
    QTest::newRow("menu shortcut") << "shortcut";
    QTest::newRow("timer") << "timer";
}

void TestPresentacion::clearingPathsLeaveTheSameState()
{
    QFETCH(QString, via);
    conectar();
    const QString limpio = estado(); // the state that the start-up's clearing leaves
    QVERIFY(limpio.contains(QStringLiteral("foco en edClave=1")));

    escanear(QStringLiteral("CCL600"));
    QVERIFY(estado() != limpio);
    auto* ed = el<QLineEdit>("edClave");
    if (via == QLatin1String("Escape")) {
        QTest::keyClick(ed, Qt::Key_Escape);
    } else if (via == QLatin1String("button")) {
        QTest::mouseClick(el<QPushButton>("pbsLimpiar"), Qt::LeftButton);
    } else if (via == QLatin1String("menu")) {
        el<QLineEdit>("edUltimaCompra")->setFocus();
        el<QAction>("smLimpiar")->trigger();
    } else if (via == QLatin1String("shortcut")) {
        QTest::keyClick(ed, Qt::Key_L, Qt::ControlModifier);
    } else {
        ajustes().SegundosEspera = 0;
        el<QLineEdit>("edUltimaCompra")->setFocus();
        tick();
    }
    QVERIFY(notificador().messages.empty());
    const QString despues = estado();
    // The hidden name keeps the article's; everything else is as after the start-up.
    QCOMPARE(despues.section(u'\n', 0, -2), limpio.section(u'\n', 0, -2));
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
}

void TestPresentacion::smLimpiarShortcut()
{
    auto* item = el<QAction>("smLimpiar");
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QCOMPARE(item->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+L"));
    // Not one of the keys that other commands use.
    QVERIFY(item->shortcut() != QKeySequence(Qt::Key_F4));
}

// The reload during operation reads on the service's attachment (the window's data module is
// closed here) and reaches the record and the display's fonts when it arrives, not before.
void TestPresentacion::settingsReloadDoesNotWait()
{
    conectar();
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 45 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 31 WHERE CONFIGURACION = 'FONT_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 52 WHERE CONFIGURACION = 'FONT_PRE_ART';"));
    app().dm.desconectar();
    auto* nombre = el<QLabel>("lblNombreArticulo");
    auto* precio = el<QLabel>("dbPrecio");
    const QFont antes = nombre->font();
    app().frmConsulta.recargarAjustes();
    QCOMPARE(ajustes().SegundosEspera, 10);
    QCOMPARE(nombre->font(), antes);
    QTRY_COMPARE(ajustes().SegundosEspera, 45);
    QCOMPARE(nombre->font().pointSize(), 31);
    QCOMPARE(precio->font().pointSize(), 52);
    QVERIFY(!app().dm.fdConexion.isOpen());
    QVERIFY(notificador().messages.empty());
}

LUMIVO_TEST_MAIN(TestPresentacion)
#include "tst_presentacion.moc"
