#include "ConfigEmpresa.h"

#include "firebird/Query.h"

#include <QHash>
#include <algorithm>
#include <array>

const QString ConfigEmpresa::kTabla = QStringLiteral("ZANTOR_LMV_CONFIG");

namespace {

using Ajuste = ConfigEmpresa::Ajuste;
using Elemento = ConfigEmpresa::Elemento;

enum class Lectura {
    Entero,           // VALOR_INT as it is
    EnteroNoNegativo, // VALOR_INT, a negative value as 0
    Interruptor,      // VALOR_CHR, on only for "S"
};

struct Definicion {
    Ajuste ajuste;
    const char* clave;
    Lectura lectura;
    int AjustesConsulta::*entero;
    bool AjustesConsulta::*interruptor;
    int alInsertar; // VALOR_INT of a missing numeric row; a missing switch is inserted on
};

constexpr Definicion numero(Ajuste a, const char* clave, Lectura l, int AjustesConsulta::*campo, int alInsertar)
{
    return {a, clave, l, campo, nullptr, alInsertar};
}

constexpr Definicion interruptor(Ajuste a, const char* clave, bool AjustesConsulta::*campo)
{
    return {a, clave, Lectura::Interruptor, nullptr, campo, 0};
}

// One row per setting, in the order of Ajuste.
constexpr std::array kAjustes{
    numero(Ajuste::ClienteEventualId, "CLIENTE_EVENTUAL_ID", Lectura::Entero, &AjustesConsulta::ClienteEventualId, 0),
    numero(Ajuste::PrecioEmpresaId, "PRECIO_EMPRESA_ID", Lectura::EnteroNoNegativo, &AjustesConsulta::PrecioEmpresaId,
           42),
    numero(Ajuste::PoliticaVolId, "POLITICA_VOL_ID", Lectura::EnteroNoNegativo, &AjustesConsulta::PoliticaVolId, 0),
    numero(Ajuste::AlmacenId, "ALMACEN_ID", Lectura::Entero, &AjustesConsulta::AlmacenId, 19),
    interruptor(Ajuste::MostrarExistencia, "MOSTRAR_EXISTENCIA", &AjustesConsulta::MostrarExistencia),
    interruptor(Ajuste::MostrarLstPrecios, "MOSTRAR_LST_PRECIOS", &AjustesConsulta::MostrarLstPrecios),
    numero(Ajuste::OrdenPrecio, "ORDEN_PRECIO", Lectura::Entero, &AjustesConsulta::OrdenPrecio, 0),
    interruptor(Ajuste::MostrarPolVol, "MOSTRAR_POL_VOL", &AjustesConsulta::MostrarPolVol),
    interruptor(Ajuste::MostrarClave, "MOSTRAR_CLAVE", &AjustesConsulta::MostrarClave),
    numero(Ajuste::SegundosEspera, "SEGUNDOS_ESPERA", Lectura::Entero, &AjustesConsulta::SegundosEspera, 10),
    interruptor(Ajuste::DsctosCombo, "DSCTOS_COMBO", &AjustesConsulta::DsctosCombo),
    interruptor(Ajuste::MostrarBuscador, "MOSTRAR_BUSCADOR", &AjustesConsulta::MostrarBuscador),
    interruptor(Ajuste::MostrarImagenEmpresa, "MOSTRAR_IMAGEN_EMPRESA", &AjustesConsulta::MostrarImagenEmpresa),
};

constexpr bool enOrden()
{
    for (size_t i = 0; i < kAjustes.size(); ++i) {
        if (static_cast<size_t>(kAjustes[i].ajuste) != i)
            return false;
    }
    return kAjustes.size() == static_cast<size_t>(Ajuste::MostrarImagenEmpresa) + 1;
}
static_assert(enOrden(), "one row per Ajuste, in its order");

const Definicion& definicion(Ajuste a)
{
    return kAjustes[static_cast<size_t>(a)];
}

QString clave(const Definicion& d)
{
    return QString::fromLatin1(d.clave);
}

QString clave(Elemento e, const char* prefijo)
{
    return QString::fromLatin1(prefijo) +
           (e == Elemento::NombreArticulo ? QStringLiteral("NOM_ART") : QStringLiteral("PRE_ART"));
}

// The whole table, for a load of every setting in one statement (the blob is no setting's).
const QString kSqlTabla =
    QStringLiteral("select CONFIGURACION, VALOR_INT, VALOR_STR, VALOR_CHR from ZANTOR_LMV_CONFIG");

// The key's comparison in the statement per key ignores trailing blanks, as Firebird's = does.
QString sinBlancosFinales(QString texto)
{
    qsizetype n = texto.size();
    while (n > 0 && texto.at(n - 1) == u' ')
        --n;
    texto.truncate(n);
    return texto;
}

const QString kSqlLeer = QStringLiteral("select * from ZANTOR_LMV_CONFIG a \n"
                                        "where a.configuracion = :c_config");
// The key and the value of an insert are this unit's own constants, never an operator's text.
const QString kSqlInsertarEntero = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) \n"
                                                  "VALUES ('%1', %2);");
