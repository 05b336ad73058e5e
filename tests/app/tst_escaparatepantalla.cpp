// The idle showcase on the real display: a stand-in company with enabled and disabled combo
// offers and an offer price list, real timers, and scans fed at scanner speed while the showcase
// is on show, starting or stopping.

#include "app/Escaparate.h"
#include "app/Lumivo.h"
#include "data/ConfigEmpresa.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/AjusteTexto.h"
#include "layout/EtiquetaAjustada.h"
#include "platform/MessageBox.h"
#include "rules/Formato.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

namespace {

// A whole scan (13 digits, Enter) queued at once on the window, as a scanner's burst reaches it:
// each key goes to whichever widget has the focus when it is delivered.
void encolar(QObject* ed, const QString& clave)
{
    for (QChar c : clave) {
        QCoreApplication::postEvent(ed, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c)));
        QCoreApplication::postEvent(ed, new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c)));
    }
    QCoreApplication::postEvent(ed,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
}

// Runs `accion` once, the first time `objeto` gets an event of type `tipo`.
class EnElMomento : public QObject {
public:
    EnElMomento(QObject& objeto, QEvent::Type tipo, std::function<void()> accion)
        : m_tipo(tipo)
        , m_accion(std::move(accion))
    {
        objeto.installEventFilter(this);
    }
    bool ocurrio = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!ocurrio && event->type() == m_tipo) {
            ocurrio = true;
            m_accion();
        }
        return false;
    }

private:
    QEvent::Type m_tipo;
    std::function<void()> m_accion;
};

} // namespace

class TestEscaparatePantalla : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
        QStandardPaths::setTestModeEnabled(true);
    }
    void init();
    void cleanup();
    void arrancaTrasInactividadYRecorre();
    void escaneoLaTerminaSinPerderTeclas_data();
    void escaneoLaTerminaSinPerderTeclas();
    void nuncaAparece_data();
    void nuncaAparece();
    void apareceTrasGuardarSinLimpiar();
    void nombreLargoCabeEnLaTarjeta();
    void listaOcultaSinTarjetas();

private:
    template <typename T> T* el(const char* name) { return elemento<T>(app().frmConsulta, name); }
    void ajustar(const ConfigEmpresa::Escaparate& ajustes, const QString& sql = QString());
    void conectar();
    Escaparate& escaparate() { return app().frmConsulta.escaparate(); }

    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

void TestEscaparatePantalla::init()
{
    m_estacion = std::make_unique<testsupport::EstacionPrueba>();
    QVERIFY(m_estacion->valida());
}

void TestEscaparatePantalla::cleanup()
{
    m_estacion.reset();
}

// The company's rows as the configuration dialog writes them, before the station loads them.
void TestEscaparatePantalla::ajustar(const ConfigEmpresa::Escaparate& ajustes, const QString& sql)
{
    if (!sql.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(m_estacion->rutaEmpresa()), sql);
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(m_estacion->rutaEmpresa()));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    ConfigEmpresa(q).escribirEscaparate(ajustes);
    t.commit();
}

void TestEscaparatePantalla::conectar()
{
    // The settings the test wrote are loaded before the window shows.
    m_estacion->crear();
    testsupport::EstacionPrueba::Apertura apertura;
    apertura.cargarAntesDeMostrar = true;
    QVERIFY(m_estacion->abrir(apertura));
}

// One idle second after the clearing the cards cover the display: the three lines of the enabled
// combo offer and the offer list's three articles, one per second, drifting, with the key box
// keeping the focus.
void TestEscaparatePantalla::arrancaTrasInactividadYRecorre()
{
    ajustar({true, 1, 1, 451});
    conectar();
    QVERIFY(escaparate().enEspera());
    QVERIFY(!escaparate().mostrando());
    QElapsedTimer reloj;
    reloj.start();
    QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 3000);
    QVERIFY(reloj.elapsed() >= 900);
    QCOMPARE(escaparate().geometry(), el<QWidget>("cliente")->rect());
    // The enabled combo's three lines first, then the offer list's active articles; the disabled
    // combo's lines never.
    QStringList tarjetas;
    for (const TarjetaEscaparate& t : escaparate().tarjetas())
        tarjetas << t.encabezado + u'|' + t.articulo;
    QCOMPARE(tarjetas, (QStringList{QStringLiteral("Combo refrescos|COCA COLA LIGHT 600ML"),
                                    QStringLiteral("Combo refrescos|COCA COLA LIGHT 600ML"),
                                    QStringLiteral("Combo refrescos|Coca Cola Light 355 ml"),
                                    QStringLiteral("Distribuidor|Agua 750 ml"),
                                    QStringLiteral("Distribuidor|COCA COLA LIGHT 600ML"),
                                    QStringLiteral("Distribuidor|Café de olla 500 g"),
                                    QStringLiteral("Distribuidor|Vela aromática de canela")}));
    // In the display's own money format.
    QCOMPARE(escaparate().tarjetas().front().precio, formato::moneda(fb::Decimal{1550, 2}));
    QCOMPARE(escaparate().indice(), 0);
    QVERIFY(el<QLineEdit>("edClave")->hasFocus());

    const QPoint antes = escaparate().deriva();
    QTRY_COMPARE_WITH_TIMEOUT(escaparate().indice(), 1, 2000);
    const QPoint despues = escaparate().deriva();
    QVERIFY(antes != despues);
    // A few pixels per second, never a jump.
    QVERIFY((despues - antes).manhattanLength() <= 2 * 2 * Escaparate::kPasoDeriva * Escaparate::kPasosPorSegundo);
    QTRY_COMPARE_WITH_TIMEOUT(escaparate().indice(), 2, 2000);

    // A touch ends it; the next clearing waits the idle seconds again.
    QTest::mouseClick(&escaparate(), Qt::LeftButton);
    QVERIFY(!escaparate().mostrando());
    QVERIFY(el<QLineEdit>("edClave")->hasFocus());
    app().frmConsulta.Limpiar();
    QVERIFY(escaparate().enEspera());
    QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 3000);
}

