#include "uConfiguracion.h"

#include "DialogoFuente.h"
#include "data/uDM.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/Colores.h"
#include "layout/Estilo.h"
#include "layout/Fuentes.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QToolButton>
#include <algorithm>

namespace {

const QString& kTitulo = platform::kMessageTitle;
const QString kSinClientes = QStringLiteral("Necesita crear un cliente en Microsip.");
const QString kSegundosInvalidos =
    QStringLiteral("El tiempo para limpiar la pantalla debe ser un número entero de segundos. "
                   "No se guardó ningún cambio.");
const QString kFuenteLarga = QStringLiteral("El nombre de la fuente «%1» tiene más de %2 caracteres y no se puede "
                                            "guardar. Elija otra fuente; no se guardó ningún cambio.");

const QString kSqlLeer = QStringLiteral("select * from ZANTOR_LMV_CONFIG a \n"
                                        "where a.configuracion = :c_config");
const QString kSqlInsertarEntero = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) \n");
const QString kSqlInsertarSwitch = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) \n");
const QString kSqlEntero = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = :N_VALOR_INT \n"
                                          "where configuracion = :c_config");
const QString kSqlSwitch = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = :N_VALOR_CHR \n"
                                          "where configuracion = :c_config");
const QString kSqlSwitchCombo = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = :n_VALOR_CHR \n"
                                               "where configuracion = :c_config");
const QString kSqlFuente = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = :N_VALOR_INT, \n"
                                          "valor_str=:c_valor_str \n"
                                          "where configuracion = :c_config");
const QString kSqlTexto = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET \n"
                                         "valor_str=:c_valor_str \n"
                                         "where configuracion = :c_config");

const QString kSqlClientes = QStringLiteral("select c.cliente_id, c.nombre\n"
                                            "from clientes c\n"
                                            "order by c.nombre");
const QString kSqlPrecios = QStringLiteral("select p.precio_empresa_id, p.nombre\n"
                                           "from precios_empresa p\n"
                                           "order by p.nombre");
const QString kSqlPolitica = QStringLiteral("select p.politica_dscto_volumen_id, p.nombre\n"
                                            "from politicas_dsctos_volumen p\n"
                                            "order by p.nombre");
const QString kSqlAlmacen = QStringLiteral("select a.almacen_id, a.nombre\n"
                                           "from almacenes a\n"
                                           "order by a.nombre");

// VALOR_STR is VARCHAR(25): a longer face name cannot be stored.
constexpr int kLargoFuente = 25;

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
    setFixedSize(611, 309);

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
}

void TfrmConfiguracion::crearObjetosBase()
{
    if (fdTransConfig)
        return;
    fdTrans = std::make_unique<fb::Transaction>(m_dm.fdConexion, fb::Isolation::Snapshot, fb::Access::ReadOnly);
    fdTransConfig = std::make_unique<fb::Transaction>(m_dm.fdConexion);
    fdConfig = std::make_unique<fb::Query>(*fdTransConfig);
    fdClientes = std::make_unique<fb::Query>(*fdTrans);
    fdPrecios = std::make_unique<fb::Query>(*fdTrans);
    fdPolitica = std::make_unique<fb::Query>(*fdTrans);
    fdAlmacen = std::make_unique<fb::Query>(*fdTrans);
    fdClientes->setSql(kSqlClientes);
    fdPrecios->setSql(kSqlPrecios);
    fdPolitica->setSql(kSqlPolitica);
    fdAlmacen->setSql(kSqlAlmacen);
    m_clientes.consulta = fdClientes.get();
    m_precios.consulta = fdPrecios.get();
    m_politicas.consulta = fdPolitica.get();
    m_almacenes.consulta = fdAlmacen.get();
}

void TfrmConfiguracion::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::guarded(this, [this] { CargarInfo(); });
}

