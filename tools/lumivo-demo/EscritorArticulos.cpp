#include "EscritorArticulos.h"

#include "connections/ParametrosConexion.h"
#include "data/ConfigEmpresa.h"
#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/Transaction.h"

#include <initializer_list>
#include <stdexcept>
#include <utility>

namespace demo {
namespace {

[[noreturn]] void fallar(const QString& mensaje)
{
    throw std::runtime_error(mensaje.toStdString());
}

void prepararTexto(fb::Query& q, const char* sql)
{
    q.setSql(QString::fromLatin1(sql));
}

void ejecutar(fb::Query& q, std::initializer_list<std::pair<QString, fb::Value>> parametros)
{
    for (const auto& [nombre, valor] : parametros)
        q.setParam(nombre, valor);
    q.execute();
}

} // namespace

QStringList ParametrosEmbebidos(const QString& ruta)
{
    DatosConexion datos;
    datos.TipoAcceso = QStringLiteral("1");
    datos.Usuario = QStringLiteral("SYSDBA");
    datos.Contrasena = QStringLiteral("masterkey");
    return ParametrosConexion(ruta, datos);
}

QString DescribirFallas(const std::vector<fb::ScriptFailure>& fallas)
{
    QString texto = QStringLiteral("%1 instrucción(es) fallaron").arg(fallas.size());
    for (const fb::ScriptFailure& f : fallas)
        texto += QStringLiteral("\n--- %1\n    %2").arg(f.statement.left(300), f.message);
    return texto;
}

void EjecutarFases(fb::Connection& conexion, const QString& script, fb::ScriptDdl ddl)
{
    const std::vector<fb::ScriptFailure> fallas = fb::runScriptPhases(conexion, script, ddl);
    if (!fallas.empty())
        fallar(QStringLiteral("El script falló: ") + DescribirFallas(fallas));
}

void InstalarObjetosEstacion(fb::Connection& conexion)
{
    fb::Transaction t(conexion);
    t.start();
    const std::vector<fb::ScriptFailure> fallas = InstalarObjetos(t);
    if (!fallas.empty())
        fallar(QStringLiteral("La instalación de los objetos de la estación falló: ") + DescribirFallas(fallas));
    t.commit();
}

void AjustarConfiguracion(fb::Transaction& t, bool mostrarBuscador)
{
    using Ajuste = ConfigEmpresa::Ajuste;
    fb::Query consulta(t);
    ConfigEmpresa tabla(consulta);
    const std::pair<Ajuste, int> enteros[] = {{Ajuste::ClienteEventualId, 465}, {Ajuste::PrecioEmpresaId, 450},
                                              {Ajuste::AlmacenId, 19},          {Ajuste::OrdenPrecio, 0},
                                              {Ajuste::SegundosEspera, 10},     {Ajuste::PoliticaVolId, 0}};
    for (const auto& [ajuste, valor] : enteros)
        tabla.fijarEntero(ajuste, valor);
    const std::pair<Ajuste, bool> interruptores[] = {{Ajuste::MostrarClave, true},
                                                     {Ajuste::MostrarImagenEmpresa, true},
                                                     {Ajuste::MostrarExistencia, true},
                                                     {Ajuste::MostrarLstPrecios, true},
                                                     {Ajuste::MostrarPolVol, true},
                                                     {Ajuste::DsctosCombo, true},
                                                     {Ajuste::MostrarBuscador, mostrarBuscador}};
    for (const auto& [ajuste, encendido] : interruptores)
        tabla.fijarInterruptor(ajuste, encendido);
}

EscritorArticulos::EscritorArticulos(fb::Transaction& t)
    : m_linea(t)
    , m_almacen(t)
    , m_listaPrecios(t)
    , m_oferta(t)
    , m_articulo(t)
    , m_clave(t)
    , m_precio(t)
    , m_existencia(t)
    , m_localizacion(t)
    , m_compra(t)
    , m_pasoVolumen(t)
    , m_combo(t)
{
    prepararTexto(m_linea, "INSERT INTO LINEAS_ARTICULOS (LINEA_ARTICULO_ID, NOMBRE) VALUES (:id, :nombre)");
    prepararTexto(m_almacen, "INSERT INTO ALMACENES (ALMACEN_ID, NOMBRE, NOMBRE_ABREV) VALUES (:id, :nombre, :abrev)");
    prepararTexto(m_listaPrecios,
                  "INSERT INTO PRECIOS_EMPRESA (PRECIO_EMPRESA_ID, NOMBRE, POSICION) VALUES (:id, :nombre, :posicion)");
    prepararTexto(m_oferta, "INSERT INTO OFERTAS_MM (OFERTA_MM_ID, NOMBRE, HABILITADA) VALUES (:id, :nombre, 'S')");
    prepararTexto(m_articulo, "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID, UNIDAD_VENTA, "
                              "UNIDAD_COMPRA, CONTENIDO_UNIDAD_COMPRA) "
                              "VALUES (:id, :nombre, :linea, :venta, :compra, :contenido)");
    prepararTexto(m_clave, "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID, "
                           "ROL_CLAVE_ART_ID) VALUES (:id, :clave, :articulo, :rol)");
    prepararTexto(m_precio, "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) "
                            "VALUES (:articulo, :lista, :precio)");
    prepararTexto(m_existencia, "INSERT INTO STANDIN_EXISTENCIAS (ARTICULO_ID, ALMACEN_ID, EXISTENCIA) "
                                "VALUES (:articulo, :almacen, :cantidad)");
    prepararTexto(m_localizacion, "INSERT INTO NIVELES_ARTICULOS (NIVEL_ART_ID, ARTICULO_ID, ALMACEN_ID, "
                                  "LOCALIZACION) VALUES (:id, :articulo, :almacen, :localizacion)");
    prepararTexto(m_compra, "INSERT INTO STANDIN_COMPRAS (ARTICULO_ID, FECHA) VALUES (:articulo, :fecha)");
    prepararTexto(m_pasoVolumen, "INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) "
                                 "VALUES (:politica, :articulo, :unidades, :descuento)");
    prepararTexto(m_combo, "INSERT INTO OFERTAS_MM_DET (OFERTA_MM_DET_ID, OFERTA_MM_ID, ARTICULO_ID, "
                           "UNIDADES_MINIMAS, PRECIO_ESPECIAL, TIPO_DSCTO) "
                           "VALUES (:id, :oferta, :articulo, :unidades, :precio, 'P')");
}

void EscritorArticulos::linea(int id, const QString& nombre)
{
    ejecutar(m_linea, {{QStringLiteral("id"), id}, {QStringLiteral("nombre"), nombre}});
}

void EscritorArticulos::almacen(int id, const QString& nombre, const QString& abreviatura)
{
    ejecutar(m_almacen,
             {{QStringLiteral("id"), id}, {QStringLiteral("nombre"), nombre}, {QStringLiteral("abrev"), abreviatura}});
}

void EscritorArticulos::listaPrecios(int id, const QString& nombre, int posicion)
{
    ejecutar(m_listaPrecios,
             {{QStringLiteral("id"), id}, {QStringLiteral("nombre"), nombre}, {QStringLiteral("posicion"), posicion}});
}

void EscritorArticulos::oferta(int id, const QString& nombre)
{
    ejecutar(m_oferta, {{QStringLiteral("id"), id}, {QStringLiteral("nombre"), nombre}});
}

void EscritorArticulos::articulo(int id, const QString& nombre, int linea, const QString& unidadVenta,
                                 const QString& unidadCompra, const fb::Decimal& contenido)
{
    ejecutar(m_articulo, {{QStringLiteral("id"), id},
                          {QStringLiteral("nombre"), nombre},
                          {QStringLiteral("linea"), linea},
                          {QStringLiteral("venta"), unidadVenta},
                          {QStringLiteral("compra"), unidadCompra},
                          {QStringLiteral("contenido"), contenido}});
}

void EscritorArticulos::clave(int id, const QString& clave, int articulo, int rol)
{
    ejecutar(m_clave, {{QStringLiteral("id"), id},
                       {QStringLiteral("clave"), clave},
                       {QStringLiteral("articulo"), articulo},
                       {QStringLiteral("rol"), rol}});
}

void EscritorArticulos::precio(int articulo, int lista, const fb::Decimal& precioConImpuesto)
{
    ejecutar(m_precio, {{QStringLiteral("articulo"), articulo},
                        {QStringLiteral("lista"), lista},
                        {QStringLiteral("precio"), precioConImpuesto}});
}

void EscritorArticulos::existencia(int articulo, int almacen, const fb::Decimal& cantidad)
{
    ejecutar(m_existencia, {{QStringLiteral("articulo"), articulo},
                            {QStringLiteral("almacen"), almacen},
                            {QStringLiteral("cantidad"), cantidad}});
}

void EscritorArticulos::localizacion(int id, int articulo, int almacen, const QString& localizacion)
{
    ejecutar(m_localizacion, {{QStringLiteral("id"), id},
                              {QStringLiteral("articulo"), articulo},
                              {QStringLiteral("almacen"), almacen},
                              {QStringLiteral("localizacion"), localizacion}});
}

void EscritorArticulos::compra(int articulo, QDate fecha)
{
    ejecutar(m_compra, {{QStringLiteral("articulo"), articulo}, {QStringLiteral("fecha"), fecha}});
}

void EscritorArticulos::pasoVolumen(int politica, int articulo, int unidades, int descuento)
{
    ejecutar(m_pasoVolumen, {{QStringLiteral("politica"), politica},
                             {QStringLiteral("articulo"), articulo},
                             {QStringLiteral("unidades"), unidades},
                             {QStringLiteral("descuento"), descuento}});
}

void EscritorArticulos::combo(int id, int oferta, int articulo, int unidadesMinimas, const fb::Decimal& precio)
{
    ejecutar(m_combo, {{QStringLiteral("id"), id},
                       {QStringLiteral("oferta"), oferta},
                       {QStringLiteral("articulo"), articulo},
                       {QStringLiteral("unidades"), unidadesMinimas},
                       {QStringLiteral("precio"), precio}});
}

} // namespace demo
