#include "Soak.h"

#include "Generador.h"
#include "Medidas.h"
#include "app/flujo/ReglasFlujo.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PrivateServer.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <set>

namespace bench {
namespace {

constexpr int kArticulos = 10000;
// One scan every this many milliseconds: a busy shop, without taking a shared machine's cores.
constexpr int kPausaMs = 40;
constexpr int kCadaLimpieza = 60; // scans between idle clearings
constexpr int kCadaRechazo = 250; // scans between design-mode refusals
constexpr int kCalentamiento = 300;

// How far each figure may grow between the start and the end. Memory gets some room for the
// allocator and Qt's caches settling; descriptors one pair, the two eventfd notifiers that come
// and go with a worker thread (seen at one reading and not at the other); the server's
// attachments and the timers none.
constexpr long kToleranciaRssKb = 8 * 1024;
constexpr long kToleranciaDescriptores = 2;
constexpr long kToleranciaConexiones = 0;
constexpr long kToleranciaTimers = 0;

struct Figuras {
    long rssKb = -1;
    long descriptores = -1;
    long conexiones = -1; // the server's attachments but the one that counts them
    long timers = -1;
};

long descriptoresAbiertos()
{
    // Less the one that lists the folder.
    return long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()) - 1;
}

long timersVivos()
{
    std::set<QTimer*> todos;
    for (QTimer* t : qApp->findChildren<QTimer*>())
        todos.insert(t);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        for (QTimer* t : w->findChildren<QTimer*>())
            todos.insert(t);
    }
    return long(todos.size());
}

long conexionesDelServidor(const testsupport::PrivateServer& servidor, const QString& ruta)
{
    fb::Connection c;
    c.setParams(servidor.params(ruta));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral(
        "select count(*) from mon$attachments where mon$attachment_id <> current_connection and mon$system_flag = 0"));
    q.open();
    const long n = q.next() ? long(q.value(0).toInt()) : -1;
    q.close();
    t.commit();
    c.close();
    return n;
}

// Files of the embedded engine (its lock and trace files under /tmp/firebird) that the process
// holds open: the private server's security database is built through it, and the engine lets
// go of them some seconds after its last attachment, which would count as a shrinking the
// station had nothing to do with.
int archivosDelMotorLocal()
{
    int n = 0;
    for (const QFileInfo& i :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        n += i.symLinkTarget().startsWith(QStringLiteral("/tmp/firebird/")) ? 1 : 0;
    return n;
}

Figuras medirFiguras(const testsupport::PrivateServer& servidor, const QString& ruta)
{
    Figuras f;
    // The attachments first: the counting connection's own client memory is then in both readings.
    f.conexiones = conexionesDelServidor(servidor, ruta);
    QCoreApplication::processEvents();
    f.rssKb = memoria("VmRSS");
    f.descriptores = descriptoresAbiertos();
    f.timers = timersVivos();
    return f;
}

} // namespace

