#include "uDM.h"

namespace {

const QString kConexionPerdida =
    QStringLiteral("Se perdió la conexión con el servidor de la base de datos. Intente de nuevo en unos momentos.");

} // namespace

Tdm::Tdm(const QString& configFile)
    : m_config(configFile)
{
}

Tdm::~Tdm() = default;

AjustesEstacion& Tdm::estacion()
{
    if (!m_estacion)
        m_estacion = std::make_unique<AjustesEstacion>(m_config);
    return *m_estacion;
}

void Tdm::conectarSistema(const QStringList& parametros)
{
    const bool antes = empresaConectada();
    m_empresa = false;
    fdConexion.close();
    fdConexion.setParams(parametros);
    try {
        fdConexion.open();
    } catch (...) {
        fdConexion.close();
        fdConexion.clearParams();
        if (antes)
            emit empresaCambiada();
        throw;
    }
    if (antes)
        emit empresaCambiada();
}

void Tdm::conectarEmpresa(const QStringList& parametros)
{
    const bool antes = empresaConectada();
    m_empresa = false;
    fdConexion.close();
    fdConexion.clearParams();
    fdConexion.setParams(parametros);
    try {
        fdConexion.open();
    } catch (...) {
        // The company open before is closed now.
        if (antes)
            emit empresaCambiada();
        throw;
    }
    m_empresa = true;
    emit empresaCambiada();
}

void Tdm::desconectar()
{
    const bool antes = empresaConectada();
    fdConexion.close();
    if (antes)
        emit empresaCambiada();
}

void Tdm::reiniciarTransaccion()
{
    confirmarTransaccion();
    fdTrans.start();
}

void Tdm::confirmarTransaccion()
{
    if (fdTrans.isActive())
        fdTrans.commit();
}

void Tdm::asegurarTransaccion()
{
    if (!fdTrans.isActive())
        fdTrans.start();
}

void Tdm::reconectar()
{
    // The dead attachment is dropped without throwing; statements prepared on it prepare
    // again on the new one and every transaction on it is inactive.
    fdConexion.close();
    m_sinServidor = true;
    fdConexion.open();
    m_sinServidor = false;
    fdTrans.start();
}

void Tdm::conexionPerdida(const fb::Error& causa)
{
    // Firebird's own text stays below for whoever looks after the server.
    throw fb::Error((kConexionPerdida + QStringLiteral("\n\n") + QString::fromUtf8(causa.what())).toStdString(),
                    causa.gdsCode());
}

QString Tdm::ConfigIni_str(const QString& seccion, const QString& clave, const QString& porDefecto)
{
    return m_config.ConfigIni_str(seccion, clave, porDefecto);
}

int Tdm::ConfigIni_int(const QString& seccion, const QString& clave, int porDefecto)
{
    return m_config.ConfigIni_int(seccion, clave, porDefecto);
}

bool Tdm::ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto)
{
    return m_config.ConfigIni_bool(seccion, clave, porDefecto);
}

void Tdm::ConfigIni_strW(const QString& seccion, const QString& clave, const QString& valor)
{
    m_config.ConfigIni_strW(seccion, clave, valor);
}

void Tdm::ConfigIni_intW(const QString& seccion, const QString& clave, int valor)
{
    m_config.ConfigIni_intW(seccion, clave, valor);
}

void Tdm::ConfigIni_boolW(const QString& seccion, const QString& clave, bool valor)
{
    m_config.ConfigIni_boolW(seccion, clave, valor);
}
