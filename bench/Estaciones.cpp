#include "Estaciones.h"

#include "Generador.h"
#include "Medidas.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <random>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace bench {
namespace {

constexpr int kCalentamiento = 50;

struct Fase {
    std::vector<double> latencias;
    double inicio = 0, fin = 0; // the earliest start and the latest end of the stations
    int errores = 0;
};

// The server runs as its own user: the folder and the file become that user's (or everyone's,
// where that user is unknown).
void entregarAlServidor(const QString& ruta)
{
    const QByteArray local = QFile::encodeName(ruta);
    const passwd* usuario = ::getpwnam("firebird");
    if (!usuario || ::chown(local.constData(), usuario->pw_uid, usuario->pw_gid) != 0)
        QFile::setPermissions(ruta, QFile::permissions(ruta) | QFileDevice::ReadOther | QFileDevice::WriteOther |
                                        QFileDevice::ExeOther);
}

Fase correrFase(const QString& carpetaServidor, const QString& estaciones, int articulos, int cuantas, int intervalo,
                int segundos)
{
    Fase f;
    std::vector<std::unique_ptr<QProcess>> hijos;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (int i = 0; i < cuantas; ++i) {
        auto p = std::make_unique<QProcess>();
        const QString propia = QDir(estaciones).filePath(QString::number(i));
        QDir().mkpath(propia);
        p->setWorkingDirectory(propia);
        p->setProcessEnvironment(entorno);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hijo-estacion"), carpetaServidor, QString::number(articulos),
                  QString::number(intervalo), QString::number(segundos), QString::number(1000 * cuantas + i)});
        hijos.push_back(std::move(p));
    }
    // Every station connected and warmed up before any is timed.
    for (auto& p : hijos) {
        bool listo = false;
        while (!listo && (p->canReadLine() || p->waitForReadyRead(120000))) {
            while (p->canReadLine())
                listo = listo || p->readLine().startsWith("listo");
        }
        if (!listo)
            throw std::runtime_error("a station process did not get ready");
    }
    for (auto& p : hijos) {
        p->write("ya\n");
        p->waitForBytesWritten(5000);
    }
    bool primera = true;
    for (auto& p : hijos) {
        if (!p->waitForFinished(segundos * 1000 + 120000)) {
            p->kill();
            p->waitForFinished(5000);
        }
        if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
            ++f.errores;
        for (const QByteArray& l : p->readAllStandardOutput().split('\n')) {
            const QList<QByteArray> campos = l.trimmed().split(' ');
            if (campos.value(0) == "lat") {
                for (qsizetype i = 1; i < campos.size(); ++i)
                    f.latencias.push_back(campos[i].toDouble());
            } else if (campos.value(0) == "ventana" && campos.size() >= 4) {
                const double inicio = campos[1].toDouble(), fin = campos[2].toDouble();
                f.inicio = primera ? inicio : std::min(f.inicio, inicio);
                f.fin = primera ? fin : std::max(f.fin, fin);
                f.errores += campos[3].toInt();
                primera = false;
            }
        }
    }
    return f;
}

} // namespace

int hijoEstacion(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivo-bench"));
    QStandardPaths::setTestModeEnabled(true);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 7) {
        std::fprintf(stderr, "lumivo-bench --hijo-estacion: carpeta artículos intervalo segundos semilla\n");
        return 1;
    }
    const QString carpeta = args[2];
    const int articulos = args[3].toInt();
    const int intervalo = args[4].toInt();
    const int segundos = args[5].toInt();
    const unsigned semilla = args[6].toUInt();

    try {
        platform::RecordingNotifier avisos;
        Lumivo lumivo(ArranqueManual::llave());
        TfrmConsulta& w = lumivo.frmConsulta;
        DatosConexion& d = lumivo.sesion.datos;
        d.TipoAcceso = QStringLiteral("0");
        d.Servidor = QStringLiteral("localhost");
        d.ProtocoloRed = QStringLiteral("0");
        d.CarpetaDatos = carpeta + QLatin1Char('/');
        d.Empresa = QStringLiteral("empresa-%1").arg(articulos);
        d.Usuario = QStringLiteral("SYSDBA");
        d.Contrasena = testsupport::serverPassword();
        abrirEstacion(lumivo);

        const std::vector<Clave> claves = clavesAlAzar(articulos, 20000, semilla);
        size_t siguiente = 0;
        int errores = 0;
        const auto consultar = [&] {
            const Clave& c = claves[siguiente++ % claves.size()];
            const Escaneo e = escanear(lumivo, c, avisos);
            if (!e.esperado && ++errores <= 3)
                std::fprintf(stderr, "  inesperado: clave %s\n", qPrintable(c.texto));
            return e.ms;
        };
        for (int i = 0; i < kCalentamiento; ++i)
            consultar();
        std::printf("listo\n");
        std::fflush(stdout);
        char linea[16];
        if (!std::fgets(linea, sizeof linea, stdin))
            return 1;

        std::vector<double> latencias;
        const double inicio = msMonotonico();
        const double fin = inicio + segundos * 1000.0;
        // Stations paced once an interval start at random points of it, as shops' scans do.
        std::mt19937 azar(semilla);
        const double desfase = intervalo > 0 ? std::uniform_real_distribution<double>(0, intervalo)(azar) : 0;
        for (int k = 0;; ++k) {
            if (intervalo > 0) {
                const double objetivo = inicio + desfase + double(k) * intervalo;
                if (objetivo >= fin)
                    break;
                const double espera = objetivo - msMonotonico();
                if (espera > 0)
                    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(espera));
            } else if (msMonotonico() >= fin) {
                break;
            }
            latencias.push_back(consultar());
        }
        const double terminado = msMonotonico();
        errores += int(avisos.messages.size());
        std::printf("lat");
        for (double ms : latencias)
            std::printf(" %.3f", ms);
        std::printf("\nventana %.3f %.3f %d\n", inicio, terminado, errores);
        std::fflush(stdout);
        w.hide();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumivo-bench --hijo-estacion: %s\n", e.what());
        return 1;
    }
}

