#include "Colgado.h"

#include "Generador.h"
#include "Medidas.h"
#include "app/Lumivo.h"
#include "lookup/ServicioConsulta.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PrivateServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace bench {

int medirColgado(const QString& carpeta, int articulos, int veces)
{
    testsupport::PrivateServer servidor;
    if (!servidor.start()) {
        std::fprintf(stderr, "  inesperado: el servidor propio no arrancó: %s\n", qPrintable(servidor.why()));
        return 1;
    }
    const QString empresa = copiarAlServidor(carpeta, articulos, servidor.dataFolder());

    int errores = 0;
    const auto inesperado = [&](const QString& que) {
        if (++errores <= 10)
            std::fprintf(stderr, "  inesperado: %s\n", qPrintable(que));
    };
    platform::RecordingNotifier avisos;
    Lumivo lumivo(ArranqueManual::llave());
    lumivo.inicio.pausas = [](int) { return 200; };
    TfrmConsulta& w = lumivo.frmConsulta;
    DatosConexion& d = lumivo.sesion.datos;
    d.TipoAcceso = QStringLiteral("0");
    d.Servidor = servidor.serverName();
    d.ProtocoloRed = QStringLiteral("0");
    d.CarpetaDatos = servidor.dataFolder() + QLatin1Char('/');
    d.Empresa = empresa;
    d.Usuario = QStringLiteral("SYSDBA");
    d.Contrasena = QStringLiteral("masterkey");
    abrirEstacion(lumivo);
    auto* aviso = w.findChild<QLabel*>(QStringLiteral("lblCodigoNoValido"));
    const std::vector<Clave> claves = clavesAlAzar(articulos, veces + 1, 77u);
    const auto pid = static_cast<pid_t>(servidor.pid());

    // Warm-up: one answered scan.
    if (!escanear(lumivo, claves.back(), avisos).esperado)
        inesperado(QStringLiteral("la consulta de calentamiento"));
    std::vector<double> hastaElMensaje, hastaVolver;
    for (int i = 0; i < veces; ++i) {
        ::kill(pid, SIGSTOP);
        const Escaneo e = escanear(lumivo, claves[size_t(i)], avisos);
        hastaElMensaje.push_back(e.ms);
        if (!aviso->isVisible() || !aviso->text().startsWith(QStringLiteral("Sin respuesta del servidor")))
            inesperado(QStringLiteral("sin el mensaje tras %1 ms: %2").arg(e.ms).arg(aviso->text()));
        ::kill(pid, SIGCONT);
        // The background attempt gets through: the status line clears.
        QElapsedTimer t;
        t.start();
        while (!w.statusBar()->currentMessage().isEmpty() && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        hastaVolver.push_back(msDesde(t));
        if (!w.statusBar()->currentMessage().isEmpty())
            inesperado(QStringLiteral("la estación no volvió a conectarse"));
    }
    for (const platform::RecordingNotifier::Message& m : avisos.messages)
        inesperado(QStringLiteral("mensaje \"%1\"").arg(m.text));
    std::printf("\nServidor colgado (SIGSTOP), %d articulos, plazo %d ms, %d veces\n", articulos, w.servicio().plazo(),
                veces);
    linea("Enter hasta el mensaje", percentiles(hastaElMensaje));
    linea("SIGCONT hasta reconectar", percentiles(hastaVolver));
    std::fflush(stdout);
    w.hide();
    return errores;
}

} // namespace bench
