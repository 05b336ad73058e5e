#include "uConsulta.h"

#include "Elementos.h"
#include "connections/DatosConexion.h"
#include "connections/ParametrosConexion.h"
#include "data/uDM.h"
#include "lookup/BusquedaClave.h"
#include "lookup/Informacion.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

const QString TfrmConsulta::kTitulo = QStringLiteral("Lumivo 2026 v3.3");
const QString TfrmConsulta::kDireccionWeb = QStringLiteral("https://www.zantor.com.mx");

namespace {

constexpr int kAnchoCliente = 1012;
constexpr int kAltoCliente = 668;
constexpr int kLongitudClave = 20;

const QColor kFondo(59, 59, 59);
const QColor kNaranja(249, 125, 49);
const QColor kAzul(9, 121, 213);
const QColor kNaranjaPrecio(255, 128, 0);
const QString kHintF4 = QStringLiteral("Buscaque en el catálogo de artículos con la tecla F4");
const QString kNoBuscarEnDiseno = QStringLiteral("No es posible buscar cuando esta en modo diseño");
const QString kErrorConexion = QStringLiteral("Error al tratar de realizar la conexión");

QFont tahoma(int pixeles, bool negrita = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

void colorTexto(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}

QPixmap logotipo(QSize tamano, const QString& texto)
{
    QPixmap pm(tamano);
    pm.fill(kFondo);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kNaranja);
    p.setFont(tahoma(tamano.height() / 2, true));
    p.drawText(pm.rect(), Qt::AlignCenter, texto);
    return pm;
}

// A key is limited to what a scanner sends in one go; text that other code puts in the
// field is not cut, only typing and pasting are bounded.
class LimiteClave : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return input.size() > kLongitudClave ? Invalid : Acceptable;
    }
};

QTableView* crearRejilla(QWidget* padre, const char* nombre, QRect geometria)
{
    auto* t = new QTableView(padre);
    t->setObjectName(QString::fromLatin1(nombre));
    t->setGeometry(geometria);
    t->verticalHeader()->hide();
    t->setShowGrid(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->hide();
    return t;
}

} // namespace

TfrmConsulta::TfrmConsulta(Tdm& dm, Sesion& sesion, Ventanas& ventanas, bool arranqueAlMostrar, QWidget* parent)
    : QMainWindow(parent), m_dm(dm), m_sesion(sesion), m_ventanas(ventanas), m_arranqueAlMostrar(arranqueAlMostrar)
{
    setObjectName(QStringLiteral("frmConsulta"));
    setWindowTitle(kTitulo);
    crearMarco();
    crearMenu();
    crearBarraEstado();

    TiempoInactivo = new QTimer(this);
    TiempoInactivo->setObjectName(QStringLiteral("TiempoInactivo"));
    TiempoInactivo->setInterval(1000);
    connect(TiempoInactivo, &QTimer::timeout, this, [this] { platform::guarded(this, [this] { TiempoInactivoTimer(); }); });

    // The display area is the client area less the status bar; elements anchored to the
    // bottom or stretched follow it from here on.
    m_tamanoDisplay = QSize(kAnchoCliente, kAltoCliente - statusBar()->sizeHint().height());
    imgFondo->resize(imgFondo->width(), m_tamanoDisplay.height());
    Shape1->resize(Shape1->width(), m_tamanoDisplay.height());

    // The border cannot be dragged: the size changes only through the stored layout.
    setFixedSize(kAnchoCliente, menuBar()->sizeHint().height() + kAltoCliente);
}

TfrmConsulta::~TfrmConsulta() = default;

