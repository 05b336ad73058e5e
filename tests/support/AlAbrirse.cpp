#include "tests/support/AlAbrirse.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>

namespace testsupport {

namespace {

// A guard for a dialog that never turns modal, not a measurement.
constexpr std::chrono::seconds kLimite{10};

struct Espera {
    QPointer<QDialog> dialogo;
    QPointer<QObject> contexto;
    std::function<void(bool)> accion;
    QDeadlineTimer limite{kLimite};
    int pasadas = 0;
    bool visto = false;      // it has been seen open, so a hidden dialog has closed
    bool modalAntes = false; // the previous pass saw it modal
};

void seguir(const std::shared_ptr<Espera>& e)
{
    if (!e->contexto)
        return;
    // The first passes without delay, so the steps run as soon as the dialog allows.
    const int espera = e->pasadas < 2 ? 0 : 10;
    QTimer::singleShot(espera, e->contexto.data(), [e] {
        QDialog* dialogo = e->dialogo;
        if (!dialogo)
            return;
        ++e->pasadas;
        const bool modal = QApplication::activeModalWidget() == dialogo;
        e->visto = e->visto || dialogo->isVisible();
        if ((modal && e->modalAntes) || (e->visto && !dialogo->isVisible())) {
            e->accion(modal && e->modalAntes);
            return;
        }
        e->modalAntes = modal;
        if (e->limite.hasExpired()) {
            const QString nombre = dialogo->objectName().isEmpty()
                                       ? QString::fromLatin1(dialogo->metaObject()->className())
                                       : dialogo->objectName();
            QTest::qFail(qPrintable(nombre + QStringLiteral(" never became the active modal window")), __FILE__,
                         __LINE__);
            // Whatever holds the run instead goes, so the test ends with its failure.
            if (dialogo->isVisible())
                dialogo->reject();
            else if (QWidget* otra = QApplication::activeModalWidget())
                otra->close();
            return;
        }
        seguir(e);
    });
}

} // namespace

void enSuBucleModal(QDialog& dialogo, QObject& contexto, std::function<void(bool modal)> accion)
{
    auto e = std::make_shared<Espera>();
    e->dialogo = &dialogo;
    e->contexto = &contexto;
    e->accion = std::move(accion);
    seguir(e);
}

AlAbrirse::AlAbrirse(QDialog& dialogo, std::function<void()> accion)
    : AlAbrirse(dialogo, accion ? std::function<void(QDialog*)>([accion](QDialog*) { accion(); }) : nullptr)
{
}

AlAbrirse::AlAbrirse(QDialog& dialogo, std::function<void(QDialog*)> accion)
    : m_dialogo(&dialogo)
    , m_accion(std::move(accion))
{
    dialogo.installEventFilter(this);
}

void AlAbrirse::luego(std::function<void()> accion)
{
    m_siguientes.push_back(std::move(accion));
}

bool AlAbrirse::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: comparing with the guarded dialog while it is being destroyed is a bad downcast.
    if (event->type() == QEvent::Show && watched == m_dialogo) {
        ++m_veces;
        std::function<void()> siguiente;
        if (!m_siguientes.empty()) {
            siguiente = std::move(m_siguientes.front());
            m_siguientes.pop_front();
        }
        enSuBucleModal(*m_dialogo, *this, [this, siguiente](bool modal) {
            m_modal = modal;
            if (siguiente)
                siguiente();
            else if (m_accion)
                m_accion(m_dialogo);
            if (m_dialogo && m_dialogo->isVisible())
                m_dialogo->reject();
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace testsupport
