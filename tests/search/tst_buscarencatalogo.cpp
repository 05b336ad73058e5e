#include "data/uDM.h"
#include "display/ModeloConsulta.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"
#include "lookup/BusquedaClave.h"
#include "platform/MessageBox.h"
#include "rules/AjustesConsulta.h"
#include "search/ConsultaCatalogo.h"
#include "search/IndiceCatalogo.h"
#include "search/uBuscarEnCatalogo.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace {

QString leerArchivo(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

// The station's own objects (ZANTOR_LMV_LISTA among them), installed as the station installs them.
void instalarObjetos(const QString& base)
{
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(base));
    c.open();
    fb::Transaction t(c);
    t.start();
    for (const char* script : {"Metadatos.sql", "Permisos.sql"}) {
        const QString ruta = QStringLiteral(LUMIVO_SOURCE_DIR "/data/sql/") + QLatin1String(script);
        const QString texto = leerArchivo(ruta);
        if (texto.isEmpty())
            throw std::runtime_error("cannot read " + ruta.toStdString());
        const auto fallos = fb::runScript(t, texto, fb::ScriptDdl::CommitEach);
        if (!fallos.empty())
            throw std::runtime_error(script + (": " + fallos.front().message.toStdString()));
    }
    t.commit();
}

QStringList ordenados(QStringList l)
{
    l.sort();
    return l;
}

// Articles as the ERP stores them beside the stand-in's: keys longer than the key box (21 and 30
// characters, the column's width), a name of the column's 200 characters, and "cafe" at the
// start of a word and inside one.
const QString kTornillo = QStringLiteral("Tornillo hexagonal galvanizado 1/4 x 2");
const QString kClaveTornillo = QStringLiteral("TORN-HEX-025X200-GALV");
const QString kCafetera = QStringLiteral("Cafetera de goteo 12 tazas");
const QString kClaveCafetera = QStringLiteral("CAFETERA-GOTEO-12T-NEGRA-1200W");
const QString kDescafeinado = [] {
    QString n = QStringLiteral("Soluble descafeinado");
    while (n.size() < 200)
        n += QStringLiteral(" en frasco de vidrio");
    return n.left(199) + u'X';
}();
const QString kClaveDescafeinado = QStringLiteral("DESCAFEINADO-SOLUBLE-FRASCO-1K");
constexpr int kArticulosConLargos = 23 + 3;

} // namespace

class TestBuscarEnCatalogo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void patrones_data();
    void patrones();
    void controles();
    void aspecto();
    void buscarPorNombre_data();
    void buscarPorNombre();
    void buscarPorClave_data();
    void buscarPorClave();
    void precioYExistencia_data();
    void precioYExistencia();
    void nombreVacioListaTodo();
    void resultadoPropioSeConserva();
    void entradaComoDatos_data();
    void entradaComoDatos();
    void fallaDeLaBase();
    void cajeroConElRol_data();
    void cajeroConElRol();
    void mismasFilasConYSinIndice_data();
    void mismasFilasConYSinIndice();
    void indiceSoloEnLaBaseDeLaEmpresa();
    void aceptar_data();
    void aceptar();
    void aceptarSinClaveBuscaEnLaMismaVentana();
    void aceptarSinFilasNoHaceNada();
    void enterEnCajaVacia_data();
    void enterEnCajaVacia();
    void escapeAlSoltar_data();
    void escapeAlSoltar();
    void botonBuscar_data();
    void botonBuscar();
    void enfoqueAlMostrar_data();
    void enfoqueAlMostrar();
    void primeraAperturaTrasArrancar_data();
    void primeraAperturaTrasArrancar();
    void recuerdaTamanoOpcionYColumnas();
    void almacenesConValoresMalos();
    void buscarAlEscribir();

private:
    template <typename T> T* el(const char* nombre) const
    {
        auto* w = m_ventana->findChild<T*>(QString::fromLatin1(nombre));
        if (!w)
            qFatal("no element %s", nombre);
        return w;
    }
    QTableView* tabla() const { return el<QTableView>("wdbTabla"); }
    catalogo::IndiceCatalogo* indice() const { return m_ventana->findChild<catalogo::IndiceCatalogo*>(); }
    ModeloConsulta* modelo() const
    {
        return qobject_cast<ModeloConsulta*>(qobject_cast<QAbstractProxyModel*>(tabla()->model())->sourceModel());
    }
    void nuevaVentana();
    void mostrar();
    void marcar(bool cualquierPosicion);
    void escribir(const char* caja, const QString& texto);
    QString celda(int fila, int columna) const;
    QStringList columna(int columna) const;
    int filaDe(const QString& nombre) const;
    void enModal(std::function<void()> dentro);
    void BuscarClv();
    void agregarArticulos(int cuantos);
    void agregarLargos();
    void iniciarIndice(const QStringList& params = {});
    void buscarComo(const QString& via, const QString& texto, bool cualquierPosicion, bool conIndice,
                    QStringList& filas);
    QString mensajes() const;

    std::unique_ptr<QTemporaryDir> m_plantilla;
    QString m_basePlantilla;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base;
    std::unique_ptr<platform::RecordingNotifier> m_notificador;
    std::unique_ptr<Tdm> m_dm;
    AjustesConsulta m_ajustes;

    // Stands in for the main window: its key box and its lookup.
    std::unique_ptr<QWidget> m_principal;
    QLineEdit* m_edClavePrincipal = nullptr;
    std::optional<ArticuloEncontrado> m_encontrado;
    int m_busquedas = 0;
    bool m_abiertaDuranteLaBusqueda = false;

    std::unique_ptr<TfrmBuscarEnCatalogo> m_ventana;
    bool m_modalVista = false;
};

void TestBuscarEnCatalogo::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QStandardPaths::setTestModeEnabled(true);
    m_plantilla = std::make_unique<QTemporaryDir>();
    QVERIFY(m_plantilla->isValid());
    m_basePlantilla = testsupport::companyDatabase(m_plantilla->path(), QStringLiteral("PLANTILLA.fdb"));
    instalarObjetos(m_basePlantilla);
}

void TestBuscarEnCatalogo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->filePath(QStringLiteral("usuario")));
    m_base = m_dir->filePath(QStringLiteral("DEMO.fdb"));
    QVERIFY(QFile::copy(m_basePlantilla, m_base));
    QFile::setPermissions(m_base, QFile::ReadOwner | QFile::WriteOwner);

    m_notificador = std::make_unique<platform::RecordingNotifier>();
    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    // Opened as it is, not as the start-up opens the company: the window's index does not start,
    // so every search goes through the statement unless the test starts it (iniciarIndice).
    m_dm->fdConexion.setParams(testsupport::embeddedParams(m_base));
    m_dm->fdConexion.open();
    m_ajustes = AjustesConsulta{};
    m_ajustes.ClienteEventualId = 465;
    m_ajustes.PrecioEmpresaId = 450;
    m_ajustes.AlmacenId = 19;
    m_ajustes.MostrarBuscador = true;

    m_principal = std::make_unique<QWidget>();
    m_principal->setGeometry(10, 20, 780, 560);
    m_edClavePrincipal = new QLineEdit(m_principal.get());
    m_encontrado.reset();
    m_busquedas = 0;
    m_abiertaDuranteLaBusqueda = false;
    nuevaVentana();
}

void TestBuscarEnCatalogo::cleanup()
{
    m_ventana.reset();
    m_principal.reset();
    m_dm.reset();
    m_notificador.reset();
    m_dir.reset();
}

void TestBuscarEnCatalogo::nuevaVentana()
{
    m_ventana.reset();
    m_ventana = std::make_unique<TfrmBuscarEnCatalogo>(
        *m_dm, m_ajustes,
        [this](const QString& clave, int) {
            m_edClavePrincipal->setText(clave);
            BuscarClv();
        },
        m_principal.get());
}

