#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
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

// Counts paints of a widget (a grid's viewport): a search is done when its rows have been painted.
class ContadorPintado : public QObject {
public:
    explicit ContadorPintado(QWidget* w) { w->installEventFilter(this); }
    int veces = 0;
    std::function<void()> alPintar; // once, after the next paint

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++veces;
            if (alPintar) {
                // Queued: it runs once the paint this event starts has been done.
                QTimer::singleShot(0, this, std::exchange(alPintar, nullptr));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// `empezar`, then the events it posted (the paint among them): how long that took, and whether
// `pintado` saw a paint in it.
struct PrimeraPantalla {
    double ms = 0;
    bool pintada = false;
};
PrimeraPantalla primeraPantalla(const ContadorPintado& pintado, const std::function<void()>& empezar);

} // namespace bench
