#include "config/DialogoFuente.h"
#include "config/uConfiguracion.h"
#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/Colores.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString kSinClientes = QStringLiteral("Necesita crear un cliente en Microsip.");

// The rows as installed by the scripts, "KEY|int|str|chr".
const QStringList kInstaladas{
    QStringLiteral("ALMACEN_ID|19|NULL|NULL"),
    QStringLiteral("CLIENTE_EVENTUAL_ID|465|NULL|NULL"),
    QStringLiteral("COLOR_NOM_ART|NULL|$00D57909|NULL"),
    QStringLiteral("COLOR_PRE_ART|NULL|$000080FF|NULL"),
    QStringLiteral("DSCTOS_COMBO|NULL|NULL|S"),
    QStringLiteral("ESTILO_NOM_ART|NULL|Bold|NULL"),
    QStringLiteral("ESTILO_PRE_ART|NULL|Bold|NULL"),
    QStringLiteral("FONT_NOM_ART|45|Tahoma|NULL"),
    QStringLiteral("FONT_PRE_ART|80|Tahoma|NULL"),
    QStringLiteral("MOSTRAR_BUSCADOR|NULL|NULL|S"),
    QStringLiteral("MOSTRAR_EXISTENCIA|NULL|NULL|S"),
    QStringLiteral("MOSTRAR_LST_PRECIOS|NULL|NULL|S"),
    QStringLiteral("MOSTRAR_POL_VOL|NULL|NULL|S"),
    QStringLiteral("POLITICA_VOL_ID|0|NULL|NULL"),
    QStringLiteral("PRECIO_EMPRESA_ID|450|NULL|NULL"),
    QStringLiteral("SEGUNDOS_ESPERA|30|NULL|NULL"),
    QStringLiteral("VERSION|0|NULL|NULL"),
};
// What the first showing adds to them.
const QStringList kInsertadasAlInstalar{
    QStringLiteral("MOSTRAR_CLAVE|NULL|NULL|S"),
    QStringLiteral("MOSTRAR_IMAGEN_EMPRESA|NULL|NULL|S"),
    QStringLiteral("ORDEN_PRECIO|0|NULL|NULL"),
};

QStringList ordenadas(QStringList filas)
{
    filas.sort();
    return filas;
}

QStringList instaladasYAbiertas()
{
    return ordenadas(kInstaladas + kInsertadasAlInstalar);
}

// The rows with one key's row replaced.
QStringList con(QStringList filas, const QString& fila)
{
    const QString clave = fila.section(u'|', 0, 0) + u'|';
    for (QString& f : filas) {
        if (f.startsWith(clave))
            f = fila;
    }
    return filas;
}

// Clicks, in the chooser's style list, the style of the shown face with that weight (bold or
// regular) and slant, the plain width if there are several. False when the face has none.
bool elegirEstilo(QFontDialog& selector, bool negrita, bool cursiva)
{
    // The chooser's three lists, left to right: face, style, size.
    QList<QListView*> listas = selector.findChildren<QListView*>();
    std::sort(listas.begin(), listas.end(), [](QListView* a, QListView* b) { return a->x() < b->x(); });
    if (listas.size() < 2)
        return false;
    const QString cara = listas[0]->currentIndex().data().toString();
    QListView* estilos = listas[1];
    QModelIndex mejor;
    for (int fila = 0; fila < estilos->model()->rowCount(); ++fila) {
        const QModelIndex i = estilos->model()->index(fila, 0);
        const QFont f = QFontDatabase::font(cara, i.data().toString(), 12);
        if (f.weight() != (negrita ? QFont::Bold : QFont::Normal) || f.italic() != cursiva)
            continue;
        if (!mejor.isValid() || i.data().toString().size() < mejor.data().toString().size())
            mejor = i;
    }
    if (!mejor.isValid())
        return false;
    estilos->scrollTo(mejor);
    QTest::mouseClick(estilos->viewport(), Qt::LeftButton, {}, estilos->visualRect(mejor).center());
    return estilos->currentIndex() == mejor;
}

} // namespace

class TestConfiguracion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Lumivo")); }
    void init();
    void cleanup();

    void primeraVezEnBaseInstalada();
    void tablaSinFilas();
    void empresaSinClientes_data();
    void empresaSinClientes();
    void guardarEscribeCadaFila();
    void segundos_data();
    void segundos();
    void segundosQueNoSonNumeroNoGuardanNada_data();
    void segundosQueNoSonNumeroNoGuardanNada();
    void cerrarNoGuardaNada();
    void fallaAlGuardarNoDejaNadaAMedias();
    void listaVacia_data();
    void listaVacia();
    void idsFueraDeLasListas();
    void ordenSigueALaListaDePrecios();
    void eleccionDeFuente();
    void soloNegrita_data();
    void soloNegrita();
    void cancelarDejaLaFuenteGuardada();
    void textosDeQtEnEspanol();
    void filaDeFuenteIlegible_data();
    void filaDeFuenteIlegible();
    void colorIlegible_data();
    void colorIlegible();
    void etiquetasDeBascula();
    void etiquetasQueNuncaSeAlcanzan();
    void escaparate();
    void escaparateSinListasOcultas();
    void ajustesDeLaEstacion();
    void estacionSinGuardarNoPierdeNada();

private:
    template <typename T> T* el(const char* nombre)
    {
        auto* w = m_dlg->findChild<T*>(QString::fromLatin1(nombre));
        if (!w)
            qFatal("no element %s", nombre);
        return w;
    }
    void sql(const QString& texto) { testsupport::runSql(testsupport::embeddedParams(m_ruta), texto); }
    void abrir();
    bool mostrar();
    QStringList filas();
    void guardar() { QTest::mouseClick(el<QPushButton>("pbsGuardar"), Qt::LeftButton); }
    void escribirSegundos(const QString& texto);
    // Runs `accion` on the font chooser once it is shown modally, then makes sure it is closed.
    void conDialogoFuente(std::function<void(DialogoFuente&)> accion);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<TfrmConfiguracion> m_dlg;
    QString m_ruta;
    int m_recargas = 0;
    int m_terminaciones = 0;
    bool m_dialogoFuenteVisto = false;
};

void TestConfiguracion::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    m_ruta = pruebas::empresaInstalada(m_dir->path());
    m_recargas = 0;
    m_terminaciones = 0;
}

void TestConfiguracion::cleanup()
{
    // As in the program, the dialog goes before the data module whose connection it uses.
    m_dlg.reset();
    m_dm.reset();
    m_avisos.reset();
    m_dir.reset();
}

void TestConfiguracion::abrir()
{
    m_dm->fdConexion.setParams(testsupport::embeddedParams(m_ruta));
    m_dm->fdConexion.open();
    m_dlg = std::make_unique<TfrmConfiguracion>(
        *m_dm, [this] { ++m_recargas; }, [this] { ++m_terminaciones; });
}

bool TestConfiguracion::mostrar()
{
    m_dlg->show();
    return QTest::qWaitForWindowExposed(m_dlg.get());
}

