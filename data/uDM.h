#pragma once

#include "data/ConfigIni.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

// The data module: the shared company connection with its transaction, the lookup
// queries and the local settings store, alive for the whole run. Members are declared
// in dependency order so that queries go before their transaction and connection.
class Tdm {
public:
    explicit Tdm(const QString& configFile = QStringLiteral("config.xml"));
    Tdm(const Tdm&) = delete;
    Tdm& operator=(const Tdm&) = delete;

    fb::Connection fdConexion;
    fb::Transaction fdTrans{fdConexion};

    fb::Query fdVarios{fdTrans};
    fb::Query fdQVarios{fdTrans};
    fb::Query fdPrecios{fdTrans};
    fb::Query fdVolumen{fdTrans};
    fb::Query fdCombo{fdTrans};
    fb::Query fdExiste{fdTrans};
    fb::Query fdClaves{fdTrans};

    // Commits the shared transaction when it is active and starts a new one: every
    // lookup and every settings load begins this way.
    void reiniciarTransaccion();
    // Commits the shared transaction when it is active.
    void confirmarTransaccion();
    // Starts the shared transaction unless it is already active.
    void asegurarTransaccion();

    QString ConfigIni_str(const QString& seccion, const QString& clave, const QString& porDefecto);
    int ConfigIni_int(const QString& seccion, const QString& clave, int porDefecto);
    bool ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto);
    void ConfigIni_strW(const QString& seccion, const QString& clave, const QString& valor);
    void ConfigIni_intW(const QString& seccion, const QString& clave, int valor);
    void ConfigIni_boolW(const QString& seccion, const QString& clave, bool valor);

private:
    ConfigIni m_config;
};
