// An article accepted in the catalogue search is the article the main window shows, also when
// its key is shared with another article or is longer than the key box, in a stand-in company
// that holds such keys. The search is opened with F4 and driven with keys and clicks.
#include "app/Lumivo.h"
#include "platform/MessageBox.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/EstacionPrueba.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

class TestArticuloAceptado : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
        QStandardPaths::setTestModeEnabled(true);
    }
    void init();
    void cleanup();

    void filaAceptada_data();
    void filaAceptada();
    void teclearLaClaveSigueIgual();

private:
    template <typename T> T* el(const char* nombre) { return elemento<T>(app().frmConsulta, nombre); }

    std::unique_ptr<testsupport::EstacionPrueba> m_estacion;
    Lumivo& app() const { return m_estacion->app(); }
    platform::RecordingNotifier& notificador() const { return m_estacion->avisos(); }
};

void TestArticuloAceptado::init()
{
    m_estacion = std::make_unique<testsupport::EstacionPrueba>();
    QVERIFY(m_estacion->valida());
    // Keys longer than the key box exist in shops; the stand-in column is widened for them.
    testsupport::runSql(
        testsupport::embeddedParams(m_estacion->rutaEmpresa()),
        QStringLiteral(
            "ALTER TABLE CLAVES_ARTICULOS ALTER COLUMN CLAVE_ARTICULO TYPE VARCHAR(40) CHARACTER SET ISO8859_1;\n"
            "COMMIT;\n"
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA) "
            "VALUES (2001, 'GALLETA SURTIDA CAJA', 2, 'PZA');\n"
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA) "
            "VALUES (2002, 'GALLETA SURTIDA BOLSA', 2, 'PZA');\n"
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA) "
            "VALUES (2003, 'AGUA MINERAL 12 PACK', 2, 'PZA');\n"
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2001, 'GALLETA-SURT', 2001);\n"
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2002, 'GALLETA-SURT', 2002);\n"
            // Its first 20 characters are the whole key of article 1003.
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2003, 'ABCDEFGHIJ0123456789-12PACK', 2003);\n"));
    QVERIFY(m_estacion->abrir());
}

void TestArticuloAceptado::cleanup()
{
    m_estacion.reset();
}

void TestArticuloAceptado::filaAceptada_data()
{
    QTest::addColumn<QString>("buscada"); // typed into the search's key box
    QTest::addColumn<QString>("nombre");  // the row accepted
    QTest::addColumn<int>("articulo");
    QTest::addColumn<QString>("enLaCaja"); // what the main key box then holds

    QTest::newRow("shared key, first article") << "GALLETA-SURT"
                                               << "GALLETA SURTIDA CAJA" << 2001 << "GALLETA-SURT";
    QTest::newRow("shared key, second article") << "GALLETA-SURT"
                                                << "GALLETA SURTIDA BOLSA" << 2002 << "GALLETA-SURT";
    QTest::newRow("key longer than the box") << "-12PACK"
                                             << "AGUA MINERAL 12 PACK" << 2003 << "ABCDEFGHIJ0123456789";
    QTest::newRow("ordinary key") << "CCL600"
                                  << "COCA COLA LIGHT 600ML" << 1001 << "7501055300075";
}

void TestArticuloAceptado::filaAceptada()
{
    QFETCH(QString, buscada);
    QFETCH(QString, nombre);
    QFETCH(int, articulo);
    QFETCH(QString, enLaCaja);

    TfrmBuscarEnCatalogo& b = app().frmBuscarEnCatalogo;
    bool aceptada = false;
    // Once the search's window is up: its first search (of the empty key) runs before it shows.
    testsupport::enSuBucleModal(b, b, [&](bool) {
        auto* clave = b.findChild<QLineEdit*>(QStringLiteral("edClave"));
        clave->setFocus();
        QTest::keyClicks(clave, buscada);
        QTest::keyClick(clave, Qt::Key_Return);
        auto* tabla = b.findChild<QTableView*>(QStringLiteral("wdbTabla"));
        for (int fila = 0; fila < tabla->model()->rowCount(); ++fila) {
            const QModelIndex celda = tabla->model()->index(fila, 0);
            if (celda.data().toString() != nombre)
                continue;
            tabla->scrollTo(celda);
            QTest::mouseClick(tabla->viewport(), Qt::LeftButton, {}, tabla->visualRect(celda).center());
            QTest::keyClick(tabla, Qt::Key_Return);
            aceptada = true;
            return;
        }
        QTest::keyClick(clave, Qt::Key_Escape);
    });
    auto* ed = el<QLineEdit>("edClave");
    ed->setFocus();
    QTest::keyClick(ed, Qt::Key_F4);
    QVERIFY2(aceptada, "the row was not listed");
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QVERIFY(!b.isVisible());

    QCOMPARE(app().frmConsulta.articuloId(), articulo);
    QCOMPARE(el<QLabel>("lblNombreArticulo")->text(), nombre);
    QVERIFY(!el<QLabel>("lblNombreArticulo")->isHidden());
    QCOMPARE(ed->text(), enLaCaja);
    QVERIFY2(notificador().messages.empty(),
             qPrintable(notificador().messages.empty() ? QString() : notificador().messages.front().text));
}

// Typing or scanning a key still finds by the key: of two articles sharing it, the first the
// server returns; a longer text by its first 20 characters.
void TestArticuloAceptado::teclearLaClaveSigueIgual()
{
    auto* ed = el<QLineEdit>("edClave");
    QTest::keyClicks(ed, QStringLiteral("ABCDEFGHIJ0123456789-12PACK"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(esperarRespuesta(app().frmConsulta));
    QCOMPARE(app().frmConsulta.articuloId(), 1003);
    QCOMPARE(ed->text(), QStringLiteral("ABCDEFGHIJ0123456789"));
}

LUMIVO_TEST_MAIN(TestArticuloAceptado)
#include "tst_articuloaceptado.moc"