QStringList TestConfiguracion::filas()
{
    // A transaction of its own sees only what was committed.
    fb::Transaction t(m_dm->fdConexion);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("select configuracion, valor_int, valor_str, valor_chr from ZANTOR_LMV_CONFIG"));
    q.open();
    QStringList resultado;
    auto texto = [](const fb::Value& v) { return v.isNull() ? QStringLiteral("NULL") : v.toString(); };
    while (q.next())
        resultado << QStringList{texto(q.value(0)), texto(q.value(1)), texto(q.value(2)), texto(q.value(3))}.join(u'|');
    t.commit();
    return ordenadas(resultado);
}

void TestConfiguracion::escribirSegundos(const QString& texto)
{
    auto* ed = el<QLineEdit>("edSegundos");
    ed->setFocus();
    ed->selectAll();
    QTest::keyClick(ed, Qt::Key_Backspace);
    QTest::keyClicks(ed, texto);
}

void TestConfiguracion::conDialogoFuente(std::function<void(DialogoFuente&)> accion)
{
    m_dialogoFuenteVisto = false;
    QTimer::singleShot(0, this, [this, accion] {
        auto* d = qobject_cast<DialogoFuente*>(QApplication::activeModalWidget());
        if (d) {
            m_dialogoFuenteVisto = true;
            accion(*d);
        }
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != m_dlg.get())
            modal->close();
    });
}

// ---- load ------------------------------------------------------------------------------------

void TestConfiguracion::primeraVezEnBaseInstalada()
{
    abrir();
    QCOMPARE(filas(), ordenadas(kInstaladas));
    QVERIFY(mostrar());

    // The three rows the installation does not write are inserted once and committed; the second
    // pass of the load inserts nothing more.
    QCOMPARE(filas(), instaladasYAbiertas());
    QCOMPARE(el<QComboBox>("cboOrdenPrecios")->currentText(), QStringLiteral("Menor precio"));
    QVERIFY(el<QComboBox>("cboOrdenPrecios")->isEnabled());
    QVERIFY(el<QCheckBox>("cheClaves")->isChecked());
    QVERIFY(el<QCheckBox>("cheImagenEmpresa")->isChecked());
    for (const char* nombre : {"cheExistencia", "cheListPrecios", "chePolVolumen", "cheDsctoCombo", "cheBuscador"})
        QVERIFY2(el<QCheckBox>(nombre)->isChecked(), nombre);
    QCOMPARE(el<QComboBox>("dbClienteEventual")->currentText(), QStringLiteral("PUBLICO EN GENERAL"));
    QCOMPARE(el<QComboBox>("dbListaPrecios")->currentText(), QStringLiteral("Mayoreo"));
    QCOMPARE(el<QComboBox>("dbListaPrecios")->count(), 3);
    QCOMPARE(el<QComboBox>("dbPoliticaVolumen")->currentIndex(), -1); // 0 is no policy's id
    QCOMPARE(el<QComboBox>("dbAlmacenes")->currentText(), QStringLiteral("Matriz"));
    QCOMPARE(el<QLineEdit>("edSegundos")->text(), QStringLiteral("30"));
    QCOMPARE(m_dlg->tamanoNombre(), 45);
    QCOMPARE(m_dlg->tamanoPrecio(), 80);
    auto* nombre = el<QLabel>("lblNombre");
    QCOMPARE(nombre->font().family(), QStringLiteral("Tahoma"));
    QVERIFY(nombre->font().bold());
    QCOMPARE(nombre->font().pointSize(), 9); // the preview keeps its own size
    QCOMPARE(nombre->palette().color(QPalette::WindowText), QColor(9, 121, 213));
    QCOMPARE(el<QLabel>("lblPrecio")->palette().color(QPalette::WindowText), QColor(255, 128, 0));
    QVERIFY(m_avisos->messages.empty());

    m_dlg->close();
    QCOMPARE(m_recargas, 1);
    QVERIFY(mostrar());
    QCOMPARE(filas(), instaladasYAbiertas());
    QCOMPARE(m_recargas, 1);
}

void TestConfiguracion::tablaSinFilas()
{
    sql(QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG;"));
    abrir();
    QVERIFY(mostrar());

    // Every row but the fonts' is inserted with the dialog's own values.
    QCOMPARE(filas(), ordenadas({
                          QStringLiteral("ALMACEN_ID|19|NULL|NULL"),
                          QStringLiteral("CLIENTE_EVENTUAL_ID|0|NULL|NULL"),
                          QStringLiteral("DSCTOS_COMBO|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_BUSCADOR|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_CLAVE|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_EXISTENCIA|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_IMAGEN_EMPRESA|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_LST_PRECIOS|NULL|NULL|S"),
                          QStringLiteral("MOSTRAR_POL_VOL|NULL|NULL|S"),
                          QStringLiteral("ORDEN_PRECIO|0|NULL|NULL"),
                          QStringLiteral("POLITICA_VOL_ID|0|NULL|NULL"),
                          QStringLiteral("PRECIO_EMPRESA_ID|42|NULL|NULL"),
                          QStringLiteral("SEGUNDOS_ESPERA|10|NULL|NULL"),
                      }));
    QCOMPARE(el<QComboBox>("dbClienteEventual")->currentIndex(), -1);
    QCOMPARE(el<QComboBox>("dbListaPrecios")->currentText(), QStringLiteral("Precio de lista"));
    QCOMPARE(el<QComboBox>("dbAlmacenes")->currentText(), QStringLiteral("Matriz"));
    QCOMPARE(el<QLineEdit>("edSegundos")->text(), QStringLiteral("10"));
    QCOMPARE(el<QComboBox>("cboOrdenPrecios")->currentIndex(), 0);
    auto* nombre = el<QLabel>("lblNombre");
    QCOMPARE(nombre->font().family(), QStringLiteral("Tahoma"));
    QVERIFY(nombre->font().bold());
    QCOMPARE(nombre->palette().color(QPalette::WindowText), QColor(9, 121, 213));
    QCOMPARE(m_dlg->tamanoNombre(), 0);
    QCOMPARE(m_dlg->tamanoPrecio(), 0);
    QVERIFY(m_avisos->messages.empty());
}

void TestConfiguracion::empresaSinClientes_data()
{
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<int>("avisos");
    QTest::addColumn<bool>("filaCliente");
    QTest::newRow("tabla completa: una pasada, un aviso")
        << QStringLiteral(
               "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('ORDEN_PRECIO', 0);"
               "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('MOSTRAR_CLAVE', 'S');"
               "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('MOSTRAR_IMAGEN_EMPRESA', 'S');")
        << 1 << true;
    QTest::newRow("tabla instalada: faltan filas, dos pasadas") << QString() << 2 << true;
    QTest::newRow("tabla vacía: dos pasadas") << QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG;") << 2 << false;
}

void TestConfiguracion::empresaSinClientes()
{
    QFETCH(QString, preparar);
    QFETCH(int, avisos);
    QFETCH(bool, filaCliente);
    sql(QStringLiteral("DELETE FROM CLIENTES;") + preparar);
    abrir();
    // Not waited for: the dialog closes itself as soon as events are processed.
    m_dlg->show();

    QCOMPARE(m_avisos->messages.size(), std::size_t(avisos));
    for (const auto& m : m_avisos->messages) {
        QCOMPARE(m.text, kSinClientes);
        QCOMPARE(m.title, QStringLiteral("Zantor"));
        QCOMPARE(m.icon, platform::Icon::Warning);
    }
    QCOMPARE(m_terminaciones, avisos);
    // The rest of the load ran; the customer row was left alone.
    const QStringList f = filas();
    QCOMPARE(f.filter(QStringLiteral("CLIENTE_EVENTUAL_ID|")),
             filaCliente ? QStringList{QStringLiteral("CLIENTE_EVENTUAL_ID|465|NULL|NULL")} : QStringList());
    QVERIFY(f.contains(QStringLiteral("MOSTRAR_CLAVE|NULL|NULL|S")));
    // The program is ending: the dialog closes itself once its event loop runs.
    QTRY_VERIFY(!m_dlg->isVisible());
    QCOMPARE(m_recargas, 1);
}

// ---- save ------------------------------------------------------------------------------------

void TestConfiguracion::guardarEscribeCadaFila()
{
    abrir();
    QVERIFY(mostrar());
    auto elegir = [this](const char* caja, const QString& texto) {
        auto* c = el<QComboBox>(caja);
        c->setFocus();
        QTest::keyClicks(c, texto);
    };
    elegir("dbClienteEventual", QStringLiteral("Emp"));
    elegir("dbListaPrecios", QStringLiteral("Dis"));
    elegir("dbPoliticaVolumen", QStringLiteral("Liq"));
    elegir("dbAlmacenes", QStringLiteral("Bod"));
    elegir("cboOrdenPrecios", QStringLiteral("Nom"));
    QCOMPARE(el<QComboBox>("dbClienteEventual")->currentText(), QStringLiteral("Empleados (cortesía)"));
    QCOMPARE(el<QComboBox>("dbPoliticaVolumen")->currentText(), QStringLiteral("Liquidación"));
    QCOMPARE(el<QComboBox>("cboOrdenPrecios")->currentIndex(), 2);
    for (const char* nombre : {"cheExistencia", "chePolVolumen", "cheImagenEmpresa", "cheDsctoCombo"})
        QTest::mouseClick(el<QCheckBox>(nombre), Qt::LeftButton);
    escribirSegundos(QStringLiteral("45"));

    guardar();

    QVERIFY(m_avisos->messages.empty());
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_recargas, 1);
    QStringList esperadas = instaladasYAbiertas();
    for (const char* fila :
         {"CLIENTE_EVENTUAL_ID|467|NULL|NULL", "PRECIO_EMPRESA_ID|451|NULL|NULL", "POLITICA_VOL_ID|12|NULL|NULL",
          "ALMACEN_ID|20|NULL|NULL", "MOSTRAR_EXISTENCIA|NULL|NULL|N", "ORDEN_PRECIO|2|NULL|NULL",
          "MOSTRAR_POL_VOL|NULL|NULL|N", "SEGUNDOS_ESPERA|45|NULL|NULL", "MOSTRAR_IMAGEN_EMPRESA|NULL|NULL|N",
          "DSCTOS_COMBO|NULL|NULL|N"})
        esperadas = con(esperadas, QString::fromUtf8(fila));
    // The font rows go back as loaded, the built-in colours in their "$" form.
    QCOMPARE(filas(), esperadas);
}

