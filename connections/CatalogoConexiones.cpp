#include "CatalogoConexiones.h"

#include "ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/XmlFile.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <array>

namespace catalogo {

int CodigoMostrado(const QStringList& opciones, const QString& texto)
{
    for (qsizetype i = 0; i < opciones.size(); ++i)
        if (opciones.at(i).compare(texto, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int ProtocoloValido(int tipoAcceso, int protocolo)
{
    constexpr int kRemota = 0;
    constexpr int kTcpIp = 0;
    if (tipoAcceso == kRemota && (protocolo < 0 || protocolo > 2))
        return kTcpIp;
    return protocolo;
}
namespace {

const QString kProgramData = QStringLiteral("ProgramData");
// The path below the document element, down to the connections.
const std::array<QString, 4> kRutaConexiones = {QStringLiteral("LocalMachine"), QStringLiteral("Software"),
                                                QStringLiteral("Microsip"), QStringLiteral("Conexiones")};
const QString kTipoAcceso = QStringLiteral("Tipo_de_acceso");
const QString kServidor = QStringLiteral("Nombre_del_servidor");
const QString kProtocolo = QStringLiteral("Protocolo");
const QString kDirectorio = QStringLiteral("Directorio_de_datos");

// A catalogue holds a handful of connections in a few kilobytes. It is read on the window thread at
// every activation of the login window, so a stray file of many megabytes is refused rather than
// parsed into a tree of hundreds of megabytes.
constexpr qint64 kTamanoMaximo = 4 * 1024 * 1024;

// Microsip writes standalone before encoding, which the XML grammar forbids; the same line in
// the conforming order has the same length, so the parser's line and column numbers still hold.
const QByteArray kDeclaracionInvertida = QByteArrayLiteral(R"(<?xml version="1.0" standalone="no" encoding="utf-8"?>)");
const QByteArray kDeclaracionCorrecta = QByteArrayLiteral(R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)");
const QString kDeclaracionEscrita = QStringLiteral(R"(version="1.0" encoding="UTF-8" standalone="no")");

std::string texto(const QString& mensaje)
{
    return mensaje.toStdString();
}

// In memory only: the file on disk keeps its own declaration.
void repararDeclaracion(QByteArray& contenido)
{
    const qsizetype inicio = contenido.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (QByteArrayView(contenido).sliced(inicio).startsWith(kDeclaracionInvertida))
        contenido.replace(inicio, kDeclaracionInvertida.size(), kDeclaracionCorrecta);
}

[[noreturn]] void noEsValido(const QString& archivo, const QString& error, qint64 linea, qint64 columna)
{
    throw ErrorCatalogo(
        texto(QStringLiteral("El archivo de conexiones «%1» no es un XML válido: %2 (línea %3, columna %4).")
                  .arg(archivo, error)
                  .arg(linea)
                  .arg(columna)));
}

QDomDocument cargar(const QString& archivo)
{
    // Entities are refused: the catalogue has no use for them.
    const platform::XmlFileRead leido = platform::readXmlFile(archivo, kTamanoMaximo, repararDeclaracion);
    switch (leido.status) {
    case platform::XmlFileRead::Status::Ok:
        break;
    case platform::XmlFileRead::Status::OpenFailed:
        throw ErrorCatalogo(
            texto(QStringLiteral("No se puede abrir el archivo de conexiones «%1»: %2").arg(archivo, leido.error)));
    case platform::XmlFileRead::Status::ReadFailed:
        throw ErrorCatalogo(
            texto(QStringLiteral("No se puede leer el archivo de conexiones «%1»: %2").arg(archivo, leido.error)));
    case platform::XmlFileRead::Status::TooLarge:
        throw ErrorCatalogo(texto(QStringLiteral("El archivo de conexiones «%1» ocupa más de %2 bytes, demasiado "
                                                 "para un archivo de conexiones.")
                                      .arg(archivo)
                                      .arg(kTamanoMaximo)));
    case platform::XmlFileRead::Status::DeclaresEntities:
        noEsValido(archivo, QStringLiteral("declara entidades, que un archivo de conexiones no admite"), leido.line,
                   leido.column);
    }
    const QByteArray& contenido = leido.data;

    QDomDocument documento;
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const QDomDocument::ParseResult resultado = documento.setContent(contenido);
    const bool correcto = bool(resultado);
    const QString error = resultado.errorMessage;
    const qint64 linea = resultado.errorLine;
    const qint64 columna = resultado.errorColumn;
#else
    QString error;
    int linea = 0;
    int columna = 0;
    const bool correcto = documento.setContent(contenido, &error, &linea, &columna);
#endif
    if (!correcto)
        noEsValido(archivo, error, linea, columna);
    return documento;
}

// "Conexiones", or a null element when any level of the path is missing.
QDomElement buscarConexiones(const QDomDocument& documento)
{
    QDomElement elemento = documento.documentElement();
    if (elemento.tagName() != kProgramData)
        return {};
    for (const QString& nombre : kRutaConexiones) {
        elemento = elemento.firstChildElement(nombre);
        if (elemento.isNull())
            return {};
    }
    return elemento;
}

QDomElement asegurarConexiones(QDomDocument& documento, const QString& archivo)
{
    QDomElement elemento = documento.documentElement();
    // A second document element would make the file unreadable.
    if (elemento.tagName() != kProgramData)
        throw ErrorCatalogo(texto(QStringLiteral("El archivo de conexiones «%1» no tiene la estructura de Microsip: su "
                                                 "elemento raíz es «%2» y no «%3».")
                                      .arg(archivo, elemento.tagName(), kProgramData)));
    for (const QString& nombre : kRutaConexiones) {
        QDomElement hijo = elemento.firstChildElement(nombre);
        if (hijo.isNull())
            hijo = elemento.appendChild(documento.createElement(nombre)).toElement();
        elemento = hijo;
    }
    return elemento;
}

void fijarTexto(QDomDocument& documento, QDomElement& elemento, const QString& valor)
{
    while (elemento.hasChildNodes())
        elemento.removeChild(elemento.firstChild());
    if (!valor.isEmpty())
        elemento.appendChild(documento.createTextNode(valor));
}

void fijarValor(QDomDocument& documento, QDomElement& conexion, const QString& nombre, const QString& valor)
{
    QDomElement elemento = conexion.firstChildElement(nombre);
    if (elemento.isNull())
        elemento = conexion.appendChild(documento.createElement(nombre)).toElement();
    fijarTexto(documento, elemento, valor);
}

void fijarValores(QDomDocument& documento, QDomElement& conexion, const ValoresConexion& valores)
{
    fijarValor(documento, conexion, kTipoAcceso, QString::number(valores.tipoAcceso));
    fijarValor(documento, conexion, kServidor, valores.servidor);
    fijarValor(documento, conexion, kProtocolo, QString::number(valores.protocolo));
    fijarValor(documento, conexion, kDirectorio, valores.carpeta);
}

void fijarDeclaracion(QDomDocument& documento)
{
    for (QDomNode nodo = documento.firstChild(); !nodo.isNull();) {
        const QDomNode siguiente = nodo.nextSibling();
        if (nodo.isProcessingInstruction() && nodo.toProcessingInstruction().target() == QStringLiteral("xml"))
            documento.removeChild(nodo);
        nodo = siguiente;
    }
    documento.insertBefore(documento.createProcessingInstruction(QStringLiteral("xml"), kDeclaracionEscrita),
                           documento.firstChild());
}

[[noreturn]] void noSePudoGuardar(const QString& archivo, const QString& motivo)
{
    throw ErrorCatalogo(
        texto(QStringLiteral("No se pudo guardar el archivo de conexiones «%1»: %2").arg(archivo, motivo)));
}

// Atomic: a failed write leaves the previous file in place.
void guardar(QDomDocument& documento, const QString& archivo)
{
    fijarDeclaracion(documento);
    const QByteArray contenido = documento.toByteArray(2);

    // A read-only file is refused inside replaceFile.
    const QString fallo = platform::replaceFile(archivo, contenido, platform::Durability::Synced);
    if (!fallo.isEmpty())
        noSePudoGuardar(archivo, fallo);
}

// The name rule has two judges: first the grammar of XML 1.0 (fifth edition) without ":", which
// also keeps blanks, quotes and markup out; then our own reader, which must read back whatever we
// write.
QString describirCaracter(char32_t c)
{
    const QString codigo = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF))
        return codigo;
    return QStringLiteral("«%1» (%2)").arg(QString::fromUcs4(&c, 1), codigo);
}

// Validates before any file access, so a refused name never leaves a trace.
QString elementoValido(const QString& conexion)
{
    const QString problema = ErrorDeNombre(conexion);
    if (!problema.isEmpty())
        throw ErrorCatalogo(texto(problema));
    return NombreElemento(conexion);
}

} // namespace

QString RutaCatalogo()
{
    return RutaCatalogo(platform::commonAppDataFolder());
}

QString RutaCatalogo(const QString& carpetaComun)
{
    return carpetaComun + QStringLiteral("/Microsip/ProgramData.xml");
}

QString NombreElemento(const QString& conexion)
{
    QString elemento = conexion;
    const qsizetype blanco = elemento.indexOf(QLatin1Char(' '));
    if (blanco >= 0)
        elemento[blanco] = QLatin1Char('_');
    return elemento;
}

QString NombreParaEditar(const QString& elemento)
{
    QString nombre = elemento;
    const qsizetype guion = nombre.indexOf(QLatin1Char('_'));
    if (guion >= 0)
        nombre[guion] = QLatin1Char(' ');
    return nombre;
}

QString ErrorDeNombre(const QString& conexion)
{
    if (conexion.isEmpty())
        return QStringLiteral("El nombre de la conexión está vacío.");
    if (conexion.count(QLatin1Char(' ')) > 1)
        return QStringLiteral("El nombre de conexión «%1» tiene más de un espacio; solo se admite uno.").arg(conexion);

    const QString elemento = NombreElemento(conexion);
    const QString debeEmpezar =
        QStringLiteral("El nombre de conexión «%1» debe empezar con una letra o un guion bajo.").arg(conexion);
    for (qsizetype i = 0; i < elemento.size();) {
        const qsizetype posicion = i;
        char32_t c = elemento.at(i++).unicode();
        if (QChar::isHighSurrogate(c) && i < elemento.size() && elemento.at(i).isLowSurrogate())
            c = QChar::surrogateToUcs4(elemento.at(posicion), elemento.at(i++));
        if (!platform::isXmlNameChar(c) ||
            !platform::isXmlElementName(QLatin1Char('_') + elemento.mid(posicion, i - posicion)))
            return QStringLiteral("El nombre de conexión «%1» contiene el carácter %2, que no se admite; use letras, "
                                  "dígitos, guiones, puntos y guiones bajos.")
                .arg(conexion, describirCaracter(c));
        if (posicion == 0 && !platform::isXmlNameStartChar(c))
            return debeEmpezar;
    }
    // Every character is acceptable, so only the first one can still fail the reader (a digit of
    // another script, for instance).
    if (!platform::isXmlElementName(elemento))
        return debeEmpezar;
    return {};
}

QStringList LeerXML2018(const QString& archivo, QWidget* padre)
{
    const QDomDocument documento = cargar(archivo);
    const QDomElement conexiones = buscarConexiones(documento);
    if (conexiones.isNull()) {
        platform::showMessage(padre, QStringLiteral("El XML no cuenta con la estructura de conexión Microsip"),
                              platform::kMessageTitle, platform::Icon::Warning);
        return {};
    }
    // Comments and stray text under "Conexiones" are not connections.
    QStringList nombres;
    for (QDomElement hijo = conexiones.firstChildElement(); !hijo.isNull(); hijo = hijo.nextSiblingElement())
        nombres << hijo.tagName();
    return nombres;
}

void LeerXmlConexion(const QString& archivo, const QString& conexion, DatosConexion& datos)
{
    const QString elemento = elementoValido(conexion);
    const QDomDocument documento = cargar(archivo);
    // Null elements read as empty text, so an unknown connection clears the previous values.
    const QDomElement nodo = buscarConexiones(documento).firstChildElement(elemento);
    datos.TipoAcceso = nodo.firstChildElement(kTipoAcceso).text();
    datos.Servidor = nodo.firstChildElement(kServidor).text();
    datos.CarpetaDatos = nodo.firstChildElement(kDirectorio).text();
    datos.ProtocoloRed = nodo.firstChildElement(kProtocolo).text();
    datos.RutaMostrada = datos.TipoAcceso == QStringLiteral("0")
                             ? datos.Servidor + QLatin1Char(':') + datos.CarpetaDatos
                             : datos.CarpetaDatos;
}

std::optional<ValoresConexion> LeerXmlConexionEditor(const QString& archivo, const QString& conexion)
{
    const QString elemento = elementoValido(conexion);
    const QDomDocument documento = cargar(archivo);
    const QDomElement nodo = buscarConexiones(documento).firstChildElement(elemento);
    if (nodo.isNull())
        return std::nullopt;
    ValoresConexion valores;
    valores.tipoAcceso = EnteroDecimal(nodo.firstChildElement(kTipoAcceso).text(), QStringLiteral("El tipo de acceso"));
    valores.servidor = nodo.firstChildElement(kServidor).text();
    valores.protocolo =
        EnteroDecimal(nodo.firstChildElement(kProtocolo).text(), QStringLiteral("El código de protocolo"));
    valores.carpeta = nodo.firstChildElement(kDirectorio).text();
    return valores;
}

void GrabarXmlConexion(const QString& archivo, const QString& conexion, const ValoresConexion& valores)
{
    const QString elemento = elementoValido(conexion);
    QDomDocument documento = cargar(archivo);
    QDomElement conexiones = asegurarConexiones(documento, archivo);
    // A second element of the same name could never be read or modified.
    if (!conexiones.firstChildElement(elemento).isNull())
        throw ErrorCatalogo(texto(QStringLiteral("Ya existe una conexión llamada «%1» en el archivo «%2».")
                                      .arg(NombreParaEditar(elemento), archivo)));
    QDomElement nodo = conexiones.appendChild(documento.createElement(elemento)).toElement();
    fijarValores(documento, nodo, valores);
    guardar(documento, archivo);
}

void ModificarConexion(const QString& archivo, const QString& conexion, const ValoresConexion& valores)
{
    const QString elemento = elementoValido(conexion);
    QDomDocument documento = cargar(archivo);
    QDomElement nodo = buscarConexiones(documento).firstChildElement(elemento);
    if (!nodo.isNull())
        fijarValores(documento, nodo, valores);
    guardar(documento, archivo);
}

void EliminarConexion(const QString& archivo, const QString& conexion)
{
    const QString elemento = elementoValido(conexion);
    QDomDocument documento = cargar(archivo);
    QDomElement conexiones = buscarConexiones(documento);
    for (QDomElement hijo = conexiones.firstChildElement(elemento); !hijo.isNull();) {
        const QDomElement siguiente = hijo.nextSiblingElement(elemento);
        conexiones.removeChild(hijo);
        hijo = siguiente;
    }
    guardar(documento, archivo);
}

void CrearArchivo(const QString& archivo)
{
    if (QFileInfo::exists(archivo))
        throw ErrorCatalogo(
            texto(QStringLiteral("El archivo de conexiones «%1» ya existe; no se reemplaza.").arg(archivo)));
    const QString carpeta = QFileInfo(archivo).path();
    if (!QDir(carpeta).exists() && !QDir().mkdir(carpeta))
        throw ErrorCatalogo(texto(QStringLiteral("No se pudo crear la carpeta «%1».").arg(carpeta)));

    QDomDocument documento;
    QDomNode nodo = documento.appendChild(documento.createElement(kProgramData));
    for (const QString& nombre : kRutaConexiones)
        nodo = nodo.appendChild(documento.createElement(nombre));
    guardar(documento, archivo);
}

} // namespace catalogo
