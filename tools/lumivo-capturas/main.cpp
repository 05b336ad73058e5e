// Saves pictures of the station's real windows on the demo data: the price display with an
// article, the catalogue search with results, the configuration dialog and the idle showcase. Run offscreen by
// scripts/screenshots.sh, which prepares the demo data first.

#include "app/Escaparate.h"
#include "app/Lumivo.h"
#include "data/ConfigEmpresa.h"
#include "firebird/Query.h"
#include "firebird/Shutdown.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

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
