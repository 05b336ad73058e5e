#include "VozSistema.h"

#include <QTextToSpeech>
#include <optional>

namespace {

// A Mexican voice first, then a Latin American one (espeak-ng has "es-419"), then any Spanish one.
std::optional<QLocale> vozEspanola(const QTextToSpeech& motor)
{
    std::optional<QLocale> elegida;
    int mejor = 0;
    for (const QLocale& l : motor.availableLocales()) {
        if (l.language() != QLocale::Spanish)
            continue;
        const int puntos = l.territory() == QLocale::Mexico ? 3 : l.territory() == QLocale::LatinAmerica ? 2 : 1;
        if (puntos > mejor) {
            mejor = puntos;
            elegida = l;
        }
    }
    return elegida;
}

} // namespace

VozSistema::VozSistema(QTextToSpeech* motor)
    : m_motor(motor)
{
    QObject::connect(m_motor.get(), &QTextToSpeech::errorOccurred, m_motor.get(),
                     [this](QTextToSpeech::ErrorReason, const QString& texto) { fallo(texto); });
}

VozSistema::~VozSistema() = default;

std::unique_ptr<VozSistema> VozSistema::crear(QString& motivo)
{
    if (QTextToSpeech::availableEngines().isEmpty()) {
        motivo = QStringLiteral("Voz desactivada: no hay servicio de voz instalado.");
        return nullptr;
    }
    auto motor = std::make_unique<QTextToSpeech>();
    if (motor->state() == QTextToSpeech::Error) {
        motivo = QStringLiteral("Voz desactivada: el servicio de voz no responde (%1).").arg(motor->errorString());
        return nullptr;
    }
    const std::optional<QLocale> idioma = vozEspanola(*motor);
    if (!idioma) {
        motivo = QStringLiteral("Voz desactivada: el servicio de voz no tiene voz en español.");
        return nullptr;
    }
    motor->setLocale(*idioma);
    return std::unique_ptr<VozSistema>(new VozSistema(motor.release()));
}

void VozSistema::decir(const QString& texto)
{
    if (m_fallo)
        return;
    // say() itself drops whatever was being said.
    m_motor->say(texto);
}

void VozSistema::callar()
{
    if (!m_fallo && m_motor->state() != QTextToSpeech::Ready)
        m_motor->stop(QTextToSpeech::BoundaryHint::Immediate);
}

QLocale VozSistema::idioma() const
{
    return m_motor->locale();
}

bool VozSistema::hablando() const
{
    const QTextToSpeech::State s = m_motor->state();
    return s == QTextToSpeech::Speaking;
}

void VozSistema::fallo(const QString& texto)
{
    if (m_fallo)
        return;
    m_fallo = true;
    if (m_alFallar)
        m_alFallar(QStringLiteral("Voz desactivada: %1").arg(texto));
}