// The main window's lookup as far as the search window sees it: a key that matches nothing
// hands the key box's text to the catalogue search.
void TestBuscarEnCatalogo::BuscarClv()
{
    ++m_busquedas;
    m_abiertaDuranteLaBusqueda = m_ventana->isVisible();
    m_encontrado = buscarArticulo(*m_dm, m_edClavePrincipal->text());
    if (!m_encontrado && m_ajustes.MostrarBuscador)
        m_ventana->buscarNombreModal(m_edClavePrincipal->text());
}

void TestBuscarEnCatalogo::mostrar()
{
    m_ventana->show();
    QVERIFY(m_ventana->isVisible());
}

void TestBuscarEnCatalogo::marcar(bool cualquierPosicion)
{
    auto* che = el<QCheckBox>("chePCP");
    if (che->isChecked() != cualquierPosicion)
        QTest::mouseClick(che, Qt::LeftButton, {}, QPoint(6, che->height() / 2));
    QCOMPARE(che->isChecked(), cualquierPosicion);
}

void TestBuscarEnCatalogo::escribir(const char* caja, const QString& texto)
{
    auto* ed = el<QLineEdit>(caja);
    ed->setFocus();
    ed->selectAll();
    QTest::keyClick(ed, Qt::Key_Backspace);
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c.unicode() < 0x80) {
            QTest::keyClick(ed, c.toLatin1());
        } else {
            // QTest types ASCII only; an accent or a euro sign comes as the keyboard sends it, and
            // a character outside the basic plane as one key.
            const qsizetype ancho = c.isHighSurrogate() && i + 1 < texto.size() ? 2 : 1;
            const QString letra = texto.mid(i, ancho);
            i += ancho - 1;
            QKeyEvent pulsada(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, letra);
            QKeyEvent soltada(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, letra);
            QApplication::sendEvent(ed, &pulsada);
            QApplication::sendEvent(ed, &soltada);
        }
    }
    QCOMPARE(ed->text(), texto);
}

QString TestBuscarEnCatalogo::celda(int fila, int col) const
{
    return tabla()->model()->index(fila, col).data().toString();
}

// A column of the result as the grid shows it, after fetching every row (the batches come from
// the search's own thread).
QStringList TestBuscarEnCatalogo::columna(int col) const
{
    QAbstractItemModel* m = tabla()->model();
    const QDeadlineTimer limite(20000);
    while (!limite.hasExpired()) {
        if (m->canFetchMore({}))
            m->fetchMore({});
        else if (modelo()->loteEnCamino())
            QTest::qWait(1);
        else
            break;
    }
    QStringList valores;
    for (int f = 0; f < m->rowCount(); ++f)
        valores << celda(f, col);
    return valores;
}

int TestBuscarEnCatalogo::filaDe(const QString& nombre) const
{
    return static_cast<int>(columna(0).indexOf(nombre));
}

// Runs `dentro` once the window is up as a modal dialog, then closes it if it is still open.
void TestBuscarEnCatalogo::enModal(std::function<void()> dentro)
{
    m_modalVista = false;
    testsupport::enSuBucleModal(*m_ventana, *m_ventana, [this, dentro](bool modal) {
        if (!modal)
            return;
        m_modalVista = true;
        dentro();
        if (m_ventana->isVisible())
            m_ventana->close();
    });
}

void TestBuscarEnCatalogo::agregarArticulos(int cuantos)
{
    testsupport::runSql(
        testsupport::embeddedParams(m_base),
        QStringLiteral("SET TERM ^ ;\n"
                       "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
                       "  WHILE (I < %1) DO BEGIN\n"
                       "    INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (5000 + :I, 'Relleno ' || :I);\n"
                       "    I = I + 1;\n"
                       "  END\n"
                       "END^\n"
                       "SET TERM ; ^\n")
            .arg(cuantos));
}

void TestBuscarEnCatalogo::agregarLargos()
{
    QCOMPARE(kClaveTornillo.size(), 21);
    QCOMPARE(kClaveCafetera.size(), 30);
    QCOMPARE(kClaveDescafeinado.size(), 30);
    QCOMPARE(kDescafeinado.size(), 200);
    testsupport::runSql(
        testsupport::embeddedParams(m_base),
        QStringLiteral(
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (2001, '%1');\n"
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (2002, '%2');\n"
            "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (2003, '%3');\n"
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2001, '%4', 2001);\n"
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2002, '%5', 2002);\n"
            "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
            "VALUES (2003, '%6', 2003);\n"
            "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
            "VALUES (2001, 450, 3.5);\n"
            "INSERT INTO STANDIN_EXISTENCIAS (ARTICULO_ID, ALMACEN_ID, EXISTENCIA) VALUES (2001, 19, 250);\n")
            .arg(kTornillo, kCafetera, kDescafeinado, kClaveTornillo, kClaveCafetera, kClaveDescafeinado));
}

// Opens the company as the start-up does, which starts the window's index, and waits for its build.
void TestBuscarEnCatalogo::iniciarIndice(const QStringList& params)
{
    m_dm->conectarEmpresa(params.isEmpty() ? testsupport::embeddedParams(m_base) : params);
    catalogo::IndiceCatalogo* i = indice();
    QSignalSpy construido(i, &catalogo::IndiceCatalogo::construido);
    QVERIFY(i->listo() || construido.wait(20000));
}

QString TestBuscarEnCatalogo::mensajes() const
{
    QStringList textos;
    for (const auto& m : m_notificador->messages)
        textos << m.text;
    return textos.join(QStringLiteral(" | "));
}

// ---- patterns ----------------------------------------------------------------------------

void TestBuscarEnCatalogo::patrones_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("cualquierPosicion");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("clave");

    QTest::newRow("only the first blank") << "coca cola light" << false << "coca%cola light%"
                                          << "coca cola light%";
    QTest::newRow("anywhere") << "coca cola light" << true << "%coca%cola light%"
                              << "%coca cola light%";
    QTest::newRow("no blank") << "750" << false << "750%"
                              << "750%";
    QTest::newRow("leading blank, not trimmed") << " cafe " << false << "%cafe %"
                                                << " cafe %";
    QTest::newRow("empty: wildcards only") << "" << false << "%"
                                           << "%";
    QTest::newRow("empty, anywhere") << "" << true << "%%"
                                     << "%%";
}

void TestBuscarEnCatalogo::patrones()
{
    QFETCH(QString, texto);
    QFETCH(bool, cualquierPosicion);
    QFETCH(QString, nombre);
    QFETCH(QString, clave);
    QCOMPARE(catalogo::patronNombre(texto, cualquierPosicion), nombre);
    QCOMPARE(catalogo::patronClave(texto, cualquierPosicion), clave);
}

// ---- the window ----------------------------------------------------------------------------