bool TfrmConfiguracion::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == lblNombre || watched == lblPrecio) && event->type() == QEvent::MouseButtonDblClick) {
        platform::guarded(this, [this, watched] {
            if (watched == lblNombre)
                elegirFuente(lblNombre, m_tamanoNombre);
            else
                elegirFuente(lblPrecio, m_tamanoPrecio);
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
    crearObjetosBase();
    // Rows inserted by a pass are committed and the load runs again, so the controls show what the
    // table now holds; the second pass finds every row it could insert.
    m_dm.conReconexion([&] {
        for (int pasada = 0; pasada < 2; ++pasada) {
            if (!cargarUnaVez())
                break;
            fdTransConfig->commit();
        }
    });
}

bool TfrmConfiguracion::cargarUnaVez()
{
    reiniciar(*fdTrans);
    reiniciar(*fdTransConfig);
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
        cargarLista(m_clientes, QStringLiteral("CLIENTE_EVENTUAL_ID"), 0, insertado);
    }
    if (llenar(m_precios) > 0)
        cargarLista(m_precios, QStringLiteral("PRECIO_EMPRESA_ID"), 42, insertado);
    if (llenar(m_politicas) > 0)
        cargarLista(m_politicas, QStringLiteral("POLITICA_VOL_ID"), 0, insertado);
    if (llenar(m_almacenes) > 0)
        cargarLista(m_almacenes, QStringLiteral("ALMACEN_ID"), 19, insertado);

    cargarSwitch(cheExistencia, QStringLiteral("MOSTRAR_EXISTENCIA"), insertado);
    cargarSwitch(cheListPrecios, QStringLiteral("MOSTRAR_LST_PRECIOS"), insertado);
    if (const std::optional<Fila> f = leer(QStringLiteral("ORDEN_PRECIO"))) {
        const int orden = f->entero.toInt();
        cboOrdenPrecios->setCurrentIndex(orden >= 0 && orden < cboOrdenPrecios->count() ? orden : -1);
    } else {
        insertar(kSqlInsertarEntero, QStringLiteral("ORDEN_PRECIO"), QStringLiteral("0"));
        cboOrdenPrecios->setCurrentIndex(0);
        insertado = true;
    }
    cargarSwitch(chePolVolumen, QStringLiteral("MOSTRAR_POL_VOL"), insertado);
    cargarSwitch(cheClaves, QStringLiteral("MOSTRAR_CLAVE"), insertado);
    if (const std::optional<Fila> f = leer(QStringLiteral("SEGUNDOS_ESPERA"))) {
        edSegundos->setText(QString::number(f->entero.toInt()));
    } else {
        insertar(kSqlInsertarEntero, QStringLiteral("SEGUNDOS_ESPERA"), QStringLiteral("10"));
        edSegundos->setText(QStringLiteral("10"));
        insertado = true;
    }
    cargarSwitch(cheImagenEmpresa, QStringLiteral("MOSTRAR_IMAGEN_EMPRESA"), insertado);
    cargarSwitch(cheDsctoCombo, QStringLiteral("DSCTOS_COMBO"), insertado);
    cargarSwitch(cheBuscador, QStringLiteral("MOSTRAR_BUSCADOR"), insertado);
    // Loading may leave the box as it was, which emits nothing.
    cheListPreciosClick();

    cargarFuentes();
    return insertado;
}

int TfrmConfiguracion::llenar(Lista& lista)
{
    QComboBox* c = lista.caja;
    c->clear();
    fb::Query& q = *lista.consulta;
    q.close();
    q.open();
    while (q.next())
        c->addItem(q.value(1).toString(), q.value(0).toInt());
    q.close();
    c->setCurrentIndex(-1);
    c->setEnabled(c->count() > 0);
    return c->count();
}

void TfrmConfiguracion::mostrarId(Lista& lista, const fb::Value& id)
{
    lista.cargado = id;
    lista.caja->setCurrentIndex(id.isNull() ? -1 : lista.caja->findData(id.toInt()));
}

void TfrmConfiguracion::cargarLista(Lista& lista, const QString& clave, int alInsertar, bool& insertado)
{
    if (const std::optional<Fila> f = leer(clave)) {
        mostrarId(lista, f->entero);
        return;
    }
    insertar(kSqlInsertarEntero, clave, QString::number(alInsertar));
    mostrarId(lista, fb::Value(alInsertar));
    insertado = true;
}

void TfrmConfiguracion::cargarSwitch(QCheckBox* caja, const QString& clave, bool& insertado)
{
    if (const std::optional<Fila> f = leer(clave)) {
        caja->setChecked(f->caracter.toString() == QLatin1String("S"));
        return;
    }
    insertar(kSqlInsertarSwitch, clave, QStringLiteral("'S'"));
    caja->setChecked(true);
    insertado = true;
}

void TfrmConfiguracion::cargarFuentes()
{
    auto cargar = [this](QLabel* vista, const QString& sufijo, int& tamano, bool saltarColorNulo) {
        if (const std::optional<Fila> f = leer(QStringLiteral("FONT_") + sufijo)) {
            tamano = f->entero.toInt();
            QFont fuente = vista->font();
            fuente.setFamily(f->texto.toString());
            vista->setFont(fuente);
        }
        if (const std::optional<Fila> f = leer(QStringLiteral("COLOR_") + sufijo)) {
            if (!(saltarColorNulo && f->texto.isNull()))
                colorTexto(vista, aQColor(TextoAColor(f->texto.toString())));
        }
        if (const std::optional<Fila> f = leer(QStringLiteral("ESTILO_") + sufijo)) {
            QFont fuente = vista->font();
            aplicarEstilo(fuente, TextoAEstilo(f->texto.toString()));
            vista->setFont(fuente);
        }
    };
    cargar(lblNombre, QStringLiteral("NOM_ART"), m_tamanoNombre, false);
    cargar(lblPrecio, QStringLiteral("PRE_ART"), m_tamanoPrecio, true);
}

std::optional<TfrmConfiguracion::Fila> TfrmConfiguracion::leer(const QString& clave)
{
    fb::Query& q = *fdConfig;
    q.close();
    q.setSql(kSqlLeer);
    q.setParam(QStringLiteral("c_config"), clave);
    q.open();
    std::optional<Fila> fila;
    if (q.next()) {
        fila = Fila{q.value(QStringLiteral("VALOR_INT")), q.value(QStringLiteral("VALOR_STR")),
                    q.value(QStringLiteral("VALOR_CHR"))};
    }
    q.close();
    return fila;
}

void TfrmConfiguracion::insertar(const QString& primeraLinea, const QString& clave, const QString& valor)
{
    // The key and the value are the dialog's own constants, never the operator's text.
    fb::Query& q = *fdConfig;
    q.close();
    q.setSql(primeraLinea + QStringLiteral("VALUES ('%1', %2);").arg(clave, valor));
    q.execute();
}

// ---- save ------------------------------------------------------------------------------------

fb::Value TfrmConfiguracion::idElegido(const Lista& lista) const
{
    if (lista.caja->currentIndex() >= 0)
        return fb::Value(lista.caja->currentData().toInt());
    return lista.cargado;
}

void TfrmConfiguracion::actualizarEntero(const QString& clave, const fb::Value& valor)
{
    fb::Query& q = *fdConfig;
    q.close();
    q.setSql(kSqlEntero);
    q.setParam(QStringLiteral("N_VALOR_INT"), valor);
    q.setParam(QStringLiteral("c_config"), clave);
    q.execute();
}

void TfrmConfiguracion::actualizarSwitch(const QString& clave, const QCheckBox* caja, const QString& sql)
{
    fb::Query& q = *fdConfig;
    q.close();
    q.setSql(sql);
    q.setParam(QStringLiteral("N_VALOR_CHR"), caja->isChecked() ? QStringLiteral("S") : QStringLiteral("N"));
    q.setParam(QStringLiteral("c_config"), clave);
    q.execute();
}

void TfrmConfiguracion::actualizarFuente(const QString& sufijo, const QLabel* vista, int tamano)
{
    fb::Query& q = *fdConfig;
    auto texto = [&q](const QString& sql, const QString& clave, const QString& valor) {
        q.close();
        q.setSql(sql);
        q.setParam(QStringLiteral("c_valor_str"), valor);
        q.setParam(QStringLiteral("c_config"), clave);
    };
    texto(kSqlFuente, QStringLiteral("FONT_") + sufijo, vista->font().family());
    q.setParam(QStringLiteral("N_VALOR_INT"), tamano);
    q.execute();
    texto(kSqlTexto, QStringLiteral("COLOR_") + sufijo,
          ColorATexto(deQColor(vista->palette().color(QPalette::WindowText))));
    q.execute();
    texto(kSqlTexto, QStringLiteral("ESTILO_") + sufijo, EstiloATexto(estiloDe(vista->font())));
    q.execute();
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
        if (cara.size() > kLargoFuente) {
            platform::showMessage(this, kFuenteLarga.arg(cara).arg(kLargoFuente), kTitulo, platform::Icon::Warning);
            return;
        }
    }

    // One transaction from the first row to the commit; after a lost connection the save runs
    // again whole, in a fresh transaction on the new attachment.
    m_dm.conReconexion([&] { guardarFilas(segundos); });
    accept();
}

