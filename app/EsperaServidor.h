#pragma once

#include "firebird/Error.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QStatusBar;
class QTimer;
class Tdm;

// The status line of the main window while the server cannot be reached:
// "Conectando con el servidor… (intento N) <the server's own message>".
QString textoConectando(int intento, const fb::Error& causa);

// Runs `conectar` until it gets through. A failure because the server cannot be reached (refused,
// unreachable, shut down, the network not up yet) shows the status line and waits pausas(intento)
// milliseconds in the event loop, the window staying live, then tries again; any other failure is
// thrown. No message box waits for a key on the way. Returns false, without trying again, when the
// program is asked to end while it waits.
//
// The window thread never attaches to a server that may hang: each attempt first attaches to
// `destino()` (the database `conectar` opens) on a thread of its own while the event loop runs.
// One that takes more than `plazoMs` is left to its thread (never waited for) and counts as a
// failed attempt; only once the server has answered does `conectar` run, here.
bool esperarServidor(QStatusBar& linea, const std::function<int(int)>& pausas, int plazoMs,
                     const std::function<QStringList()>& destino, const std::function<void()>& conectar);

// During the day: when the shared connection's reconnection has failed (the server is away), tries
// again in the background with the same growing pauses and the same status line, which clears
// itself once the server answers. Each try is first a trial attachment on a thread of its own; one
// that takes more than plazo() ms counts as failed and is left to its thread, and no new trial
// starts while it is held. Nothing is shown in a message box from here.
class VigiaServidor : public QObject {
public:
    VigiaServidor(Tdm& dm, QStatusBar& linea, std::function<int(int)> pausas, std::function<int()> plazo,
                  QObject* parent);

private:
    void revisar();
    void contesto();

    Tdm& m_dm;
    QStatusBar& m_linea;
    std::function<int(int)> m_pausas;
    std::function<int()> m_plazo;
    QTimer* m_timer;
    QTimer* m_vence; // the running trial's deadline
    int m_intento = 0;
    bool m_probando = false;
};
