#pragma once

#include "rules/AjustesConsulta.h"

// Row counts of the lookup's results, looked at only when an article is shown.
struct FilasConsulta {
    int claves = 0;
    int precios = 0;
    int volumen = 0;
};

// Which display elements the show/hide rule leaves visible, and whether the idle timer runs.
struct VisibilidadDisplay {
    bool nombre = false; // lblNombreArticulo, lblLinea, dbPrecio
    bool listaClaves = false;
    bool precios = false;
    bool volumen = false;
    bool existe = false;
    bool combos = false;
    bool ultimaCompra = false; // edUltimaCompra, lblTexto
    bool temporizador = false;

    bool operator==(const VisibilidadDisplay&) const = default;
};

// The one rule that shows or hides the display. Design mode shows every grid but the
// key list, whatever the settings, and keeps the idle timer off.
VisibilidadDisplay reglaInformacion(bool mostrar, bool modoDiseno, const AjustesConsulta& ajustes,
                                    const FilasConsulta& filas);