const QString kSqlInsertarInterruptor = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) \n"
                                                       "VALUES ('%1', 'S');");
const QString kSqlEntero = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = :N_VALOR_INT \n"
                                          "where configuracion = :c_config");
const QString kSqlInterruptor = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = :N_VALOR_CHR \n"
                                               "where configuracion = :c_config");
const QString kSqlFuente = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = :N_VALOR_INT, \n"
                                          "valor_str=:c_valor_str \n"
                                          "where configuracion = :c_config");
const QString kSqlTexto = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET \n"
                                         "valor_str=:c_valor_str \n"
                                         "where configuracion = :c_config");

const QString kSqlEtiqueta = QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET \n"
                                            "valor_str=:c_valor_str \n"
                                            "where configuracion = :c_config");
const QString kSqlInsertarEtiqueta = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) \n"
                                                    "VALUES (:c_config, :c_valor_str)");
const QString kSqlInsertarFila = QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT, VALOR_CHR) \n"
                                                "VALUES (:c_config, :N_VALOR_INT, :N_VALOR_CHR)");
const QString kSqlFila =
    QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = :N_VALOR_INT, VALOR_CHR = :N_VALOR_CHR \n"
                   "where configuracion = :c_config");

// The showcase's rows: a switch and three numbers.
const QString kClaveEscaparate = QStringLiteral("ESCAPARATE");
const QString kClaveEscaparateSegundos = QStringLiteral("ESCAPARATE_SEGUNDOS");
const QString kClaveEscaparateTarjeta = QStringLiteral("ESCAPARATE_TARJETA");
const QString kClaveEscaparateLista = QStringLiteral("ESCAPARATE_LISTA_ID");

const QString kCConfig = QStringLiteral("c_config");
const QString kNValorInt = QStringLiteral("N_VALOR_INT");
const QString kNValorChr = QStringLiteral("N_VALOR_CHR");
const QString kCValorStr = QStringLiteral("c_valor_str");

} // namespace

void ConfigEmpresa::leerTabla()
{
    fb::Query& q = m_consulta;
    q.close();
    q.setSql(kSqlTabla);
    q.open();
    Tabla tabla;
    while (q.next())
        agregarFila(tabla, q.value(QStringLiteral("CONFIGURACION")),
                    Fila{q.value(QStringLiteral("VALOR_INT")), q.value(QStringLiteral("VALOR_STR")),
                         q.value(QStringLiteral("VALOR_CHR"))});
    q.close();
    m_tabla = std::move(tabla);
}

void ConfigEmpresa::agregarFila(Tabla& tabla, const fb::Value& clave, Fila fila)
{
    if (clave.isNull())
        return;
    // The first row of a key is the one its own statement finds; later ones stay unread, as there.
    const QString texto = sinBlancosFinales(clave.toString());
    if (!tabla.contains(texto))
        tabla.insert(texto, std::move(fila));
}

fb::Query& ConfigEmpresa::escritura()
{
    m_tabla.reset();
    return m_consulta;
}

std::optional<ConfigEmpresa::Fila> ConfigEmpresa::leerClave(const QString& clave)
{
    if (m_tabla) {
        const auto fila = m_tabla->constFind(sinBlancosFinales(clave));
        if (fila == m_tabla->cend())
            return std::nullopt;
        return *fila;
    }
    fb::Query& q = m_consulta;
    q.close();
    q.setSql(kSqlLeer);
    q.setParam(kCConfig, clave);
    q.open();
    std::optional<Fila> fila;
    if (q.next()) {
        fila = Fila{q.value(QStringLiteral("VALOR_INT")), q.value(QStringLiteral("VALOR_STR")),
                    q.value(QStringLiteral("VALOR_CHR"))};
    }
    q.close();
    return fila;
}

