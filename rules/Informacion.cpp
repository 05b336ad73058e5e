#include "Informacion.h"

VisibilidadDisplay reglaInformacion(bool mostrar, bool modoDiseno, const AjustesConsulta& a, const FilasConsulta& f)
{
    VisibilidadDisplay v;
    v.nombre = mostrar;
    v.listaClaves = mostrar && f.claves > 0 && a.MostrarClave;
    v.precios = (mostrar && f.precios > 0 && a.MostrarLstPrecios) || modoDiseno;
    v.volumen = (mostrar && f.volumen > 0 && a.MostrarPolVol) || modoDiseno;
    v.existe = (mostrar && a.MostrarExistencia) || modoDiseno;
    v.combos = (mostrar && a.DsctosCombo) || modoDiseno;
    v.ultimaCompra = mostrar;
    v.temporizador = mostrar && !modoDiseno;
    return v;
}