void TestConfiguracion::segundos_data()
{
    QTest::addColumn<int>("guardado");
    QTest::addColumn<QString>("accion"); // "^"/"v" the arrows, "↑"/"↓" the keys, else text typed
    QTest::addColumn<int>("esperado");

    QTest::newRow("5 guardado sobrevive") << 5 << QString() << 5;
    QTest::newRow("escrito fuera del rango de las flechas") << 30 << QStringLiteral("1500") << 1500;
    QTest::newRow("letras no entran en la caja") << 30 << QStringLiteral("a1b2") << 12;
    QTest::newRow("flecha arriba desde 5 lleva al mínimo") << 5 << QStringLiteral("^") << 30;
    QTest::newRow("flecha arriba en el máximo") << 1000 << QStringLiteral("^") << 1000;
    QTest::newRow("flecha abajo") << 45 << QStringLiteral("v") << 44;
    QTest::newRow("tecla abajo en 31") << 31 << QStringLiteral("↓") << 30;
    QTest::newRow("tecla arriba") << 30 << QStringLiteral("↑") << 31;
}

void TestConfiguracion::segundos()
{
    QFETCH(int, guardado);
    QFETCH(QString, accion);
    QFETCH(int, esperado);
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = %1 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';")
            .arg(guardado));
    abrir();
    QVERIFY(mostrar());
    auto* ed = el<QLineEdit>("edSegundos");
    QCOMPARE(ed->text(), QString::number(guardado));

    if (accion == QStringLiteral("^"))
        QTest::mouseClick(el<QToolButton>("UpDown1Arriba"), Qt::LeftButton);
    else if (accion == QStringLiteral("v"))
        QTest::mouseClick(el<QToolButton>("UpDown1Abajo"), Qt::LeftButton);
    else if (accion == QStringLiteral("↑") || accion == QStringLiteral("↓"))
        QTest::keyClick(ed, accion == QStringLiteral("↑") ? Qt::Key_Up : Qt::Key_Down);
    else if (!accion.isEmpty())
        escribirSegundos(accion);
    guardar();

    QVERIFY(m_avisos->messages.empty());
    QVERIFY(filas().contains(QStringLiteral("SEGUNDOS_ESPERA|%1|NULL|NULL").arg(esperado)));
}

void TestConfiguracion::segundosQueNoSonNumeroNoGuardanNada_data()
{
    QTest::addColumn<QString>("texto");
    QTest::newRow("vacío") << QString();
    QTest::newRow("más de lo que cabe en un entero") << QStringLiteral("99999999999");
}

void TestConfiguracion::segundosQueNoSonNumeroNoGuardanNada()
{
    QFETCH(QString, texto);
    abrir();
    QVERIFY(mostrar());
    const QStringList antes = filas();
    QTest::mouseClick(el<QCheckBox>("cheExistencia"), Qt::LeftButton);
    escribirSegundos(texto);

    guardar();

    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
    QVERIFY(m_avisos->messages.front().text.contains(QStringLiteral("segundos")));
    QCOMPARE(m_avisos->messages.front().title, QStringLiteral("Zantor"));
    QCOMPARE(m_avisos->messages.front().icon, platform::Icon::Warning);
    QVERIFY(m_dlg->isVisible());
    QCOMPARE(m_recargas, 0);
    QCOMPARE(filas(), antes);

    // The operator fixes the number and saves everything.
    escribirSegundos(QStringLiteral("20"));
    guardar();
    QCOMPARE(filas(), con(con(antes, QStringLiteral("SEGUNDOS_ESPERA|20|NULL|NULL")),
                          QStringLiteral("MOSTRAR_EXISTENCIA|NULL|NULL|N")));
    QCOMPARE(m_recargas, 1);
}

