#include "uConfiguracion.h"

#include "DialogoFuente.h"
#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "layout/Colores.h"
#include "layout/Estilo.h"
#include "layout/Fuentes.h"
#include "lookup/ListasEleccion.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <optional>

namespace {

using Ajuste = ConfigEmpresa::Ajuste;

const QString& kTitulo = platform::kMessageTitle;
const QString kAyudaEtiquetas = QStringLiteral(
    "Un formato por renglón: prefijos;posición del PLU;dígitos del PLU;clave;valor;decimales;verificador\n"
    "prefijos: 20-29, 21,23 o 2 (UPC-A) · clave: T el PLU tal cual, S sin ceros a la izquierda, C el código "
    "con el valor en ceros\nvalor: P precio, K peso en kilos · verificador: V si un dígito verificador "
    "precede al valor, N si no\nVarios formatos pueden compartir prefijos: se prueban en orden hasta que uno "
    "encuentra el artículo.\nEjemplo: 20-29;3;5;C;K;3;N");
const QString kEtiquetaInvalida = QStringLiteral("Etiqueta de báscula %1: %2");
const QString kEtiquetaTapada =
    QStringLiteral("Las etiquetas de báscula %1 y %2 dan la misma clave para los mismos códigos: la %2 nunca "
                   "encontraría un artículo. Quite una de las dos o cambie su clave.");
const QString kSinClientes = QStringLiteral("Necesita crear un cliente en Microsip.");
const QString kSegundosInvalidos =
    QStringLiteral("El tiempo para limpiar la pantalla debe ser un número entero de segundos. "
                   "No se guardó ningún cambio.");
const QString kFuenteLarga = QStringLiteral("El nombre de la fuente «%1» tiene más de %2 caracteres y no se puede "
                                            "guardar. Elija otra fuente; no se guardó ningún cambio.");

const QString kEstacionSinGuardar = QStringLiteral("Los ajustes de la empresa se guardaron, pero no los de esta "
                                                   "estación:\n\n");
// What a scanner sends around a code is a few characters.
constexpr int kLargoAfijo = 10;

constexpr int kSegundosMin = 30;
constexpr int kSegundosMax = 1000;

using estilo::kFondo;
using estilo::kNaranja;
using estilo::kNaranjaPrecio;
const QColor kAzulClaro(160, 192, 239);

void reiniciar(fb::Transaction& t)
{
    if (t.isActive())
        t.commit();
    t.start();
}

void colorTexto(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

QLabel* etiqueta(QWidget* padre, const QString& texto, int x, int y)
{
    auto* l = new QLabel(texto, padre);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QCheckBox* casilla(QWidget* padre, const char* nombre, const QString& texto, int x, int y)
{
    auto* c = new QCheckBox(texto, padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->move(x, y);
    c->adjustSize();
    return c;
}

QComboBox* caja(QWidget* padre, const char* nombre, int x, int y, int ancho)
{
    auto* c = new QComboBox(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(x, y, ancho, 21);
    return c;
}

QLabel* vistaPrevia(QWidget* padre, const char* nombre, const QString& texto, int puntos, const QColor& color)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setFont(platform::tahomaPoints(puntos, true));
    colorTexto(l, color);
    return l;
}

} // namespace

TfrmConfiguracion::TfrmConfiguracion(Tdm& dm, std::function<void()> alCerrar, std::function<void()> terminarPrograma,
                                     QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , m_alCerrar(std::move(alCerrar))
    , m_terminar(std::move(terminarPrograma))
    , fdTrans(dm.fdConexion, fb::Isolation::Snapshot, fb::Access::ReadOnly)
    , fdTransConfig(dm.fdConexion)
{
    setObjectName(QStringLiteral("frmConfiguracion"));
    setWindowTitle(QStringLiteral("Configuración"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setAutoFillBackground(true);
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, kFondo);
    fondo.setColor(QPalette::WindowText, Qt::white);
    setPalette(fondo);
    setFont(platform::tahomaPoints(8));
    crearControles();
    setFixedSize(611, 372);

    dFont = new DialogoFuente(this);

    // Closing by "Guardar" or by the close button: the main window reloads its settings either way.
    connect(this, &QDialog::finished, this, [this] { FormClose(); });
}

TfrmConfiguracion::~TfrmConfiguracion() = default;

void TfrmConfiguracion::crearControles()
{
    etiqueta(this, QStringLiteral("Cliente eventual"), 8, 12);
    m_clientes.caja = caja(this, "dbClienteEventual", 8, 28, 370);
    etiqueta(this, QStringLiteral("Lista de precios"), 392, 13);
    m_precios.caja = caja(this, "dbListaPrecios", 392, 29, 194);
    etiqueta(this, QStringLiteral("Política por volumen"), 8, 58);
    m_politicas.caja = caja(this, "dbPoliticaVolumen", 8, 74, 177);
    etiqueta(this, QStringLiteral("Almacén predeterminado"), 201, 58);
    m_almacenes.caja = caja(this, "dbAlmacenes", 201, 74, 177);

    cheExistencia = casilla(this, "cheExistencia", QStringLiteral("Mostrar existencias"), 8, 118);
    cheListPrecios = casilla(this, "cheListPrecios", QStringLiteral("Mostrar lista de precios"), 8, 141);
    chePolVolumen = casilla(this, "chePolVolumen", QStringLiteral("Mostrar precios por volumen"), 8, 164);
    cheClaves = casilla(this, "cheClaves", QStringLiteral("Mostrar lista de claves"), 8, 187);
    cheImagenEmpresa = casilla(this, "cheImagenEmpresa", QStringLiteral("Mostrar imagen de empresa"), 8, 210);
    cheDsctoCombo = casilla(this, "cheDsctoCombo", QStringLiteral("Mostrar desctos por Combo"), 8, 233);
    cheBuscador = casilla(this, "cheBuscador", QStringLiteral("Mostrar buscador al no localizar artículo."), 201, 110);
    platform::connectGuarded(cheListPrecios, &QCheckBox::toggled, this, &TfrmConfiguracion::cheListPreciosClick);

    etiqueta(this, QStringLiteral("Ordenar por:"), 201, 153);
    cboOrdenPrecios = caja(this, "cboOrdenPrecios", 201, 169, 177);
    cboOrdenPrecios->addItems(
        {QStringLiteral("Menor precio"), QStringLiteral("Mayor precio"), QStringLiteral("Nombre del precio")});
    cheListPreciosClick();

    etiqueta(this, QStringLiteral("Limpiar pantalla (seg)"), 201, 199);
    edSegundos = new QLineEdit(this);
    edSegundos->setObjectName(QStringLiteral("edSegundos"));
    edSegundos->setGeometry(309, 196, 53, 21);
    edSegundos->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edSegundos));
    edSegundos->setText(QString::number(kSegundosMin));
    edSegundos->installEventFilter(this);

    auto* upDown = new QWidget(this);
    upDown->setObjectName(QStringLiteral("UpDown1"));
    upDown->setGeometry(362, 196, 17, 21);
    auto flecha = [this, upDown](const char* nombre, Qt::ArrowType tipo, int y, int paso) {
        auto* b = new QToolButton(upDown);
        b->setObjectName(QString::fromLatin1(nombre));
        b->setArrowType(tipo);
        b->setGeometry(0, y, 17, 10);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        platform::connectGuarded(b, &QToolButton::clicked, this, [this, paso] { UpDown1Click(paso); });
    };
    flecha("UpDown1Arriba", Qt::UpArrow, 0, 1);
    flecha("UpDown1Abajo", Qt::DownArrow, 11, -1);

    // A miniature of the display: a light blue bar and the two previews, drawn at their own small
    // sizes while the chosen sizes are only remembered.
    auto* marco = new QWidget(this);
    marco->setObjectName(QStringLiteral("pnlMuestra"));
    marco->setGeometry(420, 96, 183, 114);
    marco->setAutoFillBackground(true);
    QPalette pm = marco->palette();
    pm.setColor(QPalette::Window, kFondo.darker(130));
    marco->setPalette(pm);
    auto* barra = new QWidget(marco);
    barra->setObjectName(QStringLiteral("shpBarra"));
    barra->setGeometry(4, 4, 12, 106);
    barra->setAutoFillBackground(true);
    QPalette pb = barra->palette();
    pb.setColor(QPalette::Window, kAzulClaro);
    barra->setPalette(pb);

    lblNombre = vistaPrevia(this, "lblNombre", QStringLiteral("Nombre del artículo"), 9, estilo::kAzul);
    lblNombre->setGeometry(441, 102, 128, 42);
    lblNombre->setWordWrap(true);
    lblPrecio = vistaPrevia(this, "lblPrecio", QStringLiteral("$ 0.00"), 11, kNaranjaPrecio);
    lblPrecio->move(513, 135);
    lblPrecio->adjustSize();
    for (QLabel* l : {lblNombre, lblPrecio}) {
        l->setToolTip(QStringLiteral("Doble clic para elegir la fuente"));
        l->installEventFilter(this);
        l->raise();
    }

    pbsGuardar = new QPushButton(QStringLiteral("Guardar"), this);
    pbsGuardar->setObjectName(QStringLiteral("pbsGuardar"));
    pbsGuardar->setGeometry(420, 222, 162, 62);
    QFont negrita = font();
    negrita.setBold(true);
    pbsGuardar->setFont(negrita);
    pbsGuardar->setProperty("accion", true);
    // Enter in a box must not save behind the operator's back.
    pbsGuardar->setAutoDefault(false);
    platform::connectGuarded(pbsGuardar, &QPushButton::clicked, this, &TfrmConfiguracion::GuardarInfo);

    auto* nota = etiqueta(this, QStringLiteral("*Solo aplica en tipo “Descuento a los artículos del combo”"), 10, 256);
    nota->setObjectName(QStringLiteral("Label7"));
    crearEtiquetas();
    crearEstacion();
}

void TfrmConfiguracion::crearEstacion()
{
    cheHablarPrecio = casilla(this, "cheHablarPrecio", QStringLiteral("Decir el precio en voz alta"), 8, 342);
    // Each box right after its caption, whatever width the caption takes in the station's font.
    const auto afijo = [this](const char* nombre, const QString& titulo, int x) {
        const QLabel* l = etiqueta(this, titulo, x, 343);
        auto* ed = new QLineEdit(this);
        ed->setObjectName(QString::fromLatin1(nombre));
        ed->setGeometry(l->geometry().right() + 6, 340, 58, 21);
        ed->setMaxLength(kLargoAfijo);
        return ed;
    };
    edPrefijoEscaner = afijo("edPrefijoEscaner", QStringLiteral("Prefijo del escáner"), 201);
    edSufijoEscaner = afijo("edSufijoEscaner", QStringLiteral("Sufijo"), edPrefijoEscaner->geometry().right() + 14);
    const QString ayuda = QStringLiteral("Lo que el escáner envía antes o después de cada código; no forma parte "
                                         "de la clave. Solo en esta estación.");
    edPrefijoEscaner->setToolTip(ayuda);
    edSufijoEscaner->setToolTip(ayuda);
}

void TfrmConfiguracion::cargarEstacion()
{
    const AjustesEstacion& estacion = m_dm.estacion();
    cheHablarPrecio->setChecked(estacion.hablarPrecio());
    edPrefijoEscaner->setText(estacion.prefijoEscaner());
    edSufijoEscaner->setText(estacion.sufijoEscaner());
}

void TfrmConfiguracion::guardarEstacion()
{
    AjustesEstacion& estacion = m_dm.estacion();
    try {
        if (cheHablarPrecio->isChecked() != estacion.hablarPrecio())
            estacion.setHablarPrecio(cheHablarPrecio->isChecked());
        if (edPrefijoEscaner->text() != estacion.prefijoEscaner() ||
            edSufijoEscaner->text() != estacion.sufijoEscaner())
            estacion.setEscaner(edPrefijoEscaner->text(), edSufijoEscaner->text());
    } catch (const ErrorConfigIni& e) {
        throw ErrorConfigIni((kEstacionSinGuardar + QString::fromUtf8(e.what())).toStdString());
    }
}

void TfrmConfiguracion::crearEtiquetas()
{
    cheEscaparate = casilla(this, "cheEscaparate", QStringLiteral("Escaparate de ofertas"), 8, 308);
    const auto segundos = [this](const char* nombre, int x, int maximo) {
        auto* sb = new QSpinBox(this);
        sb->setObjectName(QString::fromLatin1(nombre));
        sb->setRange(1, maximo);
        sb->setGeometry(x, 306, 58, 21);
        return sb;
    };
    etiqueta(this, QStringLiteral("Tras (seg)"), 160, 309);
    sbEscaparateSegundos = segundos("sbEscaparateSegundos", 218, 86400);
    etiqueta(this, QStringLiteral("Tarjeta (seg)"), 284, 309);
    sbEscaparateTarjeta = segundos("sbEscaparateTarjeta", 355, 600);
    etiqueta(this, QStringLiteral("Lista"), 421, 309);
    cboEscaparateLista = caja(this, "cboEscaparateLista", 452, 306, 151);

    pbsEtiquetas = new QPushButton(QStringLiteral("Etiquetas de báscula…"), this);
    pbsEtiquetas->setObjectName(QStringLiteral("pbsEtiquetas"));
    pbsEtiquetas->setGeometry(201, 226, 170, 24);
    pbsEtiquetas->setAutoDefault(false);

    dlgEtiquetas = new QDialog(this);
    dlgEtiquetas->setObjectName(QStringLiteral("dlgEtiquetas"));
    dlgEtiquetas->setWindowTitle(QStringLiteral("Etiquetas de báscula"));
    auto* capas = new QVBoxLayout(dlgEtiquetas);
    auto* ayuda = new QLabel(kAyudaEtiquetas, dlgEtiquetas);
    ayuda->setWordWrap(true);
    capas->addWidget(ayuda);
    for (int i = 0; i < ConfigEmpresa::kEtiquetas; ++i) {
        auto* ed = new QLineEdit(dlgEtiquetas);
        ed->setObjectName(QStringLiteral("edEtiqueta%1").arg(i + 1));
        ed->setMaxLength(ConfigEmpresa::kLargoTexto);
        ed->setPlaceholderText(i == 0 ? QStringLiteral("20-29;3;5;C;K;3;N") : QString());
        edEtiquetas[static_cast<size_t>(i)] = ed;
        capas->addWidget(ed);
    }
    auto* botones = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlgEtiquetas);
    botones->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("pbsAceptarEtiquetas"));
    capas->addWidget(botones);
    platform::connectGuarded(botones, &QDialogButtonBox::accepted, this, &TfrmConfiguracion::aceptarEtiquetas);
    connect(botones, &QDialogButtonBox::rejected, dlgEtiquetas, &QDialog::reject);
    connect(pbsEtiquetas, &QPushButton::clicked, this, [this] {
        for (size_t i = 0; i < edEtiquetas.size(); ++i)
            edEtiquetas[i]->setText(m_etiquetas[i]);
        dlgEtiquetas->open();
    });
}

// Every box is checked before any is kept; a bad one says why and keeps the window open.
void TfrmConfiguracion::aceptarEtiquetas()
{
    ConfigEmpresa::TextosEtiquetas nuevos;
    std::array<std::optional<FormatoEtiqueta>, ConfigEmpresa::kEtiquetas> formatos;
    for (size_t i = 0; i < edEtiquetas.size(); ++i) {
        const QString texto = edEtiquetas[i]->text().trimmed();
        if (texto.isEmpty())
            continue;
        QString error;
        const std::optional<FormatoEtiqueta> f = FormatoEtiqueta::deTexto(texto, &error);
        if (!f) {
            platform::showMessage(dlgEtiquetas, kEtiquetaInvalida.arg(i + 1).arg(error), kTitulo,
                                  platform::Icon::Warning);
            edEtiquetas[i]->setFocus();
            return;
        }
        nuevos[i] = f->aTexto();
        formatos[i] = f;
    }
    // Every format is tried in turn, so a row that an earlier one always answers for is a mistake.
    for (size_t j = 0; j < formatos.size(); ++j) {
        for (size_t i = 0; i < j && formatos[j]; ++i) {
            if (formatos[i] && formatos[j]->tapadoPor(*formatos[i])) {
                platform::showMessage(dlgEtiquetas, kEtiquetaTapada.arg(i + 1).arg(j + 1), kTitulo,
                                      platform::Icon::Warning);
                edEtiquetas[j]->setFocus();
                return;
            }
        }
    }
    m_etiquetas = nuevos;
    dlgEtiquetas->accept();
}

void TfrmConfiguracion::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        cargarEstacion();
        platform::guarded(this, [this] { CargarInfo(); });
    }
}