void TfrmConsulta::crearMarco()
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
    edClave->setFont(tahoma(16));
    edClave->setValidator(new LimiteClave(edClave));
    edClave->setToolTip(kHintF4);
    edClave->installEventFilter(this);

    Label1 = new QLabel(QStringLiteral("&Clave/Artículo"), m_cliente);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 81);
    Label1->setFont(tahoma(16, true));
    colorTexto(Label1, kAzul);
    Label1->setBuddy(edClave);
    Label1->setToolTip(kHintF4);
    Label1->adjustSize();

    pbsLimpiar = new QPushButton(QStringLiteral("Limpiar"), m_cliente);
    pbsLimpiar->setObjectName(QStringLiteral("pbsLimpiar"));
    pbsLimpiar->setGeometry(10, 149, 163, 73);
    pbsLimpiar->setFont(tahoma(20, true));
    pbsLimpiar->setStyleSheet(QStringLiteral("QPushButton { color: white; background-color: rgb(249, 125, 49);"
                                             " border: none; border-radius: 9px; }"
                                             "QPushButton:pressed { background-color: rgb(220, 100, 30); }"));
    connect(pbsLimpiar, &QPushButton::clicked, this, [this] { platform::guarded(this, [this] { pbsLimpiarClick(); }); });

    sUnidaCompra = new Forma(kFondo, kNaranja, 6, 12, m_cliente);
    sUnidaCompra->setObjectName(QStringLiteral("sUnidaCompra"));
    sUnidaCompra->setGeometry(0, 408, 178, 89);
    sUnidaCompra->hide();

    lblUniCompra = new QLabel(m_cliente);
    lblUniCompra->setObjectName(QStringLiteral("lblUniCompra"));
    lblUniCompra->setGeometry(8, 420, 165, 65);
    lblUniCompra->setWordWrap(true);
    lblUniCompra->setFont(tahoma(13, true));
    colorTexto(lblUniCompra, kNaranjaPrecio);
    lblUniCompra->hide();

    lblLinea = new QLabel(m_cliente);
    lblLinea->setObjectName(QStringLiteral("lblLinea"));
    lblLinea->setGeometry(8, 503, 165, 55);
    lblLinea->setWordWrap(true);
    lblLinea->setFont(tahoma(13, true));
    lblLinea->setToolTip(kHintF4);
    lblLinea->hide();

    lblTexto = new QLabel(QStringLiteral("Ultima Compra"), m_cliente);
    lblTexto->setObjectName(QStringLiteral("lblTexto"));
    lblTexto->move(8, 564);
    lblTexto->setFont(tahoma(13, true));
    lblTexto->setToolTip(kHintF4);
    lblTexto->adjustSize();
    lblTexto->hide();

    edUltimaCompra = new QLineEdit(m_cliente);
    edUltimaCompra->setObjectName(QStringLiteral("edUltimaCompra"));
    edUltimaCompra->setGeometry(8, 589, 165, 27);
    edUltimaCompra->setFrame(false);
    edUltimaCompra->setFont(tahoma(16));
    edUltimaCompra->setToolTip(kHintF4);
    edUltimaCompra->installEventFilter(this);
    edUltimaCompra->hide();

    Label5 = new LinkLabel(kDireccionWeb.mid(QStringLiteral("https://").size()), m_cliente);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->move(8, 629);
    QFont subrayada = tahoma(11);
    subrayada.setUnderline(true);
    Label5->setFont(subrayada);
    colorTexto(Label5, QColor(0, 0, 128));
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->adjustSize();
    connect(Label5, &LinkLabel::clicked, this, [this] { platform::guarded(this, [this] { Label5Click(); }); });

    Shape1 = new Forma(kNaranja, kNaranja, 0, 0, m_cliente);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(195, 0, 6, kAltoCliente);

    Imagen = new QLabel(m_cliente);
    Imagen->setObjectName(QStringLiteral("Imagen"));
    Imagen->setGeometry(583, 8, 426, 113);
    Imagen->setAlignment(Qt::AlignCenter);
    Imagen->setPixmap(logotipo({426, 113}, QStringLiteral("Lumivo")));

    lblNombreArticulo = new QLabel(m_cliente);
    lblNombreArticulo->setObjectName(QStringLiteral("lblNombreArticulo"));
    lblNombreArticulo->setGeometry(216, 139, 778, 135);
    lblNombreArticulo->setWordWrap(true);
    lblNombreArticulo->setFont(tahoma(60, true));
    colorTexto(lblNombreArticulo, kAzul);
    lblNombreArticulo->hide();

    dbPrecio = new QLabel(m_cliente);
    dbPrecio->setObjectName(QStringLiteral("dbPrecio"));
    dbPrecio->setGeometry(392, 316, 469, 129);
    dbPrecio->setFont(tahoma(107, true));
    colorTexto(dbPrecio, kNaranjaPrecio);
    dbPrecio->hide();

    dbListaClaves = crearRejilla(m_cliente, "dbListaClaves", {216, 8, 258, 105});
    dbPrecios = crearRejilla(m_cliente, "dbPrecios", {583, 459, 440, 101});
    dbPrecios->setFocusPolicy(Qt::ClickFocus);
    dbVolumen = crearRejilla(m_cliente, "dbVolumen", {583, 566, 331, 101});
    dbCombos = crearRejilla(m_cliente, "dbCombos", {215, 459, 362, 101});
    dbExiste = crearRejilla(m_cliente, "dbExiste", {215, 566, 362, 101});

    // The orange bar is drawn over the background picture, the display elements over both.
    imgFondo->lower();
}

