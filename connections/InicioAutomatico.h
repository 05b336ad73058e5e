#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>

class Tdm;
struct DatosConexion;
struct Sesion;

// A stored start that no longer works for a reason of its own (the user lost the company, the
// connection left the catalogue); what() is the message for the operator (UTF-8).
class ErrorInicioGuardado : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a station set up for an unattended start logs in with.
struct InicioGuardado {
    QString conexion;
    QString usuario;
    QString empresa;
    QString contrasena;
};

// The station's automatic start, set up once from the menu after a normal login. The connection,
// user and company are station settings (config.xml, section "InicioAutomatico"); the password
// lives in a file of its own in the user's configuration folder, mode 0600, and is never written
// to config.xml, a log or a message. A password file that others may read or that belongs to
// someone else is not used.
class InicioAutomatico {
public:
    // Milliseconds to wait before attempt `intento` (1, 2, ...) against a server that cannot be reached.
    using Pausas = std::function<int(int intento)>;

    // Empty paths mean the password file in the user's configuration folder and the ERP's
    // connection catalogue.
    explicit InicioAutomatico(Tdm& dm, QString rutaContrasena = QString(), QString rutaCatalogo = QString());

    struct Lectura {
        std::optional<InicioGuardado> inicio;
        // One line for the login window when a stored start exists but is not used.
        QString rechazo;
    };
    // The stored start, if the station has one it may use. Never throws: a settings file that
    // cannot be read counts as no stored start.
    Lectura leer();
    // Whether the station has a stored start (the menu item's tick).
    bool guardado();
    // Stores the session's start; throws ErrorConfigIni or ErrorInicioGuardado when it cannot.
    void guardar(const Sesion& sesion);
    // Removes the stored start: the password file is deleted, the settings emptied.
    void quitar();

    // The login and the company choice of the stored start, without their windows: fills the
    // session, attaches the shared connection to the system database and checks that the user may
    // still open the company. A server that cannot be reached throws fb::Error (isConnectionLost);
    // a refused login throws fb::Error; anything else that no longer fits, ErrorInicioGuardado.
    void iniciarSesion(const InicioGuardado& inicio, Sesion& sesion);
    // The system database's parameters iniciarSesion attaches with (the stored connection read from
    // the catalogue), so that the server can be tried beforehand; throws as iniciarSesion does
    // when the connection left the catalogue.
    QStringList parametrosSistema(const InicioGuardado& inicio) const;

    QString rutaContrasena() const;
    QString rutaCatalogo() const;

    // 1, 2, 4, ... up to 30 seconds.
    static int pausaCreciente(int intento);
    Pausas pausas = pausaCreciente;
    // Milliseconds an attempt to attach may take before it is given up and the next one follows
    // its pause: a server that hangs (rather than refusing) is tried again the same way.
    int plazoConexion = 10000;
    // A scan refused while the start waits for the server is looked up once the station is
    // ready, if it is no older than this (ms): a customer a few seconds ago may still be there.
    int vigenciaEscaneo = 10000;

private:
    // The session's connection data for the stored start, without its company yet.
    DatosConexion datosSistema(const InicioGuardado& inicio) const;

    Tdm& m_dm;
    QString m_rutaContrasena;
    QString m_rutaCatalogo;
};

// The operator's check in kiosk mode: the password opens the system database, through the same
// server as the login, as the logged-in ERP user or as SYSDBA.
bool ClaveDeOperadorValida(const DatosConexion& datos, const QString& clave);
