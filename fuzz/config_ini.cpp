// ConfigIni on a whole config.xml: a stored value reads back as written in the file, reading an
// existing key never touches the file, the number and boolean readers agree with plain parsing,
// and a save (forced by a missing key) keeps every other value and the new one readable.

#include "Fuzz.h"
#include "data/ConfigIni.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <vector>

namespace {

struct Valor {
    QString seccion;
    QString clave;
    QString texto;
};

// The attributes of each section as the store reads them, by Qt's parser directly: the copies of a
// section merged in the first one's place, a later attribute winning; nothing when the file does
// not parse.
std::optional<std::vector<Valor>> valores(const QByteArray& contenido)
{
    QXmlStreamReader xml(contenido);
    xml.setNamespaceProcessing(false);
    std::vector<std::pair<QString, std::vector<std::pair<QString, QString>>>> secciones;
    int profundidad = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++profundidad;
            if (profundidad != 2)
                continue;
            const QString nombre = xml.qualifiedName().toString();
            auto s = std::find_if(secciones.begin(), secciones.end(), [&](const auto& e) { return e.first == nombre; });
            if (s == secciones.end()) {
                secciones.push_back({nombre, {}});
                s = secciones.end() - 1;
            }
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                const QString clave = a.qualifiedName().toString();
                auto v =
                    std::find_if(s->second.begin(), s->second.end(), [&](const auto& e) { return e.first == clave; });
                if (v == s->second.end())
                    s->second.emplace_back(clave, a.value().toString());
                else
                    v->second = a.value().toString();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --profundidad;
        }
    }
    if (xml.hasError())
        return std::nullopt;
    std::vector<Valor> salida;
    for (const auto& [seccion, atributos] : secciones) {
        for (const auto& [clave, texto] : atributos)
            salida.push_back({seccion, clave, texto});
    }
    return salida;
}

// Leading blanks, a sign and decimal digits only, within int: what ConfigIni_int must give.
std::optional<int> decimalSimple(const QString& texto)
{
    qsizetype i = 0;
    while (i < texto.size() && (texto[i] == u' ' || texto[i] == u'\t'))
        ++i;
    const QString resto = texto.mid(i);
    if (resto.isEmpty())
        return std::nullopt;
    for (qsizetype k = 0; k < resto.size(); ++k) {
        const bool signo = k == 0 && (resto[k] == u'+' || resto[k] == u'-') && resto.size() > 1;
        if (!signo && (resto[k] < u'0' || resto[k] > u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const int valor = resto.toInt(&ok, 10);
    return ok ? std::optional<int>(valor) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString ruta = fuzz::archivoTemporal(QStringLiteral("config.xml"));
    const QByteArray contenido = fuzz::bytes(data, size);
    fuzz::escribir(ruta, contenido);
    ConfigIni ini(ruta);

    // A file the store cannot read is refused and left alone.
    const QString nueva = QStringLiteral("ClaveDeLaPrueba");
    const QString porDefecto = QStringLiteral("a<b>&\"' \t\r\n ]]> \u00e9\U0001F600");
    QString esperada = porDefecto;
    bool existia = false;
    const std::optional<std::vector<Valor>> antes = valores(contenido);
    if (antes) {
        for (const Valor& v : *antes) {
            if (v.seccion == QStringLiteral("Prueba") && v.clave == nueva) {
                esperada = v.texto;
                existia = true;
            }
        }
    }
    try {
        FUZZ_REQUIRE(ini.ConfigIni_str(QStringLiteral("Prueba"), nueva, porDefecto) == esperada);
    } catch (const ErrorConfigIni&) {
        FUZZ_REQUIRE(fuzz::leer(ruta) == contenido);
        return 0;
    }
    // Whatever the store accepted, Qt's parser reads as well (the same parser, with limits).
    FUZZ_REQUIRE(antes.has_value());

    const QByteArray guardado = fuzz::leer(ruta);
    const std::optional<std::vector<Valor>> despues = valores(guardado);
    FUZZ_REQUIRE(despues.has_value());
    // Every other value of the file survives the save, in its order, and the new one is there.
    const auto sinLaNueva = [&](const std::vector<Valor>& todos) {
        std::vector<Valor> otros;
        for (const Valor& v : todos) {
            if (v.seccion == QStringLiteral("Prueba") && v.clave == nueva)
                FUZZ_REQUIRE(v.texto == esperada);
            else
                otros.push_back(v);
        }
        FUZZ_REQUIRE(todos.size() == otros.size() + 1);
        return otros;
    };
    const std::vector<Valor> otrosAntes = existia ? sinLaNueva(*antes) : *antes;
    const std::vector<Valor> otrosDespues = sinLaNueva(*despues);
    FUZZ_REQUIRE(otrosAntes.size() == otrosDespues.size());
    for (std::size_t k = 0; k < otrosAntes.size(); ++k) {
        FUZZ_REQUIRE(otrosAntes[k].seccion == otrosDespues[k].seccion);
        FUZZ_REQUIRE(otrosAntes[k].clave == otrosDespues[k].clave);
        FUZZ_REQUIRE(otrosAntes[k].texto == otrosDespues[k].texto);
    }

    constexpr std::size_t kMaximo = 6; // every call reads the whole file: keep runs fast
    for (std::size_t k = 0; k < despues->size() && k < kMaximo; ++k) {
        const Valor& v = (*despues)[k];
        try {
            FUZZ_REQUIRE(ini.ConfigIni_str(v.seccion, v.clave, QStringLiteral("x")) == v.texto);
            const int entero = ini.ConfigIni_int(v.seccion, v.clave, 7);
            if (const std::optional<int> esperado = decimalSimple(v.texto))
                FUZZ_REQUIRE(entero == *esperado);
            try {
                const bool logico = ini.ConfigIni_bool(v.seccion, v.clave, true);
                if (v.texto.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
                    FUZZ_REQUIRE(logico);
                if (v.texto.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
                    FUZZ_REQUIRE(!logico);
                if (const std::optional<int> numero = decimalSimple(v.texto))
                    FUZZ_REQUIRE(logico == (*numero != 0));
            } catch (const ErrorConversionConfigIni&) {
                FUZZ_REQUIRE(!decimalSimple(v.texto));
            }
        } catch (const ErrorConfigIni&) {
            // A name that cannot be written back (a namespace prefix the store refuses).
        }
        FUZZ_REQUIRE(fuzz::leer(ruta) == guardado);
    }
    return 0;
}
