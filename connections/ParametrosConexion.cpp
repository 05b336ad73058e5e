#include "ParametrosConexion.h"

#include "data/DatosConexion.h"

namespace {

const QString kRemoto = QStringLiteral("0");
const QString kSysdba = QStringLiteral("SYSDBA");

} // namespace

int EnteroDecimal(const QString& texto, const QString& descripcion)
{
    bool ok = false;
    const int valor = texto.toInt(&ok, 10);
    if (!ok) {
        const QString mensaje = QStringLiteral("%1 «%2» no es un número entero válido.").arg(descripcion, texto);
        throw ErrorConversion(mensaje.toStdString());
    }
    return valor;
}

QStringList ParametrosConexion(const QString& rutaBaseDatos, const DatosConexion& datos)
{
    QStringList lista;
    lista << QStringLiteral("Database=") + rutaBaseDatos << QStringLiteral("user_name=") + datos.Usuario
          << QStringLiteral("password=") + datos.Contrasena;
    // Exact comparison: the callers upper-case Usuario first.
    if (datos.Usuario != kSysdba)
        lista << QStringLiteral("RoleName=USUARIO_MICROSIP");
    lista << QStringLiteral("CharacterSet= ISO8859_1") << QStringLiteral("SQLDialect= 3");
    if (datos.TipoAcceso == kRemoto) {
        switch (EnteroDecimal(datos.ProtocoloRed, QStringLiteral("El código de protocolo de red"))) {
        case 0:
            lista << QStringLiteral("Protocol=TCPIP");
            break;
        case 1:
            lista << QStringLiteral("Protocol=NetBEUI");
            break;
        case 2:
            lista << QStringLiteral("Protocol=SPX");
            break;
        default:
            break; // a server without a protocol entry attaches over TCP/IP
        }
        lista << QStringLiteral("Server=") + datos.Servidor;
    }
    lista << QStringLiteral("DriverID=FB");
    return lista;
}

QString RutaSistema(const QString& carpetaDatos)
{
    const QString separador = carpetaDatos.isEmpty() ? QString() : carpetaDatos.right(1);
    return carpetaDatos + QStringLiteral("System") + separador + QStringLiteral("Config.fdb");
}

QString RutaEmpresa(const DatosConexion& datos)
{
    return datos.CarpetaDatos + datos.Empresa + QStringLiteral(".fdb");
}
