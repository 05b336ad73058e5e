#include "data/uDM.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/DisenoPantalla.h"
#include "layout/Fuentes.h"
#include "platform/MessageBox.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/LimiteDeArchivos.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// An attribute of the local settings file, read without going through the store (whose reads write
// their defaults).
std::optional<QString> guardado(const QString& archivo, const QString& clave)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDomDocument doc;
    if (!doc.setContent(&f))
        return std::nullopt;
    const QDomElement ventana = doc.documentElement().firstChildElement(QStringLiteral("Ventana"));
    if (ventana.isNull() || !ventana.hasAttribute(clave))
        return std::nullopt;
    return ventana.attribute(clave);
}

QPoint posicionGuardada(const QString& archivo, const QString& prefijo)
{
    const std::optional<QString> x = guardado(archivo, prefijo + QStringLiteral("_X"));
    const std::optional<QString> y = guardado(archivo, prefijo + QStringLiteral("_Y"));
    if (!x || !y)
        return {-9999, -9999};
    return {x->toInt(), y->toInt()};
}

// Every settings row as "KEY|int|str|chr", in key order.
QStringList filasConfig(fb::Connection& c)
{
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("select configuracion, valor_int, valor_str, valor_chr from ZANTOR_LMV_CONFIG "
                            "order by configuracion"));
    q.open();
    QStringList filas;
    auto texto = [](const fb::Value& v) { return v.isNull() ? QStringLiteral("NULL") : v.toString(); };
    while (q.next())
        filas << QStringList{texto(q.value(0)), texto(q.value(1)), texto(q.value(2)), texto(q.value(3))}.join(u'|');
    t.commit();
    return filas;
}

QFont enPixeles(int pixeles, bool negrita)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

// The main window's built-in fonts of the article name and the net price.
FuenteConColor nombreIntegrado()
{
    return {enPixeles(60, true), QColor(9, 121, 213)};
}
FuenteConColor precioIntegrado()
{
    return {enPixeles(107, true), QColor(255, 128, 0)};
}

// A window with the nine draggable elements at their built-in places, as the price display has
// them: direct children of the client area, the grids with rows.
struct Pantalla {
    QMainWindow ventana;
    QWidget* cliente = nullptr;
    QStandardItemModel modelo{4, 2};
    std::vector<ElementoArrastrable> arrastrables;

    Pantalla()
    {
        ventana.setObjectName(QStringLiteral("frmConsulta"));
        cliente = new QWidget(&ventana);
        cliente->setObjectName(QStringLiteral("cliente"));
        ventana.setCentralWidget(cliente);
        auto etiqueta = [this](const char* nombre, QRect g) {
            auto* l = new QLabel(QString::fromLatin1(nombre), cliente);
            l->setObjectName(QString::fromLatin1(nombre));
            l->setGeometry(g);
            return l;
        };
        auto rejilla = [this](const char* nombre, QRect g) {
            auto* t = new QTableView(cliente);
            t->setObjectName(QString::fromLatin1(nombre));
            t->setModel(&modelo);
            t->setGeometry(g);
            return t;
        };
        arrastrables = {
            {etiqueta("lblNombreArticulo", {216, 139, 778, 135}), QStringLiteral("NombreArticulo")},
            {etiqueta("dbPrecio", {392, 316, 469, 129}), QStringLiteral("Precios")},
            {rejilla("dbExiste", {215, 566, 362, 101}), QStringLiteral("Existencia")},
            {rejilla("dbPrecios", {583, 459, 440, 101}), QStringLiteral("ListaPrecios")},
            {rejilla("dbVolumen", {583, 566, 331, 101}), QStringLiteral("ListaVolumen")},
            {rejilla("dbListaClaves", {216, 8, 258, 105}), QStringLiteral("Claves")},
            {rejilla("dbCombos", {215, 459, 362, 101}), QStringLiteral("Combo")},
            {etiqueta("Imagen", {583, 8, 426, 113}), QStringLiteral("Imagen")},
            {etiqueta("lblEtiqueta", {216, 280, 560, 34}), QStringLiteral("Etiqueta")},
        };
        ventana.setFixedSize(1012, 668);
    }

