#include "uConsulta.h"

#include "Elementos.h"
#include "EsperaServidor.h"
#include "LimiteClave.h"
#include "ModoKiosco.h"
#include "app/Escaparate.h"
#include "app/flujo/FlujoConsulta.h"
#include "connections/InicioAutomatico.h"
#include "connections/ParametrosConexion.h"
#include "connections/uLogear.h"
#include "data/ConfigEmpresa.h"
#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "data/uDM.h"
#include "display/Celda.h"
#include "display/ModeloConsulta.h"
#include "display/Presentacion.h"
#include "layout/AjusteTexto.h"
#include "layout/DisenoPantalla.h"
#include "layout/Estilo.h"
#include "layout/EtiquetaAjustada.h"
#include "layout/Fuentes.h"
#include "layout/LogoEmpresa.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ConsultasEscaparate.h"
#include "lookup/ServicioConsulta.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Registro.h"
#include "reports/uReportes.h"
#include "rules/EtiquetaBascula.h"
#include "rules/Formato.h"
#include "rules/Informacion.h"
#include "search/uBuscarEnCatalogo.h"
#include "speech/TextoHablado.h"
#include "speech/VozSistema.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <exception>
#include <functional>
#include <optional>

const QString TfrmConsulta::kTitulo = QStringLiteral("Lumivo 2026 v3.3");
const QString TfrmConsulta::kDireccionWeb = QStringLiteral("https://www.zantor.com.mx");

namespace {

// The client area the display's elements are placed for (the status bar included).
constexpr int kAnchoCliente = 1012;
constexpr int kAltoCliente = 668;
// Room the display leaves right of and below its outermost elements, as much as above the top ones.
constexpr int kMargenMarco = 8;

using estilo::kAzul;
using estilo::kFondo;
using estilo::kNaranja;
using estilo::kNaranjaPrecio;
using platform::tahomaPixels;

const QString kHintF4 = QStringLiteral("Buscaque en el catálogo de artículos con la tecla F4");
const QString kErrorConexion = QStringLiteral("Error al tratar de realizar la conexión");
// What the label element shows in design mode before any label was scanned.
const QString kEtiquetaMuestra = QStringLiteral("0.000 kg · $0.00");

// Smallest sizes the two large elements shrink to before a text may end in "…". The price's
// floor lies below the size at which the widest amount the database holds ($999,999,999,999.99,
// twelve integer digits) fits the built-in 469-pixel box, so in that box a price is never elided.
// The name's floor is the size at which 200 capitals, the longest name the ERP stores, still
// fit whole in the built-in 778 x 135 box (five lines); it stays above every other text on the
// display, so the name remains the second largest thing the customer reads.
constexpr int kPisoPrecio = 36;
constexpr int kPisoNombre = 20;

void colorTexto(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}

// A draggable element's built-in place, shared with the stored layout, with its size.
QRect integrada(QStringView prefijo, QSize tamano)
{
    return {posicionIntegrada(prefijo), tamano};
}

QPixmap logotipo(QSize tamano, const QString& texto)
{
    QPixmap pm(tamano);
    pm.fill(kFondo);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kNaranja);
    p.setFont(tahomaPixels(tamano.height() / 2, true));
    p.drawText(pm.rect(), Qt::AlignCenter, texto);
    return pm;
}

// A lookup grid: a title row on a silver fixed area, no row indicator, no cell lines, read
// only, the look and columns of its description.
QTableView* crearRejilla(QWidget* padre, const char* nombre, QRect geometria, ModeloConsulta* modelo)
{
    auto* t = new QTableView(padre);
    t->setObjectName(QString::fromLatin1(nombre));
    t->setGeometry(geometria);
    t->setModel(modelo);
    const DescripcionRejilla& d = modelo->descripcion();

    t->verticalHeader()->hide();
    t->verticalHeader()->setMinimumSectionSize(1);
    t->verticalHeader()->setDefaultSectionSize(QFontMetrics(d.fuente).height() + 4);
    t->setShowGrid(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setWordWrap(false);
    t->setTextElideMode(Qt::ElideNone); // a long text is cut at the cell's edge
    t->setFont(d.fuente);
    QPalette p = t->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Base, d.fondo);
        p.setColor(g, QPalette::Window, d.fondo);
        p.setColor(g, QPalette::Text, d.colorTexto);
    }
    t->setPalette(p);

    QHeaderView* titulos = t->horizontalHeader();
    titulos->setFont(d.fuenteTitulo);
    titulos->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titulos->setHighlightSections(false);
    titulos->setSectionsClickable(false);
    titulos->setMinimumSectionSize(1);
    titulos->setFixedHeight(QFontMetrics(d.fuenteTitulo).height() + 6);
    titulos->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1; color: %2; border: none;"
                                          " border-right: 1px solid gray; border-bottom: 1px solid gray;"
                                          " padding: 0px 2px; }")
                               .arg(d.fondoTitulo.name(), d.colorTitulo.name()));
    // Each column is wide enough for its widest value in practice (presentacion::muestrasMoneda),
    // and the grid leaves room beside its columns for the vertical scroll bar, which would
    // otherwise take its width from the last column.
    const int margen = t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1;
    std::vector<int> columnas;
    int total = 2 * t->frameWidth() + t->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, t);
    for (const ColumnaConsulta& c : d.columnas) {
        columnas.push_back(ajuste::anchoColumna(c.fuente.value_or(d.fuente), c.muestras, margen, 0, c.ancho));
        total += columnas.back();
    }
    t->resize(std::max(t->width(), total), t->height());
    // A reset gives every section the default size again.
    const auto anchos = [t, columnas] {
        for (size_t i = 0; i < columnas.size(); ++i)
            t->horizontalHeader()->resizeSection(static_cast<int>(i), columnas[i]);
    };
    anchos();
    QObject::connect(modelo, &QAbstractItemModel::modelReset, t, anchos);
    t->hide();
    return t;
}

// The installation checks' message, untitled.
void mostrarAviso(QWidget* padre, const AvisoInstalacion& aviso)
{
    platform::showMessage(padre, aviso.texto, QString(),
                          aviso.tipo == AvisoInstalacion::Tipo::Advertencia ? platform::Icon::Warning
                                                                            : platform::Icon::Information);
}

} // namespace

