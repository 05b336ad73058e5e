#pragma once

#include "data/ConfigEmpresa.h"
#include "lookup/ConsultasEscaparate.h"

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class EtiquetaAjustada;

// The idle showcase: once the display has been cleared and stayed idle for the company's idle
// seconds, it covers the display and cycles through one round of offer cards, drifting a few
// pixels per second so no frame burns into the screen. It never takes the focus: the key box
// keeps it, so a scan's first key both ends the showcase and lands in the box, and every later
// key follows it there.
class Escaparate : public QWidget {
    Q_OBJECT
public:
    // Asks for one round of cards, which arrives later through recibirRonda().
    using PedirRonda = std::function<void()>;

    // Covers `cubre` (its parent) and watches `clave` for the first key.
    Escaparate(QWidget* cubre, QWidget* clave, PedirRonda pedirRonda);

    // The round asked for; dropped when something happened on the display meanwhile. An empty
    // round (none to show, or it failed to read) leaves the showcase off until the next clearing.
    void recibirRonda(const std::vector<TarjetaEscaparate>& tarjetas);

    void configurar(const ConfigEmpresa::Escaparate& ajustes);
    void setImagen(const QPixmap& imagen);

    // The display was cleared: the idle wait starts unless it already runs or a card is on show.
    void pantallaLimpia();
    // Something happened on the display (a key, a lookup, design mode): everything stops.
    void detener();

    bool enEspera() const { return m_espera.isActive(); }
    int restanteEspera() const { return m_espera.remainingTime(); } // ms; -1 when not waiting
    bool mostrando() const { return isVisible(); }
    int indice() const { return m_indice; }
    const std::vector<TarjetaEscaparate>& tarjetas() const { return m_tarjetas; }
    QPoint deriva() const { return m_deriva; }

    // Pixels per step and steps per second of the drift.
    static constexpr int kPasoDeriva = 1;
    static constexpr int kPasosPorSegundo = 4;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A touch or a click ends it too, and leaves the display as it was.
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class TestEscaparatePantalla;

    void iniciar();
    void mostrarTarjeta();
    // The card's area where the drift has taken it, and the picture's size at its top.
    QRect zonaTarjeta() const;
    QSize tamanoImagen(const QRect& zona) const;
    // Places the card's texts in that area below the picture.
    void colocar();
    void siguienteTarjeta();
    void derivar();

    QWidget* m_cubre;
    PedirRonda m_pedirRonda;
    bool m_esperandoRonda = false;
    ConfigEmpresa::Escaparate m_ajustes;
    QPixmap m_imagen;
    std::vector<TarjetaEscaparate> m_tarjetas;
    int m_indice = 0;
    QPoint m_deriva;
    QPoint m_sentido{1, 1};
    // The card's texts, each fitted to its box as the display fits the name and the price.
    EtiquetaAjustada* m_encabezado;
    EtiquetaAjustada* m_articulo;
    EtiquetaAjustada* m_precio;
    EtiquetaAjustada* m_detalle;
    QTimer m_espera;
    QTimer m_tarjeta;
    QTimer m_movimiento;
};