void TestConfiguracion::cerrarNoGuardaNada()
{
    abrir();
    QVERIFY(mostrar());
    const QStringList antes = filas();
    QTest::mouseClick(el<QCheckBox>("cheExistencia"), Qt::LeftButton);
    auto* almacenes = el<QComboBox>("dbAlmacenes");
    almacenes->setFocus();
    QTest::keyClicks(almacenes, QStringLiteral("Bod"));
    escribirSegundos(QStringLiteral("99"));

    m_dlg->close();

    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(filas(), antes);
    // The main window reloads its settings however the dialog closes.
    QCOMPARE(m_recargas, 1);

    // Nothing the operator changed survives into the next showing.
    QVERIFY(mostrar());
    QVERIFY(el<QCheckBox>("cheExistencia")->isChecked());
    QCOMPARE(almacenes->currentText(), QStringLiteral("Matriz"));
    QCOMPARE(el<QLineEdit>("edSegundos")->text(), QStringLiteral("30"));
}

void TestConfiguracion::fallaAlGuardarNoDejaNadaAMedias()
{
    // The last font update is refused by the database, after every other row was updated.
    sql(QStringLiteral("CREATE EXCEPTION E_PRUEBA 'Fila rechazada por la prueba';\n"
                       "COMMIT;\n"
                       "SET TERM ^ ;\n"
                       "CREATE TRIGGER T_PRUEBA FOR ZANTOR_LMV_CONFIG BEFORE UPDATE AS\n"
                       "BEGIN\n"
                       "  IF (NEW.CONFIGURACION = 'ESTILO_PRE_ART') THEN EXCEPTION E_PRUEBA;\n"
                       "END^\n"
                       "SET TERM ; ^\n"));
    abrir();
    QVERIFY(mostrar());
    const QStringList antes = filas();
    QTest::mouseClick(el<QCheckBox>("cheExistencia"), Qt::LeftButton);
    escribirSegundos(QStringLiteral("77"));

    guardar();

    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
    QVERIFY2(m_avisos->messages.front().text.contains(QStringLiteral("Fila rechazada por la prueba")),
             qPrintable(m_avisos->messages.front().text));
    QCOMPARE(m_avisos->messages.front().title, QStringLiteral("Lumivo"));
    QVERIFY(m_dlg->isVisible());
    QCOMPARE(m_recargas, 0);
    QCOMPARE(filas(), antes);
    // The choices are still there to be saved again.
    QVERIFY(!el<QCheckBox>("cheExistencia")->isChecked());
    QCOMPARE(el<QLineEdit>("edSegundos")->text(), QStringLiteral("77"));

    // Neither closing nor the next showing commits what the failed save had written.
    m_dlg->close();
    QVERIFY(mostrar());
    QCOMPARE(filas(), antes);
    QVERIFY(el<QCheckBox>("cheExistencia")->isChecked());
}

void TestConfiguracion::listaVacia_data()
{
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<QString>("caja");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<bool>("sinFila");

    QTest::newRow("sin listas de precios") << "PRECIOS_EMPRESA"
                                           << "dbListaPrecios"
                                           << "PRECIO_EMPRESA_ID" << false;
    QTest::newRow("sin listas de precios ni su fila") << "PRECIOS_EMPRESA"
                                                      << "dbListaPrecios"
                                                      << "PRECIO_EMPRESA_ID" << true;
    QTest::newRow("sin políticas") << "POLITICAS_DSCTOS_VOLUMEN"
                                   << "dbPoliticaVolumen"
                                   << "POLITICA_VOL_ID" << false;
    QTest::newRow("sin almacenes") << "ALMACENES"
                                   << "dbAlmacenes"
                                   << "ALMACEN_ID" << false;
    QTest::newRow("sin almacenes ni su fila") << "ALMACENES"
                                              << "dbAlmacenes"
                                              << "ALMACEN_ID" << true;
}

void TestConfiguracion::listaVacia()
{
    QFETCH(QString, tabla);
    QFETCH(QString, caja);
    QFETCH(QString, clave);
    QFETCH(bool, sinFila);
    QString preparar = QStringLiteral("DELETE FROM %1;").arg(tabla);
    if (sinFila)
        preparar += QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = '%1';").arg(clave);
    sql(preparar);
    abrir();
    QVERIFY(mostrar());
    QVERIFY(!el<QComboBox>(qPrintable(caja))->isEnabled());
    QStringList esperadas = instaladasYAbiertas();
    if (sinFila) {
        // No row is inserted for a list that has nothing to choose.
        esperadas.removeIf([&clave](const QString& f) { return f.startsWith(clave + u'|'); });
    }
    QCOMPARE(filas(), esperadas);

    QTest::mouseClick(el<QCheckBox>("cheExistencia"), Qt::LeftButton);
    guardar();

    // The box has no choice to save: its row is skipped and the rest is saved.
    QVERIFY(m_avisos->messages.empty());
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(filas(), con(esperadas, QStringLiteral("MOSTRAR_EXISTENCIA|NULL|NULL|N")));
}

void TestConfiguracion::idsFueraDeLasListas()
{
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 999 WHERE CONFIGURACION = 'PRECIO_EMPRESA_ID';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = NULL WHERE CONFIGURACION = 'CLIENTE_EVENTUAL_ID';"
                       "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('ORDEN_PRECIO', 7);"));
    abrir();
    QVERIFY(mostrar());
    const QStringList antes = filas();
    QCOMPARE(el<QComboBox>("dbListaPrecios")->currentIndex(), -1);
    QCOMPARE(el<QComboBox>("dbClienteEventual")->currentIndex(), -1);
    QCOMPARE(el<QComboBox>("cboOrdenPrecios")->currentIndex(), -1);

    guardar();

    // Stored ids that no list row has go back unchanged; an order outside the list is written -1.
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(filas(), con(antes, QStringLiteral("ORDEN_PRECIO|-1|NULL|NULL")));
    QVERIFY(filas().contains(QStringLiteral("PRECIO_EMPRESA_ID|999|NULL|NULL")));
    QVERIFY(filas().contains(QStringLiteral("CLIENTE_EVENTUAL_ID|NULL|NULL|NULL")));
}

void TestConfiguracion::ordenSigueALaListaDePrecios()
{
    abrir();
    QVERIFY(mostrar());
    auto* lista = el<QCheckBox>("cheListPrecios");
    auto* orden = el<QComboBox>("cboOrdenPrecios");
    QVERIFY(orden->isEnabled());
    orden->setFocus();
    QTest::keyClicks(orden, QStringLiteral("May"));
    QTest::mouseClick(lista, Qt::LeftButton);
    QVERIFY(!orden->isEnabled());
    QTest::mouseClick(lista, Qt::LeftButton);
    QVERIFY(orden->isEnabled());
    QTest::mouseClick(lista, Qt::LeftButton);

    guardar();

    // The order is saved although its box is disabled.
    const QStringList f = filas();
    QVERIFY(f.contains(QStringLiteral("ORDEN_PRECIO|1|NULL|NULL")));
    QVERIFY(f.contains(QStringLiteral("MOSTRAR_LST_PRECIOS|NULL|NULL|N")));

    // The next showing disables it from the loaded value alone.
    QVERIFY(mostrar());
    QVERIFY(!lista->isChecked());
    QVERIFY(!orden->isEnabled());
    QCOMPARE(orden->currentText(), QStringLiteral("Mayor precio"));
}

