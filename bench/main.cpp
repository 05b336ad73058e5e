// Lumivo benchmarks: the lookup by key end to end in the real main window against large stand-in
// company databases, the same statements through the Firebird layer alone, memory, one
// design-mode drag movement and the lookup's growth with the catalogue; the catalogue search
// (Catalogo), the start-up (Arranque) and many stations on one server (Estaciones) beside them.
// Figures go to stdout.

#include "Arranque.h"
#include "Catalogo.h"
#include "Colgado.h"
#include "Estaciones.h"
#include "Generador.h"
#include "MedidaRetardo.h"
#include "Medidas.h"
#include "Reportes.h"
#include "Soak.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Shutdown.h"
#include "firebird/Transaction.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ConsultasArticulo.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using bench::abrirEstacionLocal;
using bench::cargaDelSistema;
using bench::Clave;
using bench::clavesAlAzar;
using bench::escanear;
using bench::Escaneo;
using bench::linea;
using bench::memoria;
using bench::msDesde;
using bench::percentiles;
using bench::Percentiles;

struct ResultadoVentana {
    std::vector<double> todas, encontradas, desconocidas;
    std::vector<double> equivalentes; // found through another form of the stored code
    std::vector<double> repintado;    // the event loop after Enter: mostly painting the display
    long hwm1000 = -1, rss1000 = -1, hwmFin = -1, rssFin = -1;
    int errores = 0;
    std::vector<double> arrastre;
};

