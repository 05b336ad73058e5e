#include "MedidaRetardo.h"

#include "Arranque.h"
#include "Catalogo.h"
#include "Generador.h"
#include "Medidas.h"
#include "Retardo.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "search/IndiceCatalogo.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabases.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <stdexcept>

namespace bench {
namespace {

constexpr int kCambiosPorHora = 100;

struct Trafico {
    double segundos = 0;
    std::uint64_t bytes = 0, deLasNuevas = 0; // all, and of the connections opened in the window
    int conexionesNuevas = 0, construcciones = 0, revisiones = 0, cambios = 0;
    double porHora(std::uint64_t b) const { return segundos > 0 ? double(b) * 3600.0 / segundos : 0; }
};

struct Fila {
    int msIda = 0;
    Arranques arranques;
    double msIndiceListo = -1;
    std::vector<double> encontradas, desconocidas;
    double turnosPorConsulta = 0, bytesPorConsulta = 0;
    std::vector<double> uno, cien, clave, todos;
    Trafico quieto, conCambios;
    int errores = 0;
};

std::uint64_t bytesDe(const Retardo::Conexion& c)
{
    return c.subida + c.bajada;
}

void inesperado(Fila& f, const QString& que)
{
    if (++f.errores <= 10)
        std::fprintf(stderr, "  inesperado (%d ms): %s\n", f.msIda, qPrintable(que));
}

// The lookups' keys: as many unknown as found, shuffled.
std::vector<Clave> clavesMezcladas(int articulos, int cuantas)
{
    const std::vector<Clave> todas = clavesAlAzar(articulos, 11 * cuantas, 31u);
    std::vector<Clave> r;
    int encontradas = 0;
    for (const Clave& c : todas) {
        if (!c.existe)
            r.push_back(c);
        else if (encontradas++ < cuantas)
            r.push_back(c);
    }
    std::shuffle(r.begin(), r.end(), std::mt19937(17u));
    return r;
}

// The bytes through the forwarder while the station waits for a scan, for `minutos` and on to the
// end of the catalogue index's next check (a refresh or a whole read), starting right after one;
// `cambiar` renames an article from another connection, evenly spread at kCambiosPorHora.
Trafico medirTrafico(Retardo& retardo, catalogo::IndiceCatalogo& indice, int minutos,
                     const std::function<void(int)>& cambiar)
{
    Trafico t;
    const auto antes = retardo.conexiones();
    QElapsedTimer reloj;
    reloj.start();
    const double ventana = minutos * 60000.0;
    bool terminada = false;
    const QMetaObject::Connection alConstruir =
        QObject::connect(&indice, &catalogo::IndiceCatalogo::construido, &indice, [&] { ++t.construcciones; });
    const QMetaObject::Connection alRevisar =
        QObject::connect(&indice, &catalogo::IndiceCatalogo::revisado, &indice, [&] {
            ++t.revisiones;
            terminada = msDesde(reloj) >= ventana;
        });
    const double cada = 3600000.0 / kCambiosPorHora;
    // Whole cycles of the index: at least the window, then until the next check ends (10 more
    // minutes at most), so that a pause longer than the window is not measured as silence.
    while (!terminada && msDesde(reloj) < ventana + 600000.0) {
        if (cambiar && msDesde(reloj) >= (t.cambios + 0.5) * cada) {
            cambiar(t.cambios);
            ++t.cambios;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    t.segundos = msDesde(reloj) / 1000.0;
    QObject::disconnect(alConstruir);
    QObject::disconnect(alRevisar);
    const auto despues = retardo.conexiones();
    for (size_t i = 0; i < despues.size(); ++i) {
        const std::uint64_t b = bytesDe(despues[i]) - (i < antes.size() ? bytesDe(antes[i]) : 0);
        t.bytes += b;
        if (i >= antes.size()) {
            t.deLasNuevas += b;
            ++t.conexionesNuevas;
        }
    }
    return t;
}

Fila medirCon(const QString& carpeta, testsupport::PrivateServer& servidor, const QString& datos, int articulos,
              int msIda, const TextosBusqueda& textos, const OpcionesRetardo& o)
{
    Fila f;
    f.msIda = msIda;
    Retardo retardo(servidor.port(), msIda);
    if (!retardo.iniciar())
        throw std::runtime_error(retardo.porque().toStdString());

    // The program's start-up in processes of its own, through the forwarder.
    f.arranques = arrancar(carpeta, datos, 0, retardo.nombreServidor(), o.arranques, &retardo);
    f.errores += f.arranques.errores;

    platform::RecordingNotifier avisos;
    Lumivo app(ArranqueManual::llave());
    TfrmConsulta& w = app.frmConsulta;
    auto* indice = app.frmBuscarEnCatalogo.findChild<catalogo::IndiceCatalogo*>();
    bool indiceListo = false;
    QElapsedTimer desdeConexion;
    desdeConexion.start();
    QObject::connect(indice, &catalogo::IndiceCatalogo::construido, indice, [&] {
        if (!indiceListo)
            f.msIndiceListo = msDesde(desdeConexion);
        indiceListo = true;
    });
    DatosConexion& d = app.sesion.datos;
    d.TipoAcceso = QStringLiteral("0");
    d.Servidor = retardo.nombreServidor();
    d.ProtocoloRed = QStringLiteral("0");
    d.CarpetaDatos = datos + QLatin1Char('/');
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("SYSDBA");
    d.Contrasena = QStringLiteral("masterkey");
    abrirEstacion(app);

    // Lookups: the found ones' round trips and bytes on the connection that carried the most
    // of them (the lookup service's; an index build may run beside it on others).
    const std::vector<Clave> claves = clavesMezcladas(articulos, o.consultas);
    for (size_t i = 0; i < 20; ++i)
        escanear(app, claves[i], avisos);
    std::map<size_t, std::pair<std::uint64_t, std::uint64_t>> porConexion; // turns, bytes
    for (const Clave& c : claves) {
        const auto antes = retardo.conexiones();
        const Escaneo e = escanear(app, c, avisos);
        if (!e.esperado)
            inesperado(f, QStringLiteral("clave %1 (%2)")
                              .arg(c.texto, c.existe ? QStringLiteral("existente") : QStringLiteral("desconocida")));
        (c.existe ? f.encontradas : f.desconocidas).push_back(e.ms);
        if (!c.existe)
            continue;
        const auto despues = retardo.conexiones();
        for (size_t i = 0; i < antes.size(); ++i) {
            porConexion[i].first += despues[i].turnos - antes[i].turnos;
            porConexion[i].second += bytesDe(despues[i]) - bytesDe(antes[i]);
        }
    }
    const auto mayor = std::max_element(porConexion.begin(), porConexion.end(),
                                        [](const auto& a, const auto& b) { return a.second.first < b.second.first; });
    if (mayor != porConexion.end() && !f.encontradas.empty()) {
        f.turnosPorConsulta = double(mayor->second.first) / double(f.encontradas.size());
        f.bytesPorConsulta = double(mayor->second.second) / double(f.encontradas.size());
    }

    // The catalogue search, its index ready: F4 opens the window with every article; inside
    // it, Enter in the name box (one match, about a hundred) and the Buscar button with a key,
    // each until its rows are painted.
    QElapsedTimer espera;
    espera.start();
    while (!indiceListo && espera.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (!indiceListo)
        inesperado(f, QStringLiteral("el índice no estuvo listo en 10 minutos"));
    TfrmBuscarEnCatalogo& b = app.frmBuscarEnCatalogo;
    auto* edClavePrincipal = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* edClave = b.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* edNombre = b.findChild<QLineEdit*>(QStringLiteral("edNombre"));
    auto* buscar = b.findChild<QPushButton*>(QStringLiteral("pbsBuscar"));
    auto* tabla = b.findChild<QTableView*>(QStringLiteral("wdbTabla"));
    ContadorPintado pintado(tabla->viewport());
    const auto medir = [&](std::vector<double>& destino, const char* caso, int esperadas,
                           const std::function<void()>& empezar) {
        const PrimeraPantalla p = primeraPantalla(pintado, empezar);
        destino.push_back(p.ms);
        // The first screen: 50 rows by the statement, every match when the index found them.
        const int filas = tabla->model()->rowCount();
        if (filas < std::min(esperadas, 50) || filas > esperadas || !p.pintada)
            inesperado(f, QStringLiteral("%1: %2 filas").arg(QLatin1String(caso)).arg(filas));
    };
    for (int i = 0; i <= o.repeticiones; ++i) {
        edClavePrincipal->clear();
        edClavePrincipal->setFocus();
        QElapsedTimer t;
        t.start();
        double ms = -1;
        pintado.alPintar = [&] {
            ms = msDesde(t);
            if (i == 0) {
                for (int k = 0; k < o.repeticiones; ++k) {
                    edClave->clear();
                    edNombre->setText(textos.unArticulo);
                    medir(f.uno, "nombre, un artículo", textos.filasUno,
                          [&] { QTest::keyClick(edNombre, Qt::Key_Return); });
                    edNombre->setText(textos.cien);
                    medir(f.cien, "nombre, cien", textos.filasCien, [&] { QTest::keyClick(edNombre, Qt::Key_Return); });
                    edNombre->clear();
                    edClave->setText(textos.clave);
                    medir(f.clave, "clave", textos.filasClave, [&] { QTest::mouseClick(buscar, Qt::LeftButton); });
                }
            }
            b.reject();
        };
        QTimer guardia;
        guardia.setSingleShot(true);
        QObject::connect(&guardia, &QTimer::timeout, &b, [&b] { b.reject(); });
        guardia.start(120000);
        QTest::keyClick(edClavePrincipal, Qt::Key_F4);
        if (ms < 0)
            inesperado(f, QStringLiteral("F4 no mostró la búsqueda"));
        else if (i > 0)
            f.todos.push_back(ms); // the first opening also prepares the window's statement
    }

    // The station idle: what the index's checks move, from the end of one on (a check that
    // finds nothing changed builds nothing).
    const auto trasUnaRevision = [&] {
        bool hecha = false;
        const QMetaObject::Connection c =
            QObject::connect(indice, &catalogo::IndiceCatalogo::revisado, indice, [&hecha] { hecha = true; });
        QElapsedTimer t;
        t.start();
        while (!hecha && t.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        QObject::disconnect(c);
    };
    trasUnaRevision();
    f.quieto = medirTrafico(retardo, *indice, o.minutos, {});
    // Renamed from a connection of its own, straight to the server.
    fb::Connection otra;
    otra.setParams(servidor.params(datos + QStringLiteral("/DEMO.fdb")));
    otra.open();
    const auto cambiar = [&](int n) {
        fb::Transaction t(otra);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("update articulos set nombre = nombre || '.' where articulo_id = :id"));
        q.setParam(QStringLiteral("id"), kPrimerArticulo + 1000 + 997 * (n + 100 * msIda) % (articulos - 2000));
        q.execute();
        t.commit();
    };
    trasUnaRevision();
    f.conCambios = medirTrafico(retardo, *indice, o.minutos, cambiar);
    otra.close();

    for (const platform::RecordingNotifier::Message& m : avisos.messages)
        inesperado(f, QStringLiteral("mensaje \"%1\"").arg(m.text));
    w.hide();
    return f;
}

} // namespace

int medirRetardo(const QString& carpeta, int articulos, const OpcionesRetardo& o)
{
    const QString ruta = asegurarEmpresa(carpeta, articulos);
    const TextosBusqueda textos = elegirTextos(ruta, articulos);
    testsupport::PrivateServer servidor;
    if (!servidor.start())
        throw std::runtime_error("the private server did not start: " + servidor.why().toStdString());
    // The system database is built by the embedded engine, which must not share a file with the
    // server: the server is down meanwhile (it had opened nothing yet).
    const QString datos = servidor.dataFolder();
    servidor.kill();
    testsupport::systemDatabase(datos);
    const QString empresa = copiarAlServidor(carpeta, articulos, datos);
    if (!QFile::rename(QDir(datos).filePath(empresa + QStringLiteral(".fdb")), datos + QStringLiteral("/DEMO.fdb")))
        throw std::runtime_error("cannot name the company DEMO");
    if (!servidor.start())
        throw std::runtime_error("the private server did not start again: " + servidor.why().toStdString());

    const QString carga = cargaDelSistema();
    QElapsedTimer total;
    total.start();
    std::vector<Fila> filas;
    for (int ms : {0, o.msIda})
        filas.push_back(medirCon(carpeta, servidor, datos, articulos, ms, textos, o));

    std::printf("\nRed lenta: servidor propio en loopback a través del retardador, %d artículos, %d consultas "
                "existentes y %d desconocidas, ventanas de tráfico de %d min, carga %s -> %s, %.0f s\n",
                articulos, o.consultas, o.consultas, o.minutos, qPrintable(carga), qPrintable(cargaDelSistema()),
                double(total.elapsed()) / 1000.0);
    int errores = 0;
    for (const Fila& f : filas) {
        std::printf(" ida y vuelta %d ms (%d ms por sentido):\n", 2 * f.msIda, f.msIda);
        linea("arranque: empresa aceptada -> lista", percentiles(f.arranques.desdeAceptada));
        linea("arranque: proceso -> lista", percentiles(f.arranques.total));
        if (!f.arranques.turnosPrincipal.empty()) {
            const Percentiles p = percentiles(f.arranques.turnosPrincipal);
            std::printf("  %-38s %.0f idas y vueltas en la conexión principal (p50; %.0f a lo más), %.0f en la "
                        "del sistema, %.0f en las demás abiertas entre tanto\n",
                        "arranque: empresa aceptada -> lista", p.p50, p.max, percentiles(f.arranques.turnosPrevias).p50,
                        percentiles(f.arranques.turnosOtras).p50);
        }
        linea("consulta existente", percentiles(f.encontradas));
        linea("consulta desconocida (pitido)", percentiles(f.desconocidas));
        std::printf("  %-38s %.1f idas y vueltas, %.0f bytes\n", "por consulta existente", f.turnosPorConsulta,
                    f.bytesPorConsulta);
        linea("catálogo: nombre, 1 fila (Enter)", percentiles(f.uno));
        linea(qPrintable(QStringLiteral("catálogo: nombre, %1 filas").arg(textos.filasCien)), percentiles(f.cien));
        linea(qPrintable(QStringLiteral("catálogo: clave, %1 fila(s)").arg(textos.filasClave)), percentiles(f.clave));
        linea("catálogo: F4, todos", percentiles(f.todos));
        std::printf("  %-38s %.0f ms desde antes de abrir la conexión\n", "índice del catálogo listo", f.msIndiceListo);
        for (const auto& [titulo, t] :
             {std::pair<const char*, const Trafico&>{"estación quieta, sin cambios", f.quieto},
              {"estación quieta, 100 cambios/hora", f.conCambios}}) {
            std::printf(
                "  %-38s %.1f MB/hora (%.1f MB/h en %d conexiones nuevas; %d revisiones, %d con cambios; %d cambios "
                "en %.0f s)\n",
                titulo, t.porHora(t.bytes) / 1048576.0, t.porHora(t.deLasNuevas) / 1048576.0, t.conexionesNuevas,
                t.revisiones, t.construcciones, t.cambios, t.segundos);
        }
        errores += f.errores;
    }
    if (errores)
        std::printf("  ERRORES: %d cosas no dieron lo esperado\n", errores);
    std::fflush(stdout);
    return errores;
}

} // namespace bench