int medirSoak(const QString& carpeta, const OpcionesSoak& opciones)
{
    testsupport::PrivateServer servidor;
    if (!servidor.start()) {
        std::fprintf(stderr, "  inesperado: el servidor propio no arrancó: %s\n", qPrintable(servidor.why()));
        return 1;
    }
    const QString empresa = copiarAlServidor(carpeta, kArticulos, servidor.dataFolder());
    const QString ruta = QDir(servidor.dataFolder()).filePath(empresa + QStringLiteral(".fdb"));

    int errores = 0;
    const auto inesperado = [&](const QString& que) {
        if (++errores <= 10)
            std::fprintf(stderr, "  inesperado: %s\n", qPrintable(que));
    };

    platform::RecordingNotifier avisos;
    Lumivo lumivo(ArranqueManual::llave());
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

    auto* edClave = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    QAction* disenar = w.findChild<QAction*>(QStringLiteral("Disear1"));
    auto* aviso = w.findChild<QLabel*>(QStringLiteral("lblCodigoNoValido"));
    const std::vector<Clave> claves = clavesAlAzar(kArticulos, 20000, 4242u);
    size_t siguiente = 0;
    long escaneos = 0, desconocidas = 0, limpiezas = 0, rechazos = 0, reinicios = 0;
    std::vector<double> reconexionesMs;

    const auto revisarMensajes = [&](size_t esperados, const QString& donde) {
        if (avisos.messages.size() != esperados) {
            for (size_t i = esperados; i < avisos.messages.size(); ++i)
                inesperado(donde + QStringLiteral(": mensaje \"%1\"").arg(avisos.messages[i].text));
            if (avisos.messages.size() < esperados)
                inesperado(donde + QStringLiteral(": no hubo mensaje"));
        }
        avisos.messages.clear();
    };
    const auto escanearUna = [&] {
        const Clave& c = claves[siguiente++ % claves.size()];
        const Escaneo e = escanear(lumivo, c, avisos);
        ++escaneos;
        desconocidas += c.existe ? 0 : 1;
        if (!e.esperado)
            inesperado(QStringLiteral("clave %1 (%2)")
                           .arg(c.texto, c.existe ? QStringLiteral("existente") : QStringLiteral("desconocida")));
        revisarMensajes(0, QStringLiteral("consulta"));
    };
    // The idle timer's handler until it clears, as the real timer would after SegundosEspera.
    const auto limpiezaPorInactividad = [&] {
        for (int i = 0; i < 10000 && w.articuloId() != 0; ++i)
            w.TiempoInactivoTimer();
        if (w.articuloId() != 0 || !edClave->text().isEmpty())
            inesperado(QStringLiteral("la inactividad no limpió la pantalla"));
        ++limpiezas;
    };
    // A scan in design mode is refused on the display, with no box; design mode is then left.
    const auto rechazoEnDiseno = [&] {
        disenar->trigger();
        edClave->setText(claves[siguiente++ % claves.size()].texto);
        QTest::keyClick(edClave, Qt::Key_Return);
        QCoreApplication::processEvents();
        if (aviso->text() != flujo::kNoBuscarEnDiseno)
            inesperado(QStringLiteral("en diseño, la pantalla dice \"%1\"").arg(aviso->text()));
        revisarMensajes(0, QStringLiteral("en diseño"));
        disenar->trigger();
        QCoreApplication::processEvents();
        if (w.modoDiseno())
            inesperado(QStringLiteral("el modo diseño no se dejó"));
        w.Limpiar();
        ++rechazos;
    };
    // The server killed as a crashed host: the next scan says so on the display, with no box; the
    // server comes back and the scans after it find their articles with no key pressed in between
    // (one scan every half second until one does: the reconnection's time).
    const auto reinicio = [&] {
        servidor.kill();
        escanear(lumivo, claves[siguiente++ % claves.size()], avisos);
        if (!aviso->isVisible() || aviso->text() != flujo::kSinServidor)
            inesperado(QStringLiteral("servidor caído, la pantalla dice \"%1\"").arg(aviso->text()));
        revisarMensajes(0, QStringLiteral("servidor caído"));
        if (!servidor.start()) {
            inesperado(QStringLiteral("el servidor no volvió: ") + servidor.why());
            return false;
        }
        QElapsedTimer reloj;
        reloj.start();
        const QDeadlineTimer limite(120000);
        bool encontrada = false;
        while (!encontrada && !limite.hasExpired()) {
            const Clave& c = claves[siguiente++ % claves.size()];
            if (!c.existe)
                continue;
            encontrada = escanear(lumivo, c, avisos).esperado;
            if (!encontrada)
                QTest::qWait(500);
        }
        if (!encontrada) {
            inesperado(QStringLiteral("la estación no volvió a encontrar artículos en 120 s"));
            return false;
        }
        reconexionesMs.push_back(msDesde(reloj));
        revisarMensajes(0, QStringLiteral("reconexión"));
        w.Limpiar();
        ++reinicios;
        return true;
    };

    // Warm-up: every path once, so that what is built once (statements, caches, the client's
    // buffers after a reconnection) is in the starting figures.
    for (int i = 0; i < kCalentamiento; ++i)
        escanearUna();
    limpiezaPorInactividad();
    rechazoEnDiseno();
    if (!reinicio())
        return errores;
    for (int i = 0; i < 50; ++i)
        escanearUna();
    w.Limpiar();
    const QDeadlineTimer motorLocal(120000);
    while (archivosDelMotorLocal() > 0 && !motorLocal.hasExpired())
        QTest::qWait(200);
    const Figuras inicio = medirFiguras(servidor, ruta);

    const QString carga = cargaDelSistema();
    QElapsedTimer total, desdeReinicio;
    total.start();
    desdeReinicio.start();
    const qint64 duracion = qint64(opciones.minutos) * 60000;
    while (total.elapsed() < duracion) {
        escanearUna();
        if (escaneos % kCadaLimpieza == 0)
            limpiezaPorInactividad();
        if (escaneos % kCadaRechazo == 0)
            rechazoEnDiseno();
        if (desdeReinicio.elapsed() >= qint64(opciones.segundosReinicio) * 1000) {
            if (!reinicio())
                break;
            desdeReinicio.restart();
        }
        QTest::qWait(kPausaMs);
    }
    for (int i = 0; i < 50; ++i)
        escanearUna();
    w.Limpiar();
    const Figuras fin = medirFiguras(servidor, ruta);
    w.hide();

    std::printf("\nSoak: %.1f min contra un servidor propio en 127.0.0.1 (%d artículos), reinicio cada %d s, "
                "carga %s -> %s\n",
                double(total.elapsed()) / 60000.0, kArticulos, opciones.segundosReinicio, qPrintable(carga),
                qPrintable(cargaDelSistema()));
    std::printf("  %ld consultas (%ld desconocidas), %ld limpiezas por inactividad, %ld rechazos en diseño, "
                "%ld reinicios del servidor",
                escaneos, desconocidas, limpiezas, rechazos, reinicios);
    if (!reconexionesMs.empty())
        std::printf(" (reconexión sola en p50 %.1f s, max %.1f s)", percentiles(reconexionesMs).p50 / 1000.0,
                    percentiles(reconexionesMs).max / 1000.0);
    std::printf("\n  %-34s %10s %10s %10s %10s\n", "", "inicio", "fin", "diferencia", "tolerancia");
    const auto fila = [&](const char* nombre, long a, long b, long tolerancia) {
        const bool crece = a < 0 || b < 0 || b - a > tolerancia;
        std::printf("  %-34s %10ld %10ld %+10ld %10ld%s\n", nombre, a, b, b - a, tolerancia, crece ? "  CRECE" : "");
        if (crece)
            inesperado(QStringLiteral("%1 creció de %2 a %3").arg(QString::fromUtf8(nombre)).arg(a).arg(b));
    };
    fila("memoria residente (VmRSS, kB)", inicio.rssKb, fin.rssKb, kToleranciaRssKb);
    fila("descriptores abiertos", inicio.descriptores, fin.descriptores, kToleranciaDescriptores);
    fila("conexiones en el servidor", inicio.conexiones, fin.conexiones, kToleranciaConexiones);
    fila("QTimer vivos", inicio.timers, fin.timers, kToleranciaTimers);
    if (errores)
        std::printf("  ERRORES: %d\n", errores);
    std::fflush(stdout);
    return errores;
}

} // namespace bench