void TestConfiguracion::eleccionDeFuente()
{
    abrir();
    QVERIFY(mostrar());
    auto* nombre = el<QLabel>("lblNombre");
    auto* precio = el<QLabel>("lblPrecio");

    // The chooser opens on the name as installed (45 points, bold, colour $00D57909, which is none
    // of the sixteen); the operator picks an italic, underlined serif face of 30 points in red.
    QFont primera;
    QVariant primerColor;
    conDialogoFuente([&](DialogoFuente& d) {
        auto* selector = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"));
        auto* colores = d.findChild<QComboBox*>(QStringLiteral("dFontColor"));
        primera = selector->currentFont();
        primerColor = colores->currentData();
        QFont elegida(QStringLiteral("DejaVu Serif"));
        elegida.setPointSize(30);
        elegida.setItalic(true);
        elegida.setUnderline(true);
        selector->setCurrentFont(elegida);
        colores->setCurrentIndex(colores->findData(0x0000FFu));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontAceptar")), Qt::LeftButton);
    });
    QTest::mouseDClick(nombre, Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QVERIFY(primera.bold());
    QCOMPARE(primera.pointSize(), 45);
    QCOMPARE(primerColor.toUInt(), 0xD57909u);

    QCOMPARE(nombre->font().family(), QStringLiteral("DejaVu Serif"));
    QVERIFY(nombre->font().italic());
    QVERIFY(nombre->font().underline());
    QVERIFY(!nombre->font().bold());
    QCOMPARE(nombre->font().pointSize(), 9);
    QCOMPARE(nombre->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(m_dlg->tamanoNombre(), 30);

    // The price's chooser opens on the price, not on the name's last choice; cancelling it changes
    // nothing.
    QFont segunda;
    QVariant segundoColor;
    conDialogoFuente([&](DialogoFuente& d) {
        auto* selector = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"));
        segunda = selector->currentFont();
        segundoColor = d.findChild<QComboBox*>(QStringLiteral("dFontColor"))->currentData();
        selector->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono"), 50));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontCancelar")), Qt::LeftButton);
    });
    QTest::mouseDClick(precio, Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QCOMPARE(segunda.pointSize(), 80);
    QVERIFY(segunda.bold());
    QVERIFY(!segunda.italic());
    QCOMPARE(segundoColor.toUInt(), 0x0080FFu);
    QCOMPARE(precio->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(precio->palette().color(QPalette::WindowText), QColor(255, 128, 0));
    QCOMPARE(m_dlg->tamanoPrecio(), 80);

    // The name's chooser opens on the name's new font.
    QFont tercera;
    conDialogoFuente([&](DialogoFuente& d) {
        tercera = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"))->currentFont();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontCancelar")), Qt::LeftButton);
    });
    QTest::mouseDClick(nombre, Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QCOMPARE(tercera.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(tercera.pointSize(), 30);

    guardar();

    QVERIFY(m_avisos->messages.empty());
    QStringList esperadas = instaladasYAbiertas();
    for (const char* fila : {"FONT_NOM_ART|30|DejaVu Serif|NULL", "COLOR_NOM_ART|NULL|clRed|NULL",
                             "ESTILO_NOM_ART|NULL|ItalicUnderLine|NULL"})
        esperadas = con(esperadas, QString::fromUtf8(fila));
    QCOMPARE(filas(), esperadas);
}

void TestConfiguracion::soloNegrita_data()
{
    QTest::addColumn<QString>("cara");
    QTest::addColumn<int>("puntos");
    QTest::addColumn<QString>("color");   // as stored
    QTest::addColumn<uint>("valor");      // what it reads as
    QTest::addColumn<QString>("muestra"); // the colour list's entry
    QTest::addColumn<QString>("estilo");
    QTest::addColumn<QString>("guardado"); // the style saved once bold is added
    QTest::newRow("cara, cursiva y subrayado, color propio")
        << QStringLiteral("DejaVu Serif") << 30 << QStringLiteral("#123456") << 0x563412u
        << QStringLiteral("Personalizado (#123456)") << QStringLiteral("ItalicUnderLine")
        << QStringLiteral("BoldItalicUnderLine");
    // The chooser has no "Regular" in this face (its upright style is "Book"), and no 52 in its list.
    QTest::newRow("tachado, tamaño fuera de la lista, color con byte alto")
        << QStringLiteral("DejaVu Sans") << 52 << QStringLiteral("$02563412") << 0x02563412u
        << QStringLiteral("Personalizado (#123456)") << QStringLiteral("StrikeOut") << QStringLiteral("BoldStrike");
    QTest::newRow("cara que no está instalada, color con nombre")
        << QStringLiteral("Sin Instalar Sans") << 45 << QStringLiteral("clNavy") << 0x800000u
        << QStringLiteral("Azul marino") << QString() << QStringLiteral("Bold");
}

// The chooser opens on the stored font, and choosing only bold changes only bold: face, size, the
// other effects and the colour are saved as they were stored.
void TestConfiguracion::soloNegrita()
{
    QFETCH(QString, cara);
    QFETCH(int, puntos);
    QFETCH(QString, color);
    QFETCH(uint, valor);
    QFETCH(QString, muestra);
    QFETCH(QString, estilo);
    QFETCH(QString, guardado);
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = %1, VALOR_STR = '%2' "
                       "WHERE CONFIGURACION = 'FONT_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = '%3' WHERE CONFIGURACION = 'COLOR_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = '%4' WHERE CONFIGURACION = 'ESTILO_NOM_ART';")
            .arg(puntos)
            .arg(cara, color, estilo));
    abrir();
    QVERIFY(mostrar());
    const EstiloFuente guardadoAntes = TextoAEstilo(estilo);

    QFont mostrada;
    QVariant colorMostrado;
    QString textoColor;
    bool negritaElegida = false;
    conDialogoFuente([&](DialogoFuente& d) {
        auto* selector = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"));
        auto* colores = d.findChild<QComboBox*>(QStringLiteral("dFontColor"));
        mostrada = selector->currentFont();
        colorMostrado = colores->currentData();
        textoColor = colores->currentText();
        negritaElegida = elegirEstilo(*selector, true, guardadoAntes.italic);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontAceptar")), Qt::LeftButton);
    });
    QTest::mouseDClick(el<QLabel>("lblNombre"), Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QVERIFY(negritaElegida);

    if (QFontDatabase::families().contains(cara))
        QCOMPARE(mostrada.family(), cara);
    QCOMPARE(mostrada.pointSize(), puntos);
    QVERIFY(!mostrada.bold());
    QCOMPARE(mostrada.italic(), guardadoAntes.italic);
    QCOMPARE(mostrada.underline(), guardadoAntes.underline);
    QCOMPARE(mostrada.strikeOut(), guardadoAntes.strikeOut);
    QCOMPARE(colorMostrado.toUInt(), valor);
    QCOMPARE(textoColor, muestra);

    guardar();
    QVERIFY(m_avisos->messages.empty());
    QStringList esperadas = instaladasYAbiertas();
    esperadas = con(esperadas, QStringLiteral("FONT_NOM_ART|%1|%2|NULL").arg(puntos).arg(cara));
    esperadas = con(esperadas, QStringLiteral("COLOR_NOM_ART|NULL|%1|NULL").arg(color));
    esperadas = con(esperadas, QStringLiteral("ESTILO_NOM_ART|NULL|%1|NULL").arg(guardado));
    QCOMPARE(filas(), esperadas);
}

