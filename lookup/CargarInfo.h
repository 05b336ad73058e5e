#pragma once

#include "data/ConfigEmpresa.h"
#include "layout/FuenteConColor.h"

class Tdm;
struct AjustesConsulta;

// Loads the company's lookup settings and the fonts of the article name and the net price (the
// window copies them from its widgets before a load and back after it). Commits the shared
// transaction when it is active and starts a new one, which stays open afterwards. Then reads the
// settings table through fdVarios (ConfigEmpresa: one query per key, its rules for missing rows
// and bad values) into the record, and applies the font rows: FONT_* sets the size in points and
// the face, COLOR_* the colour, ESTILO_* the four effects. A missing font row leaves that part as
// it was; a non-positive size or an empty face reads as the element's built-in one. A size from a
// row replaces a pixel-defined size with the same number of points (45 points are 60 pixels at 96
// pixels per inch).
//
// A database failure propagates; the fields of the keys not yet read keep their values. A colour
// text that cannot be read throws ColorInvalido quoting it: the font rows before it have already
// been applied to nombre and precio, the later ones are not.
void CargarInfo(Tdm& dm, AjustesConsulta& ajustes, FuenteConColor& nombre, FuenteConColor& precio);

// The main window's load: CargarInfo, then the showcase's rows, each one operation of
// Tdm::conReconexion (after a lost connection it runs again). Commits the data module's
// transaction at the end, so an idle station holds none open on it. Failures as CargarInfo's.
// With `leida` (the table as the start-up's one statement read it, nothing written since) nothing
// is read and nothing committed: the start-up's transaction goes on to its next read.
ConfigEmpresa::Escaparate cargarAjustesPantalla(Tdm& dm, AjustesConsulta& ajustes, FuenteConColor& nombre,
                                                FuenteConColor& precio, const ConfigEmpresa::Tabla* leida = nullptr);
