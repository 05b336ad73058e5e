#pragma once

#include <QString>

namespace bench {

struct OpcionesRetardo {
    int msIda = 15;       // one way; a round trip costs twice
    int consultas = 300;  // found lookups timed, and as many unknown keys
    int minutos = 2;      // each window of the catalogue index's traffic
    int arranques = 8;    // start-ups timed after one warm-up
    int repeticiones = 5; // of each catalogue search
};

// The station on a slow network: a Firebird server of its own on loopback with a copy of the
// generated company of `articulos` articles (as DEMO, beside a system database), reached through
// the delay forwarder (bench/Retardo.h) with no delay and with msIda each way. At each: the
// start-up from the accepted company to the ready display, lookups found and not found (and
// the round trips of a found one), the catalogue search's first screen, and the bytes the
// station moves while idle (the catalogue index's refreshing) per hour, with no change and with
// 100 articles renamed an hour from another connection. Figures go to stdout; returns the
// number of things that did not go as expected.
int medirRetardo(const QString& carpeta, int articulos, const OpcionesRetardo& opciones);

} // namespace bench