    QWidget* el(const QString& nombre) const { return cliente->findChild<QWidget*>(nombre); }

    bool mostrar()
    {
        ventana.show();
        return QTest::qWaitForWindowExposed(&ventana);
    }

    // Mouse events through the window system, so Qt picks the receiver under the pointer (a grid's
    // viewport) and keeps the pressed widget as the receiver of the movements.
    QPoint enVentana(QWidget* w, QPoint p) const { return w->mapTo(&ventana, p); }
    void pulsar(QWidget* w, QPoint p, Qt::MouseButton b)
    {
        QTest::mousePress(ventana.windowHandle(), b, {}, enVentana(w, p));
    }
    void mover(QPoint enLaVentana) { QTest::mouseMove(ventana.windowHandle(), enLaVentana); }
    void soltar(QPoint enLaVentana, Qt::MouseButton b)
    {
        QTest::mouseRelease(ventana.windowHandle(), b, {}, enLaVentana);
    }
};

struct Arranque {
    bool restaurada = false;
    QPoint claves;
    QPoint combos;
    QPoint nombre;
    QSize integrado; // the window's outer size before the stored layout
    QSize exterior;  // and after it
};

} // namespace

class TestDiseno : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Lumivo")); }
    void init();
    void cleanup();

    void reestableceFuentesEnBaseNueva();
    void reestableceFuentesEscribeLasFuentes();
    void reestableceFuentesQueFallaNoDejaNadaAMedias();

    void arrastrar_data();
    void arrastrar();
    void widgetAgregadoDespuesTambienArrastra();
    void arrastreConArchivoIlegible();
    void arrastreConDiscoLleno();
    void listaDeElementosIncompleta();

    void primerYSegundoArranque();
    void cicloRestaurar();
    void cambioDeModoDiseno();
    void dentroDelAreaDisponible_data();
    void dentroDelAreaDisponible();

private:
    QString archivo() const { return m_dir->filePath(QStringLiteral("config.xml")); }
    void abrirEmpresa();
    // One start of the station as far as the layout goes: steps 8 and 12 of the start-up, with the
    // window built from scratch as at every start.
    Arranque arrancar();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    std::unique_ptr<Tdm> m_dm;
    bool m_modoDiseno = false;
};

void TestDiseno::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
    m_dm = std::make_unique<Tdm>(archivo());
    m_modoDiseno = false;
}

void TestDiseno::cleanup()
{
    m_dm.reset();
    m_avisos.reset();
    m_dir.reset();
}

void TestDiseno::abrirEmpresa()
{
    m_dm->fdConexion.setParams(testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path())));
    m_dm->fdConexion.open();
}

// ---- font reset -------------------------------------------------------------------------------

void TestDiseno::reestableceFuentesEnBaseNueva()
{
    abrirEmpresa();
    const QStringList antes = filasConfig(m_dm->fdConexion);
    QCOMPARE(antes.size(), 17);

    ReestrableceFuentes(*m_dm, nombreIntegrado(), precioIntegrado());

    // The built-in fonts at 96 pixels per inch are the installed values: nothing changes.
    QCOMPARE(filasConfig(m_dm->fdConexion), antes);
    QVERIFY(!m_dm->fdTrans.isActive());
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("false"));
}

