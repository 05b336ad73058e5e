// Kiosk mode: full screen with the display scaled and centred, the menu hidden, a close request
// refused, Escape still clearing, and the operator chord (Ctrl+Alt+Shift+M) showing the menu only
// for the password of the logged-in ERP user or SYSDBA, checked through the server, until the
// display has been idle. A private server, since the embedded engine checks no password.

#include "app/Lumivo.h"
#include "app/ModoKiosco.h"
#include "platform/MessageBox.h"
#include "reports/uReportes.h"
#include "rules/AjustesConsulta.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGraphicsView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

class TestKiosco : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sinAjusteNadaCambia();
    void pantallaCompletaEscaladaYSinMenu();
    void tomaLaPantallaYElTeclado();
    void menuModoQuiosco();
    void cerrarNoCierraYEscapeLimpia();
    void acordeConClave_data();
    void acordeConClave();
    void reportesTrasLaClave();

private:
    void abrir(bool kiosco);
    // Sends the chord to the key box and answers the password prompt with `clave`.
    void acorde(const QString& clave);
    template <typename T> T* el(const char* nombre)
    {
        QWidget* raiz = app().frmConsulta.kiosco().activo() ? app().frmConsulta.kiosco().display()
                                                            : static_cast<QWidget*>(&app().frmConsulta);
        return elemento<T>(*raiz, nombre);
    }

    std::unique_ptr<testsupport::PrivateServer> m_servidor;
    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    const QTemporaryDir& carpeta() const { return m_estacion->carpeta(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

void TestKiosco::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestKiosco::init()
{
    m_servidor = std::make_unique<testsupport::PrivateServer>();
    LUMIVO_REQUIRE_PRIVATE_SERVER(*m_servidor);
    m_estacion = std::make_unique<testsupport::EstacionPrueba>(*m_servidor);
    QVERIFY(m_estacion->valida());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, carpeta().filePath(QStringLiteral("usuario")));
    testsupport::systemDatabase(m_servidor->dataFolder());
}

void TestKiosco::cleanup()
{
    m_estacion.reset();
    m_servidor.reset();
}

void TestKiosco::abrir(bool kiosco)
{
    if (kiosco) {
        QFile f(QStringLiteral("config.xml"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<Config><Estacion Kiosco=\"true\"/></Config>");
    }
    m_estacion->crear(carpeta().filePath(QStringLiteral("pass")));
    QVERIFY(m_estacion->abrir());
}

void TestKiosco::acorde(const QString& clave)
{
    bool respondida = false;
    QTimer espera;
    connect(&espera, &QTimer::timeout, this, [&] {
        auto* dialogo = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialogo || dialogo->objectName() != QLatin1String("dlgOperador"))
            return;
        espera.stop();
        // Logged in as SYSDBA, the prompt names it once.
        QCOMPARE(dialogo->labelText(), QStringLiteral("Contraseña del usuario SYSDBA:"));
        auto* caja = dialogo->findChild<QLineEdit*>();
        QCOMPARE(caja->echoMode(), QLineEdit::Password);
        QTest::keyClicks(caja, clave);
        QTest::keyClick(caja, Qt::Key_Return);
        respondida = true;
    });
    espera.start(10);
    QTest::keyClick(el<QLineEdit>("edClave"), Qt::Key_M, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(respondida, 10000);
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

// A station without the setting keeps its window exactly: menu, fixed size, close box.
void TestKiosco::sinAjusteNadaCambia()
{
    abrir(false);
    TfrmConsulta& w = app().frmConsulta;
    QVERIFY(!w.kiosco().activo());
    QVERIFY(w.menuBar()->isVisible());
    QVERIFY(!w.isFullScreen());
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!w.findChild<QGraphicsView*>());
    // The chord does nothing there.
    QTest::keyClick(el<QLineEdit>("edClave"), Qt::Key_M, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QTest::qWait(50);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(notificador().messages.empty());
}

void TestKiosco::pantallaCompletaEscaladaYSinMenu()
{
    abrir(true);
    TfrmConsulta& w = app().frmConsulta;
    QVERIFY(w.kiosco().activo());
    QTRY_VERIFY(w.isFullScreen());
    QVERIFY(!w.menuBar()->isVisible());
    QWidget* display = w.kiosco().display();
    QGraphicsView* vista = w.kiosco().vista();
    const QSize pantalla = w.screen()->geometry().size();
    QTRY_COMPARE(w.size(), pantalla);
    // The display keeps its own size and coordinates, and holds every element whole; the view
    // scales it uniformly and centres it.
    for (const QWidget* e : display->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(display->rect().contains(e->geometry()), qPrintable(e->objectName()));
    QCOMPARE(el<QLineEdit>("edClave")->geometry(), QRect(8, 106, 165, 27));
    const QSize area = vista->viewport()->size();
    const qreal esperado = std::min(qreal(area.width()) / display->width(), qreal(area.height()) / display->height());
    QTRY_VERIFY(qAbs(vista->transform().m11() - esperado) < 1e-6);
    QCOMPARE(vista->transform().m11(), vista->transform().m22());
    const QRect ocupado = vista->mapFromScene(vista->sceneRect()).boundingRect();
    QVERIFY2(qAbs(ocupado.center().x() - area.width() / 2) <= 1 && qAbs(ocupado.center().y() - area.height() / 2) <= 1,
             qPrintable(QStringLiteral("%1,%2 in %3x%4")
                            .arg(ocupado.center().x())
                            .arg(ocupado.center().y())
                            .arg(area.width())
                            .arg(area.height())));
    // Real widgets: a scan through real keys reaches the display.
    auto* ed = el<QLineEdit>("edClave");
    QTest::keyClicks(ed, QStringLiteral("7501055300075"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));
    QVERIFY(notificador().messages.empty());
    QVERIFY(w.articuloId() != 0);
    QVERIFY(el<QWidget>("lblNombreArticulo")->isVisible());
}

// Nothing frames, places or focuses the window in a kiosk session: it covers its screen itself and
// takes the keyboard back from a window that left without giving it back.
void TestKiosco::tomaLaPantallaYElTeclado()
{
    abrir(true);
    TfrmConsulta& w = app().frmConsulta;
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QTRY_COMPARE(w.geometry(), w.screen()->geometry());
    auto* ed = el<QLineEdit>("edClave");
    QTRY_VERIFY(ed->hasFocus());

    {
        QWidget otra;
        otra.setGeometry(40, 40, 200, 100);
        otra.show();
        otra.activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), otra.windowHandle());
    }
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), w.windowHandle(), 5000);
    QTRY_VERIFY(ed->hasFocus());
    // What a scanner types now lands in the key box.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7501055300075"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(w.articuloId() != 0);
    QVERIFY(notificador().messages.empty());
}

