#pragma once

#include "firebird/ScriptRunner.h"

#include <QString>
#include <optional>
#include <vector>

class Tdm;
struct DatosConexion;
struct LecturaArranque;

namespace fb {
class Transaction;
}

// The installation scripts carried by the program: Metadatos creates the settings table and the
// two lookup procedures, Permisos grants them to the ERP's role and inserts the default rows.
QString scriptMetadatos();
QString scriptPermisos();

// Runs Metadatos, then Permisos, in the transaction, which must be active. Each DDL statement is
// committed as soon as it succeeds, so the grants and inserts see the new table; the inserted
// rows wait for the caller's commit. A failing statement does not stop its script. Returns the
// failures of both scripts in order. A lost connection throws fb::Error.
std::vector<fb::ScriptFailure> InstalarObjetos(fb::Transaction& transaccion);

// What the checks below have for the user before the program ends; the window that ran them shows
// it as a message box without a title.
struct AvisoInstalacion {
    enum class Tipo { Informacion, Advertencia };
    Tipo tipo;
    QString texto;
};

// Nothing when the company database's schema version (the highest VERSION_DB) lies in 1256..1260.
// Otherwise, an empty VERSIONES_DB included, the warning: the program must end. With `leido`, the
// version the start-up's one statement read is used instead of reading it again.
std::optional<AvisoInstalacion> ValidarVersion(Tdm& dm, const LecturaArranque* leido = nullptr);

// Looks for the settings table in the catalogue: nothing when it exists, and the start-up goes on.
// When it is missing, SYSDBA (any letter case, by datos.Usuario) gets both scripts run and
// committed on the shared connection; any other user is told to log in as SYSDBA and the database
// is left alone. Either way the result is what the user must read before the program ends. A
// failed commit throws. With `leido`, whether the table exists is taken from it.
std::optional<AvisoInstalacion> ValidarMetadatos(Tdm& dm, const DatosConexion& datos,
                                                 const LecturaArranque* leido = nullptr);