void TestBuscarEnCatalogo::controles()
{
    QCOMPARE(m_ventana->windowTitle(), QStringLiteral("Buscar"));
    QCOMPARE(el<QLabel>("Label1")->text(), QStringLiteral("&Clave"));
    QCOMPARE(el<QLabel>("Label1")->buddy(), el<QWidget>("edClave"));
    QCOMPARE(el<QLabel>("Label2")->text(), QStringLiteral("&Nombre Artículo"));
    QCOMPARE(el<QLabel>("Label2")->buddy(), el<QWidget>("edNombre"));
    QCOMPARE(el<QCheckBox>("chePCP")->text(), QStringLiteral("Palabra en cualquier posición"));
    QVERIFY(el<QCheckBox>("chePCP")->isChecked()); // the stored preference, ticked when none is stored
    QCOMPARE(el<QPushButton>("pbsAceptar")->text(), QStringLiteral("Aceptar"));
    QCOMPARE(el<QPushButton>("pbsBuscar")->text(), QStringLiteral("Buscar"));
    QCOMPARE(el<QPushButton>("pbsCancelar")->text(), QStringLiteral("Cancelar"));

    mostrar();
    // Never searched: the focus stays on the first control.
    QCOMPARE(m_ventana->focusWidget(), el<QWidget>("edClave"));

    // Tab order, as the keyboard walks it.
    QStringList orden;
    QWidget* w = el<QWidget>("edClave");
    for (int i = 0; i < 8; ++i) {
        orden << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(m_ventana.get()));
    }
    QCOMPARE(orden, (QStringList{"edClave", "edNombre", "chePCP", "wdbTabla", "pbsAceptar", "pbsBuscar", "pbsCancelar",
                                 "cheAlEscribir"}));
    QCOMPARE(w->objectName(), QStringLiteral("edClave"));

    // At the design size, then grown: what follows which edge.
    m_ventana->resize(685, 458);
    const QRect clave = el<QWidget>("edClave")->geometry();
    const QRect nombre = el<QWidget>("edNombre")->geometry();
    const QRect rejilla = tabla()->geometry();
    const QRect buscar = el<QWidget>("pbsBuscar")->geometry();
    const QRect cancelar = el<QWidget>("pbsCancelar")->geometry();
    const QRect aceptar = el<QWidget>("pbsAceptar")->geometry();
    QCOMPARE(clave.width(), 425);
    QCOMPARE(nombre.width(), 425);
    QCOMPARE(rejilla.size(), QSize(669, 290));
    QVERIFY(clave.bottom() < nombre.top() && nombre.bottom() < rejilla.top());
    QVERIFY(buscar.left() > clave.right() && buscar.bottom() < rejilla.top());
    QVERIFY(aceptar.top() > rejilla.bottom());

    m_ventana->resize(685 + 60, 458 + 40);
    QCOMPARE(el<QWidget>("edClave")->geometry(), clave);
    QCOMPARE(el<QWidget>("edNombre")->geometry(), nombre);
    QCOMPARE(tabla()->geometry(), QRect(rejilla.topLeft(), rejilla.size() + QSize(60, 40)));
    QCOMPARE(el<QWidget>("pbsBuscar")->geometry(), buscar.translated(60, 0));
    QCOMPARE(el<QWidget>("pbsCancelar")->geometry(), cancelar.translated(60, 0));
    QCOMPARE(el<QWidget>("pbsAceptar")->geometry(), aceptar.translated(60, 40));
}