void ConfigEmpresa::leerAjustes(AjustesConsulta& ajustes)
{
    for (const Definicion& d : kAjustes) {
        const std::optional<Fila> fila = leerClave(clave(d));
        if (d.lectura == Lectura::Interruptor) {
            ajustes.*d.interruptor = fila && activo(*fila);
            continue;
        }
        const int valor = fila ? fila->entero.toInt() : 0;
        ajustes.*d.entero = d.lectura == Lectura::EnteroNoNegativo && valor < 0 ? 0 : valor;
    }
    ajustes.Etiquetas = leerEtiquetas();
}

QString ConfigEmpresa::claveEtiqueta(int indice)
{
    return QStringLiteral("ETIQUETA_BASCULA_%1").arg(indice + 1);
}

ConfigEmpresa::TextosEtiquetas ConfigEmpresa::leerTextosEtiquetas()
{
    TextosEtiquetas textos;
    for (int i = 0; i < kEtiquetas; ++i) {
        if (const std::optional<Fila> fila = leerClave(claveEtiqueta(i)))
            textos[static_cast<size_t>(i)] = fila->texto.toString().trimmed();
    }
    return textos;
}

std::vector<FormatoEtiqueta> ConfigEmpresa::leerEtiquetas()
{
    std::vector<FormatoEtiqueta> formatos;
    for (const QString& texto : leerTextosEtiquetas()) {
        if (std::optional<FormatoEtiqueta> f = FormatoEtiqueta::deTexto(texto); f && !texto.isEmpty())
            formatos.push_back(std::move(*f));
    }
    return formatos;
}

void ConfigEmpresa::escribirEtiquetas(const TextosEtiquetas& textos)
{
    fb::Query& q = escritura();
    for (int i = 0; i < kEtiquetas; ++i) {
        const QString& texto = textos[static_cast<size_t>(i)];
        const bool existe = leerClave(claveEtiqueta(i)).has_value();
        if (!existe && texto.isEmpty())
            continue;
        q.close();
        q.setSql(existe ? kSqlEtiqueta : kSqlInsertarEtiqueta);
        q.setParam(kCValorStr, texto.isEmpty() ? fb::Value() : fb::Value(texto));
        q.setParam(kCConfig, claveEtiqueta(i));
        q.execute();
    }
}

std::optional<ConfigEmpresa::Fila> ConfigEmpresa::leer(Ajuste ajuste)
{
    return leerClave(clave(definicion(ajuste)));
}

ConfigEmpresa::Fila ConfigEmpresa::leerOInsertar(Ajuste ajuste, bool& insertado)
{
    const Definicion& d = definicion(ajuste);
    if (std::optional<Fila> fila = leerClave(clave(d)))
        return *fila;
    fb::Query& q = escritura();
    q.close();
    Fila insertada;
    if (d.lectura == Lectura::Interruptor) {
        q.setSql(kSqlInsertarInterruptor.arg(clave(d)));
        insertada.caracter = QStringLiteral("S");
    } else {
        q.setSql(kSqlInsertarEntero.arg(clave(d)).arg(d.alInsertar));
        insertada.entero = d.alInsertar;
    }
    q.execute();
    insertado = true;
    return insertada;
}

bool ConfigEmpresa::activo(const Fila& fila)
{
    return fila.caracter.toString() == QLatin1StringView("S");
}

void ConfigEmpresa::escribirEntero(Ajuste ajuste, const fb::Value& valor)
{
    const Definicion& d = definicion(ajuste);
    Q_ASSERT(d.lectura != Lectura::Interruptor);
    fb::Query& q = escritura();
    q.close();
    q.setSql(kSqlEntero);
    q.setParam(kNValorInt, valor);
    q.setParam(kCConfig, clave(d));
    q.execute();
}

void ConfigEmpresa::escribirInterruptor(Ajuste ajuste, bool activo)
{
    const Definicion& d = definicion(ajuste);
    Q_ASSERT(d.lectura == Lectura::Interruptor);
    fb::Query& q = escritura();
    q.close();
    q.setSql(kSqlInterruptor);
    q.setParam(kNValorChr, activo ? QStringLiteral("S") : QStringLiteral("N"));
    q.setParam(kCConfig, clave(d));
    q.execute();
}

