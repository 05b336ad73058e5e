// fb::splitScript: statements are trimmed, non-empty, in order and start on the line reported;
// and with the default terminator no text outside comments is lost or invented.

#include "Fuzz.h"
#include "firebird/ScriptRunner.h"

#include <algorithm>
#include <vector>

namespace {

// The text without comments, blanks and ';' outside string literals and quoted identifiers.
QString significativo(const QString& s)
{
    QString salida;
    const auto copiar = [&](qsizetype i) {
        if (!s[i].isSpace())
            salida += s[i];
    };
    fuzz::recorrerSql(
        s,
        [&](qsizetype i) {
            if (s[i] != u';')
                copiar(i);
        },
        [&](qsizetype desde, qsizetype hasta) {
            for (qsizetype i = desde; i < hasta; ++i)
                copiar(i);
        });
    return salida;
}

// Where each line starts: inicios[k] is the position of line k + 1.
std::vector<qsizetype> iniciosDeLinea(const QString& s)
{
    std::vector<qsizetype> inicios{0};
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\n')
            inicios.push_back(i + 1);
    }
    return inicios;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString script = fuzz::utf8(data, size);
    const std::vector<fb::ScriptStatement> sentencias = fb::splitScript(script);

    const std::vector<qsizetype> inicios = iniciosDeLinea(script);
    const auto lineaDe = [&](qsizetype posicion) {
        return static_cast<int>(std::upper_bound(inicios.begin(), inicios.end(), posicion) - inicios.begin());
    };
    qsizetype desde = 0;
    int lineaAnterior = 1;
    QString juntas;
    for (const fb::ScriptStatement& s : sentencias) {
        FUZZ_REQUIRE(!s.text.isEmpty());
        FUZZ_REQUIRE(s.text == s.text.trimmed());
        FUZZ_REQUIRE(s.line >= lineaAnterior);
        FUZZ_REQUIRE(static_cast<std::size_t>(s.line) <= inicios.size());
        // The statement sits after the previous one on its reported line, so the first occurrence
        // of its text from there on starts on that line too.
        const qsizetype p = script.indexOf(s.text, std::max(desde, inicios[static_cast<std::size_t>(s.line) - 1]));
        FUZZ_REQUIRE(p >= 0 && lineaDe(p) == s.line);
        desde = p + s.text.size();
        lineaAnterior = s.line;
        juntas += significativo(s.text);
    }

    // SET TERM and SET SQL DIALECT legitimately drop their own text and change the terminator.
    if (!script.contains(QStringLiteral("set"), Qt::CaseInsensitive))
        FUZZ_REQUIRE(juntas == significativo(script));
    return 0;
}
