// A station whose company database could not be opened: a scan, or F4, says so and how to get
// out, instead of claiming design mode; design mode is reported only once the company is open.
#include "app/Lumivo.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PruebaPrincipal.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestSinEmpresa : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
        QStandardPaths::setTestModeEnabled(true);
    }
    void sinEmpresaLoDice_data();
    void sinEmpresaLoDice();
};

void TestSinEmpresa::sinEmpresaLoDice_data()
{
    QTest::addColumn<bool>("abiertaAntes"); // a company was open before the failing Conexion
    QTest::addColumn<int>("tecla");
    QTest::newRow("company file missing, scan") << false << int(Qt::Key_Return);
    QTest::newRow("company file missing, F4") << false << int(Qt::Key_F4);
    QTest::newRow("reopening failed, scan") << true << int(Qt::Key_Return);
}

void TestSinEmpresa::sinEmpresaLoDice()
{
    QFETCH(bool, abiertaAntes);
    QFETCH(int, tecla);

    testsupport::EstacionPrueba estacion;
    QVERIFY(estacion.valida());
    platform::RecordingNotifier& avisos = estacion.avisos();
    Lumivo& app = estacion.crear();
    TfrmConsulta& w = app.frmConsulta;
    DatosConexion& d = app.sesion.datos;
    d.TipoAcceso = QStringLiteral("1");
    d.CarpetaDatos = estacion.carpeta().path() + QLatin1Char('/');
    d.Usuario = QStringLiteral("SYSDBA");
    if (abiertaAntes) {
        d.Empresa = QStringLiteral("DEMO");
        w.Conexion();
    }
    // As the start-up's step: the failure is reported and the window stays up as it was.
    d.Empresa = QStringLiteral("FALTA");
    platform::guarded(&w, [&] { w.Conexion(); });
    QCOMPARE(avisos.messages.size(), std::size_t{2});
    avisos.clear();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.modoDiseno()); // the built-in tick that the start-up never cleared

    auto* ed = elemento<QLineEdit>(w, "edClave");
    ed->setFocus();
    QTest::keyClicks(ed, QStringLiteral("CCL600"));
    QTest::keyClick(ed, Qt::Key(tecla));
    // Said on the display and the status line, never in a box.
    QVERIFY(avisos.messages.empty());
    auto* aviso = elemento<QLabel>(w, "lblCodigoNoValido");
    QVERIFY(aviso->isVisible());
    const QString texto = aviso->text();
    QVERIFY2(texto.startsWith(QStringLiteral("No hay una empresa abierta")), qPrintable(texto));
    QVERIFY2(texto.contains(QStringLiteral("Archivo › Salir")), qPrintable(texto));
    QCOMPARE(w.statusBar()->currentMessage(), texto);
    QVERIFY(!app.frmBuscarEnCatalogo.isVisible());
    QCOMPARE(w.articuloId(), 0);
    QCOMPARE(ed->text(), QStringLiteral("CCL600"));
    if (tecla == Qt::Key_Return)
        QCOMPARE(ed->selectedText(), QStringLiteral("CCL600")); // refused, the next scan replaces it
}

LUMIVO_TEST_MAIN(TestSinEmpresa)
#include "tst_sinempresa.moc"
