#pragma once

#include <QString>

namespace bench {

// The report window over a large scan log: a company with `filas` log rows spread over the last 30
// days (kept in the cache for the day it was made), the real window on it, and the time from the
// operator's action (opening, a new period, a tab) to the first screen of each report painted; the
// same statements through the firebird layer alone beside it, and the keys not found read with
// their index off. Returns the number of failures (a report that did not show or said a failure).
int medirReportes(const QString& carpeta, int filas, int repeticiones);

} // namespace bench