void TfrmConfiguracion::guardarFilas(int segundos)
{
    crearObjetosBase();
    reiniciar(*fdTransConfig);
    try {
        if (m_clientes.caja->isEnabled())
            actualizarEntero(QStringLiteral("CLIENTE_EVENTUAL_ID"), idElegido(m_clientes));
        // An empty list has no choice to save: its row keeps what it holds.
        if (m_precios.caja->isEnabled())
            actualizarEntero(QStringLiteral("PRECIO_EMPRESA_ID"), idElegido(m_precios));
        if (m_politicas.caja->isEnabled())
            actualizarEntero(QStringLiteral("POLITICA_VOL_ID"), idElegido(m_politicas));
        if (m_almacenes.caja->isEnabled())
            actualizarEntero(QStringLiteral("ALMACEN_ID"), idElegido(m_almacenes));

        actualizarSwitch(QStringLiteral("MOSTRAR_EXISTENCIA"), cheExistencia, kSqlSwitch);
        actualizarSwitch(QStringLiteral("MOSTRAR_LST_PRECIOS"), cheListPrecios, kSqlSwitch);
        actualizarEntero(QStringLiteral("ORDEN_PRECIO"), cboOrdenPrecios->currentIndex());
        actualizarSwitch(QStringLiteral("MOSTRAR_POL_VOL"), chePolVolumen, kSqlSwitch);
        actualizarSwitch(QStringLiteral("MOSTRAR_CLAVE"), cheClaves, kSqlSwitch);
        actualizarEntero(QStringLiteral("SEGUNDOS_ESPERA"), segundos);
        actualizarSwitch(QStringLiteral("MOSTRAR_IMAGEN_EMPRESA"), cheImagenEmpresa, kSqlSwitch);
        actualizarSwitch(QStringLiteral("DSCTOS_COMBO"), cheDsctoCombo, kSqlSwitchCombo);
        actualizarSwitch(QStringLiteral("MOSTRAR_BUSCADOR"), cheBuscador, kSqlSwitch);

        actualizarFuente(QStringLiteral("NOM_ART"), lblNombre, m_tamanoNombre);
        actualizarFuente(QStringLiteral("PRE_ART"), lblPrecio, m_tamanoPrecio);

        if (fdTrans->isActive())
            fdTrans->commit();
        fdTransConfig->commit();
    } catch (...) {
        // Half the settings must never reach the table: the next save or load would commit them.
        try {
            if (fdTransConfig->isActive())
                fdTransConfig->rollback();
            fdTransConfig->start();
        } catch (...) {
            // The original failure is the one the operator needs to see.
        }
        throw;
    }
}

// ---- font, seconds, order ---------------------------------------------------------------------

void TfrmConfiguracion::elegirFuente(QLabel* vista, int& tamano)
{
    if (!dFont->elegir())
        return;
    const QFont& elegida = dFont->fuente();
    QFont fuente = vista->font(); // the preview keeps its own small size
    fuente.setFamily(elegida.family());
    aplicarEstilo(fuente, estiloDe(elegida));
    vista->setFont(fuente);
    colorTexto(vista, aQColor(dFont->color()));
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
        if (fdTrans && fdTrans->isActive())
            fdTrans->commit();
        if (fdTransConfig && fdTransConfig->isActive())
            fdTransConfig->commit();
    });
    if (m_alCerrar)
        platform::guarded(parentWidget(), [this] { m_alCerrar(); });
}