TfrmConsulta::TfrmConsulta(Tdm& dm, Sesion& sesion, InicioAutomatico& inicio, QDialog& login, QDialog& empresa,
                           QDialog& ayuda, TfrmBuscarEnCatalogo& buscador, QDialog& configuracion,
                           bool arranqueAlMostrar, QWidget* parent)
    : QMainWindow(parent)
    , m_dm(dm)
    , m_sesion(sesion)
    , m_inicio(inicio)
    , m_login(login)
    , m_empresa(empresa)
    , m_ayuda(ayuda)
    , m_buscador(buscador)
    , m_configuracion(configuracion)
    , m_arranqueAlMostrar(arranqueAlMostrar)
    , m_diseno(m_dm, crearMarco(), [this] { return modoDiseno(); })
{
    setObjectName(QStringLiteral("frmConsulta"));
    setWindowTitle(kTitulo);
    crearMenu();
    crearBarraEstado();

    m_servicio = new ServicioConsulta(
        m_dm, [this](int intento) { return m_inicio.pausas(intento); }, this);
    connect(m_servicio, &ServicioConsulta::conexionServidor, this, &TfrmConsulta::mostrarConexion);
    m_flujo = new FlujoConsulta(
        *m_servicio, m_ajustes, [this] { return modoDiseno(); }, this);
    connect(m_flujo, &FlujoConsulta::respuestaLista, this,
            [this](const RespuestaConsulta& r, const flujo::Pantalla& p) {
                platform::guarded(this, [&] {
                    const auto avisar = qScopeGuard([&] { emit respuestaMostrada(r.secuencia); });
                    mostrarPantalla(p, &r);
                });
            });
    connect(m_flujo, &FlujoConsulta::ajustesListos, this, [this](const AjustesCargados& c) {
        aplicarFuentes(c.nombre, c.precio);
        m_escaparate->configurar(c.escaparate);
    });

    TiempoInactivo = new QTimer(this);
    TiempoInactivo->setObjectName(QStringLiteral("TiempoInactivo"));
    TiempoInactivo->setInterval(1000);
    platform::connectGuarded(TiempoInactivo, &QTimer::timeout, this, &TfrmConsulta::TiempoInactivoTimer);
    m_escaparate = new Escaparate(m_cliente, edClave, [this] { m_flujo->pedirRonda(); });
    connect(m_flujo, &FlujoConsulta::ronda, m_escaparate, &Escaparate::recibirRonda);

    // The display area is the client area less the status bar; elements anchored to the
    // bottom or stretched follow it from here on.
    m_tamanoDisplay = QSize(kAnchoCliente, kAltoCliente - statusBar()->sizeHint().height());
    imgFondo->resize(imgFondo->width(), m_tamanoDisplay.height());
    Shape1->resize(Shape1->width(), m_tamanoDisplay.height());

    // The border cannot be dragged: the size changes only through the stored layout. The first
    // size shows the whole frame between the menu and the status bar.
    m_tamanoMarco = tamanoDelMarco();
    setFixedSize(ventanaParaDisplay(m_tamanoMarco));
    // Already now: a kiosk takes the display away from the window's layout at the size it has.
    m_cliente->resize(m_tamanoMarco);

    // A server lost during the day is tried again in the background, with a status line.
    new VigiaServidor(
        m_dm, *statusBar(), [this](int intento) { return m_inicio.pausas(intento); },
        [this] { return m_inicio.plazoConexion; }, this);
    // Last: a kiosk takes the finished display into its scaled view.
    m_kiosco = new ModoKiosco(*this, m_dm, m_sesion, m_ajustes);
    ModoQuiosco1->setChecked(m_kiosco->activo());
    connect(&m_dm.estacion(), &AjustesEstacion::cambiado, this, &TfrmConsulta::seguirEstacion);
}

TfrmConsulta::~TfrmConsulta()
{
    // The key box outlives this object's members while the window is torn down, and may still
    // validate (losing the focus): its bound asks the scan flow, which is gone by then.
    edClave->setValidator(nullptr);
}

