// fb::translateNamedParams: the markers it leaves are exactly the parameters it names, putting
// the names back gives the input again, and a translated text has nothing left to translate.

#include "Fuzz.h"
#include "firebird/Query.h"

#include <vector>

namespace {

// Positions of '?' outside string literals, quoted identifiers and comments.
std::vector<qsizetype> marcadores(const QString& s)
{
    std::vector<qsizetype> posiciones;
    fuzz::recorrerSql(
        s,
        [&](qsizetype i) {
            if (s[i] == u'?')
                posiciones.push_back(i);
        },
        [](qsizetype, qsizetype) {});
    return posiciones;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString sql = fuzz::utf8(data, size);
    const fb::TranslatedSql t = fb::translateNamedParams(sql);

    const std::vector<qsizetype> posiciones = marcadores(t.sql);
    FUZZ_REQUIRE(static_cast<qsizetype>(posiciones.size()) == t.names.size());

    // Each name back in place of its marker ('?' written in the input has no name).
    QString reconstruido;
    qsizetype desde = 0;
    for (std::size_t k = 0; k < posiciones.size(); ++k) {
        const QString& nombre = t.names[static_cast<qsizetype>(k)];
        reconstruido += QStringView(t.sql).mid(desde, posiciones[k] - desde);
        reconstruido += nombre.isEmpty() ? QStringLiteral("?") : QChar(u':') + nombre;
        desde = posiciones[k] + 1;
        if (!nombre.isEmpty())
            FUZZ_REQUIRE(nombre == nombre.toUpper());
    }
    reconstruido += QStringView(t.sql).mid(desde);
    FUZZ_REQUIRE(reconstruido.size() == sql.size());
    FUZZ_REQUIRE(reconstruido.compare(sql, Qt::CaseInsensitive) == 0);

    const fb::TranslatedSql otraVez = fb::translateNamedParams(t.sql);
    FUZZ_REQUIRE(otraVez.sql == t.sql);
    FUZZ_REQUIRE(otraVez.names.size() == t.names.size());
    for (const QString& nombre : otraVez.names)
        FUZZ_REQUIRE(nombre.isEmpty());
    return 0;
}