// Enter in the key field of the real main window, then the event loop until the display is
// repainted, per key.
ResultadoVentana medirVentana(const QString& carpetaDatos, const QString& empresa, const std::vector<Clave>& claves,
                              int calentamiento, int movimientos)
{
    ResultadoVentana r;
    platform::RecordingNotifier avisos;
    Lumivo app(ArranqueManual::llave());
    TfrmConsulta& w = app.frmConsulta;
    abrirEstacionLocal(app, carpetaDatos, empresa);
    const AjustesConsulta& a = w.ajustes();
    if (a.MostrarBuscador || !a.MostrarExistencia || !a.MostrarLstPrecios || !a.MostrarPolVol || !a.MostrarClave ||
        !a.DsctosCombo)
        throw std::runtime_error("the benchmark database's settings are not the expected ones");

    const auto consultar = [&](const Clave& c, std::vector<double>* destino) {
        const Escaneo e = escanear(app, c, avisos);
        if (!e.esperado && ++r.errores <= 5)
            std::fprintf(stderr, "  inesperado: clave %s (%s): artículo %d\n", qPrintable(c.texto),
                         c.existe ? "existente" : "desconocida", w.articuloId());
        if (destino) {
            destino->push_back(e.ms);
            r.repintado.push_back(e.repintado);
            (c.existe ? r.encontradas : r.desconocidas).push_back(e.ms);
        }
    };

    for (int i = 0; i < calentamiento; ++i)
        consultar(claves[size_t(i) % claves.size()], nullptr);
    for (size_t i = 0; i < claves.size(); ++i) {
        consultar(claves[i], &r.todas);
        if (i + 1 == 1000) {
            r.hwm1000 = memoria("VmHWM");
            r.rss1000 = memoria("VmRSS");
        }
    }
    // The stored EAN-13 scanned as its GTIN-14: the exact lookup misses, the forms' one statement finds it.
    auto* edClave = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    for (const Clave& c : claves) {
        if (r.equivalentes.size() >= 1000)
            break;
        if (!c.existe || c.texto.size() != 13 || !c.texto.front().isDigit())
            continue;
        const Escaneo e = escanear(app, Clave{u'0' + c.texto, true}, avisos);
        if ((!e.esperado || edClave->text() != c.texto) && ++r.errores <= 5)
            std::fprintf(stderr, "  inesperado: forma equivalente de %s: %s\n", qPrintable(c.texto),
                         qPrintable(edClave->text()));
        r.equivalentes.push_back(e.ms);
    }
    r.hwmFin = memoria("VmHWM");
    r.rssFin = memoria("VmRSS");
    for (const platform::RecordingNotifier::Message& m : avisos.messages) {
        ++r.errores;
        std::fprintf(stderr, "  mensaje inesperado: %s\n", qPrintable(m.text));
    }

    // Design mode through the menu, then one drag of the article name: every movement moves it
    // and writes its "_X" and "_Y" keys.
    if (movimientos > 0) {
        auto* nombre = w.findChild<QLabel*>(QStringLiteral("lblNombreArticulo"));
        w.Limpiar();
        QAction* disenar = w.findChild<QAction*>(QStringLiteral("Disear1"));
        disenar->trigger();
        QCoreApplication::processEvents();
        QWindow* ventana = w.windowHandle();
        const QPoint inicio = nombre->mapTo(&w, QPoint(20, 20));
        QTest::mousePress(ventana, Qt::LeftButton, {}, inicio);
        const QPoint origen = nombre->pos();
        QPoint destino = inicio;
        for (int i = 1; i <= movimientos; ++i) {
            destino = inicio + QPoint(i % 40 - 20, 1 + (i / 40) % 10);
            QElapsedTimer t;
            t.start();
            QTest::mouseMove(ventana, destino);
            QCoreApplication::processEvents();
            r.arrastre.push_back(msDesde(t));
        }
        // Where the last movement left the pointer: a release elsewhere would be a movement too.
        QTest::mouseRelease(ventana, Qt::LeftButton, {}, destino);
        const QPoint guardada(app.dm.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_X"), -1),
                              app.dm.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_Y"), -1));
        if (nombre->pos() == origen || guardada != nombre->pos()) {
            ++r.errores;
            QWidget* debajo = w.childAt(inicio);
            std::fprintf(stderr,
                         "  inesperado: el arrastre no movió el nombre del artículo (diseño %d, visible %d, "
                         "bajo el puntero %s)\n",
                         int(w.modoDiseno()), int(nombre->isVisible()),
                         debajo ? qPrintable(debajo->objectName()) : "nada");
        }
        disenar->trigger();
    }
    w.hide();
    return r;
}

struct ResultadoSql {
    std::vector<double> todas, encontradas, desconocidas;
};

// The lookup's statements through the Firebird layer alone, in the order and with the
// parameters the window uses, every row fetched.
ResultadoSql medirSql(const QString& ruta, const std::vector<Clave>& claves, int calentamiento)
{
    ResultadoSql r;
    fb::Connection c;
    c.setParams(bench::parametros(ruta));
    c.open();
    fb::Transaction t(c);
    fb::Query busca(t), precios(t), volumen(t), combos(t), existe(t), listaClaves(t);
    busca.setSql(kSqlBuscarClave);
    precios.setSql(consultas::sqlPrecios(0));
    volumen.setSql(consultas::kSqlVolumen);
    combos.setSql(consultas::kSqlCombos);
    existe.setSql(consultas::kSqlAlmacen);
    listaClaves.setSql(consultas::kSqlClaves);
    const auto todas = [](fb::Query& q) {
        q.open();
        while (q.next()) {
        }
    };
    const auto consultar = [&](const Clave& clave, bool medir) {
        QElapsedTimer reloj;
        reloj.start();
        if (t.isActive())
            t.commit();
        t.start();
        busca.close();
        busca.setParam(QStringLiteral("C_CLAVE"), clave.texto.left(20));
        busca.open();
        if (busca.next()) {
            const int id = busca.value(QStringLiteral("articulo_id")).toInt();
            busca.close();
            precios.close();
            precios.setParam(QStringLiteral("V_ARTICULO_ID"), id);
            precios.setParam(QStringLiteral("V_CLIENTE_ID"), 465);
            precios.open();
            fb::Decimal neto{0, 0};
            bool primera = true;
            while (precios.next()) {
                if (primera || precios.value(QStringLiteral("PRECIO_EMPRESA_ID")).toInt() == 450)
                    neto = precios.value(QStringLiteral("PRECION")).toDecimal();
                primera = false;
            }
            existe.setParam(QStringLiteral("N_ARTICULO_ID"), id);
            todas(existe);
            volumen.setParam(QStringLiteral("N_AID"), id);
            volumen.setParam(QStringLiteral("N_POLITICA_ID"), 0);
            volumen.setParam(QStringLiteral("N_PRECIO"), neto);
            todas(volumen);
            listaClaves.setParam(QStringLiteral("N_ARTICULO_ID"), id);
            todas(listaClaves);
            combos.setParam(QStringLiteral("N_ARTICULO_ID"), id);
            todas(combos);
        }
        const double ms = msDesde(reloj);
        if (medir) {
            r.todas.push_back(ms);
            (clave.existe ? r.encontradas : r.desconocidas).push_back(ms);
        }
    };
    for (int i = 0; i < calentamiento; ++i)
        consultar(claves[size_t(i) % claves.size()], false);
    for (const Clave& clave : claves)
        consultar(clave, true);
    if (t.isActive())
        t.commit();
    c.close();
    return r;
}

void medir(const QString& carpeta, int articulos, int consultas, int movimientos)
{
    const QString ruta = bench::asegurarEmpresa(carpeta, articulos);
    const std::vector<Clave> claves = clavesAlAzar(articulos, consultas, 7u + unsigned(articulos));
    const int calentamiento = std::min(200, consultas);
    const QString carga = cargaDelSistema();

    QElapsedTimer total;
    total.start();
    ResultadoVentana v =
        medirVentana(carpeta, QStringLiteral("empresa-%1").arg(articulos), claves, calentamiento, movimientos);
    const ResultadoSql s = medirSql(ruta, claves, calentamiento);

    std::printf("\n%d artículos (%s), %zu consultas (%zu existentes, %zu desconocidas), carga %s -> %s, %.0f s\n",
                articulos, qPrintable(QDir(ruta).dirName()), v.todas.size(), v.encontradas.size(),
                v.desconocidas.size(), qPrintable(carga), qPrintable(cargaDelSistema()),
                double(total.elapsed()) / 1000.0);
    const Percentiles pv = percentiles(v.todas), ps = percentiles(s.todas);
    linea("consulta por clave, ventana (todas)", pv);
    linea("  existentes", percentiles(v.encontradas));
    linea("  desconocidas (pitido)", percentiles(v.desconocidas));
    linea("  por forma equivalente (GTIN-14 de un EAN-13 guardado)", percentiles(v.equivalentes));
    linea("  de ello, lazo de eventos (repintado)", percentiles(v.repintado));
    linea("mismo SQL, capa firebird sola (todas)", ps);
    linea("  existentes", percentiles(s.encontradas));
    linea("  desconocidas", percentiles(s.desconocidas));
    std::printf("  %-38s p50 %7.2f  p95 %7.2f  p99 %7.2f ms\n", "sobrecosto de la estación (ventana-SQL)",
                pv.p50 - ps.p50, pv.p95 - ps.p95, pv.p99 - ps.p99);
    std::printf("  memoria tras 1000 consultas: VmHWM %.1f MB, VmRSS %.1f MB\n", double(v.hwm1000) / 1024.0,
                double(v.rss1000) / 1024.0);
    std::printf("  memoria tras %zu consultas: VmHWM %.1f MB, VmRSS %.1f MB (crecimiento RSS %+.1f MB)\n",
                v.todas.size(), double(v.hwmFin) / 1024.0, double(v.rssFin) / 1024.0,
                double(v.rssFin - v.rss1000) / 1024.0);
    if (!v.arrastre.empty())
        linea(qPrintable(QStringLiteral("arrastre en diseño, %1 movimientos").arg(v.arrastre.size())),
              percentiles(v.arrastre));
    if (v.errores)
        std::printf("  ERRORES: %d consultas o movimientos no dieron lo esperado\n", v.errores);
    std::fflush(stdout);
}

// The lookup at every size in turns of a few hundred keys, one window per size open at once, so
// that the load of a machine shared with other work falls alike on every size.
std::vector<std::pair<int, Percentiles>> medirCrecimiento(const QString& carpeta, const std::vector<int>& tamanos,
                                                          int consultas, int* errores)
{
    struct PorTamano {
        int articulos;
        std::unique_ptr<Lumivo> app;
        std::vector<Clave> claves;
        std::vector<double> ms;
    };
    constexpr int kTurno = 250;
    platform::RecordingNotifier avisos;
    std::vector<PorTamano> todos;
    for (int n : tamanos) {
        bench::asegurarEmpresa(carpeta, n);
        PorTamano t{n,
                    std::make_unique<Lumivo>(ArranqueManual::llave()),
                    clavesAlAzar(n, consultas + 200, 11u + unsigned(n)),
                    {}};
        bench::abrirEstacionLocal(*t.app, carpeta, QStringLiteral("empresa-%1").arg(n));
        todos.push_back(std::move(t));
    }
    const QString carga = cargaDelSistema();
    QElapsedTimer total;
    total.start();
    const auto consultar = [&](PorTamano& t, const Clave& c, bool medir) {
        const Escaneo e = escanear(*t.app, c, avisos);
        if (!e.esperado)
            ++*errores;
        if (medir)
            t.ms.push_back(e.ms);
    };
    for (PorTamano& t : todos) {
        for (size_t i = 0; i < 200; ++i)
            consultar(t, t.claves[i], false);
    }
    for (size_t desde = 200; desde < size_t(consultas) + 200; desde += kTurno) {
        for (PorTamano& t : todos) {
            for (size_t i = desde; i < std::min(desde + kTurno, t.claves.size()); ++i)
                consultar(t, t.claves[i], true);
        }
    }
    *errores += int(avisos.messages.size());
    std::vector<std::pair<int, Percentiles>> r;
    for (PorTamano& t : todos) {
        t.app->frmConsulta.hide();
        r.emplace_back(t.articulos, percentiles(t.ms));
    }
    std::printf(
        "\nConsulta por clave (ventana) según el tamaño del catálogo, por turnos de %d, carga %s -> %s, %.0f s; "
        "meta: 1,000,000 a lo más 2x 10,000\n",
        kTurno, qPrintable(carga), qPrintable(cargaDelSistema()), double(total.elapsed()) / 1000.0);
    return r;
}

const QString kConsulta = QStringLiteral("consulta");
const QString kCatalogo = QStringLiteral("catalogo");
const QString kArranque = QStringLiteral("arranque");
const QString kEstaciones = QStringLiteral("estaciones");
// Long: only when asked for by name.
const QString kSoak = QStringLiteral("soak");
const QString kColgado = QStringLiteral("colgado");
const QString kRetardo = QStringLiteral("retardo");
const QString kReportes = QStringLiteral("reportes");

std::vector<int> enteros(const QString& lista)
{
    std::vector<int> r;
    for (const QString& t : lista.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = t.trimmed().toInt(&ok);
        if (!ok || n <= 0)
            throw std::runtime_error("a list of positive numbers was expected: " + lista.toStdString());
        r.push_back(n);
    }
    return r;
}

void tablaDeCrecimiento(const std::vector<std::pair<int, Percentiles>>& consultas)
{
    if (consultas.size() < 2)
        return;
    const Percentiles& base = consultas.front().second;
    std::printf("  %12s %9s %9s %9s %9s   %s\n", "artículos", "p50 ms", "p95 ms", "p99 ms", "max ms",
                qPrintable(QStringLiteral("p50/p99 frente a %1").arg(consultas.front().first)));
    for (const auto& [n, p] : consultas)
        std::printf("  %12d %9.2f %9.2f %9.2f %9.2f   %.2fx / %.2fx\n", n, p.p50, p.p95, p.p99, p.max,
                    base.p50 > 0 ? p.p50 / base.p50 : 0.0, base.p99 > 0 ? p.p99 / base.p99 : 0.0);
    std::fflush(stdout);
}

int ejecutar(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The measured child processes: the program's start-up, and one station through the server.
    if (argc >= 2 && qstrcmp(argv[1], "--hijo-arranque") == 0)
        return bench::hijoArranque(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--hijo-estacion") == 0)
        return bench::hijoEstacion(argc, argv);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivo-bench"));
    // The catalogue file goes to a test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);

    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral("Benchmarks de Lumivo."));
    opciones.addHelpOption();
    const QCommandLineOption articulos(
        QStringLiteral("articulos"),
        QStringLiteral("Tamaños de catálogo de la consulta y la búsqueda, separados por comas (10000,100000,1000000)."),
        QStringLiteral("n,n"), QStringLiteral("10000,100000,1000000"));
    const QCommandLineOption millon(QStringLiteral("millon"),
                                    QStringLiteral("Agrega 1,000,000 a --articulos cuando no está."));
    const QCommandLineOption solo(
        QStringLiteral("solo"),
        QStringLiteral(
            "Sólo estas medidas: consulta,catalogo,arranque,estaciones,soak,colgado,retardo,reportes (las cuatro "
            "últimas sólo así)."),
        QStringLiteral("lista"), QStringLiteral("consulta,catalogo,arranque,estaciones"));
    const QCommandLineOption consultas(QStringLiteral("consultas"), QStringLiteral("Consultas medidas por tamaño."),
                                       QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption movimientos(QStringLiteral("movimientos"),
                                         QStringLiteral("Movimientos del arrastre en diseño."), QStringLiteral("n"),
                                         QStringLiteral("300"));
    const QCommandLineOption repeticiones(
        QStringLiteral("repeticiones"),
        QStringLiteral("Repeticiones de cada búsqueda en catálogo (3 a lo más sobre 100,000 artículos)."),
        QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption arranques(QStringLiteral("arranques"),
                                       QStringLiteral("Arranques medidos, tras uno de calentamiento."),
                                       QStringLiteral("n"), QStringLiteral("8"));
    const QCommandLineOption estaciones(QStringLiteral("estaciones"),
                                        QStringLiteral("Estaciones a la vez contra el servidor."),
                                        QStringLiteral("n,n"), QStringLiteral("1,4,16"));
    const QCommandLineOption segundos(QStringLiteral("segundos"),
                                      QStringLiteral("Duración de cada fase de estaciones."), QStringLiteral("s"),
                                      QStringLiteral("30"));
    const QCommandLineOption cache(QStringLiteral("cache"), QStringLiteral("Carpeta de las bases generadas."),
                                   QStringLiteral("carpeta"));
    const QCommandLineOption soakMinutos(QStringLiteral("soak-minutos"), QStringLiteral("Duración del soak."),
                                         QStringLiteral("n"), QStringLiteral("60"));
    const QCommandLineOption soakReinicio(QStringLiteral("soak-reinicio"),
                                          QStringLiteral("Segundos entre reinicios del servidor en el soak."),
                                          QStringLiteral("s"), QStringLiteral("300"));
    const QCommandLineOption retardoMs(QStringLiteral("retardo-ms"),
                                       QStringLiteral("Retardo por sentido de la red lenta (retardo); ida y vuelta, "
                                                      "el doble."),
                                       QStringLiteral("ms"), QStringLiteral("15"));
    const QCommandLineOption retardoConsultas(
        QStringLiteral("retardo-consultas"),
        QStringLiteral("Consultas existentes, y otras tantas desconocidas, por retardo (retardo)."),
        QStringLiteral("n"), QStringLiteral("300"));
    const QCommandLineOption retardoMinutos(QStringLiteral("retardo-minutos"),
                                            QStringLiteral("Duración de cada ventana de tráfico del índice (retardo)."),
                                            QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption registro(QStringLiteral("registro"),
                                      QStringLiteral("Consultas registradas en 30 días para los reportes (reportes)."),
                                      QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption soloGenerar(QStringLiteral("solo-generar"), QStringLiteral("Sólo genera las bases."));
    opciones.addOptions({articulos, millon, solo, consultas, movimientos, repeticiones, arranques, estaciones, segundos,
                         cache, soakMinutos, soakReinicio, retardoMs, retardoConsultas, retardoMinutos, registro,
                         soloGenerar});
    opciones.process(app);

    int errores = 0;
    try {
        std::vector<int> tamanos = enteros(opciones.value(articulos));
        if (opciones.isSet(millon) && std::find(tamanos.begin(), tamanos.end(), 1000000) == tamanos.end())
            tamanos.push_back(1000000);
        const QStringList partes = opciones.value(solo).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString& p : partes) {
            if (p != kConsulta && p != kCatalogo && p != kArranque && p != kEstaciones && p != kSoak && p != kColgado &&
                p != kRetardo && p != kReportes)
                throw std::runtime_error("unknown --solo part: " + p.toStdString());
        }
        const QString carpeta =
            QDir(opciones.isSet(cache) ? opciones.value(cache) : bench::carpetaCache()).absolutePath();
        QDir().mkpath(carpeta);

        // config.xml and the grid's stored columns of the run live in a throw-away folder on the
        // same disk as the databases.
        QTemporaryDir estacion(QDir(carpeta).filePath(QStringLiteral("estacion-XXXXXX")));
        if (!estacion.isValid() || !QDir::setCurrent(estacion.path()))
            throw std::runtime_error("cannot create the station folder");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, estacion.filePath(QStringLiteral("usuario")));

        int ncpu = 0;
        QString cpu;
        QFile info(QStringLiteral("/proc/cpuinfo"));
        if (info.open(QIODevice::ReadOnly)) {
            for (const QByteArray& l : info.readAll().split('\n')) {
                if (l.startsWith("model name")) {
                    ++ncpu;
                    cpu = QString::fromLatin1(l.mid(l.indexOf(':') + 1).trimmed());
                }
            }
        }
        std::printf("Lumivo bench: %d CPU (%s), Qt %s, carga %s\n", ncpu, qPrintable(cpu), qVersion(),
                    qPrintable(cargaDelSistema()));
        std::fflush(stdout);
        if (opciones.isSet(soloGenerar)) {
            for (int n : tamanos)
                bench::asegurarEmpresa(carpeta, n);
            return 0;
        }

        // The start-up and the stations run on the 100,000-article database.
        constexpr int kEstandar = 100000;
        if (partes.contains(kConsulta)) {
            for (int n : tamanos)
                medir(carpeta, n, opciones.value(consultas).toInt(), opciones.value(movimientos).toInt());
            if (tamanos.size() > 1) {
                int fallidas = 0;
                tablaDeCrecimiento(medirCrecimiento(carpeta, tamanos, opciones.value(consultas).toInt(), &fallidas));
                if (fallidas)
                    std::printf("  ERRORES: %d consultas no dieron lo esperado\n", fallidas);
                errores += fallidas;
            }
        }
        if (partes.contains(kCatalogo)) {
            const int r = std::max(1, opciones.value(repeticiones).toInt());
            for (int n : tamanos)
                errores += bench::medirCatalogo(carpeta, n, n > kEstandar ? std::min(3, r) : r);
        }
        if (partes.contains(kArranque))
            errores += bench::medirArranque(carpeta, kEstandar, std::max(1, opciones.value(arranques).toInt()));
        if (partes.contains(kEstaciones))
            errores += bench::medirEstaciones(carpeta, kEstandar, enteros(opciones.value(estaciones)),
                                              std::max(2, opciones.value(segundos).toInt()));
        if (partes.contains(kColgado))
            errores += bench::medirColgado(carpeta, tamanos.front(), 10);
        if (partes.contains(kRetardo))
            errores += bench::medirRetardo(
                carpeta, kEstandar,
                {std::max(0, opciones.value(retardoMs).toInt()), std::max(1, opciones.value(retardoConsultas).toInt()),
                 std::max(1, opciones.value(retardoMinutos).toInt()), std::max(1, opciones.value(arranques).toInt()),
                 std::clamp(opciones.value(repeticiones).toInt(), 1, 5)});
        if (partes.contains(kReportes))
            errores += bench::medirReportes(carpeta, std::max(1, opciones.value(registro).toInt()),
                                            std::clamp(opciones.value(repeticiones).toInt(), 1, 5));
        if (partes.contains(kSoak))
            errores += bench::medirSoak(carpeta, {std::max(1, opciones.value(soakMinutos).toInt()),
                                                  std::max(10, opciones.value(soakReinicio).toInt())});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumivo-bench: %s\n", e.what());
        return 1;
    }
    return errores ? 2 : 0;
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
