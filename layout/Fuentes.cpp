#include "Fuentes.h"

#include "Colores.h"
#include "data/uDM.h"

#include <QWidget>
#include <cmath>
#include <optional>

namespace {

const QString kSqlFuente = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT=:N_VALOR_INT, \n"
                                          "valor_str=:c_valor_str \n"
                                          "where configuracion = :c_config");
const QString kSqlTexto = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET \n"
                                         "valor_str=:c_valor_str \n"
                                         "where configuracion = :c_config");

void actualizar(fb::Query& q, const QString& sql, const QString& clave, const QString& texto,
                const std::optional<int>& tamano = std::nullopt)
{
    q.close();
    q.setSql(sql);
    if (tamano)
        q.setParam(QStringLiteral("N_VALOR_INT"), *tamano);
    q.setParam(QStringLiteral("c_valor_str"), texto);
    q.setParam(QStringLiteral("c_config"), clave);
    q.execute();
}

void escribirFuente(fb::Query& q, const FuenteConColor& f, const QString& sufijo)
{
    actualizar(q, kSqlFuente, QStringLiteral("FONT_") + sufijo, f.fuente.family(), puntosDeFuente(f.fuente));
    actualizar(q, kSqlTexto, QStringLiteral("COLOR_") + sufijo, ColorATexto(deQColor(f.color)));
    actualizar(q, kSqlTexto, QStringLiteral("ESTILO_") + sufijo, EstiloATexto(estiloDe(f.fuente)));
}

} // namespace

FuenteConColor fuenteConColorDe(const QWidget& elemento)
{
    return {elemento.font(), elemento.palette().color(QPalette::WindowText)};
}

int puntosDeFuente(const QFont& fuente)
{
    if (fuente.pixelSize() > 0)
        return puntosDePixeles(fuente.pixelSize());
    return static_cast<int>(std::lround(fuente.pointSizeF()));
}

void ReestrableceFuentes(Tdm& dm, const FuenteConColor& nombreArticulo, const FuenteConColor& precio)
{
    dm.asegurarTransaccion();
    try {
        escribirFuente(dm.fdVarios, nombreArticulo, QStringLiteral("NOM_ART"));
        escribirFuente(dm.fdVarios, precio, QStringLiteral("PRE_ART"));
        dm.fdTrans.commit();
    } catch (...) {
        // Left pending, the updates made so far would be committed by the next lookup: half a reset.
        if (dm.fdTrans.isActive()) {
            try {
                dm.fdTrans.rollback();
            } catch (...) {
                // The original failure is the one worth reporting.
            }
        }
        throw;
    }
    dm.ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), false);
}