int medirEstaciones(const QString& carpeta, int articulos, const std::vector<int>& estaciones, int segundos)
{
    if (!testsupport::serverAvailable()) {
        std::printf("\nEstaciones: no hay servidor Firebird en 127.0.0.1:3050 (scripts/firebird-server.sh)\n");
        std::fflush(stdout);
        return 1;
    }
    const QString ruta = asegurarEmpresa(carpeta, articulos);
    // Under the temporary folder, which the server's user can reach.
    QTemporaryDir servidor(QDir::temp().filePath(QStringLiteral("lumivo-bench-servidor-XXXXXX")));
    QTemporaryDir locales(QDir(carpeta).filePath(QStringLiteral("estaciones-XXXXXX")));
    if (!servidor.isValid() || !locales.isValid())
        throw std::runtime_error("cannot create the stations' folders");
    const QString copia = servidor.filePath(QFileInfo(ruta).fileName());
    if (!QFile::copy(ruta, copia))
        throw std::runtime_error("cannot copy the company database for the server");
    entregarAlServidor(servidor.path());
    entregarAlServidor(copia);

    const QString carga = cargaDelSistema();
    QElapsedTimer total;
    total.start();
    struct Fila {
        int estaciones;
        int intervalo;
        Fase fase;
    };
    std::vector<Fila> filas;
    int errores = 0;
    for (int intervalo : {1000, 0}) {
        for (int n : estaciones) {
            filas.push_back(
                {n, intervalo, correrFase(servidor.path(), locales.path(), articulos, n, intervalo, segundos)});
            errores += filas.back().fase.errores;
        }
    }

    std::printf("\nEstaciones contra el servidor en localhost (%d artículos, fases de %d s), carga %s -> %s, %.0f s\n",
                articulos, segundos, qPrintable(carga), qPrintable(cargaDelSistema()),
                double(total.elapsed()) / 1000.0);
    std::printf("  %-24s %9s %8s %8s %8s %8s %11s\n", "", "consultas", "p50 ms", "p95 ms", "p99 ms", "max ms",
                "consultas/s");
    double p99Una = 0, p99UnaSeguida = 0, p99Dieciseis = 0;
    for (const Fila& f : filas) {
        const Percentiles p = percentiles(f.fase.latencias);
        const double segundosReales = (f.fase.fin - f.fase.inicio) / 1000.0;
        const QString titulo = QStringLiteral("%1 %2, %3")
                                   .arg(f.estaciones)
                                   .arg(f.estaciones == 1 ? QStringLiteral("estación") : QStringLiteral("estaciones"),
                                        f.intervalo > 0 ? QStringLiteral("1/s") : QStringLiteral("seguidas"));
        std::printf("  %-24s %9zu %8.2f %8.2f %8.2f %8.2f %11.1f\n", qPrintable(titulo), p.n, p.p50, p.p95, p.p99,
                    p.max, segundosReales > 0 ? double(p.n) / segundosReales : 0.0);
        if (f.estaciones == 1)
            (f.intervalo > 0 ? p99Una : p99UnaSeguida) = p.p99;
        if (f.estaciones == 16 && f.intervalo > 0)
            p99Dieciseis = p.p99;
    }
    if (p99Dieciseis > 0 && p99Una > 0 && p99UnaSeguida > 0)
        std::printf("  16 estaciones a 1/s: p99 %.2fx el de una estación a 1/s, %.2fx el de una seguida (meta 2x)\n",
                    p99Dieciseis / p99Una, p99Dieciseis / p99UnaSeguida);
    if (errores)
        std::printf("  ERRORES: %d consultas o estaciones no dieron lo esperado\n", errores);
    std::fflush(stdout);
    return errores;
}

} // namespace bench