void TestDiseno::reestableceFuentesEscribeLasFuentes()
{
    abrirEmpresa();
    testsupport::runSql(m_dm->fdConexion.params(),
                        QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = 'ESTILO_PRE_ART';"));
    QFont nombre(QStringLiteral("DejaVu Sans"));
    nombre.setPointSize(30);
    nombre.setItalic(true);
    nombre.setUnderline(true);
    const QFont precio = enPixeles(40, false);

    // Started by the reset itself when the shared transaction is not active.
    QVERIFY(!m_dm->fdTrans.isActive());
    ReestrableceFuentes(*m_dm, {nombre, QColor(255, 0, 0)}, {precio, QColor(1, 2, 3)});

    const QStringList filas = filasConfig(m_dm->fdConexion);
    QVERIFY(filas.contains(QStringLiteral("FONT_NOM_ART|30|DejaVu Sans|NULL")));
    QVERIFY(filas.contains(QStringLiteral("COLOR_NOM_ART|NULL|clRed|NULL")));
    QVERIFY(filas.contains(QStringLiteral("ESTILO_NOM_ART|NULL|ItalicUnderLine|NULL")));
    QVERIFY(filas.contains(QStringLiteral("FONT_PRE_ART|30|Tahoma|NULL")));
    QVERIFY(filas.contains(QStringLiteral("COLOR_PRE_ART|NULL|$00030201|NULL")));
    // A missing row is not created.
    QVERIFY(!filas.join(u'\n').contains(QStringLiteral("ESTILO_PRE_ART")));
    QCOMPARE(filas.size(), 16);
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("false"));
}

void TestDiseno::reestableceFuentesQueFallaNoDejaNadaAMedias()
{
    abrirEmpresa();
    const QStringList antes = filasConfig(m_dm->fdConexion);
    m_dm->ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), true);
    QFont largo = precioIntegrado().fuente;
    largo.setFamily(QStringLiteral("Una fuente de nombre demasiado largo"));
    FuenteConColor nombre = nombreIntegrado();
    nombre.fuente.setFamily(QStringLiteral("DejaVu Sans"));

    // The name's rows are updated before the price's face is refused by the database.
    QVERIFY_THROWS_EXCEPTION(fb::Error, ReestrableceFuentes(*m_dm, nombre, {largo, QColor(255, 128, 0)}));

    // What a later lookup does with the shared transaction must not commit half a reset.
    m_dm->reiniciarTransaccion();
    m_dm->confirmarTransaccion();
    QCOMPARE(filasConfig(m_dm->fdConexion), antes);
    // The flag stays set, so the next start tries again.
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("true"));
}

// ---- drag -------------------------------------------------------------------------------------

void TestDiseno::arrastrar_data()
{
    QTest::addColumn<QString>("elemento");
    QTest::addColumn<QString>("prefijo");
    QTest::addColumn<Qt::MouseButton>("boton");
    QTest::addColumn<bool>("enElVisor");
    QTest::addColumn<bool>("diseno");
    QTest::addColumn<QPoint>("desplazamiento");

    QTest::newRow("nombre, botón izquierdo") << "lblNombreArticulo"
                                             << "NombreArticulo" << Qt::LeftButton << false << true << QPoint(40, 26);
    QTest::newRow("precio, botón derecho") << "dbPrecio"
                                           << "Precios" << Qt::RightButton << false << true << QPoint(-60, 12);
    QTest::newRow("lista de claves por su visor") << "dbListaClaves"
                                                  << "Claves" << Qt::LeftButton << true << true << QPoint(84, 12);
    QTest::newRow("combos por su visor, botón derecho")
        << "dbCombos"
        << "Combo" << Qt::RightButton << true << true << QPoint(30, -50);
    QTest::newRow("imagen a una izquierda negativa") << "Imagen"
                                                     << "Imagen" << Qt::LeftButton << false << true << QPoint(-700, 4);
    QTest::newRow("existencias fuera de diseño") << "dbExiste"
                                                 << "Existencia" << Qt::LeftButton << true << false << QPoint(30, 30);
    QTest::newRow("nombre fuera de diseño, botón derecho")
        << "lblNombreArticulo"
        << "NombreArticulo" << Qt::RightButton << false << false << QPoint(50, 5);
}

