#pragma once

#include "lookup/ServicioConsulta.h"

#include <QString>
#include <optional>

// What the display does with a scan's answer or with a scan it refuses, as plain values: the
// window maps them to its elements.
namespace flujo {

extern const QString kCodigoNoValido;   // "Código no válido, escanee de nuevo"
extern const QString kSinRespuesta;     // the server did not answer within the deadline
extern const QString kSinServidor;      // the connection is lost
extern const QString kFalloConsulta;    // any other failure without a text of its own
extern const QString kNoBuscarEnDiseno; // a scan in design mode
extern const QString kConectando;       // a scan while an automatic start waits for the server
extern const QString kSinEmpresa;       // a scan with no company open

struct Pantalla {
    enum class Vista {
        Articulo, // the answer's article with its grids
        Mensaje,  // `mensaje` where the article's name goes, nothing of the previous article beside it
        Vacia,    // the article's elements hidden
        Buscador, // the catalogue search takes `clave`; the display stays as it is
    };
    enum class Sonido { Ninguno, Pitido, DoblePitido };
    Vista vista = Vista::Vacia;
    QString mensaje;
    QString detalle;     // the engine's text, for the operator (the status line's tool tip)
    QString barraEstado; // a status line message; empty leaves the line as it is
    Sonido sonido = Sonido::Ninguno;
    QString clave; // what the catalogue search looks for
};

// The display for one answer. An unknown key opens the catalogue search when the company shows
// it, else clears the display with a beep.
Pantalla pantallaDeRespuesta(const RespuestaConsulta& respuesta, bool mostrarBuscador);

// A scan or a search refused before any lookup, else none. An automatic start still waiting for
// the server is said first (the built-in design mode is still on then), only on the display: the
// status line already counts its attempts.
std::optional<Pantalla> rechazoDeBusqueda(bool conectando, bool empresaAbierta, bool modoDiseno);

// A scan that did not fit the key box (`cortada`). No stored key is longer than the box, and the
// digits that fit are another code: a barcode's digits are a misread. A longer text goes on to the
// lookup by its first characters, as a name typed for the catalogue search does. Else none.
std::optional<Pantalla> lecturaCortada(const QString& clave, bool cortada);

// A change of the key box that leaves it longer than `limite` characters, as a length-limited
// edit box takes it: the inserted part (what lies between the text's unchanged beginning and
// end) keeps as much of itself as fits. Returns the text and the cursor after it; none when even
// the unchanged part is too long (the change is refused). A text within the limit is the caller's.
struct TextoRecortado {
    QString texto;
    int cursor = 0;
};
std::optional<TextoRecortado> recortarInsercion(const QString& antes, const QString& despues, qsizetype limite);

// The lookup's deadline from the station's "Estacion"/"SegundosRespuesta" text: 2 s when it is
// missing, not a number, or outside (0, 600] seconds.
int plazoRespuestaMs(const std::optional<QString>& texto);

} // namespace flujo
