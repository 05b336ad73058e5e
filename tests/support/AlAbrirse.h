#pragma once

// A test's steps played inside a dialog's modal loop: the dialogs a test drives run their own
// event loop (exec), so the steps have to be queued before and wait there for the dialog.

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>

class QDialog;
class QEvent;

namespace testsupport {

// Runs `accion` inside `dialogo`'s modal loop, once, from the next pass of the event loop on: it
// waits until the dialog is the active modal window and one more pass has run the work the dialog
// queues on showing. `accion` gets whether the dialog was modal: false when it closed by itself
// first (the action still runs, to look at what it left). A dialog that is not modal within ten
// seconds fails the test, and it, or the modal window in its place, is closed rather than left to
// hang the run. Nothing runs once `contexto` or the dialog is gone.
void enSuBucleModal(QDialog& dialogo, QObject& contexto, std::function<void(bool modal)> accion);

// Plays an action inside a dialog's modal loop (as enSuBucleModal) each time it is shown, counting
// the showings. A dialog still open after its action, or shown with no action, is rejected, so a
// failed step never blocks the run.
class AlAbrirse : public QObject {
public:
    explicit AlAbrirse(QDialog& dialogo, std::function<void()> accion = nullptr);
    AlAbrirse(QDialog& dialogo, std::function<void(QDialog*)> accion);

    // A different action for a later showing: the queued ones play in order, one per showing,
    // and then the constructor's again.
    void luego(std::function<void()> accion);

    int veces() const { return m_veces; }
    bool modal() const { return m_modal; } // it was the active modal window at its last action

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QDialog> m_dialogo;
    std::function<void(QDialog*)> m_accion;
    std::deque<std::function<void()>> m_siguientes;
    int m_veces = 0;
    bool m_modal = false;
};

} // namespace testsupport