void TestDiseno::arrastrar()
{
    QFETCH(QString, elemento);
    QFETCH(QString, prefijo);
    QFETCH(Qt::MouseButton, boton);
    QFETCH(bool, enElVisor);
    QFETCH(bool, diseno);
    QFETCH(QPoint, desplazamiento);

    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [this] { return m_modoDiseno; });
    QVERIFY(p.mostrar());
    m_modoDiseno = diseno;

    QWidget* w = p.el(elemento);
    const QPoint inicio = w->pos();
    QWidget* pulsado = enElVisor ? static_cast<QTableView*>(w)->viewport() : w;
    const QPoint agarre(20, 15); // in the pressed widget
    const QPoint desde = p.enVentana(pulsado, agarre);

    p.pulsar(pulsado, agarre, boton);
    // The button down starts a drag in or out of design mode; the grab point is in the element's own
    // coordinates even when a grid's viewport got the press.
    QVERIFY(d.arrastrando());
    QCOMPARE(d.puntoDeAgarre(), pulsado->mapTo(w, agarre));

    p.mover(desde + desplazamiento / 2);
    // Each movement is in the file before the next one: the drag's saves skip only the wait for the
    // disk, which its end makes up for.
    if (diseno)
        QCOMPARE(posicionGuardada(archivo(), prefijo), inicio + desplazamiento / 2);
    QCOMPARE(m_dm->config().sinSincronizar(), diseno);
    p.mover(desde + desplazamiento);
    p.soltar(desde + desplazamiento, boton);
    QVERIFY(!d.arrastrando());
    QVERIFY(!m_dm->config().sinSincronizar());

    if (diseno) {
        // The grab point stayed under the pointer through both movements.
        QCOMPARE(w->pos(), inicio + desplazamiento);
        QCOMPARE(posicionGuardada(archivo(), prefijo), inicio + desplazamiento);
    } else {
        QCOMPARE(w->pos(), inicio);
        QVERIFY(!guardado(archivo(), prefijo + QStringLiteral("_X")));
        QVERIFY(!guardado(archivo(), prefijo + QStringLiteral("_Y")));
    }
    // A grid being dragged does not take the clicks as row selections; outside design mode it does.
    if (auto* rejilla = qobject_cast<QTableView*>(w))
        QCOMPARE(rejilla->selectionModel()->hasSelection(), !diseno);
    // No other element moved.
    for (const ElementoArrastrable& e : p.arrastrables) {
        if (e.elemento != w)
            QVERIFY(!guardado(archivo(), e.prefijo + QStringLiteral("_X")));
    }
    QVERIFY(m_avisos->messages.empty());
}

void TestDiseno::widgetAgregadoDespuesTambienArrastra()
{
    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [] { return true; });
    QWidget* precio = p.el(QStringLiteral("dbPrecio"));
    auto* marco = new QWidget(precio);
    marco->setGeometry(100, 40, 200, 60);
    // A widget that takes the mouse itself, so the events do not bubble up to the element.
    auto* dentro = new QLineEdit(QStringLiteral("$ 12.50"), marco);
    dentro->setGeometry(10, 10, 120, 30);
    QVERIFY(p.mostrar());

    const QPoint desde = p.enVentana(dentro, {4, 4});
    p.pulsar(dentro, {4, 4}, Qt::LeftButton);
    QCOMPARE(d.puntoDeAgarre(), QPoint(114, 54));
    p.mover(desde + QPoint(10, 20));
    p.soltar(desde + QPoint(10, 20), Qt::LeftButton);
    QCOMPARE(precio->pos(), QPoint(402, 336));
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Precios")), QPoint(402, 336));
}

