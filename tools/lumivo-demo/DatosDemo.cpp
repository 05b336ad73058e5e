#include "DatosDemo.h"

#include "Articulos.h"
#include "EscritorArticulos.h"
#include "connections/CatalogoConexiones.h"
#include "data/ConfigIni.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <stdexcept>

// Outside any namespace: the resource sits in a static library, and this reference is what keeps
// its initialiser in the program.
static void iniciarRecursosDemo()
{
    static const bool iniciados = [] {
        Q_INIT_RESOURCE(demo);
        return true;
    }();
    Q_UNUSED(iniciados);
}

namespace demo {
namespace {

constexpr int kPrimerArticulo = 2001;
constexpr int kPoliticaVolumen = 11;
constexpr int kOfertaTemporada = 4;

[[noreturn]] void fallar(const QString& mensaje)
{
    throw std::runtime_error(mensaje.toStdString());
}

QString leerScript(const QString& nombre)
{
    iniciarRecursosDemo();
    QFile archivo(QStringLiteral(":/demo/") + nombre);
    if (!archivo.open(QIODevice::ReadOnly))
        fallar(QStringLiteral("No se puede leer el script %1").arg(nombre));
    // UTF-8 in the source tree; the Firebird layer sends it as ISO8859_1.
    return QString::fromUtf8(archivo.readAll());
}

void crearBase(fb::Connection& conexion, const QString& ruta, const QString& script)
{
    conexion.setParams(ParametrosEmbebidos(ruta));
    conexion.create();
    EjecutarFases(conexion, script);
    QString permisos;
    for (const QString& usuario : UsuariosErp())
        permisos += QStringLiteral("GRANT USUARIO_MICROSIP TO \"%1\";\n").arg(usuario);
    EjecutarFases(conexion, permisos);
}

fb::Decimal porCiento(const fb::Decimal& precio, int porcentaje)
{
    const fb::Decimal centavos = precio.rescaled(2);
    return fb::Decimal{(centavos.mantissa * porcentaje + 50) / 100, 2};
}

void insertarArticulos(fb::Transaction& t)
{
    EscritorArticulos filas(t);
    for (const Linea& l : LineasNuevas())
        filas.linea(l.id, QString::fromUtf8(l.nombre));
    filas.oferta(kOfertaTemporada, QStringLiteral("Promociones de temporada"));

    // Ids above those of the stand-in rows.
    int claveId = 1000;
    int nivelId = 1000;
    int comboId = 1000;
    for (const Articulo& a : GenerarArticulos(kPrimerArticulo)) {
        filas.articulo(a.id, a.nombre, a.lineaId, a.unidadVenta, a.unidadCompra, a.contenido);
        for (const Clave& c : a.claves)
            filas.clave(++claveId, c.clave, a.id, c.rolId);
        const std::pair<int, fb::Decimal> listas[] = {
            {42, a.precioLista}, {450, a.precioMayoreo}, {451, a.precioDistribuidor}};
        for (const auto& [lista, importe] : listas)
            filas.precio(a.id, lista, importe);
        for (const Existencia& e : a.existencias) {
            filas.existencia(a.id, e.almacenId, e.cantidad);
            if (!e.localizacion.isEmpty())
                filas.localizacion(++nivelId, a.id, e.almacenId, e.localizacion);
        }
        for (const QDate& fecha : a.compras)
            filas.compra(a.id, fecha);
        if (a.politicaVolumen) {
            for (const auto& [unidades, descuento] : {std::pair{6, 3}, std::pair{12, 5}, std::pair{24, 8}})
                filas.pasoVolumen(kPoliticaVolumen, a.id, unidades, descuento);
        }
        if (a.enCombo)
            filas.combo(++comboId, kOfertaTemporada, a.id, 6, porCiento(a.precioMayoreo, 90));
    }
}

QByteArray imagenEmpresa()
{
    QImage imagen(426, 113, QImage::Format_RGB32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fondo(0, 0, 426, 0);
    fondo.setColorAt(0, QColor(249, 125, 49));
    fondo.setColorAt(1, QColor(59, 59, 59));
    p.fillRect(imagen.rect(), fondo);
    p.setPen(Qt::white);
    QFont grande(QStringLiteral("Tahoma"));
    grande.setPixelSize(34);
    grande.setBold(true);
    p.setFont(grande);
    p.drawText(QRect(16, 10, 400, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Abarrotes Demo"));
    QFont chica(QStringLiteral("Tahoma"));
    chica.setPixelSize(18);
    p.setFont(chica);
    p.drawText(QRect(16, 62, 400, 36), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Consulte aquí el precio de su artículo"));
    p.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!imagen.save(&buffer, "JPG", 90))
        fallar(QStringLiteral("No se pudo generar la imagen de la empresa (falta el formato JPEG de Qt)."));
    return bytes;
}

void crearEmpresaDemo(const QString& ruta)
{
    fb::Connection conexion;
    crearBase(conexion, ruta, leerScript(QStringLiteral("company.sql")));
    InstalarObjetosEstacion(conexion);
    fb::Transaction t(conexion);
    t.start();
    insertarArticulos(t);
    // What the configuration dialog would leave after a first visit: the demo works at once.
    AjustarConfiguracion(t, true);
    fb::Query registro(t);
    registro.setSql(QStringLiteral("INSERT INTO REGISTRY (ELEMENTO_ID, NOMBRE, TIPO, PADRE_ID, VALOR_BLOB) "
                                   "VALUES (4, 'IMAGEN_EMPRESA', 'V', 1, :imagen)"));
    registro.setParam(QStringLiteral("imagen"), imagenEmpresa());
    registro.execute();
    registro.setSql(QStringLiteral("UPDATE REGISTRY SET VALOR = :valor WHERE NOMBRE = 'NOMBRE_EMPRESA'"));
    registro.setParam(QStringLiteral("valor"), QStringLiteral("Abarrotes Demo, S.A. de C.V."));
    registro.execute();
    t.commit();
    conexion.close();
}

void crearEmpresaSencilla(const QString& ruta)
{
    fb::Connection conexion;
    crearBase(conexion, ruta, leerScript(QStringLiteral("company.sql")));
    conexion.close();
}

} // namespace

const QStringList& UsuariosErp()
{
    static const QStringList usuarios{QStringLiteral("ADMIN"),    QStringLiteral("CAJERO"),  QStringLiteral("A_MIN"),
                                      QStringLiteral("VENDEDOR"), QStringLiteral("GERENTE"), QStringLiteral("NUEVO")};
    return usuarios;
}

bool CarpetaDatosLista(const QString& carpeta)
{
    const QDir dir(carpeta);
    return QFileInfo::exists(dir.filePath(QStringLiteral("System/Config.fdb"))) &&
           QFileInfo::exists(dir.filePath(QLatin1String(kEmpresaDemo) + QStringLiteral(".fdb")));
}

void CrearCarpetaDatos(const QString& carpeta)
{
    const QFileInfo destino(carpeta);
    if (destino.exists())
        fallar(QStringLiteral("La carpeta %1 ya existe y no tiene los datos de demostración completos; "
                              "bórrela o elija otra.")
                   .arg(carpeta));
    const QString padre = destino.absolutePath();
    if (!QDir().mkpath(padre))
        fallar(QStringLiteral("No se puede crear la carpeta %1").arg(padre));

    // Built beside the destination, on the same file system, so that the final move is a rename.
    QTemporaryDir obra(padre + QStringLiteral("/.lumivo-demo-XXXXXX"));
    if (!obra.isValid())
        fallar(QStringLiteral("No se puede crear una carpeta de trabajo en %1: %2").arg(padre, obra.errorString()));
    const QDir dir(obra.path());
    if (!dir.mkpath(QStringLiteral("System")))
        fallar(QStringLiteral("No se puede crear %1/System").arg(obra.path()));

    {
        fb::Connection sistema;
        crearBase(sistema, dir.filePath(QStringLiteral("System/Config.fdb")), leerScript(QStringLiteral("system.sql")));
        sistema.close();
    }
    crearEmpresaDemo(dir.filePath(QLatin1String(kEmpresaDemo) + QStringLiteral(".fdb")));
    crearEmpresaSencilla(dir.filePath(QStringLiteral("EJEMPLO.fdb")));
    crearEmpresaSencilla(dir.filePath(QStringLiteral("SUCURSAL.fdb")));

    if (!QDir().rename(obra.path(), destino.absoluteFilePath()))
        fallar(QStringLiteral("No se pudo mover %1 a %2").arg(obra.path(), destino.absoluteFilePath()));
    obra.setAutoRemove(false);
    // The work folder was private; the data folder is an ordinary one.
    QFile::setPermissions(destino.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                          QFile::ExeOther);
}

int AsegurarConexion(const QString& catalogoRuta, const QString& nombre, const QString& carpetaDatos, bool* agregada)
{
    if (!QFileInfo::exists(catalogoRuta))
        catalogo::CrearArchivo(catalogoRuta);
    const QString elemento = catalogo::NombreElemento(nombre);
    QStringList nombres = catalogo::LeerXML2018(catalogoRuta);
    const bool falta = !nombres.contains(elemento);
    if (falta) {
        catalogo::GrabarXmlConexion(catalogoRuta, nombre, {1, QString(), 0, carpetaDatos});
        nombres = catalogo::LeerXML2018(catalogoRuta);
    }
    if (agregada)
        *agregada = falta;
    return int(nombres.indexOf(elemento));
}

void PrepararEstacion(const QString& carpeta, int posicionConexion)
{
    if (!QDir().mkpath(carpeta))
        fallar(QStringLiteral("No se puede crear la carpeta %1").arg(carpeta));
    const QString archivo = QDir(carpeta).filePath(QStringLiteral("config.xml"));
    if (QFileInfo::exists(archivo))
        return;
    ConfigIni config(archivo);
    config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QStringLiteral("SYSDBA"));
    config.ConfigIni_intW(QStringLiteral("Conexion"), QStringLiteral("Conexion"), posicionConexion);
    config.ConfigIni_intW(QStringLiteral("Conexion"), QStringLiteral("Empresa"), 0);
}

} // namespace demo
