#include "DatosDemo.h"

#include "Articulos.h"
#include "connections/CatalogoConexiones.h"
#include "data/ConfigIni.h"
#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRegularExpression>
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

QStringList parametros(const QString& ruta)
{
    return {QStringLiteral("Database=") + ruta, QStringLiteral("user_name=SYSDBA"),
            QStringLiteral("password=masterkey"), QStringLiteral("CharacterSet= ISO8859_1"),
            QStringLiteral("SQLDialect= 3")};
}

QString describir(const std::vector<fb::ScriptFailure>& fallas)
{
    QString texto = QStringLiteral("%1 instrucción(es) fallaron").arg(fallas.size());
    for (const fb::ScriptFailure& f : fallas)
        texto += QStringLiteral("\n--- %1\n    %2").arg(f.statement.left(300), f.message);
    return texto;
}

// The stand-in scripts end each phase with a "COMMIT;" line: Firebird cannot insert into a table
// that the same transaction created.
void ejecutarFases(fb::Connection& conexion, const QString& script)
{
    static const QRegularExpression lineaCommit(QStringLiteral(R"(^[ \t]*COMMIT[ \t]*;[ \t]*\r?$)"),
                                                QRegularExpression::MultilineOption |
                                                    QRegularExpression::CaseInsensitiveOption);
    for (const QString& fase : script.split(lineaCommit)) {
        if (fase.trimmed().isEmpty())
            continue;
        fb::Transaction t(conexion);
        t.start();
        const std::vector<fb::ScriptFailure> fallas = fb::runScript(t, fase);
        if (!fallas.empty())
            fallar(describir(fallas));
        t.commit();
    }
}

void crearBase(fb::Connection& conexion, const QString& ruta, const QString& script)
{
    conexion.setParams(parametros(ruta));
    conexion.create();
    ejecutarFases(conexion, script);
    QString permisos;
    for (const QString& usuario : UsuariosErp())
        permisos += QStringLiteral("GRANT USUARIO_MICROSIP TO \"%1\";\n").arg(usuario);
    ejecutarFases(conexion, permisos);
}

class Sentencia {
public:
    Sentencia(fb::Transaction& t, const QString& sql)
        : m_query(t)
    {
        m_query.setSql(sql);
    }
    Sentencia& operator()(const QString& nombre, const fb::Value& valor)
    {
        m_query.setParam(nombre, valor);
        return *this;
    }
    void ejecutar() { m_query.execute(); }

private:
    fb::Query m_query;
};

fb::Value textoONulo(const QString& texto)
{
    return texto.isEmpty() ? fb::Value() : fb::Value(texto);
}

fb::Decimal porCiento(const fb::Decimal& precio, int porcentaje)
{
    const fb::Decimal centavos = precio.rescaled(2);
    return fb::Decimal{(centavos.mantissa * porcentaje + 50) / 100, 2};
}