void TfrmConsulta::crearMenu()
{
    auto guardedSlot = [this](QAction* a, void (TfrmConsulta::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] { platform::guarded(this, [this, handler] { (this->*handler)(); }); });
    };
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
    Salir1 = accion(archivo, QStringLiteral("Salir"), "Salir1");
    QMenu* informacion = barra->addMenu(QStringLiteral("Información"));
    Acercade1 = accion(informacion, QStringLiteral("Acerca de"), "Acercade1");

    guardedSlot(Configuracin1, &TfrmConsulta::Configuracin1Click);
    guardedSlot(Disear1, &TfrmConsulta::Disear1Click);
    guardedSlot(Salir1, &TfrmConsulta::Salir1Click);
    guardedSlot(Acercade1, &TfrmConsulta::Acercade1Click);
}

void TfrmConsulta::crearBarraEstado()
{
    QStatusBar* barra = statusBar();
    barra->setObjectName(QStringLiteral("estBarra"));
    barra->setSizeGripEnabled(false);
    auto panel = [barra](const char* nombre, int ancho, Qt::Alignment alineacion, int estirar) {
        auto* l = new QLabel(barra);
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
}

bool TfrmConsulta::modoDiseno() const { return Disear1->isChecked(); }

void TfrmConsulta::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_mostrada)
        return;
    m_mostrada = true;
    if (QScreen* pantalla = screen())
        move(pantalla->availableGeometry().center() - rect().center());
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
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            platform::guarded(this, [this] { edClaveKeyPress(QChar(13)); });
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

void TfrmConsulta::terminar() { QCoreApplication::quit(); }

void TfrmConsulta::FormShow()
{
    // 1. Login against the system database.
    if (m_ventanas.login)
        m_ventanas.login->exec();
    if (!m_sesion.LoginCorrecto)
        return terminar();

    // 2. Company choice.
    if (m_ventanas.empresa)
        m_ventanas.empresa->exec();
    if (!m_sesion.EmpresaSeleccionada)
        return terminar();

    // 3. The company database.
    Conexion();

    // 6. Design mode off.
    Disear1->setChecked(false);

    // 7.
    m_ajustes.ClienteEventualId = 0;

    // 8. The restore flag, read once.
    const bool restaurada = m_dm.ConfigIni_bool(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), true);

    // 9.
    CargarInfo();

    // 10. Without a walk-in customer the company has to be configured first.
    if (m_ajustes.ClienteEventualId == 0 && m_ventanas.configuracion) {
        m_ventanas.configuracion->exec();
        m_dm.fdConexion.close();
        Conexion();
        CargarInfo();
    }

    // 11.
    CargarLogEmp();

    // 12. The stored layout applies only when the operator has not asked for the built-in one.
    Q_UNUSED(restaurada);

    // 13.
    Limpiar();
}

