#include "Retardo.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {
namespace {

using Reloj = std::chrono::steady_clock;

// Reading stops on a side while this much waits for the other: the sender then feels the
// pressure as it would on a slow link, and a run cannot grow without bound.
constexpr std::size_t kTope = 8u << 20;
constexpr std::size_t kLectura = 64u << 10;

sockaddr_in loopback(std::uint16_t puerto)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(puerto);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

void sinBloqueo(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Each chunk goes out when it is due, not when Nagle would let it.
    const int uno = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
}

// Bytes read from one side and not yet written to the other; an empty chunk is the side's end.
struct Trozo {
    Reloj::time_point vence;
    std::vector<char> datos;
    std::size_t escrito = 0;
};

struct Sentido {
    std::deque<Trozo> cola;
    std::size_t enCola = 0;
    bool terminado = false; // the end was read: nothing more from that side
};

struct Par {
    std::size_t indice; // in m_conexiones
    int cliente, servidor;
    Sentido subida, bajada;
    Reloj::time_point listo; // the handshake's round trip, as a real link would take it
    bool oyoAlServidor = true;
    bool cerrar = false;
};

enum class Paso { Sigue, Cierra };

// Writes what is due at the head of the queue; Cierra when the end is due or the write failed.
Paso escribir(Sentido& s, int fd, Reloj::time_point ahora)
{
    while (!s.cola.empty() && s.cola.front().vence <= ahora) {
        Trozo& t = s.cola.front();
        if (t.datos.empty())
            return Paso::Cierra;
        const ssize_t n = ::send(fd, t.datos.data() + t.escrito, t.datos.size() - t.escrito, MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Paso::Sigue : Paso::Cierra;
        t.escrito += std::size_t(n);
        if (t.escrito < t.datos.size())
            return Paso::Sigue;
        s.enCola -= t.datos.size();
        s.cola.pop_front();
    }
    return Paso::Sigue;
}

bool debeEscribir(const Sentido& s, Reloj::time_point ahora)
{
    return !s.cola.empty() && s.cola.front().vence <= ahora && !s.cola.front().datos.empty();
}

} // namespace

Retardo::Retardo(std::uint16_t puertoServidor, int ms)
    : m_puertoServidor(puertoServidor)
    , m_ms(ms)
{
}

Retardo::~Retardo()
{
    if (m_hilo.joinable()) {
        const std::uint64_t uno = 1;
        if (::write(m_despertar, &uno, sizeof uno) < 0) {
        }
        m_hilo.join();
    }
    if (m_escucha >= 0)
        ::close(m_escucha);
    if (m_despertar >= 0)
        ::close(m_despertar);
}

QString Retardo::nombreServidor() const
{
    return QStringLiteral("127.0.0.1/%1").arg(m_puerto);
}

bool Retardo::iniciar()
{
    if (m_hilo.joinable())
        return true;
    m_escucha = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    m_despertar = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    sockaddr_in a = loopback(0);
    socklen_t largo = sizeof a;
    if (m_escucha < 0 || m_despertar < 0 || ::bind(m_escucha, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_escucha, 64) != 0 || ::getsockname(m_escucha, reinterpret_cast<sockaddr*>(&a), &largo) != 0) {
        m_porque = QStringLiteral("cannot listen on 127.0.0.1: %1").arg(QString::fromLocal8Bit(::strerror(errno)));
        return false;
    }
    m_puerto = ntohs(a.sin_port);
    m_hilo = std::thread([this] { trabajar(); });
    return true;
}

std::vector<Retardo::Conexion> Retardo::conexiones() const
{
    const std::lock_guard bloqueo(m_mutex);
    return m_conexiones;
}

int Retardo::abiertas() const
{
    const std::lock_guard bloqueo(m_mutex);
    return int(std::count_if(m_conexiones.begin(), m_conexiones.end(), [](const Conexion& c) { return c.abierta; }));
}

std::vector<std::uint64_t> Retardo::turnosEntre(double desde, double hasta) const
{
    const std::lock_guard bloqueo(m_mutex);
    std::vector<std::uint64_t> r;
    for (const Conexion& c : m_conexiones)
        r.push_back(std::uint64_t(
            std::count_if(c.momentos.begin(), c.momentos.end(), [&](double m) { return m >= desde && m <= hasta; })));
    return r;
}

void Retardo::trabajar()
{
    std::vector<std::unique_ptr<Par>> pares;
    std::vector<pollfd> fds;
    std::vector<char> buffer(kLectura);

    const auto aceptar = [&] {
        for (;;) {
            const int cliente = ::accept4(m_escucha, nullptr, nullptr, SOCK_CLOEXEC);
            if (cliente < 0)
                return;
            const int servidor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in destino = loopback(m_puertoServidor);
            // Loopback: the connection is made at once, so a blocking connect costs nothing.
            if (servidor < 0 || ::connect(servidor, reinterpret_cast<const sockaddr*>(&destino), sizeof destino) != 0) {
                if (servidor >= 0)
                    ::close(servidor);
                ::close(cliente);
                continue;
            }
            sinBloqueo(cliente);
            sinBloqueo(servidor);
            auto p = std::make_unique<Par>();
            {
                const std::lock_guard bloqueo(m_mutex);
                p->indice = m_conexiones.size();
                m_conexiones.push_back({});
            }
            p->cliente = cliente;
            p->servidor = servidor;
            p->listo = Reloj::now() + std::chrono::milliseconds(2 * m_ms.load());
            pares.push_back(std::move(p));
        }
    };

    // Reads what one side has into the queue towards the other; false when the pair must close now.
    const auto leer = [&](Par& p, bool delCliente) {
        Sentido& s = delCliente ? p.subida : p.bajada;
        const int fd = delCliente ? p.cliente : p.servidor;
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        const Reloj::time_point ahora = Reloj::now();
        Reloj::time_point vence = ahora + std::chrono::milliseconds(m_ms.load());
        if (delCliente)
            vence = std::max(vence, p.listo + std::chrono::milliseconds(m_ms.load()));
        s.cola.push_back({vence, std::vector<char>(buffer.data(), buffer.data() + n), 0});
        s.enCola += std::size_t(n);
        if (n == 0) {
            s.terminado = true;
            return true;
        }
        const std::lock_guard bloqueo(m_mutex);
        Conexion& c = m_conexiones[p.indice];
        if (delCliente) {
            c.subida += std::uint64_t(n);
            if (std::exchange(p.oyoAlServidor, false)) {
                ++c.turnos;
                c.momentos.push_back(std::chrono::duration<double, std::milli>(ahora.time_since_epoch()).count());
            }
        } else {
            c.bajada += std::uint64_t(n);
            p.oyoAlServidor = true;
        }
        return true;
    };

    for (;;) {
        const Reloj::time_point ahora = Reloj::now();
        fds.clear();
        fds.push_back({m_despertar, POLLIN, 0});
        fds.push_back({m_escucha, POLLIN, 0});
        Reloj::time_point proximo = Reloj::time_point::max();
        for (const auto& p : pares) {
            short eventosCliente = 0, eventosServidor = 0;
            if (!p->subida.terminado && p->subida.enCola < kTope)
                eventosCliente |= POLLIN;
            if (!p->bajada.terminado && p->bajada.enCola < kTope)
                eventosServidor |= POLLIN;
            if (debeEscribir(p->subida, ahora))
                eventosServidor |= POLLOUT;
            if (debeEscribir(p->bajada, ahora))
                eventosCliente |= POLLOUT;
            // A due end has no socket event to wake for: it is taken at once.
            for (const Sentido* s : {&p->subida, &p->bajada}) {
                if (!s->cola.empty() && (s->cola.front().vence > ahora || s->cola.front().datos.empty()))
                    proximo = std::min(proximo, std::max(s->cola.front().vence, ahora));
            }
            // A side that has ended and waits for nothing would report its hang-up at every turn.
            fds.push_back({eventosCliente ? p->cliente : -1, eventosCliente, 0});
            fds.push_back({eventosServidor ? p->servidor : -1, eventosServidor, 0});
        }
        timespec espera{};
        timespec* plazo = nullptr;
        if (proximo != Reloj::time_point::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(proximo - ahora).count();
            espera.tv_sec = time_t(ns / 1000000000);
            espera.tv_nsec = long(ns % 1000000000);
            plazo = &espera;
        }
        if (::ppoll(fds.data(), fds.size(), plazo, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN)
            aceptar();

        const Reloj::time_point despues = Reloj::now();
        for (std::size_t i = 0; i + 2 < fds.size() && i / 2 < pares.size(); i += 2) {
            Par& p = *pares[i / 2];
            const short rc = fds[i + 2].revents, rs = fds[i + 3].revents;
            if (((rc & (POLLIN | POLLHUP | POLLERR)) && !p.subida.terminado && !leer(p, true)) ||
                ((rs & (POLLIN | POLLHUP | POLLERR)) && !p.bajada.terminado && !leer(p, false)))
                p.cerrar = true;
        }
        for (auto& p : pares) {
            if (!p->cerrar && (escribir(p->subida, p->servidor, despues) == Paso::Cierra ||
                               escribir(p->bajada, p->cliente, despues) == Paso::Cierra))
                p->cerrar = true;
        }
        pares.erase(std::remove_if(pares.begin(), pares.end(),
                                   [this](const std::unique_ptr<Par>& p) {
                                       if (!p->cerrar)
                                           return false;
                                       ::close(p->cliente);
                                       ::close(p->servidor);
                                       const std::lock_guard bloqueo(m_mutex);
                                       m_conexiones[p->indice].abierta = false;
                                       return true;
                                   }),
                    pares.end());
    }
    for (auto& p : pares) {
        ::close(p->cliente);
        ::close(p->servidor);
        const std::lock_guard bloqueo(m_mutex);
        m_conexiones[p->indice].abierta = false;
    }
}

} // namespace bench
