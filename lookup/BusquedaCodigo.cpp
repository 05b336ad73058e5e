#include "BusquedaCodigo.h"

#include "rules/CodigoBarras.h"

#include <algorithm>

ResultadoCodigo buscarCodigo(Tdm& dm, const QString& clave, const std::vector<FormatoEtiqueta>& formatos)
{
    ResultadoCodigo r;
    // Every format the code follows is a guess at which kind of label it is; the guesses go first,
    // in the formats' order, so the first one that names an article wins.
    std::vector<etiqueta::Lectura> lecturas = etiqueta::leer(clave, formatos);
    const bool todasMalLeidas = !lecturas.empty() && std::ranges::none_of(lecturas, &etiqueta::Lectura::verificadorOk);
    if (todasMalLeidas) {
        r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
        return r;
    }
    const bool algunaMalLeida =
        std::erase_if(lecturas, [](const etiqueta::Lectura& l) { return !l.verificadorOk; }) > 0;
    QStringList candidatos;
    for (const etiqueta::Lectura& l : lecturas)
        candidatos.append(l.claveErp);
    candidatos.append(gtin::formasEquivalentes(clave));
    candidatos.removeAll(clave);
    candidatos.removeDuplicates();
    r.articulo = buscarPrimeraForma(dm, candidatos);
    if (r.articulo) {
        r.tipo = ResultadoCodigo::Tipo::Encontrado;
        // The label's reading applies only when its mapped key is what found the article.
        const auto lectura = std::ranges::find(lecturas, r.articulo->clave, &etiqueta::Lectura::claveErp);
        if (lectura != lecturas.end())
            r.etiqueta = std::move(*lectura);
        return r;
    }
    if (algunaMalLeida || gtin::leer(clave) == gtin::Lectura::DigitoErroneo)
        r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
    return r;
}
