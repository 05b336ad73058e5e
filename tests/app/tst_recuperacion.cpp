// The station after a failed lookup or clearing, against a private server that each test kills
// and starts again. Keys are fed as a scanner sends them: the digits and Enter, with no click or
// selection in between, so whatever the box holds after one scan decides what the next one reads.
#include "app/Lumivo.h"
#include "firebird/Error.h"
#include "firebird/Transaction.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QString kPerdida = QStringLiteral("Se perdió la conexión con el servidor de la base de datos.");
const QString kClave = QStringLiteral("7501055300075"); // COCA COLA LIGHT 600ML, 1001
const QString kOtra = QStringLiteral("7501055310883");  // Coca Cola Light 355 ml, 1002

} // namespace

class TestRecuperacion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void escaneoTrasUnaConsultaFallida_data();
    void escaneoTrasUnaConsultaFallida();
    void limpiezaSinServidor();

private:
    template <typename T> T* el(const char* nombre) { return elemento<T>(app().frmConsulta, nombre); }
    bool perderServidor();
    bool regresar();
    bool unAvisoDePerdida();
    QString avisos() const;
    // As a scanner: the keys and Enter into the box that has the focus, nothing else.
    void escanear(const QString& clave);
    // The idle timer's ticks up to the clearing, guarded as the timer runs them.
    void esperarLimpieza();

    std::unique_ptr<testsupport::PrivateServer> m_servidor;
    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

void TestRecuperacion::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
}

void TestRecuperacion::init()
{
    m_servidor = std::make_unique<testsupport::PrivateServer>();
    LUMIVO_REQUIRE_PRIVATE_SERVER(*m_servidor);
    m_estacion = std::make_unique<testsupport::EstacionPrueba>(*m_servidor);
    QVERIFY(m_estacion->valida());
    m_estacion->crear();
    // A key that matches nothing would open the modal search; here it closes at once.
    new VentanaOmitida(app().frmBuscarEnCatalogo);
    QVERIFY(m_estacion->abrir());
    QVERIFY(notificador().messages.empty());
}

void TestRecuperacion::cleanup()
{
    m_estacion.reset();
    m_servidor.reset();
}

bool TestRecuperacion::perderServidor()
{
    m_servidor->kill();
    fb::Transaction t(app().dm.fdConexion);
    try {
        t.start();
        qWarning("the station's attachment survived the server");
        return false;
    } catch (const fb::Error& e) {
        return e.isConnectionLost();
    }
}

bool TestRecuperacion::regresar()
{
    if (m_servidor->start())
        return true;
    qWarning("%s", qPrintable(m_servidor->why()));
    return false;
}

bool TestRecuperacion::unAvisoDePerdida()
{
    // On the display, where the article's name goes; a customer's scan opens no box.
    auto* aviso = el<QLabel>("lblCodigoNoValido");
    const bool uno = notificador().messages.empty() && aviso->isVisible() && aviso->text().startsWith(kPerdida);
    if (!uno) {
        qWarning("display: %s (%s)", qPrintable(aviso->text()), aviso->isVisible() ? "shown" : "hidden");
        for (const auto& m : notificador().messages)
            qWarning("message: %s", qPrintable(m.text));
    }
    notificador().clear();
    return uno;
}

QString TestRecuperacion::avisos() const
{
    QStringList textos;
    for (const auto& m : notificador().messages)
        textos << m.text;
    return textos.join(QStringLiteral(" | "));
}

void TestRecuperacion::escanear(const QString& clave)
{
    auto* ed = el<QLineEdit>("edClave");
    QTest::keyClicks(ed, clave);
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
}

void TestRecuperacion::esperarLimpieza()
{
    TfrmConsulta& w = app().frmConsulta;
    for (int tic = 0; tic <= w.ajustes().SegundosEspera; ++tic)
        platform::guarded(&w, [&] { w.TiempoInactivoTimer(); });
}

// After a lookup that failed because the server went away, the next scan reads only its own key:
// at once when the server is back, or after the idle clearing emptied the box.
void TestRecuperacion::escaneoTrasUnaConsultaFallida_data()
{
    QTest::addColumn<bool>("limpiezaAntes");
    QTest::newRow("next scan once the server is back") << false;
    QTest::newRow("idle clearing, then the next scan") << true;
}

void TestRecuperacion::escaneoTrasUnaConsultaFallida()
{
    QFETCH(bool, limpiezaAntes);
    TfrmConsulta& w = app().frmConsulta;
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    escanear(kClave);
    QCOMPARE(w.articuloId(), 1001);
    QVERIFY(perderServidor());

    escanear(kOtra);
    QVERIFY(unAvisoDePerdida());
    QVERIFY(nombre->isHidden());
    QCOMPARE(ed->text(), kOtra);
    QCOMPARE(ed->selectedText(), kOtra);

    if (limpiezaAntes) {
        QVERIFY(w.findChild<QTimer*>(QStringLiteral("TiempoInactivo"))->isActive());
        esperarLimpieza();
        QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
        QCOMPARE(ed->text(), QString());
        QCOMPARE(w.articuloId(), 0);
    }
    QVERIFY(regresar());
    escanear(kOtra);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(notificador().beeps, 0);
    QCOMPARE(w.articuloId(), 1002);
    QCOMPARE(nombre->text(), QStringLiteral("Coca Cola Light 355 ml"));
    QVERIFY(!nombre->isHidden());
    QCOMPARE(ed->selectedText(), kOtra);

    // And the scan after that replaces it as well.
    escanear(kClave);
    QCOMPARE(w.articuloId(), 1001);
    QCOMPARE(ed->text(), kClave);
}

// The idle clearing with the server gone: the display clears all the same, the failure is told
// once in the shop's words, and later rounds stay silent while the server is away.
void TestRecuperacion::limpiezaSinServidor()
{
    TfrmConsulta& w = app().frmConsulta;
    auto* ed = el<QLineEdit>("edClave");
    auto* nombre = el<QLabel>("lblNombreArticulo");
    escanear(kClave);
    QVERIFY(!nombre->isHidden());
    QVERIFY(perderServidor());

    // The clearing's commit fails with nobody to tell: the log has it, no box.
    esperarLimpieza();
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QVERIFY(nombre->isHidden());
    QVERIFY(el<QLabel>("dbPrecio")->isHidden());
    QVERIFY(el<QLineEdit>("edUltimaCompra")->isHidden());
    QCOMPARE(ed->text(), QString());
    QCOMPARE(w.articuloId(), 0);
    QVERIFY(!w.findChild<QTimer*>(QStringLiteral("TiempoInactivo"))->isActive());

    // A scan while the server is away: the lookup's own message; its clearing says nothing more.
    escanear(kClave);
    QVERIFY(unAvisoDePerdida());
    esperarLimpieza();
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(ed->text(), QString());

    QVERIFY(regresar());
    escanear(kClave);
    QVERIFY2(notificador().messages.empty(), qPrintable(avisos()));
    QCOMPARE(w.articuloId(), 1001);
    QVERIFY(!nombre->isHidden());
}

LUMIVO_TEST_MAIN(TestRecuperacion)
#include "tst_recuperacion.moc"
