#pragma once

#include <QString>
#include <Qt>

// What a key pressed in the key box (or in the last purchase's box beside it) does. A scanner
// ends a code with Enter, CR, LF, CR LF or a Tab; the operator's F4 opens the catalogue search.
class TeclasEscaneo {
public:
    struct Accion {
        bool buscar = false;   // the key box's text is a scan to look up
        bool catalogo = false; // the catalogue search by the text typed so far
        bool consumir = false; // the key goes no further (a Tab must not move the focus)
    };

    Accion pulsada(int tecla, const QString& texto, Qt::KeyboardModifiers modificadores, bool campoClave);

    // A key that ends a scan: Enter, a scanner's Tab, CR or LF.
    static bool terminaEscaneo(int tecla, const QString& texto);

private:
    bool m_trasTerminador = false; // the last key ended a scan
};
