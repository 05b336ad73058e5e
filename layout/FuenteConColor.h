#pragma once

#include <QColor>
#include <QFont>

// The font and text colour of one of the two large display elements.
struct FuenteConColor {
    QFont fuente;
    QColor color;
};