void TestEscaparatePantalla::escaneoLaTerminaSinPerderTeclas_data()
{
    QTest::addColumn<QString>("momento");
    QTest::newRow("card on show, typed") << "mostrando";
    QTest::newRow("card on show, whole scan queued") << "encolado";
    QTest::newRow("while starting") << "arrancando";
    QTest::newRow("while stopping at the round's end") << "terminando";
}

// 13 digits and Enter within about 30 ms: the first key ends the showcase and every key reaches
// the key box, so the whole key is looked up.
void TestEscaparatePantalla::escaneoLaTerminaSinPerderTeclas()
{
    QFETCH(QString, momento);
    ajustar({true, 1, 1, 0}); // the three combo cards only: a round ends every three seconds
    conectar();
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    const QString clave = QStringLiteral("7501055300075");
    // Keys go to the window, not to the box: they land where the focus is.
    QWindow* ventana = app().frmConsulta.windowHandle();

    if (momento == u"mostrando" || momento == u"encolado")
        QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 3000);
    else if (momento == u"terminando")
        QTRY_VERIFY_WITH_TIMEOUT(escaparate().indice() == 2, 6000); // the last card: the next tick starts over

    if (momento == u"mostrando") {
        for (QChar c : clave) {
            QTest::keyClick(ventana, Qt::Key(Qt::Key_0 + c.digitValue()), Qt::NoModifier);
            QTest::qWait(2);
        }
        QTest::keyClick(ventana, Qt::Key_Return);
    } else if (momento == u"encolado") {
        encolar(ventana, clave);
    } else {
        // The scan arrives the moment the showcase shows (its first start) or hides (the round's
        // end, which reads the next round and shows again): its keys wait behind that work.
        EnElMomento momentoExacto(escaparate(), momento == u"arrancando" ? QEvent::Show : QEvent::Hide,
                                  [&] { encolar(ventana, clave); });
        QTRY_VERIFY_WITH_TIMEOUT(momentoExacto.ocurrio, 4000);
    }
    QTRY_COMPARE(nombre->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(ed->text(), clave); // every digit once: the box held nothing before the scan
    QVERIFY(app().frmConsulta.articuloId() != 0);
    QCOMPARE(notificador().beeps, 0);
    QVERIFY(!escaparate().mostrando());
    QVERIFY(!escaparate().enEspera());
    // Nothing starts it again while the article is on display.
    QTest::qWait(1300);
    QVERIFY(!escaparate().mostrando());
    QCOMPARE(nombre->text(), QStringLiteral("COCA COLA LIGHT 600ML"));
}

void TestEscaparatePantalla::nuncaAparece_data()
{
    QTest::addColumn<bool>("activo");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("diseno");
    QTest::newRow("off") << false << QString() << false;
    QTest::newRow("nothing to show") << true << QStringLiteral("UPDATE OFERTAS_MM SET HABILITADA = 'N';") << false;
    QTest::newRow("design mode") << true << QString() << true;
}

void TestEscaparatePantalla::nuncaAparece()
{
    QFETCH(bool, activo);
    QFETCH(QString, sql);
    QFETCH(bool, diseno);
    ajustar({activo, 1, 1, 0}, sql);
    conectar();
    if (diseno) {
        el<QAction>("Disear1")->trigger();
        QVERIFY(app().frmConsulta.modoDiseno());
        app().frmConsulta.Limpiar();
    }
    QTest::qWait(2300);
    QVERIFY(!escaparate().mostrando());
}