// Whatever the operator does in the chooser, "Cancelar" leaves the element as stored, and the next
// opening shows it again.
void TestConfiguracion::cancelarDejaLaFuenteGuardada()
{
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 30, VALOR_STR = 'DejaVu Serif' "
                       "WHERE CONFIGURACION = 'FONT_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = '#123456' WHERE CONFIGURACION = 'COLOR_NOM_ART';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'Italic' WHERE CONFIGURACION = 'ESTILO_NOM_ART';"));
    abrir();
    QVERIFY(mostrar());
    const QStringList guardadas = filas();
    auto* nombre = el<QLabel>("lblNombre");
    const QFont antes = nombre->font();

    conDialogoFuente([&](DialogoFuente& d) {
        auto* selector = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"));
        auto* colores = d.findChild<QComboBox*>(QStringLiteral("dFontColor"));
        QFont otra(QStringLiteral("DejaVu Sans Mono"), 50);
        otra.setBold(true);
        otra.setStrikeOut(true);
        selector->setCurrentFont(otra);
        colores->setCurrentIndex(colores->findData(0x0000FFu));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontCancelar")), Qt::LeftButton);
    });
    QTest::mouseDClick(nombre, Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QCOMPARE(nombre->font(), antes);
    QCOMPARE(nombre->palette().color(QPalette::WindowText), QColor(0x12, 0x34, 0x56));
    QCOMPARE(m_dlg->tamanoNombre(), 30);

    QFont otraVez;
    QString textoColor;
    conDialogoFuente([&](DialogoFuente& d) {
        otraVez = d.findChild<QFontDialog*>(QStringLiteral("dFontSelector"))->currentFont();
        textoColor = d.findChild<QComboBox*>(QStringLiteral("dFontColor"))->currentText();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontCancelar")), Qt::LeftButton);
    });
    QTest::mouseDClick(nombre, Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    QCOMPARE(otraVez.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(otraVez.pointSize(), 30);
    QVERIFY(otraVez.italic());
    QVERIFY(!otraVez.bold());
    QCOMPARE(textoColor, QStringLiteral("Personalizado (#123456)"));

    guardar();
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(filas(), guardadas);
}

// With Qt's Spanish texts installed, as the station does at start, the chooser's captions and the
// standard buttons of the configuration read Spanish.
void TestConfiguracion::textosDeQtEnEspanol()
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm")))
        QSKIP("Qt's Spanish translation (qt6-translations-l10n) is not installed here");
    // A folder without the file: one line in the log, no box, and Qt keeps its English.
    QTemporaryDir vacia;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("qtbase_es")));
    QVERIFY(!platform::installQtTranslations(vacia.path()));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QVERIFY(m_avisos->messages.empty());

    QVERIFY(platform::installQtTranslations());
    QVERIFY(platform::installQtTranslations()); // a second call is harmless
    abrir();
    QVERIFY(mostrar());

    QTest::mouseClick(el<QPushButton>("pbsEtiquetas"), Qt::LeftButton);
    auto* etiquetas = el<QDialog>("dlgEtiquetas");
    auto* botones = etiquetas->findChild<QDialogButtonBox*>();
    QVERIFY(botones);
    QCOMPARE(botones->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
    QCOMPARE(botones->button(QDialogButtonBox::Ok)->text(), QStringLiteral("Aceptar"));
    etiquetas->reject();

    QStringList textos;
    conDialogoFuente([&](DialogoFuente& d) {
        for (const QLabel* l : d.findChildren<QLabel*>())
            textos << l->text();
        for (const QGroupBox* g : d.findChildren<QGroupBox*>())
            textos << g->title();
        for (const QCheckBox* c : d.findChildren<QCheckBox*>())
            textos << c->text();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("dFontCancelar")), Qt::LeftButton);
    });
    QTest::mouseDClick(el<QLabel>("lblNombre"), Qt::LeftButton);
    QVERIFY(m_dialogoFuenteVisto);
    for (const char* texto :
         {"&Tipo de letra", "&Estilo del tipo de letra", "&Tamaño", "Efectos", "Muestra", "&Tachado", "S&ubrayado"})
        QVERIFY2(textos.contains(QString::fromUtf8(texto)), qPrintable(textos.join(u'|')));
}

void TestConfiguracion::filaDeFuenteIlegible_data()
{
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<QString>("nombre"); // remembered size and preview face, then as saved
    QTest::addColumn<QString>("precio");
    QTest::newRow("tamaño nulo y cara vacía: los integrados")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = NULL, VALOR_STR = '' "
                          "WHERE CONFIGURACION = 'FONT_NOM_ART';")
        << QStringLiteral("45|Tahoma") << QStringLiteral("80|Tahoma");
    QTest::newRow("tamaño cero o negativo, cara nula: solo esa parte")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 0, VALOR_STR = 'DejaVu Serif' "
                          "WHERE CONFIGURACION = 'FONT_NOM_ART';"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = -5, VALOR_STR = NULL "
                          "WHERE CONFIGURACION = 'FONT_PRE_ART';")
        << QStringLiteral("45|DejaVu Serif") << QStringLiteral("80|Tahoma");
}

// A bad font row reads as the main window reads it, and saving writes a readable row back.
void TestConfiguracion::filaDeFuenteIlegible()
{
    QFETCH(QString, preparar);
    QFETCH(QString, nombre);
    QFETCH(QString, precio);
    sql(preparar);
    abrir();
    QVERIFY(mostrar());

    const auto leido = [this](int tamano, const char* vista) {
        return QString::number(tamano) + u'|' + el<QLabel>(vista)->font().family();
    };
    QCOMPARE(leido(m_dlg->tamanoNombre(), "lblNombre"), nombre);
    QCOMPARE(leido(m_dlg->tamanoPrecio(), "lblPrecio"), precio);

    guardar();
    QVERIFY(m_avisos->messages.empty());
    QStringList esperadas = instaladasYAbiertas();
    esperadas = con(esperadas, QStringLiteral("FONT_NOM_ART|%1|NULL").arg(nombre));
    esperadas = con(esperadas, QStringLiteral("FONT_PRE_ART|%1|NULL").arg(precio));
    QCOMPARE(filas(), esperadas);
}

void TestConfiguracion::colorIlegible_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<bool>("falla");
    QTest::newRow("color del nombre nulo: la carga se detiene") << "COLOR_NOM_ART" << true;
    QTest::newRow("color del precio nulo: se salta") << "COLOR_PRE_ART" << false;
}

void TestConfiguracion::colorIlegible()
{
    QFETCH(QString, clave);
    QFETCH(bool, falla);
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = NULL WHERE CONFIGURACION = '%1';"
                       "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'Italic' WHERE CONFIGURACION = 'ESTILO_PRE_ART';")
            .arg(clave));
    abrir();
    QVERIFY(mostrar());

    auto* precio = el<QLabel>("lblPrecio");
    if (falla) {
        QCOMPARE(m_avisos->messages.size(), std::size_t{1});
        QCOMPARE(m_avisos->messages.front().title, QStringLiteral("Lumivo"));
        // The rows after the failing one are not applied.
        QVERIFY(!precio->font().italic());
    } else {
        QVERIFY(m_avisos->messages.empty());
        QCOMPARE(precio->palette().color(QPalette::WindowText), QColor(255, 128, 0));
        QVERIFY(precio->font().italic());
    }
}

