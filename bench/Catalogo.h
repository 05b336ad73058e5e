#pragma once

#include <QString>

namespace bench {

// What the searches type, chosen by counting what the window's own patterns match ("anywhere"
// ticked, the stored default).
struct TextosBusqueda {
    QString unArticulo; // a name pattern that matches one article
    int filasUno = 0;
    QString cien; // one that matches about a hundred
    int filasCien = 0;
    QString clave; // a barcode: one key
    int filasClave = 0;
};

// On the database file `ruta` of `articulos` generated articles (embedded engine).
TextosBusqueda elegirTextos(const QString& ruta, int articulos);

// The catalogue search in the real window offscreen: from the key event or button click that
// starts a search to the first screen of rows painted, by name (one match, about a hundred,
// and the empty name through F4 in the main window: every article) and by key. Figures go
// to stdout; returns the number of searches that did not give what was expected.
int medirCatalogo(const QString& carpeta, int articulos, int repeticiones);

} // namespace bench
