#pragma once

#include "about/uAyudaInfo.h"
#include "app/uConsulta.h"
#include "config/uConfiguracion.h"
#include "connections/InicioAutomatico.h"
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
    InicioAutomatico inicio;
    TfrmConsulta frmConsulta;
    TfrmLogear frmLogear;
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
        : Lumivo(true, QString(), QString())
    {
    }

    // Tests and the benchmarks build the program without the automatic start-up and drive its
    // steps themselves, or with it but with the stored start's password file and the connection
    // catalogue kept elsewhere; only they can make these keys (tests/support/ArranqueManual.h),
    // and the screenshot tool (tools/lumivo-capturas), which drives the start-up the same way.
    class SinArranque {
        SinArranque() = default;
        friend struct ArranqueManual;
        friend struct ArranqueCapturas;
    };
    class ConArranque {
        ConArranque() = default;
        friend struct ArranqueManual;
    };
    explicit Lumivo(SinArranque, const QString& rutaContrasena = QString(), const QString& rutaCatalogo = QString())
        : Lumivo(false, rutaContrasena, rutaCatalogo)
    {
    }
    Lumivo(ConArranque, const QString& rutaContrasena, const QString& rutaCatalogo)
        : Lumivo(true, rutaContrasena, rutaCatalogo)
    {
    }

private:
    Lumivo(bool arranqueAlMostrar, const QString& rutaContrasena, const QString& rutaCatalogo)
        : inicio(dm, rutaContrasena, rutaCatalogo)
        , frmConsulta(dm, sesion, inicio, frmLogear, frmEmpresa, frmAyudaInfo, frmBuscarEnCatalogo, frmConfiguracion,
                      arranqueAlMostrar)
        , frmLogear(dm, sesion, frmNewConexion, rutaCatalogo, &frmConsulta)
    {
    }
};