// The setting is made from the station, into the one Estacion element it already wrote, and the
// next start reads it.
void TestKiosco::menuModoQuiosco()
{
    abrir(false);
    TfrmConsulta& w = app().frmConsulta;
    app().dm.estacion().setHablarPrecio(false);
    auto* accion = w.findChild<QAction*>(QStringLiteral("ModoQuiosco1"));
    QVERIFY(accion && accion->isCheckable() && !accion->isChecked());
    accion->trigger();
    QVERIFY(accion->isChecked());
    QCOMPARE(notificador().messages.size(), size_t{1});
    QVERIFY(notificador().messages.front().text.contains(QStringLiteral("modo quiosco")));

    QFile f(QStringLiteral("config.xml"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    QCOMPARE(xml.count("<Estacion"), 1);
    QVERIFY2(xml.contains(R"(<Estacion HablarPrecio="false" Kiosco="true"/>)"), xml.constData());

    QMainWindow siguiente;
    siguiente.setCentralWidget(new QWidget);
    AjustesConsulta ajustes;
    Tdm siguienteDm;
    ModoKiosco leido(siguiente, siguienteDm, app().sesion, ajustes);
    QVERIFY(leido.activo());

    accion->trigger(); // and off again
    QVERIFY(!accion->isChecked());
    QMainWindow otra;
    otra.setCentralWidget(new QWidget);
    Tdm otroDm;
    ModoKiosco apagado(otra, otroDm, app().sesion, ajustes);
    QVERIFY(!apagado.activo());

    // Changed through the station's settings by anything else: the item follows, and this run
    // stays in the mode it started in.
    app().dm.estacion().setKiosco(true);
    QVERIFY(accion->isChecked());
    QVERIFY(!app().frmConsulta.kiosco().activo());
}

void TestKiosco::cerrarNoCierraYEscapeLimpia()
{
    abrir(true);
    TfrmConsulta& w = app().frmConsulta;
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QVERIFY(app().dm.fdConexion.isOpen()); // the closing steps did not run
    // As Alt+F4 or the window manager asks.
    QCloseEvent pedido;
    QApplication::sendEvent(&w, &pedido);
    QVERIFY(!pedido.isAccepted());
    QVERIFY(w.isVisible());

    auto* ed = el<QLineEdit>("edClave");
    QTest::keyClicks(ed, QStringLiteral("7501055300075"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(w));
    QVERIFY(w.articuloId() != 0);
    QTest::keyClick(ed, Qt::Key_Escape);
    QCOMPARE(w.articuloId(), 0);
    QCOMPARE(ed->text(), QString());
    QVERIFY(!el<QWidget>("lblNombreArticulo")->isVisible());
    QVERIFY(notificador().messages.empty());
}

void TestKiosco::acordeConClave_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<bool>("menu");
    QTest::newRow("SYSDBA's password") << QStringLiteral("masterkey") << true;
    QTest::newRow("wrong password") << QStringLiteral("otra") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestKiosco::acordeConClave()
{
    QFETCH(QString, clave);
    QFETCH(bool, menu);
    abrir(true);
    TfrmConsulta& w = app().frmConsulta;
    w.ajustes().SegundosEspera = 0; // the menu goes after one idle second
    acorde(clave);
    QCOMPARE(w.menuBar()->isVisible(), menu);
    if (!menu) {
        QCOMPARE(notificador().messages.size(), size_t{1});
        QCOMPARE(notificador().messages.front().text, QStringLiteral("Contraseña incorrecta."));
        QVERIFY(!notificador().messages.front().text.contains(clave.isEmpty() ? QStringLiteral("\x01") : clave));
        return;
    }
    QVERIFY(notificador().messages.empty());
    // The menu works ("Salir" is there), and leaves by itself once the display is idle.
    QVERIFY(elemento<QAction>(w, "Salir1")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w.menuBar()->isVisible(), 5000);
    QVERIFY(w.isFullScreen());
}

// The reports are an operator's: in a kiosk they are reached only through the menu that the
// password shows, and they open over the display as a modal window that keeps the keyboard.
void TestKiosco::reportesTrasLaClave()
{
    abrir(true);
    TfrmConsulta& w = app().frmConsulta;
    QVERIFY(!w.menuBar()->isVisible());
    acorde(QStringLiteral("masterkey"));
    QVERIFY(w.menuBar()->isVisible());

    QMenuBar* barra = w.menuBar();
    QAction* informacion = nullptr;
    for (QAction* a : barra->actions()) {
        if (a->text() == QStringLiteral("Información"))
            informacion = a;
    }
    QVERIFY(informacion);
    QTest::mouseClick(barra, Qt::LeftButton, {}, barra->actionGeometry(informacion).center());
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("Reportes"));

    bool vista = false;
    QTimer espera;
    connect(&espera, &QTimer::timeout, this, [&] {
        auto* reportes = qobject_cast<TfrmReportes*>(QApplication::activeModalWidget());
        if (!reportes)
            return;
        espera.stop();
        vista = true;
        QCOMPARE(reportes->windowTitle(), QStringLiteral("Reportes"));
        QTest::keyClick(reportes, Qt::Key_Escape);
    });
    espera.start(10);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().first()).center());
    QTRY_VERIFY(vista);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(w.isFullScreen());
    QVERIFY(notificador().messages.empty());
}

LUMIVO_TEST_MAIN(TestKiosco)
#include "tst_kiosco.moc"
