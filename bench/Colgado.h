#pragma once

#include <QString>

namespace bench {

// A server that stops answering without closing its connections: the station's server (a Firebird
// server of its own on loopback) is stopped with SIGSTOP before each of `veces` scans, and the time
// from Enter to the no-answer message on the display is measured; the server then continues and
// the station's background attempt gets through before the next round. Returns the number of
// failures (a scan that did not end in the message, a box, a station that did not recover).
int medirColgado(const QString& carpeta, int articulos, int veces);

} // namespace bench
