#pragma once

#include <QElapsedTimer>
#include <QString>
#include <vector>

struct Lumivo;
namespace platform {
class RecordingNotifier;
}

// What every measurement of the benchmarks shares: percentiles, printing, memory and load.
namespace bench {

struct Percentiles {
    double p50 = 0, p95 = 0, p99 = 0, max = 0;
    size_t n = 0;
};

// Nearest rank.
Percentiles percentiles(std::vector<double> ms);

// One line "title  p50 … p95 … p99 … max … ms".
void linea(const char* titulo, const Percentiles& p);

// kB of a field of /proc/self/status (VmHWM, VmRSS); -1 when unreadable.
long memoria(const char* campo);

// The three load averages of /proc/loadavg.
QString cargaDelSistema();

inline double msDesde(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Clave {
    QString texto;
    bool existe = false;
};

// `cuantas` keys of a generated database of `articulos` articles: ten existing ones (random
// article, random key of it) for every unknown one, shuffled.
std::vector<Clave> clavesAlAzar(int articulos, int cuantas, unsigned semilla);

// The main window of `app` connected with the session's connection data as they stand, shown,
// out of design mode, its settings loaded and the display cleared: a station waiting for its
// first scan.
void abrirEstacion(Lumivo& app);

// abrirEstacion on the local company database carpetaDatos/empresa.fdb as SYSDBA.
void abrirEstacionLocal(Lumivo& app, const QString& carpetaDatos, const QString& empresa);

struct Escaneo {
    double ms = 0;         // Enter to the repainted display
    double repintado = 0;  // of which the event loop after the key press
    bool esperado = false; // found and shown without a beep, or the not-found (or misread) beep
};

// One scan in the key field of `app`'s main window: the key, Enter, then the event loop once.
Escaneo escanear(Lumivo& app, const Clave& clave, const platform::RecordingNotifier& avisos);

// Milliseconds of the monotonic clock, comparable between processes of this machine.
double msMonotonico();

} // namespace bench
