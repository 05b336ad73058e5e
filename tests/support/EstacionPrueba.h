#pragma once

// A station for the main window's tests, started the way the window tests drive it: a fresh
// temporary folder as the working folder (config.xml goes there), the stand-in company with the
// station's own objects (tests/support/EmpresaInstalada.h), the message and beep recorder, and
// the program built without its automatic start-up (tests/support/ArranqueManual.h), logged in
// to the company by hand. Links lumivo_app.

#include <QString>
#include <functional>
#include <memory>

class QTemporaryDir;
struct Lumivo;

namespace platform {
class RecordingNotifier;
}

namespace testsupport {

class PrivateServer;

class EstacionPrueba {
public:
    // The company "DEMO.fdb" in the temporary folder, opened by the embedded engine.
    EstacionPrueba();
    // The company in the data folder of a running private server, opened through it as SYSDBA.
    explicit EstacionPrueba(PrivateServer& servidor);
    // The program first, then the recorder; the working folder goes back to the system's
    // temporary one before the test's folder is removed.
    ~EstacionPrueba();
    EstacionPrueba(const EstacionPrueba&) = delete;
    EstacionPrueba& operator=(const EstacionPrueba&) = delete;

    // The folder could be made; the company database is in place (the constructor throws when
    // its installation fails).
    bool valida() const;
    const QTemporaryDir& carpeta() const { return *m_dir; }
    const QString& rutaEmpresa() const { return m_rutaEmpresa; }
    platform::RecordingNotifier& avisos() { return *m_avisos; }

    // Builds the program (a program built before is destroyed first): the main window and every
    // dialog, nothing started. rutaContrasena keeps the stored start's password file elsewhere.
    Lumivo& crear(const QString& rutaContrasena = QString());
    Lumivo& app() { return *m_app; }
    bool creada() const { return m_app != nullptr; }
    void destruir();

    struct Apertura {
        // The company's settings loaded (CargarInfo); before the window shows, or once it has.
        bool cargarInfo = true;
        bool cargarAntesDeMostrar = false;
        // Waits until the window is active, not only exposed.
        bool activa = false;
        // Run right before the display is cleared (settings a test puts in place by hand).
        std::function<void()> antesDeLimpiar;
    };
    // Logs in to the company (SYSDBA), shows the main window and waits for it, turns design mode
    // off and clears the display, as the start-up leaves it. Builds the program when it is not.
    // False (with a warning) when the window did not show.
    bool abrir(const Apertura& apertura);
    bool abrir() { return abrir(Apertura{}); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    PrivateServer* m_servidor = nullptr;
    QString m_rutaEmpresa;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    std::unique_ptr<Lumivo> m_app;
};

} // namespace testsupport
