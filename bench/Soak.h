#pragma once

#include <QString>

namespace bench {

struct OpcionesSoak {
    int minutos = 60;           // length of the run
    int segundosReinicio = 300; // the server is restarted this often
};

// The station for a long time against a Firebird server of its own on loopback: lookups of
// found and unknown keys, idle clearings, a server restart every few minutes (the lookup that
// finds it gone, then the background reconnection) and design-mode refusals. Resident memory,
// open file descriptors, the server's attachments and live timers are read at the start (after
// a warm-up) and at the end; returns the number of failures (a figure that grew beyond its
// tolerance, an unexpected message, a server that did not come back).
int medirSoak(const QString& carpeta, const OpcionesSoak& opciones);

} // namespace bench
