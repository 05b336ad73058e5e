#include "uBuscarEnCatalogo.h"

#include "ConsultaCatalogo.h"
#include "TitulosBusqueda.h"
#include "data/ConfigIni.h"
#include "data/uDM.h"
#include "display/ModeloConsulta.h"
#include "display/Presentacion.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "layout/AjusteTexto.h"
#include "lookup/ServicioConsulta.h"
#include "platform/ErrorReport.h"
#include "rules/AjustesConsulta.h"
#include "search/BusquedaCatalogo.h"
#include "search/IndiceCatalogo.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace {

// Positions are those of the design's client area; anchored controls keep their distance to
// the right and bottom edges from there.
constexpr int kAnchoDiseno = 685;
constexpr int kAltoDiseno = 458;
constexpr int kAnchoDefecto = 697;
constexpr int kAltoDefecto = 492;
// Below this the buttons would cover the boxes and the grid would vanish; a stored size of 0
// (an unreadable number reads as 0) must not leave an invisible modal window.
constexpr int kAnchoMinimo = 560;
constexpr int kAltoMinimo = 300;

constexpr QRect kRectClave(8, 24, 425, 24);
constexpr QRect kRectNombre(8, 70, 425, 24);
constexpr QRect kRectPCP(8, 100, 425, 20);
constexpr QRect kRectAlEscribir(440, 100, 122, 20);
constexpr QRect kRectTabla(8, 126, 669, 290);
constexpr QRect kRectBuscar(565, 24, 112, 30);
constexpr QRect kRectCancelar(565, 64, 112, 30);
constexpr QRect kRectAceptar(565, 422, 112, 30);
constexpr QRect kRectAviso(8, 422, 549, 30);

const QString kSinRespuesta = QStringLiteral("Sin respuesta del servidor, intente en unos momentos");
const QString kFalloLectura = QStringLiteral("No se pudieron leer más artículos de la búsqueda.");
const QString kSinServidor =
    QStringLiteral("Se perdió la conexión con el servidor de la base de datos. Intente de nuevo en unos momentos.");

// Pauses between the search's own attempts to attach again: 1, 2, 4, … up to 30 seconds.
int pausaReconexion(int intento)
{
    return std::min(30000, 1000 << std::clamp(intento - 1, 0, 5));
}

// The grid's columns, left to right: result field, title, width in characters.
enum Columna { Nombre, Clave, Precio, Existencia, NumColumnas };
struct DefinicionColumna {
    const char* campo;
    const char* titulo;
    int caracteres;
};
constexpr DefinicionColumna kColumnas[NumColumnas] = {
    {"NOMBRE", "Artículo", 40}, {"CLAVE", "Clave", 20}, {"PRECION", "Precio", 12}, {"EXISTENCIA", "Existencia", 8}};

QString campo(int columna)
{
    return QString::fromLatin1(kColumnas[columna].campo);
}
QString tituloInicial(int columna)
{
    return QString::fromUtf8(kColumnas[columna].titulo);
}

// The per-user store of the grid's columns.
const QString kOrganizacion = QStringLiteral("Zantor");
const QString kAplicacion = QStringLiteral("Lumivo");
const QString kGrupoColumnas = QStringLiteral("BuscarCatalogo");
const QString kVisible = QStringLiteral("/Visible");
const QString kOrden = QStringLiteral("/Posicion");
const QString kAnchoColumna = QStringLiteral("/Ancho");
const QString kTitulo = QStringLiteral("/Titulo");
constexpr int kAnchoColumnaMaximo = 4000;

const QString kEstilo = QStringLiteral(
    "TfrmBuscarEnCatalogo { background-color: white; }"
    "QPushButton { color: white; background-color: rgb(249, 125, 49); border: none; border-radius: 9px;"
    " font-family: Tahoma; font-size: 13px; font-weight: bold; }"
    "QPushButton:pressed { background-color: rgb(220, 100, 30); }"
    "QPushButton:focus { border: 2px solid rgb(9, 121, 213); }"
    "QTableView { background-color: rgb(239, 130, 31); gridline-color: rgb(160, 160, 160);"
    " selection-background-color: rgb(0, 120, 215); selection-color: white; }"
    "QHeaderView::section { background-color: rgb(192, 192, 192); color: black; padding: 2px;"
    " border: none; border-right: 1px solid rgb(128, 128, 128); border-bottom: 1px solid rgb(128, 128, 128); }");

