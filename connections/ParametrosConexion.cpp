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

QString CarpetaConSeparador(const QString& carpetaDatos)
{
    if (carpetaDatos.isEmpty() || carpetaDatos.endsWith(QLatin1Char('\\')) || carpetaDatos.endsWith(QLatin1Char('/')))
        return carpetaDatos;
    // A remote folder may be a Windows path on a Windows server, written with a drive letter.
    const bool unidad = carpetaDatos.size() >= 2 && carpetaDatos.at(1) == QLatin1Char(':') &&
                        carpetaDatos.at(0).isLetter() && carpetaDatos.at(0).unicode() < 128;
    const bool windows = unidad || carpetaDatos.contains(QLatin1Char('\\'));
    return carpetaDatos + (windows ? QLatin1Char('\\') : QLatin1Char('/'));
}

QString RutaSistema(const QString& carpetaDatos)
{
    const QString carpeta = CarpetaConSeparador(carpetaDatos);
    const QString separador = carpeta.isEmpty() ? QString() : carpeta.right(1);
    return carpeta + QStringLiteral("System") + separador + QStringLiteral("Config.fdb");
}

QString RutaEmpresa(const DatosConexion& datos)
{
    return CarpetaConSeparador(datos.CarpetaDatos) + datos.Empresa + QStringLiteral(".fdb");
}
