#include "MedidaRegistro.h"

#include "Estaciones.h"
#include "Generador.h"
#include "Medidas.h"
#include "bitacora/Bitacora.h"
#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <stdexcept>

namespace bench {

void prepararRegistro(const QString& ruta)
{
    fb::Connection c;
    c.setParams(parametros(ruta));
    c.open();
    fb::Transaction t(c);
    t.start();
    const std::vector<fb::ScriptFailure> fallas = ActualizarObjetos(t);
    if (!fallas.empty())
        throw std::runtime_error("the scan log's objects could not be installed: " +
                                 fallas.front().message.toStdString());
    t.commit();
    c.close();
}

int medirRegistro(const QString& carpeta, int articulos, int consultas, const std::vector<int>& estaciones,
                  int segundos)
{
    // Turns of some seconds, so that the log's batches (every 3 s) fall among the lookups.
    constexpr int kTurno = 1000;
    constexpr int kCalentamiento = 200;
    const QString ruta = asegurarEmpresa(carpeta, articulos);
    QTemporaryDir copia(QDir(carpeta).filePath(QStringLiteral("registro-XXXXXX")));
    if (!copia.isValid())
        throw std::runtime_error("cannot create the scan log's folder");
    const QString empresa = QFileInfo(ruta).completeBaseName();
    const QString destino = copia.filePath(QFileInfo(ruta).fileName());
    if (!QFile::copy(ruta, destino))
        throw std::runtime_error("cannot copy the company database for the scan log");
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
    prepararRegistro(destino);

    int errores = 0;
    platform::RecordingNotifier avisos;
    std::vector<double> apagado, encendido;
    int escritas = 0;
    {
        Lumivo app(ArranqueManual::llave());
        abrirEstacionLocal(app, copia.path(), empresa);
        Bitacora& bitacora = app.frmConsulta.bitacora();
        QObject::connect(&bitacora, &Bitacora::escritas, [&](int n) { escritas += n; });
        Bitacora::Estacion estacion;
        estacion.parametros = app.dm.fdConexion.params();
        estacion.nombre = QStringLiteral("bench");
        estacion.empresa = empresa;

        const std::vector<Clave> claves = clavesAlAzar(articulos, 2 * consultas + kCalentamiento, 29u);
        size_t siguiente = 0;
        const auto consultar = [&](std::vector<double>* destino) {
            const Clave& c = claves[siguiente++ % claves.size()];
            const Escaneo e = escanear(app, c, avisos);
            if (!e.esperado && ++errores <= 5)
                std::fprintf(stderr, "  inesperado: clave %s\n", qPrintable(c.texto));
            if (destino)
                destino->push_back(e.ms);
        };
        for (int i = 0; i < kCalentamiento; ++i)
            consultar(nullptr);
        const QString carga = cargaDelSistema();
        QElapsedTimer total;
        total.start();
        int registradas = 0;
        for (int hechas = 0; hechas < consultas; hechas += kTurno) {
            const int turno = std::min(kTurno, consultas - hechas);
            bitacora.desactivar();
            for (int i = 0; i < turno; ++i)
                consultar(&apagado);
            bitacora.activar(estacion, 90);
            for (int i = 0; i < turno; ++i)
                consultar(&encendido);
            registradas += turno;
            // Turning the log off drops what is queued: the turn's last rows are written first,
            // outside the measurement.
            bitacora.escribirAhora();
            if (!QTest::qWaitFor([&] { return bitacora.enEspera() == 0 && !bitacora.ocupada(); }, 30000))
                ++errores;
            QCoreApplication::processEvents();
        }
        errores += int(avisos.messages.size());

        const Percentiles off = percentiles(apagado);
        const Percentiles on = percentiles(encendido);
        std::printf("\nConsulta por clave (ventana) con el registro de consultas, %d artículos, por turnos de %d, "
                    "carga %s -> %s, %.0f s\n",
                    articulos, kTurno, qPrintable(carga), qPrintable(cargaDelSistema()),
                    double(total.elapsed()) / 1000.0);
        linea("registro apagado", off);
        linea("registro encendido", on);
        std::printf("  p99 encendido - apagado: %+.2f ms (meta: a lo más 1 ms, y dentro de un cuadro de 16.7 ms)\n",
                    on.p99 - off.p99);
        std::printf("  filas escritas %d de %d consultas registradas, %lld descartadas\n", escritas, registradas,
                    static_cast<long long>(bitacora.descartadas()));
        if (escritas != registradas) {
            ++errores;
            std::printf("  ERRORES: el registro no escribió cada consulta\n");
        }
        app.frmConsulta.hide();
    }
    if (errores)
        std::printf("  ERRORES: %d consultas no dieron lo esperado\n", errores);
    std::fflush(stdout);

    // The same stations without and with the log, so that what the machine itself costs them shows.
    if (!estaciones.empty()) {
        errores += medirEstaciones(carpeta, articulos, estaciones, segundos, {false, {1000}});
        errores += medirEstaciones(carpeta, articulos, estaciones, segundos, {true, {1000}});
    }
    return errores;
}

} // namespace bench