QFont segoeUI()
{
    QFont f(QStringLiteral("Segoe UI"));
    f.setPixelSize(12);
    return f;
}

DescripcionRejilla rejilla(const QFont& fuente)
{
    DescripcionRejilla d;
    d.fondo = QColor(239, 130, 31);
    d.fuente = fuente;
    d.colorTexto = Qt::black;
    d.fuenteTitulo = segoeUI();
    d.colorTitulo = Qt::black;
    d.fondoTitulo = QColor(192, 192, 192);
    const formato::Tipo tipos[NumColumnas] = {formato::Tipo::Texto, formato::Tipo::Texto, formato::Tipo::Moneda,
                                              formato::Tipo::Numero};
    for (int c = 0; c < NumColumnas; ++c) {
        ColumnaConsulta col;
        col.campo = campo(c);
        col.titulo = tituloInicial(c);
        col.alineacion = c == Precio || c == Existencia ? Qt::AlignRight : Qt::AlignLeft;
        col.alineacionTitulo = Qt::AlignHCenter;
        col.formato = tipos[c];
        d.columnas.push_back(col);
    }
    return d;
}

// A hidden section reports no width; the header keeps the one it will show it with again.
int anchoOculta(QHeaderView* titulos, int columna)
{
    const QSignalBlocker callado(titulos);
    titulos->showSection(columna);
    const int ancho = titulos->sectionSize(columna);
    titulos->hideSection(columna);
    return ancho;
}

