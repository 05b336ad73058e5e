#pragma once

#include "rules/FormatoEtiqueta.h"

#include <vector>

// The company's lookup settings, loaded from the settings table. Every field starts at
// 0 or false and is overwritten by each load.
struct AjustesConsulta {
    int ClienteEventualId = 0;
    int PrecioEmpresaId = 0;
    int PoliticaVolId = 0;
    int AlmacenId = 0;
    bool MostrarExistencia = false;
    bool MostrarLstPrecios = false;
    int OrdenPrecio = 0;
    bool MostrarPolVol = false;
    bool MostrarClave = false;
    int SegundosEspera = 0;
    bool DsctosCombo = false;
    bool MostrarBuscador = false;
    bool MostrarImagenEmpresa = false;
    // The scale label formats, in the order they are tried; none in a company without their rows.
    std::vector<FormatoEtiqueta> Etiquetas;
};
