// A station for the signal tests, run as a child process: the company open, the main window up,
// and as many modal windows over it as the first argument says (0: none; 1: the about window;
// 2: a message box over the about window). The second argument is the data folder. Prints
// "listo" once the innermost window runs its loop and "fin" once the program's loop returned.
//
// With "servidor" as the first argument, the company is opened through the Firebird server named
// by the third argument (as SYSDBA/masterkey), and the station then reads commands on its
// standard input: "escanear <key>" scans the key and prints "respuesta <the display's message>"
// once the answer is on the display; "salir" chooses "Salir" in the menu.
#include "firebird/Shutdown.h"
#include "lookup/ServicioConsulta.h"
#include "platform/FinPorSenal.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void avisar(const char* texto)
{
    std::fputs(texto, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// As the program does: a server that left a call unanswered shortens the client library's shutdown.
bool g_colgado = false;

int conServidor(QApplication& app, int argc, char* argv[])
{
    if (argc < 4)
        return 2;
    Lumivo lumivo(ArranqueManual::llave());
    if (!platform::terminarConSenales())
        return 3;
    TfrmConsulta& w = lumivo.frmConsulta;
    DatosConexion& d = lumivo.sesion.datos;
    d.TipoAcceso = QStringLiteral("0");
    d.ProtocoloRed = QStringLiteral("0");
    d.Servidor = QString::fromLocal8Bit(argv[3]);
    d.CarpetaDatos = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("sysdba");
    d.Contrasena = QStringLiteral("masterkey");
    w.Conexion();
    w.show();
    w.findChild<QAction*>(QStringLiteral("Disear1"))->setChecked(false);
    w.CargarInfo();
    w.leerEscaner();
    w.Limpiar();

    auto* clave = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* aviso = w.findChild<QLabel*>(QStringLiteral("lblCodigoNoValido"));
    QObject::connect(&w, &TfrmConsulta::respuestaMostrada, &w, [aviso] {
        avisar(("respuesta " + (aviso->isVisible() ? aviso->text() : QStringLiteral("articulo"))).toUtf8().constData());
    });
    QSocketNotifier entrada(0, QSocketNotifier::Read);
    QByteArray pendiente;
    QObject::connect(&entrada, &QSocketNotifier::activated, &w, [&] {
        char buffer[256];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            entrada.setEnabled(false);
            return;
        }
        pendiente.append(buffer, n);
        for (qsizetype fin = pendiente.indexOf('\n'); fin >= 0; fin = pendiente.indexOf('\n')) {
            const QString orden = QString::fromUtf8(pendiente.left(fin));
            pendiente.remove(0, fin + 1);
            if (orden.startsWith(QStringLiteral("escanear "))) {
                clave->setText(orden.mid(9));
                w.edClaveKeyPress(QChar(13));
            } else if (orden == QStringLiteral("salir")) {
                w.findChild<QAction*>(QStringLiteral("Salir1"))->trigger();
            }
        }
    });
    QTimer::singleShot(0, &w, [] { avisar("listo"); });
    const int codigo = app.exec();
    avisar("fin");
    g_colgado = w.servicio().sinRespuesta();
    return codigo;
}

int ejecutar(QApplication& app, int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    if (QByteArray(argv[1]) == "servidor")
        return conServidor(app, argc, argv);
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
    using namespace std::chrono_literals;
    if (!fb::shutdownClient(g_colgado ? 500ms : 1000ms))
        std::_Exit(codigo);
    return codigo;
}
