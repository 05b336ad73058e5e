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

// The keys a scanned code is tried by after its exact key, worked out before any statement runs,
// so the lookup can send them along with the exact key. A scale label is looked up by the key each
// format it follows maps it to, in the formats' order, then by the code's own equivalent forms;
// any other code by its equivalent forms.
struct PlanCodigo {
    std::vector<etiqueta::Lectura> lecturas; // the label readings whose verifier digit is right
    bool todasMalLeidas = false;             // it follows some format and every reading is a misread: no keys to try
    bool algunaMalLeida = false;
    QStringList candidatos; // in the order they are tried; the exact key left out
};
PlanCodigo planCodigo(const QString& clave, const std::vector<FormatoEtiqueta>& formatos);

// The candidates a statement takes: those a key can be (at most kLongitudClave characters), the
// first gtin::kMaxFormas of them.
QStringList candidatosUtiles(const QStringList& candidatos);

// What the plan's keys came to: `articulo` is the article the first candidate that some article
// has named, if any. A label that none of them finds is an unknown key. A code of 8, 12, 13 or 14
// digits whose check digit is wrong and that nothing finds is a misread, and so is a label whose
// verifier digit is wrong in a format it follows, unless another format's key finds its article.
ResultadoCodigo resolverCodigo(const PlanCodigo& plan, const QString& clave,
                               std::optional<ArticuloEncontrado> articulo);

// After an exact lookup of `clave` that found nothing: the plan's keys tried in one statement
// execution through fdQFormas, and what they came to.
ResultadoCodigo buscarCodigo(Tdm& dm, const QString& clave, const std::vector<FormatoEtiqueta>& formatos);