void TestDiseno::arrastreConArchivoIlegible()
{
    {
        QFile f(archivo());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<Config><Ventana");
    }
    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [] { return true; });
    QVERIFY(p.mostrar());
    QWidget* w = p.el(QStringLiteral("dbPrecio"));
    const QPoint desde = p.enVentana(w, {10, 10});

    p.pulsar(w, {10, 10}, Qt::LeftButton);
    p.mover(desde + QPoint(25, 5));
    p.soltar(desde + QPoint(25, 5), Qt::LeftButton);

    // The element has moved on screen; the store's failure reaches the error report instead of
    // escaping the event loop, and the file is left as it was.
    QCOMPARE(w->pos(), QPoint(417, 321));
    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
    QCOMPARE(m_avisos->messages.front().title, QStringLiteral("Lumivo"));
    QCOMPARE(m_avisos->messages.front().icon, platform::Icon::Error);
    QVERIFY(!d.arrastrando());
}

// The disk fills up in the middle of a drag (a file-size limit stops the write part-way, as a full
// disk does): that movement's save fails with its message, the file keeps the previous movement
// whole, and the button up still syncs it.
void TestDiseno::arrastreConDiscoLleno()
{
    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [] { return true; });
    QVERIFY(p.mostrar());
    QWidget* w = p.el(QStringLiteral("dbPrecio"));
    const QPoint desde = p.enVentana(w, {10, 10});

    const auto enDisco = [this] {
        QFile f(archivo());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    p.pulsar(w, {10, 10}, Qt::LeftButton);
    p.mover(desde + QPoint(25, 5));
    const QByteArray primerMovimiento = enDisco();
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Precios")), QPoint(417, 321));
    {
        const testsupport::LimiteDeArchivos limite(16);
        p.mover(desde + QPoint(40, 30));
    }
    QCOMPARE(w->pos(), QPoint(432, 346));
    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
    QCOMPARE(m_avisos->messages.front().icon, platform::Icon::Error);
    QVERIFY2(m_avisos->messages.front().text.endsWith(QStringLiteral("no se puede guardar: ") +
                                                      QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(m_avisos->messages.front().text));
    QCOMPARE(enDisco(), primerMovimiento);
    QVERIFY(m_dm->config().sinSincronizar());

    p.soltar(desde + QPoint(40, 30), Qt::LeftButton);
    QVERIFY(!d.arrastrando());
    QVERIFY(!m_dm->config().sinSincronizar());
    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
}

void TestDiseno::listaDeElementosIncompleta()
{
    Pantalla p;
    std::vector<ElementoArrastrable> sieteNada = p.arrastrables;
    sieteNada.pop_back();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, DisenoPantalla(*m_dm, sieteNada, [] { return false; }));
    std::vector<ElementoArrastrable> repetido = p.arrastrables;
    repetido.back().prefijo = QStringLiteral("Claves");
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, DisenoPantalla(*m_dm, repetido, [] { return false; }));
}

// ---- stored layout ----------------------------------------------------------------------------

Arranque TestDiseno::arrancar()
{
    // The previous run's closing closed the company connection.
    if (!m_dm->fdConexion.isOpen())
        m_dm->fdConexion.open();
    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [this] { return m_modoDiseno; });
    if (!p.mostrar())
        return {};
    Arranque a;
    a.integrado = tamanoExterior(p.ventana);
    a.restaurada = m_dm->ConfigIni_bool(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), true);
    if (a.restaurada)
        ReestrableceFuentes(*m_dm, nombreIntegrado(), precioIntegrado());
    else
        aplicarTamanoExterior(p.ventana, d.aplicarDisenoGuardado());
    a.claves = p.el(QStringLiteral("dbListaClaves"))->pos();
    a.combos = p.el(QStringLiteral("dbCombos"))->pos();
    a.nombre = p.el(QStringLiteral("lblNombreArticulo"))->pos();
    a.exterior = tamanoExterior(p.ventana);

    if (m_modoDiseno) {
        // The operator drags the key list to (300, 20) and the combo grid to (250, 480).
        for (const auto& [nombre, destino] : {std::pair{QStringLiteral("dbListaClaves"), QPoint(300, 20)},
                                              {QStringLiteral("dbCombos"), QPoint(250, 480)}}) {
            QWidget* w = p.el(nombre);
            const QPoint desde = p.enVentana(w, {5, 5});
            const QPoint hasta = desde + (destino - w->pos());
            p.pulsar(w, {5, 5}, Qt::LeftButton);
            p.mover(hasta);
            p.soltar(hasta, Qt::LeftButton);
        }
        d.cambiarModoDiseno(false, tamanoExterior(p.ventana));
        m_modoDiseno = false;
    }
    // The main window's closing: the company connection first, then the layout.
    m_dm->desconectar();
    d.FormCloseQuery();
    return a;
}

