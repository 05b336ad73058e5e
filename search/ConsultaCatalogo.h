#pragma once

#include <QString>

// The text limit of the catalogue search's boxes and the LIKE patterns made from them (the
// statements are in search/BusquedaCatalogo).
namespace catalogo {

// Longest text the search boxes take. No name or key is longer, so a longer text could
// never match anything but through wildcards.
inline constexpr int kLargoTexto = 200;

// The name pattern: the first blank, and only the first, becomes "%"; then "%" after it, and
// before it too when the word may stand anywhere. Typed "%" and "_" stay wildcards.
QString patronNombre(const QString& texto, bool cualquierPosicion);
// The key pattern: blanks are kept.
QString patronClave(const QString& texto, bool cualquierPosicion);

} // namespace catalogo
