#pragma once

#include "about/uAyudaInfo.h"
#include "app/uConsulta.h"
#include "config/uConfiguracion.h"
#include "connections/DatosConexion.h"
#include "connections/uEmpresa.h"
#include "connections/uLogear.h"
#include "connections/uNewConexion.h"
#include "data/uDM.h"
#include "search/uBuscarEnCatalogo.h"

#include <QCoreApplication>

// Everything that lives for the whole run. The data module comes first, so every window is
// handed a data module that already exists; the windows follow in their creation order
// (main window first), which is what the user sees.
struct Lumivo {
    Tdm dm;
    Sesion sesion;
    Ventanas ventanas;
    TfrmConsulta frmConsulta;
    TfrmLogear frmLogear{dm, sesion, frmNewConexion, QString(), &frmConsulta};
    TfrmEmpresa frmEmpresa{dm, sesion, &frmConsulta};
    TfrmAyudaInfo frmAyudaInfo{&frmConsulta};
    TfrmBuscarEnCatalogo frmBuscarEnCatalogo{dm, frmConsulta.ajustes(), {}, &frmConsulta};
    TfrmConfiguracion frmConfiguracion{dm, [this] { frmConsulta.CargarInfo(); }, &frmConsulta};
    TfrmNewConexion frmNewConexion{QString(), &frmConsulta};

    // Tests build the program without the automatic start-up and drive its steps themselves.
    explicit Lumivo(bool arranqueAlMostrar = true)
        : frmConsulta(dm, sesion, ventanas, arranqueAlMostrar)
    {
        ventanas.login = &frmLogear;
        ventanas.empresa = &frmEmpresa;
        ventanas.ayuda = &frmAyudaInfo;
        ventanas.conexion = &frmNewConexion;
        ventanas.buscador = &frmBuscarEnCatalogo;
        ventanas.configuracion = &frmConfiguracion;
        frmBuscarEnCatalogo.setAceptarClave(
            [this](const QString& clave, int articuloId) { frmConsulta.aceptarClaveBuscador(clave, articuloId); });
        // Ending the program must not close the main window: that would save its layout.
        frmConfiguracion.setTerminarPrograma([] { QCoreApplication::exit(0); });
    }
};
