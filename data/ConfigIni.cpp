#include "ConfigIni.h"

#include "platform/AtomicFile.h"

#include <QFile>
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
// so a DTD that declares any is refused before anything is expanded. The limit is kept as a second
// guard, set explicitly so that a change of Qt's default cannot loosen it.
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
            if (!xml.entityDeclarations().isEmpty()) {
                xml.raiseError(QStringLiteral("declara entidades, que un archivo de configuración no admite"));
                break;
            }
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
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        noSePuedeLeer(ruta, archivo.errorString());
    const QByteArray datos = archivo.read(kTamanoMaximo + 1);
    if (archivo.error() != QFileDevice::NoError)
        noSePuedeLeer(ruta, archivo.errorString());
    if (datos.size() > kTamanoMaximo)
        noSePuedeLeer(
            ruta,
            QStringLiteral("ocupa más de %1 bytes, demasiado para un archivo de configuración").arg(kTamanoMaximo));
    return analizar(datos, ruta);
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

// The first child of the root with that name, appended when there is none.
Nodo& seccionDe(Nodo& raiz, const QString& seccion)
{
    for (Nodo& hijo : raiz.hijos) {
        if (hijo.tipo == Nodo::Tipo::Elemento && hijo.nombre == seccion)
            return hijo;
    }
    Nodo nueva;
    nueva.nombre = seccion;
    raiz.hijos.push_back(std::move(nueva));
    return raiz.hijos.back();
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

// Asks the parser itself, so that a name we write is one it reads back. The comparison of the
// parsed name rejects texts such as "a b='1'" that would parse as something else.
bool esNombreXml(const QString& nombre)
{
    QXmlStreamReader xml(QChar(u'<') + nombre + QStringLiteral("/>"));
    xml.setNamespaceProcessing(false);
    if (!xml.readNextStartElement() || xml.qualifiedName() != nombre)
        return false;
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}

void validarNombres(const QString& ruta, const QString& seccion, const QString& clave)
{
    if (!esNombreXml(seccion)) {
        fallar(QStringLiteral("%1 no es un nombre de sección válido para el archivo de configuración %2")
                   .arg(citar(seccion), citar(rutaAbsoluta(ruta))));
    }
    if (!esNombreXml(clave)) {
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

bool esBlanco(QChar c)
{
    return c == u' ' || c == u'\t';
}

int valorDigito(QChar c, int base)
{
    const char16_t u = c.unicode();
    int valor = 99;
    if (u >= u'0' && u <= u'9')
        valor = u - u'0';
    else if (u >= u'a' && u <= u'f')
        valor = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        valor = u - u'A' + 10;
    return valor < base ? valor : -1;
}

// Leading blanks, a sign and a hexadecimal prefix, as the integer and boolean readers share them.
struct Prefijo {
    bool negativo = false;
    int base = 10;
    QStringView resto;
};

Prefijo partirPrefijo(QStringView texto)
{
    Prefijo p;
    qsizetype i = 0;
    while (i < texto.size() && esBlanco(texto[i]))
        ++i;
    if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-')) {
        p.negativo = texto[i] == u'-';
        ++i;
    }
    p.resto = texto.mid(i);
    if (p.resto.startsWith(u'$') || p.resto.startsWith(u'x', Qt::CaseInsensitive)) {
        p.base = 16;
        p.resto = p.resto.mid(1);
    } else if (p.resto.startsWith(u"0x", Qt::CaseInsensitive)) {
        p.base = 16;
        p.resto = p.resto.mid(2);
    }
    return p;
}

int enteroDeTexto(QStringView texto)
{
    const Prefijo p = partirPrefijo(texto);
    if (p.resto.isEmpty())
        return 0;
    quint64 valor = 0;
    for (const QChar c : p.resto) {
        const int digito = valorDigito(c, p.base);
        if (digito < 0)
            return 0;
        valor = valor * static_cast<quint64>(p.base) + static_cast<quint64>(digito);
        if (valor > 0xFFFFFFFFu)
            return 0;
    }
    if (p.base == 16) {
        // A 32-bit pattern, as colour values are written.
        const quint32 patron = static_cast<quint32>(valor);
        return static_cast<int>(p.negativo ? 0u - patron : patron);
    }
    if (p.negativo)
        return valor <= 2147483648u ? static_cast<int>(-static_cast<qint64>(valor)) : 0;
    return valor <= 2147483647u ? static_cast<int>(valor) : 0;
}

bool igualSinMayusculas(QStringView texto, QLatin1StringView ascii)
{
    if (texto.size() != ascii.size())
        return false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        char16_t c = texto[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(ascii[i].unicode()))
            return false;
    }
    return true;
}

// A number in the forms the integer reader takes, or a decimal fraction with an optional exponent
// ("0.0", "1e3"); range does not matter. Nothing when the text is no number.
std::optional<bool> numeroDistintoDeCero(QStringView texto)
{
    const Prefijo p = partirPrefijo(texto);
    bool hayDigitos = false;
    bool distintoDeCero = false;
    qsizetype i = 0;
    auto leerDigitos = [&](int base) {
        for (; i < p.resto.size() && valorDigito(p.resto[i], base) >= 0; ++i) {
            hayDigitos = true;
            distintoDeCero = distintoDeCero || p.resto[i] != u'0';
        }
    };
    leerDigitos(p.base);
    if (p.base == 10) {
        if (i < p.resto.size() && p.resto[i] == u'.') {
            ++i;
            leerDigitos(10);
        }
        if (hayDigitos && i < p.resto.size() && (p.resto[i] == u'e' || p.resto[i] == u'E')) {
            ++i;
            if (i < p.resto.size() && (p.resto[i] == u'+' || p.resto[i] == u'-'))
                ++i;
            const qsizetype inicio = i;
            while (i < p.resto.size() && valorDigito(p.resto[i], 10) >= 0)
                ++i;
            if (i == inicio)
                return std::nullopt;
        }
    }
    if (!hayDigitos || i != p.resto.size())
        return std::nullopt;
    return distintoDeCero;
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
    return texto ? enteroDeTexto(*texto) : porDefecto;
}

bool ConfigIni::ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto)
{
    const std::optional<QString> texto =
        leer(seccion, clave, porDefecto ? QStringLiteral("true") : QStringLiteral("false"));
    if (!texto)
        return porDefecto;
    if (igualSinMayusculas(*texto, QLatin1StringView("true")))
        return true;
    if (igualSinMayusculas(*texto, QLatin1StringView("false")))
        return false;
    if (const std::optional<bool> numero = numeroDistintoDeCero(*texto))
        return *numero;
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
