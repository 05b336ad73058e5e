#pragma once

#include "firebird/ScriptRunner.h"

#include <QString>
#include <vector>

class QWidget;
class Tdm;
struct DatosConexion;

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

// True when the company database's schema version (the highest VERSION_DB) lies in 1256..1260.
// Otherwise, an empty VERSIONES_DB included, warns the user and gives false: the program must end.
bool ValidarVersion(Tdm& dm, QWidget* parent);

enum class ResultadoMetadatos {
    Continuar, // the objects exist: the start-up goes on
    Terminar,  // installed now, or refused: the program must end
};

// Looks for the settings table in the catalogue. When it is missing, SYSDBA (any letter case, by
// datos.Usuario) gets both scripts run and committed on the shared connection; any other user is
// told to log in as SYSDBA and the database is left alone. Either way the user sees a message and
// the program must end. A failed commit throws.
ResultadoMetadatos ValidarMetadatos(Tdm& dm, const DatosConexion& datos, QWidget* parent);
