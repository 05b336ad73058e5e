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

// Microsip system database: the folder's own last character separates "System" from
// "Config.fdb", so "C:\Datos\" gives C:\Datos\System\Config.fdb and "" gives SystemConfig.fdb.
QString RutaSistema(const QString& carpetaDatos);

// Company database: CarpetaDatos + Empresa + ".fdb", relying on the folder's trailing separator.
QString RutaEmpresa(const DatosConexion& datos);
