#pragma once

#include "Voz.h"

#include <QLocale>
#include <chrono>
#include <functional>
#include <memory>

class QObject;
class QThread;

// How long the voice waits for its speech service before it gives up on it for the run.
struct PlazosVoz {
    // Each call once the voice is open: speaking, silencing.
    std::chrono::milliseconds llamada{1000};
    // The opening: a healthy speech-dispatcher with espeak-ng's thousands of voices takes
    // over a second to list them, and several on a busy machine.
    std::chrono::milliseconds apertura{20000};
};

// The system's speech service through Qt's text-to-speech module, with a Spanish voice.
//
// The service's client waits for every answer without a time limit, so the engine lives on a
// thread of its own, opening included: the window thread only hands texts over. A service call
// that has not answered in time switches the voice off for the rest of the run; the thread
// stuck in it is left behind, never joined.
class VozSistema final : public Voz {
public:
    using Plazos = PlazosVoz;

    // Starts opening the voice and returns at once. `alEstado` is called at most once, on the
    // window thread, with the sentence that tells the operator why the station went silent: no
    // speech service, no Spanish voice, a service that fails or does not answer.
    explicit VozSistema(std::function<void(const QString&)> alEstado, Plazos plazos = {});
    ~VozSistema() override;
    VozSistema(const VozSistema&) = delete;
    VozSistema& operator=(const VozSistema&) = delete;

    // Only posts the text: a text not yet handed to the service is replaced by a newer one.
    void decir(const QString& texto) override;
    void callar() override;

    // True once the engine is open with its Spanish voice, until the voice is switched off.
    bool abierta() const;
    bool desactivada() const;
    QLocale idioma() const;
    // True while the service reports that it speaks.
    bool hablando() const;

    // True once a voice ended with its thread still running (inside a service that does not
    // answer): the process must then leave without its static finalizers.
    static bool hiloSuelto();

private:
    struct Estado;
    class Trabajador;

    void vigilar(unsigned long long llamada, std::chrono::milliseconds plazo);
    void desactivar(const QString& texto);

    std::function<void(const QString&)> m_alEstado;
    Plazos m_plazos;
    std::shared_ptr<Estado> m_estado;
    std::unique_ptr<QObject> m_receptor; // the window thread's end: reports and watchdog timers
    QThread* m_hilo = nullptr;
    Trabajador* m_trabajador = nullptr;
};
