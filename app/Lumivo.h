#pragma once

#include "about/uAyudaInfo.h"
#include "app/uConsulta.h"
#include "config/uConfiguracion.h"
#include "connections/uEmpresa.h"
#include "connections/uLogear.h"
#include "connections/uNewConexion.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "search/uBuscarEnCatalogo.h"

#include <QCoreApplication>

// Everything that lives for the whole run. The data module comes first, so every window is
// handed a data module that already exists; the windows follow in their creation order
// (main window first), which is what the user sees. The main window and the login are handed
// windows created after them; those are only used once the event loop runs.
struct Lumivo {
    Tdm dm;
    Sesion sesion;
    TfrmConsulta frmConsulta;
    TfrmLogear frmLogear{dm, sesion, frmNewConexion, QString(), &frmConsulta};
    TfrmEmpresa frmEmpresa{dm, sesion, &frmConsulta};
    TfrmAyudaInfo frmAyudaInfo{&frmConsulta};
    TfrmBuscarEnCatalogo frmBuscarEnCatalogo{
        dm, frmConsulta.ajustes(),
        [this](const QString& clave, int articuloId) { frmConsulta.aceptarClaveBuscador(clave, articuloId); },
        &frmConsulta};
    // Ending the program must not close the main window: that would save its layout.
    TfrmConfiguracion frmConfiguracion{dm, [this] { frmConsulta.CargarInfo(); }, [] { QCoreApplication::exit(0); },
                                       &frmConsulta};
    TfrmNewConexion frmNewConexion{QString(), &frmConsulta};

    // The start-up runs once the main window is first shown.
    Lumivo()
        : Lumivo(true)
    {
    }

    // Tests and the benchmarks build the program without the automatic start-up and drive its
    // steps themselves; only they can make this key (tests/support/ArranqueManual.h).
    class SinArranque {
        SinArranque() = default;
        friend struct ArranqueManual;
    };
    explicit Lumivo(SinArranque)
        : Lumivo(false)
    {
    }

private:
    explicit Lumivo(bool arranqueAlMostrar)
        : frmConsulta(dm, sesion, frmLogear, frmEmpresa, frmAyudaInfo, frmBuscarEnCatalogo, frmConfiguracion,
                      arranqueAlMostrar)
    {
    }
};