void TestBuscarEnCatalogo::aspecto()
{
    mostrar();
    m_ventana->resize(685, 458);
    escribir("edNombre", QStringLiteral("cafe"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(tabla()->model()->rowCount(), 2);

    // The grid's columns: titles, order, widths by characters (40, 20, 12 and 8).
    const QHeaderView* titulos = tabla()->horizontalHeader();
    QStringList textos;
    for (int v = 0; v < titulos->count(); ++v)
        textos << tabla()->model()->headerData(titulos->logicalIndex(v), Qt::Horizontal).toString();
    QCOMPARE(textos, (QStringList{"Artículo", "Clave", "Precio", "Existencia"}));
    const int n = titulos->sectionSize(0), c = titulos->sectionSize(1), p = titulos->sectionSize(2),
              e = titulos->sectionSize(3);
    QVERIFY(n > c && c > p && e > 0);
    // The key keeps its 20 characters; price and stock are at least 12 and 8, wider when their
    // widest practical value needs it; the name gives up what they and the scroll bar take.
    const int cero = tabla()->fontMetrics().horizontalAdvance(u'0');
    QCOMPARE(c, 20 * cero + 4);
    QVERIFY(p >= 12 * cero + 4 && e >= 8 * cero + 4);
    QVERIFY(n <= 40 * cero + 4);
    // With a vertical scroll bar beside them, every column is still in view.
    QVERIFY(titulos->length() + tabla()->verticalHeader()->width() + 2 * tabla()->frameWidth() +
                tabla()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tabla()) <=
            tabla()->width());
    QCOMPARE(titulos->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(titulos->sectionsMovable());
    QCOMPARE(titulos->defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignHCenter));
    QCOMPARE(titulos->font().family(), QStringLiteral("Segoe UI"));
    QCOMPARE(titulos->font().pixelSize(), 12);
    QVERIFY(tabla()->verticalHeader()->isVisible()); // the row indicator
    QVERIFY(tabla()->showGrid());
    QVERIFY(tabla()->wordWrap());
    QCOMPARE(tabla()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(tabla()->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(tabla()->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    QCOMPARE(tabla()->model()->headerData(1, Qt::Vertical).toString(), QString());

    // Colours as drawn: white window, orange grid, the buttons' own orange with white bold Tahoma.
    const QImage ventana = m_ventana->grab().toImage();
    QCOMPARE(ventana.pixelColor(ventana.width() - 3, 3), QColor(Qt::white));
    const QImage rejilla = tabla()->viewport()->grab().toImage();
    QCOMPARE(rejilla.pixelColor(rejilla.width() - 2, rejilla.height() - 2), QColor(239, 130, 31));
    for (const char* nombre : {"pbsAceptar", "pbsBuscar", "pbsCancelar"}) {
        auto* b = el<QPushButton>(nombre);
        const QImage boton = b->grab().toImage();
        QCOMPARE(boton.pixelColor(8, boton.height() / 2), QColor(249, 125, 49));
        QVERIFY(b->font().bold());
        QCOMPARE(b->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(b->font().pixelSize(), 13);
    }

    // The current row stays highlighted while the focus is elsewhere.
    el<QWidget>("edNombre")->setFocus();
    const QImage sinFoco = tabla()->viewport()->grab().toImage();
    const int x = titulos->sectionViewportPosition(0) + titulos->sectionSize(0) - 3;
    const QColor actual = sinFoco.pixelColor(x, tabla()->rowViewportPosition(0) + 2);
    const QColor otra = sinFoco.pixelColor(x, tabla()->rowViewportPosition(1) + 2);
    QCOMPARE(otra, QColor(239, 130, 31));
    QCOMPARE(actual, tabla()->palette().color(QPalette::Active, QPalette::Highlight));
}

// ---- searches ------------------------------------------------------------------------------

void TestBuscarEnCatalogo::buscarPorNombre_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("cualquierPosicion");
    QTest::addColumn<QStringList>("nombres");

    const QStringList cocaLight{"COCA COLA LIGHT 600ML", "Coca Cola Light 355 ml"};
    const QStringList cafes{"CAFE SOLUBLE CLASICO 200G", "Café de olla 500 g"};
    // The second blank is matched literally: "Coca Cola Zero light" does not come.
    QTest::newRow("coca cola light") << "coca cola light" << false << cocaLight;
    QTest::newRow("cola light, anywhere")
        << "cola light" << true << (cocaLight + QStringList{"Coca Cola Zero light 2 L", "Refresco de cola light 3 L"});
    QTest::newRow("cola light, from the start") << "cola light" << false << QStringList{};
    QTest::newRow("cafe finds Café") << "cafe" << false << cafes;
    QTest::newRow("CAFÉ finds CAFE") << "CAFÉ" << false << cafes;
    QTest::newRow("750 from the start") << "750" << false << QStringList{"750 Servilletas dobles"};
    QTest::newRow("750 anywhere") << "750" << true << QStringList{"750 Servilletas dobles", "Agua 750 ml"};
    QTest::newRow("quote") << "o'hara" << true << QStringList{"Galletas O'Hara surtidas"};
    QTest::newRow("no match") << "zzzz" << true << QStringList{};
}

void TestBuscarEnCatalogo::buscarPorNombre()
{
    QFETCH(QString, texto);
    QFETCH(bool, cualquierPosicion);
    QFETCH(QStringList, nombres);
    mostrar();
    marcar(cualquierPosicion);
    escribir("edNombre", texto);
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);

    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(ordenados(columna(0)), ordenados(nombres));
    auto* ed = el<QLineEdit>("edNombre");
    QCOMPARE(ed->text(), texto);
    // An empty result selects the text for the next try.
    QCOMPARE(ed->selectedText(), nombres.isEmpty() ? texto : QString());
    // The search by name uses the box as it stands and leaves it alone.
    QCOMPARE(el<QCheckBox>("chePCP")->isChecked(), cualquierPosicion);
    QVERIFY(m_ventana->isVisible());
}

void TestBuscarEnCatalogo::buscarPorClave_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("guardada");       // the stored preference
    QTest::addColumn<QStringList>("nombres"); // one per matching key
    QTest::addColumn<QStringList>("claves");  // each article's first key, not the matching one

    const QString agua = QStringLiteral("Agua 750 ml");
    QTest::newRow("750 anywhere: AGUA750 too")
        << "750" << true
        << QStringList{"COCA COLA LIGHT 600ML",
                       "Coca Cola Light 355 ml",
                       agua,
                       agua,
                       "750 Servilletas dobles",
                       "Café de olla 500 g",
                       "Piñata estrella grande",
                       "Paleta de tamarindo",
                       "Paleta de tamarindo enchilada"}
        << QStringList{"7501055300075", "7501055310883", "7501000111750", "7501000111750", "750SERV",
                       "7501234500012", "PINATA-EST",    "7502223330001", "7502223330001"};
    QTest::newRow("750 from the start")
        << "750" << false
        << QStringList{"COCA COLA LIGHT 600ML",  "Coca Cola Light 355 ml",       agua,
                       "750 Servilletas dobles", "Café de olla 500 g",           "Piñata estrella grande",
                       "Paleta de tamarindo",    "Paleta de tamarindo enchilada"}
        << QStringList{"7501055300075", "7501055310883", "7501000111750", "750SERV",
                       "7501234500012", "PINATA-EST",    "7502223330001", "7502223330001"};
    // The key box's twenty characters and a wildcard on each side.
    QTest::newRow("longest key, anywhere")
        << "abcdefghij0123456789" << true << QStringList{agua} << QStringList{"7501000111750"};
    QTest::newRow("letter case ignored") << "COCA600" << false << QStringList{"COCA COLA LIGHT 600ML"}
                                         << QStringList{"7501055300075"};
    QTest::newRow("key of a deleted article") << "HUERFANA" << false << QStringList{""} << QStringList{""};
    QTest::newRow("no match") << "NO-EXISTE" << true << QStringList{} << QStringList{};
}

void TestBuscarEnCatalogo::buscarPorClave()
{
    QFETCH(QString, texto);
    QFETCH(bool, guardada);
    QFETCH(QStringList, nombres);
    QFETCH(QStringList, claves);
    mostrar();
    m_dm->ConfigIni_boolW(QStringLiteral("BUSQUEDA"), QStringLiteral("X_POSICION"), guardada);
    m_dm->estacion().releer();
    // The operator's change to the box since the window opened does not count.
    marcar(!guardada);
    escribir("edClave", texto);
    QTest::keyClick(el<QWidget>("edClave"), Qt::Key_Return);

    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(el<QCheckBox>("chePCP")->isChecked(), guardada);
    QStringList pares, esperados;
    const QStringList n = columna(0), c = columna(1);
    for (int i = 0; i < n.size(); ++i)
        pares << n[i] + u'|' + c[i];
    for (int i = 0; i < nombres.size(); ++i)
        esperados << nombres[i] + u'|' + claves[i];
    QCOMPARE(ordenados(pares), ordenados(esperados));
    QCOMPARE(el<QLineEdit>("edClave")->selectedText(), nombres.isEmpty() ? texto : QString());
}

void TestBuscarEnCatalogo::precioYExistencia_data()
{
    QTest::addColumn<int>("cliente");
    QTest::addColumn<int>("lista");
    QTest::addColumn<int>("almacen");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("precio");     // exact text; converted to the regional format below
    QTest::addColumn<QString>("existencia"); // idem

    QTest::newRow("list price") << 465 << 450 << 19 << "COCA COLA LIGHT 600ML"
                                << "16"
                                << "120";
    QTest::newRow("walk-in discount 12.5 %") << 465 << 450 << 19 << "Jalapeño en rajas granel"
                                             << "50.75"
                                             << "7.25";
    QTest::newRow("four decimals round to the currency's") << 465 << 450 << 19 << "Piñata estrella grande"
                                                           << "35.73"
                                                           << "70";
    QTest::newRow("no price in the list: empty") << 465 << 450 << 19 << "Vela aromática de canela"
                                                 << ""
                                                 << "0";
    QTest::newRow("no stock in the warehouse: 0") << 465 << 450 << 19 << "Coca Cola Light 355 ml"
                                                  << "11.7"
                                                  << "0";
    QTest::newRow("decimal stock") << 465 << 450 << 19 << "Azúcar estándar 1 kg"
                                   << "29.9"
                                   << "2.375";
    // The settings are read at the moment of the search.
    QTest::newRow("other warehouse") << 465 << 450 << 20 << "Coca Cola Light 355 ml"
                                     << "11.7"
                                     << "48";
    QTest::newRow("other list") << 465 << 42 << 19 << "Vela aromática de canela"
                                << "55"
                                << "0";
    QTest::newRow("other customer") << 466 << 450 << 19 << "COCA COLA LIGHT 600ML"
                                    << "14"
                                    << "120";
}

void TestBuscarEnCatalogo::precioYExistencia()
{
    QFETCH(int, cliente);
    QFETCH(int, lista);
    QFETCH(int, almacen);
    QFETCH(QString, nombre);
    QFETCH(QString, precio);
    QFETCH(QString, existencia);

    mostrar();
    escribir("edNombre", nombre);
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return); // with the settings of the start
    m_ajustes.ClienteEventualId = cliente;
    m_ajustes.PrecioEmpresaId = lista;
    m_ajustes.AlmacenId = almacen;
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);

    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    const int fila = filaDe(nombre);
    QVERIFY(fila >= 0);
    // Values with few decimals are exact in a double, so Qt's own formatting is the reference.
    const QLocale regional = QLocale::system();
    QCOMPARE(celda(fila, 2), precio.isEmpty() ? QString() : regional.toCurrencyString(precio.toDouble()));
    QLocale sinMiles = regional;
    sinMiles.setNumberOptions(QLocale::OmitGroupSeparator);
    QCOMPARE(celda(fila, 3), sinMiles.toString(existencia.toDouble(), 'f', QLocale::FloatingPointShortest));
}

void TestBuscarEnCatalogo::nombreVacioListaTodo()
{
    agregarArticulos(3 * ModeloConsulta::kLote);
    const int total = 23 + 3 * ModeloConsulta::kLote;

    // A key that matches nothing, as the main window hands it over: an empty one lists everything.
    // The first batch shows at once; going to the end of the grid asks for the next one, which the
    // search's own thread reads while the window goes on, and so on to the last row.
    int primeras = -1, ultima = -1;
    bool quedaban = false, pedida = false;
    QStringList nombres;
    enModal([&] {
        primeras = tabla()->model()->rowCount();
        quedaban = modelo()->canFetchMore({});
        tabla()->setFocus();
        QTest::keyClick(tabla(), Qt::Key_End, Qt::ControlModifier);
        pedida = modelo()->loteEnCamino() || tabla()->model()->rowCount() > primeras;
        nombres = columna(0);
        QTest::keyClick(tabla(), Qt::Key_End, Qt::ControlModifier);
        ultima = tabla()->currentIndex().row();
    });
    m_edClavePrincipal->setText(QString());
    BuscarClv();

    QVERIFY(m_modalVista);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(primeras, ModeloConsulta::kLote);
    QVERIFY(quedaban);
    QVERIFY(pedida);
    QCOMPARE(nombres.size(), total);
    QCOMPARE(ultima, total - 1);
    QVERIFY(!nombres.last().isEmpty());
    QVERIFY(!modelo()->canFetchMore({}));
}