void TestDiseno::primerYSegundoArranque()
{
    abrirEmpresa();
    QVERIFY(!QFile::exists(archivo()));

    // First start on a new station: the flag reads true, the fonts are reset, the built-in layout
    // stays, and closing writes the built-in positions of six elements.
    const Arranque primero = arrancar();
    QVERIFY(primero.restaurada);
    QCOMPARE(primero.claves, QPoint(216, 8));
    QCOMPARE(primero.exterior, primero.integrado);
    QVERIFY(!m_dm->fdConexion.isOpen());
    const struct {
        const char* prefijo;
        QPoint posicion;
    } seis[] = {{"NombreArticulo", {216, 139}}, {"Precios", {392, 316}},      {"Existencia", {215, 566}},
                {"ListaPrecios", {583, 459}},   {"ListaVolumen", {583, 566}}, {"Imagen", {583, 8}}};
    for (const auto& s : seis)
        QCOMPARE(posicionGuardada(archivo(), QString::fromLatin1(s.prefijo)), s.posicion);
    for (const char* nunca : {"Claves_X", "Combo_X", "Ancho", "Alto"})
        QVERIFY2(!guardado(archivo(), QString::fromLatin1(nunca)), nunca);
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("false"));

    // Second start: the stored layout is applied with its defaults, which are written into the file.
    const Arranque segundo = arrancar();
    QVERIFY(!segundo.restaurada);
    QCOMPARE(segundo.claves, QPoint(215, 8));
    QCOMPARE(segundo.combos, QPoint(215, 459));
    QCOMPARE(segundo.exterior, QSize(1024, 746));
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Claves")), QPoint(215, 8));
    QCOMPARE(guardado(archivo(), QStringLiteral("Ancho")), QStringLiteral("1024"));
    QCOMPARE(guardado(archivo(), QStringLiteral("Alto")), QStringLiteral("746"));
}

void TestDiseno::cicloRestaurar()
{
    abrirEmpresa();
    m_dm->ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), false);
    m_dm->ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_X"), 250);
    m_dm->ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 900);
    m_dm->ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Alto"), 700);

    m_modoDiseno = true; // this start drags the key list and the combo grid
    const Arranque conDiseno = arrancar();
    QCOMPARE(conDiseno.nombre, QPoint(250, 139));
    QCOMPARE(conDiseno.exterior, QSize(900, 700));
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Claves")), QPoint(300, 20));
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Combo")), QPoint(250, 480));

    const Arranque otro = arrancar();
    QCOMPARE(otro.claves, QPoint(300, 20));
    QCOMPARE(otro.combos, QPoint(250, 480)); // the combo grid keeps its place too

    // "Restaurar" only sets the flag; the next start shows the built-in layout although the file
    // still holds the dragged positions.
    {
        Pantalla p;
        DisenoPantalla(*m_dm, p.arrastrables, [] { return false; }).Restaurar1Click();
    }
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Claves")), QPoint(300, 20));
    const Arranque restaurado = arrancar();
    QVERIFY(restaurado.restaurada);
    QCOMPARE(restaurado.claves, QPoint(216, 8));
    QCOMPARE(restaurado.nombre, QPoint(216, 139));
    QCOMPARE(restaurado.exterior, restaurado.integrado);
    // Closing wrote the six built-in positions but left the key list, the combo grid and the size.
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("NombreArticulo")), QPoint(216, 139));
    QCOMPARE(posicionGuardada(archivo(), QStringLiteral("Claves")), QPoint(300, 20));

    const Arranque despues = arrancar();
    QVERIFY(!despues.restaurada);
    QCOMPARE(despues.claves, QPoint(300, 20));
    QCOMPARE(despues.combos, QPoint(250, 480));
    QCOMPARE(despues.nombre, QPoint(216, 139));
    QCOMPARE(despues.exterior, QSize(900, 700));
}

