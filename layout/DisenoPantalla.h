#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class Tdm;

// A display element the operator can drag, and the prefix of its local settings keys
// ("NombreArticulo" for "NombreArticulo_X" and "NombreArticulo_Y", section "Ventana").
struct ElementoArrastrable {
    QWidget* elemento = nullptr;
    QString prefijo;
};

// Design mode and the stored layout of the price display.
//
// The nine elements are known by their prefixes: "NombreArticulo", "Precios", "Existencia",
// "ListaPrecios", "ListaVolumen", "Claves", "Combo", "Imagen" and "Etiqueta" (a scale label's reading). Positions are
// in the coordinates of the elements' parent (the window's client area) and are stored without snapping or clamping.
//
// Installed as an event filter on every element and on every widget inside it (a grid receives
// the mouse on its viewport), it implements the drag: any button down sets the drag flag and the
// grab point; a movement while the flag is set and design mode is on moves the element so the grab
// point stays under the pointer and writes its "_X" and then its "_Y" key; a button up clears the
// flag. Outside design mode nothing moves and nothing is written. In design mode the mouse events
// of the elements are consumed, so a grid does not select rows while it is being dragged.
//
// The movements' saves do not wait for the disk (ConfigIni::SincronizacionAplazada); the button up
// waits for it once, so the final position is durable when the drag ends.
class DisenoPantalla : public QObject {
    Q_OBJECT
public:
    // Throws std::invalid_argument unless the list holds exactly the nine prefixes above, each once,
    // each with an element.
    DisenoPantalla(Tdm& dm, std::vector<ElementoArrastrable> elementos, std::function<bool()> modoDiseno,
                   QObject* parent = nullptr);

    // Start-up with the restore flag false: moves the elements to their stored positions (a missing
    // key gets the built-in position as default, written into the file by the read) and returns the
    // window's stored outer size ("Ancho", "Alto"; 1024 x 746 by default), read after the positions.
    // The combo grid's and the label reading's stored positions are applied too, after the image's.
    QSize aplicarDisenoGuardado();

    // Design mode switched (after the window has shown or hidden the display): the article name and
    // the price are drawn opaque while design mode is on and transparent while it is off; then
    // "Ancho", "Alto" (the window's outer size) and "Restaurada" false are written.
    void cambiarModoDiseno(bool activo, QSize tamanoExteriorVentana);

    // "Restaurar": writes "Restaurada" true and nothing else; it takes effect at the next start.
    void Restaurar1Click();

    // The operator closes the main window (after the window has closed the company connection):
    // writes the left and top of the name, price, stock, price list, volume and image elements, in
    // that order.
    void FormCloseQuery();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TestDiseno;
    bool arrastrando() const noexcept { return m_arrastrando; }
    QPoint puntoDeAgarre() const noexcept { return m_agarre; }

    const ElementoArrastrable* elementoDe(QObject* watched) const;
    const ElementoArrastrable& porPrefijo(const QString& prefijo) const;
    bool filtrar(QObject* watched, QEvent* event);
    void escribirPosicion(const ElementoArrastrable& e);

    Tdm& m_dm;
    std::vector<ElementoArrastrable> m_elementos;
    std::function<bool()> m_modoDiseno;
    bool m_arrastrando = false;
    QPoint m_agarre;
};

// Where the window puts each draggable element (by its prefix above), in its parent's coordinates:
// the built-in layout, which "Restaurar" brings back at the next start. Throws std::logic_error for
// an unknown prefix.
QPoint posicionIntegrada(QStringView prefijo);

// The window's size including its frame, as the stored layout keeps it.
QSize tamanoExterior(const QWidget& ventana);

// Gives the window the outer size, keeping its frame: the client area becomes the size less the
// frame. A window of fixed size stays fixed at the new size. A dimension below 1 (a damaged settings
// file reads letters as 0) is not applied: it would leave a window nobody can see or reach.
void aplicarTamanoExterior(QWidget& ventana, QSize exterior);

// The window's outer rectangle within the screen's available area: no larger than the area, and
// moved no further than needed to lie inside it.
QRect dentroDelArea(QRect exterior, QRect disponible);

// Places the window, frame included, within the available area: centred on it, shrunk to it when
// larger (through aplicarTamanoExterior, so a fixed window stays fixed). Nothing is stored.
void centrarEnArea(QWidget& ventana, QRect disponible);