void TfrmConsulta::Conexion()
{
    DatosConexion& d = m_sesion.datos;
    m_panel0->setText(d.CarpetaDatos + d.Empresa + QStringLiteral(".fdb"));
    m_panel1->setText(QStringLiteral("Usuario: ") + d.Usuario.toUpper());
    d.Usuario = d.Usuario.toUpper();
    try {
        m_dm.fdConexion.close();
        m_dm.fdConexion.clearParams();
        m_dm.fdConexion.setParams(ParametrosConexion(RutaEmpresa(d), d));
        m_dm.fdConexion.open();
    } catch (...) {
        platform::showMessage(this, kErrorConexion, QStringLiteral("Zantor"), platform::Icon::Error);
        throw;
    }
}

// ---- lookup ------------------------------------------------------------------------------

void TfrmConsulta::edClaveKeyPress(QChar Key)
{
    if (Key != QChar(13))
        return;
    if (modoDiseno()) {
        platform::showMessage(this, kNoBuscarEnDiseno, QString(), platform::Icon::Warning);
        return;
    }
    BuscarClv();
    edClave->setSelection(0, static_cast<int>(edClave->text().size()));
}

void TfrmConsulta::edClaveKeyUp(int Key)
{
    if (Key == Qt::Key_Escape)
        Limpiar();
}

void TfrmConsulta::BuscarClv()
{
    const std::optional<ArticuloEncontrado> articulo = buscarArticulo(m_dm, edClave->text());
    if (!articulo) {
        if (m_ajustes.MostrarBuscador && m_ventanas.buscador) {
            // The catalogue search takes over; the display stays as it is.
            return;
        }
        Informacion(false);
        platform::beep();
        return;
    }
    edClave->setText(articulo->clave);
    lblNombreArticulo->setText(articulo->nombre);
    ArticuloId = articulo->articuloId;
    lblLinea->setText(articulo->linea);
    edUltimaCompra->setText(textoFecha(articulo->fechaUltimaCompra));
    CargarPrecio();
    CargarAlmacen();
    CargarVolumen();
    CargarClaves();
    CargarCombos();
    Informacion(true);
}

void TfrmConsulta::Informacion(bool Mostrar)
{
    SegundosInactivo = 0;
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
    // Turning a running timer on again must not restart its rhythm.
    if (!v.temporizador)
        TiempoInactivo->stop();
    else if (!TiempoInactivo->isActive())
        TiempoInactivo->start();
    if (!Mostrar && lblUniCompra->isVisible()) {
        lblUniCompra->hide();
        sUnidaCompra->hide();
    }
}

void TfrmConsulta::Limpiar()
{
    ArticuloId = 0;
    edClave->clear();
    edUltimaCompra->clear();
    m_dm.confirmarTransaccion();
    edClave->setFocus();
    Informacion(false);
}

void TfrmConsulta::TiempoInactivoTimer()
{
    if (SegundosInactivo < m_ajustes.SegundosEspera) {
        ++SegundosInactivo;
        return;
    }
    SegundosInactivo = 1;
    Limpiar();
}

// Filled by the settings, price, stock and layout work.
void TfrmConsulta::CargarInfo() {}
void TfrmConsulta::CargarPrecio() {}
void TfrmConsulta::CargarAlmacen() {}
void TfrmConsulta::CargarVolumen() {}
void TfrmConsulta::CargarClaves() {}
void TfrmConsulta::CargarCombos() {}
void TfrmConsulta::CargarLogEmp() {}

// ---- menu --------------------------------------------------------------------------------

void TfrmConsulta::Salir1Click() { terminar(); }

void TfrmConsulta::Acercade1Click()
{
    if (m_ventanas.ayuda)
        m_ventanas.ayuda->exec();
}

void TfrmConsulta::Configuracin1Click()
{
    Limpiar();
    if (m_ventanas.configuracion)
        m_ventanas.configuracion->exec();
    CargarInfo();
    CargarLogEmp();
}

void TfrmConsulta::Disear1Click() { Informacion(Disear1->isChecked()); }

void TfrmConsulta::Label5Click() { platform::openUrl(kDireccionWeb); }

void TfrmConsulta::pbsLimpiarClick() { Limpiar(); }