std::vector<ElementoArrastrable> TfrmConsulta::crearMarco()
{
    m_cliente = new QWidget(this);
    m_cliente->setObjectName(QStringLiteral("cliente"));
    m_cliente->setAutoFillBackground(true);
    QPalette fondo = m_cliente->palette();
    fondo.setColor(QPalette::Window, kFondo);
    fondo.setColor(QPalette::WindowText, Qt::white);
    fondo.setColor(QPalette::Base, kFondo);
    fondo.setColor(QPalette::Text, Qt::white);
    m_cliente->setPalette(fondo);
    setCentralWidget(m_cliente);
    // The station's style sheet stops a parent's palette from reaching its children, so the
    // labels that take the display's white-on-dark colours get them set one by one below.
    m_cliente->installEventFilter(this);

    imgFondo = new QLabel(m_cliente);
    imgFondo->setObjectName(QStringLiteral("imgFondo"));
    imgFondo->setGeometry(201, 0, kAnchoCliente - 201, kAltoCliente);
    imgFondo->setScaledContents(true);

    Image1 = new QLabel(m_cliente);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 178, 57);
    Image1->setPixmap(logotipo({178, 57}, QStringLiteral("Lumivo")));

    edClave = new QLineEdit(m_cliente);
    edClave->setObjectName(QStringLiteral("edClave"));
    edClave->setGeometry(8, 106, 165, 27);
    edClave->setFont(tahomaPixels(16));
    m_limiteClave = new LimiteClave(edClave, [this] {
        const qsizetype envoltura =
            m_flujo ? m_flujo->escaner().prefijo.size() + m_flujo->escaner().sufijo.size() : qsizetype{0};
        return kLongitudClave + envoltura;
    });
    edClave->setValidator(m_limiteClave);
    edClave->setToolTip(kHintF4);
    edClave->installEventFilter(this);

    Label1 = new QLabel(QStringLiteral("&Clave/Artículo"), m_cliente);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 81);
    Label1->setFont(tahomaPixels(16, true));
    colorTexto(Label1, kAzul);
    Label1->setBuddy(edClave);
    Label1->setToolTip(kHintF4);
    Label1->adjustSize();

    pbsLimpiar = new QPushButton(QStringLiteral("Limpiar"), m_cliente);
    pbsLimpiar->setObjectName(QStringLiteral("pbsLimpiar"));
    pbsLimpiar->setGeometry(10, 149, 163, 73);
    pbsLimpiar->setFont(tahomaPixels(20, true));
    pbsLimpiar->setProperty("accion", true);
    platform::connectGuarded(pbsLimpiar, &QPushButton::clicked, this, &TfrmConsulta::pbsLimpiarClick);

    sUnidaCompra = new Forma(kFondo, kNaranja, 6, 12, m_cliente);
    sUnidaCompra->setObjectName(QStringLiteral("sUnidaCompra"));
    sUnidaCompra->setGeometry(0, 408, 178, 89);
    sUnidaCompra->hide();

    lblUniCompra = new QLabel(m_cliente);
    lblUniCompra->setObjectName(QStringLiteral("lblUniCompra"));
    lblUniCompra->setGeometry(8, 420, 165, 65);
    lblUniCompra->setWordWrap(true);
    lblUniCompra->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblUniCompra->setFont(tahomaPixels(13, true));
    colorTexto(lblUniCompra, kNaranjaPrecio);
    lblUniCompra->hide();

    lblLinea = new QLabel(m_cliente);
    lblLinea->setObjectName(QStringLiteral("lblLinea"));
    lblLinea->setGeometry(8, 503, 165, 55);
    lblLinea->setWordWrap(true);
    lblLinea->setFont(tahomaPixels(13, true));
    lblLinea->setPalette(fondo);
    lblLinea->setToolTip(kHintF4);
    lblLinea->hide();

    lblTexto = new QLabel(QStringLiteral("Ultima Compra"), m_cliente);
    lblTexto->setObjectName(QStringLiteral("lblTexto"));
    lblTexto->move(8, 564);
    lblTexto->setFont(tahomaPixels(13, true));
    lblTexto->setPalette(fondo);
    lblTexto->setToolTip(kHintF4);
    lblTexto->adjustSize();
    lblTexto->hide();

    edUltimaCompra = new QLineEdit(m_cliente);
    edUltimaCompra->setObjectName(QStringLiteral("edUltimaCompra"));
    edUltimaCompra->setGeometry(8, 589, 165, 27);
    edUltimaCompra->setFrame(false);
    edUltimaCompra->setFont(tahomaPixels(16));
    edUltimaCompra->setToolTip(kHintF4);
    edUltimaCompra->installEventFilter(this);
    edUltimaCompra->hide();

    Label5 = new LinkLabel(kDireccionWeb.mid(QStringLiteral("https://").size()), m_cliente);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->move(8, 629);
    QFont subrayada = tahomaPixels(11);
    subrayada.setUnderline(true);
    Label5->setFont(subrayada);
    colorTexto(Label5, QColor(0, 0, 128));
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->adjustSize();
    platform::connectGuarded(Label5, &LinkLabel::clicked, this, &TfrmConsulta::Label5Click);

    Shape1 = new Forma(kNaranja, kNaranja, 0, 0, m_cliente);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(195, 0, 6, kAltoCliente);

    Imagen = new QLabel(m_cliente);
    Imagen->setObjectName(QStringLiteral("Imagen"));
    Imagen->setGeometry(integrada(u"Imagen", {426, 113}));
    Imagen->setAlignment(Qt::AlignCenter);
    Imagen->setPixmap(logotipo({426, 113}, QStringLiteral("Lumivo")));

    lblNombreArticulo = new EtiquetaAjustada(EtiquetaAjustada::Modo::Parrafo, kPisoNombre, m_cliente);
    lblNombreArticulo->setObjectName(QStringLiteral("lblNombreArticulo"));
    lblNombreArticulo->setGeometry(integrada(u"NombreArticulo", {778, 135}));
    lblNombreArticulo->setWordWrap(true);
    lblNombreArticulo->setFont(tahomaPixels(60, true));
    colorTexto(lblNombreArticulo, kAzul);
    lblNombreArticulo->hide();

    dbPrecio = new EtiquetaAjustada(EtiquetaAjustada::Modo::Linea, kPisoPrecio, m_cliente);
    dbPrecio->setObjectName(QStringLiteral("dbPrecio"));
    dbPrecio->setGeometry(integrada(u"Precios", {469, 129}));
    dbPrecio->setFont(tahomaPixels(107, true));
    colorTexto(dbPrecio, kNaranjaPrecio);
    dbPrecio->hide();

    // What a scale label says, between the name and the price; movable like the other elements.
    lblEtiqueta = new QLabel(m_cliente);
    lblEtiqueta->setObjectName(QStringLiteral("lblEtiqueta"));
    lblEtiqueta->setGeometry(integrada(u"Etiqueta", {560, 34}));
    lblEtiqueta->setFont(tahomaPixels(24, true));
    colorTexto(lblEtiqueta, kNaranjaPrecio);
    lblEtiqueta->hide();

    // A misread, shown where the article's name goes.
    lblCodigoNoValido = new QLabel(flujo::kCodigoNoValido, m_cliente);
    lblCodigoNoValido->setObjectName(QStringLiteral("lblCodigoNoValido"));
    lblCodigoNoValido->setGeometry(integrada(u"NombreArticulo", {778, 135}));
    lblCodigoNoValido->setWordWrap(true);
    lblCodigoNoValido->setFont(tahomaPixels(40, true));
    colorTexto(lblCodigoNoValido, QColor(220, 40, 40));
    lblCodigoNoValido->hide();

    m_claves = new ModeloConsulta(presentacion::rejillaListaClaves(), this);
    m_precios = new ModeloConsulta(presentacion::rejillaPrecios(), this);
    m_volumen = new ModeloConsulta(presentacion::rejillaVolumen(), this);
    m_combos = new ModeloConsulta(presentacion::rejillaCombos(), this);
    m_existe = new ModeloConsulta(presentacion::rejillaExiste(), this);
    // A batch fetched while scrolling runs inside the view: report once it has returned.
    const auto informar = [this](const QString& texto) { platform::reportError(this, texto); };
    for (ModeloConsulta* m : {m_claves, m_precios, m_volumen, m_combos, m_existe})
        connect(m, &ModeloConsulta::falloAlLeer, this, informar, Qt::QueuedConnection);
    dbListaClaves = crearRejilla(m_cliente, "dbListaClaves", integrada(u"Claves", {258, 105}), m_claves);
    dbPrecios = crearRejilla(m_cliente, "dbPrecios", integrada(u"ListaPrecios", {440, 101}), m_precios);
    dbPrecios->setFocusPolicy(Qt::ClickFocus); // not reached by tabbing
    dbVolumen = crearRejilla(m_cliente, "dbVolumen", integrada(u"ListaVolumen", {331, 101}), m_volumen);
    dbCombos = crearRejilla(m_cliente, "dbCombos", integrada(u"Combo", {362, 101}), m_combos);
    dbExiste = crearRejilla(m_cliente, "dbExiste", integrada(u"Existencia", {362, 101}), m_existe);
    // The large price and the price grid share one current row.
    platform::connectGuarded(dbPrecios->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                             &TfrmConsulta::mostrarPrecioActual);
    platform::connectGuarded(m_precios, &QAbstractItemModel::modelReset, this, &TfrmConsulta::mostrarPrecioActual);

    // The orange bar is drawn over the background picture, the display elements over both.
    imgFondo->lower();

    return {{lblNombreArticulo, QStringLiteral("NombreArticulo")},
            {dbPrecio, QStringLiteral("Precios")},
            {dbExiste, QStringLiteral("Existencia")},
            {dbPrecios, QStringLiteral("ListaPrecios")},
            {dbVolumen, QStringLiteral("ListaVolumen")},
            {dbListaClaves, QStringLiteral("Claves")},
            {dbCombos, QStringLiteral("Combo")},
            {Imagen, QStringLiteral("Imagen")},
            {lblEtiqueta, QStringLiteral("Etiqueta")}};
}

