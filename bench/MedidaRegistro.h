#pragma once

#include <QString>
#include <vector>

namespace bench {

// The scan log's cost. The lookup in the real main window at `articulos` articles with the log off
// and on, in alternating turns (so the load of a shared machine falls alike on both), on a copy of
// the generated database given the log's objects; the log's rows are counted at the end. Then the
// stations of `estaciones` through the server on 127.0.0.1:3050, one scan a second each, without
// and with the log (medirEstaciones). Figures go to stdout; returns the number of failures.
int medirRegistro(const QString& carpeta, int articulos, int consultas, const std::vector<int>& estaciones,
                  int segundos);

// Gives a copy of a generated database the station's objects of the current version (the cached
// databases may predate them), through the embedded engine; the file must not be open elsewhere.
void prepararRegistro(const QString& ruta);

} // namespace bench
