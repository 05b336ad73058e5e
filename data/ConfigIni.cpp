#include "ConfigIni.h"

#include "ConversionIni.h"
#include "platform/AtomicFile.h"
#include "platform/XmlFile.h"

#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <utility>
#include <vector>

// The file is kept in a small tree of our own rather than in a QDomDocument: QDomDocument holds
// an element's attributes in a hash and writes them in a different order on every save, and this
// file must keep its order.

namespace {

// The file holds three sections and about thirty values. Refusing anything near this size keeps a
// stray file from stalling the window thread, which reads the whole file on every call.
constexpr qint64 kTamanoMaximo = 1024 * 1024;

// The tree is built from the parser's tokens; bounding its depth keeps a hostile file from
// exhausting the stack when the tree is written or destroyed.
constexpr std::size_t kProfundidadMaxima = 256;

// QXmlStreamReader (which QDomDocument::setContent also uses in Qt 6.4) never fetches external
// entities, and it expands internal ones only up to this many characters each ("Entity expands to
// more characters than the entity expansion limit."), which stops a "billion laughs" file. The
// limit is per entity, not per document: a 300 KB file that repeats one 4,000-character entity
// 100,000 times takes 800 MB and three seconds to parse. A settings file has no use for entities,
// so platform::readXmlFile refuses a DTD that declares any before anything is expanded. The limit
// is kept as a second guard, set explicitly so that a change of Qt's default cannot loosen it.
constexpr int kLimiteEntidades = 4096;

struct Nodo {
    enum class Tipo { Elemento, Texto, CData, Comentario, Instruccion, Dtd };