void TfrmConsulta::crearMenu()
{
    auto accion = [this](QMenu* menu, const QString& texto, const char* nombre) {
        QAction* a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(nombre));
        return a;
    };

    QMenuBar* barra = menuBar();
    barra->setObjectName(QStringLiteral("Menu"));
    QMenu* archivo = barra->addMenu(QStringLiteral("Archivo"));
    Configuracin1 = accion(archivo, QStringLiteral("Configuración"), "Configuracin1");
    QMenu* editar = archivo->addMenu(QStringLiteral("Editar pantalla"));
    Disear1 = accion(editar, QStringLiteral("Diseñar"), "Disear1");
    Disear1->setCheckable(true);
    Disear1->setChecked(true); // built-in state; the start-up clears it
    Restaurar1 = accion(editar, QStringLiteral("Restaurar"), "Restaurar1");
    smLimpiar = accion(archivo, QStringLiteral("Limpiar"), "smLimpiar");
    // The original's key code 137 is one no keyboard sends.
    smLimpiar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    InicioAutomatico1 = accion(archivo, QStringLiteral("Inicio automático"), "InicioAutomatico1");
    InicioAutomatico1->setCheckable(true);
    InicioAutomatico1->setEnabled(false); // only once a session is open: it stores that session
    ModoQuiosco1 = accion(archivo, QStringLiteral("Modo quiosco"), "ModoQuiosco1");
    ModoQuiosco1->setCheckable(true);
    Salir1 = accion(archivo, QStringLiteral("Salir"), "Salir1");
    QMenu* informacion = barra->addMenu(QStringLiteral("Información"));
    Reportes1 = accion(informacion, QStringLiteral("Reportes"), "Reportes1");
    Acercade1 = accion(informacion, QStringLiteral("Acerca de"), "Acercade1");

    platform::connectGuarded(Configuracin1, &QAction::triggered, this, &TfrmConsulta::Configuracin1Click);
    platform::connectGuarded(Disear1, &QAction::triggered, this, &TfrmConsulta::Disear1Click);
    platform::connectGuarded(Restaurar1, &QAction::triggered, this, &TfrmConsulta::Restaurar1Click);
    platform::connectGuarded(smLimpiar, &QAction::triggered, this, &TfrmConsulta::smLimpiarClick);
    platform::connectGuarded(InicioAutomatico1, &QAction::triggered, this, &TfrmConsulta::InicioAutomatico1Click);
    platform::connectGuarded(ModoQuiosco1, &QAction::triggered, this, &TfrmConsulta::ModoQuiosco1Click);
    platform::connectGuarded(Salir1, &QAction::triggered, this, &TfrmConsulta::Salir1Click);
    platform::connectGuarded(Reportes1, &QAction::triggered, this, &TfrmConsulta::Reportes1Click);
    platform::connectGuarded(Acercade1, &QAction::triggered, this, &TfrmConsulta::Acercade1Click);
}

void TfrmConsulta::crearBarraEstado()
{
    QStatusBar* barra = statusBar();
    barra->setObjectName(QStringLiteral("estBarra"));
    barra->setSizeGripEnabled(false);
    auto panel = [barra](const char* nombre, int ancho, Qt::Alignment alineacion, int estirar) {
        // A path or a user name wider than its panel is elided, never cut; the tool tip holds it whole.
        auto* l = new EtiquetaElidida(Qt::ElideMiddle, barra);
        l->setObjectName(QString::fromLatin1(nombre));
        if (ancho > 0)
            l->setFixedWidth(ancho);
        l->setAlignment(alineacion | Qt::AlignVCenter);
        barra->addWidget(l, estirar);
        return l;
    };
    m_panel0 = panel("estBarraPanel0", 170, Qt::AlignHCenter, 0);
    m_panel1 = panel("estBarraPanel1", 120, Qt::AlignHCenter, 0);
    m_panel2 = panel("estBarraPanel2", 150, Qt::AlignLeft, 1);
    m_panelVoz = panel("estBarraVoz", 0, Qt::AlignLeft, 0);
}

bool TfrmConsulta::modoDiseno() const
{
    return Disear1->isChecked();
}

QSize TfrmConsulta::tamanoDelMarco() const
{
    // Every element where the window puts it, hidden ones included; the background picture and
    // the orange bar only follow the display's size.
    QRect ocupado;
    for (const QWidget* w : m_cliente->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w != imgFondo && w != Shape1)
            ocupado |= w->geometry();
    }
    return QSize(ocupado.right() + 1 + kMargenMarco, ocupado.bottom() + 1 + kMargenMarco).expandedTo(m_tamanoDisplay);
}

QSize TfrmConsulta::ventanaParaDisplay(QSize display) const
{
    return {display.width(), menuBar()->sizeHint().height() + display.height() + statusBar()->sizeHint().height()};
}

void TfrmConsulta::colocarEnPantalla()
{
    if (m_kiosco->activo() || isFullScreen())
        return;
    if (QScreen* pantalla = screen())
        centrarEnArea(*this, pantalla->availableGeometry());
}

void TfrmConsulta::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_mostrada)
        return;
    m_mostrada = true;
    colocarEnPantalla();
    if (m_arranqueAlMostrar)
        QTimer::singleShot(0, this, [this] { platform::guarded(this, [this] { FormShow(); }); });
}

