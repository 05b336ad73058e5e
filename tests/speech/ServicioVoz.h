#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QThread;

// A stand-in speech service on a Unix socket, for the real speech client (Qt's speech-dispatcher
// engine and libspeechd) to talk to: point SPEECHD_ADDRESS at direccion() before the voice opens.
// It runs on a thread of its own, as the real service runs in a process of its own, so it
// answers while the test's thread waits. It speaks enough of the service's line protocol to open
// a client with espeak-ng's English, Spanish and Latin American Spanish voices and to take its
// texts: each one is reported as begun until the client cancels it. Mudo accepts the client and
// never answers.
class ServicioVoz final {
public:
    enum class Modo { Responde, Mudo };
    // Without `conEspanol` the service offers only the English voice.
    explicit ServicioVoz(Modo modo, bool conEspanol = true);
    ~ServicioVoz();
    ServicioVoz(const ServicioVoz&) = delete;
    ServicioVoz& operator=(const ServicioVoz&) = delete;

    bool escuchando() const;
    // "unix_socket:<path>", the client's form of the address.
    QByteArray direccion() const;

    // The texts the client asked to speak, in order.
    QStringList dichos() const;
    // Every command line received, texts excluded.
    QStringList ordenes() const;

    // From now on the next SPEAK is left unanswered, so the client waits inside say(), until
    // soltar().
    void retenerHabla();
    bool esperandoHabla() const;
    void soltar();

    class Atencion;

private:
    QTemporaryDir m_dir;
    QThread* m_hilo;
    Atencion* m_atencion;
};
