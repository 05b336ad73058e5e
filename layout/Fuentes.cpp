#include "Fuentes.h"

#include "Colores.h"
#include "data/ConfigEmpresa.h"
#include "data/uDM.h"

#include <QWidget>
#include <cmath>

namespace {

ConfigEmpresa::FilasFuente filasDe(const FuenteConColor& f)
{
    return {puntosDeFuente(f.fuente), f.fuente.family(), ColorATexto(deQColor(f.color)),
            EstiloATexto(estiloDe(f.fuente))};
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
        ConfigEmpresa tabla(dm.fdVarios);
        tabla.escribirFuente(ConfigEmpresa::Elemento::NombreArticulo, filasDe(nombreArticulo));
        tabla.escribirFuente(ConfigEmpresa::Elemento::Precio, filasDe(precio));
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
    dm.estacion().setRestaurada(false);
}