bool TfrmConsulta::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cliente && event->type() == QEvent::Resize) {
        const QSize nuevo = static_cast<QResizeEvent*>(event)->size();
        anclarAlCambiarTamano(m_tamanoDisplay, nuevo);
        m_tamanoDisplay = nuevo;
    } else if ((watched == edClave || watched == edUltimaCompra) && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        // The first key of a new scan cuts off what is still being said about the last one.
        if (m_voz)
            m_voz->callar();
        const TeclasEscaneo::Accion a = m_flujo->tecla(k->key(), k->text(), k->modifiers(), watched == edClave);
        if (a.buscar)
            platform::guarded(this, [this] { edClaveKeyPress(QChar(13)); });
        if (a.catalogo)
            platform::guarded(this, [this] { edClaveF4(); });
        if (a.consumir)
            return true;
    } else if (watched == edClave && event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (!k->isAutoRepeat())
            platform::guarded(this, [this, k] { edClaveKeyUp(k->key()); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmConsulta::anclarAlCambiarTamano(QSize anterior, QSize nuevo)
{
    const int dx = nuevo.width() - anterior.width();
    const int dy = nuevo.height() - anterior.height();
    for (QWidget* w : {static_cast<QWidget*>(lblLinea), static_cast<QWidget*>(lblTexto),
                       static_cast<QWidget*>(edUltimaCompra), static_cast<QWidget*>(Label5)})
        w->move(w->x(), w->y() + dy);
    lblNombreArticulo->resize(lblNombreArticulo->width() + dx, lblNombreArticulo->height());
    imgFondo->resize(imgFondo->width() + dx, imgFondo->height() + dy);
    Shape1->resize(Shape1->width(), Shape1->height() + dy);
}

// ---- start-up ---------------------------------------------------------------------------

// Qt 6's quit() first closes every window, which would run the closing steps of the window
// (close the connection, save the layout); ending the program must not run them.
void TfrmConsulta::terminar()
{
    QCoreApplication::exit(0);
}

void TfrmConsulta::FormShow()
{
    // A station set up for it starts by itself; a stored start that no longer works has said why
    // once, and the windows take over.
    const InicioAutomatico::Lectura guardado = m_inicio.leer();
    m_sesion.AvisoLogin = guardado.rechazo;
    if (guardado.inicio) {
        switch (arranqueGuardado(*guardado.inicio)) {
        case Arranque::Listo:
            return buscarEscaneoDelArranque();
        case Arranque::Terminar:
            return terminar();
        case Arranque::Login:
            break;
        }
    }

    // 1. Login against the system database.
    m_login.exec();
    if (!m_sesion.LoginCorrecto)
        return terminar();

    // 2. Company choice.
    m_empresa.exec();
    if (!m_sesion.EmpresaSeleccionada)
        return terminar();

    // 3. The company database.
    Conexion();

    // 4 and 5.
    if (const std::optional<AvisoInstalacion> aviso = validarEmpresa()) {
        mostrarAviso(this, *aviso);
        return terminar();
    }
    prepararPantalla();
}

TfrmConsulta::Arranque TfrmConsulta::arranqueGuardado(const InicioGuardado& inicio)
{
    const auto alLogin = [this](const QString& texto, const QString& titulo, platform::Icon icono) {
        m_dm.desconectar();
        m_sesion.LoginCorrecto = m_sesion.EmpresaSeleccionada = false;
        statusBar()->clearMessage();
        platform::showMessage(this, texto, titulo, icono);
        return Arranque::Login;
    };
    DatosConexion& d = m_sesion.datos;
    // Steps 1 to 3 without their windows. A server that cannot be reached yet (a power cut: the
    // network or the server still starting) is waited for; anything else is said once.
    m_flujo->setConectando(true);
    const auto conectado = qScopeGuard([this] { m_flujo->setConectando(false); });
    try {
        if (!esperarServidor(
                *statusBar(), m_inicio.pausas, m_inicio.plazoConexion,
                [&] { return m_inicio.parametrosSistema(inicio); }, [&] { m_inicio.iniciarSesion(inicio, m_sesion); }))
            return Arranque::Terminar;
    } catch (const std::exception& e) {
        if (Tdm::errorDeLaBase(e))
            return alLogin(QStringLiteral("Error al tratar de realizar la conexión\n"
                                          "Verifique su conexion,Nombre de usuario y contraseña.\n") +
                               RutaSistemaMostrada(d),
                           QString(), platform::Icon::Error);
        return alLogin(QString::fromUtf8(e.what()), platform::kMessageTitle, platform::Icon::Warning);
    }
    try {
        const QStringList empresa = ParametrosConexion(RutaEmpresa(d), d);
        if (!esperarServidor(
                *statusBar(), m_inicio.pausas, m_inicio.plazoConexion, [&] { return empresa; },
                [&] { m_dm.conectarEmpresa(empresa); }))
            return Arranque::Terminar;
    } catch (const std::exception& e) {
        return alLogin(kErrorConexion + QStringLiteral("\n") + QString::fromUtf8(e.what()), platform::kMessageTitle,
                       platform::Icon::Error);
    }
    m_flujo->setConectando(false);
    Conexion();
    if (const std::optional<AvisoInstalacion> aviso = validarEmpresa()) {
        m_flujo->setEmpresaAbierta(false);
        return alLogin(aviso->texto, QString(),
                       aviso->tipo == AvisoInstalacion::Tipo::Advertencia ? platform::Icon::Warning
                                                                          : platform::Icon::Information);
    }
    prepararPantalla();
    return Arranque::Listo;
}

std::optional<AvisoInstalacion> TfrmConsulta::validarEmpresa()
{
    // The checks and the settings in one statement (nothing when this company cannot run it:
    // each step then reads on its own).
    m_lecturaArranque = leerArranque(m_dm);
    const LecturaArranque* leido = m_lecturaArranque ? &*m_lecturaArranque : nullptr;
    // 4. Only the ERP schema versions the station knows.
    if (std::optional<AvisoInstalacion> aviso = ValidarVersion(m_dm, leido))
        return aviso;
    // 5. The station's own objects; installing them ends the run.
    return ValidarMetadatos(m_dm, m_sesion.datos, leido);
}

void TfrmConsulta::prepararPantalla()
{
    // 6. Design mode off.
    Disear1->setChecked(false);

    // 7.
    m_ajustes.ClienteEventualId = 0;

    // 8. The restore flag, read once.
    const bool restaurada = m_dm.estacion().restaurada();
    if (restaurada)
        ReestrableceFuentes(m_dm, fuenteConColorDe(*lblNombreArticulo), fuenteConColorDe(*dbPrecio));

    leerEscaner();

    // 9. The settings the start-up read already, unless the fonts were just reset in the table.
    const std::optional<LecturaArranque> leido = std::exchange(m_lecturaArranque, std::nullopt);
    CargarInfo(!restaurada && leido && leido->ajustes ? &*leido->ajustes : nullptr);

    // 10. Without a walk-in customer the company has to be configured first.
    if (m_ajustes.ClienteEventualId == 0) {
        m_configuracion.exec();
        Conexion();
        CargarInfo();
    }

    // 11.
    CargarLogEmp();

    // 12. The stored layout applies only when the operator has not asked for the built-in one.
    // A kiosk fills the screen instead of taking the stored window size.
    if (!restaurada) {
        const QSize exterior = m_diseno.aplicarDisenoGuardado();
        if (!m_kiosco->activo()) {
            // The stored size stays in the file as it is; the window never shows less than the
            // whole frame, nor more than the screen's available area (which wins).
            aplicarTamanoExterior(*this, exterior);
            if (const QSize ampliada = size().expandedTo(ventanaParaDisplay(m_tamanoMarco)); ampliada != size())
                setFixedSize(ampliada);
            colocarEnPantalla();
        }
    }

    // 13.
    Limpiar();

    InicioAutomatico1->setEnabled(true);
    InicioAutomatico1->setChecked(m_inicio.guardado());
    prepararVoz();
    // A station value the file holds that does not read: its default is used, and the operator
    // is told without a box.
    if (const QString& aviso = m_dm.estacion().aviso(); !aviso.isEmpty()) {
        qWarning("%s", qUtf8Printable(aviso));
        statusBar()->showMessage(aviso);
    }
}

void TfrmConsulta::prepararVoz()
{
    if (m_voz || !m_dm.estacion().hablarPrecio())
        return;
    // Opens on its own thread: the start-up does not wait for the speech service.
    auto voz = std::make_unique<VozSistema>([this](const QString& texto) { m_panelVoz->setText(texto); });
    m_voz = voz.get();
    m_vozSistema = std::move(voz);
}

void TfrmConsulta::seguirEstacion()
{
    const AjustesEstacion& estacion = m_dm.estacion();
    // The stored choice, for the next start; this run keeps the mode it started in.
    ModoQuiosco1->setChecked(estacion.kiosco());
    leerEscaner();
    if (!estacion.hablarPrecio() && m_voz && m_voz == m_vozSistema.get()) {
        m_voz = nullptr;
        m_vozSistema.reset();
    } else if (m_flujo->empresaAbierta()) {
        prepararVoz();
    }
}

void TfrmConsulta::Conexion()
{
    DatosConexion& d = m_sesion.datos;
    m_panel0->setText(RutaEmpresa(d));
    m_panel0->setToolTip(m_panel0->text());
    m_panel1->setText(QStringLiteral("Usuario: ") + d.Usuario.toUpper());
    m_panel1->setToolTip(m_panel1->text());
    d.Usuario = d.Usuario.toUpper();
    m_flujo->setEmpresaAbierta(false);
    try {
        m_dm.conectarEmpresa(ParametrosConexion(RutaEmpresa(d), d));
        m_flujo->setEmpresaAbierta(true);
    } catch (...) {
        m_servicio->cerrar();
        platform::showMessage(this, kErrorConexion, platform::kMessageTitle, platform::Icon::Error);
        throw;
    }
    // The lookups run on an attachment of their own with the same parameters.
    m_servicio->abrir();
}

// ---- lookup ------------------------------------------------------------------------------

void TfrmConsulta::edClaveKeyPress(QChar Key)
{
    if (Key != QChar(13))
        return;
    // Whatever the outcome (asked, refused, failed), the whole key ends selected at once, so that
    // the next scan replaces it instead of being appended to it; the answer comes later.
    const auto seleccionar = qScopeGuard([this] { seleccionarClave(); });
    if (busquedaRechazada()) {
        if (m_flujo->conectando() && !m_limiteClave->cortada()) {
            m_escaneoDelArranque = edClave->text();
            m_relojEscaneoDelArranque.start();
        }
        return;
    }
    const bool cortada = m_limiteClave->cortada();
    // What the scanner sends around the code is not part of the key.
    const QString limpia = m_flujo->claveEscaneada(edClave->text());
    if (limpia != edClave->text())
        edClave->setText(limpia);
    if (const std::optional<flujo::Pantalla> malLeida =
            flujo::lecturaCortada(limpia, cortada || limpia.size() > kLongitudClave)) {
        m_flujo->descartarConsulta();
        mostrarPantalla(*malLeida);
        return;
    }
    BuscarClv();
}

void TfrmConsulta::buscarEscaneoDelArranque()
{
    const QString clave = std::exchange(m_escaneoDelArranque, QString());
    if (clave.isEmpty() || m_relojEscaneoDelArranque.elapsed() > m_inicio.vigenciaEscaneo)
        return;
    edClave->setText(clave);
    edClaveKeyPress(QChar(13));
}

bool TfrmConsulta::busquedaRechazada()
{
    const std::optional<flujo::Pantalla> rechazo = m_flujo->rechazo();
    if (rechazo)
        mostrarPantalla(*rechazo);
    return rechazo.has_value();
}

void TfrmConsulta::seleccionarClave()
{
    edClave->setSelection(0, static_cast<int>(edClave->text().size()));
    m_limiteClave->olvidarCorte();
    // What is typed from here on is the next scan (the idle clearing keeps it).
    edClave->setModified(false);
    m_flujo->claveSeleccionada();
}

void TfrmConsulta::leerEscaner()
{
    m_flujo->leerEstacion(m_dm);
    // The catalogue search waits on the server no longer than a scan does.
    m_buscador.setPlazo(m_dm.estacion().plazoMs());
}

void TfrmConsulta::edClaveKeyUp(int Key)
{
    if (Key == Qt::Key_Escape)
        Limpiar();
}

bool TfrmConsulta::consultaPendiente() const
{
    return m_flujo->consultaPendiente();
}

int TfrmConsulta::segundosInactivo() const
{
    return m_flujo->segundosInactivo();
}

void TfrmConsulta::BuscarClv()
{
    m_escaparate->detener();
    m_flujo->buscar(edClave->text());
}

void TfrmConsulta::mostrarPantalla(const flujo::Pantalla& p, const RespuestaConsulta* r)
{
    using Vista = flujo::Pantalla::Vista;
    switch (p.vista) {
    case Vista::Articulo:
        if (r)
            mostrarArticulo(*r);
        break;
    case Vista::Buscador:
        // The display stays as it is behind the catalogue search.
        m_buscador.buscarNombreModal(p.clave);
        break;
    case Vista::Vacia:
        Informacion(false);
        break;
    case Vista::Mensaje:
        mostrarMensaje(p.mensaje, p.detalle);
        break;
    }
    if (!p.barraEstado.isEmpty())
        statusBar()->showMessage(p.barraEstado);
    switch (p.sonido) {
    case flujo::Pantalla::Sonido::Ninguno:
        break;
    case flujo::Pantalla::Sonido::Pitido:
        platform::beep();
        break;
    case flujo::Pantalla::Sonido::DoblePitido:
        platform::doubleBeep();
        break;
    }
}

void TfrmConsulta::mostrarArticulo(const RespuestaConsulta& r)
{
    // A key typed since the scan belongs to the next one: it is not overwritten.
    if (!edClave->isModified()) {
        edClave->setText(r.articulo.clave.left(kLongitudClave));
        seleccionarClave();
    }
    lblNombreArticulo->setText(r.articulo.nombre);
    ArticuloId = r.articulo.articuloId;
    lblLinea->setText(r.articulo.linea);
    edUltimaCompra->setText(textoFecha(r.articulo.fechaUltimaCompra));
    CargarPrecio(r);
    m_existe->cargar(r.existe);
    m_volumen->cargar(r.volumen);
    m_claves->cargar(r.claves);
    m_combos->cargar(r.combos);
    lblEtiqueta->setText(r.etiqueta);
    Informacion(true);
    // Last: the display is already up, and speaking only queues the text.
    if (m_voz)
        m_voz->decir(hablado::articulo(r.articulo.nombre, r.precioNeto));
}

void TfrmConsulta::mostrarMensaje(const QString& texto, const QString& detalle)
{
    // Nothing of the previous article stays beside the message.
    Informacion(false);
    lblCodigoNoValido->setText(texto);
    lblCodigoNoValido->move(lblNombreArticulo->pos());
    lblCodigoNoValido->show();
    lblCodigoNoValido->raise();
    // The engine's own words are for the operator: the status line's tool tip keeps them.
    if (!detalle.isEmpty())
        statusBar()->setToolTip(detalle);
    // The idle clearing takes the message away like an article.
    if (!modoDiseno())
        TiempoInactivo->start();
}

void TfrmConsulta::mostrarConexion(int intento, const QString& detalle)
{
    if (intento == 0) {
        statusBar()->clearMessage();
        statusBar()->setToolTip(QString());
        return;
    }
    statusBar()->showMessage(QStringLiteral("Conectando con el servidor… (intento %1)").arg(intento));
    statusBar()->setToolTip(detalle);
}

void TfrmConsulta::Informacion(bool Mostrar)
{
    m_flujo->reiniciarInactividad();
    auto filas = [](QTableView* t) { return t->model() ? t->model()->rowCount() : 0; };
    const VisibilidadDisplay v =
        reglaInformacion(Mostrar, modoDiseno(), m_ajustes, {filas(dbListaClaves), filas(dbPrecios), filas(dbVolumen)});
    lblNombreArticulo->setVisible(v.nombre);
    lblLinea->setVisible(v.nombre);
    dbPrecio->setVisible(v.nombre);
    dbListaClaves->setVisible(v.listaClaves);
    dbPrecios->setVisible(v.precios);
    dbVolumen->setVisible(v.volumen);
    dbExiste->setVisible(v.existe);
    dbCombos->setVisible(v.combos);
    edUltimaCompra->setVisible(v.ultimaCompra);
    lblTexto->setVisible(v.ultimaCompra);
    lblCodigoNoValido->hide();
    if (modoDiseno() && lblEtiqueta->text().isEmpty())
        lblEtiqueta->setText(kEtiquetaMuestra);
    else if (!Mostrar && lblEtiqueta->text() == kEtiquetaMuestra)
        lblEtiqueta->clear();
    lblEtiqueta->setVisible(v.nombre && !lblEtiqueta->text().isEmpty());
    // Turning a running timer on again must not restart its rhythm.
    if (!v.temporizador)
        TiempoInactivo->stop();
    else if (!TiempoInactivo->isActive())
        TiempoInactivo->start();
    // The box's own visibility, not whether it is on screen: the window may be hidden.
    if (!Mostrar && !lblUniCompra->isHidden()) {
        lblUniCompra->hide();
        sUnidaCompra->hide();
    }
}

void TfrmConsulta::Limpiar()
{
    ArticuloId = 0;
    const bool escaparate = m_flujo->limpiar();
    edClave->clear();
    edUltimaCompra->clear();
    lblEtiqueta->clear();
    edClave->setFocus();
    Informacion(false);
    if (escaparate)
        m_escaparate->pantallaLimpia();
}

void TfrmConsulta::TiempoInactivoTimer()
{
    const FlujoConsulta::Tic tic = m_flujo->tic(edClave->isModified(), edClave->text().isEmpty());
    if (!tic.limpiar)
        return;
    const QString texto = edClave->text();
    const int cursor = edClave->cursorPosition();
    // The key is put back even when the clearing fails.
    const auto devolver = qScopeGuard([&] {
        if (tic.devolverClave) {
            edClave->setText(texto);
            edClave->setCursorPosition(cursor);
            edClave->setModified(true);
        }
    });
    Limpiar();
}

void TfrmConsulta::CargarInfo(const ConfigEmpresa::Tabla* leida)
{
    FuenteConColor nombre = fuenteConColorDe(*lblNombreArticulo);
    FuenteConColor precio = fuenteConColorDe(*dbPrecio);
    ConfigEmpresa::Escaparate escaparate;
    try {
        escaparate = m_flujo->cargarAjustes(m_dm, nombre, precio, leida);
    } catch (...) {
        // Font rows read before a failing one stay applied.
        aplicarFuentes(nombre, precio);
        throw;
    }
    aplicarFuentes(nombre, precio);
    m_escaparate->configurar(escaparate);
}

void TfrmConsulta::recargarAjustes()
{
    m_flujo->recargarAjustes(fuenteConColorDe(*lblNombreArticulo), fuenteConColorDe(*dbPrecio));
}

void TfrmConsulta::aplicarFuentes(const FuenteConColor& nombre, const FuenteConColor& precio)
{
    lblNombreArticulo->setFont(nombre.fuente);
    colorTexto(lblNombreArticulo, nombre.color);
    dbPrecio->setFont(precio.fuente);
    colorTexto(dbPrecio, precio.color);
}

void TfrmConsulta::CargarLogEmp()
{
    aplicarLogo(*Imagen, ::CargarLogEmp(m_dm, m_ajustes.MostrarImagenEmpresa));
    // An idle station holds no transaction open on the shared connection.
    m_dm.confirmarTransaccion();
    m_escaparate->setImagen(Imagen->pixmap());
}

void TfrmConsulta::aceptarClaveBuscador(const QString& clave, int articuloId)
{
    if (articuloId == 0) {
        edClave->setText(clave);
        BuscarClv();
        return;
    }
    // A key may be shared with another article, or be longer than the box: the id is what the
    // operator chose.
    edClave->setText(clave.left(kLongitudClave));
    m_escaparate->detener();
    m_flujo->buscarPorId(articuloId, clave);
    seleccionarClave();
}

void TfrmConsulta::edClaveF4()
{
    if (busquedaRechazada())
        return;
    m_buscador.buscarNombreModal(edClave->text());
}

// ---- prices, stock and keys ---------------------------------------------

void TfrmConsulta::CargarPrecio(const RespuestaConsulta& r)
{
    m_precios->cargar(r.precios);
    // The configured price list, else the first row of the chosen order.
    const int fila = r.filaPrecio;
    dbPrecios->setCurrentIndex(fila >= 0 ? m_precios->index(fila, 0) : QModelIndex());
    mostrarPrecioActual();

    if (presentacion::ocultarUnidadCompra(m_precios->valor(fila, QStringLiteral("CONTENIDO")))) {
        lblUniCompra->hide();
        sUnidaCompra->hide();
    } else {
        lblUniCompra->setText(presentacion::textoUnidadCompra(m_precios->valor(fila, QStringLiteral("UNIDAD_COMPRA")),
                                                              m_precios->valor(fila, QStringLiteral("CONTENIDO")),
                                                              m_precios->valor(fila, QStringLiteral("UNIDAD_VENTA")),
                                                              m_precios->valor(fila, QStringLiteral("PRECIO_UC"))));
        sUnidaCompra->show();
        lblUniCompra->show();
    }
}

int TfrmConsulta::filaPrecioActual() const
{
    const QModelIndex actual = dbPrecios->currentIndex();
    return actual.isValid() ? actual.row() : -1;
}

void TfrmConsulta::mostrarPrecioActual()
{
    dbPrecio->setText(
        formato::celda(m_precios->valor(filaPrecioActual(), QStringLiteral("PRECION")), formato::Tipo::Moneda));
}

// ---- menu --------------------------------------------------------------------------------

void TfrmConsulta::Salir1Click()
{
    terminar();
}

void TfrmConsulta::Acercade1Click()
{
    m_ayuda.exec();
}

void TfrmConsulta::Reportes1Click()
{
    Limpiar();
    // The showcase waits behind the reports, as behind any operator's window.
    m_escaparate->detener();
    if (!m_reportes)
        m_reportes = new TfrmReportes(m_dm, this);
    m_reportes->exec();
    if (m_flujo->empresaAbierta() && !modoDiseno())
        m_escaparate->pantallaLimpia();
}

void TfrmConsulta::Configuracin1Click()
{
    Limpiar();
    // The showcase waits behind no dialog: its idle time counts from the dialog's closing, with
    // the settings it leaves (it may have just been turned on).
    m_escaparate->detener();
    m_configuracion.exec();
    // The operator is at the station: the load is waited for, and a failure is said in a box.
    CargarInfo();
    CargarLogEmp();
    if (m_flujo->empresaAbierta() && !modoDiseno())
        m_escaparate->pantallaLimpia();
}

void TfrmConsulta::Disear1Click()
{
    m_escaparate->detener();
    Informacion(Disear1->isChecked());
    m_diseno.cambiarModoDiseno(Disear1->isChecked(), tamanoExterior(*this));
}

void TfrmConsulta::Restaurar1Click()
{
    m_diseno.Restaurar1Click();
}

void TfrmConsulta::closeEvent(QCloseEvent* event)
{
    // The close is never refused; the layout is saved on the way out.
    platform::guarded(this, [this] {
        m_dm.desconectar();
        m_diseno.FormCloseQuery();
    });
    event->accept();
    terminar();
}

void TfrmConsulta::Label5Click()
{
    platform::openUrl(kDireccionWeb);
}

void TfrmConsulta::pbsLimpiarClick()
{
    Limpiar();
}

void TfrmConsulta::smLimpiarClick()
{
    Limpiar();
}

void TfrmConsulta::ModoQuiosco1Click()
{
    const bool activar = ModoQuiosco1->isChecked();
    try {
        m_kiosco->guardarAjuste(activar);
    } catch (...) {
        ModoQuiosco1->setChecked(!activar);
        throw;
    }
    platform::showMessage(this,
                          activar ? QStringLiteral("La estación se abrirá en modo quiosco la próxima vez que inicie.")
                                  : QStringLiteral("La estación se abrirá en una ventana normal la próxima vez que "
                                                   "inicie."),
                          platform::kMessageTitle, platform::Icon::Information);
}

void TfrmConsulta::InicioAutomatico1Click()
{
    if (!InicioAutomatico1->isChecked()) {
        m_inicio.quitar();
        platform::showMessage(this, QStringLiteral("La estación ya no iniciará sola: pedirá usuario y contraseña."),
                              platform::kMessageTitle, platform::Icon::Information);
        return;
    }
    try {
        m_inicio.guardar(m_sesion);
    } catch (...) {
        InicioAutomatico1->setChecked(false);
        throw;
    }
    platform::showMessage(this,
                          QStringLiteral("La estación iniciará sola con el usuario %1 en la empresa %2.")
                              .arg(m_sesion.datos.Usuario, m_sesion.datos.Empresa),
                          platform::kMessageTitle, platform::Icon::Information);
}
