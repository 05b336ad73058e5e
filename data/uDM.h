#pragma once

#include "data/AjustesEstacion.h"
#include "data/ConfigIni.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QObject>
#include <memory>

// The data module: the shared company connection with its transaction, the lookup
// queries and the local settings store, alive for the whole run. Members are declared
// in dependency order so that queries go before their transaction and connection.
class Tdm : public QObject {
    Q_OBJECT
public:
    explicit Tdm(const QString& configFile = QStringLiteral("config.xml"));
    ~Tdm() override;
    Tdm(const Tdm&) = delete;
    Tdm& operator=(const Tdm&) = delete;

    fb::Connection fdConexion;
    fb::Transaction fdTrans{fdConexion};
    // The lookup service's reads: read-only and read committed, so it is kept open between scans
    // (such a transaction holds back no garbage collection) and still sees every commit.
    fb::Transaction fdLectura{fdConexion, fb::Isolation::ReadCommitted, fb::Access::ReadOnly};

    fb::Query fdVarios{fdTrans};
    fb::Query fdQVarios{fdTrans};
    // The lookup by a scanned code's equivalent forms, prepared once beside the exact one.
    fb::Query fdQFormas{fdTrans};
    // The catalogue search's result, read a batch at a time (on the search's own data module).
    fb::Query fdBusqueda{fdTrans};
    // A scan's whole lookup in one statement (ConsultaUnica), on fdLectura.
    fb::Query fdConsulta{fdLectura};

    // The shared connection's life; windows go through these and never open or close it
    // themselves. Each attachment first drops the previous one.
    // The login: attaches to the system database. When that fails the connection is left
    // closed and without parameters, so nothing of the failed attempt stays.
    void conectarSistema(const QStringList& parametros);
    // The company database: attaches with the new parameters; when that fails the connection
    // stays closed.
    void conectarEmpresa(const QStringList& parametros);
    // The connection is open on the company database (not on the system database of the login).
    bool empresaConectada() const noexcept { return m_empresa && fdConexion.isOpen(); }
    // Closes the connection (the main window's closing).
    void desconectar();

    // Commits the shared transaction when it is active and starts a new one: every
    // lookup and every settings load begins this way.
    void reiniciarTransaccion();
    // Commits the shared transaction when it is active.
    void confirmarTransaccion();
    // Starts the shared transaction unless it is already active.
    void asegurarTransaccion();

    // Runs one database operation. When it fails because the connection to the server was lost,
    // the connection is opened again with the same parameters (the shared transaction started
    // again) and the operation runs once more from its start, so it must begin its own
    // transactions. When the server is still away the failure says so in the shop's words.
    // Nested calls run straight through: only the outermost operation is retried.
    template <typename F> decltype(auto) conReconexion(F&& operacion);
    // The last reconnection failed: the server is away and the connection is closed.
    bool sinServidor() const noexcept { return perdida(); }
    // Throws the lost connection in the shop's words, with the server's own text below.
    [[noreturn]] static void conexionPerdida(const fb::Error& causa);
    // The failure came from the database (the engine or its client library), not from the station.
    static bool errorDeLaBase(const std::exception& e) noexcept
    {
        return dynamic_cast<const fb::Error*>(&e) != nullptr;
    }

    QString ConfigIni_str(const QString& seccion, const QString& clave, const QString& porDefecto);
    int ConfigIni_int(const QString& seccion, const QString& clave, int porDefecto);
    bool ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto);
    void ConfigIni_strW(const QString& seccion, const QString& clave, const QString& valor);
    void ConfigIni_intW(const QString& seccion, const QString& clave, int valor);
    void ConfigIni_boolW(const QString& seccion, const QString& clave, bool valor);
    // The store itself, for what the six operations do not cover (a drag's deferred sync).
    ConfigIni& config() noexcept { return m_config; }
    // The station's own keys, read from the store on first use (the main window's construction)
    // and kept; a data module that never asks (the lookups' own) never reads them.
    AjustesEstacion& estacion();

signals:
    // The company database was opened, or the one open was closed or left for the system
    // database (a new login): what is built on the company's data starts over. Not sent for a
    // reconnection to the same database.
    void empresaCambiada();

private:
    bool perdida() const noexcept { return m_sinServidor && !fdConexion.isOpen(); }
    void reconectar();

    ConfigIni m_config;
    std::unique_ptr<AjustesEstacion> m_estacion;
    int m_operaciones = 0;      // depth of conReconexion calls
    bool m_empresa = false;     // the connection's parameters are the company's
    bool m_sinServidor = false; // the last reconnection failed and left the connection closed
};

template <typename F> decltype(auto) Tdm::conReconexion(F&& operacion)
{
    struct Profundidad {
        int& n;
        explicit Profundidad(int& contador)
            : n(++contador)
        {
        }
        ~Profundidad() { --n; }
        Profundidad(const Profundidad&) = delete;
        Profundidad& operator=(const Profundidad&) = delete;
    } profundidad(m_operaciones);
    if (m_operaciones > 1)
        return operacion();
    if (!perdida()) {
        try {
            return operacion();
        } catch (const fb::Error& e) {
            if (!e.isConnectionLost() && !perdida())
                throw;
        }
    }
    // Also the first step when the last reconnection failed: the connection is closed then.
    try {
        reconectar();
        return operacion();
    } catch (const fb::Error& e) {
        if (!e.isConnectionLost())
            throw;
        conexionPerdida(e);
    }
}
