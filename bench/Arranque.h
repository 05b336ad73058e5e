#pragma once

#include <QString>
#include <vector>

namespace bench {

class Retardo;

// The program as app/main.cpp runs it, in a process of its own: the login and company windows
// answered through their fields and buttons, then "listo …" on stdout once the cleared main
// window waits for the first scan (times in ms since the process entered main()). The data
// folder is the first argument after the mode; the environment and the working folder are the
// parent's choice. Returns the process's exit code.
int hijoArranque(int argc, char* argv[]);

// Start-ups timed from outside and, in ms since the child entered main(), inside.
struct Arranques {
    std::vector<double> total; // process started -> "listo"
    std::vector<double> qt, login, empresa, hastaListo;
    std::vector<double> desdeAceptada; // Enter on the company -> "listo"
    // Through a forwarder, the round trips begun in that span: on the company's main
    // connection (the first opened in it), on those open before it (the system database's),
    // and on the others opened in it (the lookup service's, the catalogue index's).
    std::vector<double> turnosPrincipal, turnosPrevias, turnosOtras;
    double primera = -1; // the warm-up
    int errores = 0;
};

// hijoArranque `corridas` times after one warm-up, with a catalogue whose one connection
// ("Bench") has that access type (1 local, 0 through `servidor`) and data folder `datos`, which
// holds System/Config.fdb and DEMO.fdb; temporary files under `carpeta`.
Arranques arrancar(const QString& carpeta, const QString& datos, int tipoAcceso, const QString& servidor, int corridas,
                   const Retardo* retardo = nullptr);

// Starts hijoArranque `corridas` times (after one warm-up) against a data folder with a fresh
// system database and the generated company database of `articulos` articles as DEMO, each
// timed from the start of the process to its "listo" line. Figures go to stdout; returns the
// number of runs that failed.
int medirArranque(const QString& carpeta, int articulos, int corridas);

} // namespace bench
