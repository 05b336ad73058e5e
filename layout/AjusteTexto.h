#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>

class QFontMetrics;

// Fitting a text into a fixed box by shrinking its font. A box that cannot hold its text makes the
// text smaller, never cuts it: a price missing its last digit reads as a different price. The
// given font is kept as it is when the text fits; otherwise the result is the largest smaller
// pixel size that fits, with the face and the effects (bold, italic, underline, strike-out) kept.
// Nothing here looks at a widget: the results depend on the font, the box and the text only.
namespace ajuste {

// The pixels a text takes on one line: its advance, or its ink where a glyph reaches beyond it
// (the slant of an italic last digit).
int anchoLinea(const QFontMetrics& metricas, const QString& texto);

// Total height of `lineas` lines drawn one line spacing apart.
int altoLineas(const QFontMetrics& metricas, int lineas);

// One line, as the large price is shown.
struct Linea {
    QFont fuente;
    QString texto; // the text whole; elided at its end with "…" only when even the floor is too large
};

// The font for `texto` on one line in `caja`: the given one when the text fits it, else the largest
// pixel size that fits, down to `pisoPixeles`. Only at the floor may the text end in "…".
Linea ajustarLinea(const QFont& fuente, QSize caja, const QString& texto, int pisoPixeles);

// A word-wrapped text, as the article name is shown.
struct Parrafo {
    QFont fuente;
    QStringList lineas;   // the lines as drawn, top to bottom, without trailing blanks
    bool completo = true; // false: even at the floor the text needed more lines; the last one ends in "…"
};

// The font and lines for `texto` wrapped at word boundaries in `caja`: the given font when every
// line fits the width and the lines fit the height, else the largest pixel size that does, down to
// `pisoPixeles`. At the floor a word wider than the box is broken where it must, and a text that
// still needs more lines than the box holds keeps the lines that fit, the last ending in "…";
// the lines before it are whole, so the name always starts as written.
Parrafo ajustarParrafo(const QFont& fuente, QSize caja, const QString& texto, int pisoPixeles);

// The width of a grid column whose cells show each of `muestras` whole in `fuente`, with `margen`
// pixels of the cell's own on either side and `extra` more (a grid line); never less than `minimo`.
int anchoColumna(const QFont& fuente, const QStringList& muestras, int margen, int extra, int minimo);

} // namespace ajuste
