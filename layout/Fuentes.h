#pragma once

#include "layout/FuenteConColor.h"

#include <QFont>

class QWidget;
class Tdm;

// What an element shows: its font and the colour its text is drawn in.
FuenteConColor fuenteConColorDe(const QWidget& elemento);

// Whole points of a font. A font defined by its character height in pixels (the window's built-in
// ones) is converted at 96 pixels per inch, the density the stored sizes were chosen for, so the
// value does not depend on the screen the station happens to run on.
int puntosDeFuente(const QFont& fuente);

// Writes the fonts of the article name and the net price into the six font rows of the settings
// table through the shared query, commits, and then writes the local restore flag
// ("Ventana"/"Restaurada") false. Rows that do not exist are not created. The six updates are one
// unit: on a failure the shared transaction is rolled back, the failure goes on to the caller and the
// flag is not written, so the next start tries again.
void ReestrableceFuentes(Tdm& dm, const FuenteConColor& nombreArticulo, const FuenteConColor& precio);
