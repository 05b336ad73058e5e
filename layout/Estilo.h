#pragma once

#include <QColor>

// The station's own look, shared by its windows.
namespace estilo {

inline const QColor kFondo(59, 59, 59);          // window background
inline const QColor kNaranja(249, 125, 49);      // buttons, logo, frames
inline const QColor kAzul(9, 121, 213);          // article name, grid titles
inline const QColor kNaranjaPrecio(255, 128, 0); // net price, grid text

} // namespace estilo
