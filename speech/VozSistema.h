#pragma once

#include "Voz.h"

#include <QLocale>
#include <functional>
#include <memory>

class QTextToSpeech;

// The system's speech service through Qt's text-to-speech module, with a Spanish voice.
class VozSistema final : public Voz {
public:
    ~VozSistema() override;
    VozSistema(const VozSistema&) = delete;
    VozSistema& operator=(const VozSistema&) = delete;

    // The voice, or nullptr with `motivo` set to a sentence that tells the operator why the
    // station will stay silent: no speech service, a service that does not start, no Spanish voice.
    static std::unique_ptr<VozSistema> crear(QString& motivo);

    void decir(const QString& texto) override;
    void callar() override;

    // Called once, on the window thread, when the service fails after it started.
    void setAlFallar(std::function<void(const QString&)> alFallar) { m_alFallar = std::move(alFallar); }
    QLocale idioma() const;
    // True while the service is still speaking or has text queued.
    bool hablando() const;

private:
    explicit VozSistema(QTextToSpeech* motor);
    void fallo(const QString& texto);

    std::unique_ptr<QTextToSpeech> m_motor;
    std::function<void(const QString&)> m_alFallar;
    bool m_fallo = false;
};
