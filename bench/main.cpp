// Lumivo benchmarks: the lookup by key end to end in the real main window against large stand-in
// company databases, the same statements through the Firebird layer alone, memory, and one
// design-mode drag movement. Figures go to stdout.

#include "Generador.h"

#include "app/Lumivo.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/BusquedaClave.h"
#include "lookup/Presentacion.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <random>
#include <vector>

namespace {

struct Percentiles {
    double p50 = 0, p95 = 0, p99 = 0, max = 0;
};

Percentiles percentiles(std::vector<double> ms)
{
    Percentiles p;
    if (ms.empty())
        return p;
    std::sort(ms.begin(), ms.end());
    // Nearest rank.
    const auto rango = [&ms](double q) {
        const auto i = static_cast<size_t>(std::max(1.0, std::ceil(q * double(ms.size()))));
        return ms[i - 1];
    };
    p.p50 = rango(0.50);
    p.p95 = rango(0.95);
    p.p99 = rango(0.99);
    p.max = ms.back();
    return p;
}

void linea(const char* titulo, const Percentiles& p)
{
    std::printf("  %-38s p50 %7.2f  p95 %7.2f  p99 %7.2f  max %7.2f ms\n", titulo, p.p50, p.p95, p.p99, p.max);
}

// kB from /proc/self/status.
long memoria(const char* campo)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefijo = QByteArray(campo) + ':';
    for (const QByteArray& l : f.readAll().split('\n')) {
        if (l.startsWith(prefijo))
            return l.mid(prefijo.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QString cargaDelSistema()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2)
                                       : QString();
}

double msDesde(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Clave {
    QString texto;
    bool existe = false;
};

// `cuantas` keys: ten existing ones (random article, random key of it) for every unknown one.
std::vector<Clave> clavesAlAzar(int articulos, int cuantas, unsigned semilla)
{
    std::mt19937 azar(semilla);
    std::vector<Clave> claves;
    claves.reserve(size_t(cuantas));
    for (int i = 0; i < cuantas; ++i) {
        if (i % 11 == 10) {
            // A barcode outside the generated range, or a typed word.
            claves.push_back({i % 2 ? QStringLiteral("7599%1").arg(azar() % 100000000u, 9, 10, QLatin1Char('0'))
                                    : QStringLiteral("NO-EXISTE-%1").arg(azar() % 100000u),
                              false});
            continue;
        }
        const int n = std::uniform_int_distribution<int>(0, articulos - 1)(azar);
        const QStringList deEl = bench::clavesDe(n);
        claves.push_back({deEl[qsizetype(azar() % unsigned(deEl.size()))], true});
    }
    std::shuffle(claves.begin(), claves.end(), azar);
    return claves;
}

struct ResultadoVentana {
    std::vector<double> todas, encontradas, desconocidas;
    std::vector<double> repintado; // the event loop after Enter: mostly painting the display
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
    Lumivo app(false);
    TfrmConsulta& w = app.frmConsulta;
    DatosConexion& d = app.sesion.datos;
    d.TipoAcceso = QStringLiteral("1");
    d.CarpetaDatos = carpetaDatos + QLatin1Char('/');
    d.Empresa = empresa;
    d.Usuario = QStringLiteral("sysdba");
    d.Contrasena = QStringLiteral("masterkey");
    w.Conexion();
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        throw std::runtime_error("the main window was not exposed");
    w.findChild<QAction*>(QStringLiteral("Disear1"))->setChecked(false);
    w.CargarInfo();
    const AjustesConsulta& a = w.ajustes();
    if (a.MostrarBuscador || !a.MostrarExistencia || !a.MostrarLstPrecios || !a.MostrarPolVol || !a.MostrarClave ||
        !a.DsctosCombo)
        throw std::runtime_error("the benchmark database's settings are not the expected ones");
    w.Limpiar();

    auto* ed = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* nombre = w.findChild<QLabel*>(QStringLiteral("lblNombreArticulo"));
    const auto consultar = [&](const Clave& c, std::vector<double>* destino) {
        ed->setText(c.texto);
        const int beepsAntes = avisos.beeps;
        QElapsedTimer t;
        t.start();
        QTest::keyClick(ed, Qt::Key_Return);
        const double antesDelLazo = msDesde(t);
        QCoreApplication::processEvents();
        const double ms = msDesde(t);
        const bool bien = c.existe ? (w.articuloId() != 0 && nombre->isVisible() && avisos.beeps == beepsAntes)
                                   : avisos.beeps == beepsAntes + 1;
        if (!bien && ++r.errores <= 5)
            std::fprintf(stderr, "  inesperado: clave %s (%s): artículo %d, pitidos %d\n", qPrintable(c.texto),
                         c.existe ? "existente" : "desconocida", w.articuloId(), avisos.beeps - beepsAntes);
        if (destino) {
            destino->push_back(ms);
            r.repintado.push_back(ms - antesDelLazo);
            (c.existe ? r.encontradas : r.desconocidas).push_back(ms);
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
    r.hwmFin = memoria("VmHWM");
    r.rssFin = memoria("VmRSS");
    for (const platform::RecordingNotifier::Message& m : avisos.messages) {
        ++r.errores;
        std::fprintf(stderr, "  mensaje inesperado: %s\n", qPrintable(m.text));
    }

    // Design mode through the menu, then one drag of the article name: every movement moves it
    // and writes its "_X" and "_Y" keys.
    if (movimientos > 0) {
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
            std::fprintf(stderr, "  inesperado: el arrastre no movió el nombre del artículo (diseño %d, visible %d, "
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
    precios.setSql(presentacion::sqlPrecios(0));
    volumen.setSql(presentacion::kSqlVolumen);
    combos.setSql(presentacion::kSqlCombos);
    existe.setSql(presentacion::kSqlAlmacen);
    listaClaves.setSql(presentacion::kSqlClaves);
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

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivo-bench"));
    // The catalogue file and stored columns go to a test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);

    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral("Benchmarks de Lumivo."));
    opciones.addHelpOption();
    const QCommandLineOption articulos(QStringLiteral("articulos"),
                                       QStringLiteral("Tamaños de catálogo, separados por comas (10000,100000)."),
                                       QStringLiteral("n,n"), QStringLiteral("10000,100000"));
    const QCommandLineOption millon(QStringLiteral("millon"),
                                    QStringLiteral("Agrega el catálogo de 1,000,000 de artículos (tarda en generarse)."));
    const QCommandLineOption consultas(QStringLiteral("consultas"), QStringLiteral("Consultas medidas por tamaño."),
                                       QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption movimientos(QStringLiteral("movimientos"),
                                         QStringLiteral("Movimientos del arrastre en diseño."), QStringLiteral("n"),
                                         QStringLiteral("300"));
    const QCommandLineOption cache(QStringLiteral("cache"), QStringLiteral("Carpeta de las bases generadas."),
                                   QStringLiteral("carpeta"));
    const QCommandLineOption soloGenerar(QStringLiteral("solo-generar"), QStringLiteral("Sólo genera las bases."));
    opciones.addOptions({articulos, millon, consultas, movimientos, cache, soloGenerar});
    opciones.process(app);

    try {
        std::vector<int> tamanos;
        for (const QString& t : opciones.value(articulos).split(QLatin1Char(','), Qt::SkipEmptyParts))
            tamanos.push_back(t.trimmed().toInt());
        if (opciones.isSet(millon))
            tamanos.push_back(1000000);
        const QString carpeta = opciones.isSet(cache) ? opciones.value(cache) : bench::carpetaCache();
        QDir().mkpath(carpeta);

        // config.xml of the run lives in a throw-away folder on the same disk as the databases.
        QTemporaryDir estacion(QDir(carpeta).filePath(QStringLiteral("estacion-XXXXXX")));
        if (!estacion.isValid() || !QDir::setCurrent(estacion.path()))
            throw std::runtime_error("cannot create the station folder");

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
        std::printf("Lumivo bench: %d CPU (%s), Qt %s\n", ncpu, qPrintable(cpu), qVersion());
        std::fflush(stdout);
        for (int n : tamanos) {
            if (n <= 0)
                throw std::runtime_error("--articulos needs positive numbers");
            if (opciones.isSet(soloGenerar))
                bench::asegurarEmpresa(carpeta, n);
            else
                medir(carpeta, n, opciones.value(consultas).toInt(), opciones.value(movimientos).toInt());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumivo-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