// The label formats: typed in their window, refused with a reason while one is not a format (nothing
// typed is lost), saved as new rows with "Guardar", and shown again at the next load.
void TestConfiguracion::etiquetasDeBascula()
{
    abrir();
    QVERIFY(mostrar());
    const auto etiquetas = [this] {
        QStringList r;
        for (const QString& f : filas()) {
            if (f.startsWith(QStringLiteral("ETIQUETA")))
                r << f;
        }
        return r;
    };
    QCOMPARE(etiquetas(), QStringList());

    QTest::mouseClick(el<QPushButton>("pbsEtiquetas"), Qt::LeftButton);
    auto* ventana = el<QDialog>("dlgEtiquetas");
    QVERIFY(ventana->isVisible());
    auto* primera = el<QLineEdit>("edEtiqueta1");
    auto* segunda = el<QLineEdit>("edEtiqueta2");
    QTest::keyClicks(primera, QStringLiteral("20-29;3;5;C;K;3;N"));
    QTest::keyClicks(segunda, QStringLiteral("21,22;3;4;T;P;2;X"));
    QTest::mouseClick(el<QPushButton>("pbsAceptarEtiquetas"), Qt::LeftButton);
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY2(m_avisos->messages[0].text.startsWith(QStringLiteral("Etiqueta de báscula 2: ")),
             qPrintable(m_avisos->messages[0].text));
    QVERIFY(ventana->isVisible());
    QCOMPARE(segunda->text(), QStringLiteral("21,22;3;4;T;P;2;X"));

    segunda->setText(QStringLiteral("21,22;3;4;T;P;2;V"));
    QTest::mouseClick(el<QPushButton>("pbsAceptarEtiquetas"), Qt::LeftButton);
    QVERIFY(!ventana->isVisible());
    QCOMPARE(etiquetas(), QStringList()); // nothing is written before "Guardar"
    guardar();
    QCOMPARE(etiquetas(), (QStringList{"ETIQUETA_BASCULA_1|NULL|20-29;3;5;C;K;3;N|NULL",
                                       "ETIQUETA_BASCULA_2|NULL|21-22;3;4;T;P;2;V|NULL"}));

    // The next showing loads them back.
    QVERIFY(mostrar());
    QCOMPARE(m_dlg->etiquetas()[1], QStringLiteral("21-22;3;4;T;P;2;V"));
    QCOMPARE(m_dlg->etiquetas()[2], QString());
}

// Two formats on one prefix that map the PLU differently are both kept; a row that repeats an earlier
// one (however its prefixes are written) is refused with the two row numbers and nothing typed is lost.
void TestConfiguracion::etiquetasQueNuncaSeAlcanzan()
{
    abrir();
    QVERIFY(mostrar());
    QTest::mouseClick(el<QPushButton>("pbsEtiquetas"), Qt::LeftButton);
    auto* ventana = el<QDialog>("dlgEtiquetas");
    auto* aceptar = el<QPushButton>("pbsAceptarEtiquetas");
    QTest::keyClicks(el<QLineEdit>("edEtiqueta1"), QStringLiteral("20;3;5;T;K;3;N"));
    QTest::keyClicks(el<QLineEdit>("edEtiqueta2"), QStringLiteral("20;3;5;S;K;3;N"));
    auto* tercera = el<QLineEdit>("edEtiqueta3");
    QTest::keyClicks(tercera, QStringLiteral("20,21;3;5;T;K;3;N"));
    auto* cuarta = el<QLineEdit>("edEtiqueta4");
    QTest::keyClicks(cuarta, QStringLiteral("21;3;5;T;K;3;N"));
    QTest::mouseClick(aceptar, Qt::LeftButton);
    // The fourth only reads what the third already does.
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QCOMPARE(m_avisos->messages[0].text,
             QStringLiteral("Las etiquetas de báscula 3 y 4 dan la misma clave para los mismos códigos: la 4 nunca "
                            "encontraría un artículo. Quite una de las dos o cambie su clave."));
    QCOMPARE(m_avisos->messages[0].icon, platform::Icon::Warning);
    QVERIFY(ventana->isVisible());
    QCOMPARE(cuarta->text(), QStringLiteral("21;3;5;T;K;3;N"));
    QCOMPARE(m_dlg->etiquetas()[0], QString());

    // Identical rows, apart or not.
    cuarta->clear();
    tercera->setText(QStringLiteral("20;3;5;T;K;3;N"));
    QTest::mouseClick(aceptar, Qt::LeftButton);
    QCOMPARE(m_avisos->messages.size(), size_t{2});
    QVERIFY2(m_avisos->messages[1].text.startsWith(QStringLiteral("Las etiquetas de báscula 1 y 3 ")),
             qPrintable(m_avisos->messages[1].text));
    QVERIFY(ventana->isVisible());

    // As printed and without zeros on one prefix: both kept, in their order.
    tercera->clear();
    QTest::mouseClick(aceptar, Qt::LeftButton);
    QCOMPARE(m_avisos->messages.size(), size_t{2});
    QVERIFY(!ventana->isVisible());
    QCOMPARE(m_dlg->etiquetas()[0], QStringLiteral("20;3;5;T;K;3;N"));
    QCOMPARE(m_dlg->etiquetas()[1], QStringLiteral("20;3;5;S;K;3;N"));
}

