#include "uReportes.h"

#include "ModeloTabla.h"
#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/ServicioConsulta.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorReport.h"
#include "platform/Registro.h"
#include "reports/Csv.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {

// A report reads the whole period; it has longer than a scan's lookup.
constexpr int kPlazoMs = 15000;

const QString kLeyendo = QStringLiteral("Leyendo el reporte…");
const QString kSinRespuesta = QStringLiteral("Sin respuesta del servidor, intente en unos momentos");
const QString kSinServidor =
    QStringLiteral("Se perdió la conexión con el servidor de la base de datos. Intente de nuevo en unos momentos.");
const QString kFallo =
    QStringLiteral("No se pudo leer el reporte. El detalle aparece al dejar el puntero sobre este aviso.");
const QString kSinPermiso =
    QStringLiteral("El usuario no tiene permiso de leer el registro de consultas. Un usuario SYSDBA puede darlo al "
                   "actualizar los objetos de Lumivo en la empresa.");
// Firebird's isc_no_priv: no permission for an operation on a table.
constexpr long kSinPrivilegio = 335544352;
const QString kSinTablas =
    QStringLiteral("La base de datos de la empresa no tiene el registro de consultas de las estaciones (falta %1). "
                   "Se agrega al actualizar los objetos de Lumivo en la empresa con el usuario SYSDBA.");
const QString kSinEmpresa = QStringLiteral("No hay una empresa abierta.");
const QString kVacio = QStringLiteral("No hay consultas registradas en el periodo elegido.");
const QString kSinEstaciones = QStringLiteral("Ninguna estación se ha registrado todavía.");

const char* const kNombresArchivo[] = {"codigos-no-encontrados", "mas-consultados", "consultas-por-hora", "estaciones"};

bool sinPermiso(const std::exception_ptr& fallo)
{
    try {
        std::rethrow_exception(fallo);
    } catch (const fb::Error& e) {
        return e.gdsCode() == kSinPrivilegio;
    } catch (...) {
        return false;
    }
}

int pausaReconexion(int intento)
{
    return std::min(30000, 1000 << std::clamp(intento - 1, 0, 5));
}

// `estirada` is the column that takes the width left (its text elided, whole in the tool tip).
QTableView* nuevaRejilla(const char* nombre, ModeloTabla* modelo, int estirada, QWidget* padre)
{
    auto* t = new QTableView(padre);
    t->setObjectName(QString::fromLatin1(nombre));
    t->setModel(modelo);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    t->setWordWrap(false);
    t->setProperty("estirada", estirada);
    // The columns exist before the first report, so the long one stretches from the first screen on.
    for (int c = 0; c < modelo->columnCount(); ++c)
        t->horizontalHeader()->setSectionResizeMode(c, c == estirada ? QHeaderView::Stretch : QHeaderView::Interactive);
    return t;
}

// The hours as a list: one column per station and their total, or the total alone.
reportes::Tabla tablaPorHora(const reportes::PorHora& datos, bool porEstacion)
{
    reportes::Tabla t;
    t.titulos.append(QStringLiteral("Hora"));
    if (porEstacion) {
        for (const auto& [estacion, horas] : datos.estaciones)
            t.titulos.append(estacion);
    }
    t.titulos.append(QStringLiteral("Consultas"));
    const auto total = datos.total();
    for (std::size_t h = 0; h < 24; ++h) {
        std::vector<reportes::Celda> fila{QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0'))};
        if (porEstacion) {
            for (const auto& [estacion, horas] : datos.estaciones)
                fila.emplace_back(horas[h]);
        }
        fila.emplace_back(total[h]);
        t.filas.push_back(std::move(fila));
    }
    return t;
}

} // namespace

// What one report read on the service's thread; read here only once `fin` says it is done.
struct TfrmReportes::Leido {
    QStringList faltan;
    reportes::Tabla tabla;
    std::vector<bool> marcas;
    reportes::PorHora porHora;
};

