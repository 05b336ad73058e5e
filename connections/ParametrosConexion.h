#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

struct DatosConexion;

// A code stored as text (protocol, access type) that is not a decimal integer.
class ErrorConversion : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a stored code as a decimal integer (surrounding blanks tolerated); throws
// ErrorConversion naming `descripcion` and quoting the text otherwise.
int EnteroDecimal(const QString& texto, const QString& descripcion);

// The ordered "Name=value" list from which every Firebird connection is opened.
// Throws ErrorConversion when a remote connection's ProtocoloRed is not a decimal integer.
QStringList ParametrosConexion(const QString& rutaBaseDatos, const DatosConexion& datos);

// The data folder ready to have a file name appended: a folder typed without its final separator
// gets the one its own style uses ("\\" when it holds a backslash or starts with a drive letter,
// "/" otherwise). A folder that ends in a separator, or an empty one, stays as it is.
QString CarpetaConSeparador(const QString& carpetaDatos);

// Microsip system database: the folder's own last separator separates "System" from
// "Config.fdb", so "C:\Datos\" and "C:\Datos" give C:\Datos\System\Config.fdb and "" gives
// SystemConfig.fdb.
QString RutaSistema(const QString& carpetaDatos);

// Company database: the folder (with its separator) + Empresa + ".fdb".
QString RutaEmpresa(const DatosConexion& datos);
