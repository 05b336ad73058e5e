#include "uDM.h"

Tdm::Tdm(const QString& configFile)
    : m_config(configFile)
{
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
