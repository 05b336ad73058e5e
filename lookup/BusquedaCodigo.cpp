#include "BusquedaCodigo.h"

#include "rules/CodigoBarras.h"

#include <algorithm>

PlanCodigo planCodigo(const QString& clave, const std::vector<FormatoEtiqueta>& formatos)
{
    PlanCodigo p;
    // Every format the code follows is a guess at which kind of label it is; the guesses go first,
    // in the formats' order, so the first one that names an article wins.
    p.lecturas = etiqueta::leer(clave, formatos);
    p.todasMalLeidas = !p.lecturas.empty() && std::ranges::none_of(p.lecturas, &etiqueta::Lectura::verificadorOk);
    if (p.todasMalLeidas)
        return p;
    p.algunaMalLeida = std::erase_if(p.lecturas, [](const etiqueta::Lectura& l) { return !l.verificadorOk; }) > 0;
    for (const etiqueta::Lectura& l : p.lecturas)
        p.candidatos.append(l.claveErp);
    p.candidatos.append(gtin::formasEquivalentes(clave));
    p.candidatos.removeAll(clave);
    p.candidatos.removeDuplicates();
    return p;
}

QStringList candidatosUtiles(const QStringList& candidatos)
{
    QStringList utiles;
    for (const QString& c : candidatos) {
        if (c.size() <= kLongitudClave && utiles.size() < gtin::kMaxFormas)
            utiles.append(c);
    }
    return utiles;
}

ResultadoCodigo resolverCodigo(const PlanCodigo& plan, const QString& clave, std::optional<ArticuloEncontrado> articulo)
{
    ResultadoCodigo r;
    if (plan.todasMalLeidas) {
        r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
        return r;
    }
    r.articulo = std::move(articulo);
    if (r.articulo) {
        r.tipo = ResultadoCodigo::Tipo::Encontrado;
        // The label's reading applies only when its mapped key is what found the article.
        const auto lectura = std::ranges::find(plan.lecturas, r.articulo->clave, &etiqueta::Lectura::claveErp);
        if (lectura != plan.lecturas.end())
            r.etiqueta = *lectura;
        return r;
    }
    if (plan.algunaMalLeida || gtin::leer(clave) == gtin::Lectura::DigitoErroneo)
        r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
    return r;
}

ResultadoCodigo buscarCodigo(Tdm& dm, const QString& clave, const std::vector<FormatoEtiqueta>& formatos)
{
    const PlanCodigo plan = planCodigo(clave, formatos);
    if (plan.todasMalLeidas)
        return resolverCodigo(plan, clave, std::nullopt);
    return resolverCodigo(plan, clave, buscarPrimeraForma(dm, plan.candidatos));
}
