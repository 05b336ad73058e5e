// Saves pictures of the station's real windows on the demo data: the price display with an
// article, the catalogue search with results, the configuration dialog, the idle showcase and the
// four reports over a scan log written here. Run offscreen by scripts/screenshots.sh, which
// prepares the demo data first.

#include "app/Escaparate.h"
#include "app/Lumivo.h"
#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Shutdown.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "reports/IndicesReportes.h"
#include "reports/uReportes.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <random>

// The scan log's script, a resource of the data library; outside any namespace, as
// Q_INIT_RESOURCE wants.
static QString scriptRegistro()
{
    Q_INIT_RESOURCE(instalacion);
    QFile archivo(QStringLiteral(":/sql/Registro.sql"));
    if (!archivo.open(QIODevice::ReadOnly))
        throw std::runtime_error("sin el script del registro de consultas");
    return QString::fromUtf8(archivo.readAll());
}

// The program without its automatic start: this tool logs in and loads the company itself.
struct ArranqueCapturas {
    static Lumivo::SinArranque llave() { return {}; }
};

namespace {

// Nobody is there to close a message box: messages go to the terminal.
class AvisosEnConsola final : public platform::Notifier {
public:
    void message(QWidget*, const QString& text, const QString&, platform::Icon) override
    {
        std::fprintf(stderr, "aviso: %s\n", qPrintable(text));
    }
    void beep() override {}
};

// Lets layout and painting settle before a picture is taken.
void asentar()
{
    QEventLoop bucle;
    QTimer::singleShot(200, &bucle, &QEventLoop::quit);
    bucle.exec();
}

// Keys go through the same events a scanner's would.
void teclear(QWidget* destino, int tecla, const QString& texto)
{
    QKeyEvent baja(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
    QCoreApplication::sendEvent(destino, &baja);
    QKeyEvent sube(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
    QCoreApplication::sendEvent(destino, &sube);
}

bool guardar(QWidget& ventana, const QString& carpeta, const QString& nombre)
{
    asentar();
    const QString ruta = QDir(carpeta).filePath(nombre);
    if (!ventana.grab().save(ruta)) {
        std::fprintf(stderr, "lumivo-capturas: no se pudo guardar %s\n", qPrintable(ruta));
        return false;
    }
    std::printf("%s\n", qPrintable(ruta));
    return true;
}

// A month of a small shop's scan log on the demo company, the same every time but for its dates:
// four stations, most lookups in business hours and today, a few keys not found or misread (one
// holding a comma), and the stations' health rows, one of them silent for a quarter of an hour.
void escribirRegistro(Tdm& dm)
{
    fb::Transaction t(dm.fdConexion);
    t.start();
    {
        fb::Query hay(t);
        hay.setSql(
            QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'ZANTOR_LMV_CONSULTAS'"));
        hay.execute();
        if (hay.value(0).toInt() == 0) {
            for (const QString& script : {scriptRegistro(), scriptIndicesReportes()}) {
                for (const fb::ScriptFailure& f : fb::runScript(t, script, fb::ScriptDdl::CommitEach))
                    throw std::runtime_error(("el registro de consultas: " + f.message).toStdString());
            }
        }
    }
    std::vector<int> articulos;
    {
        fb::Query q(t);
        q.setSql(QStringLiteral("select first 60 ARTICULO_ID from ARTICULOS order by ARTICULO_ID"));
        q.open();
        while (q.next())
            articulos.push_back(q.value(0).toInt());
    }
    if (articulos.empty())
        throw std::runtime_error("la empresa de demostración no tiene artículos");
    const QStringList estaciones{QStringLiteral("Caja 1"), QStringLiteral("Caja 2"), QStringLiteral("Pasillo 3"),
                                 QStringLiteral("Entrada")};
    const QStringList desconocidas{QStringLiteral("7501234567895"), QStringLiteral("cafe"),
                                   QStringLiteral("7509999999999"), QStringLiteral("refresco"),
                                   QStringLiteral("PROMO,2X1"),     QStringLiteral("0000000000000")};
    std::mt19937 azar(20261211u);
    auto uno = [&](int n) { return int(azar() % unsigned(n)); };
    fb::Query q(t);
    q.setSql(QStringLiteral("insert into ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO, ARTICULO_ID)"
                            " values (:f, :e, :c, :r, :a)"));
    const QDate hoy = QDate::currentDate();
    for (int i = 0; i < 900; ++i) {
        const int dias = i < 250 ? 0 : uno(30);
        // Business hours, busiest around midday and early evening.
        static const int horas[] = {8, 9, 10, 11, 12, 12, 13, 13, 13, 14, 15, 16, 17, 18, 18, 19, 19, 20};
        QDateTime cuando(hoy.addDays(-dias), QTime(horas[uno(int(std::size(horas)))], uno(60), uno(60)));
        // Nothing logged later than now: a lookup of today's still to come is yesterday's.
        if (cuando > QDateTime::currentDateTime())
            cuando = cuando.addDays(-1);
        q.setParam(QStringLiteral("f"), cuando);
        q.setParam(QStringLiteral("e"), estaciones[uno(int(estaciones.size()))]);
        const int tipo = uno(100);
        if (tipo < 8) {
            q.setParam(QStringLiteral("c"),
                       desconocidas[std::min(uno(int(desconocidas.size())), uno(int(desconocidas.size())))]);
            q.setParam(QStringLiteral("r"), QStringLiteral("N"));
            q.setParam(QStringLiteral("a"), fb::Value());
        } else if (tipo < 10) {
            q.setParam(QStringLiteral("c"), QStringLiteral("75010553000751%1").arg(uno(90) + 10));
            q.setParam(QStringLiteral("r"), QStringLiteral("M"));
            q.setParam(QStringLiteral("a"), fb::Value());
        } else {
            // A few articles sell far more than the rest.
            const int n =
                std::min({uno(int(articulos.size())), uno(int(articulos.size())), uno(int(articulos.size()))});
            q.setParam(QStringLiteral("c"), QStringLiteral("ART-%1").arg(articulos[std::size_t(n)]));
            q.setParam(QStringLiteral("r"), tipo < 90 ? QStringLiteral("E") : QStringLiteral("Q"));
            q.setParam(QStringLiteral("a"), articulos[std::size_t(n)]);
        }
        q.execute();
    }
    fb::Query e(t);
    e.setSql(QStringLiteral(
        "update or insert into ZANTOR_LMV_ESTACIONES (ESTACION, HOST, VERSION_PROGRAMA, EMPRESA, INICIO, LATIDO,"
        " ULTIMA_CONSULTA, ULTIMO_ERROR, KIOSCO, INDICE_LISTO)"
        " values (:e, :h, '" LUMIVO_VERSION "', 'DEMO', dateadd(-8 hour to current_timestamp),"
        " dateadd(-cast(:s as integer) second to current_timestamp),"
        " dateadd(-cast(:s as integer) - 40 second to current_timestamp), :x, 'S', 'S') matching (ESTACION)"));
    const struct {
        const char* estacion;
        const char* equipo;
        int segundos;
        const char* error;
    } salud[] = {{"Caja 1", "checador-caja1", 4, nullptr},
                 {"Caja 2", "checador-caja2", 12, nullptr},
                 {"Pasillo 3", "checador-pasillo3", 900, "Sin respuesta del servidor, intente en unos momentos"},
                 {"Entrada", "checador-entrada", 30, "Código no válido, escanee de nuevo"}};
    for (const auto& s : salud) {
        e.setParam(QStringLiteral("e"), QString::fromUtf8(s.estacion));
        e.setParam(QStringLiteral("h"), QString::fromUtf8(s.equipo));
        e.setParam(QStringLiteral("s"), s.segundos);
        e.setParam(QStringLiteral("x"), s.error ? fb::Value(QString::fromUtf8(s.error)) : fb::Value());
        e.execute();
    }
    t.commit();
}

// Each report's tab once its first screen is in.
bool capturarReportes(Tdm& dm, QWidget* padre, const QString& carpeta)
{
    escribirRegistro(dm);
    TfrmReportes reportes(dm, padre);
    reportes.resize(900, 560);
    reportes.show();
    auto* aviso = reportes.findChild<QLabel*>(QStringLiteral("lblAviso"));
    auto* pestanas = reportes.findChild<QTabWidget*>(QStringLiteral("pcReportes"));
    auto* periodo = reportes.findChild<QComboBox*>(QStringLiteral("cbPeriodo"));
    auto* series = reportes.findChild<QComboBox*>(QStringLiteral("cbSeries"));
    const auto leido = [&] {
        for (int i = 0; i < 100 && aviso->isVisible() && aviso->text().startsWith(QStringLiteral("Leyendo")); ++i)
            asentar();
    };
    leido();
    periodo->setCurrentIndex(2);
    series->setCurrentIndex(1);
    const char* nombres[] = {"reportes-no-encontrados.png", "reportes-mas-consultados.png", "reportes-por-hora.png",
                             "reportes-estaciones.png"};
    bool bien = true;
    for (int i = 0; i < TfrmReportes::NumPestanas; ++i) {
        pestanas->setCurrentIndex(i);
        leido();
        bien = guardar(reportes, carpeta, QString::fromLatin1(nombres[i])) && bien;
    }
    return bien;
}

int ejecutar(int argc, char* argv[])
{
    // The offscreen plugin's own screen is narrower than the price display, which keeps to its
    // screen's area: the pictures are taken on a station-sized screen.
    QTemporaryFile pantalla(QDir::tempPath() + QStringLiteral("/lumivo-capturas-XXXXXX.json"));
    const QByteArray plataforma = qgetenv("QT_QPA_PLATFORM");
    if (plataforma.isEmpty() || plataforma == "offscreen") {
        QByteArray valor("offscreen");
        if (pantalla.open()) {
            pantalla.write(R"({"screens": [{"name": "Estacion", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
                           R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            pantalla.flush();
            valor += ":configfile=" + QFile::encodeName(pantalla.fileName());
        }
        qputenv("QT_QPA_PLATFORM", valor);
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivo-capturas"));
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    platform::installQtTranslations();
    platform::registerFonts();
    if (!platform::applyStyle(app, QStringLiteral("Zantor 2022")))
        std::fprintf(stderr, "lumivo-capturas: sin la hoja de estilo de la estación\n");

    QCommandLineParser opciones;
    opciones.setApplicationDescription(
        QStringLiteral("Guarda imágenes de las ventanas de Lumivo sobre los datos de demostración."));
    opciones.addHelpOption();
    const QCommandLineOption datos(
        QStringLiteral("datos"),
        QStringLiteral("Carpeta de datos de demostración (una copia: el escaparate se enciende en ella)."),
        QStringLiteral("carpeta"));
    const QCommandLineOption salida(QStringLiteral("salida"), QStringLiteral("Carpeta de las imágenes."),
                                    QStringLiteral("carpeta"));
    const QCommandLineOption clave(QStringLiteral("clave"), QStringLiteral("Clave del artículo a mostrar."),
                                   QStringLiteral("clave"), QStringLiteral("7501055300075"));
    const QCommandLineOption nombre(QStringLiteral("nombre"), QStringLiteral("Texto de la búsqueda en el catálogo."),
                                    QStringLiteral("texto"), QStringLiteral("cafe"));
    opciones.addOptions({datos, salida, clave, nombre});
    opciones.process(app);
    if (!opciones.isSet(datos) || !opciones.isSet(salida)) {
        std::fprintf(stderr, "Faltan --datos <carpeta> y --salida <carpeta>.\n");
        return 2;
    }
    const QString carpetaSalida = opciones.value(salida);
    if (!QDir().mkpath(carpetaSalida)) {
        std::fprintf(stderr, "lumivo-capturas: no se pudo crear %s\n", qPrintable(carpetaSalida));
        return 1;
    }

    AvisosEnConsola avisos;
    platform::setNotifier(&avisos);
    // config.xml, the station's local settings, is written to the working directory: a scratch
    // folder keeps the demo station's own settings untouched.
    QTemporaryDir estacion;
    if (!estacion.isValid() || !QDir::setCurrent(estacion.path())) {
        std::fprintf(stderr, "lumivo-capturas: sin carpeta temporal\n");
        return 1;
    }

    bool bien = true;
    try {
        auto lumivo = std::make_unique<Lumivo>(ArranqueCapturas::llave());
        DatosConexion& d = lumivo->sesion.datos;
        d.TipoAcceso = QStringLiteral("1");
        d.CarpetaDatos = QDir(opciones.value(datos)).absolutePath() + QLatin1Char('/');
        d.Empresa = QStringLiteral("DEMO");
        d.Usuario = QStringLiteral("SYSDBA");
        d.Contrasena = QStringLiteral("demo");
        TfrmConsulta& consulta = lumivo->frmConsulta;
        consulta.Conexion();
        consulta.CargarInfo();
        consulta.show();
        asentar();
        if (auto* diseno = consulta.findChild<QAction*>(QStringLiteral("Disear1")))
            diseno->setChecked(false);
        consulta.Limpiar();

        // The article, keyed in as a scanner would.
        auto* edClave = consulta.findChild<QLineEdit*>(QStringLiteral("edClave"));
        if (!edClave)
            throw std::runtime_error("no hay caja de clave");
        edClave->setFocus();
        for (const QChar c : opciones.value(clave))
            teclear(edClave, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_unknown, QString(c));
        teclear(edClave, Qt::Key_Return, QStringLiteral("\r"));
        bien = guardar(consulta, carpetaSalida, QStringLiteral("consulta.png")) && bien;

        // The catalogue search shows modally: the picture is taken from inside its loop.
        consulta.Limpiar();
        TfrmBuscarEnCatalogo& buscador = lumivo->frmBuscarEnCatalogo;
        QTimer::singleShot(200, &buscador, [&] {
            bien = guardar(buscador, carpetaSalida, QStringLiteral("catalogo.png")) && bien;
            buscador.done(QDialog::Rejected);
        });
        buscador.buscarNombreModal(opciones.value(nombre));

        TfrmConfiguracion& configuracion = lumivo->frmConfiguracion;
        configuracion.show();
        bien = guardar(configuracion, carpetaSalida, QStringLiteral("configuracion.png")) && bien;
        configuracion.hide();

        // The idle showcase, turned on in the company's settings as the configuration dialog
        // would, with the company's own price list as the offer list.
        lumivo->dm.asegurarTransaccion();
        {
            fb::Query q(lumivo->dm.fdTrans);
            ConfigEmpresa(q).escribirEscaparate({true, 1, 6, consulta.ajustes().PrecioEmpresaId});
        }
        lumivo->dm.confirmarTransaccion();
        consulta.CargarInfo();
        consulta.CargarLogEmp();
        consulta.Limpiar();
        for (int i = 0; i < 20 && !consulta.escaparate().mostrando(); ++i)
            asentar();
        if (!consulta.escaparate().mostrando())
            throw std::runtime_error("el escaparate no apareció");
        bien = guardar(consulta, carpetaSalida, QStringLiteral("escaparate.png")) && bien;

        bien = capturarReportes(lumivo->dm, &consulta, carpetaSalida) && bien;
    } catch (const std::exception& e) {
        platform::setNotifier(nullptr);
        std::fprintf(stderr, "lumivo-capturas: %s\n", e.what());
        return 1;
    }
    platform::setNotifier(nullptr);
    return bien ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const int codigo = ejecutar(argc, argv);
    // Everything of ours is closed; the client library's threads end before the static finalizers.
    if (!fb::shutdownClient(std::chrono::seconds(1)))
        std::_Exit(codigo);
    return codigo;
}
