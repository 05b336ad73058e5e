// A station for the signal tests, run as a child process: the company open, the main window up,
// and as many modal windows over it as the first argument says (0: none; 1: the about window;
// 2: a message box over the about window). The second argument is the data folder. Prints
// "listo" once the innermost window runs its loop and "fin" once the program's loop returned.
#include "firebird/Shutdown.h"
#include "platform/FinPorSenal.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

void avisar(const char* texto)
{
    std::fputs(texto, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int ejecutar(QApplication& app, int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    const int modales = QString::fromLocal8Bit(argv[1]).toInt();

    Lumivo lumivo(ArranqueManual::llave());
    if (!platform::terminarConSenales() || !fb::leaveSignalsToProgram())
        return 3;
    DatosConexion& d = lumivo.sesion.datos;
    d.CarpetaDatos = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("SYSDBA");
    lumivo.frmConsulta.Conexion();
    lumivo.frmConsulta.show();

    QTimer::singleShot(0, &lumivo.frmConsulta, [&] {
        if (modales == 0)
            return avisar("listo");
        QTimer::singleShot(0, &lumivo.frmAyudaInfo, [&] {
            if (modales == 1)
                return avisar("listo");
            QTimer::singleShot(0, [] { avisar("listo"); });
            platform::showMessage(&lumivo.frmAyudaInfo, QStringLiteral("Aviso"), QStringLiteral("Zantor"),
                                  platform::Icon::Information);
        });
        lumivo.frmAyudaInfo.exec();
    });
    const int codigo = app.exec();
    avisar("fin");
    return codigo;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivo"));
    const int codigo = ejecutar(app, argc, argv);
    // As the program ends: the station's objects are gone, then the client library's threads.
    if (!fb::shutdownClient(std::chrono::seconds(1)))
        std::_Exit(codigo);
    return codigo;
}
