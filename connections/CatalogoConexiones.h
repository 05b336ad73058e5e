#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

class QWidget;
struct DatosConexion;

// Microsip's connection catalogue (ProgramData.xml): ProgramData/LocalMachine/Software/
// Microsip/Conexiones holds one element per connection with Tipo_de_acceso,
// Nombre_del_servidor, Protocolo and Directorio_de_datos as element text.
//
// Every operation takes the file path. A connection's element name is its name with the first
// blank turned into "_". Reading never writes; the writers rewrite the whole file atomically and
// carry every other node over. A file that cannot be read or parsed, or a name that cannot be
// an XML element name, fails with ErrorCatalogo before anything is written.
namespace catalogo {

class ErrorCatalogo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The four values as the connection editor holds them: the codes are the positions of its
// choices (type: 0 Remota, 1 Local; protocol: 0 TCP/IP, 1 NetBeui, 2 SPX), -1 when none.
struct ValoresConexion {
    int tipoAcceso = -1;
    QString servidor;
    int protocolo = -1;
    QString carpeta;
};

// The code of what a choice box shows: the position of the option whose text it shows (letter
// case aside), -1 when it shows none of them.
int CodigoMostrado(const QStringList& opciones, const QString& texto);

// The protocol code a connection carries: a remote one (type 0) without a valid code (0, 1, 2)
// goes over TCP/IP (0), which is also how the login attaches it; any other keeps its code.
int ProtocoloValido(int tipoAcceso, int protocolo);

// <common application-data folder>/Microsip/ProgramData.xml.
QString RutaCatalogo();
QString RutaCatalogo(const QString& carpetaComun);

// "Servidor central" -> "Servidor_central" (first blank only).
QString NombreElemento(const QString& conexion);
// "Servidor_central" -> "Servidor central" (first underscore only): the name shown for editing.
QString NombreParaEditar(const QString& elemento);
// Why the connection name cannot be stored (empty, a second blank, a character an XML element
// name cannot hold); empty when it can.
QString ErrorDeNombre(const QString& conexion);

// The element names of all connections, in document order. When the path down to
// "Conexiones" is incomplete, shows the warning "El XML no cuenta con la estructura de
// conexión Microsip" (title "Zantor") and returns an empty list.
QStringList LeerXML2018(const QString& archivo, QWidget* padre = nullptr);

// Login reader: fills TipoAcceso, Servidor, CarpetaDatos, ProtocoloRed (as text, empty when
// missing, also for an unknown connection) and RutaMostrada; leaves the other fields alone.
void LeerXmlConexion(const QString& archivo, const QString& conexion, DatosConexion& datos);

// Editor reader: the stored codes as integers (ErrorConversion when one is not a decimal
// integer); nullopt when the connection is not in the file.
std::optional<ValoresConexion> LeerXmlConexionEditor(const QString& archivo, const QString& conexion);

// Adds a connection, creating the missing path down to "Conexiones". A name already present is
// refused.
void GrabarXmlConexion(const QString& archivo, const QString& conexion, const ValoresConexion& valores);

// Replaces the four values of the first connection with that name (creating missing value
// elements); rewrites the file also when no connection matched.
void ModificarConexion(const QString& archivo, const QString& conexion, const ValoresConexion& valores);

// Removes every connection with that name; rewrites the file also when none matched.
void EliminarConexion(const QString& archivo, const QString& conexion);

// Writes a new file holding the declaration and the empty tree, creating its folder (one
// level). An existing file is never replaced.
void CrearArchivo(const QString& archivo);

} // namespace catalogo
