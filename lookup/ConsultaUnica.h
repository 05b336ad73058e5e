#pragma once

#include "lookup/BusquedaClave.h"
#include "lookup/FilasLeidas.h"

#include <QStringList>
#include <optional>

struct AjustesConsulta;

namespace fb {
class Query;
}

// An article's grid has a handful of rows; more than this is not read.
constexpr int kMaxFilasRejilla = 500;

// Everything the display shows of one scan, read by one statement: the article and its grids, each
// grid with the columns, rows, order and value types that its own statement (ConsultasArticulo)
// gives, so the display cannot tell how they were read.
struct FilasArticulo {
    std::optional<ArticuloEncontrado> articulo;
    bool porCandidato = false; // found by one of the candidate keys, not by the exact key or the id
    FilasLeidas precios, existe, volumen, claves, combos;
};

// The one statement for a price order (AjustesConsulta::OrdenPrecio): an EXECUTE BLOCK that finds
// the article and runs the grids' own statements inside it, returning all their rows marked by
// kind, so a lookup costs one round trip whether the key is found or not.
const QString& sqlConsultaUnica(int ordenPrecio);

// The article by its id (articuloId != 0, shown with `clave`) or by key: `clave` exactly (its
// first kLongitudClave characters), else the first of `candidatos` (candidatosUtiles of them) that
// some article has, in their order. Runs in the query's transaction, which must be active; the
// volume steps are priced from the configured price list's net price, as the display picks it. A
// failure propagates.
FilasArticulo consultarArticulo(fb::Query& consulta, int articuloId, const QString& clave,
                                const QStringList& candidatos, const AjustesConsulta& ajustes);
