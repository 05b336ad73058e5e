#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

class QColor;
class QFont;

// A colour text that TextoAColor cannot read. what() (UTF-8) quotes the text:
// "«clPink» no es un color válido".
class ColorInvalido : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Colours are stored as 0x00BBGGRR: red in the lowest byte, then green, then blue.
//
// Written: one of the sixteen names ("clBlack" ... "clWhite") when the whole 32-bit value is one
// of them, otherwise "$" and eight upper-case hexadecimal digits ("$00D57909").
QString ColorATexto(quint32 color);

// Read: one of the sixteen names in any letter case (ASCII only); "$" and up to eight significant
// hexadecimal digits; a decimal number from 0 to 4294967295, digits only; "#RRGGBB" or "#RGB".
// Nothing is trimmed. Other colour names (system colours such as "clWindowText" or "clNone", web
// names such as "clAliceblue") are refused: a system colour has no fixed value off the machine
// that wrote it, and a clear failure is better than a guessed colour on the display.
// Anything else throws ColorInvalido.
quint32 TextoAColor(const QString& texto);

// The four effects of a font.
struct EstiloFuente {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    friend bool operator==(const EstiloFuente&, const EstiloFuente&) = default;
};

// One of the fourteen style names ("Bold", "BoldStrikeUnderLine", "ItalicUnderLineStrike" ...),
// the empty text for no effects, and "BoldItalicUnderLineStrike" for all four effects, which have
// no name among the fourteen: "Bold" before the name of the other three, as in the names that
// begin with "Bold".
QString EstiloATexto(EstiloFuente estilo);

// The text upper-cased (a to z only) and compared exactly with the upper-cased names; blanks are
// not trimmed. A text that matches no name gives no effects, not an error.
EstiloFuente TextoAEstilo(const QString& texto);

// The colour as Qt draws it. The top byte is ignored.
QColor aQColor(quint32 color);
// Alpha is ignored: stored colours are opaque.
quint32 deQColor(const QColor& color);

// Sets and clears the four effects, leaving face and size as they are.
void aplicarEstilo(QFont& fuente, EstiloFuente estilo);
// Bold as Qt sees it: any weight above Medium.
EstiloFuente estiloDe(const QFont& fuente);

// Whole points for a character height in pixels: pixels x 72 / pixels per inch, rounded to the
// nearest point, halves away from zero (60 px -> 45 pt, 107 px -> 80 pt at 96 pixels per inch).
int puntosDePixeles(int pixeles, int pixelesPorPulgada = 96);