void TestDiseno::cambioDeModoDiseno()
{
    Pantalla p;
    DisenoPantalla d(*m_dm, p.arrastrables, [this] { return m_modoDiseno; });
    QVERIFY(p.mostrar());
    d.Restaurar1Click();
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("true"));

    QWidget* nombre = p.el(QStringLiteral("lblNombreArticulo"));
    QWidget* precio = p.el(QStringLiteral("dbPrecio"));
    const QSize exterior = tamanoExterior(p.ventana);

    m_modoDiseno = true;
    d.cambiarModoDiseno(true, exterior);
    QVERIFY(nombre->autoFillBackground());
    QVERIFY(precio->autoFillBackground());
    QVERIFY(!p.el(QStringLiteral("Imagen"))->autoFillBackground());
    // Switching cancels a pending restore, and stores the window's outer size.
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("false"));
    QCOMPARE(guardado(archivo(), QStringLiteral("Ancho")), QString::number(exterior.width()));
    QCOMPARE(guardado(archivo(), QStringLiteral("Alto")), QString::number(exterior.height()));

    m_modoDiseno = false;
    d.Restaurar1Click();
    d.cambiarModoDiseno(false, QSize(800, 600));
    QVERIFY(!nombre->autoFillBackground());
    QVERIFY(!precio->autoFillBackground());
    QCOMPARE(guardado(archivo(), QStringLiteral("Restaurada")), QStringLiteral("false"));
    QCOMPARE(guardado(archivo(), QStringLiteral("Ancho")), QStringLiteral("800"));
    QCOMPARE(guardado(archivo(), QStringLiteral("Alto")), QStringLiteral("600"));
    // Nothing else is written by the switch.
    QVERIFY(!guardado(archivo(), QStringLiteral("NombreArticulo_X")));
}

void TestDiseno::dentroDelAreaDisponible_data()
{
    QTest::addColumn<QRect>("ventana");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("esperado");
    // An 800-pixel screen less a 32-pixel panel at the top.
    const QRect area(0, 32, 1280, 768);
    QTest::newRow("dentro: no se mueve") << QRect(100, 40, 1035, 717) << area << QRect(100, 40, 1035, 717);
    QTest::newRow("el pie debajo del área sube") << QRect(134, 56, 1024, 746) << area << QRect(134, 54, 1024, 746);
    QTest::newRow("arriba y a la izquierda del área") << QRect(-20, 0, 400, 300) << area << QRect(0, 32, 400, 300);
    QTest::newRow("a la derecha del área") << QRect(1100, 100, 400, 300) << area << QRect(880, 100, 400, 300);
    QTest::newRow("más grande que el área: su tamaño")
        << QRect(-118, 41, 1035, 717) << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("más ancha, en otra pantalla")
        << QRect(1174, -42, 1016, 691) << QRect(1280, 0, 800, 600) << QRect(1280, 0, 800, 600);
    QTest::newRow("sin área: como está") << QRect(10, 10, 300, 200) << QRect() << QRect(10, 10, 300, 200);
}

void TestDiseno::dentroDelAreaDisponible()
{
    QFETCH(QRect, ventana);
    QFETCH(QRect, area);
    QFETCH(QRect, esperado);
    QCOMPARE(dentroDelArea(ventana, area), esperado);
}

LUMIVO_TEST_MAIN(TestDiseno)
#include "tst_diseno.moc"
