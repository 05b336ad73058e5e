#pragma once

#include <QString>
#include <QStringList>

// The demo installation: a data folder with stand-in ERP databases, a connection to it in the
// catalogue file, and a station folder whose local settings already point at it.
namespace demo {

inline constexpr char kEmpresaDemo[] = "DEMO";

// The ERP users of the system database that get the ERP role, so that the embedded engine,
// which needs no password but enforces rights, lets them work.
const QStringList& UsuariosErp();

// True when the folder holds the system database and the demo company.
bool CarpetaDatosLista(const QString& carpeta);

// Builds the data folder: System/Config.fdb (users, companies), DEMO.fdb with a few hundred
// articles and the station's objects and settings installed, and EJEMPLO.fdb and SUCURSAL.fdb
// with the small stand-in data and without the station's objects (their first SYSDBA login
// installs them). Everything is built beside the folder and moved into place at the end, so a
// failure never leaves a half-built folder. The folder must not exist. Throws
// std::runtime_error.
void CrearCarpetaDatos(const QString& carpeta);

// Adds the local connection `nombre` for the data folder (which must end in "/") unless the
// catalogue already has a connection of that name; other connections are never touched. The
// file is created when missing. Returns the connection's position in the catalogue's list.
int AsegurarConexion(const QString& catalogo, const QString& nombre, const QString& carpetaDatos, bool* agregada);

// Creates the station folder and, when it has no config.xml yet, remembers SYSDBA, the
// connection position and the first company there, so the first login only needs Enter.
void PrepararEstacion(const QString& carpeta, int posicionConexion);

} // namespace demo
