#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A slow network between the station and its server, without root: a TCP forwarder on
// 127.0.0.1 that connects every client it accepts to a server on loopback and holds each chunk
// of bytes it reads for the delay before passing it on, in each direction (a round trip costs
// twice the delay), the connection's first bytes also for the TCP handshake's round trip. Order
// is kept per direction; the end of one side reaches the other after the delay too, and then
// both sides are closed. No bandwidth limit and no loss. All of it runs on one thread of its own.
namespace bench {

class Retardo {
public:
    struct Conexion {
        std::uint64_t subida = 0; // bytes client -> server
        std::uint64_t bajada = 0; // bytes server -> client
        // Times the client spoke after hearing the server (its first bytes count): the round
        // trips the client waited for, as far as the bytes show.
        std::uint64_t turnos = 0;
        // When each turn's first bytes reached the forwarder, in ms on the steady clock (which
        // every process of the machine shares, so a child's own times compare with these).
        std::vector<double> momentos;
        bool abierta = true;
    };

    // Forwards to 127.0.0.1:puertoServidor, `ms` each way.
    Retardo(std::uint16_t puertoServidor, int ms);
    ~Retardo(); // closes every connection
    Retardo(const Retardo&) = delete;
    Retardo& operator=(const Retardo&) = delete;

    // Listens on a free port and starts the thread; false with porque() when it cannot.
    bool iniciar();
    const QString& porque() const noexcept { return m_porque; }
    std::uint16_t puerto() const noexcept { return m_puerto; }
    // "127.0.0.1/<port>": the station's Server entry for it.
    QString nombreServidor() const;

    // For the bytes read from now on.
    void setRetardo(int ms) { m_ms = ms; }
    int retardo() const { return m_ms; }

    // Every connection accepted so far, in the order of acceptance.
    std::vector<Conexion> conexiones() const;
    int abiertas() const;
    // Turns begun in [desde, hasta] (steady-clock ms) on each connection, in the order of
    // acceptance.
    std::vector<std::uint64_t> turnosEntre(double desde, double hasta) const;

private:
    void trabajar();

    std::uint16_t m_puertoServidor;
    std::atomic<int> m_ms;
    std::uint16_t m_puerto = 0;
    QString m_porque;
    int m_escucha = -1;
    int m_despertar = -1; // eventfd: stop
    std::thread m_hilo;
    mutable std::mutex m_mutex;
    std::vector<Conexion> m_conexiones; // guarded by m_mutex
};

} // namespace bench
