#include "CargarInfo.h"

#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "layout/Colores.h"
#include "rules/AjustesConsulta.h"

namespace {

void aplicarFilas(ConfigEmpresa& tabla, ConfigEmpresa::Elemento elemento, FuenteConColor& destino)
{
    if (const std::optional<ConfigEmpresa::Fuente> f = tabla.leerFuente(elemento)) {
        destino.fuente.setPointSize(f->puntos);
        destino.fuente.setFamily(f->cara);
    }
    if (const std::optional<fb::Value> color = tabla.leerColor(elemento))
        destino.color = aQColor(TextoAColor(color->toString()));
    if (const std::optional<fb::Value> estilo = tabla.leerEstilo(elemento))
        aplicarEstilo(destino.fuente, TextoAEstilo(estilo->toString()));
}

void leerPantalla(ConfigEmpresa& tabla, AjustesConsulta& ajustes, FuenteConColor& nombre, FuenteConColor& precio)
{
    tabla.leerAjustes(ajustes);
    aplicarFilas(tabla, ConfigEmpresa::Elemento::NombreArticulo, nombre);
    aplicarFilas(tabla, ConfigEmpresa::Elemento::Precio, precio);
}

} // namespace

ConfigEmpresa::Escaparate cargarAjustesPantalla(Tdm& dm, AjustesConsulta& ajustes, FuenteConColor& nombre,
                                                FuenteConColor& precio, const ConfigEmpresa::Tabla* leida)
{
    ConfigEmpresa::Escaparate escaparate;
    if (leida) {
        ConfigEmpresa tabla(dm.fdVarios);
        tabla.usarTabla(*leida);
        leerPantalla(tabla, ajustes, nombre, precio);
        return tabla.leerEscaparate();
    }
    dm.conReconexion([&] {
        dm.reiniciarTransaccion();
        // Every row in one statement: over a slow link the load is one round trip, not thirty.
        ConfigEmpresa tabla(dm.fdVarios);
        tabla.leerTabla();
        leerPantalla(tabla, ajustes, nombre, precio);
        escaparate = tabla.leerEscaparate();
        dm.confirmarTransaccion();
    });
    return escaparate;
}

void CargarInfo(Tdm& dm, AjustesConsulta& ajustes, FuenteConColor& nombre, FuenteConColor& precio)
{
    dm.reiniciarTransaccion();
    ConfigEmpresa tabla(dm.fdVarios);
    tabla.leerTabla();
    leerPantalla(tabla, ajustes, nombre, precio);
}
