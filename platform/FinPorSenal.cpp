#include "FinPorSenal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int tubo[2] = {-1, -1};

// Only what is safe inside a signal handler: one write, errno kept for the code it interrupted.
void alRecibirSenal(int)
{
    const int errnoGuardado = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t escrito = ::write(tubo[1], &byte, 1);
    errno = errnoGuardado;
}

} // namespace

namespace platform {

bool terminarConSenales()
{
    if (tubo[0] >= 0)
        return true;
    if (::pipe2(tubo, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notificador = new QSocketNotifier(tubo[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notificador, &QSocketNotifier::activated, notificador, [] {
        char bytes[16];
        while (::read(tubo[0], bytes, sizeof bytes) > 0) {
        }
        // exit() stops every running loop of the thread, the modal ones too, and any loop
        // started afterwards returns at once; quit() would close the windows first, running
        // the main window's closing steps.
        QCoreApplication::exit(0);
    });

    struct sigaction accion = {};
    accion.sa_handler = alRecibirSenal;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &accion, nullptr) == 0 && ::sigaction(SIGINT, &accion, nullptr) == 0;
}

} // namespace platform
