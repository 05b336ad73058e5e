#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The station's own look, shared by its windows.
namespace estilo {

inline const QColor kFondo(59, 59, 59);          // window background
inline const QColor kNaranja(249, 125, 49);      // buttons, logo, frames
inline const QColor kAzul(9, 121, 213);          // article name, grid titles
inline const QColor kNaranjaPrecio(255, 128, 0); // net price, grid text

// The built-in fonts are sized in pixels, so they look the same at any screen density.
inline QFont tahoma(int pixeles, bool negrita = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

} // namespace estilo
