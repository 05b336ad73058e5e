#include "DatosDemo.h"
#include "connections/CatalogoConexiones.h"
#include "firebird/Shutdown.h"
#include "platform/MessageBox.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

// A command-line tool has no windows: messages go to the terminal.
class AvisosEnConsola final : public platform::Notifier {
public:
    void message(QWidget*, const QString& text, const QString&, platform::Icon) override
    {
        std::fprintf(stderr, "aviso: %s\n", qPrintable(text));
    }
    void beep() override {}
};

void decir(const QString& texto)
{
    std::printf("%s\n", qPrintable(texto));
    std::fflush(stdout);
}

int ejecutar(int argc, char* argv[])
{
    // The company picture is drawn with fonts, which need a GUI application but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivo-demo"));

    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral(
        "Prepara los datos de demostración de Lumivo: bases de datos, conexión y carpeta de la estación."));
    opciones.addHelpOption();
    const QCommandLineOption datos(QStringLiteral("datos"), QStringLiteral("Carpeta de datos a crear o reutilizar."),
                                   QStringLiteral("carpeta"));
    const QCommandLineOption estacion(QStringLiteral("estacion"),
                                      QStringLiteral("Carpeta de trabajo de la estación (donde vive config.xml)."),
                                      QStringLiteral("carpeta"));
    const QCommandLineOption archivo(QStringLiteral("catalogo"),
                                     QStringLiteral("Archivo de conexiones (por omisión, el de la carpeta común)."),
                                     QStringLiteral("archivo"));
    const QCommandLineOption nombre(QStringLiteral("conexion"), QStringLiteral("Nombre de la conexión."),
                                    QStringLiteral("nombre"), QStringLiteral("Demo"));
    opciones.addOptions({datos, estacion, archivo, nombre});
    opciones.process(app);
    if (!opciones.isSet(datos)) {
        std::fprintf(stderr, "Falta --datos <carpeta>.\n");
        return 2;
    }

    AvisosEnConsola avisos;
    platform::setNotifier(&avisos);
    try {
        const QString carpeta = QDir(opciones.value(datos)).absolutePath();
        if (demo::CarpetaDatosLista(carpeta)) {
            decir(QStringLiteral("Datos de demostración: %1 (ya existen)").arg(carpeta));
        } else {
            decir(QStringLiteral("Creando los datos de demostración en %1 ...").arg(carpeta));
            demo::CrearCarpetaDatos(carpeta);
        }

        const QString catalogo = opciones.isSet(archivo) ? opciones.value(archivo) : catalogo::RutaCatalogo();
        bool agregada = false;
        const int posicion =
            demo::AsegurarConexion(catalogo, opciones.value(nombre), carpeta + QLatin1Char('/'), &agregada);
        decir(QStringLiteral("Conexión «%1» %2 en %3")
                  .arg(opciones.value(nombre), agregada ? QStringLiteral("agregada") : QStringLiteral("ya existente"),
                       catalogo));

        if (opciones.isSet(estacion))
            demo::PrepararEstacion(opciones.value(estacion), posicion);
    } catch (const std::exception& e) {
        platform::setNotifier(nullptr);
        std::fprintf(stderr, "lumivo-demo: %s\n", e.what());
        return 1;
    }
    platform::setNotifier(nullptr);
    return 0;
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
