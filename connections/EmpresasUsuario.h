#pragma once

#include <QString>

namespace fb {
class Query;
}

// The statements of the company window on the system database, each beside the function that
// binds its parameters and opens it on the query it is given (closing it first). The caller owns
// the query and its transaction; a failure propagates.
namespace empresas {

// The user's row of USUARIOS, found by its whole name whatever the letter case; columns
// ACCESO_EMPRESAS ("T": every company) and USUARIO_ID. No row for an unknown user.
void abrirUsuario(fb::Query& consulta, const QString& usuario);

// The short name of every company; column NOMBRE_CORTO.
void abrirTodas(fb::Query& consulta);

// The short names of the companies linked to the user; column NOMBRE_CORTO, NULL for a link to
// a company that no longer exists.
void abrirDelUsuario(fb::Query& consulta, int usuarioId);

} // namespace empresas
