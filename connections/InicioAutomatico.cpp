#include "InicioAutomatico.h"

#include "CatalogoConexiones.h"
#include "ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "firebird/Connection.h"
#include "firebird/Transaction.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateFile.h"
#include "uEmpresa.h"

#include <QDir>
#include <QFile>
#include <utility>

namespace {

const QString kSeccion = QStringLiteral("InicioAutomatico");
const QString kConexion = QStringLiteral("Conexion");
const QString kUsuario = QStringLiteral("Usuario");
const QString kEmpresa = QStringLiteral("Empresa");

} // namespace

InicioAutomatico::InicioAutomatico(Tdm& dm, QString rutaContrasena, QString rutaCatalogo)
    : m_dm(dm)
    , m_rutaContrasena(std::move(rutaContrasena))
    , m_rutaCatalogo(std::move(rutaCatalogo))
{
}

QString InicioAutomatico::rutaContrasena() const
{
    return m_rutaContrasena.isEmpty() ? platform::privateConfigFolder() + QStringLiteral("/inicio-automatico")
                                      : m_rutaContrasena;
}

QString InicioAutomatico::rutaCatalogo() const
{
    return m_rutaCatalogo.isEmpty() ? catalogo::RutaCatalogo() : m_rutaCatalogo;
}

int InicioAutomatico::pausaCreciente(int intento)
{
    int segundos = 1;
    for (int i = 1; i < intento && segundos < 30; ++i)
        segundos *= 2;
    return std::min(segundos, 30) * 1000;
}

InicioAutomatico::Lectura InicioAutomatico::leer()
{
    Lectura lectura;
    const QString ruta = rutaContrasena();
    const platform::PrivateFileRead archivo = platform::readPrivateFile(ruta);
    if (!archivo.exists)
        return lectura;
    InicioGuardado inicio;
    try {
        ConfigIni& config = m_dm.config();
        inicio.conexion = config.consultar(kSeccion, kConexion).value_or(QString());
        inicio.usuario = config.consultar(kSeccion, kUsuario).value_or(QString());
        inicio.empresa = config.consultar(kSeccion, kEmpresa).value_or(QString());
    } catch (const std::exception&) {
        return lectura; // the login reads the same file and says what is wrong with it
    }
    if (inicio.usuario.isEmpty() || inicio.empresa.isEmpty())
        return lectura;
    if (!archivo.refusal.isEmpty()) {
        lectura.rechazo = QStringLiteral("Inicio automático no usado: el archivo de la contraseña %1 %2.")
                              .arg(QDir::toNativeSeparators(ruta), archivo.refusal);
        return lectura;
    }
    inicio.contrasena = QString::fromUtf8(archivo.data);
    lectura.inicio = inicio;
    return lectura;
}

bool InicioAutomatico::guardado()
{
    try {
        return QFile::exists(rutaContrasena()) &&
               !m_dm.config().consultar(kSeccion, kUsuario).value_or(QString()).isEmpty();
    } catch (const std::exception&) {
        return false;
    }
}

void InicioAutomatico::guardar(const Sesion& sesion)
{
    const DatosConexion& d = sesion.datos;
    const QString motivo = platform::replacePrivateFile(rutaContrasena(), d.Contrasena.toUtf8());
    if (!motivo.isEmpty())
        throw ErrorInicioGuardado(
            QStringLiteral("No se pudo guardar la contraseña en %1: %2").arg(rutaContrasena(), motivo).toStdString());
    m_dm.ConfigIni_strW(kSeccion, kConexion, sesion.Conexion);
    m_dm.ConfigIni_strW(kSeccion, kUsuario, d.Usuario);
    m_dm.ConfigIni_strW(kSeccion, kEmpresa, d.Empresa);
}

void InicioAutomatico::quitar()
{
    QFile::remove(rutaContrasena());
    for (const QString& clave : {kConexion, kUsuario, kEmpresa}) {
        if (m_dm.config().consultar(kSeccion, clave))
            m_dm.ConfigIni_strW(kSeccion, clave, QString());
    }
}

DatosConexion InicioAutomatico::datosSistema(const InicioGuardado& inicio) const
{
    DatosConexion datos;
    catalogo::LeerXmlConexion(rutaCatalogo(), inicio.conexion, datos);
    if (datos.CarpetaDatos.isEmpty())
        throw ErrorInicioGuardado(
            QStringLiteral("La conexión «%1» del inicio automático ya no está en el catálogo de conexiones.")
                .arg(inicio.conexion)
                .toStdString());
    datos.Usuario = inicio.usuario.toUpper();
    datos.Contrasena = inicio.contrasena;
    datos.RutaSistema = RutaSistema(datos.CarpetaDatos);
    return datos;
}

QStringList InicioAutomatico::parametrosSistema(const InicioGuardado& inicio) const
{
    const DatosConexion datos = datosSistema(inicio);
    return ParametrosConexion(datos.RutaSistema, datos);
}

void InicioAutomatico::iniciarSesion(const InicioGuardado& inicio, Sesion& sesion)
{
    DatosConexion& datos = sesion.datos;
    datos = DatosConexion();
    datos = datosSistema(inicio);
    m_dm.conectarSistema(ParametrosConexion(datos.RutaSistema, datos));
    sesion.Conexion = inicio.conexion;
    sesion.LoginCorrecto = true;

    fb::Transaction t(m_dm.fdConexion);
    t.start();
    const QStringList empresas = EmpresasDelUsuario(t, datos.Usuario);
    t.commit();
    if (!empresas.contains(inicio.empresa))
        throw ErrorInicioGuardado(QStringLiteral("El usuario %1 ya no puede abrir la empresa %2.")
                                      .arg(datos.Usuario, inicio.empresa)
                                      .toStdString());
    datos.Empresa = inicio.empresa;
    sesion.EmpresaSeleccionada = true;
}

bool ClaveDeOperadorValida(const DatosConexion& datos, const QString& clave)
{
    if (clave.isEmpty() || datos.RutaSistema.isEmpty())
        return false;
    for (const QString& usuario : {datos.Usuario, QStringLiteral("SYSDBA")}) {
        DatosConexion prueba = datos;
        prueba.Usuario = usuario;
        prueba.Contrasena = clave;
        fb::Connection c;
        try {
            c.setParams(ParametrosConexion(prueba.RutaSistema, prueba));
            c.open();
            c.close();
            return true;
        } catch (const std::exception&) {
        }
    }
    return false;
}