// The showcase's four controls: off with the defaults and no rows until the operator changes them;
// "Guardar" writes what was chosen, a reopened dialog shows it, and a stored list that is not
// among the price lists is kept.
void TestConfiguracion::escaparate()
{
    const auto filasEscaparate = [this] {
        QStringList r;
        for (const QString& f : filas())
            if (f.startsWith(QLatin1String("ESCAPARATE")))
                r << f;
        return r;
    };
    const auto leido = [this] {
        fb::Transaction t(m_dm->fdConexion);
        t.start();
        fb::Query q(t);
        return ConfigEmpresa(q).leerEscaparate();
    };
    const auto escribirEn = [](QSpinBox* sb, const QString& texto) {
        sb->setFocus();
        sb->selectAll();
        QTest::keyClick(sb, Qt::Key_Backspace);
        QTest::keyClicks(sb, texto);
    };

    abrir();
    QVERIFY(mostrar());
    QVERIFY(!el<QCheckBox>("cheEscaparate")->isChecked());
    QCOMPARE(el<QSpinBox>("sbEscaparateSegundos")->value(), ConfigEmpresa::kEscaparateInactivo);
    QCOMPARE(el<QSpinBox>("sbEscaparateTarjeta")->value(), ConfigEmpresa::kEscaparateTarjeta);
    QCOMPARE(el<QComboBox>("cboEscaparateLista")->currentText(), QStringLiteral("Solo combos"));
    QVERIFY(filasEscaparate().isEmpty());

    QTest::mouseClick(el<QCheckBox>("cheEscaparate"), Qt::LeftButton);
    escribirEn(el<QSpinBox>("sbEscaparateSegundos"), QStringLiteral("90"));
    escribirEn(el<QSpinBox>("sbEscaparateTarjeta"), QStringLiteral("4"));
    auto* lista = el<QComboBox>("cboEscaparateLista");
    lista->setFocus();
    QTest::keyClicks(lista, QStringLiteral("Dis"));
    QCOMPARE(lista->currentText(), QStringLiteral("Distribuidor"));
    guardar();
    QVERIFY(m_avisos->messages.empty());
    QVERIFY(!m_dlg->isVisible());
    ConfigEmpresa::Escaparate e = leido();
    QCOMPARE(e.activo, true);
    QCOMPARE(e.segundosInactivo, 90);
    QCOMPARE(e.segundosTarjeta, 4);
    QCOMPARE(e.listaPrecios, 451);
    QCOMPARE(filasEscaparate().size(), 4);

    // Reopened: the saved choice; back to combos only and off.
    abrir();
    QVERIFY(mostrar());
    QVERIFY(el<QCheckBox>("cheEscaparate")->isChecked());
    QCOMPARE(el<QSpinBox>("sbEscaparateSegundos")->value(), 90);
    QCOMPARE(el<QSpinBox>("sbEscaparateTarjeta")->value(), 4);
    QCOMPARE(el<QComboBox>("cboEscaparateLista")->currentText(), QStringLiteral("Distribuidor"));
    QTest::mouseClick(el<QCheckBox>("cheEscaparate"), Qt::LeftButton);
    lista = el<QComboBox>("cboEscaparateLista");
    lista->setFocus();
    QTest::keyClicks(lista, QStringLiteral("Solo"));
    guardar();
    e = leido();
    QCOMPARE(e.activo, false);
    QCOMPARE(e.segundosInactivo, 90);
    QCOMPARE(e.listaPrecios, 0);
    QCOMPARE(filasEscaparate().size(), 4);

    // A list id the company no longer has shows blank and is written back unchanged.
    sql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 9999 WHERE CONFIGURACION = 'ESCAPARATE_LISTA_ID';"));
    abrir();
    QVERIFY(mostrar());
    QCOMPARE(el<QComboBox>("cboEscaparateLista")->currentIndex(), -1);
    escribirEn(el<QSpinBox>("sbEscaparateTarjeta"), QStringLiteral("7"));
    guardar();
    e = leido();
    QCOMPARE(e.segundosTarjeta, 7);
    QCOMPARE(e.listaPrecios, 9999);
}

// A price list that the ERP keeps from customers (an internal cost list, priced on an active
// article): the showcase's chooser leaves it out, while the station's own list box keeps every list.
void TestConfiguracion::escaparateSinListasOcultas()
{
    sql(QStringLiteral(
        "INSERT INTO PRECIOS_EMPRESA (PRECIO_EMPRESA_ID, NOMBRE, POSICION) VALUES (452, 'Costo interno', 4);\n"
        "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
        "VALUES (1001, 452, 9.10);\n"
        "INSERT INTO STANDIN_PRECIOS_OCULTOS (PRECIO_EMPRESA_ID) VALUES (452);"));
    abrir();
    QVERIFY(mostrar());
    const auto textos = [](const QComboBox* c) {
        QStringList r;
        for (int i = 0; i < c->count(); ++i)
            r << c->itemText(i);
        return r;
    };
    QCOMPARE(textos(el<QComboBox>("cboEscaparateLista")),
             (QStringList{"Solo combos", "Distribuidor", "Mayoreo", "Precio de lista"}));
    QVERIFY(textos(el<QComboBox>("dbListaPrecios")).contains(QStringLiteral("Costo interno")));
    auto* lista = el<QComboBox>("cboEscaparateLista");
    lista->setFocus();
    QTest::keyClicks(lista, QStringLiteral("Cos"));
    QCOMPARE(lista->currentText(), QStringLiteral("Solo combos"));
    QVERIFY(m_avisos->messages.empty());
}

// This station's own settings go to config.xml through the station's settings object, after the
// company's rows, and only when changed: a save that leaves them as they were writes no key.
void TestConfiguracion::ajustesDeLaEstacion()
{
    const QString archivo = m_dir->filePath(QStringLiteral("config.xml"));
    abrir();
    QVERIFY(mostrar());
    QVERIFY(!el<QCheckBox>("cheHablarPrecio")->isChecked());
    QVERIFY(el<QLineEdit>("edPrefijoEscaner")->text().isEmpty());
    guardar();
    QVERIFY(!m_dlg->isVisible());
    QVERIFY2(!QFile::exists(archivo), "a save with the station's settings untouched wrote config.xml");

    QSignalSpy cambios(&m_dm->estacion(), &AjustesEstacion::cambiado);
    QVERIFY(mostrar());
    QTest::mouseClick(el<QCheckBox>("cheHablarPrecio"), Qt::LeftButton);
    QTest::keyClicks(el<QLineEdit>("edPrefijoEscaner"), QStringLiteral("]E0"));
    QTest::keyClicks(el<QLineEdit>("edSufijoEscaner"), QStringLiteral("#"));
    guardar();
    QVERIFY(m_avisos->messages.empty());
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(cambios.count(), 2);
    QVERIFY(m_dm->estacion().hablarPrecio());
    QCOMPARE(m_dm->estacion().sufijoEscaner(), QStringLiteral("#"));
    QFile f(archivo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    QVERIFY2(xml.contains("<Estacion HablarPrecio=\"true\"/>"), xml.constData());
    QVERIFY2(xml.contains("<Escaner Prefijo=\"]E0\" Sufijo=\"#\"/>"), xml.constData());

    // The next showing shows what is kept.
    QVERIFY(mostrar());
    QVERIFY(el<QCheckBox>("cheHablarPrecio")->isChecked());
    QCOMPARE(el<QLineEdit>("edPrefijoEscaner")->text(), QStringLiteral("]E0"));
    m_dlg->reject();
}

// A settings file that cannot be saved: the company's rows are saved, the dialog says the station's
// were not and stays open with the operator's choices, and the file is left as it was.
void TestConfiguracion::estacionSinGuardarNoPierdeNada()
{
    const QString archivo = m_dir->filePath(QStringLiteral("config.xml"));
    const QByteArray roto("<Config><Escaner Prefijo=");
    {
        QFile f(archivo);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(roto);
    }
    abrir();
    QVERIFY(mostrar());
    QTest::keyClicks(el<QLineEdit>("edPrefijoEscaner"), QStringLiteral("*"));
    escribirSegundos(QStringLiteral("45"));
    guardar();
    QCOMPARE(m_avisos->messages.size(), std::size_t{1});
    QVERIFY2(m_avisos->messages.front().text.contains(QStringLiteral("no los de esta estación")),
             qPrintable(m_avisos->messages.front().text));
    QVERIFY(m_dlg->isVisible());
    QCOMPARE(el<QLineEdit>("edPrefijoEscaner")->text(), QStringLiteral("*"));
    QVERIFY(filas().contains(QStringLiteral("SEGUNDOS_ESPERA|45|NULL|NULL")));
    QFile f(archivo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), roto);
    m_dlg->reject();
}

LUMIVO_TEST_MAIN(TestConfiguracion)
#include "tst_configuracion.moc"
