#pragma once

#include "about/uAyudaInfo.h"
#include "config/uConfiguracion.h"
#include "search/uBuscarEnCatalogo.h"
#include "app/uConsulta.h"
#include "connections/DatosConexion.h"
#include "data/uDM.h"

// Everything that lives for the whole run. Members are constructed in the order the
// windows are created (main window first, data module last); the windows only keep a
// reference to the data module, which they use once the event loop runs.
struct Lumivo {
    Sesion sesion;
    Ventanas ventanas;
    TfrmConsulta frmConsulta;
    TfrmAyudaInfo frmAyudaInfo{&frmConsulta};
    TfrmBuscarEnCatalogo frmBuscarEnCatalogo{dm, frmConsulta.ajustes(), {}, &frmConsulta};
    TfrmConfiguracion frmConfiguracion{dm, [this] { frmConsulta.CargarInfo(); }, &frmConsulta};
    Tdm dm;

    // Tests build the program without the automatic start-up and drive its steps themselves.
    explicit Lumivo(bool arranqueAlMostrar = true)
        : frmConsulta(dm, sesion, ventanas, arranqueAlMostrar)
    {
        ventanas.ayuda = &frmAyudaInfo;
        ventanas.buscador = &frmBuscarEnCatalogo;
        ventanas.configuracion = &frmConfiguracion;
        frmBuscarEnCatalogo.setAceptarClave([this](const QString& clave) { frmConsulta.aceptarClaveBuscador(clave); });
    }
};