    Tipo tipo = Tipo::Elemento;
    QString nombre; // element, processing instruction target
    QString texto;  // text, comment, processing instruction data, DTD
    std::vector<std::pair<QString, QString>> atributos;
    std::vector<Nodo> hijos;
};

struct Documento {
    QString version; // of the XML declaration; empty when the file has none
    bool standalone = false;
    std::vector<Nodo> nodos; // what precedes the root, the root, what follows it
};

QString citar(const QString& texto)
{
    return QChar(u'«') + texto + QChar(u'»');
}

QString rutaAbsoluta(const QString& ruta)
{
    return QFileInfo(ruta).absoluteFilePath();
}

[[noreturn]] void fallar(const QString& mensaje)
{
    throw ErrorConfigIni(mensaje.toStdString());
}

[[noreturn]] void noSePuedeLeer(const QString& ruta, const QString& motivo)
{
    fallar(
        QStringLiteral("El archivo de configuración %1 no se puede leer: %2").arg(citar(rutaAbsoluta(ruta)), motivo));
}

[[noreturn]] void noSePuedeGuardar(const QString& ruta, const QString& motivo)
{
    fallar(QStringLiteral("El archivo de configuración %1 no se puede guardar: %2")
               .arg(citar(rutaAbsoluta(ruta)), motivo));
}

Documento analizar(const QByteArray& datos, const QString& ruta)
{
    Documento doc;
    QXmlStreamReader xml(datos);
    // Names are compared as written, prefix included.
    xml.setNamespaceProcessing(false);
    xml.setEntityExpansionLimit(kLimiteEntidades);

    // The children of every open element. Only the innermost list grows while its element is
    // open, so the pointers to the outer ones stay valid.
    std::vector<std::vector<Nodo>*> abiertos{&doc.nodos};
    auto agregar = [&abiertos](Nodo::Tipo tipo, QString nombre, QString texto) {
        Nodo nodo;
        nodo.tipo = tipo;
        nodo.nombre = std::move(nombre);
        nodo.texto = std::move(texto);
        abiertos.back()->push_back(std::move(nodo));
    };

    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
            doc.version = xml.documentVersion().toString();
            doc.standalone = xml.isStandaloneDocument();
            break;
        case QXmlStreamReader::StartElement: {
            if (abiertos.size() > kProfundidadMaxima) {
                xml.raiseError(QStringLiteral("hay más de %1 niveles de elementos anidados").arg(kProfundidadMaxima));
                break;
            }
            Nodo elemento;
            elemento.nombre = xml.qualifiedName().toString();
            for (const QXmlStreamAttribute& atributo : xml.attributes())
                elemento.atributos.emplace_back(atributo.qualifiedName().toString(), atributo.value().toString());
            abiertos.back()->push_back(std::move(elemento));
            abiertos.push_back(&abiertos.back()->back().hijos);
            break;
        }
        case QXmlStreamReader::EndElement:
            abiertos.pop_back();
            break;
        case QXmlStreamReader::Characters:
            agregar(xml.isCDATA() ? Nodo::Tipo::CData : Nodo::Tipo::Texto, {}, xml.text().toString());
            break;
        case QXmlStreamReader::Comment:
            agregar(Nodo::Tipo::Comentario, {}, xml.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            agregar(Nodo::Tipo::Instruccion, xml.processingInstructionTarget().toString(),
                    xml.processingInstructionData().toString());
            break;
        case QXmlStreamReader::DTD:
            agregar(Nodo::Tipo::Dtd, {}, xml.text().toString());
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        noSePuedeLeer(
            ruta, QStringLiteral("%1 (línea %2, columna %3)")
                      .arg(xml.errorString(), QString::number(xml.lineNumber()), QString::number(xml.columnNumber())));
    }
    return doc;
}

Documento cargar(const QString& ruta)
{
    const platform::XmlFileRead leido = platform::readXmlFile(ruta, kTamanoMaximo);
    switch (leido.status) {
    case platform::XmlFileRead::Status::Ok:
        break;
    case platform::XmlFileRead::Status::OpenFailed:
    case platform::XmlFileRead::Status::ReadFailed:
        noSePuedeLeer(ruta, leido.error);
    case platform::XmlFileRead::Status::TooLarge:
        noSePuedeLeer(
            ruta,
            QStringLiteral("ocupa más de %1 bytes, demasiado para un archivo de configuración").arg(kTamanoMaximo));
    case platform::XmlFileRead::Status::DeclaresEntities:
        noSePuedeLeer(ruta, QStringLiteral("declara entidades, que un archivo de configuración no admite (línea %1, "
                                           "columna %2)")
                                .arg(leido.line)
                                .arg(leido.column));
    }
    return analizar(leido.data, ruta);
}

void escribirNodo(QXmlStreamWriter& xml, const Nodo& nodo)
{
    switch (nodo.tipo) {
    case Nodo::Tipo::Elemento:
        xml.writeStartElement(nodo.nombre);
        for (const auto& [nombre, valor] : nodo.atributos)
            xml.writeAttribute(nombre, valor);
        for (const Nodo& hijo : nodo.hijos)
            escribirNodo(xml, hijo);
        xml.writeEndElement();
        break;
    case Nodo::Tipo::Texto:
        xml.writeCharacters(nodo.texto);
        break;
    case Nodo::Tipo::CData:
        xml.writeCDATA(nodo.texto);
        break;
    case Nodo::Tipo::Comentario:
        xml.writeComment(nodo.texto);
        break;
    case Nodo::Tipo::Instruccion:
        xml.writeProcessingInstruction(nodo.nombre, nodo.texto);
        break;
    case Nodo::Tipo::Dtd:
        xml.writeDTD(nodo.texto);
        break;
    }
}

QByteArray serializar(const QString& ruta, const Documento& doc)
{
    // Always UTF-8: QXmlStreamWriter writes a declaration that says so, which also corrects a
    // declaration of another encoding that the file came with.
    QByteArray datos;
    QXmlStreamWriter xml(&datos);
    if (!doc.version.isEmpty()) {
        if (doc.standalone)
            xml.writeStartDocument(doc.version, true);
        else
            xml.writeStartDocument(doc.version);
    }
    for (const Nodo& nodo : doc.nodos)
        escribirNodo(xml, nodo);
    // The writer drops characters that XML cannot hold; a file written that way would not read back.
    if (xml.hasError())
        noSePuedeGuardar(ruta, QStringLiteral("contiene caracteres que XML no admite"));
    return datos;
}

Nodo& raiz(Documento& doc, const QString& ruta)
{
    for (Nodo& nodo : doc.nodos) {
        if (nodo.tipo == Nodo::Tipo::Elemento)
            return nodo;
    }
    noSePuedeLeer(ruta, QStringLiteral("no tiene elemento raíz"));
}

const QString* atributo(const Nodo& elemento, const QString& clave)
{
    for (const auto& [nombre, valor] : elemento.atributos) {
        if (nombre == clave)
            return &valor;
    }
    return nullptr;
}

void ponerAtributo(Nodo& elemento, const QString& clave, const QString& valor)
{
    for (auto& [nombre, anterior] : elemento.atributos) {
        if (nombre == clave) {
            anterior = valor;
            return;
        }
    }
    elemento.atributos.emplace_back(clave, valor);
}

bool esBlanco(const Nodo& nodo)
{
    return nodo.tipo == Nodo::Tipo::Texto && nodo.texto.trimmed().isEmpty();
}

// The child of the root with that name, appended when there is none. A hand-edited file may hold
// the section twice: the copies are merged into the first, a later attribute winning, so that a
// value added in a second element is not silently ignored; the next save writes one element.
Nodo& seccionDe(Nodo& raiz, const QString& seccion)
{
    auto& hijos = raiz.hijos;
    std::vector<std::size_t> copias;
    for (std::size_t i = 0; i < hijos.size(); ++i) {
        if (hijos[i].tipo == Nodo::Tipo::Elemento && hijos[i].nombre == seccion)
            copias.push_back(i);
    }
    if (!copias.empty()) {
        Nodo& primera = hijos[copias.front()];
        for (std::size_t k = 1; k < copias.size(); ++k) {
            Nodo& copia = hijos[copias[k]];
            for (auto& [nombre, valor] : copia.atributos)
                ponerAtributo(primera, nombre, valor);
            for (Nodo& hijo : copia.hijos)
                primera.hijos.push_back(std::move(hijo));
        }
        // Backwards, so the indices still to erase stay valid; each copy goes with the blank
        // text that set it on its own line.
        for (std::size_t k = copias.size(); k-- > 1;) {
            const std::size_t i = copias[k];
            const std::size_t desde = esBlanco(hijos[i - 1]) ? i - 1 : i;
            hijos.erase(hijos.begin() + static_cast<std::ptrdiff_t>(desde),
                        hijos.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
        return hijos[copias.front()];
    }
    Nodo nueva;
    nueva.nombre = seccion;
    raiz.hijos.push_back(std::move(nueva));
    return raiz.hijos.back();
}

void validarNombres(const QString& ruta, const QString& seccion, const QString& clave)
{
    if (!platform::isXmlElementName(seccion)) {
        fallar(QStringLiteral("%1 no es un nombre de sección válido para el archivo de configuración %2")
                   .arg(citar(seccion), citar(rutaAbsoluta(ruta))));
    }
    if (!platform::isXmlElementName(clave)) {
        fallar(QStringLiteral("%1 no es un nombre de clave válido para el archivo de configuración %2")
                   .arg(citar(clave), citar(rutaAbsoluta(ruta))));
    }
}

// XML 1.0 holds tab, line feed, carriage return and the characters from U+0020 on, except the
// surrogates and U+FFFE/U+FFFF; a lone surrogate is no character at all.
void validarValor(const QString& ruta, const QString& seccion, const QString& clave, const QString& valor)
{
    for (qsizetype i = 0; i < valor.size(); ++i) {
        const char16_t c = valor.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < valor.size() && QChar::isLowSurrogate(valor.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        const bool admitido =
            c == u'\t' || c == u'\n' || c == u'\r' || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD);
        if (!admitido) {
            noSePuedeGuardar(ruta, QStringLiteral("el valor de %1/%2 contiene el carácter U+%3, que XML no admite")
                                       .arg(citar(seccion), citar(clave),
                                            QStringLiteral("%1").arg(uint{c}, 4, 16, QChar(u'0')).toUpper()));
        }
    }
}

} // namespace

ConfigIni::ConfigIni(const QString& ruta)
    : m_ruta(ruta)
{
}

ConfigIni::~ConfigIni()
{
    if (m_sinSincronizar)
        platform::syncFile(m_ruta);
}

ConfigIni::SincronizacionAplazada::SincronizacionAplazada(ConfigIni& config) noexcept
    : m_config(config)
{
    ++m_config.m_aplazadas;
}

ConfigIni::SincronizacionAplazada::~SincronizacionAplazada()
{
    --m_config.m_aplazadas;
}

void ConfigIni::guardar(const QByteArray& datos)
{
    // A temporary file in the same folder renamed over the old one: a crash, a power cut or a full
    // disk leaves either the old file or the new one, never a cut one. Only a save that waited for
    // the disk to the end leaves nothing to sync; one that did not wait, or failed part-way (maybe
    // after its rename), leaves the file to sincronizar().
    const bool aplazada = m_aplazadas > 0;
    m_sinSincronizar = true;
    const QString fallo =
        platform::replaceFile(m_ruta, datos, aplazada ? platform::Durability::Deferred : platform::Durability::Synced);
    if (!fallo.isEmpty())
        noSePuedeGuardar(m_ruta, fallo);
    m_sinSincronizar = aplazada;
}

void ConfigIni::sincronizar()
{
    if (!m_sinSincronizar)
        return;
    const QString fallo = platform::syncFile(m_ruta);
    if (!fallo.isEmpty())
        noSePuedeGuardar(m_ruta, fallo);
    m_sinSincronizar = false;
}

std::optional<QString> ConfigIni::leer(const QString& seccion, const QString& clave, const QString& porDefecto)
{
    validarNombres(m_ruta, seccion, clave);
    if (!QFileInfo::exists(m_ruta)) {
        escribir(seccion, clave, porDefecto);
        return std::nullopt;
    }
    Documento doc = cargar(m_ruta);
    Nodo& elemento = seccionDe(raiz(doc, m_ruta), seccion);
    if (const QString* valor = atributo(elemento, clave))
        return *valor;
    validarValor(m_ruta, seccion, clave, porDefecto);
    ponerAtributo(elemento, clave, porDefecto);
    guardar(serializar(m_ruta, doc));
    return std::nullopt;
}

std::optional<QString> ConfigIni::consultar(const QString& seccion, const QString& clave)
{
    validarNombres(m_ruta, seccion, clave);
    if (!QFileInfo::exists(m_ruta))
        return std::nullopt;
    Documento doc = cargar(m_ruta);
    Nodo& elemento = seccionDe(raiz(doc, m_ruta), seccion);
    if (const QString* valor = atributo(elemento, clave))
        return *valor;
    return std::nullopt;
}

void ConfigIni::escribir(const QString& seccion, const QString& clave, const QString& valor)
{
    validarNombres(m_ruta, seccion, clave);
    validarValor(m_ruta, seccion, clave, valor);
    Documento doc;
    if (QFileInfo::exists(m_ruta)) {
        doc = cargar(m_ruta);
    } else {
        Nodo config;
        config.nombre = QStringLiteral("Config");
        doc.nodos.push_back(std::move(config));
    }
    ponerAtributo(seccionDe(raiz(doc, m_ruta), seccion), clave, valor);
    guardar(serializar(m_ruta, doc));
}

QString ConfigIni::ConfigIni_str(const QString& seccion, const QString& clave, const QString& porDefecto)
{
    return leer(seccion, clave, porDefecto).value_or(porDefecto);
}

int ConfigIni::ConfigIni_int(const QString& seccion, const QString& clave, int porDefecto)
{
    const std::optional<QString> texto = leer(seccion, clave, QString::number(porDefecto));
    return texto ? EnteroIni(*texto) : porDefecto;
}

bool ConfigIni::ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto)
{
    const std::optional<QString> texto =
        leer(seccion, clave, porDefecto ? QStringLiteral("true") : QStringLiteral("false"));
    if (!texto)
        return porDefecto;
    if (const std::optional<bool> valor = LogicoIni(*texto))
        return *valor;
    throw ErrorConversionConfigIni(
        QStringLiteral("El valor %1 de %2/%3 en el archivo de configuración %4 no es un valor lógico válido: "
                       "se esperaba true, false o un número")
            .arg(citar(*texto), citar(seccion), citar(clave), citar(rutaAbsoluta(m_ruta)))
            .toStdString());
}

void ConfigIni::ConfigIni_strW(const QString& seccion, const QString& clave, const QString& valor)
{
    escribir(seccion, clave, valor);
}

void ConfigIni::ConfigIni_intW(const QString& seccion, const QString& clave, int valor)
{
    escribir(seccion, clave, QString::number(valor));
}

void ConfigIni::ConfigIni_boolW(const QString& seccion, const QString& clave, bool valor)
{
    escribir(seccion, clave, valor ? QStringLiteral("true") : QStringLiteral("false"));
}
