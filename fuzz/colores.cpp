// Colour and style texts: whatever TextoAColor reads, ColorATexto writes back as a text that
// reads as the same colour; canonical texts survive the round trip unchanged; and a style text
// gives effects only when it is one of the names, in any letter case.

#include "layout/Colores.h"

#include "Fuzz.h"

#include <cstring>

namespace {

bool canonico(const QString& texto)
{
    if (texto.size() != 9 || texto[0] != u'$')
        return false;
    for (qsizetype i = 1; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

// Only a to z: the readers ignore Unicode case rules on purpose.
QString mayusculasAscii(QString texto)
{
    for (QChar& c : texto) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return texto;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString texto = fuzz::utf8(data, size);

    try {
        const quint32 color = TextoAColor(texto);
        const QString escrito = ColorATexto(color);
        FUZZ_REQUIRE(TextoAColor(escrito) == color);
        const bool conNombre = escrito.startsWith(QStringLiteral("cl"));
        // A name in any letter case is that name; "$" and eight upper-case digits of a colour
        // without a name is written back unchanged.
        if (mayusculasAscii(texto).startsWith(QStringLiteral("CL")))
            FUZZ_REQUIRE(conNombre && mayusculasAscii(escrito) == mayusculasAscii(texto));
        if (canonico(texto) && !conNombre)
            FUZZ_REQUIRE(escrito == texto);
    } catch (const ColorInvalido&) {
        FUZZ_REQUIRE(!canonico(texto));
    }

    // Any 32-bit value, through every written form the reader takes.
    if (size >= sizeof(quint32)) {
        quint32 valor = 0;
        std::memcpy(&valor, data, sizeof valor);
        FUZZ_REQUIRE(TextoAColor(ColorATexto(valor)) == valor);
        FUZZ_REQUIRE(TextoAColor(QString::number(valor)) == valor);
        FUZZ_REQUIRE(TextoAColor(QStringLiteral("$%1").arg(valor, 0, 16)) == valor);
        const quint32 rgb = valor & 0xFFFFFFu;
        const QString web = QStringLiteral("#%1%2%3")
                                .arg(rgb & 0xFF, 2, 16, QChar(u'0'))
                                .arg((rgb >> 8) & 0xFF, 2, 16, QChar(u'0'))
                                .arg(rgb >> 16, 2, 16, QChar(u'0'));
        FUZZ_REQUIRE(TextoAColor(web) == rgb);
    }

    const EstiloFuente estilo = TextoAEstilo(texto);
    const QString nombre = EstiloATexto(estilo);
    if (estilo == EstiloFuente{}) {
        // The empty name or no name at all: never one of the others in another letter case.
        for (unsigned bits = 1; bits < 16; ++bits) {
            const QString otro = EstiloATexto({(bits & 1u) != 0, (bits & 2u) != 0, (bits & 4u) != 0, (bits & 8u) != 0});
            FUZZ_REQUIRE(!otro.isEmpty() && mayusculasAscii(otro) != mayusculasAscii(texto));
        }
    } else {
        FUZZ_REQUIRE(mayusculasAscii(nombre) == mayusculasAscii(texto));
        FUZZ_REQUIRE(TextoAEstilo(nombre) == estilo);
    }
    return 0;
}