void ConfigEmpresa::fijarEntero(Ajuste ajuste, int valor)
{
    bool insertado = false;
    leerOInsertar(ajuste, insertado);
    escribirEntero(ajuste, valor);
}

void ConfigEmpresa::fijarInterruptor(Ajuste ajuste, bool activo)
{
    bool insertado = false;
    leerOInsertar(ajuste, insertado);
    escribirInterruptor(ajuste, activo);
}

ConfigEmpresa::Escaparate ConfigEmpresa::leerEscaparate()
{
    Escaparate e;
    if (const std::optional<Fila> fila = leerClave(kClaveEscaparate))
        e.activo = activo(*fila);
    auto numero = [this](const QString& clave, int porDefecto, int minimo) {
        const std::optional<Fila> fila = leerClave(clave);
        if (!fila || fila->entero.isNull())
            return porDefecto;
        return std::max(fila->entero.toInt(), minimo);
    };
    e.segundosInactivo = numero(kClaveEscaparateSegundos, kEscaparateInactivo, 1);
    e.segundosTarjeta = numero(kClaveEscaparateTarjeta, kEscaparateTarjeta, 1);
    e.listaPrecios = numero(kClaveEscaparateLista, 0, 0);
    return e;
}

void ConfigEmpresa::escribirEscaparate(const Escaparate& e)
{
    fb::Query& q = escritura();
    auto fila = [this, &q](const QString& clave, const fb::Value& entero, const fb::Value& caracter) {
        const bool existe = leerClave(clave).has_value();
        q.close();
        q.setSql(existe ? kSqlFila : kSqlInsertarFila);
        q.setParam(kCConfig, clave);
        q.setParam(kNValorInt, entero);
        q.setParam(kNValorChr, caracter);
        q.execute();
    };
    fila(kClaveEscaparate, fb::Value(), e.activo ? QStringLiteral("S") : QStringLiteral("N"));
    fila(kClaveEscaparateSegundos, e.segundosInactivo, fb::Value());
    fila(kClaveEscaparateTarjeta, e.segundosTarjeta, fb::Value());
    fila(kClaveEscaparateLista, e.listaPrecios, fb::Value());
}

ConfigEmpresa::Fuente ConfigEmpresa::fuentePredeterminada(Elemento elemento)
{
    // The display's built-in fonts, 60 and 107 pixels high, at 96 pixels per inch.
    return {elemento == Elemento::NombreArticulo ? 45 : 80, QStringLiteral("Tahoma")};
}

std::optional<ConfigEmpresa::Fuente> ConfigEmpresa::leerFuente(Elemento elemento)
{
    const std::optional<Fila> fila = leerClave(clave(elemento, "FONT_"));
    if (!fila)
        return std::nullopt;
    Fuente fuente = fuentePredeterminada(elemento);
    // Qt ignores a size of 0 or less, and an empty face picks an arbitrary font.
    if (!fila->entero.isNull() && fila->entero.toInt() > 0)
        fuente.puntos = fila->entero.toInt();
    if (const QString cara = fila->texto.toString(); !cara.trimmed().isEmpty())
        fuente.cara = cara;
    return fuente;
}

std::optional<fb::Value> ConfigEmpresa::leerColor(Elemento elemento)
{
    if (std::optional<Fila> fila = leerClave(clave(elemento, "COLOR_")))
        return fila->texto;
    return std::nullopt;
}

std::optional<fb::Value> ConfigEmpresa::leerEstilo(Elemento elemento)
{
    if (std::optional<Fila> fila = leerClave(clave(elemento, "ESTILO_")))
        return fila->texto;
    return std::nullopt;
}

void ConfigEmpresa::escribirFuente(Elemento elemento, const FilasFuente& filas)
{
    fb::Query& q = escritura();
    auto texto = [&q](const QString& sql, const QString& clave, const QString& valor) {
        q.close();
        q.setSql(sql);
        q.setParam(kCValorStr, valor);
        q.setParam(kCConfig, clave);
    };
    texto(kSqlFuente, clave(elemento, "FONT_"), filas.cara);
    q.setParam(kNValorInt, filas.puntos);
    q.execute();
    texto(kSqlTexto, clave(elemento, "COLOR_"), filas.color);
    q.execute();
    texto(kSqlTexto, clave(elemento, "ESTILO_"), filas.estilo);
    q.execute();
}