// Turned on in the configuration dialog: once "Guardar" closes it, the idle wait runs from that
// moment, with no scan and no clearing in between, and the cards come when it ends.
void TestEscaparatePantalla::apareceTrasGuardarSinLimpiar()
{
    ajustar({false, 1, 1, 0});
    conectar();
    QVERIFY(!escaparate().enEspera());
    QDialog& dialogo = app().frmConfiguracion;
    bool mostradoDetras = false;
    EnElMomento alAbrirse(dialogo, QEvent::Show, [&] {
        QTimer::singleShot(0, &dialogo, [&] {
            mostradoDetras = escaparate().mostrando() || escaparate().enEspera();
            auto* activo = dialogo.findChild<QCheckBox*>(QStringLiteral("cheEscaparate"));
            QTest::mouseClick(activo, Qt::LeftButton, {}, QPoint(6, activo->height() / 2));
            dialogo.findChild<QSpinBox*>(QStringLiteral("sbEscaparateSegundos"))->setValue(2);
            QTest::mouseClick(dialogo.findChild<QPushButton*>(QStringLiteral("pbsGuardar")), Qt::LeftButton);
        });
    });
    el<QAction>("Configuracin1")->trigger();
    QVERIFY(alAbrirse.ocurrio);
    QVERIFY(!dialogo.isVisible());
    QVERIFY(!mostradoDetras);
    QVERIFY(escaparate().enEspera());
    // Counted from the save: nearly the whole two seconds are still ahead.
    QVERIFY2(escaparate().restanteEspera() > 1000, qPrintable(QString::number(escaparate().restanteEspera())));
    QVERIFY(!escaparate().mostrando());
    QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 4000);
    QCOMPARE(escaparate().tarjetas().size(), size_t{3}); // the enabled combo's three lines
    // The window's focus stays in the key box (offscreen, the closed dialog stays the active window).
    QCOMPARE(app().frmConsulta.focusWidget(), el<QLineEdit>("edClave"));
}

// A 90-character article name on the card on show: drawn whole, in a smaller size of the card's
// font, every line inside its box, as the display fits the name; the drift never changes that.
void TestEscaparatePantalla::nombreLargoCabeEnLaTarjeta()
{
    const QString nombre =
        QStringLiteral("Aderezo picante de chile habanero tatemado con ajo, limón y sal de mar, frasco vidrio 250g");
    QCOMPARE(nombre.size(), 90);
    ajustar({true, 1, 600, 0},
            QStringLiteral("UPDATE ARTICULOS SET NOMBRE = '%1' WHERE ARTICULO_ID = 1001;").arg(nombre));
    conectar();
    // The company picture at the card's top, as the station shows it, leaves the name less room.
    app().frmConsulta.CargarLogEmp();
    QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 3000);
    auto* articulo = escaparate().findChild<EtiquetaAjustada*>(QStringLiteral("lblArticuloTarjeta"));
    QVERIFY(articulo);
    QCOMPARE(articulo->text(), nombre);
    const auto cabe = [&] {
        const QStringList lineas = articulo->lineasDibujadas();
        QCOMPARE(lineas.join(u' '), nombre);
        const QFont fuente = articulo->fuenteDibujada();
        QVERIFY(QFontInfo(fuente).pixelSize() < QFontInfo(articulo->font()).pixelSize());
        const QFontMetrics m(fuente);
        const QRect caja = articulo->contentsRect();
        QVERIFY2(ajuste::altoLineas(m, static_cast<int>(lineas.size())) <= caja.height(),
                 qPrintable(QStringLiteral("%1 lines in %2 px").arg(lineas.size()).arg(caja.height())));
        for (const QString& linea : lineas)
            QVERIFY2(ajuste::anchoLinea(m, linea) <= caja.width(), qPrintable(linea));
        // The box stays on the card, below the heading and above the price.
        QVERIFY(escaparate().rect().contains(articulo->geometry()));
        auto* encabezado = escaparate().findChild<QWidget*>(QStringLiteral("lblEncabezadoTarjeta"));
        auto* precio = escaparate().findChild<QWidget*>(QStringLiteral("lblPrecioTarjeta"));
        QVERIFY(encabezado->geometry().bottom() < articulo->geometry().top());
        QVERIFY(articulo->geometry().bottom() < precio->geometry().top());
    };
    cabe();
    const QPoint antes = articulo->pos();
    QTRY_VERIFY_WITH_TIMEOUT(articulo->pos() != antes, 2000);
    cabe();
}

// A stored offer list that the ERP keeps from customers gives no card: the showcase shows what the
// display's price grid would, the combo offers only.
void TestEscaparatePantalla::listaOcultaSinTarjetas()
{
    ajustar({true, 1, 1, 452},
            QStringLiteral(
                "INSERT INTO PRECIOS_EMPRESA (PRECIO_EMPRESA_ID, NOMBRE, POSICION) VALUES (452, 'Costo interno', 4);\n"
                "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
                "VALUES (1001, 452, 9.10);\n"
                "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
                "VALUES (1003, 452, 5.20);\n"
                "INSERT INTO STANDIN_PRECIOS_OCULTOS (PRECIO_EMPRESA_ID) VALUES (452);"));
    conectar();
    QTRY_VERIFY_WITH_TIMEOUT(escaparate().mostrando(), 3000);
    QStringList encabezados;
    for (const TarjetaEscaparate& t : escaparate().tarjetas())
        encabezados << t.encabezado;
    QCOMPARE(encabezados, (QStringList{"Combo refrescos", "Combo refrescos", "Combo refrescos"}));
}

LUMIVO_TEST_MAIN(TestEscaparatePantalla)
#include "tst_escaparatepantalla.moc"