void insertarArticulos(fb::Transaction& t)
{
    Sentencia linea(t,
                    QStringLiteral("INSERT INTO LINEAS_ARTICULOS (LINEA_ARTICULO_ID, NOMBRE) VALUES (:id, :nombre)"));
    for (const Linea& l : LineasNuevas())
        linea(QStringLiteral("id"), l.id)(QStringLiteral("nombre"), QString::fromUtf8(l.nombre)).ejecutar();

    Sentencia oferta(
        t, QStringLiteral("INSERT INTO OFERTAS_MM (OFERTA_MM_ID, NOMBRE, HABILITADA) VALUES (:id, :nombre, 'S')"));
    oferta(QStringLiteral("id"), kOfertaTemporada)(QStringLiteral("nombre"), QStringLiteral("Promociones de temporada"))
        .ejecutar();

    Sentencia articulo(t,
                       QStringLiteral("INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA, "
                                      "UNIDAD_COMPRA, CONTENIDO_UNIDAD_COMPRA) VALUES (:id, :nombre, :linea, :venta, "
                                      ":compra, :contenido)"));
    Sentencia clave(t, QStringLiteral("INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID, "
                                      "ROL_CLAVE_ART_ID) VALUES (:id, :clave, :articulo, :rol)"));
    Sentencia precio(t, QStringLiteral("INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
                                       "VALUES (:articulo, :lista, :precio)"));
    Sentencia existencia(t, QStringLiteral("INSERT INTO STANDIN_EXISTENCIAS (ARTICULO_ID, ALMACEN_ID, EXISTENCIA) "
                                           "VALUES (:articulo, :almacen, :cantidad)"));
    Sentencia nivel(t, QStringLiteral("INSERT INTO NIVELES_ARTICULOS (NIVEL_ART_ID, ARTICULO_ID, ALMACEN_ID, "
                                      "LOCALIZACION) VALUES (:id, :articulo, :almacen, :localizacion)"));
    Sentencia compra(t, QStringLiteral("INSERT INTO STANDIN_COMPRAS (ARTICULO_ID, FECHA) VALUES (:articulo, :fecha)"));
    Sentencia paso(t, QStringLiteral("INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) "
                                     "VALUES (:politica, :articulo, :unidades, :descuento)"));
    Sentencia combo(t, QStringLiteral("INSERT INTO OFERTAS_MM_DET (OFERTA_MM_DET_ID, OFERTA_MM_ID, ARTICULO_ID, "
                                      "UNIDADES_MINIMAS, PRECIO_ESPECIAL, TIPO_DSCTO) VALUES (:id, :oferta, :articulo, "
                                      "6, :precio, 'P')"));

    // Ids above those of the stand-in rows.
    int claveId = 1000;
    int nivelId = 1000;
    int comboId = 1000;
    for (const Articulo& a : GenerarArticulos(kPrimerArticulo)) {
        articulo(QStringLiteral("id"), a.id)(QStringLiteral("nombre"), a.nombre)(QStringLiteral("linea"), a.lineaId)(
            QStringLiteral("venta"), a.unidadVenta)(QStringLiteral("compra"),
                                                    a.unidadCompra)(QStringLiteral("contenido"), a.contenido)
            .ejecutar();
        for (const Clave& c : a.claves)
            clave(QStringLiteral("id"), ++claveId)(QStringLiteral("clave"), c.clave)(QStringLiteral("articulo"), a.id)(
                QStringLiteral("rol"), c.rolId)
                .ejecutar();
        const std::pair<int, fb::Decimal> listas[] = {
            {42, a.precioLista}, {450, a.precioMayoreo}, {451, a.precioDistribuidor}};
        for (const auto& [lista, importe] : listas)
            precio(QStringLiteral("articulo"), a.id)(QStringLiteral("lista"), lista)(QStringLiteral("precio"), importe)
                .ejecutar();
        for (const Existencia& e : a.existencias) {
            existencia(QStringLiteral("articulo"), a.id)(QStringLiteral("almacen"),
                                                         e.almacenId)(QStringLiteral("cantidad"), e.cantidad)
                .ejecutar();
            if (!e.localizacion.isEmpty())
                nivel(QStringLiteral("id"), ++nivelId)(QStringLiteral("articulo"), a.id)(
                    QStringLiteral("almacen"), e.almacenId)(QStringLiteral("localizacion"), textoONulo(e.localizacion))
                    .ejecutar();
        }
        for (const QDate& fecha : a.compras)
            compra(QStringLiteral("articulo"), a.id)(QStringLiteral("fecha"), fecha).ejecutar();
        if (a.politicaVolumen) {
            for (const auto& [unidades, descuento] : {std::pair{6, 3}, std::pair{12, 5}, std::pair{24, 8}})
                paso(QStringLiteral("politica"), kPoliticaVolumen)(QStringLiteral("articulo"), a.id)(
                    QStringLiteral("unidades"), unidades)(QStringLiteral("descuento"), descuento)
                    .ejecutar();
        }
        if (a.enCombo)
            combo(QStringLiteral("id"), ++comboId)(QStringLiteral("oferta"), kOfertaTemporada)(
                QStringLiteral("articulo"), a.id)(QStringLiteral("precio"), porCiento(a.precioMayoreo, 90))
                .ejecutar();
    }
}

// What the configuration dialog would leave after a first visit: the demo works at once.
void ajustarConfiguracion(fb::Transaction& t)
{
    Sentencia entero(t, QStringLiteral("UPDATE OR INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) "
                                       "VALUES (:clave, :valor) MATCHING (CONFIGURACION)"));
    const std::pair<const char*, int> enteros[] = {{"CLIENTE_EVENTUAL_ID", 465}, {"PRECIO_EMPRESA_ID", 450},
                                                   {"ALMACEN_ID", 19},           {"ORDEN_PRECIO", 0},
                                                   {"SEGUNDOS_ESPERA", 10},      {"POLITICA_VOL_ID", 0}};
    for (const auto& [clave, valor] : enteros)
        entero(QStringLiteral("clave"), QString::fromLatin1(clave))(QStringLiteral("valor"), valor).ejecutar();

    Sentencia interruptor(t, QStringLiteral("UPDATE OR INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) "
                                            "VALUES (:clave, 'S') MATCHING (CONFIGURACION)"));
    for (const char* clave : {"MOSTRAR_CLAVE", "MOSTRAR_IMAGEN_EMPRESA", "MOSTRAR_EXISTENCIA", "MOSTRAR_LST_PRECIOS",
                              "MOSTRAR_POL_VOL", "DSCTOS_COMBO", "MOSTRAR_BUSCADOR"})
        interruptor(QStringLiteral("clave"), QString::fromLatin1(clave)).ejecutar();
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
    {
        fb::Transaction t(conexion);
        t.start();
        const std::vector<fb::ScriptFailure> fallas = InstalarObjetos(t);
        if (!fallas.empty())
            fallar(QStringLiteral("La instalación de los objetos de la estación falló: ") + describir(fallas));
        t.commit();
    }
    fb::Transaction t(conexion);
    t.start();
    insertarArticulos(t);
    ajustarConfiguracion(t);
    Sentencia imagen(t, QStringLiteral("INSERT INTO REGISTRY (ELEMENTO_ID, NOMBRE, TIPO, PADRE_ID, VALOR_BLOB) "
                                       "VALUES (4, 'IMAGEN_EMPRESA', 'V', 1, :imagen)"));
    imagen(QStringLiteral("imagen"), imagenEmpresa()).ejecutar();
    Sentencia nombre(t, QStringLiteral("UPDATE REGISTRY SET VALOR = :valor WHERE NOMBRE = 'NOMBRE_EMPRESA'"));
    nombre(QStringLiteral("valor"), QStringLiteral("Abarrotes Demo, S.A. de C.V.")).ejecutar();
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
