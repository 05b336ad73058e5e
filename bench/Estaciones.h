#pragma once

#include <QString>
#include <vector>

namespace bench {

// One station in a process of its own: the real main window offscreen, connected through the
// Firebird server on localhost to the company database in the folder given as the first
// argument after the mode. It connects and warms up, prints "listo", waits for a line on
// stdin, then looks keys up for the given seconds, once every interval (0: back to back), and
// prints its latencies and its time window. Returns the process's exit code.
int hijoEstacion(int argc, char* argv[]);

// A copy of the generated database of `articulos` articles for the server, then for every
// count of stations in `estaciones` two phases of `segundos` each: every station scanning once
// a second, and every station scanning back to back. Figures go to stdout; returns the number
// of failures (a missing server is one).
int medirEstaciones(const QString& carpeta, int articulos, const std::vector<int>& estaciones, int segundos);

} // namespace bench
