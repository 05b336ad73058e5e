#include "BusquedaCodigo.h"

#include "lookup/CodigoBarras.h"

ResultadoCodigo buscarCodigo(Tdm& dm, const QString& clave, const std::vector<FormatoEtiqueta>& formatos)
{
    ResultadoCodigo r;
    QStringList candidatos;
    if (std::optional<etiqueta::Lectura> l = etiqueta::leer(clave, formatos)) {
        if (!l->verificadorOk) {
            r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
            return r;
        }
        candidatos.append(l->claveErp);
        r.etiqueta = std::move(l);
    }
    candidatos.append(gtin::formasEquivalentes(clave));
    candidatos.removeAll(clave);
    candidatos.removeDuplicates();
    r.articulo = buscarPrimeraForma(dm, candidatos);
    if (r.articulo) {
        r.tipo = ResultadoCodigo::Tipo::Encontrado;
        // The label's reading applies only when its mapped key is what found the article.
        if (r.etiqueta && r.articulo->clave != r.etiqueta->claveErp)
            r.etiqueta.reset();
        return r;
    }
    r.etiqueta.reset();
    if (gtin::leer(clave) == gtin::Lectura::DigitoErroneo)
        r.tipo = ResultadoCodigo::Tipo::CodigoNoValido;
    return r;
}