bool esEnter(const QKeyEvent* k)
{
    // Ctrl+Enter types a line feed, not the Enter character.
    return (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !(k->modifiers() & Qt::ControlModifier);
}

QPushButton* boton(const QString& texto, const char* nombre, QRect rect, QWidget* padre)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setGeometry(rect);
    // Enter belongs to the boxes and the grid: no button is pressed by it from elsewhere.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

TfrmBuscarEnCatalogo::TfrmBuscarEnCatalogo(Tdm& dm, const AjustesConsulta& ajustes, AceptarClave aceptarClave,
                                           QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , m_ajustes(ajustes)
    , m_aceptarClave(std::move(aceptarClave))
{
    setObjectName(QStringLiteral("frmBuscarEnCatalogo"));
    setWindowTitle(QStringLiteral("Buscar"));
    setStyleSheet(kEstilo);
    crearControles();
    // Only the company's database has the catalogue: during the login the same connection is
    // on the system database.
    m_indice = new catalogo::IndiceCatalogo(
        [this] { return m_dm.empresaConectada() ? m_dm.fdConexion.params() : QStringList(); }, this);
    connect(&m_dm, &Tdm::empresaCambiada, m_indice, &catalogo::IndiceCatalogo::revisar);
    m_alEscribir = new QTimer(this);
    m_alEscribir->setSingleShot(true);
    m_alEscribir->setInterval(0);
    platform::connectGuarded(m_alEscribir, &QTimer::timeout, this, &TfrmBuscarEnCatalogo::buscarAlEscribir);
    for (QLineEdit* caja : {edClave, edNombre}) {
        connect(caja, &QLineEdit::textEdited, this, [this, caja] {
            m_cajaEscrita = caja;
            if (cheAlEscribir->isChecked())
                m_alEscribir->start();
        });
    }
    setMinimumSize(kAnchoMinimo, kAltoMinimo);
    resize(kAnchoDiseno, kAltoDiseno);
}

TfrmBuscarEnCatalogo::~TfrmBuscarEnCatalogo() = default;

void TfrmBuscarEnCatalogo::crearControles()
{
    edClave = new QLineEdit(this);
    edClave->setObjectName(QStringLiteral("edClave"));
    edClave->setGeometry(kRectClave);
    edClave->setMaxLength(catalogo::kLargoTexto);
    Label1 = new QLabel(QStringLiteral("&Clave"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    Label1->setBuddy(edClave);
    Label1->adjustSize();

    edNombre = new QLineEdit(this);
    edNombre->setObjectName(QStringLiteral("edNombre"));
    edNombre->setGeometry(kRectNombre);
    edNombre->setMaxLength(catalogo::kLargoTexto);
    Label2 = new QLabel(QStringLiteral("&Nombre Artículo"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(8, 54);
    Label2->setBuddy(edNombre);
    Label2->adjustSize();

    chePCP = new QCheckBox(QStringLiteral("Palabra en cualquier posición"), this);
    chePCP->setObjectName(QStringLiteral("chePCP"));
    chePCP->setGeometry(kRectPCP);
    // The search that runs before the first showing must match what the box then shows.
    chePCP->setChecked(m_dm.estacion().valores().busquedaCualquierPosicion);

    cheAlEscribir = new QCheckBox(QStringLiteral("Buscar al escribir"), this);
    cheAlEscribir->setObjectName(QStringLiteral("cheAlEscribir"));
    cheAlEscribir->setGeometry(kRectAlEscribir);
    // Its caption is ours, not of the built-in frame: it takes the width it needs.
    cheAlEscribir->resize(std::max(kRectAlEscribir.width(), cheAlEscribir->sizeHint().width()),
                          kRectAlEscribir.height());
    cheAlEscribir->setChecked(false);

    wdbTabla = new QTableView(this);
    wdbTabla->setObjectName(QStringLiteral("wdbTabla"));
    wdbTabla->setGeometry(kRectTabla);
    m_resultado = new ModeloConsulta(rejilla(wdbTabla->font()), this);
    m_vista = new TitulosBusqueda(this);
    m_vista->setSourceModel(m_resultado);
    wdbTabla->setModel(m_vista);
    wdbTabla->setEditTriggers(QAbstractItemView::NoEditTriggers);
    wdbTabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    wdbTabla->setSelectionMode(QAbstractItemView::SingleSelection);
    wdbTabla->setShowGrid(true);
    wdbTabla->setWordWrap(true);
    wdbTabla->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QHeaderView* titulos = wdbTabla->horizontalHeader();
    titulos->setFont(segoeUI());
    titulos->setDefaultAlignment(Qt::AlignCenter);
    titulos->setSectionResizeMode(QHeaderView::Interactive);
    titulos->setSectionsMovable(true);
    titulos->setStretchLastSection(false);
    titulos->setHighlightSections(false);
    titulos->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* indicador = wdbTabla->verticalHeader();
    indicador->setDefaultAlignment(Qt::AlignCenter);
    indicador->setSectionResizeMode(QHeaderView::Fixed);
    // One width whether a row is current or not, so the columns beside it can be planned.
    indicador->setFixedWidth(QFontMetrics(indicador->font()).horizontalAdvance(QStringLiteral("\u25B6")) +
                             2 * indicador->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, indicador) + 6);
    indicador->setHighlightSections(false);
    platform::connectGuarded(titulos, &QHeaderView::customContextMenuRequested, this,
                             &TfrmBuscarEnCatalogo::menuColumnas);
    platform::connectGuarded(wdbTabla->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                             [this](const QModelIndex& actual) { m_vista->setFilaActual(actual.row()); });
    columnasIniciales();

    lblAviso = new QLabel(this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setGeometry(kRectAviso);
    lblAviso->setWordWrap(true);
    lblAviso->setFont(segoeUI());
    lblAviso->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold;"));
    lblAviso->hide();

    pbsAceptar = boton(QStringLiteral("Aceptar"), "pbsAceptar", kRectAceptar, this);
    pbsBuscar = boton(QStringLiteral("Buscar"), "pbsBuscar", kRectBuscar, this);
    pbsCancelar = boton(QStringLiteral("Cancelar"), "pbsCancelar", kRectCancelar, this);
    platform::connectGuarded(pbsAceptar, &QPushButton::clicked, this, &TfrmBuscarEnCatalogo::pbsAceptarClick);
    platform::connectGuarded(pbsBuscar, &QPushButton::clicked, this, &TfrmBuscarEnCatalogo::pbsBuscarClick);
    platform::connectGuarded(pbsCancelar, &QPushButton::clicked, this, &TfrmBuscarEnCatalogo::pbsCancelarClick);

    setTabOrder(edClave, edNombre);
    setTabOrder(edNombre, chePCP);
    setTabOrder(chePCP, wdbTabla);
    setTabOrder(wdbTabla, pbsAceptar);
    setTabOrder(pbsAceptar, pbsBuscar);
    setTabOrder(pbsBuscar, pbsCancelar);
    setTabOrder(pbsCancelar, cheAlEscribir);

    for (QWidget* w :
         {static_cast<QWidget*>(edClave), static_cast<QWidget*>(edNombre), static_cast<QWidget*>(wdbTabla)})
        w->installEventFilter(this);
}

void TfrmBuscarEnCatalogo::anclar()
{
    const int dx = width() - kAnchoDiseno;
    const int dy = height() - kAltoDiseno;
    pbsBuscar->move(kRectBuscar.left() + dx, kRectBuscar.top());
    pbsCancelar->move(kRectCancelar.left() + dx, kRectCancelar.top());
    pbsAceptar->move(kRectAceptar.left() + dx, kRectAceptar.top() + dy);
    lblAviso->setGeometry(kRectAviso.left(), kRectAviso.top() + dy, std::max(0, kRectAviso.width() + dx),
                          kRectAviso.height());
    wdbTabla->resize(std::max(0, kRectTabla.width() + dx), std::max(0, kRectTabla.height() + dy));
}

void TfrmBuscarEnCatalogo::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    platform::guarded(this, [this] { anclar(); });
}

// ---- searches ----------------------------------------------------------------------------

void TfrmBuscarEnCatalogo::setPlazo(int milisegundos)
{
    m_plazoMs = milisegundos;
    if (m_servicio)
        m_servicio->setPlazo(milisegundos);
}

ServicioConsulta& TfrmBuscarEnCatalogo::servicio()
{
    if (!m_servicio) {
        m_servicio = new ServicioConsulta(m_dm, pausaReconexion, this);
        m_servicio->setPlazo(m_plazoMs);
        connect(m_servicio, &ServicioConsulta::conexionServidor, this, [this](int intento, const QString& detalle) {
            // Only while the window already says the server is away; 0: it answers again.
            if (lblAviso->isHidden())
                return;
            if (intento == 0)
                lblAviso->hide();
            else
                mostrarAviso(QStringLiteral("Conectando con el servidor… (intento %1)").arg(intento), detalle);
        });
    }
    // The data module's connection says which database: the company's, or whatever a later
    // login opened.
    const QStringList parametros = m_dm.fdConexion.params();
    if (!m_servicio->abierto() || m_servicio->parametros() != parametros)
        m_servicio->abrir();
    return *m_servicio;
}

void TfrmBuscarEnCatalogo::mostrarAviso(const QString& texto, const QString& detalle)
{
    lblAviso->setText(texto);
    lblAviso->setToolTip(detalle);
    lblAviso->show();
    lblAviso->raise();
}

// The shown result's cursor: the search data module's fdBusqueda, on the service's thread only.
// The rows beyond the first batch are read from it as the grid scrolls; the statement lives and
// dies with the data module of the worker that opened it, so a worker abandoned to a server that
// stopped answering takes its cursor along and nothing here touches it again.
struct TfrmBuscarEnCatalogo::Cursor {
    Tdm* dm = nullptr; // the data module it was opened on; null until then and once closed

    bool abiertoEn(const Tdm& actual) const { return dm == &actual && actual.fdBusqueda.isOpen(); }

    // Up to one batch of rows; at the end of the result the cursor and its transaction are closed.
    // Returns true when the result is complete.
    bool leer(Tdm& actual, FilasLeidas& destino, const ServicioConsulta::Latido& latir)
    {
        if (!abiertoEn(actual))
            return true;
        while (static_cast<int>(destino.filas.size()) < ModeloConsulta::kLote) {
            if (!actual.fdBusqueda.next()) {
                cerrar(actual);
                return true;
            }
            destino.filas.push_back(actual.fdBusqueda.row());
        }
        latir();
        return false;
    }

    void cerrar(Tdm& actual)
    {
        if (!abiertoEn(actual))
            return;
        dm = nullptr;
        actual.fdBusqueda.close();
        actual.confirmarTransaccion();
    }
};

void TfrmBuscarEnCatalogo::soltarCursor()
{
    if (!m_cursor || !m_servicio)
        return;
    servicio().ejecutar(
        [cursor = std::exchange(m_cursor, nullptr)](Tdm& dm, const ServicioConsulta::Latido&) { cursor->cerrar(dm); },
        [](std::exception_ptr) {});
}

void TfrmBuscarEnCatalogo::pedirLote()
{
    if (!m_cursor) {
        m_resultado->sinMasLotes();
        return;
    }
    auto leidas = std::make_shared<FilasLeidas>();
    auto completo = std::make_shared<bool>(false);
    const std::shared_ptr<Cursor> cursor = m_cursor;
    servicio().ejecutar(
        [cursor, leidas, completo](Tdm& dm, const ServicioConsulta::Latido& latir) {
            // A cursor of an abandoned worker has nothing more to give on this one.
            *completo = cursor->leer(dm, *leidas, latir);
        },
        [this, cursor, leidas, completo](std::exception_ptr fallo) {
            // A newer search has replaced this result: its batch is not shown.
            if (cursor != m_cursor)
                return;
            if (fallo) {
                m_cursor.reset();
                m_resultado->sinMasLotes();
                mostrarAviso(esSinRespuesta(fallo)    ? kSinRespuesta
                             : conexionPerdida(fallo) ? kSinServidor
                                                      : kFalloLectura,
                             platform::describe(fallo));
                return;
            }
            if (*completo)
                m_cursor.reset();
            m_resultado->agregar(std::move(leidas->filas), *completo);
        });
}

bool TfrmBuscarEnCatalogo::abrirResultado(Abrir abrir)
{
    m_abierto = true;
    // One search at a time: one asked for meanwhile (Enter on a new text) runs once this one ends,
    // so its rows never show under a text they do not belong to.
    if (m_espera) {
        m_siguiente = std::move(abrir);
        return false;
    }
    // The loop stays on this thread (only `fin` holds it); the rows are written by the service's
    // thread, and read here only once `fin` says the first batch is in.
    struct Espera {
        QEventLoop bucle;
        bool hecha = false;
        std::exception_ptr fallo;
    };
    auto espera = std::make_shared<Espera>();
    auto leidas = std::make_shared<FilasLeidas>();
    auto cursor = std::make_shared<Cursor>();
    auto completo = std::make_shared<bool>(false);
    soltarCursor();
    servicio().ejecutar(
        [abrir = std::move(abrir), leidas, cursor, completo](Tdm& dm, const ServicioConsulta::Latido& latir) {
            // A transaction of its own on every run, so a search that lost the server's connection
            // runs again whole on the new one. It ends with the result's last row or the next
            // search: a result kept while the window is closed goes on scrolling when it opens again.
            dm.fdBusqueda.close();
            dm.reiniciarTransaccion();
            abrir(dm.fdBusqueda);
            cursor->dm = &dm;
            FilasLeidas filas;
            for (int i = 0; i < dm.fdBusqueda.columnCount(); ++i)
                filas.columnas.append(dm.fdBusqueda.columnName(i));
            *completo = cursor->leer(dm, filas, latir);
            *leidas = std::move(filas);
        },
        [espera](std::exception_ptr fallo) {
            espera->hecha = true;
            espera->fallo = std::move(fallo);
            espera->bucle.quit();
        });
    if (!espera->hecha) {
        m_espera = &espera->bucle;
        // Before the window shows, a key is held back until the rows are in: it belongs to the search.
        espera->bucle.exec(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        m_espera = nullptr;
    }
    if (std::exchange(m_repetirAlEscribir, false))
        m_alEscribir->start();
    if (m_siguiente) {
        QTimer::singleShot(0, this, [this] {
            if (Abrir siguiente = std::exchange(m_siguiente, nullptr); siguiente && isVisible())
                platform::guarded(this, [&] { abrirResultado(std::move(siguiente)); });
        });
    }
    if (!espera->hecha) {
        // Closed meanwhile: whatever the search opens is let go once it is open.
        m_cursor = cursor;
        soltarCursor();
        return false;
    }
    if (const std::exception_ptr fallo = espera->fallo) {
        m_resultado->cargar(FilasLeidas{});
        if (esSinRespuesta(fallo) || conexionPerdida(fallo)) {
            // The service has logged it and is attaching again in the background.
            mostrarAviso(esSinRespuesta(fallo) ? kSinRespuesta : kSinServidor, platform::describe(fallo));
            return true;
        }
        lblAviso->hide();
        std::rethrow_exception(fallo);
    }
    lblAviso->hide();
    if (!*completo)
        m_cursor = cursor;
    m_resultado->cargarPorLotes(std::move(*leidas), *completo, [this] { pedirLote(); });
    irAPrimeraFila();
    return true;
}

void TfrmBuscarEnCatalogo::irAPrimeraFila()
{
    if (m_resultado->rowCount() == 0)
        return;
    const QHeaderView* titulos = wdbTabla->horizontalHeader();
    for (int visual = 0; visual < titulos->count(); ++visual) {
        const int columna = titulos->logicalIndex(visual);
        if (!titulos->isSectionHidden(columna)) {
            wdbTabla->setCurrentIndex(m_vista->index(0, columna));
            return;
        }
    }
}

void TfrmBuscarEnCatalogo::mostrarSiCerrada()
{
    // Open means modal and running: the search has just run in place. A second exec() of a
    // dialog that is already executing would return at once and break the nesting.
    if (!isVisible())
        exec();
}

void TfrmBuscarEnCatalogo::buscarNombreModal(const QString& nombre)
{
    edNombre->setText(nombre);
    BuscarNombre();
}

bool TfrmBuscarEnCatalogo::abrirPorNombre()
{
    const QString patron = catalogo::patronNombre(edNombre->text(), chePCP->isChecked());
    return abrirResultado([ajustes = m_ajustes, patron, articulos = m_indice->porNombre(patron)](fb::Query& consulta) {
        if (articulos)
            catalogo::abrirPorArticulos(consulta, ajustes, *articulos);
        else
            catalogo::abrirPorNombre(consulta, ajustes, patron);
    });
}

bool TfrmBuscarEnCatalogo::abrirPorClave()
{
    chePCP->setChecked(m_dm.estacion().valores().busquedaCualquierPosicion);
    const QString patron = catalogo::patronClave(edClave->text(), chePCP->isChecked());
    return abrirResultado([ajustes = m_ajustes, patron, articulos = m_indice->porClave(patron)](fb::Query& consulta) {
        if (articulos)
            catalogo::abrirPorArticulos(consulta, ajustes, *articulos);
        else
            catalogo::abrirPorClave(consulta, ajustes, patron);
    });
}

// Runs once the keys typed meanwhile are in, so the newest text wins. Only with the index:
// the statement alone may read the whole table, and Enter still runs it. Nothing is selected,
// so the next key adds to the text.
void TfrmBuscarEnCatalogo::buscarAlEscribir()
{
    if (!cheAlEscribir->isChecked() || !isVisible() || !m_indice->listo() || !m_cajaEscrita)
        return;
    if (m_espera) {
        m_repetirAlEscribir = true;
        return;
    }
    const QString texto = m_cajaEscrita->text();
    if (texto.isEmpty() || !catalogo::Patron::crear(texto))
        return;
    if (m_cajaEscrita == edClave)
        abrirPorClave();
    else
        abrirPorNombre();
}

void TfrmBuscarEnCatalogo::BuscarNombre()
{
    if (!abrirPorNombre())
        return;
    if (m_resultado->rowCount() == 0)
        edNombre->setSelection(0, static_cast<int>(edNombre->text().size()));
    mostrarSiCerrada();
}

void TfrmBuscarEnCatalogo::BuscarClave()
{
    if (!abrirPorClave())
        return;
    if (m_resultado->rowCount() == 0)
        edClave->setSelection(0, static_cast<int>(edClave->text().size()));
    mostrarSiCerrada();
}

// ---- buttons and keys --------------------------------------------------------------------

void TfrmBuscarEnCatalogo::pbsAceptarClick()
{
    if (m_resultado->rowCount() == 0)
        return;
    const QModelIndex actual = wdbTabla->currentIndex();
    const int fila = actual.isValid() ? actual.row() : 0;
    const QString clave = m_resultado->valor(fila, campo(Clave)).toString();
    const fb::Value& id = m_resultado->valor(fila, QStringLiteral("ARTICULO_ID"));
    if (m_aceptarClave)
        m_aceptarClave(clave, id.isNull() ? 0 : id.toInt());
    close();
}

void TfrmBuscarEnCatalogo::pbsBuscarClick()
{
    if (!edNombre->text().isEmpty())
        BuscarNombre();
    else if (!edClave->text().isEmpty())
        BuscarClave();
}

void TfrmBuscarEnCatalogo::pbsCancelarClick()
{
    close();
}

void TfrmBuscarEnCatalogo::enfocarSiguiente(QWidget* desde)
{
    for (QWidget* w = desde->nextInFocusChain(); w && w != desde; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this) && isAncestorOf(w)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TfrmBuscarEnCatalogo::edClaveKeyPress()
{
    if (!edClave->text().isEmpty())
        BuscarClave();
    else
        enfocarSiguiente(edClave);
}

void TfrmBuscarEnCatalogo::edNombreKeyPress()
{
    if (!edNombre->text().isEmpty())
        BuscarNombre();
    else
        enfocarSiguiente(edNombre);
}

void TfrmBuscarEnCatalogo::wdbTablaKeyPress()
{
    if (m_resultado->rowCount() > 0)
        pbsAceptarClick();
}

bool TfrmBuscarEnCatalogo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != edClave && watched != edNombre && watched != wdbTabla)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && esEnter(static_cast<QKeyEvent*>(event))) {
        // The Enter key goes on to the control afterwards.
        platform::guarded(this, [this, watched] {
            if (watched == edClave)
                edClaveKeyPress();
            else if (watched == edNombre)
                edNombreKeyPress();
            else
                wdbTablaKeyPress();
        });
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Escape && !k->isAutoRepeat())
            platform::guarded(this, [this] { pbsCancelarClick(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmBuscarEnCatalogo::keyPressEvent(QKeyEvent* event)
{
    platform::guarded(this, [this, event] {
        // Escape closes on release, and only from the boxes and the grid.
        if (event->key() == Qt::Key_Escape)
            event->accept();
        else
            QDialog::keyPressEvent(event);
    });
}

// ---- showing and closing ------------------------------------------------------------------

void TfrmBuscarEnCatalogo::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        platform::guarded(this, [this] { FormShow(); });
        // Centred over the main window each time, whatever happened to it last time.
        setAttribute(Qt::WA_Moved, false);
    }
    QDialog::showEvent(event);
}

void TfrmBuscarEnCatalogo::FormShow()
{
    restaurarColumnas();
    const AjustesEstacion::Valores& guardados = m_dm.estacion().valores();
    chePCP->setChecked(guardados.busquedaCualquierPosicion);
    cheAlEscribir->setChecked(guardados.busquedaAlEscribir);
    const int ancho = guardados.busquedaAncho.value_or(kAnchoDefecto);
    const int alto = guardados.busquedaAlto.value_or(kAltoDefecto);

    // The stored size is the outer one. Some window systems tell a window's frame only once
    // it has been mapped; until then the main window's, drawn by the same window manager,
    // stands in for it, so that the size does not grow by a frame at every program start.
    const QWidget* sobre = parentWidget() ? parentWidget()->window() : this;
    QSize marco = frameGeometry().size() - size();
    if (marco.isNull())
        marco = sobre->frameGeometry().size() - sobre->size();
    QSize cliente(ancho - marco.width(), alto - marco.height());
    if (const QScreen* pantalla = sobre->screen())
        cliente = cliente.boundedTo(pantalla->availableSize() - marco);
    resize(cliente.expandedTo(minimumSize()));

    if (!m_abierto) {
        edClave->setFocus();
    } else if (m_resultado->rowCount() > 0) {
        wdbTabla->setFocus();
    } else {
        edNombre->clear();
        edNombre->setFocus();
    }
}

void TfrmBuscarEnCatalogo::done(int resultado)
{
    // A search under way is not waited for: its rows are dropped when they come. What it said
    // about the server belongs to this opening only.
    if (m_espera)
        m_espera->quit();
    lblAviso->hide();
    if (isVisible())
        platform::guarded(this, [this] { FormClose(); });
    QDialog::done(resultado);
}

void TfrmBuscarEnCatalogo::FormClose()
{
    guardarColumnas();
    const QSize exterior = frameGeometry().size();
    m_dm.estacion().setBusqueda(chePCP->isChecked(), cheAlEscribir->isChecked(), exterior.width(), exterior.height());
}

// ---- grid columns ------------------------------------------------------------------------

void TfrmBuscarEnCatalogo::columnasIniciales()
{
    QHeaderView* titulos = wdbTabla->horizontalHeader();
    const int cero = wdbTabla->fontMetrics().horizontalAdvance(u'0');
    // The price and the stock are as wide as their widest value in practice needs
    // (presentacion::muestrasMoneda); the name gives up what the other columns, the row indicator
    // and the vertical scroll bar take, so at the default size no scroll bar covers a column.
    const int margen = wdbTabla->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, wdbTabla) + 1;
    const QStringList muestras[NumColumnas] = {
        {}, {}, presentacion::muestrasMoneda(), presentacion::muestrasExistencia()};
    int anchos[NumColumnas];
    int resto = kRectTabla.width() - 2 * wdbTabla->frameWidth() - wdbTabla->verticalHeader()->width() -
                wdbTabla->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, wdbTabla);
    for (int c = 0; c < NumColumnas; ++c) {
        anchos[c] = ajuste::anchoColumna(wdbTabla->font(), muestras[c], margen, 1, kColumnas[c].caracteres * cero + 4);
        if (c != Nombre)
            resto -= anchos[c];
    }
    anchos[Nombre] = std::max(10 * cero, std::min(anchos[Nombre], resto));
    for (int c = 0; c < NumColumnas; ++c) {
        titulos->showSection(c);
        titulos->moveSection(titulos->visualIndex(c), c);
        titulos->resizeSection(c, anchos[c]);
        m_vista->setTitulo(c, tituloInicial(c));
    }
}

void TfrmBuscarEnCatalogo::restaurarColumnas()
{
    struct Columna {
        int logica;
        int orden;
    };
    QHeaderView* titulos = wdbTabla->horizontalHeader();
    QSettings almacen(QSettings::NativeFormat, QSettings::UserScope, kOrganizacion, kAplicacion);
    almacen.beginGroup(kGrupoColumnas);

    std::vector<Columna> orden;
    std::vector<bool> visibles(NumColumnas, true);
    for (int c = 0; c < NumColumnas; ++c) {
        const QString nombre = campo(c);
        bool ok = false;
        const int posicion = almacen.value(nombre + kOrden).toInt(&ok);
        orden.push_back({c, ok ? posicion : titulos->visualIndex(c)});
        const int ancho = almacen.value(nombre + kAnchoColumna).toInt(&ok);
        if (ok && ancho > 0 && ancho <= kAnchoColumnaMaximo)
            titulos->resizeSection(c, ancho);
        if (almacen.contains(nombre + kVisible))
            visibles[static_cast<std::size_t>(c)] = almacen.value(nombre + kVisible).toBool();
        if (almacen.contains(nombre + kTitulo))
            m_vista->setTitulo(c, almacen.value(nombre + kTitulo).toString());
    }
    std::stable_sort(orden.begin(), orden.end(), [](const Columna& a, const Columna& b) { return a.orden < b.orden; });
    for (int visual = 0; visual < static_cast<int>(orden.size()); ++visual)
        titulos->moveSection(titulos->visualIndex(orden[static_cast<std::size_t>(visual)].logica), visual);
    // A grid without columns could not be used nor given its columns back.
    if (std::none_of(visibles.begin(), visibles.end(), [](bool v) { return v; }))
        visibles.assign(visibles.size(), true);
    for (int c = 0; c < NumColumnas; ++c)
        titulos->setSectionHidden(c, !visibles[static_cast<std::size_t>(c)]);
}

void TfrmBuscarEnCatalogo::guardarColumnas()
{
    QHeaderView* titulos = wdbTabla->horizontalHeader();
    QSettings almacen(QSettings::NativeFormat, QSettings::UserScope, kOrganizacion, kAplicacion);
    almacen.beginGroup(kGrupoColumnas);
    for (int c = 0; c < NumColumnas; ++c) {
        const QString nombre = campo(c);
        const bool visible = !titulos->isSectionHidden(c);
        almacen.setValue(nombre + kVisible, visible);
        almacen.setValue(nombre + kOrden, titulos->visualIndex(c));
        almacen.setValue(nombre + kAnchoColumna, visible ? titulos->sectionSize(c) : anchoOculta(titulos, c));
        almacen.setValue(nombre + kTitulo, m_vista->titulo(c));
    }
    almacen.endGroup();
    almacen.sync();
}

void TfrmBuscarEnCatalogo::menuColumnas(const QPoint& posicion)
{
    QHeaderView* titulos = wdbTabla->horizontalHeader();
    QMenu menu(this);
    for (int c = 0; c < NumColumnas; ++c) {
        QAction* a = menu.addAction(m_vista->titulo(c));
        a->setCheckable(true);
        a->setChecked(!titulos->isSectionHidden(c));
        a->setData(c);
    }
    const QAction* elegida = menu.exec(titulos->mapToGlobal(posicion));
    if (!elegida)
        return;
    const int c = elegida->data().toInt();
    if (elegida->isChecked()) {
        titulos->showSection(c);
        return;
    }
    int visibles = 0;
    for (int i = 0; i < NumColumnas; ++i)
        visibles += titulos->isSectionHidden(i) ? 0 : 1;
    if (visibles > 1)
        titulos->hideSection(c);
}
