#pragma once

#include <QString>

namespace bench {

// The catalogue search in the real window offscreen: from the key event or button click that
// starts a search to the first screen of rows painted, by name (one match, about a hundred,
// and the empty name through F4 in the main window: every article) and by key. Figures go
// to stdout; returns the number of searches that did not give what was expected.
int medirCatalogo(const QString& carpeta, int articulos, int repeticiones);

} // namespace bench