TfrmReportes::TfrmReportes(Tdm& dm, QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , m_plazoMs(kPlazoMs)
{
    setObjectName(QStringLiteral("frmReportes"));
    setWindowTitle(QStringLiteral("Reportes"));
    crearControles();
    resize(900, 560);
}

TfrmReportes::~TfrmReportes() = default;

void TfrmReportes::crearControles()
{
    for (auto& m : m_modelos)
        m = new ModeloTabla(this);
    m_modelos[NoEncontrados]->cargar({reportes::titulosNoEncontrados(), {}});
    m_modelos[MasConsultados]->cargar({reportes::titulosMasConsultados(), {}});
    m_modelos[Estaciones]->cargar({reportes::titulosEstaciones(), {}});

    auto* periodo = new QLabel(QStringLiteral("Periodo:"), this);
    cbPeriodo = new QComboBox(this);
    cbPeriodo->setObjectName(QStringLiteral("cbPeriodo"));
    cbPeriodo->addItems({QStringLiteral("Hoy"), QStringLiteral("Últimos 7 días"), QStringLiteral("Últimos 30 días"),
                         QStringLiteral("Entre fechas")});
    auto fecha = [this](const char* nombre) {
        auto* d = new QDateEdit(QDate::currentDate(), this);
        d->setObjectName(QString::fromLatin1(nombre));
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setEnabled(false);
        return d;
    };
    deDesde = fecha("deDesde");
    deHasta = fecha("deHasta");
    auto* y = new QLabel(QStringLiteral("al"), this);
    pbsActualizar = new QPushButton(QStringLiteral("Actualizar"), this);
    pbsActualizar->setObjectName(QStringLiteral("pbsActualizar"));

    auto* arriba = new QHBoxLayout;
    arriba->addWidget(periodo);
    arriba->addWidget(cbPeriodo);
    arriba->addSpacing(12);
    arriba->addWidget(deDesde);
    arriba->addWidget(y);
    arriba->addWidget(deHasta);
    arriba->addStretch(1);
    arriba->addWidget(pbsActualizar);

    lblAviso = new QLabel(this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setWordWrap(true);
    lblAviso->setStyleSheet(QStringLiteral("QLabel { color: rgb(160, 40, 0); }"));
    lblAviso->hide();

    pcReportes = new QTabWidget(this);
    pcReportes->setObjectName(QStringLiteral("pcReportes"));
    tvNoEncontrados = nuevaRejilla("tvNoEncontrados", m_modelos[NoEncontrados], 4, pcReportes);
    tvMasConsultados = nuevaRejilla("tvMasConsultados", m_modelos[MasConsultados], 1, pcReportes);
    tvEstaciones = nuevaRejilla("tvEstaciones", m_modelos[Estaciones], 6, pcReportes);
    pcReportes->addTab(tvNoEncontrados, QStringLiteral("Códigos no encontrados"));
    pcReportes->addTab(tvMasConsultados, QStringLiteral("Más consultados"));

    auto* hora = new QWidget(pcReportes);
    cbSeries = new QComboBox(hora);
    cbSeries->setObjectName(QStringLiteral("cbSeries"));
    cbSeries->addItems({QStringLiteral("Todas las estaciones juntas"), QStringLiteral("Una serie por estación")});
    gvPorHora = new QChartView(hora);
    gvPorHora->setObjectName(QStringLiteral("gvPorHora"));
    gvPorHora->setRenderHint(QPainter::Antialiasing);
    auto* capaHora = new QVBoxLayout(hora);
    auto* series = new QHBoxLayout;
    series->addWidget(new QLabel(QStringLiteral("Mostrar:"), hora));
    series->addWidget(cbSeries);
    series->addStretch(1);
    capaHora->addLayout(series);
    capaHora->addWidget(gvPorHora, 1);
    pcReportes->addTab(hora, QStringLiteral("Consultas por hora"));
    pcReportes->addTab(tvEstaciones, QStringLiteral("Estaciones"));

    pbsCopiar = new QPushButton(QStringLiteral("Copiar"), this);
    pbsCopiar->setObjectName(QStringLiteral("pbsCopiar"));
    pbsExportar = new QPushButton(QStringLiteral("Exportar CSV…"), this);
    pbsExportar->setObjectName(QStringLiteral("pbsExportar"));
    pbsCerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    pbsCerrar->setObjectName(QStringLiteral("pbsCerrar"));
    auto* abajo = new QHBoxLayout;
    abajo->addWidget(pbsCopiar);
    abajo->addWidget(pbsExportar);
    abajo->addStretch(1);
    abajo->addWidget(pbsCerrar);

    auto* capa = new QVBoxLayout(this);
    capa->addLayout(arriba);
    capa->addWidget(lblAviso);
    capa->addWidget(pcReportes, 1);
    capa->addLayout(abajo);

    platform::connectGuarded(cbPeriodo, &QComboBox::currentIndexChanged, this, &TfrmReportes::cbPeriodoChange);
    auto fechaCambiada = [this] {
        if (cbPeriodo->currentIndex() == int(reportes::OpcionPeriodo::Rango))
            platform::guarded(this, [this] { actualizar(); });
    };
    connect(deDesde, &QDateEdit::dateChanged, this, fechaCambiada);
    connect(deHasta, &QDateEdit::dateChanged, this, fechaCambiada);
    platform::connectGuarded(pbsActualizar, &QPushButton::clicked, this, &TfrmReportes::actualizar);
    connect(pcReportes, &QTabWidget::currentChanged, this, [this](int pestana) {
        platform::guarded(this, [&] {
            if (!m_leida[std::size_t(pestana)])
                pedir(pestana);
        });
    });
    connect(cbSeries, &QComboBox::currentIndexChanged, this,
            [this] { platform::guarded(this, [this] { dibujarGrafica(); }); });
    platform::connectGuarded(pbsCopiar, &QPushButton::clicked, this, &TfrmReportes::pbsCopiarClick);
    platform::connectGuarded(pbsExportar, &QPushButton::clicked, this, &TfrmReportes::pbsExportarClick);
    connect(pbsCerrar, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmReportes::setPlazo(int milisegundos)
{
    m_plazoMs = milisegundos;
    if (m_servicio)
        m_servicio->setPlazo(milisegundos);
}

void TfrmReportes::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Each opening reads the shown tab afresh: the log has grown meanwhile.
    platform::guarded(this, [this] { actualizar(); });
}

reportes::Periodo TfrmReportes::periodoElegido() const
{
    return reportes::periodo(reportes::OpcionPeriodo(cbPeriodo->currentIndex()), QDate::currentDate(), deDesde->date(),
                             deHasta->date());
}

void TfrmReportes::cbPeriodoChange()
{
    const bool rango = cbPeriodo->currentIndex() == int(reportes::OpcionPeriodo::Rango);
    deDesde->setEnabled(rango);
    deHasta->setEnabled(rango);
    actualizar();
}

void TfrmReportes::actualizar()
{
    m_leida.fill(false);
    pedir(pcReportes->currentIndex());
}

ServicioConsulta& TfrmReportes::servicio()
{
    if (!m_servicio) {
        m_servicio = new ServicioConsulta(m_dm, pausaReconexion, this);
        m_servicio->setPlazo(m_plazoMs);
        connect(m_servicio, &ServicioConsulta::conexionServidor, this, [this](int intento, const QString& detalle) {
            // Only while the window already says the server is away; 0: it answers again.
            if (lblAviso->isHidden() || lblAviso->text() == kLeyendo)
                return;
            if (intento == 0)
                lblAviso->hide();
            else
                mostrarAviso(QStringLiteral("Conectando con el servidor… (intento %1)").arg(intento), detalle);
        });
    }
    const QStringList parametros = m_dm.fdConexion.params();
    if (!m_servicio->abierto() || m_servicio->parametros() != parametros)
        m_servicio->abrir();
    return *m_servicio;
}

void TfrmReportes::pedir(int pestana)
{
    const std::uint64_t peticion = ++m_peticion;
    if (!m_dm.empresaConectada()) {
        mostrarAviso(kSinEmpresa);
        return;
    }
    const reportes::Periodo periodo = periodoElegido();
    auto leido = std::make_shared<Leido>();
    mostrarAviso(kLeyendo);
    pbsActualizar->setEnabled(false);
    servicio().ejecutar(
        [pestana, periodo, leido](Tdm& dm, const ServicioConsulta::Latido&) {
            fb::Transaction t(dm.fdConexion, fb::Isolation::ReadCommitted, fb::Access::ReadOnly);
            t.start();
            Leido r;
            r.faltan = reportes::tablasFaltantes(t);
            if (r.faltan.isEmpty()) {
                switch (pestana) {
                case NoEncontrados:
                    r.tabla = reportes::noEncontrados(t, periodo);
                    break;
                case MasConsultados: {
                    AjustesConsulta ajustes;
                    fb::Query q(t);
                    ConfigEmpresa(q).leerAjustes(ajustes);
                    r.tabla = reportes::masConsultados(t, periodo, ajustes.ClienteEventualId, ajustes.PrecioEmpresaId);
                    break;
                }
                case PorHora:
                    r.porHora = reportes::porHora(t, periodo);
                    break;
                case Estaciones: {
                    reportes::Estaciones e = reportes::estaciones(t);
                    r.tabla = std::move(e.tabla);
                    r.marcas = std::move(e.vivas);
                    break;
                }
                default:
                    break;
                }
            }
            t.commit();
            *leido = std::move(r);
        },
        [this, peticion, pestana, leido](std::exception_ptr fallo) {
            if (peticion != m_peticion)
                return;
            pbsActualizar->setEnabled(true);
            platform::guarded(this, [&] {
                if (fallo)
                    mostrarFallo(fallo);
                else
                    mostrar(pestana, *leido);
            });
        });
}

void TfrmReportes::mostrar(int pestana, const Leido& leido)
{
    if (!leido.faltan.isEmpty()) {
        for (ModeloTabla* m : m_modelos)
            m->cargar({m->tabla().titulos, {}});
        m_porHora = {};
        dibujarGrafica();
        mostrarAviso(kSinTablas.arg(leido.faltan.join(QStringLiteral(", "))));
        return;
    }
    m_leida[std::size_t(pestana)] = true;
    bool vacio = false;
    if (pestana == PorHora) {
        m_porHora = leido.porHora;
        dibujarGrafica();
        vacio = m_porHora.estaciones.empty();
    } else {
        m_modelos[std::size_t(pestana)]->cargar(leido.tabla, leido.marcas);
        vacio = leido.tabla.filas.empty();
        QTableView* vistas[] = {tvNoEncontrados, tvMasConsultados, nullptr, tvEstaciones};
        if (QTableView* v = vistas[pestana]) {
            // Every column as wide as its texts (up to a limit), but the long one, which takes what is
            // left of the window, so no column hides beyond the right edge.
            QHeaderView* titulos = v->horizontalHeader();
            const int estirada = v->property("estirada").toInt();
            for (int c = 0; c < titulos->count(); ++c) {
                if (c == estirada)
                    continue;
                titulos->setSectionResizeMode(c, QHeaderView::Interactive);
                v->resizeColumnToContents(c);
                v->setColumnWidth(c, std::min(v->columnWidth(c), 320));
            }
            if (estirada < titulos->count())
                titulos->setSectionResizeMode(estirada, QHeaderView::Stretch);
        }
    }
    if (vacio)
        mostrarAviso(pestana == Estaciones ? kSinEstaciones : kVacio);
    else
        lblAviso->hide();
}

void TfrmReportes::mostrarFallo(std::exception_ptr fallo)
{
    const QString detalle = platform::describe(fallo);
    platform::logLine(QStringLiteral("Reportes: %1").arg(detalle));
    if (esSinRespuesta(fallo))
        mostrarAviso(kSinRespuesta, detalle);
    else if (conexionPerdida(fallo))
        mostrarAviso(kSinServidor, detalle);
    else
        mostrarAviso(sinPermiso(fallo) ? kSinPermiso : kFallo, detalle);
}

void TfrmReportes::mostrarAviso(const QString& texto, const QString& detalle)
{
    lblAviso->setText(texto);
    lblAviso->setToolTip(detalle);
    lblAviso->show();
}

void TfrmReportes::dibujarGrafica()
{
    const bool porEstacion = cbSeries->currentIndex() == 1;
    m_modelos[PorHora]->cargar(tablaPorHora(m_porHora, porEstacion));

    auto* grafica = new QChart;
    grafica->setTitle(QStringLiteral("Consultas por hora del día"));
    grafica->setAnimationOptions(QChart::NoAnimation);
    QAbstractBarSeries* serie = nullptr;
    auto agregar = [](QAbstractBarSeries* s, const QString& nombre, const std::array<std::int64_t, 24>& horas) {
        auto* conjunto = new QBarSet(nombre);
        for (const std::int64_t n : horas)
            conjunto->append(double(n));
        s->append(conjunto);
    };
    if (porEstacion) {
        serie = new QStackedBarSeries;
        for (const auto& [estacion, horas] : m_porHora.estaciones)
            agregar(serie, estacion, horas);
    } else {
        serie = new QBarSeries;
        agregar(serie, QStringLiteral("Todas las estaciones"), m_porHora.total());
    }
    grafica->addSeries(serie);
    auto* horas = new QBarCategoryAxis;
    for (int h = 0; h < 24; ++h)
        horas->append(QString::number(h));
    horas->setTitleText(QStringLiteral("Hora"));
    grafica->addAxis(horas, Qt::AlignBottom);
    serie->attachAxis(horas);
    std::int64_t maximo = 0;
    for (std::size_t h = 0; h < 24; ++h)
        maximo = std::max(maximo, m_porHora.total()[h]);
    auto* cuenta = new QValueAxis;
    cuenta->setLabelFormat(QStringLiteral("%d"));
    cuenta->setRange(0, double(std::max<std::int64_t>(maximo, 1)));
    cuenta->applyNiceNumbers();
    cuenta->setTitleText(QStringLiteral("Consultas"));
    grafica->addAxis(cuenta, Qt::AlignLeft);
    serie->attachAxis(cuenta);
    grafica->legend()->setVisible(porEstacion);
    grafica->legend()->setAlignment(Qt::AlignBottom);
    QChart* anterior = gvPorHora->chart();
    gvPorHora->setChart(grafica);
    delete anterior;
}

reportes::Tabla TfrmReportes::tablaActual() const
{
    return m_modelos[std::size_t(pcReportes->currentIndex())]->tabla();
}

void TfrmReportes::pbsCopiarClick()
{
    QApplication::clipboard()->setText(reportes::textoPortapapeles(tablaActual()));
}

bool TfrmReportes::exportarA(const QString& ruta)
{
    const QString fallo = platform::replaceFile(ruta, reportes::csv(tablaActual()), platform::Durability::Synced);
    if (!fallo.isEmpty()) {
        mostrarAviso(QStringLiteral("No se pudo guardar el archivo %1.").arg(ruta), fallo);
        return false;
    }
    return true;
}

void TfrmReportes::pbsExportarClick()
{
    // In the user's documents, not in the station's working folder where it would be lost.
    const QString sugerido = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                 .filePath(QStringLiteral("%1-%2.csv")
                                               .arg(QString::fromLatin1(kNombresArchivo[pcReportes->currentIndex()]),
                                                    QDate::currentDate().toString(Qt::ISODate)));
    // Qt's own dialog: a kiosk has no desktop to lend its own, and it reads Spanish with the station.
    QFileDialog dialogo(this, QStringLiteral("Exportar a CSV"), QString(), QStringLiteral("Archivos CSV (*.csv)"));
    dialogo.setObjectName(QStringLiteral("dlgExportar"));
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setDefaultSuffix(QStringLiteral("csv"));
    dialogo.selectFile(sugerido);
    if (dialogo.exec() == QDialog::Accepted && !dialogo.selectedFiles().isEmpty())
        exportarA(dialogo.selectedFiles().constFirst());
}