void TestBuscarEnCatalogo::resultadoPropioSeConserva()
{
    agregarArticulos(2 * ModeloConsulta::kLote);
    mostrar();
    marcar(false);
    escribir("edNombre", QStringLiteral("Relleno"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(tabla()->model()->rowCount(), ModeloConsulta::kLote);
    QTest::keyClick(el<QWidget>("pbsCancelar"), Qt::Key_Space);
    QVERIFY(!m_ventana->isVisible());

    // The main window's lookups commit the shared transaction; the search has its own.
    m_edClavePrincipal->setText(QStringLiteral("CCL600"));
    m_ajustes.MostrarBuscador = false;
    BuscarClv();
    QVERIFY(m_encontrado);
    m_dm->confirmarTransaccion();

    mostrar();
    QCOMPARE(el<QLineEdit>("edNombre")->text(), QStringLiteral("Relleno"));
    QCOMPARE(m_ventana->focusWidget(), tabla());
    QCOMPARE(columna(0).size(), 2 * ModeloConsulta::kLote);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
}

void TestBuscarEnCatalogo::entradaComoDatos_data()
{
    QTest::addColumn<QString>("caja");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("cualquierPosicion");
    QTest::addColumn<int>("filas");      // rows found; the message row finds none
    QTest::addColumn<bool>("pegado");    // through the clipboard rather than typed
    QTest::addColumn<QString>("enCaja"); // the box before Enter
    QTest::addColumn<QString>("aviso");  // part of the one message; empty: none

    const auto fila = [](const char* nombre, const char* caja, const QString& texto, bool cualquierPosicion, int filas,
                         bool pegado = false, std::optional<QString> enCaja = std::nullopt, const QString& aviso = {}) {
        QTest::newRow(nombre) << QString::fromLatin1(caja) << texto << cualquierPosicion << filas << pegado
                              << enCaja.value_or(texto) << aviso;
    };
    const auto t = [](const char* texto) { return QString::fromUtf8(texto); };
    const QString latin1 = QStringLiteral("no se pueden enviar a la base de datos (ISO8859_1)");

    fila("statement in the name", "edNombre", t("'; DROP TABLE articulos; --"), true, 0);
    fila("statement in the key", "edClave", t("'; DROP TABLE x; --"), true, 0);
    fila("always-true condition in the name", "edNombre", t("' OR '1'='1"), true, 0);
    fila("always-true condition in the key", "edClave", t("x' OR ''='"), true, 0);
    fila("quote in the name", "edNombre", t("o'hara"), false, 0);
    fila("quote in the name, anywhere", "edNombre", t("o'hara"), true, 1);
    fila("quote in the key", "edClave", t("O'HARA"), false, 1);
    fila("line comment after a key", "edClave", t("O'HARA'--"), true, 0);
    fila("block comment in the name", "edNombre", t("coca /* */ cola"), true, 0);
    fila("semicolons", "edNombre", t(";;"), true, 0);
    fila("typed % is a wildcard", "edNombre", t("%"), false, 23);
    fila("typed _ is a wildcard", "edNombre", t("_"), false, 23);
    fila("100% natural", "edNombre", t("dulce 100%"), false, 1);
    fila("key with % and _", "edClave", t("DULCE_100%"), false, 1);
    // The boxes take 200 characters, from a paste as from the keyboard.
    fila("10,000 characters pasted", "edNombre", QString(10000, u'x'), true, 0, true, QString(200, u'x'));
    fila("10,000 quotes pasted", "edClave", QString(10000, u'\''), true, 0, true, QString(200, u'\''));
    fila("10,000 wildcards pasted", "edNombre", QString(10000, u'%'), true, 23, true, QString(200, u'%'));
    // The connection's character set cannot carry these: a message says so.
    fila("emoji in the name", "edNombre", QStringLiteral("caf\U0001F600"), true, 0, false, std::nullopt, latin1);
    fila("euro sign in the key", "edClave", t("CCL600€"), true, 0, false, std::nullopt, latin1);
    fila("euro sign pasted", "edNombre", t("€"), true, 0, true, std::nullopt, latin1);
    // What a scanner may send: the boxes take no control character from the keyboard.
    fila("NUL, DEL and escape typed", "edNombre", QStringLiteral("ca\u0000f\u007Fe\u001B"), false, 2, false, t("cafe"));
    fila("control characters pasted", "edNombre", QStringLiteral("cafe\t\r\n"), false, 0, true);
}

// Typed or pasted, no text becomes part of a statement: it is a pattern, found or not, or a message
// that it cannot be sent; and nothing was dropped.
void TestBuscarEnCatalogo::entradaComoDatos()
{
    QFETCH(QString, caja);
    QFETCH(QString, texto);
    QFETCH(bool, cualquierPosicion);
    QFETCH(int, filas);
    QFETCH(bool, pegado);
    QFETCH(QString, enCaja);
    QFETCH(QString, aviso);
    m_dm->ConfigIni_boolW(QStringLiteral("BUSQUEDA"), QStringLiteral("X_POSICION"), cualquierPosicion);
    m_dm->estacion().releer();
    mostrar();
    marcar(cualquierPosicion);
    auto* ed = el<QLineEdit>(caja.toLatin1().constData());
    if (pegado) {
        ed->setFocus();
        ed->clear();
        QGuiApplication::clipboard()->setText(texto);
        QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    } else if (enCaja == texto) {
        escribir(caja.toLatin1().constData(), texto);
    } else {
        // As a scanner sends them: one key event per character, its text the character.
        ed->setFocus();
        ed->clear();
        for (const QChar c : texto) {
            QKeyEvent pulsada(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(ed, &pulsada);
        }
    }
    QCOMPARE(ed->text(), enCaja);
    QTest::keyClick(ed, Qt::Key_Return);
    if (aviso.isEmpty()) {
        QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
        QCOMPARE(columna(0).size(), filas);
    } else {
        QCOMPARE(m_notificador->messages.size(), size_t{1});
        QVERIFY2(m_notificador->messages[0].text.contains(aviso), qPrintable(mensajes()));
        QCOMPARE(m_notificador->messages[0].title, QStringLiteral("Lumivo"));
        QCOMPARE(ed->text(), enCaja);
        m_notificador->messages.clear();
    }

    // Nothing was dropped: the whole catalogue is still there.
    escribir("edNombre", QStringLiteral("%"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(columna(0).size(), 23);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
}

void TestBuscarEnCatalogo::fallaDeLaBase()
{
    mostrar();
    // A character the connection's character set cannot carry: a clear message, the text stays.
    escribir("edNombre", QStringLiteral("caf€"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(m_notificador->messages.size(), size_t{1});
    QVERIFY2(m_notificador->messages[0].text.contains(QStringLiteral("ISO8859_1")), qPrintable(mensajes()));
    QCOMPARE(m_notificador->messages[0].title, QStringLiteral("Lumivo"));
    QCOMPARE(el<QLineEdit>("edNombre")->text(), QStringLiteral("caf€"));
    QVERIFY(m_ventana->isVisible());

    // The search reads on an attachment of its own: the data module's connection going away (the
    // main window's business) does not touch it.
    m_dm->fdConexion.close();
    escribir("edNombre", QStringLiteral("cafe"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(m_notificador->messages.size(), size_t{1});
    QCOMPARE(tabla()->model()->rowCount(), 2);
    QVERIFY(el<QLabel>("lblAviso")->isHidden());
}

void TestBuscarEnCatalogo::cajeroConElRol_data()
{
    QTest::addColumn<bool>("conIndice");
    QTest::newRow("statement") << false;
    QTest::newRow("index") << true;
}

void TestBuscarEnCatalogo::cajeroConElRol()
{
    QFETCH(bool, conIndice);
    // A clerk logs in with the ERP's role, not as SYSDBA.
    const QStringList cajero = testsupport::embeddedParams(m_base, QStringLiteral("CAJERO"));
    testsupport::grantMicrosipRole(testsupport::embeddedParams(m_base), QStringLiteral("CAJERO"));
    if (conIndice) {
        iniciarIndice(cajero);
        QVERIFY(indice()->porNombre(QStringLiteral("jalapeño%")).has_value());
    } else {
        m_dm->fdConexion.setParams(cajero);
        m_dm->fdConexion.open();
    }
    mostrar();
    marcar(false);
    escribir("edNombre", QStringLiteral("jalapeño"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(columna(0), QStringList{"Jalapeño en rajas granel"});
    QCOMPARE(celda(0, 2), QLocale::system().toCurrencyString(50.75));
}

// One search as the operator runs it, in a window created for it (as after a start), with the
// index not started or built; every row of the result as the grid shows it.
void TestBuscarEnCatalogo::buscarComo(const QString& via, const QString& texto, bool cualquierPosicion, bool conIndice,
                                      QStringList& filas)
{
    nuevaVentana();
    if (conIndice)
        iniciarIndice();
    m_dm->ConfigIni_boolW(QStringLiteral("BUSQUEDA"), QStringLiteral("X_POSICION"), cualquierPosicion);
    m_dm->estacion().releer();
    if (via == u"principal") {
        enModal([] {});
        m_edClavePrincipal->setText(texto);
        BuscarClv();
        QVERIFY(m_modalVista);
    } else {
        mostrar();
        if (via == u"nombre")
            marcar(cualquierPosicion);
        const char* caja = via == u"nombre" ? "edNombre" : "edClave";
        escribir(caja, texto);
        QTest::keyClick(el<QWidget>(caja), Qt::Key_Return);
    }
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    // The way it went: the index answered this search's pattern, or it was not there to ask.
    if (conIndice) {
        const bool marcada = via != u"principal" && cualquierPosicion; // the box at the search
        const auto articulos = via == u"clave" ? indice()->porClave(catalogo::patronClave(texto, marcada))
                                               : indice()->porNombre(catalogo::patronNombre(texto, marcada));
        QVERIFY(articulos.has_value());
    } else {
        QVERIFY(!indice()->listo());
    }
    const QStringList n = columna(0), c = columna(1), p = columna(2), e = columna(3);
    for (qsizetype i = 0; i < n.size(); ++i)
        filas << QStringList{n[i], c[i], p[i], e[i]}.join(u'|');
    filas.sort();
}

// The answer never depends on whether the index is ready: each kind of search, on a catalogue with
// the ERP's long keys and names, lists the same rows through the statement and through the index.
void TestBuscarEnCatalogo::mismasFilasConYSinIndice_data()
{
    QTest::addColumn<QString>("via"); // the name box, the key box, the main window's key
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("cualquierPosicion"); // the box, and the stored preference
    QTest::addColumn<QStringList>("nombres");    // of every row; empty: checked by count only
    QTest::addColumn<int>("filas");

    const QString soluble = QStringLiteral("CAFE SOLUBLE CLASICO 200G");
    const QString olla = QStringLiteral("Café de olla 500 g");
    QTest::newRow("name anywhere: inside a word too")
        << "nombre"
        << "cafe" << true << QStringList{soluble, olla, kCafetera, kDescafeinado} << 4;
    QTest::newRow("name from the start") << "nombre"
                                         << "cafe" << false << QStringList{soluble, olla, kCafetera} << 3;
    QTest::newRow("a: every article") << "nombre"
                                      << "a" << true << QStringList{} << kArticulosConLargos;
    QTest::newRow("the longest name whole") << "nombre" << kDescafeinado << false << QStringList{kDescafeinado} << 1;
    QTest::newRow("key inside a long key") << "clave"
                                           << "GALV" << true << QStringList{kTornillo} << 1;
    QTest::newRow("key from the start") << "clave"
                                        << "TORN" << false
                                        << QStringList{QStringLiteral("Tornillo 1/4 x 2 pulgadas"), kTornillo} << 2;
    QTest::newRow("the longest key whole") << "clave" << kClaveDescafeinado << true << QStringList{kDescafeinado} << 1;
    QTest::newRow("empty key from the main window") << "principal"
                                                    << "" << true << QStringList{} << kArticulosConLargos;
    // The first opening after the start uses the stored preference, whichever way the rows are read.
    QTest::newRow("first opening from the main window")
        << "principal"
        << "cafe" << true << QStringList{soluble, olla, kCafetera, kDescafeinado} << 4;
}

void TestBuscarEnCatalogo::mismasFilasConYSinIndice()
{
    QFETCH(QString, via);
    QFETCH(QString, texto);
    QFETCH(bool, cualquierPosicion);
    QFETCH(QStringList, nombres);
    QFETCH(int, filas);
    agregarLargos();

    QStringList sinIndice, conIndice;
    buscarComo(via, texto, cualquierPosicion, false, sinIndice);
    if (QTest::currentTestFailed())
        return;
    buscarComo(via, texto, cualquierPosicion, true, conIndice);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(conIndice, sinIndice);
    QCOMPARE(sinIndice.size(), filas);
    if (!nombres.isEmpty()) {
        QStringList listados;
        for (const QString& fila : sinIndice)
            listados << fila.section(u'|', 0, 0);
        QCOMPARE(ordenados(listados), ordenados(nombres));
    }
    // The long keys come whole, with the article's price and stock.
    if (filas == kArticulosConLargos || nombres.contains(kTornillo)) {
        const QLocale regional = QLocale::system();
        QVERIFY2(sinIndice.contains(
                     QStringList{kTornillo, kClaveTornillo, regional.toCurrencyString(3.5), QStringLiteral("250")}.join(
                         u'|')),
                 qPrintable(sinIndice.join(u'\n')));
    }
    if (nombres.contains(kDescafeinado) || filas == kArticulosConLargos)
        QVERIFY(sinIndice.contains(
            QStringList{kDescafeinado, kClaveDescafeinado, QString(), QStringLiteral("0")}.join(u'|')));
}

// The login attaches the same connection to the system database, which has no catalogue: the index
// starts only once the company's database is open, and stays with it. It follows the data module's
// company changes as they happen, with nothing polling.
void TestBuscarEnCatalogo::indiceSoloEnLaBaseDeLaEmpresa()
{
    const QStringList sistema = testsupport::embeddedParams(testsupport::systemDatabase(m_dir->path()));
    const QStringList empresa = testsupport::embeddedParams(m_base);
    m_dm->conectarSistema(sistema);
    nuevaVentana();
    QVERIFY(indice()->findChildren<QTimer*>().isEmpty());
    indice()->revisar();
    QVERIFY(indice()->indexada().isEmpty());

    QSignalSpy construido(indice(), &catalogo::IndiceCatalogo::construido);
    m_dm->conectarEmpresa(empresa);
    QCOMPARE(indice()->indexada(), empresa);
    QVERIFY(construido.wait(20000));
    QVERIFY(indice()->listo());

    // Back at the login (a stored start refused): the index keeps the company's catalogue.
    m_dm->conectarSistema(sistema);
    QCOMPARE(indice()->indexada(), empresa);
    QVERIFY(indice()->listo());

    // Another company: its own catalogue is built, not the old one kept.
    const QString otra = m_dir->filePath(QStringLiteral("OTRA.fdb"));
    QVERIFY(QFile::copy(m_base, otra));
    QFile::setPermissions(otra, QFile::ReadOwner | QFile::WriteOwner);
    const std::shared_ptr<const catalogo::DatosIndice> anterior = indice()->datos();
    m_dm->conectarEmpresa(testsupport::embeddedParams(otra));
    QCOMPARE(indice()->indexada(), testsupport::embeddedParams(otra));
    QTRY_VERIFY_WITH_TIMEOUT(indice()->datos() && indice()->datos() != anterior, 20000);
}

// ---- accepting -----------------------------------------------------------------------------

void TestBuscarEnCatalogo::aceptar_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<bool>("conBoton"); // "Aceptar" rather than Enter in the grid
    QTest::addColumn<int>("articulo");

    QTest::newRow("Enter in the grid") << "Café de olla 500 g" << false << 1005;
    QTest::newRow("Aceptar") << "CAFE SOLUBLE CLASICO 200G" << true << 1021;
}

void TestBuscarEnCatalogo::aceptar()
{
    QFETCH(QString, nombre);
    QFETCH(bool, conBoton);
    QFETCH(int, articulo);
    QSignalSpy cerrada(m_ventana.get(), &QDialog::finished);

    QString mostrada;
    enModal([&] {
        QCOMPARE(m_ventana->focusWidget(), tabla());
        const int fila = filaDe(nombre);
        QVERIFY(fila >= 0);
        for (int i = 0; i < fila; ++i)
            QTest::keyClick(tabla(), Qt::Key_Down);
        QCOMPARE(tabla()->currentIndex().row(), fila);
        mostrada = celda(fila, 1);
        if (conBoton)
            QTest::mouseClick(el<QWidget>("pbsAceptar"), Qt::LeftButton);
        else
            QTest::keyClick(tabla(), Qt::Key_Return);
        QVERIFY(!m_ventana->isVisible());
    });
    m_edClavePrincipal->setText(QStringLiteral("cafe"));
    BuscarClv();

    QVERIFY(m_modalVista);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_busquedas, 2);
    QVERIFY(m_abiertaDuranteLaBusqueda); // the lookup runs before the window closes
    QVERIFY(m_encontrado);
    QCOMPARE(m_encontrado->articuloId, articulo);
    QVERIFY(!mostrada.isEmpty());
    QCOMPARE(m_encontrado->clave, mostrada);
    QCOMPARE(cerrada.size(), 1);
}

void TestBuscarEnCatalogo::aceptarSinClaveBuscaEnLaMismaVentana()
{
    // Running the dialog a second time while it runs would only warn and return at once.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Recursive call")));
    QSignalSpy cerrada(m_ventana.get(), &QDialog::finished);
    QMetaObject::Connection enlace;
    int filasDespues = -1;
    QString claveDespues = QStringLiteral("?");
    enModal([&] {
        const int fila = filaDe(QStringLiteral("Artículo sin claves"));
        QVERIFY(fila >= 0);
        QCOMPARE(celda(fila, 1), QString());
        tabla()->setCurrentIndex(tabla()->model()->index(fila, 0));
        // The main window finds nothing for the empty key and searches again here.
        enlace = QObject::connect(modelo(), &QAbstractItemModel::modelReset, m_ventana.get(), [&] {
            filasDespues = static_cast<int>(columna(0).size());
            claveDespues = el<QLineEdit>("edNombre")->text();
        });
        QTest::mouseClick(el<QWidget>("pbsAceptar"), Qt::LeftButton);
    });
    m_edClavePrincipal->setText(QStringLiteral("Artículo sin claves"));
    BuscarClv();
    QObject::disconnect(enlace);

    QVERIFY(m_modalVista);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(m_busquedas, 2);
    QVERIFY(!m_encontrado);
    QCOMPARE(m_edClavePrincipal->text(), QString());
    QVERIFY(m_abiertaDuranteLaBusqueda);
    QCOMPARE(claveDespues, QString());
    QCOMPARE(filasDespues, 23); // the empty name listed every article, in the open window
    QVERIFY(!m_ventana->isVisible());
    QCOMPARE(cerrada.size(), 1);
}

void TestBuscarEnCatalogo::aceptarSinFilasNoHaceNada()
{
    mostrar();
    escribir("edNombre", QStringLiteral("zzzz"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QCOMPARE(tabla()->model()->rowCount(), 0);
    tabla()->setFocus();
    QTest::keyClick(tabla(), Qt::Key_Return);
    QTest::mouseClick(el<QWidget>("pbsAceptar"), Qt::LeftButton);
    QVERIFY(m_ventana->isVisible());
    QCOMPARE(m_busquedas, 0);
}

// ---- keys ----------------------------------------------------------------------------------

void TestBuscarEnCatalogo::enterEnCajaVacia_data()
{
    QTest::addColumn<QString>("caja");
    QTest::addColumn<QString>("siguiente");
    QTest::newRow("key box") << "edClave"
                             << "edNombre";
    QTest::newRow("name box") << "edNombre"
                              << "chePCP";
}

void TestBuscarEnCatalogo::enterEnCajaVacia()
{
    QFETCH(QString, caja);
    QFETCH(QString, siguiente);
    mostrar();
    auto* ed = el<QLineEdit>(caja.toLatin1().constData());
    ed->setFocus();
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(m_ventana->focusWidget()->objectName(), siguiente);
    QVERIFY(m_ventana->isVisible());
    QCOMPARE(tabla()->model()->rowCount(), 0);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
}

void TestBuscarEnCatalogo::escapeAlSoltar_data()
{
    QTest::addColumn<QString>("donde");
    QTest::addColumn<bool>("cierra");
    QTest::newRow("key box") << "edClave" << true;
    QTest::newRow("name box") << "edNombre" << true;
    QTest::newRow("grid") << "wdbTabla" << true;
    QTest::newRow("a button") << "pbsBuscar" << false;
    QTest::newRow("the check box") << "chePCP" << false;
}

void TestBuscarEnCatalogo::escapeAlSoltar()
{
    QFETCH(QString, donde);
    QFETCH(bool, cierra);
    mostrar();
    escribir("edNombre", QStringLiteral("cafe"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    QSignalSpy cerrada(m_ventana.get(), &QDialog::finished);
    auto* w = el<QWidget>(donde.toLatin1().constData());
    w->setFocus();
    QTest::keyPress(w, Qt::Key_Escape);
    QVERIFY(m_ventana->isVisible()); // not on the press
    QTest::keyRelease(w, Qt::Key_Escape);
    QCOMPARE(!m_ventana->isVisible(), cierra);
    QCOMPARE(cerrada.size(), cierra ? 1 : 0);
    QCOMPARE(m_busquedas, 0);
}

void TestBuscarEnCatalogo::botonBuscar_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QStringList>("nombres");
    QTest::newRow("both: by name") << "CCL600"
                                   << "cafe" << QStringList{"CAFE SOLUBLE CLASICO 200G", "Café de olla 500 g"};
    QTest::newRow("key only") << "CCL600"
                              << "" << QStringList{"COCA COLA LIGHT 600ML"};
    QTest::newRow("neither: nothing") << ""
                                      << "" << QStringList{"Termo de acero 1 L"};
}

void TestBuscarEnCatalogo::botonBuscar()
{
    QFETCH(QString, clave);
    QFETCH(QString, nombre);
    QFETCH(QStringList, nombres);
    mostrar();
    marcar(false);
    // A result to start from, which "Buscar" with empty boxes must leave in place.
    escribir("edNombre", QStringLiteral("Termo"));
    QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
    el<QLineEdit>("edClave")->setText(clave);
    el<QLineEdit>("edNombre")->setText(nombre);
    QTest::mouseClick(el<QWidget>("pbsBuscar"), Qt::LeftButton);
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    QCOMPARE(ordenados(columna(0)), ordenados(nombres));
}

// ---- showing and closing -------------------------------------------------------------------

void TestBuscarEnCatalogo::enfoqueAlMostrar_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("enfoque");
    QTest::addColumn<QString>("nombre"); // what the name box holds once shown
    QTest::newRow("rows: the grid") << "cafe"
                                    << "wdbTabla"
                                    << "cafe";
    QTest::newRow("no rows: the emptied name box") << "zzzz"
                                                   << "edNombre"
                                                   << "";
}

void TestBuscarEnCatalogo::enfoqueAlMostrar()
{
    QFETCH(QString, clave);
    QFETCH(QString, enfoque);
    QFETCH(QString, nombre);
    QString foco, texto;
    enModal([&] {
        foco = m_ventana->focusWidget() ? m_ventana->focusWidget()->objectName() : QString();
        texto = el<QLineEdit>("edNombre")->text();
    });
    m_edClavePrincipal->setText(clave);
    BuscarClv();
    QVERIFY(m_modalVista);
    QCOMPARE(foco, enfoque);
    QCOMPARE(texto, nombre);
}

void TestBuscarEnCatalogo::primeraAperturaTrasArrancar_data()
{
    QTest::addColumn<int>("guardada"); // -1: nothing stored yet (reads as ticked)
    QTest::addColumn<QStringList>("filas");
    const QStringList dentro{"750 Servilletas dobles", "Agua 750 ml"};
    QTest::newRow("sin preferencia") << -1 << dentro;
    QTest::newRow("guardada marcada") << 1 << dentro;
    QTest::newRow("guardada sin marcar") << 0 << QStringList{"750 Servilletas dobles"};
}

void TestBuscarEnCatalogo::primeraAperturaTrasArrancar()
{
    // The search that runs before the first showing lists what the next search with the box as
    // shown lists.
    QFETCH(int, guardada);
    QFETCH(QStringList, filas);
    if (guardada >= 0) {
        m_dm->ConfigIni_boolW(QStringLiteral("BUSQUEDA"), QStringLiteral("X_POSICION"), guardada == 1);
        m_dm->estacion().releer();
        nuevaVentana();
    }
    QStringList primera, segunda;
    bool marcada = false;
    enModal([&] {
        marcada = el<QCheckBox>("chePCP")->isChecked();
        primera = ordenados(columna(0));
        QTest::keyClick(el<QWidget>("edNombre"), Qt::Key_Return);
        segunda = ordenados(columna(0));
    });
    m_edClavePrincipal->setText(QStringLiteral("750"));
    BuscarClv();

    QVERIFY(m_modalVista);
    QCOMPARE(marcada, guardada != 0);
    QCOMPARE(primera, filas);
    QCOMPARE(segunda, filas);
}

void TestBuscarEnCatalogo::recuerdaTamanoOpcionYColumnas()
{
    m_principal->show();
    mostrar();
    marcar(false);
    m_ventana->resize(700, 500);
    QHeaderView* titulos = tabla()->horizontalHeader();
    titulos->moveSection(titulos->visualIndex(1), 0); // Clave first
    titulos->resizeSection(0, 333);
    titulos->resizeSection(3, 77);
    titulos->hideSection(3);
    const QSize exterior = m_ventana->frameGeometry().size();
    QTest::keyClick(el<QWidget>("pbsCancelar"), Qt::Key_Space);
    QVERIFY(!m_ventana->isVisible());

    QCOMPARE(m_dm->ConfigIni_bool(QStringLiteral("BUSQUEDA"), QStringLiteral("X_POSICION"), true), false);
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("BUSQUEDA"), QStringLiteral("Width"), 0), exterior.width());
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("BUSQUEDA"), QStringLiteral("Height"), 0), exterior.height());
    {
        // Someone renames a column in the per-user store.
        QSettings almacen(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zantor"),
                          QStringLiteral("Lumivo"));
        QCOMPARE(almacen.value(QStringLiteral("BuscarCatalogo/NOMBRE/Ancho")).toInt(), 333);
        almacen.setValue(QStringLiteral("BuscarCatalogo/PRECION/Titulo"), QStringLiteral("Precio neto"));
    }

    // The program starts again.
    nuevaVentana();
    titulos = tabla()->horizontalHeader();
    mostrar();
    QCOMPARE(m_ventana->frameGeometry().size(), exterior);
    QVERIFY((m_ventana->frameGeometry().center() - m_principal->frameGeometry().center()).manhattanLength() <= 2);
    QVERIFY(!el<QCheckBox>("chePCP")->isChecked());
    QCOMPARE(titulos->logicalIndex(0), 1);
    QCOMPARE(titulos->logicalIndex(1), 0);
    QCOMPARE(titulos->sectionSize(0), 333);
    QVERIFY(titulos->isSectionHidden(3));
    QVERIFY(!titulos->isSectionHidden(2));
    QCOMPARE(tabla()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Precio neto"));

    // The hidden column comes back with the width it had.
    titulos->showSection(3);
    QCOMPARE(titulos->sectionSize(3), 77);

    // Wherever the operator put it, it opens centred again.
    m_ventana->move(0, 0);
    QTest::keyClick(el<QWidget>("pbsCancelar"), Qt::Key_Space);
    mostrar();
    QVERIFY((m_ventana->frameGeometry().center() - m_principal->frameGeometry().center()).manhattanLength() <= 2);
}

void TestBuscarEnCatalogo::almacenesConValoresMalos()
{
    QFile config(m_dir->filePath(QStringLiteral("config.xml")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(R"(<Config><BUSQUEDA X_POSICION="true" Width="abc" Height="-5"/></Config>)");
    config.close();
    m_dm->estacion().releer();
    {
        QSettings almacen(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zantor"),
                          QStringLiteral("Lumivo"));
        for (const char* campo : {"NOMBRE", "CLAVE", "PRECION", "EXISTENCIA"}) {
            const QString base = QStringLiteral("BuscarCatalogo/") + QLatin1String(campo);
            almacen.setValue(base + QStringLiteral("/Visible"), false);
            almacen.setValue(base + QStringLiteral("/Ancho"), -3);
            almacen.setValue(base + QStringLiteral("/Posicion"), QStringLiteral("x"));
        }
    }
    nuevaVentana();
    const int anchoNombre = tabla()->horizontalHeader()->sectionSize(0);
    mostrar();
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));
    // An unusable size gives the smallest usable window, not an invisible one.
    QCOMPARE(m_ventana->size(), m_ventana->minimumSize());
    QVERIFY(m_ventana->width() > 0 && m_ventana->height() > 0);
    // Columns that would leave an empty grid all come back, at their own widths and places.
    const QHeaderView* titulos = tabla()->horizontalHeader();
    for (int c = 0; c < 4; ++c) {
        QVERIFY(!titulos->isSectionHidden(c));
        QCOMPARE(titulos->visualIndex(c), c);
    }
    QCOMPARE(titulos->sectionSize(0), anchoNombre);
}

// Off by default; on, each typed key searches through the index once the keys typed meanwhile
// are in, and nothing is selected, so typing goes on. Remembered with the window's choices.
void TestBuscarEnCatalogo::buscarAlEscribir()
{
    mostrar();
    auto* alEscribir = el<QCheckBox>("cheAlEscribir");
    QVERIFY(!alEscribir->isChecked());
    marcar(false);
    auto* ed = el<QLineEdit>("edNombre");
    ed->setFocus();
    QTest::keyClicks(ed, QStringLiteral("caf"));
    QTest::qWait(50);
    QCOMPARE(modelo()->rowCount(), 0);
    ed->clear();

    QTest::mouseClick(alEscribir, Qt::LeftButton, {}, QPoint(8, alEscribir->height() / 2));
    QVERIFY(alEscribir->isChecked());
    iniciarIndice();

    ed->setFocus();
    QTest::keyClicks(ed, QStringLiteral("cafe"));
    QTRY_COMPARE(ordenados(columna(0)), ordenados({"CAFE SOLUBLE CLASICO 200G", "Café de olla 500 g"}));
    QCOMPARE(ed->text(), QStringLiteral("cafe"));
    QTest::keyClicks(ed, QStringLiteral(" de"));
    QTRY_COMPARE(columna(0), QStringList{"Café de olla 500 g"});
    QTest::keyClicks(ed, QStringLiteral("zz"));
    QTRY_COMPARE(modelo()->rowCount(), 0);
    QCOMPARE(ed->selectedText(), QString());
    QTest::keyClicks(ed, QStringLiteral("q"));
    QCOMPARE(ed->text(), QStringLiteral("cafe dezzq"));
    QVERIFY2(m_notificador->messages.empty(), qPrintable(mensajes()));

    m_ventana->close();
    QVERIFY(m_dm->ConfigIni_bool(QStringLiteral("BUSQUEDA"), QStringLiteral("X_AL_ESCRIBIR"), false));
    nuevaVentana();
    mostrar();
    QVERIFY(el<QCheckBox>("cheAlEscribir")->isChecked());
}

LUMIVO_TEST_MAIN(TestBuscarEnCatalogo)
#include "tst_buscarencatalogo.moc"