bool TfrmConfiguracion::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == lblNombre || watched == lblPrecio) && event->type() == QEvent::MouseButtonDblClick) {
        platform::guarded(this, [this, watched] {
            if (watched == lblNombre)
                elegirFuente(lblNombre, m_tamanoNombre, m_colorNombre);
            else
                elegirFuente(lblPrecio, m_tamanoPrecio, m_colorPrecio);
        });
        return true;
    }
    if (watched == edSegundos && event->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        if (tecla == Qt::Key_Up || tecla == Qt::Key_Down) {
            platform::guarded(this, [this, tecla] { UpDown1Click(tecla == Qt::Key_Up ? 1 : -1); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- load ------------------------------------------------------------------------------------

void TfrmConfiguracion::CargarInfo()
{
    // Rows inserted by a pass are committed and the load runs again, so the controls show what the
    // table now holds; the second pass finds every row it could insert.
    m_dm.conReconexion([&] {
        for (int pasada = 0; pasada < 2; ++pasada) {
            if (!cargarUnaVez())
                break;
            fdTransConfig.commit();
        }
    });
}

bool TfrmConfiguracion::cargarUnaVez()
{
    reiniciar(fdTrans);
    reiniciar(fdTransConfig);
    bool insertado = false;

    if (llenar(m_clientes) == 0) {
        // The customer row is left alone: there is no customer to point it at.
        m_clientes.caja->setEnabled(false);
        m_clientes.cargado = fb::Value();
        platform::showMessage(this, kSinClientes, kTitulo, platform::Icon::Warning);
        m_terminar();
        // The program ends once control is back in an event loop; a modal dialog has its own, so it
        // closes itself as soon as that loop runs.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    reject();
            },
            Qt::QueuedConnection);
    } else {
        cargarLista(m_clientes, Ajuste::ClienteEventualId, insertado);
    }
    if (llenar(m_precios) > 0)
        cargarLista(m_precios, Ajuste::PrecioEmpresaId, insertado);
    if (llenar(m_politicas) > 0)
        cargarLista(m_politicas, Ajuste::PoliticaVolId, insertado);
    if (llenar(m_almacenes) > 0)
        cargarLista(m_almacenes, Ajuste::AlmacenId, insertado);

    cargarSwitch(cheExistencia, Ajuste::MostrarExistencia, insertado);
    cargarSwitch(cheListPrecios, Ajuste::MostrarLstPrecios, insertado);
    const int orden = m_tabla.leerOInsertar(Ajuste::OrdenPrecio, insertado).entero.toInt();
    cboOrdenPrecios->setCurrentIndex(orden >= 0 && orden < cboOrdenPrecios->count() ? orden : -1);
    cargarSwitch(chePolVolumen, Ajuste::MostrarPolVol, insertado);
    cargarSwitch(cheClaves, Ajuste::MostrarClave, insertado);
    edSegundos->setText(QString::number(m_tabla.leerOInsertar(Ajuste::SegundosEspera, insertado).entero.toInt()));
    cargarSwitch(cheImagenEmpresa, Ajuste::MostrarImagenEmpresa, insertado);
    cargarSwitch(cheDsctoCombo, Ajuste::DsctosCombo, insertado);
    cargarSwitch(cheBuscador, Ajuste::MostrarBuscador, insertado);
    // Loading may leave the box as it was, which emits nothing.
    cheListPreciosClick();

    cargarFuentes();
    m_etiquetas = m_tabla.leerTextosEtiquetas();
    cargarEscaparate();
    return insertado;
}

int TfrmConfiguracion::llenar(Lista& lista)
{
    QComboBox* c = lista.caja;
    c->clear();
    for (const listas::Opcion& o : listas::leer(lista.consulta, lista.lista))
        c->addItem(o.nombre, o.id);
    c->setCurrentIndex(-1);
    c->setEnabled(c->count() > 0);
    return c->count();
}

void TfrmConfiguracion::cargarEscaparate()
{
    const ConfigEmpresa::Escaparate e = m_tabla.leerEscaparate();
    cheEscaparate->setChecked(e.activo);
    sbEscaparateSegundos->setValue(e.segundosInactivo);
    sbEscaparateTarjeta->setValue(e.segundosTarjeta);
    cboEscaparateLista->clear();
    cboEscaparateLista->addItem(QStringLiteral("Solo combos"), 0);
    // The cards are for customers: a list the ERP keeps from them is not offered.
    for (const listas::Opcion& o : listas::leer(fdPreciosCliente, listas::Lista::ListasPreciosCliente))
        cboEscaparateLista->addItem(o.nombre, o.id);
    m_escaparateCargado = e;
    cboEscaparateLista->setCurrentIndex(cboEscaparateLista->findData(e.listaPrecios));
}

ConfigEmpresa::Escaparate TfrmConfiguracion::escaparateElegido() const
{
    const int indice = cboEscaparateLista->currentIndex();
    return {cheEscaparate->isChecked(), sbEscaparateSegundos->value(), sbEscaparateTarjeta->value(),
            indice >= 0 ? cboEscaparateLista->itemData(indice).toInt() : m_escaparateCargado.listaPrecios};
}

void TfrmConfiguracion::mostrarId(Lista& lista, const fb::Value& id)
{
    lista.cargado = id;
    lista.caja->setCurrentIndex(id.isNull() ? -1 : lista.caja->findData(id.toInt()));
}

void TfrmConfiguracion::cargarLista(Lista& lista, Ajuste ajuste, bool& insertado)
{
    mostrarId(lista, m_tabla.leerOInsertar(ajuste, insertado).entero);
}

void TfrmConfiguracion::cargarSwitch(QCheckBox* caja, Ajuste ajuste, bool& insertado)
{
    caja->setChecked(ConfigEmpresa::activo(m_tabla.leerOInsertar(ajuste, insertado)));
}

void TfrmConfiguracion::cargarFuentes()
{
    auto cargar = [this](QLabel* vista, ConfigEmpresa::Elemento elemento, int& tamano,
                         std::optional<QString>& colorCargado, bool saltarColorNulo) {
        colorCargado.reset();
        if (const std::optional<ConfigEmpresa::Fuente> f = m_tabla.leerFuente(elemento)) {
            tamano = f->puntos;
            QFont fuente = vista->font();
            fuente.setFamily(f->cara);
            vista->setFont(fuente);
        }
        if (const std::optional<fb::Value> color = m_tabla.leerColor(elemento)) {
            if (!(saltarColorNulo && color->isNull())) {
                colorTexto(vista, aQColor(TextoAColor(color->toString())));
                colorCargado = color->toString();
            }
        }
        if (const std::optional<fb::Value> estilo = m_tabla.leerEstilo(elemento)) {
            QFont fuente = vista->font();
            aplicarEstilo(fuente, TextoAEstilo(estilo->toString()));
            vista->setFont(fuente);
        }
    };
    cargar(lblNombre, ConfigEmpresa::Elemento::NombreArticulo, m_tamanoNombre, m_colorNombre, false);
    cargar(lblPrecio, ConfigEmpresa::Elemento::Precio, m_tamanoPrecio, m_colorPrecio, true);
}

// ---- save ------------------------------------------------------------------------------------

fb::Value TfrmConfiguracion::idElegido(const Lista& lista) const
{
    if (lista.caja->currentIndex() >= 0)
        return fb::Value(lista.caja->currentData().toInt());
    return lista.cargado;
}

quint32 TfrmConfiguracion::colorDe(const QLabel* vista, const std::optional<QString>& colorCargado)
{
    // The stored value as read (with a top byte the display ignores), while the preview shows it.
    const quint32 mostrado = deQColor(vista->palette().color(QPalette::WindowText));
    if (colorCargado) {
        const quint32 cargado = TextoAColor(*colorCargado);
        if ((cargado & 0x00FFFFFFu) == mostrado)
            return cargado;
    }
    return mostrado;
}

ConfigEmpresa::FilasFuente TfrmConfiguracion::filasFuente(const QLabel* vista, int tamano,
                                                          const std::optional<QString>& colorCargado)
{
    // A colour left as loaded is written back in the text it was read from.
    const quint32 color = colorDe(vista, colorCargado);
    const QString texto = colorCargado && TextoAColor(*colorCargado) == color ? *colorCargado : ColorATexto(color);
    return {tamano, vista->font().family(), texto, EstiloATexto(estiloDe(vista->font()))};
}

void TfrmConfiguracion::GuardarInfo()
{
    // Checked before anything is written, so bad input loses nothing and saves nothing.
    bool numero = false;
    const int segundos = edSegundos->text().toInt(&numero);
    if (!numero) {
        platform::showMessage(this, kSegundosInvalidos, kTitulo, platform::Icon::Warning);
        edSegundos->setFocus();
        return;
    }
    for (const QLabel* vista : {lblNombre, lblPrecio}) {
        const QString cara = vista->font().family();
        if (cara.size() > ConfigEmpresa::kLargoTexto) {
            platform::showMessage(this, kFuenteLarga.arg(cara).arg(ConfigEmpresa::kLargoTexto), kTitulo,
                                  platform::Icon::Warning);
            return;
        }
    }

    // One transaction from the first row to the commit; after a lost connection the save runs
    // again whole, in a fresh transaction on the new attachment.
    m_dm.conReconexion([&] { guardarFilas(segundos); });
    // A file that cannot be saved leaves the dialog open with the operator's choices.
    guardarEstacion();
    accept();
}

void TfrmConfiguracion::guardarFilas(int segundos)
{
    reiniciar(fdTransConfig);
    try {
        if (m_clientes.caja->isEnabled())
            m_tabla.escribirEntero(Ajuste::ClienteEventualId, idElegido(m_clientes));
        // An empty list has no choice to save: its row keeps what it holds.
        if (m_precios.caja->isEnabled())
            m_tabla.escribirEntero(Ajuste::PrecioEmpresaId, idElegido(m_precios));
        if (m_politicas.caja->isEnabled())
            m_tabla.escribirEntero(Ajuste::PoliticaVolId, idElegido(m_politicas));
        if (m_almacenes.caja->isEnabled())
            m_tabla.escribirEntero(Ajuste::AlmacenId, idElegido(m_almacenes));

        m_tabla.escribirInterruptor(Ajuste::MostrarExistencia, cheExistencia->isChecked());
        m_tabla.escribirInterruptor(Ajuste::MostrarLstPrecios, cheListPrecios->isChecked());
        m_tabla.escribirEntero(Ajuste::OrdenPrecio, cboOrdenPrecios->currentIndex());
        m_tabla.escribirInterruptor(Ajuste::MostrarPolVol, chePolVolumen->isChecked());
        m_tabla.escribirInterruptor(Ajuste::MostrarClave, cheClaves->isChecked());
        m_tabla.escribirEntero(Ajuste::SegundosEspera, segundos);
        m_tabla.escribirInterruptor(Ajuste::MostrarImagenEmpresa, cheImagenEmpresa->isChecked());
        m_tabla.escribirInterruptor(Ajuste::DsctosCombo, cheDsctoCombo->isChecked());
        m_tabla.escribirInterruptor(Ajuste::MostrarBuscador, cheBuscador->isChecked());

        m_tabla.escribirFuente(ConfigEmpresa::Elemento::NombreArticulo,
                               filasFuente(lblNombre, m_tamanoNombre, m_colorNombre));
        m_tabla.escribirFuente(ConfigEmpresa::Elemento::Precio, filasFuente(lblPrecio, m_tamanoPrecio, m_colorPrecio));
        m_tabla.escribirEtiquetas(m_etiquetas);
        const ConfigEmpresa::Escaparate escaparate = escaparateElegido();
        const ConfigEmpresa::Escaparate& antes = m_escaparateCargado;
        if (escaparate.activo != antes.activo || escaparate.segundosInactivo != antes.segundosInactivo ||
            escaparate.segundosTarjeta != antes.segundosTarjeta || escaparate.listaPrecios != antes.listaPrecios)
            m_tabla.escribirEscaparate(escaparate);

        if (fdTrans.isActive())
            fdTrans.commit();
        fdTransConfig.commit();
    } catch (...) {
        // Half the settings must never reach the table: the next save or load would commit them.
        try {
            if (fdTransConfig.isActive())
                fdTransConfig.rollback();
            fdTransConfig.start();
        } catch (...) {
            // The original failure is the one the operator needs to see.
        }
        throw;
    }
}

// ---- font, seconds, order ---------------------------------------------------------------------

void TfrmConfiguracion::elegirFuente(QLabel* vista, int& tamano, std::optional<QString>& colorCargado)
{
    // The chooser opens on the element as it stands: the preview's face, effects and colour, and
    // the remembered size (the built-in one while there is none).
    const ConfigEmpresa::Elemento elemento =
        vista == lblNombre ? ConfigEmpresa::Elemento::NombreArticulo : ConfigEmpresa::Elemento::Precio;
    QFont actual(vista->font().family());
    actual.setPointSize(tamano > 0 ? tamano : ConfigEmpresa::fuentePredeterminada(elemento).puntos);
    aplicarEstilo(actual, estiloDe(vista->font()));
    const quint32 color = colorDe(vista, colorCargado);
    if (!dFont->elegir(actual, color))
        return;
    const QFont& elegida = dFont->fuente();
    QFont fuente = vista->font(); // the preview keeps its own small size
    fuente.setFamily(elegida.family());
    aplicarEstilo(fuente, estiloDe(elegida));
    vista->setFont(fuente);
    if (dFont->color() != color) {
        colorTexto(vista, aQColor(dFont->color()));
        colorCargado.reset();
    }
    if (elegida.pointSize() != actual.pointSize())
        tamano = puntosDeFuente(elegida);
}

void TfrmConfiguracion::cheListPreciosClick()
{
    cboOrdenPrecios->setEnabled(cheListPrecios->isChecked());
}

void TfrmConfiguracion::UpDown1Click(int paso)
{
    bool numero = false;
    const int actual = edSegundos->text().toInt(&numero);
    const int nuevo = numero ? std::clamp(actual + paso, kSegundosMin, kSegundosMax) : kSegundosMin;
    edSegundos->setText(QString::number(nuevo));
}

void TfrmConfiguracion::FormClose()
{
    // Nothing is pending once the dialog closes (a failed save was rolled back), so ending both
    // transactions loses nothing and does not hold a snapshot open for the rest of the run.
    platform::guarded(this, [this] {
        if (fdTrans.isActive())
            fdTrans.commit();
        if (fdTransConfig.isActive())
            fdTransConfig.commit();
    });
    if (m_alCerrar)
        platform::guarded(parentWidget(), [this] { m_alCerrar(); });
}
