#pragma once

#include "lookup/BusquedaClave.h"
#include "rules/EtiquetaBascula.h"

#include <optional>
#include <vector>

// What a scan comes to once the exact lookup has found nothing.
struct ResultadoCodigo {
    enum class Tipo {
        NoEncontrado,   // nothing: the usual beep or catalogue search
        CodigoNoValido, // a code whose check digit (or a label's verifier digit) is wrong
        Encontrado,
    };
    Tipo tipo = Tipo::NoEncontrado;
    std::optional<ArticuloEncontrado> articulo;
    std::optional<etiqueta::Lectura> etiqueta; // the scale label that named the article
};

// After an exact lookup of `clave` that found nothing: a scale label is looked up by the key each
// format it follows maps it to, in the formats' order (then the code's own equivalent forms), any
// other code by its equivalent forms, all in one statement execution. A label that none of them
// finds is an unknown key. A code of 8, 12, 13 or 14 digits whose check digit is wrong and that
// nothing finds is a misread, and so is a label whose verifier digit is wrong in a format it
// follows, unless another format's key finds its article.
ResultadoCodigo buscarCodigo(Tdm& dm, const QString& clave, const std::vector<FormatoEtiqueta>& formatos);
