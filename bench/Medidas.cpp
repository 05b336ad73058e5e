#include "Medidas.h"

#include "Generador.h"
#include "app/Lumivo.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace bench {

Percentiles percentiles(std::vector<double> ms)
{
    Percentiles p;
    p.n = ms.size();
    if (ms.empty())
        return p;
    std::sort(ms.begin(), ms.end());
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
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2) : QString();
}

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
        const QStringList deEl = clavesDe(n);
        claves.push_back({deEl[qsizetype(azar() % unsigned(deEl.size()))], true});
    }
    std::shuffle(claves.begin(), claves.end(), azar);
    return claves;
}

void abrirEstacion(Lumivo& app)
{
    TfrmConsulta& w = app.frmConsulta;
    w.Conexion();
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        throw std::runtime_error("the main window was not exposed");
    w.findChild<QAction*>(QStringLiteral("Disear1"))->setChecked(false);
    w.CargarInfo();
    w.Limpiar();
}

void abrirEstacionLocal(Lumivo& app, const QString& carpetaDatos, const QString& empresa)
{
    DatosConexion& d = app.sesion.datos;
    d.TipoAcceso = QStringLiteral("1");
    d.CarpetaDatos = carpetaDatos + QLatin1Char('/');
    d.Empresa = empresa;
    d.Usuario = QStringLiteral("sysdba");
    d.Contrasena = QStringLiteral("masterkey");
    abrirEstacion(app);
}

Escaneo escanear(Lumivo& app, const Clave& clave, const platform::RecordingNotifier& avisos)
{
    TfrmConsulta& w = app.frmConsulta;
    auto* ed = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* nombre = w.findChild<QLabel*>(QStringLiteral("lblNombreArticulo"));
    ed->setText(clave.texto);
    const int beepsAntes = avisos.beeps;
    Escaneo e;
    QElapsedTimer t;
    t.start();
    QTest::keyClick(ed, Qt::Key_Return);
    // The lookup runs on the service's thread: the window's loop waits for its answer, then
    // repaints the display.
    while (w.consultaPendiente() && msDesde(t) < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double antesDelLazo = msDesde(t);
    QCoreApplication::processEvents();
    e.ms = msDesde(t);
    e.repintado = e.ms - antesDelLazo;
    e.esperado = clave.existe ? w.articuloId() != 0 && nombre->isVisible() && avisos.beeps == beepsAntes
                              : avisos.beeps > beepsAntes; // a beep, or a misread's double beep
    return e;
}

double msMonotonico()
{
    // steady_clock is CLOCK_MONOTONIC on Linux: one clock for every process of the machine.
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

PrimeraPantalla primeraPantalla(const ContadorPintado& pintado, const std::function<void()>& empezar)
{
    const int antes = pintado.veces;
    QElapsedTimer t;
    t.start();
    empezar();
    QCoreApplication::processEvents();
    return {msDesde(t), pintado.veces != antes};
}

} // namespace bench
